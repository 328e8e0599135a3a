#include "logger/logger_dump.h"

#include "link/reading_text.h"
#include "logger/manual_entry.h"

#include <algorithm>

qint64 AutomaticDataSize(qint64 memoryAddress) {
    return std::max<qint64>(memoryAddress - EmptyMemoryAddress, 0);
}

qint64 AutomaticDumpSize(qint64 memoryAddress) {
    return AutomaticDataSize(memoryAddress) + 5;
}

QByteArray AutomaticDataOfDump(const QByteArray& dump, qint64 memoryAddress) {
    if (dump.size() <= 4)
        return {};
    return dump.mid(4, std::min<qint64>(AutomaticDataSize(memoryAddress), dump.size() - 4));
}

qint64 ManualDumpSize(int manualCount) {
    return qint64(std::max(manualCount, 0)) * ManualRecord::Size + 3;
}

QByteArray ManualEntriesOfDump(const QByteArray& dump, int manualCount) {
    if (dump.size() <= 2)
        return {};
    const qint64 size = qint64(std::max(manualCount, 0)) * ManualRecord::Size;
    return dump.mid(2, std::min<qint64>(size, dump.size() - 2));
}

int MemorySizeCodeOf(const QByteArray& reply) {
    // A meter has at least one unit; a code of 0 is no answer either.
    if (reply.size() == 3 && reply[0] == '\x02' && reply[2] == '\x03' && reply[1] != '\0')
        return quint8(reply[1]);
    return 8;
}

MemoryCapacity MemoryCapacityOf(int sizeCode, qint64 memoryAddress, bool meterStatus7) {
    MemoryCapacity m;
    const qint64 k = sizeCode;
    m.capacity = (k - 1) * 65535 + 61440;
    if (memoryAddress < m.capacity && !meterStatus7) {
        const qint64 freeBytes = k * 65535 - memoryAddress;
        m.freeTenthsK = int((freeBytes * 20 + 1024) / 2048); // bytes / 1024, one decimal, rounded
    }
    m.sizeText = QString::number(k * 64) + QStringLiteral(" K");
    m.freeText = TenthsText(m.freeTenthsK) + QStringLiteral(" K");
    return m;
}

QString PercentText(qint64 done, qint64 total) {
    if (total <= 0)
        return QStringLiteral("100.0");
    done = std::clamp<qint64>(done, 0, total);
    return TenthsText(int((done * 2000 + total) / (2 * total)));
}

QString TransferProgressText(qint64 received, qint64 expected) {
    return PercentText(received, expected) + QStringLiteral("% Completed");
}

QString RecordsCompletedText(int entries) {
    return QString::number(entries) + QStringLiteral(" Records Completed");
}
