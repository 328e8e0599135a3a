#pragma once

#include <QByteArray>
#include <QString>

// The sizes, framing and progress texts of the two logger dumps ("R" automatic data, "Q"
// manual entries) and the memory figures shown beside the set table.

// The address of the first byte of the automatic data area: MemoryAddress equal to it means
// that no automatic data is stored.
constexpr qint64 EmptyMemoryAddress = 8192;

// Bytes of automatic data the status reply's MemoryAddress announces (never negative).
qint64 AutomaticDataSize(qint64 memoryAddress);
// Bytes the "R" dump sends: 4 leading bytes, the automatic data and 1 trailing byte.
qint64 AutomaticDumpSize(qint64 memoryAddress);
// The automatic data inside a received "R" dump; extra bytes are ignored, a short dump gives
// what it holds.
QByteArray AutomaticDataOfDump(const QByteArray& dump, qint64 memoryAddress);

// Bytes the "Q" dump sends: 2 leading bytes, 29 per entry and 1 trailing byte.
qint64 ManualDumpSize(int manualCount);
// The entry bytes inside a received "Q" dump.
QByteArray ManualEntriesOfDump(const QByteArray& dump, int manualCount);

// The memory size code from the reply to "Y" 00: 02, code, 03; 8 (512 K) for anything else.
int MemorySizeCodeOf(const QByteArray& reply);

// Memory size and free space as the Memory window shows them.
struct MemoryCapacity {
    qint64 capacity = 0; // bytes the automatic data may reach
    int freeTenthsK = 0; // free space in tenths of a K, rounded
    QString sizeText;    // "512 K"
    QString freeText;    // "4.0 K"
};
// While the meter is recording (MeterStatus7) the free space shows as 0.
MemoryCapacity MemoryCapacityOf(int sizeCode, qint64 memoryAddress, bool meterStatus7);

// "37.5" for 3 of 8: a share in percent with one decimal, never above 100.0.
QString PercentText(qint64 done, qint64 total);
// Progress of a dump transfer: "37.5% Completed".
QString TransferProgressText(qint64 received, qint64 expected);
// Progress of the manual list: "12 Records Completed".
QString RecordsCompletedText(int entries);
