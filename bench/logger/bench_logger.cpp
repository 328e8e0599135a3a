// Splits a full 512 K logger memory and decodes its largest set, as opening the Memory window
// and then the set does.

#include "logger/logger_dump.h"
#include "logger/logger_set.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

namespace {

// A set whose readings drift like a real measurement: a random walk per channel, with now and
// then a missing probe or an over-range reading.
QByteArray MakeSet(int maskByte, int records, int interval, QRandomGenerator& random) {
    QByteArray s = QByteArray::fromHex("0055AA00");
    s.append(char(maskByte));
    s.append(QByteArray::fromHex("00010203"));     // K J E T
    s.append(QByteArray::fromHex("00FB0A00"));     // offsets 0, -0.5, 1.0, 0
    s.append(QByteArray::fromHex("0D0C1F170000")); // 2013/12/31 23:00:00
    s.append(char(interval));
    s.append(char(records >> 16));
    s.append(char(records >> 8));
    s.append(char(records));
    const int mask = maskByte & 15;
    std::array<int, 4> tenths{734, 680, 1500, -200};
    s.reserve(s.size() + records * (2 + 3 * 4));
    for (int r = 0; r < records; ++r) {
        const bool missing = random.bounded(1000) == 0;
        s.append(char(missing ? 0x0E : 0x0F));
        s.append(char(random.bounded(5000) == 0 ? 0x02 : 0x00));
        for (int n = 0; n < 4; ++n) {
            if (!(mask & 1 << n))
                continue;
            int& t = tenths[size_t(n)];
            t += random.bounded(-3, 4);
            const int whole = t / 10;
            const int digit = std::abs(t % 10);
            const int integer = t < 0 ? (whole == 0 ? 0 : whole + 65536) : whole;
            s.append(char(integer >> 8));
            s.append(char(integer));
            s.append(char(digit | (t < 0 ? 0x80 : 0)));
        }
    }
    return s;
}

} // namespace

int main() {
    QRandomGenerator random(42);
    const qint64 dataSize = MemoryCapacityOf(8, 0, false).capacity - EmptyMemoryAddress;
    QByteArray memory;
    memory += MakeSet(0x0F, 120, 1, random);
    memory += MakeSet(0x16, 300, 60, random);
    memory += MakeSet(0x01, 100000, 2, random);
    memory += MakeSet(0x05, 200, 10, random);
    while (memory.size() + 23 + 14 <= dataSize)
        memory += MakeSet(0x0F, int(std::min<qint64>(300, (dataSize - memory.size() - 23) / 14)), 5,
                          random);
    std::printf("memory: %lld bytes of %lld\n", qint64(memory.size()), dataSize);

    QElapsedTimer timer;
    timer.start();
    const SetSplit split = SplitSets(memory);
    const qint64 splitNs = timer.nsecsElapsed();

    const LoggedSet* big = nullptr;
    for (const LoggedSet& s : split.sets)
        if (!big || s.recordCount > big->recordCount)
            big = &s;
    timer.restart();
    const QVector<DataListRow> rows = DecodeSetRows(*big);
    const qint64 decodeNs = timer.nsecsElapsed();

    timer.restart();
    qint64 allRows = 0;
    for (const LoggedSet& s : split.sets)
        allRows += DecodeSetRows(s).size();
    const qint64 allNs = timer.nsecsElapsed();

    std::printf("split: %d sets in %.2f ms\n", int(split.sets.size()), splitNs / 1e6);
    std::printf("decode set %d: %d records in %.2f ms (last: %s %s)\n", big->number,
                int(rows.size()), decodeNs / 1e6, qPrintable(rows.last().dateTime),
                qPrintable(rows.last().c[0]));
    std::printf("decode every set: %lld records in %.2f ms\n", allRows, allNs / 1e6);
    std::printf("split + big set: %.2f ms\n", (splitNs + decodeNs) / 1e6);
    // BENCH<TAB>figure<TAB>target<TAB>measured: collected into one table by scripts/bench.sh.
    std::printf("BENCH\tsplit a full logger memory and decode its largest set\t< 1 s\t%.0f ms\n",
                (splitNs + decodeNs) / 1e6);
    return split.status == SplitStatus::Complete ? 0 : 1;
}
