// The status reply ("A") on arbitrary bytes, as one status attempt reads them, and the dump
// sizes and memory figures that the reply's address and manual count lead to.

#include "fuzz_check.h"
#include "link/meter_link.h"
#include "logger/logger_dump.h"
#include "logger/manual_entry.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<StatusReply> reply = ParseStatusReply(bytes);
    if (!reply) {
        FUZZ_CHECK(bytes.size() < 7 || bytes[bytes.size() - 7] != '\x02' ||
                   quint8(bytes[bytes.size() - 2]) != 0xFF || bytes[bytes.size() - 1] != '\x03');
        return 0;
    }
    FUZZ_CHECK(reply->memoryAddress < (1u << 24));
    FUZZ_CHECK(reply->manualCount >= 0 && reply->manualCount < 256);

    const qint64 address = reply->memoryAddress;
    FUZZ_CHECK(AutomaticDataSize(address) >= 0);
    FUZZ_CHECK(AutomaticDumpSize(address) == AutomaticDataSize(address) + 5);
    FUZZ_CHECK(ManualDumpSize(reply->manualCount) ==
               qint64(reply->manualCount) * ManualRecord::Size + 3);

    // The same bytes as a dump: what is cut out never exceeds what was announced or received.
    const QByteArray automatic = AutomaticDataOfDump(bytes, address);
    FUZZ_CHECK(automatic.size() <= AutomaticDataSize(address));
    FUZZ_CHECK(automatic.size() <= std::max<qsizetype>(bytes.size() - 4, 0));
    const QByteArray manual = ManualEntriesOfDump(bytes, reply->manualCount);
    FUZZ_CHECK(manual.size() <= qint64(reply->manualCount) * ManualRecord::Size);

    for (const bool recording : {false, true}) {
        const int sizeCode = MemorySizeCodeOf(bytes.left(3));
        const MemoryCapacity capacity = MemoryCapacityOf(sizeCode, address, recording);
        FUZZ_CHECK(!capacity.sizeText.isEmpty() && !capacity.freeText.isEmpty());
        if (recording)
            FUZZ_CHECK(capacity.freeTenthsK == 0);
    }
    const QString progress = TransferProgressText(automatic.size(), AutomaticDumpSize(address));
    FUZZ_CHECK(progress.endsWith(QStringLiteral("% Completed")));
    return 0;
}
