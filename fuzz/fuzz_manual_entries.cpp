// The manual entry decoder on arbitrary bytes: the first byte is the entry count the status
// reply announced, the rest the entries of the "Q" dump.

#include "fuzz_check.h"
#include "logger/manual_entry.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const int count = data[0];
    const QByteArray entries(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const ManualSplit split = SplitManualEntries(entries, count);
    const qsizetype whole = entries.size() / ManualRecord::Size;
    FUZZ_CHECK(split.entries.size() == std::min<qsizetype>(count, whole));
    FUZZ_CHECK(split.cutShort == (count > whole));
    for (const ManualRecord& entry : split.entries) {
        FUZZ_CHECK(entry.dateTime.size() >= 19);
        const std::array<QString, 6> cells = entry.cells();
        FUZZ_CHECK(cells[0] == (entry.fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C")));
        for (size_t n = 0; n < 4; ++n)
            FUZZ_CHECK(!entry.c[n].isEmpty() && !entry.f[n].isEmpty());
    }
    return 0;
}
