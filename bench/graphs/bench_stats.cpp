// Statistics over ten days at one sample a second (864,000 samples): what the Plot window counts
// each time the view or the selection changes (lowest and highest with their times, mean, time
// above a level), the rate-of-rise curve, and taking the series once per plot, from a file's
// texts or from full sample buffers; and a full data file of 320,000 records read for its
// statistics, with and without the corrected readings beside it. Each figure is the median of
// several runs.

#include "graphs/series_stats.h"
#include "recording/corrected_file.h"
#include "recording/reading_series.h"
#include "recording/sample_buffers.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSamples = 864000;
constexpr int kRuns = 15;

template <typename Work> double MedianMs(Work work, int runs = kRuns) {
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// A full data file and, when `corrected`, the corrected readings of its T1 beside it.
bool WriteRun(const QString& path, bool corrected) {
    QByteArray data = "\xB0"
                      "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n";
    QByteArray companion = "# Corvilab corrected readings; the data file keeps what the meter "
                           "read\nNo.\tDate Time\tT1\tT2\tT3\tT4\tCorrected\tBeyond\n"
                           "# from record 1: T1 offset -0.3 \xC2\xB0"
                           "C\n";
    for (int i = 1; i <= 320000; ++i) {
        char when[24];
        std::snprintf(when, sizeof when, "2013/08/%02d %02d:%02d:%02d", 8 + i / 86400,
                      i / 3600 % 24, i / 60 % 60, i % 60);
        const QByteArray reading =
            QByteArray::number(20 + i % 100 / 10) + '.' + QByteArray::number(i % 10);
        const QByteArray number = QByteArray::number(i);
        data += number + '\t' + when + '\t' + reading + '\t' + reading + '\t' + reading +
                "\t- - -\t\r\n";
        companion += number + '\t' + when + "\t" + reading + "\t" + reading + '\t' + reading +
                     "\t- - -\tT1\t\n";
    }
    QFile file(path), beside(CorrectedFileName(path));
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() &&
           (!corrected ||
            (beside.open(QIODevice::WriteOnly) && beside.write(companion) == companion.size()));
}

} // namespace

int main() {
    // A kiln-like run: up and down over the days, with a gap ("Over") now and then.
    std::vector<QByteArray> texts(kSamples), times(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        const int second = 14 * 3600 + 5 * 60 + 9 + i;
        const int tenths = (i % 86400 < 43200 ? i % 86400 : 86400 - i % 86400) / 10 - 500;
        texts[size_t(i)] = i % 997 == 0 ? QByteArray("Over")
                                        : QByteArray::number(tenths / 10) + '.' +
                                              QByteArray::number(std::abs(tenths % 10));
        char when[24];
        std::snprintf(when, sizeof when, "2013/08/%02d %02d:%02d:%02d", 8 + second / 86400,
                      second / 3600 % 24, second / 60 % 60, second % 60);
        times[size_t(i)] = when;
    }

    ReadingSeries series;
    qint64 check = 0;
    const double build = MedianMs([&] {
        ReadingSeriesBuilder builder(1);
        builder.Reserve(kSamples);
        for (int i = 0; i < kSamples; ++i) {
            const QByteArrayView reading(texts[size_t(i)]);
            builder.AddRecord(times[size_t(i)], &reading);
        }
        series = builder.Finish().front();
    });

    SampleBuffers buffers;
    for (int i = 0; i < kSamples; ++i)
        buffers.Append({series.tenths[i], {}, {}, {}}, {});
    const double fromBuffers =
        MedianMs([&] { check += SeriesFromBuffers(buffers, 0, false, 1, -2000, 13700).Size(); });

    const double stats = MedianMs([&] {
        const SeriesStats s = StatsOver(series, 0, kSamples - 1, 1000);
        check += s.samples + *s.secondsAbove;
    });
    const double rate = MedianMs([&] { check += RateOfRiseCurve(series, 30).size(); });

    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.4ch"));
    const QString corrected = dir.filePath(QStringLiteral("corrected.4ch"));
    if (!WriteRun(plain, false) || !WriteRun(corrected, true)) {
        std::fprintf(stderr, "bench_stats: cannot write the runs in %s\n", qPrintable(dir.path()));
        return 1;
    }
    const double readPlain =
        MedianMs([&] { check += ReadRecordedRun(plain).channels[0].Size(); }, 5);
    const double readCorrected =
        MedianMs([&] { check += ReadRecordedRun(corrected).correctedReadings; }, 5);

    std::printf("series of %d samples (check %lld)\n", kSamples, static_cast<long long>(check));
    // BENCH<TAB>figure<TAB>target<TAB>measured: collected into one table by scripts/bench.sh.
    std::printf("BENCH\tstatistics over 864,000 samples (min, max, mean, time above)\t< 50 ms\t"
                "%.2f ms\n",
                stats);
    std::printf("BENCH\trate-of-rise curve over 864,000 samples (30 s span)\t-\t%.2f ms\n", rate);
    std::printf("BENCH\t864,000 records' texts and times into a series (once per plot)\t-\t"
                "%.1f ms\n",
                build);
    std::printf("BENCH\tfull sample buffers into a series (once per strip-chart plot)\t-\t"
                "%.1f ms\n",
                fromBuffers);
    std::printf("BENCH\ta 320,000-record file read for its statistics\t-\t%.0f ms\n", readPlain);
    std::printf("BENCH\tthe same with its corrected readings beside it\t< 2 x without\t%.0f ms "
                "(%.1f x)\n",
                readCorrected, readCorrected / readPlain);
    return 0;
}
