// The line reader on arbitrary bytes from the meter: the first byte picks the reply awaited
// (or none) and the read size, the rest is the line. Whatever comes, the reader ends, every
// packet it takes is framed, every reply has its shape, and it never takes more bytes than came.

#include "fuzz_check.h"
#include "link/line_reader.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const int kinds = int(ReplyShape::Kind::ManualDump) + 2;
    const int kind = data[0] % kinds - 1; // -1: no reply awaited
    const qsizetype chunk = 1 + (data[0] >> 4);
    const QByteArray line =
        QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const ReplyShape shape{ReplyShape::Kind(kind < 0 ? 0 : kind)};

    LineReader reader;
    qsizetype taken = 0;
    const auto take = [&](bool quiet) {
        while (const std::optional<LineReader::Frame> frame =
                   reader.Next(kind < 0 ? nullptr : &shape, quiet)) {
            const QByteArray& b = frame->bytes;
            if (frame->packet) {
                FUZZ_CHECK(b.size() == 12 && b[0] == '\x02' && b[11] == '\x03');
            } else if (shape.IsDump()) {
                FUZZ_CHECK(b.isEmpty() && kind >= 0);
                taken += reader.TakeAll().size(); // the dump's bytes, as the download takes them
                continue;
            } else {
                FUZZ_CHECK(kind >= 0 && b.size() == shape.Size() && b[0] == '\x02' &&
                           b[b.size() - 1] == '\x03');
            }
            taken += b.size();
        }
    };
    for (qsizetype at = 0; at < line.size(); at += chunk) {
        reader.Append(line.mid(at, chunk));
        take(false);
    }
    take(true);
    FUZZ_CHECK(taken + reader.StrayBytes() + reader.Size() == line.size());
    return 0;
}
