#include "logger/manual_entry.h"

#include <QtTest>

namespace {

// A manual entry: unit byte, valid, range, 4 type codes, 4 offsets, 6 date-time bytes and
// the four values as hex.
QByteArray Entry(int unit, int valid, int range, std::array<int, 4> types,
                 std::array<int, 4> offsets, const char* valuesHex) {
    QByteArray e;
    e.append(char(unit));
    e.append(char(valid));
    e.append(char(range));
    for (int t : types)
        e.append(char(t));
    for (int o : offsets)
        e.append(char(o));
    for (int d : {13, 8, 8, 14, 5, 9})
        e.append(char(d));
    e.append(QByteArray::fromHex(valuesHex));
    return e;
}

// T1 74.2 °F (23.4 °C), T2 and T3 anything, T4 66.2 °F (19.0 °C).
const char* const kValues = "004A02"
                            "004A02"
                            "004A02"
                            "004202";

} // namespace

class TestManualEntry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cells_data();
    void cells();
    void split_data();
    void split();
};

void TestManualEntry::cells_data() {
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

void TestManualEntry::cells() {
    QFETCH(QByteArray, entry);
    QFETCH(QStringList, cells);
    QCOMPARE(entry.size(), ManualRecord::Size);
    const std::array<QString, 6> got = DecodeManualEntry(entry.constData()).cells();
    QCOMPARE(QStringList(got.begin(), got.end()), cells);
}

void TestManualEntry::split_data() {
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

void TestManualEntry::split() {
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

QTEST_GUILESS_MAIN(TestManualEntry)
#include "tst_manual_entry.moc"
