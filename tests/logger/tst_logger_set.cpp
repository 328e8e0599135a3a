#include "logger/logger_set.h"

#include <QtTest>

namespace {

// A record as the meter stores it: valid byte, range byte and 3 bytes per recorded channel.
QByteArray Record(int valid, int range, std::initializer_list<const char*> valuesHex) {
    QByteArray r;
    r.append(char(valid));
    r.append(char(range));
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
    QByteArray s = QByteArray::fromHex("0055AA00");
    s.append(char(h.maskByte));
    for (int t : h.types)
        s.append(char(t));
    for (int o : h.offsets)
        s.append(char(o));
    for (int d : h.start)
        s.append(char(d));
    s.append(char(h.interval));
    s.append(char(h.count >> 16));
    s.append(char(h.count >> 8));
    s.append(char(h.count));
    return s + records;
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

} // namespace

class TestLoggerSet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void split_data();
    void split();
    void manySets();
    void header();
    void rows();
    void recordTimes_data();
    void recordTimes();
    void rowRanges();
};

void TestLoggerSet::split_data() {
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

void TestLoggerSet::split() {
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

void TestLoggerSet::manySets() {
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

void TestLoggerSet::header() {
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

void TestLoggerSet::rows() {
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

void TestLoggerSet::recordTimes_data() {
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

void TestLoggerSet::recordTimes() {
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

void TestLoggerSet::rowRanges() {
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

QTEST_GUILESS_MAIN(TestLoggerSet)
#include "tst_logger_set.moc"
