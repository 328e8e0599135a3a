// Statistics over ten days at one sample a second (864,000 samples): what the Plot window counts
// each time the view or the selection changes (lowest and highest with their times, mean, time
// above a level), the rate-of-rise curve, and taking the series once per plot, from a file's
// texts or from full sample buffers. Each figure is the median of several runs.

#include "graphs/series_stats.h"
#include "recording/reading_series.h"
#include "recording/sample_buffers.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSamples = 864000;
constexpr int kRuns = 15;

template <typename Work> double MedianMs(Work work) {
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
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
    return 0;
}
