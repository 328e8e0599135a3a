// The data-file reader on arbitrary file bytes. A file in Windows-1252 must also survive a
// round trip: its lines written again by the writer's line builder read back the same. The
// records' readings and times, taken for statistics, keep the times rising and every figure
// inside the readings, whatever the cells hold.

#include "fuzz_check.h"
#include "graphs/series_stats.h"
#include "link/reading_text.h"
#include "recording/data_file.h"
#include "recording/reading_series.h"

#include <QBuffer>
#include <QByteArray>
#include <QList>

#include <cmath>

namespace {

QList<DataFields> ReadAll(const QByteArray& bytes, DataFileReadResult* result) {
    QList<DataFields> lines;
    qint64 expected = 1;
    *result = ParseDataFile(bytes, [&](qint64 lineNumber, const DataFields& fields) {
        FUZZ_CHECK(lineNumber == expected);
        ++expected;
        lines.append(fields);
        return true;
    });
    return lines;
}

void CheckStatistics(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    ReadingSeriesBuilder builder(4);
    ReadDataLines(device, [&](qint64 lineNumber, const DataFieldBytes& fields, DataFileEncoding) {
        if (lineNumber > 1)
            builder.AddRecord(fields[1], &fields[2]);
        return true;
    });
    for (const ReadingSeries& series : builder.Finish()) {
        for (qsizetype i = 1; i < series.Size(); ++i)
            FUZZ_CHECK(series.seconds[i] > series.seconds[i - 1]);
        const SeriesStats stats = StatsOver(series, 0, series.Size() - 1, 0);
        FUZZ_CHECK(*stats.secondsAbove <= stats.samples * series.step);
        if (stats.samples > 0) {
            FUZZ_CHECK(*stats.minimum <= *stats.mean && *stats.mean <= *stats.maximum);
            FUZZ_CHECK(series.At(stats.minimumAt) == stats.minimum);
            FUZZ_CHECK(ReadingTenths(OneDecimalText(*stats.minimum).toLatin1()) == stats.minimum);
        }
        const QVector<double> curve = RateOfRiseCurve(series, 30);
        FUZZ_CHECK(curve.size() == series.Size());
        for (qsizetype i = 0; i < series.Size(); ++i) {
            const std::optional<int> rate = RateOfRise(series, i, 30);
            FUZZ_CHECK(rate ? curve[i] == *rate / 10.0 : std::isnan(curve[i]));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    DataFileReadResult result;
    const QList<DataFields> lines = ReadAll(bytes, &result);
    FUZZ_CHECK(result.opened && !result.cancelled);
    FUZZ_CHECK(result.linesRead == lines.size());
    FUZZ_CHECK(result.complete == (result.stoppedAtLine == 0));
    if (!result.complete)
        FUZZ_CHECK(result.stoppedAtLine == result.linesRead + 1);
    FUZZ_CHECK(result.encoding == DetectEncoding(bytes.constData(), bytes.size()));
    CheckStatistics(bytes);

    // Stopping after the first line hands over exactly one line.
    if (!lines.isEmpty()) {
        int calls = 0;
        const DataFileReadResult stopped = ParseDataFile(bytes, [&](qint64, const DataFields&) {
            ++calls;
            return false;
        });
        FUZZ_CHECK(stopped.cancelled && calls == 1 && stopped.linesRead == 1);
    }

    if (result.encoding != DataFileEncoding::Windows1252)
        return 0;
    QByteArray written;
    int replaced = 0;
    for (const DataFields& fields : lines)
        written += EncodeDataLine(fields, &replaced);
    FUZZ_CHECK(replaced == 0);
    // The lines kept may be valid UTF-8 once the bytes that made the file Windows-1252 are
    // left behind (after the line the reading stopped at, or in a seventh field).
    if (DetectEncoding(written.constData(), written.size()) != DataFileEncoding::Windows1252)
        return 0;
    DataFileReadResult again;
    const QList<DataFields> reread = ReadAll(written, &again);
    FUZZ_CHECK(again.complete);
    FUZZ_CHECK(reread == lines);
    return 0;
}
