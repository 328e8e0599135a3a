#include "logger/dump_reception.h"
#include "logger/logger_dump.h"
#include "logger/logger_record.h"
#include "logger/logger_set.h"
#include "logger/manual_entry.h"
#include "logger/manual_list_lines.h"
#include "views/six_column_model.h"

#include <QtTest>

// The logger's bytes and texts: record values, set splitting and rows, manual entries, dump
// sizes and reception, the memory figures and the manual list's printed lines.

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (const int v : values)
        bytes.append(char(v));
    return bytes;
}

// A manual entry: unit byte, valid, range, 4 type codes, 4 offsets, the date-time 2013/08/08
// 14:05:09 and the four values as hex.
QByteArray Entry(int unit, int valid, int range, std::array<int, 4> t, std::array<int, 4> o,
                 const char* valuesHex) {
    return Bytes({unit, valid, range, t[0], t[1], t[2], t[3], o[0], o[1], o[2], o[3], 13, 8, 8, 14,
                  5, 9}) +
           QByteArray::fromHex(valuesHex);
}

// T1 74.2 °F (23.4 °C), T2 and T3 anything, T4 66.2 °F (19.0 °C).
const char* const kValues = "004A02"
                            "004A02"
                            "004A02"
                            "004202";

// A record as the meter stores it: valid byte, range byte and 3 bytes per recorded channel.
QByteArray Record(int valid, int range, std::initializer_list<const char*> valuesHex) {
    QByteArray r = Bytes({valid, range});
    for (const char* v : valuesHex)
        r.append(QByteArray::fromHex(v));
    return r;
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
QByteArray UniformSet(int maskByte, int count, int interval = 10) {
    const int channels = ChannelCount(maskByte & 15).value_or(0);
    QByteArray records;
    for (int r = 0; r < count; ++r) {
        records.append(char(0x0F));
        records.append(char(0));
        for (int c = 0; c < channels; ++c)
            records.append(QByteArray::fromHex("003200"));
    }
    Header h;
    h.maskByte = maskByte;
    h.count = count;
    h.interval = interval;
    return SetBytes(h, records);
}

// One read from the port: its bytes, and whether the flow had paused before it.
struct Read {
    QByteArray bytes;
    bool afterPause = false;
};

// 60 dump bytes with STX and ETX among them, none framing a live packet.
QByteArray DumpBytes() {
    QByteArray bytes;
    while (bytes.size() < 60)
        bytes += QByteArray::fromHex("02030055");
    return bytes;
}

QByteArray Packets(int count) {
    return QByteArray::fromHex("020100080049040000000003").repeated(count);
}

} // namespace

class TestLoggerFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void value_data();
    void value();
    void dateTime_data();
    void dateTime();
    void manualCells_data();
    void manualCells();
    void manualSplit_data();
    void manualSplit();
    void split_data();
    void split();
    void manySets();
    void header();
    void rows();
    void recordTimes_data();
    void recordTimes();
    void rowRanges();
    void capacity_data();
    void capacity();
    void sizeCode_data();
    void sizeCode();
    void progress_data();
    void progress();
    void reception_data();
    void reception();
    void manualPrintLines_data();
    void manualPrintLines();
};

void TestLoggerFormat::value_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind"); // 0 set in °C, 1 set in °F, 2 manual entry
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("c");
    QTest::addColumn<QString>("f");
    const auto b = [](const char* hex) { return QByteArray::fromHex(hex); };
    // Sets recorded in °F keep the meter's text and ignore the offset.
    QTest::newRow("F 23.4") << b("001704") << 1 << 0 << "-4.7"
                            << "23.4";
    QTest::newRow("F 33.0 is 0.5 C") << b("002100") << 1 << 0 << "0.5"
                                     << "33.0";
    QTest::newRow("F 0.0 is -17.7 C") << b("000000") << 1 << 0 << "-17.7"
                                      << "0.0";
    QTest::newRow("F -0.5 sent as 0 with sign") << b("000085") << 1 << 0 << "-18.0"
                                                << "-0.5";
    QTest::newRow("F -1.5") << b("FFFF85") << 1 << 0 << "-18.6"
                            << "-1.5";
    QTest::newRow("F offset not applied") << b("004904") << 1 << -5 << "23.0"
                                          << "73.4";
    // Sets recorded in °C: offset out before the conversion, back after; °F from the °C text.
    QTest::newRow("C 32.0 offset 0") << b("002000") << 0 << 0 << "0.0"
                                     << "32.0";
    QTest::newRow("C 73.4 offset -0.5") << b("004904") << 0 << -5 << "22.7"
                                        << "72.8";
    QTest::newRow("C 31.1 gives -.5") << b("001F01") << 0 << 0 << "-.5"
                                      << "31.1";
    QTest::newRow("C offset -5.6") << b("003200") << 0 << -56 << "7.5"
                                   << "45.5";
    QTest::newRow("C -40 both ways") << b("FFD880") << 0 << 0 << "-40.0"
                                     << "-40.0";
    QTest::newRow("C -0.1 truncates toward zero") << b("000081") << 0 << 0 << "-17.8"
                                                  << "0.0";
    // Manual entries: the raw °F text whatever the unit; °C as for a set in °C.
    QTest::newRow("manual 73.4 offset -0.5") << b("004904") << 2 << -5 << "22.7"
                                             << "73.4";
    QTest::newRow("manual -0.5") << b("000085") << 2 << 0 << "-18.0"
                                 << "-0.5";
    QTest::newRow("manual offset 12.7") << b("003200") << 2 << 127 << "15.6"
                                        << "50.0";
    // A tenths digit above 9 is a damaged value: no number in either column.
    for (int kind : {0, 1, 2})
        QTest::addRow("damaged tenths, kind %d", kind) << b("00490C") << kind << 0 << "- - -"
                                                       << "- - -";
}

void TestLoggerFormat::value() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QFETCH(int, offset);
    const quint8 h = quint8(bytes[0]), lo = quint8(bytes[1]), t = quint8(bytes[2]);
    const ValueTexts texts = kind == 2 ? DecodeManualValue(h, lo, t, offset)
                                       : DecodeSetValue(h, lo, t, kind == 1, offset);
    QTEST(texts.c, "c");
    QTEST(texts.f, "f");
}

void TestLoggerFormat::dateTime_data() {
    QTest::addColumn<QList<int>>("bytes");
    QTest::addColumn<QString>("text");
    using L = QList<int>;
    QTest::newRow("plain") << L{13, 8, 8, 14, 5, 9} << "2013/08/08 14:05:09";
    QTest::newRow("month 0 shows 01") << L{13, 0, 8, 14, 5, 9} << "2013/01/08 14:05:09";
    QTest::newRow("day 0 shows 01") << L{13, 8, 0, 14, 5, 9} << "2013/08/01 14:05:09";
    QTest::newRow("time not corrected") << L{24, 2, 30, 24, 60, 61} << "2024/02/30 24:60:61";
    QTest::newRow("damaged byte widens") << L{123, 8, 8, 14, 5, 255} << "20123/08/08 14:05:255";
}

void TestLoggerFormat::dateTime() {
    QFETCH(QList<int>, bytes);
    LoggerDateTime d;
    for (int i = 0; i < 6; ++i)
        d[size_t(i)] = quint8(bytes[i]);
    QTEST(LoggerDateTimeText(d), "text");
}

void TestLoggerFormat::manualCells_data() {
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QStringList>("cells");
    const QString date = QStringLiteral("2013/08/08 14:05:09");
    QTest::newRow("°C entry") << Entry(0x00, 0x0D, 0x04, {0, 1, 0, 3}, {0, 0, 0, 0}, kValues)
                              << QStringList{"°C",       date,      "K: 23.4",
                                             "J: - - -", "K: Over", "T: 19.0"};
    QTest::newRow("unused unit bits ignored")
        << Entry(0xEF, 0x0F, 0x00, {0, 0, 0, 0}, {0, 0, 0, 0}, kValues)
        << QStringList{"°C", date, "K: 23.4", "K: 23.4", "K: 23.4", "K: 19.0"};
    QTest::newRow("under, and over beats under")
        << Entry(0x00, 0x0F, 0x31, {0, 0, 0, 0}, {0, 0, 0, 0}, kValues)
        << QStringList{"°C", date, "K: Over", "K: Under", "K: 23.4", "K: 19.0"};
    QTest::newRow("offsets per channel")
        << Entry(0x00, 0x0F, 0x00, {0, 0, 0, 0}, {0xFB, 0, 200, 127},
                 "004904"
                 "004904"
                 "003200"
                 "003200")
        << QStringList{"°C", date, "K: 22.7", "K: 23.0", "K: 7.5", "K: 15.6"};
    QTest::newRow("types 11 and above have no letter")
        << Entry(0x00, 0x0F, 0x00, {10, 11, 15, 16 + 9}, {0, 0, 0, 0}, kValues)
        << QStringList{"°C", date, "C: 23.4", ": 23.4", ": 23.4", "B: 19.0"};
}

void TestLoggerFormat::manualCells() {
    QFETCH(QByteArray, entry);
    QFETCH(QStringList, cells);
    QCOMPARE(entry.size(), ManualRecord::Size);
    const std::array<QString, 6> got = DecodeManualEntry(entry.constData()).cells();
    QCOMPARE(QStringList(got.begin(), got.end()), cells);
}

void TestLoggerFormat::manualSplit_data() {
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

void TestLoggerFormat::manualSplit() {
    QFETCH(int, bytes);
    QFETCH(int, count);
    QByteArray data;
    for (int i = 0; data.size() < bytes; ++i) {
        QByteArray e = Entry(0, 0x0F, 0, {0, 0, 0, 0}, {0, 0, 0, 0}, kValues);
        e[13] = char(i + 1); // day = entry number, to check the order
        data += e;
    }
    data.truncate(bytes);
    const ManualSplit split = SplitManualEntries(data, count);
    QTEST(int(split.entries.size()), "entries");
    QTEST(split.cutShort, "cutShort");
    for (int i = 0; i < split.entries.size(); ++i)
        QCOMPARE(split.entries[i].dateTime.mid(8, 2).toInt(), i + 1);
}

void TestLoggerFormat::split_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("stoppedAt");
    QTest::addColumn<QList<int>>("positions");
    QTest::addColumn<QList<int>>("recordCounts");
    using L = QList<int>;
    const QByteArray first = UniformSet(5, 3); // 23 + 3 x 8 = 47 bytes
    const QByteArray second = UniformSet(15, 2);
    const int ok = int(SplitStatus::Complete);

    QTest::newRow("empty memory") << QByteArray() << ok << 0 << L{} << L{};
    QTest::newRow("one set of one record") << UniformSet(1, 1) << ok << 28 << L{0} << L{1};
    QTest::newRow("two sets back to back")
        << first + second << ok << 47 + 23 + 2 * 14 << L{0, 47} << L{3, 2};
    QTest::newRow("empty set then another")
        << UniformSet(1, 0) + first << ok << 23 + 47 << L{0, 23} << L{0, 3};
    QTest::newRow("mask 0: records of two bytes")
        << UniformSet(0, 4) + first << ok << 31 + 47 << L{0, 31} << L{4, 3};
    QTest::newRow("unit bit does not change the record size")
        << UniformSet(0x13, 2) + first << ok << 39 + 47 << L{0, 39} << L{2, 3};
    QTest::newRow("no marker at start") << QByteArray::fromHex("FF55AA00") + first
                                        << int(SplitStatus::MarkerMissing) << 0 << L{} << L{};
    QTest::newRow("garbage after first set keeps it")
        << first + QByteArray(30, '\x7F') + second << int(SplitStatus::MarkerMissing) << 47 << L{0}
        << L{3};
    QTest::newRow("marker cut off at the end")
        << first + QByteArray::fromHex("0055") << int(SplitStatus::MarkerMissing) << 47 << L{0}
        << L{3};
    QTest::newRow("header cut off")
        << first + second.left(15) << int(SplitStatus::HeaderCutShort) << 47 << L{0} << L{3};
    // The header of the second set counts 2 records of 14 bytes; a record and a half arrive.
    QTest::newRow("set cut short")
        << first + second.left(23 + 14 + 7) << int(SplitStatus::SetCutShort) << 47 + 23 + 14
        << L{0, 47} << L{3, 1};
    Header huge;
    huge.count = 0xFFFFFF;
    QTest::newRow("largest count in a short memory")
        << SetBytes(huge, Record(1, 0, {"003200"})) << int(SplitStatus::SetCutShort) << 28 << L{0}
        << L{1};
}

void TestLoggerFormat::split() {
    QFETCH(QByteArray, data);
    QFETCH(QList<int>, positions);
    QFETCH(QList<int>, recordCounts);
    const SetSplit split = SplitSets(data);
    QTEST(int(split.status), "status");
    QTEST(int(split.stoppedAt), "stoppedAt");
    QCOMPARE(split.dataSize, data.size());
    QCOMPARE(split.sets.size(), positions.size());
    for (int i = 0; i < split.sets.size(); ++i) {
        const LoggedSet& s = split.sets[i];
        QCOMPARE(s.number, i + 1);
        QCOMPARE(int(s.position), positions[i]);
        QCOMPARE(s.recordCount, recordCounts[i]);
        QCOMPARE(s.bytes.size(), 23 + s.recordCount * s.recordSize());
        QCOMPARE(s.bytes, data.mid(s.position, s.bytes.size()));
        QCOMPARE(s.cutShort, s.recordCount < s.headerRecordCount);
    }
    QCOMPARE(SplitStatusText(split).isEmpty(), split.status == SplitStatus::Complete);
}

void TestLoggerFormat::manySets() {
    QByteArray data;
    for (int i = 0; i < 300; ++i)
        data += UniformSet(1 + i % 15, i % 4);
    const SetSplit split = SplitSets(data);
    QCOMPARE(split.status, SplitStatus::Complete);
    QCOMPARE(split.sets.size(), 300);
    QCOMPARE(split.sets[299].number, 300);
    QCOMPARE(split.sets[299].channelMask, 1 + 299 % 15);
    QCOMPARE(split.sets[299].recordCount, 299 % 4);
}

void TestLoggerFormat::header() {
    Header h;
    h.maskByte = 0xF6; // unused high bits, °F, T2 and T3
    h.types = {1, 10, 11, 16 + 2};
    h.offsets = {0xFB, 200, 127, 0};
    h.start = {13, 0, 0, 7, 5, 9};
    h.interval = 255;
    h.count = 0x010203;
    const SetSplit split = SplitSets(SetBytes(h, {}));
    QCOMPARE(split.sets.size(), 1);
    const LoggedSet& s = split.sets[0];
    QCOMPARE(s.channelMask, 6);
    QVERIFY(s.fahrenheit);
    QCOMPARE(s.offsetTenths, (std::array<int, 4>{-5, -56, 127, 0}));
    QCOMPARE(s.startText, QStringLiteral("2013/01/01 07:05:09"));
    QCOMPARE(s.interval, 255);
    QCOMPARE(s.headerRecordCount, 66051);
    QCOMPARE(s.recordCount, 0);
    QVERIFY(s.cutShort);
    QCOMPARE(s.recordSize(), 8);
}

void TestLoggerFormat::rows() {
    // °C, T2 and T3: T2's offset -0.5 comes out before the conversion and back after it; T3, the
    // second value, takes its flags from bit 2 by precedence: a reading, none, over, under, both.
    Header h;
    h.maskByte = 0x06;
    h.offsets = {0, 0xFB, 0, 0};
    h.count = 5;
    QByteArray records;
    for (const int flags : {0x0600, 0x0200, 0x0604, 0x0640, 0x0644})
        records += Record(flags >> 8, flags & 0xFF, {"004904", "002000"});
    const QVector<DataListRow> rows = DecodeSetRows(SplitSets(SetBytes(h, records)).sets.value(0));
    QStringList t3;
    for (const DataListRow& row : rows)
        t3 << row.c[2] + QLatin1Char('/') + row.f[2];
    QCOMPARE(t3, (QStringList{"0.0/32.0", "- - -/- - -", "Over/Over", "Under/Under", "Over/Over"}));
    QCOMPARE(rows[1].cells(false),
             (std::array<QString, 6>{"2", "2013/08/08 14:05:19", " ", "22.7", "- - -", " "}));
    QCOMPARE(rows[0].cells(true),
             (std::array<QString, 6>{"1", "2013/08/08 14:05:09", " ", "72.8", "32.0", " "}));
}

void TestLoggerFormat::recordTimes_data() {
    QTest::addColumn<QList<int>>("start");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("text");
    using L = QList<int>;
    QTest::newRow("first record is the start")
        << L{13, 8, 8, 14, 5, 9} << 10 << 1 << "2013/08/08 14:05:09";
    QTest::newRow("across the year end")
        << L{13, 12, 31, 23, 59, 55} << 10 << 2 << "2014/01/01 00:00:05";
    QTest::newRow("into a leap day") << L{24, 2, 28, 23, 59, 59} << 1 << 2 << "2024/02/29 00:00:00";
    QTest::newRow("spring forward hour exists")
        << L{23, 3, 26, 1, 59, 50} << 10 << 2 << "2023/03/26 02:00:00";
    QTest::newRow("fall back hour counted once")
        << L{23, 10, 29, 1, 59, 0} << 60 << 62 << "2023/10/29 03:00:00";
    QTest::newRow("interval 0 keeps the start")
        << L{13, 8, 8, 14, 5, 9} << 0 << 500 << "2013/08/08 14:05:09";
    QTest::newRow("record 100000, interval 255")
        << L{13, 1, 1, 0, 0, 0} << 255 << 100000 << "2013/10/23 03:15:45";
    QTest::newRow("month and day 0 count as 1")
        << L{13, 0, 0, 23, 59, 59} << 1 << 2 << "2013/01/02 00:00:00";
    QTest::newRow("damaged date carries over")
        << L{13, 2, 30, 10, 0, 0} << 1 << 1 << "2013/03/02 10:00:00";
}

void TestLoggerFormat::recordTimes() {
    QFETCH(QList<int>, start);
    QFETCH(int, interval);
    QFETCH(int, record);
    Header h;
    h.maskByte = 0;
    h.interval = interval;
    h.count = record;
    for (int i = 0; i < 6; ++i)
        h.start[size_t(i)] = start[i];
    const LoggedSet set = SplitSets(SetBytes(h, QByteArray(2 * record, '\0'))).sets.value(0);
    const QVector<DataListRow> rows = DecodeSetRows(set, record, 1);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].record, record);
    QTEST(rows[0].dateTime, "text");
    QCOMPARE(rows[0].c, (std::array<QString, 4>{" ", " ", " ", " "}));
}

void TestLoggerFormat::rowRanges() {
    const LoggedSet set = SplitSets(UniformSet(1, 5)).sets[0];
    auto records = [&](int first, int count) {
        QList<int> n;
        for (const DataListRow& r : DecodeSetRows(set, first, count))
            n << r.record;
        return n;
    };
    QCOMPARE(records(4, 100), (QList<int>{4, 5}));
    QCOMPARE(records(0, 2), (QList<int>{1, 2}));
    QCOMPARE(records(6, 1), QList<int>{});
    QCOMPARE(records(1, std::numeric_limits<int>::max()).size(), 5);
}

void TestLoggerFormat::capacity_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("address");
    QTest::addColumn<bool>("status7");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("free");
    QTest::newRow("512 K, 4 K left") << 8 << 520184 << false << "512 K"
                                     << "4.0 K";
    QTest::newRow("512 K, full") << 8 << 520185 << false << "512 K"
                                 << "0.0 K";
    QTest::newRow("512 K, beyond full") << 8 << 600000 << false << "512 K"
                                        << "0.0 K";
    QTest::newRow("recording shows 0") << 8 << 8192 << true << "512 K"
                                       << "0.0 K";
    QTest::newRow("64 K, empty") << 1 << 8192 << false << "64 K"
                                 << "56.0 K";
    QTest::newRow("256 K rounds up") << 4 << 200000 << false << "256 K"
                                     << "60.7 K";
    QTest::newRow("half a tenth rounds up") << 8 << 519928 << false << "512 K"
                                            << "4.3 K";
}

void TestLoggerFormat::capacity() {
    QFETCH(int, code);
    QFETCH(int, address);
    QFETCH(bool, status7);
    const MemoryCapacity m = MemoryCapacityOf(code, address, status7);
    QTEST(m.sizeText, "size");
    QTEST(m.freeText, "free");
}

void TestLoggerFormat::sizeCode_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code");
    QTest::newRow("4 units") << QByteArray::fromHex("020403") << 4;
    QTest::newRow("no reply") << QByteArray() << 8;
    QTest::newRow("long") << QByteArray::fromHex("02040300") << 8;
    QTest::newRow("bad framing") << QByteArray::fromHex("030402") << 8;
    QTest::newRow("zero units") << QByteArray::fromHex("020003") << 8;
}

void TestLoggerFormat::sizeCode() {
    QFETCH(QByteArray, reply);
    QTEST(MemorySizeCodeOf(reply), "code");
}

void TestLoggerFormat::progress_data() {
    QTest::addColumn<int>("received");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("text");
    QTest::newRow("37.5") << 3 << 8 << "37.5% Completed";
    QTest::newRow("two thirds rounds") << 2 << 3 << "66.7% Completed";
    QTest::newRow("more than expected") << 40 << 33 << "100.0% Completed";
    QTest::newRow("nothing expected") << 0 << 0 << "100.0% Completed";
}

void TestLoggerFormat::progress() {
    QFETCH(int, received);
    QFETCH(int, expected);
    QTEST(TransferProgressText(received, expected), "text");
}

void TestLoggerFormat::reception_data() {
    QTest::addColumn<QList<Read>>("reads");
    QTest::addColumn<bool>("silence"); // the meter says nothing more after the reads
    QTest::addColumn<DumpReception::State>("state");
    QTest::addColumn<int>("received");
    using S = DumpReception::State;
    const QByteArray dump = DumpBytes();
    QTest::newRow("whole dump, live packets after it")
        << QList<Read>{{dump + Packets(3)}} << false << S::Complete << 60;
    QTest::newRow("pause inside the dump, at an STX")
        << QList<Read>{{dump.left(28)}, {dump.mid(28), true}} << false << S::Complete << 60;
    QTest::newRow("live packets after a pause")
        << QList<Read>{{dump.left(30)}, {Packets(3), true}} << false << S::Cut << 30;
    QTest::newRow("live packets in the same read (pause not seen)")
        << QList<Read>{{dump.left(30) + Packets(3)}} << false << S::Cut << 30;
    QTest::newRow("only live packets") << QList<Read>{{Packets(6)}} << false << S::Cut << 0;
    QTest::newRow("live packets after a pause near the end")
        << QList<Read>{{dump.left(50)}, {Packets(2), true}} << false << S::Cut << 50;
    QTest::newRow("a packet after a pause is judged when the next comes")
        << QList<Read>{{dump.left(50)}, {Packets(1), true}} << false << S::Receiving << 50;
    QTest::newRow("a packet after a pause, then silence")
        << QList<Read>{{dump.left(50)}, {Packets(1), true}} << true << S::Cut << 50;
    QTest::newRow("dump ending like a live packet, live packets after it")
        << QList<Read>{{dump.left(48) + Packets(3)}} << false << S::Complete << 60;
    QTest::newRow("silence before the end") << QList<Read>{{dump.left(30)}} << true << S::Cut << 30;
    QTest::newRow("nothing at all") << QList<Read>{} << true << S::Cut << 0;
}

void TestLoggerFormat::reception() {
    QFETCH(QList<Read>, reads);
    DumpReception reception(60);
    for (const Read& read : reads)
        reception.Append(read.bytes, read.afterPause);
    QFETCH(bool, silence);
    if (silence)
        reception.Finish();
    QTEST(reception.Status(), "state");
    QTEST(int(reception.Received()), "received");
    const QByteArray all = [&] {
        QByteArray bytes;
        for (const Read& read : reads)
            bytes += read.bytes;
        return bytes;
    }();
    QCOMPARE(reception.Dump(), all.left(reception.Received()));
}

void TestLoggerFormat::manualPrintLines_data() {
    QTest::addColumn<QList<DataFields>>("rows");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<qint64>("stoppedAt");
    // Margin 5, an empty field of 7, "    Date Time" at the right of 21, then 11 each.
    const QStringList top = QStringList(5, QString()) +
                            QStringList{QString(20, QLatin1Char(' ')) +
                                            "    Date Time         T1         T2         T3    "
                                            "     T4",
                                        QStringLiteral("     ") + QString(73, QLatin1Char('-'))};
    const DataFields entry{"°F", "2013/08/08 14:05:09", "K: 1", "K: 2", "K: -1234.5", "K: 4"};
    const QString line = "          °F  2013/08/08 14:05:09       K: 1       K: 2 K: -1234.5 "
                         "      K: 4";
    QTest::newRow("heading only") << QList<DataFields>{} << top << qint64(-1);
    DataFields wide = entry;
    wide[4] = "K: 1234567.8";
    QTest::newRow("a text wider than its field stops before its row")
        << QList<DataFields>{entry, wide} << top + QStringList{line} << qint64(2);
}

void TestLoggerFormat::manualPrintLines() {
    QFETCH(QList<DataFields>, rows);
    SixColumnModel grid;
    grid.SetHeadings(ManualListHeadings());
    grid.AppendRows(rows);
    qint64 stoppedAt = 0;
    QTEST(ManualListPrintLines(grid, &stoppedAt), "lines");
    QTEST(stoppedAt, "stoppedAt");
}

QTEST_GUILESS_MAIN(TestLoggerFormat)
#include "tst_logger_format.moc"
