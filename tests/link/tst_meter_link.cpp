#include "link/clock.h"
#include "link/delay.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "link/serial_port.h"
#include "support/fake_clock.h"
#include "support/scripted_device.h"

#include <QtTest>

class TestMeterLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void delayMidnightRule_data();
    void delayMidnightRule();
    void statusReply_data();
    void statusReply();
    void statusRunsResyncWhenSilent();
    void guardRestoresTimers();
    void resyncInsideCommandLeavesTimersToCommand();
    void clockReplyLocatedInRead();
    void clockReplyAmongStream_data();
    void clockReplyAmongStream();
    void resyncLeavesValidClock();
    void commandDuringPollIsNotALostLink();
    void clockWriteBytes();
    void portNumbers_data();
    void portNumbers();
};

void TestMeterLink::delayMidnightRule_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QList<double>>("readings");
    QTest::addColumn<int>("reads");
    // Readings are the clock's answers in turn; `reads` counts them up to the one that ends it.
    QTest::newRow("2 s from 100.5 ends at the first reading >= 102.5")
        << 2.0 << QList<double>{100.5, 101.0, 102.0, 102.49, 102.5, 200.0} << 5;
    QTest::newRow("0.02 s just before midnight ends at once")
        << 0.02 << QList<double>{86399.99, 86399.995} << 2;
    QTest::newRow("zero wait reads the clock once more") << 0.0 << QList<double>{50.0, 50.0} << 2;
    QTest::newRow("negative wait") << -1.0 << QList<double>{50.0, 50.0} << 2;
}

void TestMeterLink::delayMidnightRule() {
    QFETCH(double, seconds);
    QFETCH(QList<double>, readings);
    FakeClock clock;
    clock.readings = readings;
    Delay(seconds, clock);
    QTEST(clock.readCount, "reads");
}

void TestMeterLink::statusReply_data() {
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("manual");
    QTest::addColumn<int>("queries");
    QTest::newRow("10-byte read, reply at the end")
        << QList<QByteArray>{QByteArray::fromHex("55AA0102002000 03FF03")} << 8192 << 3 << 1;
    QTest::newRow("marker FE rejected, then valid")
        << QList<QByteArray>{QByteArray::fromHex("02002000 03FE03"),
                             QByteArray::fromHex("02012345 07FF03")}
        << 0x012345 << 7 << 2;
    QTest::newRow("stream packet is not a status reply")
        << QList<QByteArray>{QByteArray::fromHex("0201000800490400000000 03"),
                             QByteArray::fromHex("02000000 00FF03")}
        << 0 << 0 << 2;
    QTest::newRow("short reads are not accumulated")
        << QList<QByteArray>{QByteArray::fromHex("020020"), QByteArray::fromHex("0003FF03"),
                             QByteArray::fromHex("02002100 01FF03")}
        << 8448 << 1 << 3;
}

void TestMeterLink::statusReply() {
    QFETCH(QList<QByteArray>, replies);
    FakeClock clock;
    clock.step = 0.05;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    ScriptedDevice device;
    int asked = 0;
    device.answer = [&](const QByteArray& command) {
        return command == "A" ? replies.value(asked++, replies.last()) : QByteArray();
    };
    link.SetDevice(&device, QStringLiteral("COM3"));
    QVERIFY(link.QueryStatus());
    QTEST(int(link.MemoryAddress), "address");
    QTEST(link.ManualCount, "manual");
    QTEST(asked, "queries");
}

void TestMeterLink::statusRunsResyncWhenSilent() {
    // A meter that never answers: the status query gives up after its attempts and the
    // recovery shows "No COM" and keeps trying until it is cancelled.
    FakeClock clock;
    clock.step = 0.05;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    MeterLink::Limits limits;
    limits.statusAttempts = 5;
    link.SetLimits(limits);
    ScriptedDevice device;
    int asked = 0;
    device.answer = [&](const QByteArray&) {
        if (++asked == 40)
            link.Cancel();
        return QByteArray();
    };
    link.SetDevice(&device, QStringLiteral("COM3"));
    link.LinkLost = false;
    QStringList captions;
    connect(&link, &MeterLink::LinkCaptionChanged, this, [&](const QString& c) { captions << c; });
    timers.StartBoth();
    QVERIFY(!link.QueryStatus());
    QVERIFY(link.LinkLost);
    QVERIFY(captions.contains(QStringLiteral("No COM")));
    QVERIFY(!captions.contains(QStringLiteral("COM3")));
    QCOMPARE(asked, 40);
}

void TestMeterLink::guardRestoresTimers() {
    MeterTimers timers;
    timers.Timer1.start();
    {
        ExchangeGuard outer(timers, ExchangeGuard::Pause::Polling);
        QVERIFY(!timers.Timer1.isActive());
        QVERIFY(!timers.Timer2.isActive());
        {
            ExchangeGuard inner(timers, ExchangeGuard::Pause::PollingAndSampling);
            QVERIFY(timers.ExchangeInProgress());
        }
        QVERIFY(!timers.Timer1.isActive());
    }
    QVERIFY(timers.Timer1.isActive());
    QVERIFY(!timers.Timer2.isActive());
    QVERIFY(!timers.ExchangeInProgress());
}

void TestMeterLink::resyncInsideCommandLeavesTimersToCommand() {
    FakeClock clock;
    clock.step = 0.05;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    ScriptedDevice device;
    device.quietMs = 300;
    device.StartStream(QByteArray::fromHex("020000080049040000000003"));
    device.answer = [&](const QByteArray& command) -> QByteArray {
        if (command == "A")
            return QByteArray::fromHex("02002000 00FF03");
        if (command == "X")
            return QByteArray::fromHex("021A0C060A0000 03");
        return {};
    };
    link.SetDevice(&device, QStringLiteral("COM3"));
    timers.StartBoth();
    {
        ExchangeGuard command(timers, ExchangeGuard::Pause::Polling);
        QVERIFY(link.Resync());
        QVERIFY(!link.LinkLost);
        QVERIFY(!timers.Timer1.isActive()); // the command still owns the line
    }
    QVERIFY(timers.Timer1.isActive());
    QVERIFY(timers.Timer2.isActive());
}

void TestMeterLink::clockReplyLocatedInRead() {
    FakeClock clock;
    clock.step = 0.5;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    ScriptedDevice device;
    device.answer = [&](const QByteArray& command) -> QByteArray {
        if (command == "A")
            return QByteArray::fromHex("02002000 00FF03");
        if (command == "X") // stale stream bytes before the reply
            return QByteArray::fromHex("0800490400000000 03 02 1A0C060A0B0C 03");
        return {};
    };
    link.SetDevice(&device, QStringLiteral("COM3"));
    const auto reply = link.QueryMeterClock(0.5);
    QVERIFY(reply);
    QCOMPARE(reply->toHex(), QByteArray("021a0c060a0b0c03"));
}

void TestMeterLink::clockReplyAmongStream_data() {
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QByteArray>("reply");
    const QByteArray clock = QByteArray::fromHex("020D08080E0509 03");
    // 600.4 F: its integer high byte is STX, so its last eight bytes look framed.
    const QByteArray hot = QByteArray::fromHex("020003080258040000000003");
    // Offset 0.3 on T1 puts ETX where a clock reply ends, with every field in range.
    const QByteArray offset = QByteArray::fromHex("020003080020040300000003");
    QTest::newRow("packet after") << clock + hot << clock;
    QTest::newRow("packets around") << offset + clock + hot + hot << clock;
    QTest::newRow("tail of a packet before") << hot.mid(5) + clock + hot << clock;
    QTest::newRow("no date") << hot.mid(9) + QByteArray::fromHex("0200000000000003") + hot
                             << QByteArray::fromHex("0200000000000003");
    QTest::newRow("only packets") << offset + hot << QByteArray();
}

void TestMeterLink::clockReplyAmongStream() {
    QFETCH(QByteArray, read);
    FakeClock clock;
    clock.step = 0.05;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    ScriptedDevice device;
    device.answer = [&](const QByteArray& command) -> QByteArray {
        if (command == "A")
            return QByteArray::fromHex("02002000 00FF03");
        return command == "X" ? read : QByteArray();
    };
    link.SetDevice(&device, QStringLiteral("COM3"));
    QTEST(link.QueryMeterClock(2.0).value_or(QByteArray()), "reply");
}

void TestMeterLink::resyncLeavesValidClock() {
    FakeClock clock;
    clock.step = 0.05;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    ScriptedDevice device;
    const QByteArray hot = QByteArray::fromHex("020003080258040000000003");
    device.quietMs = 0;
    device.StartStream(hot);
    device.answer = [&](const QByteArray& command) -> QByteArray {
        if (command == "A")
            return QByteArray::fromHex("02002000 00FF03");
        return command == "X" ? hot + QByteArray::fromHex("020D08080E050903") + hot : QByteArray();
    };
    link.SetDevice(&device, QStringLiteral("COM3"));
    QVERIFY(link.Resync());
    QVERIFY(!device.written.contains('S'));
    QVERIFY(!device.written.contains('T'));
}

void TestMeterLink::clockWriteBytes() {
    FakeClock clock;
    clock.step = 0.05;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    ScriptedDevice device;
    device.answer = [&](const QByteArray& command) -> QByteArray {
        return command == "A" ? QByteArray::fromHex("02002000 00FF03") : QByteArray();
    };
    link.SetDevice(&device, QStringLiteral("COM3"));
    QVERIFY(link.WriteMeterClock(QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9))));
    QCOMPARE(device.written.toHex(' '), QByteArray("41 53 0d 08 08 41 54 0e 05 09"));
}

void TestMeterLink::portNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::newRow("COM1") << "COM1" << 1;
    QTest::newRow("COM16") << "COM16" << 16;
    QTest::newRow("lower case") << "com3" << 0;
    QTest::newRow("above 16") << "COM17" << 0;
    QTest::newRow("trailing blank") << "COM3 " << 0;
    QTest::newRow("device path") << "/dev/ttyUSB0" << 0;
}

void TestMeterLink::portNumbers() {
    QFETCH(QString, text);
    QTEST(PortNumberOf(text), "number");
}

void TestMeterLink::commandDuringPollIsNotALostLink() {
    // A command clicked while a poll waits for a packet holds the line longer than the poll's
    // give-up time; the poll must not take that for a silent meter.
    SystemClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    MeterLink::Limits limits;
    limits.streamGiveUpMs = 300;
    link.SetLimits(limits);
    ScriptedDevice device;
    link.SetDevice(&device, QStringLiteral("COM3"));
    link.LinkLost = false;
    QTimer::singleShot(50, this, [&] {
        ExchangeGuard command(timers);
        QEventLoop wait;
        QTimer::singleShot(600, &wait, &QEventLoop::quit);
        wait.exec();
        device.StartStream(QByteArray::fromHex("020000080049040000000003"));
    });
    QVERIFY(link.PollTick() != MeterLink::PollResult::Lost);
    QVERIFY(!link.LinkLost);
    QCOMPARE(live.Channels[0].ReadingFText, QStringLiteral("73.4"));
}

QTEST_GUILESS_MAIN(TestMeterLink)
#include "tst_meter_link.moc"
