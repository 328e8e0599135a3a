#include "logger/dump_reception.h"
#include "logger/logger_dump.h"
#include "logger/logger_record.h"
#include "logger/logger_set.h"
#include "logger/manual_entry.h"
#include "logger/manual_list_lines.h"
#include "recording/six_column_model.h"

#include <QtTest>

// The logger's bytes and texts: record values, set splitting and rows, manual entries, dump
// sizes and reception, the memory figures and the manual list's printed lines.

namespace {

using L = QList<int>;

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (const int v : values)
        bytes.append(char(v));
    return bytes;
}

// A manual entry: unit byte, valid, range, 4 type codes, 4 offsets, the date-time 2013/08/08
// 14:05:09 and the four values as hex (by default T1 to T3 74.2 °F, T4 66.2 °F).
QByteArray Entry(int unit, int valid, int range, std::array<int, 4> t, std::array<int, 4> o = {},
                 const char* valuesHex = "004A02 004A02 004A02 004202") {
    return Bytes({unit, valid, range, t[0], t[1], t[2], t[3], o[0], o[1], o[2], o[3], 13, 8, 8, 14,
                  5, 9}) +
           QByteArray::fromHex(valuesHex);
}

struct Header {
    int maskByte = 1;
    std::array<int, 4> types{0, 0, 0, 0};
    std::array<int, 4> offsets{0, 0, 0, 0};
    std::array<int, 6> start{13, 8, 8, 14, 5, 9};
    int interval = 10;
    int count = 0;
};

QByteArray SetBytes(const Header& h, const QByteArray& records) {
    const auto &t = h.types, &o = h.offsets;
    const auto& d = h.start;
    return QByteArray::fromHex("0055AA00") +
           Bytes({h.maskByte, t[0], t[1], t[2], t[3], o[0], o[1], o[2], o[3], d[0], d[1], d[2],
                  d[3], d[4], d[5], h.interval, h.count >> 16, h.count >> 8, h.count}) +
           records;
}

// A set of `count` records of the mask, every channel valid with the value 50.0 °F.
QByteArray UniformSet(int maskByte, int count) {
    const int channels = ChannelCount(maskByte & 15).value_or(0);
    const QByteArray record = Bytes({0x0F, 0}) + QByteArray::fromHex("003200").repeated(channels);
    Header h;
    h.maskByte = maskByte;
    h.count = count;
    return SetBytes(h, record.repeated(count));
}

// One read from the port: its bytes, and whether the flow had paused before it.
struct Read {
    QByteArray bytes;
    bool afterPause = false;
};

QByteArray Packets(int count) {
    return QByteArray::fromHex("020100080049040000000003").repeated(count);
}

} // namespace

class TestLoggerFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void value_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind"); // 0 set in °C, 1 set in °F, 2 manual entry
        QTest::addColumn<int>("offset");
        QTest::addColumn<QStringList>("texts"); // °C, °F
        const auto row = [](const char* name, const char* hex, int kind, int offset, const char* c,
                            const char* f) {
            QTest::newRow(name) << QByteArray::fromHex(hex) << kind << offset << QStringList{c, f};
        };
        // Sets recorded in °F keep the meter's text and ignore the offset.
        row("F 23.4", "001704", 1, 0, "-4.7", "23.4");
        row("F -0.5 sent as 0 with sign", "000085", 1, 0, "-18.0", "-0.5");
        row("F -1.5", "FFFF85", 1, 0, "-18.6", "-1.5");
        row("F offset not applied", "004904", 1, -5, "23.0", "73.4");
        // Sets recorded in °C: offset out before the conversion, back after; °F from the °C text.
        row("C 32.0 offset 0", "002000", 0, 0, "0.0", "32.0");
        row("C 73.4 offset -0.5", "004904", 0, -5, "22.7", "72.8");
        row("C 31.1 gives -.5", "001F01", 0, 0, "-.5", "31.1");
        row("C offset -5.6", "003200", 0, -56, "7.5", "45.5");
        row("C -40 both ways", "FFD880", 0, 0, "-40.0", "-40.0");
        row("C -0.1 truncates toward zero", "000081", 0, 0, "-17.8", "0.0");
        // Manual entries: the raw °F text whatever the unit; °C as for a set in °C.
        row("manual 73.4 offset -0.5", "004904", 2, -5, "22.7", "73.4");
        row("manual -0.5", "000085", 2, 0, "-18.0", "-0.5");
        row("manual offset 12.7", "003200", 2, 127, "15.6", "50.0");
        // A tenths digit above 9 is a damaged value: no number in either column.
        for (int kind : {0, 1, 2})
            QTest::addRow("damaged tenths, kind %d", kind)
                << QByteArray::fromHex("00490C") << kind << 0 << QStringList{"- - -", "- - -"};
    }
    void value() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(int, offset);
        const quint8 h = quint8(bytes[0]), lo = quint8(bytes[1]), t = quint8(bytes[2]);
        const ValueTexts texts = kind == 2 ? DecodeManualValue(h, lo, t, offset)
                                           : DecodeSetValue(h, lo, t, kind == 1, offset);
        QTEST((QStringList{texts.c, texts.f}), "texts");
    }

    void dateTimeAsStored() {
        // No correction: a damaged byte widens its field (month and day 0 are in `header`).
        QCOMPARE(LoggerDateTimeText({24, 2, 30, 24, 60, 61}),
                 QStringLiteral("2024/02/30 24:60:61"));
        QCOMPARE(LoggerDateTimeText({123, 8, 8, 14, 5, 255}),
                 QStringLiteral("20123/08/08 14:05:255"));
    }

    void manualCells_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QStringList>("cells");
        const auto row = [](const char* name, const QByteArray& entry, QStringList values) {
            QTest::newRow(name) << entry << QStringList{"°C", "2013/08/08 14:05:09"} + values;
        };
        row("°C entry", Entry(0x00, 0x0D, 0x04, {0, 1, 0, 3}),
            {"K: 23.4", "J: - - -", "K: Over", "T: 19.0"});
        row("unused unit bits ignored", Entry(0xEF, 0x0F, 0x00, {}),
            {"K: 23.4", "K: 23.4", "K: 23.4", "K: 19.0"});
        row("under, and over beats under", Entry(0x00, 0x0F, 0x31, {}),
            {"K: Over", "K: Under", "K: 23.4", "K: 19.0"});
        row("offsets per channel",
            Entry(0x00, 0x0F, 0x00, {}, {0xFB, 0, 200, 127}, "004904 004904 003200 003200"),
            {"K: 22.7", "K: 23.0", "K: 7.5", "K: 15.6"});
        row("types 11 and above have no letter", Entry(0x00, 0x0F, 0x00, {10, 11, 15, 16 + 9}),
            {"C: 23.4", ": 23.4", ": 23.4", "B: 19.0"});
    }
    void manualCells() {
        QFETCH(QByteArray, entry);
        QCOMPARE(entry.size(), ManualRecord::Size);
        const std::array<QString, 6> got = DecodeManualEntry(entry.constData()).cells();
        QTEST(QStringList(got.begin(), got.end()), "cells");
    }

    void manualSplit_data() {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("cutShort");
        QTest::newRow("three whole") << 87 << 3 << 3 << false;
        QTest::newRow("extra bytes ignored") << 100 << 3 << 3 << false;
        QTest::newRow("fewer than counted") << 80 << 3 << 2 << true;
        QTest::newRow("none") << 0 << 0 << 0 << false;
        QTest::newRow("nothing arrived") << 0 << 255 << 0 << true;
    }
    void manualSplit() {
        QFETCH(int, bytes);
        QByteArray data;
        for (int i = 0; data.size() < bytes; ++i) {
            QByteArray e = Entry(0, 0x0F, 0, {});
            e[13] = char(i + 1); // day = entry number, to check the order
            data += e;
        }
        data.truncate(bytes);
        QFETCH(int, count);
        const ManualSplit split = SplitManualEntries(data, count);
        QTEST(int(split.entries.size()), "entries");
        QTEST(split.cutShort, "cutShort");
        for (int i = 0; i < split.entries.size(); ++i)
            QCOMPARE(split.entries[i].dateTime.mid(8, 2).toInt(), i + 1);
    }

    void split_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<SplitStatus>("status");
        QTest::addColumn<int>("stoppedAt");
        QTest::addColumn<L>("positions");
        QTest::addColumn<L>("recordCounts");
        const QByteArray first = UniformSet(5, 3); // 23 + 3 x 8 = 47 bytes
        const QByteArray second = UniformSet(15, 2);
        const auto ok = SplitStatus::Complete, missing = SplitStatus::MarkerMissing;
        QTest::newRow("empty memory") << QByteArray() << ok << 0 << L{} << L{};
        QTest::newRow("two sets back to back")
            << first + second << ok << 47 + 23 + 2 * 14 << L{0, 47} << L{3, 2};
        QTest::newRow("empty set then another")
            << UniformSet(1, 0) + first << ok << 23 + 47 << L{0, 23} << L{0, 3};
        QTest::newRow("mask 0: records of two bytes")
            << UniformSet(0, 4) + first << ok << 31 + 47 << L{0, 31} << L{4, 3};
        QTest::newRow("unit bit does not change the record size")
            << UniformSet(0x13, 2) + first << ok << 39 + 47 << L{0, 39} << L{2, 3};
        QTest::newRow("no marker at start")
            << QByteArray::fromHex("FF55AA00") + first << missing << 0 << L{} << L{};
        QTest::newRow("garbage after first set keeps it")
            << first + QByteArray(30, '\x7F') + second << missing << 47 << L{0} << L{3};
        QTest::newRow("marker cut off at the end")
            << first + QByteArray::fromHex("0055") << missing << 47 << L{0} << L{3};
        QTest::newRow("header cut off")
            << first + second.left(15) << SplitStatus::HeaderCutShort << 47 << L{0} << L{3};
        // The header of the second set counts 2 records of 14 bytes; a record and a half arrive.
        QTest::newRow("set cut short")
            << first + second.left(23 + 14 + 7) << SplitStatus::SetCutShort << 47 + 23 + 14
            << L{0, 47} << L{3, 1};
        Header huge;
        huge.count = 0xFFFFFF;
        QTest::newRow("largest count in a short memory")
            << SetBytes(huge, QByteArray::fromHex("0100003200")) << SplitStatus::SetCutShort << 28
            << L{0} << L{1};
    }
    void split() {
        QFETCH(QByteArray, data);
        const SetSplit split = SplitSets(data);
        QTEST(split.status, "status");
        QTEST(int(split.stoppedAt), "stoppedAt");
        QCOMPARE(split.dataSize, data.size());
        L positions, counts;
        for (int i = 0; i < split.sets.size(); ++i) {
            const LoggedSet& s = split.sets[i];
            positions << int(s.position);
            counts << s.recordCount;
            QCOMPARE(s.number, i + 1);
            QCOMPARE(s.bytes, data.mid(s.position, 23 + s.recordCount * s.recordSize()));
            QCOMPARE(s.cutShort, s.recordCount < s.headerRecordCount);
        }
        QTEST(positions, "positions");
        QTEST(counts, "recordCounts");
        QCOMPARE(SplitStatusText(split).isEmpty(), split.status == SplitStatus::Complete);
    }

    void manySets() {
        // Every mask's record size, and set numbers past 255.
        QByteArray data;
        for (int i = 0; i < 300; ++i)
            data += UniformSet(1 + i % 15, i % 4);
        const SetSplit split = SplitSets(data);
        QCOMPARE(split.status, SplitStatus::Complete);
        QCOMPARE(split.sets.size(), 300);
        QCOMPARE(split.sets[299].number, 300);
    }

    void header() {
        Header h;
        h.maskByte = 0xF6; // unused high bits, °F, T2 and T3
        h.types = {1, 10, 11, 16 + 2};
        h.offsets = {0xFB, 200, 127, 0};
        h.start = {13, 0, 0, 7, 5, 9};
        h.interval = 255;
        h.count = 0x010203;
        const LoggedSet s = SplitSets(SetBytes(h, {})).sets.value(0);
        QCOMPARE(s.channelMask, 6);
        QVERIFY(s.fahrenheit && s.cutShort);
        QCOMPARE(s.offsetTenths, (std::array<int, 4>{-5, -56, 127, 0}));
        QCOMPARE(s.startText, QStringLiteral("2013/01/01 07:05:09"));
        QCOMPARE((L{s.interval, s.headerRecordCount, s.recordCount, s.recordSize()}),
                 (L{255, 66051, 0, 8}));
    }

    void rows() {
        // °C, T2 and T3: T2's offset -0.5 comes out before the conversion and back after it; T3,
        // the second value, takes its flags from bit 2 by precedence: a reading, none, over,
        // under, both.
        Header h;
        h.maskByte = 0x06;
        h.offsets = {0, 0xFB, 0, 0};
        h.count = 5;
        QByteArray records;
        for (const int flags : {0x0600, 0x0200, 0x0604, 0x0640, 0x0644})
            records += Bytes({flags >> 8, flags & 0xFF}) + QByteArray::fromHex("004904 002000");
        const QVector<DataListRow> rows =
            DecodeSetRows(SplitSets(SetBytes(h, records)).sets.value(0));
        QStringList t3;
        for (const DataListRow& row : rows)
            t3 << row.c[2] + QLatin1Char('/') + row.f[2];
        QCOMPARE(t3,
                 (QStringList{"0.0/32.0", "- - -/- - -", "Over/Over", "Under/Under", "Over/Over"}));
        QCOMPARE(rows[1].cells(false),
                 (std::array<QString, 6>{"2", "2013/08/08 14:05:19", " ", "22.7", "- - -", " "}));
        QCOMPARE(rows[0].cells(true),
                 (std::array<QString, 6>{"1", "2013/08/08 14:05:09", " ", "72.8", "32.0", " "}));
    }

    void recordTimes_data() {
        QTest::addColumn<L>("start");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, L start, int interval, int record, const char* text) {
            QTest::newRow(name) << start << interval << record << text;
        };
        row("first record is the start", {13, 8, 8, 14, 5, 9}, 10, 1, "2013/08/08 14:05:09");
        row("across the year end", {13, 12, 31, 23, 59, 55}, 10, 2, "2014/01/01 00:00:05");
        row("into a leap day", {24, 2, 28, 23, 59, 59}, 1, 2, "2024/02/29 00:00:00");
        row("spring forward hour exists", {23, 3, 26, 1, 59, 50}, 10, 2, "2023/03/26 02:00:00");
        row("fall back hour counted once", {23, 10, 29, 1, 59, 0}, 60, 62, "2023/10/29 03:00:00");
        row("interval 0 keeps the start", {13, 8, 8, 14, 5, 9}, 0, 500, "2013/08/08 14:05:09");
        row("record 100000, interval 255", {13, 1, 1, 0, 0, 0}, 255, 100000, "2013/10/23 03:15:45");
        row("month and day 0 count as 1", {13, 0, 0, 23, 59, 59}, 1, 2, "2013/01/02 00:00:00");
        row("damaged date carries over", {13, 2, 30, 10, 0, 0}, 1, 1, "2013/03/02 10:00:00");
    }
    void recordTimes() {
        QFETCH(L, start);
        QFETCH(int, interval);
        QFETCH(int, record);
        Header h;
        h.maskByte = 0;
        h.interval = interval;
        h.count = record;
        std::copy(start.begin(), start.end(), h.start.begin());
        const LoggedSet set = SplitSets(SetBytes(h, QByteArray(2 * record, '\0'))).sets.value(0);
        const QVector<DataListRow> rows = DecodeSetRows(set, record, 1);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].record, record);
        QTEST(rows[0].dateTime, "text");
    }

    void rowRanges() {
        const LoggedSet set = SplitSets(UniformSet(1, 5)).sets[0];
        auto records = [&](int first, int count) {
            L n;
            for (const DataListRow& r : DecodeSetRows(set, first, count))
                n << r.record;
            return n;
        };
        QCOMPARE(records(4, 100), (L{4, 5}));
        QCOMPARE(records(0, 2), (L{1, 2}));
        QCOMPARE(records(6, 1), L{});
        QCOMPARE(records(1, std::numeric_limits<int>::max()).size(), 5);
    }

    void capacity_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("address");
        QTest::addColumn<bool>("status7");
        QTest::addColumn<QStringList>("texts"); // size, free
        const auto row = [](const char* name, int code, int address, bool status7, const char* size,
                            const char* free) {
            QTest::newRow(name) << code << address << status7 << QStringList{size, free};
        };
        row("512 K, 4 K left", 8, 520184, false, "512 K", "4.0 K");
        row("512 K, full", 8, 520185, false, "512 K", "0.0 K");
        row("512 K, beyond full", 8, 600000, false, "512 K", "0.0 K");
        row("recording shows 0", 8, 8192, true, "512 K", "0.0 K");
        row("64 K, empty", 1, 8192, false, "64 K", "56.0 K");
        row("256 K rounds up", 4, 200000, false, "256 K", "60.7 K");
        row("half a tenth rounds up", 8, 519928, false, "512 K", "4.3 K");
    }
    void capacity() {
        QFETCH(int, code);
        QFETCH(int, address);
        QFETCH(bool, status7);
        const MemoryCapacity m = MemoryCapacityOf(code, address, status7);
        QTEST((QStringList{m.sizeText, m.freeText}), "texts");
    }

    void sizeCode() {
        QCOMPARE(MemorySizeCodeOf(QByteArray::fromHex("020403")), 4);
        // No reply, a long one, bad framing or zero units: the largest memory.
        for (const char* bad : {"", "02040300", "030402", "020003"})
            QCOMPARE(MemorySizeCodeOf(QByteArray::fromHex(bad)), 8);
    }

    void progress() {
        QCOMPARE(TransferProgressText(2, 3), QStringLiteral("66.7% Completed"));
        QCOMPARE(TransferProgressText(40, 33), QStringLiteral("100.0% Completed"));
        QCOMPARE(TransferProgressText(0, 0), QStringLiteral("100.0% Completed"));
    }

    void reception_data() {
        QTest::addColumn<QList<Read>>("reads");
        QTest::addColumn<bool>("silence"); // the meter says nothing more after the reads
        QTest::addColumn<DumpReception::State>("state");
        QTest::addColumn<int>("received");
        using S = DumpReception::State;
        // 60 dump bytes with STX and ETX among them, none framing a live packet.
        const QByteArray dump = QByteArray::fromHex("02030055").repeated(15);
        const auto row = [](const char* name, QList<Read> reads, bool silence, S state, int n) {
            QTest::newRow(name) << reads << silence << state << n;
        };
        row("whole dump, live packets after it", {{dump + Packets(3)}}, false, S::Complete, 60);
        row("pause inside the dump, at an STX", {{dump.left(28)}, {dump.mid(28), true}}, false,
            S::Complete, 60);
        row("live packets after a pause", {{dump.left(30)}, {Packets(3), true}}, false, S::Cut, 30);
        // Counted, not judged by its bytes: a whole dump whose end frames like two packets.
        row("dump ending like two live packets", {{dump.left(36) + Packets(2)}}, false, S::Complete,
            60);
        row("live packets after a pause near the end", {{dump.left(50)}, {Packets(2), true}}, false,
            S::Cut, 50);
        row("a packet after a pause is judged when the next comes",
            {{dump.left(50)}, {Packets(1), true}}, false, S::Receiving, 50);
        row("a packet after a pause, then silence", {{dump.left(50)}, {Packets(1), true}}, true,
            S::Cut, 50);
        row("dump ending like a live packet, live packets after it", {{dump.left(48) + Packets(3)}},
            false, S::Complete, 60);
        row("silence before the end", {{dump.left(30)}}, true, S::Cut, 30);
        row("nothing at all", {}, true, S::Cut, 0);
    }
    void reception() {
        QFETCH(QList<Read>, reads);
        QFETCH(bool, silence);
        DumpReception reception(60);
        QByteArray all;
        for (const Read& read : reads) {
            reception.Append(read.bytes, read.afterPause);
            all += read.bytes;
        }
        if (silence)
            reception.Finish();
        QTEST(reception.Status(), "state");
        QTEST(int(reception.Received()), "received");
        QCOMPARE(reception.Dump(), all.left(reception.Received()));
    }

    void manualPrintStopsBeforeAWideText() {
        // A text wider than its field stops the printout before its row.
        const DataFields entry{"°F", "2013/08/08 14:05:09", "K: 1", "K: 2", "K: -1234.5", "K: 4"};
        DataFields wide = entry;
        wide[4] = "K: 1234567.8";
        SixColumnModel grid;
        grid.SetHeadings(ManualListHeadings());
        grid.AppendRows({entry, wide});
        qint64 stoppedAt = 0;
        const QStringList lines = ManualListPrintLines(grid, &stoppedAt);
        QCOMPARE(stoppedAt, 2);
        QCOMPARE(lines.size(), 8); // 5 blank lines, the headings, a rule and the first entry
        QCOMPARE(lines.last(), QStringLiteral("          °F  2013/08/08 14:05:09       K: 1       "
                                              "K: 2 K: -1234.5       K: 4"));
    }
};

QTEST_GUILESS_MAIN(TestLoggerFormat)
#include "tst_logger_format.moc"
