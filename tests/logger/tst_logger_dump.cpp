#include "logger/dump_reception.h"
#include "logger/logger_dump.h"

#include <QtTest>

namespace {

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

class TestLoggerDump : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void capacity_data();
    void capacity();
    void sizeCode_data();
    void sizeCode();
    void progress_data();
    void progress();
    void reception_data();
    void reception();
};

void TestLoggerDump::capacity_data() {
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

void TestLoggerDump::capacity() {
    QFETCH(int, code);
    QFETCH(int, address);
    QFETCH(bool, status7);
    const MemoryCapacity m = MemoryCapacityOf(code, address, status7);
    QTEST(m.sizeText, "size");
    QTEST(m.freeText, "free");
}

void TestLoggerDump::sizeCode_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code");
    QTest::newRow("4 units") << QByteArray::fromHex("020403") << 4;
    QTest::newRow("no reply") << QByteArray() << 8;
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
    QTest::newRow("two thirds rounds") << 2 << 3 << "66.7% Completed";
    QTest::newRow("more than expected") << 40 << 33 << "100.0% Completed";
    QTest::newRow("nothing expected") << 0 << 0 << "100.0% Completed";
}

void TestLoggerDump::progress() {
    QFETCH(int, received);
    QFETCH(int, expected);
    QTEST(TransferProgressText(received, expected), "text");
}

void TestLoggerDump::reception_data() {
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

void TestLoggerDump::reception() {
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

QTEST_GUILESS_MAIN(TestLoggerDump)
#include "tst_logger_dump.moc"
