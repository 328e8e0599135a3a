#include "logger/logger_dump.h"

#include <QtTest>

class TestLoggerDump : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void capacity_data();
    void capacity();
    void sizeCode_data();
    void sizeCode();
    void progress_data();
    void progress();
    void automaticDump();
    void manualDump();
};

void TestLoggerDump::capacity_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("address");
    QTest::addColumn<bool>("status7");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("free");
    QTest::newRow("512 K, 4 K left") << 8 << 520184 << false << 520185 << "512 K"
                                     << "4.0 K";
    QTest::newRow("512 K, full") << 8 << 520185 << false << 520185 << "512 K"
                                 << "0.0 K";
    QTest::newRow("512 K, beyond full") << 8 << 600000 << false << 520185 << "512 K"
                                        << "0.0 K";
    QTest::newRow("512 K, empty") << 8 << 8192 << false << 520185 << "512 K"
                                  << "504.0 K";
    QTest::newRow("recording shows 0") << 8 << 8192 << true << 520185 << "512 K"
                                       << "0.0 K";
    QTest::newRow("64 K, empty") << 1 << 8192 << false << 61440 << "64 K"
                                 << "56.0 K";
    QTest::newRow("128 K") << 2 << 100000 << false << 126975 << "128 K"
                           << "30.3 K";
    QTest::newRow("256 K rounds up") << 4 << 200000 << false << 258045 << "256 K"
                                     << "60.7 K";
    QTest::newRow("half a tenth rounds up") << 8 << 519928 << false << 520185 << "512 K"
                                            << "4.3 K";
}

void TestLoggerDump::capacity() {
    QFETCH(int, code);
    QFETCH(int, address);
    QFETCH(bool, status7);
    const MemoryCapacity m = MemoryCapacityOf(code, address, status7);
    QTEST(int(m.capacity), "capacity");
    QTEST(m.sizeText, "size");
    QTEST(m.freeText, "free");
}

void TestLoggerDump::sizeCode_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code");
    QTest::newRow("4 units") << QByteArray::fromHex("020403") << 4;
    QTest::newRow("1 unit") << QByteArray::fromHex("020103") << 1;
    QTest::newRow("no reply") << QByteArray() << 8;
    QTest::newRow("short") << QByteArray::fromHex("0204") << 8;
    QTest::newRow("long") << QByteArray::fromHex("02040300") << 8;
    QTest::newRow("bad framing") << QByteArray::fromHex("030402") << 8;
    QTest::newRow("zero units") << QByteArray::fromHex("020003") << 8;
}

void TestLoggerDump::sizeCode() {
    QFETCH(QByteArray, reply);
    QTEST(MemorySizeCodeOf(reply), "code");
}

void TestLoggerDump::progress_data() {
    QTest::addColumn<int>("received");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("text");
    QTest::newRow("37.5") << 3 << 8 << "37.5% Completed";
    QTest::newRow("nothing yet") << 0 << 33 << "0.0% Completed";
    QTest::newRow("a third") << 1 << 3 << "33.3% Completed";
    QTest::newRow("two thirds rounds") << 2 << 3 << "66.7% Completed";
    QTest::newRow("done") << 33 << 33 << "100.0% Completed";
    QTest::newRow("more than expected") << 40 << 33 << "100.0% Completed";
    QTest::newRow("almost done rounds to 100.0") << 519999 << 520000 << "100.0% Completed";
    QTest::newRow("nothing expected") << 0 << 0 << "100.0% Completed";
}

void TestLoggerDump::progress() {
    QFETCH(int, received);
    QFETCH(int, expected);
    QTEST(TransferProgressText(received, expected), "text");
    QCOMPARE(PercentText(45, 100), QStringLiteral("45.0"));
    QCOMPARE(RecordsCompletedText(12), QStringLiteral("12 Records Completed"));
}

void TestLoggerDump::automaticDump() {
    QCOMPARE(AutomaticDumpSize(EmptyMemoryAddress + 28), 33);
    QCOMPARE(AutomaticDumpSize(EmptyMemoryAddress), 5);
    QCOMPARE(AutomaticDumpSize(100), 5); // a damaged address asks for no data
    const QByteArray data(28, 'd');
    const QByteArray dump = QByteArray("1234") + data + "E";
    QCOMPARE(AutomaticDataOfDump(dump, EmptyMemoryAddress + 28), data);
    QCOMPARE(AutomaticDataOfDump(dump + "extra", EmptyMemoryAddress + 28), data);
    QCOMPARE(AutomaticDataOfDump(dump.left(10), EmptyMemoryAddress + 28), data.left(6));
    QCOMPARE(AutomaticDataOfDump("12", EmptyMemoryAddress + 28), QByteArray());
}

void TestLoggerDump::manualDump() {
    QCOMPARE(ManualDumpSize(3), 90);
    QByteArray dump("ab");
    for (char c : {'x', 'y', 'z'})
        dump += QByteArray(29, c);
    dump += "E";
    const QByteArray entries = ManualEntriesOfDump(dump, 3);
    QCOMPARE(entries.size(), 87);
    QCOMPARE(dump.indexOf('z'), 60); // the third entry starts at byte 60 of the dump
    QCOMPARE(entries.mid(58, 29), QByteArray(29, 'z'));
    QCOMPARE(ManualEntriesOfDump(dump, 5).size(), 88); // short dump: what arrived
    QCOMPARE(ManualEntriesOfDump("a", 3), QByteArray());
}

QTEST_GUILESS_MAIN(TestLoggerDump)
#include "tst_logger_dump.moc"
