// The data-file reader on arbitrary file bytes. A file in Windows-1252 must also survive a
// round trip: its lines written again by the writer's line builder read back the same.

#include "fuzz_check.h"
#include "recording/data_file.h"

#include <QByteArray>
#include <QList>

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
