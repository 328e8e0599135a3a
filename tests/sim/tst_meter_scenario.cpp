#include "sim/meter_model.h"
#include "sim/meter_scenario.h"
#include "sim/sim_control.h"
#include "support/hex.h"

#include <QtTest>

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(10, 0, 0));

} // namespace

class TestMeterScenario : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void goodScenario();
    void recordMarkers();
    void defaultScenario();
    void readingOverTime_data();
    void readingOverTime();
    void errors_data();
    void errors();
    void controlLines_data();
    void controlLines();
};

void TestMeterScenario::goodScenario() {
    const QString text = QStringLiteral(R"(# a meter for one test
unit C
clock 2013/08/08 14:05:09
interval 10
poweroff 2
memsize 4
recording on
status7 on
mode maxmin
stream every 50 jitter 30 pause off
channel 1 type J reading -53 probe on offset -5
channel 2 probe off
channel 3 type 10 over on   # code as a number
channel 4 type t under on heat 6 overevery 30

set start 2013/08/08 14:05:09 interval 5 unit F mask 0b0101 types K,J,T,K offsets 0,-5,0,3
record 734 -4
records 2 from 100 step 5
set start 2013/08/09 00:00:00 mask 0x8
manual at 2013/08/08 14:05:09 unit C types K,J,K,T offsets 0,0,-5,0 values 234 - over -53
)");
    MeterModel m;
    QCOMPARE(LoadScenario(text, m, kNow), QString());
    QCOMPARE(m.ClockReply(), Hex("02 0D 08 08 0E 05 09 03"));
    QCOMPARE((QList<int>{m.fahrenheit, m.loggerInterval, m.powerOffCode, m.memorySizeCode}),
             (QList<int>{0, 10, 2, 4}));
    QCOMPARE((QList<int>{m.pace.intervalMs, m.pace.jitterMs, m.pace.pauseForReplies}),
             (QList<int>{50, 30, 0}));
    QCOMPARE(m.Packet(0), Hex("02 C0 01 0B FF FB 83 FB 00 00 00 03"));
    QCOMPARE(m.Packet(1).at(3), char(0x03)); // mode only: no probe
    QCOMPARE(m.Packet(2).mid(2, 2), Hex("0A 2B"));
    QCOMPARE(m.Packet(3).mid(2, 5), Hex("03 4B FE B8 80")); // under: bottom of T
    QCOMPARE((QList<int>{m.Channel(3).heatPerMinute, m.Channel(3).overEvery}), (QList<int>{6, 30}));

    QCOMPARE(m.sets.size(), 2);
    QCOMPARE(EncodeSet(m.sets.at(0)),
             Hex("00 55 AA 00 15 00 01 03 00 00 FB 00 03 0D 08 08 0E 05 09 05 00 00 03"
                 "05 00 00 49 04 00 00 84"
                 "05 00 00 0A 00 00 0B 00"
                 "05 00 00 0A 05 00 0B 05"));
    // A set takes the meter's unit (bit 4 clear for C), interval and channel types unless told
    // otherwise.
    QCOMPARE(EncodeSet(m.sets.at(1)),
             Hex("00 55 AA 00 08 01 01 0A 03 00 00 00 00 0D 08 09 00 00 00 0A 00 00 00"));
    QCOMPARE(m.manual.size(), 1);
    QCOMPARE(EncodeManualEntry(m.manual.at(0)),
             Hex("00 0D 04 00 01 00 03 00 00 FB 00 0D 08 08 0E 05 09"
                 "00 17 04 00 00 00 09 C2 00 FF FB 83"));
}

void TestMeterScenario::recordMarkers() {
    MeterModel m;
    QCOMPARE(LoadScenario(QStringLiteral("set start 2026/01/01 00:00:00 mask 15 types K,J,T,K\n"
                                         "record - over under 5\n"),
                          m, kNow),
             QString());
    const SetRecord& r = m.sets.at(0).records.at(0);
    QCOMPARE(int(r.valid), 0x0E);
    QCOMPARE(int(r.range), 0x42); // T2 over, T3 under
    QCOMPARE(r.values, (std::array<int, 4>{0, 18320, -3280, 5}));
}

// The scenario the simulator starts with when given none loads, with the clock at "now".
void TestMeterScenario::defaultScenario() {
    MeterModel m;
    QCOMPARE(LoadScenario(DefaultScenarioText(), m, kNow), QString());
    QCOMPARE(m.ClockNow(), kNow);
    QVERIFY(!m.sets.isEmpty() && !m.manual.isEmpty());
}

// The lowest and highest reading of channel 1, sampled every second of a stretch of time.
void TestMeterScenario::readingOverTime_data() {
    QTest::addColumn<QString>("channel");
    QTest::addColumn<int>("fromS");
    QTest::addColumn<int>("toS");
    QTest::addColumn<QString>("range");
    const QString oven = QStringLiteral("reading 716 toward 3560 settle 900 overshoot 54");
    QTest::newRow("oven heats from 71.6 F and passes 356 F by 5.4 F")
        << oven << 0 << 900 << "716..3614";
    QTest::newRow("oven settled within 2 C of 180 C") << oven << 900 << 3600 << "3559..3591";
    QTest::newRow("room air, 0.3 F of noise") << "reading 716 noise 3" << 0 << 600 << "713..719";
}

void TestMeterScenario::readingOverTime() {
    QFETCH(QString, channel);
    QFETCH(int, fromS);
    QFETCH(int, toS);
    MeterModel m;
    QCOMPARE(LoadScenario(QStringLiteral("channel 1 ") + channel, m, kNow), QString());
    int lowest = INT_MAX, highest = INT_MIN;
    for (int s = fromS; s <= toS; ++s) {
        m.AdvanceTo(s * 1000LL);
        lowest = std::min(lowest, m.CurrentReading(0));
        highest = std::max(highest, m.CurrentReading(0));
    }
    QTEST(QStringLiteral("%1..%2").arg(lowest).arg(highest), "range");
}

// A mistake names its line and leaves the model as it was, also after lines that were good.
void TestMeterScenario::errors_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line");
    const auto row = [](const char* name, const char* text, int line) {
        QTest::newRow(name) << QString(text) << line;
    };
    row("unknown statement after a blank line", "unit F\n\nfrobnicate 3\n", 3);
    row("comment lines count", "# one\n# two\nunit K\n", 3);
    row("channel 5", "channel 5 reading 1\n", 1);
    row("type Z", "channel 1 type Z\n", 1);
    row("memsize 3", "memsize 3\n", 1);
    row("set without start", "set mask 3\n", 1);
    row("three types", "set start 2026/01/01 00:00:00 types K,J,T\n", 1);
    row("offset 128", "set start 2026/01/01 00:00:00 offsets 0,128,0,0\n", 1);
    row("on or off", "recording yes\n", 1);
    row("bad date", "clock 2026/02/30 10:00:00\n", 1);
    row("year out of the century", "clock 1999/12/31 23:59:59\n", 1);
    row("stream with no setting", "stream\n", 1);
    row("stream every -5", "unit F\nstream every -5\n", 2);
    row("stream jitter above 10 s", "stream every 50 jitter 10001\n", 1);
    row("stream pause maybe", "stream pause maybe\n", 1);
    row("noise -1", "channel 2 noise -1\n", 1);
    row("record before set", "record 1\n", 1);
    row("too few values", "interval 9\nset start 2026/01/01 00:00:00 mask 3\nrecord 1\n", 3);
    row("memory full",
        "memsize 1\nset start 2026/01/01 00:00:00 mask 15\nrecords 4000 from 0 step 1\n", 3);
    row("shrinking the memory below the data",
        "set start 2026/01/01 00:00:00 mask 15\nrecords 4000 from 0 step 1\nmemsize 1\n", 3);
}

void TestMeterScenario::errors() {
    QFETCH(QString, text);
    QFETCH(int, line);
    MeterModel m;
    m.loggerInterval = 7;
    const QString error = LoadScenario(text, m, kNow);
    QVERIFY2(error.startsWith(QStringLiteral("line %1: ").arg(line)), qPrintable(error));
    QCOMPARE(m.loggerInterval, 7);
    QVERIFY(m.sets.isEmpty());
    QCOMPARE(m.pace.intervalMs, 0);
}

// The state a control line leaves, what it asks of the program and whether it was refused.
void TestMeterScenario::controlLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("result");
    const auto row = [](const char* line, const char* result) {
        QTest::newRow(*line ? line : "empty line") << QString(line) << QString(result);
    };
    row("silent on", "silent");
    row("stream off", "nostream");
    row(" garbage   on ", "garbage");
    row("probe 2 off", "noprobe2");
    row("unit C", "C");
    row("reading 4 -53", "r4=-53");
    row("unplug", "action1");
    row("plug", "action2");
    row("quit", "action3");
    row("echo all  done", "action4");
    row("", "");
    row("probe 5 off", "refused");
    row("silent maybe", "refused");
    row("cut -1", "refused");
    row("explode", "refused");
}

void TestMeterScenario::controlLines() {
    QFETCH(QString, line);
    MeterModel m;
    MeterProtocol p(m);
    const ControlResult r = ApplyControlLine(line, p);
    QStringList state;
    const auto note = [&](bool on, const QString& what) {
        if (on)
            state << what;
    };
    note(p.Silent(), QStringLiteral("silent"));
    note(!p.Streaming(), QStringLiteral("nostream"));
    note(p.Garbage(), QStringLiteral("garbage"));
    for (int ch = 0; ch < 4; ++ch) {
        note(!m.Channel(ch).probe, QStringLiteral("noprobe%1").arg(ch + 1));
        note(m.Channel(ch).readingF != 700,
             QStringLiteral("r%1=%2").arg(ch + 1).arg(m.Channel(ch).readingF));
    }
    note(!m.fahrenheit, QStringLiteral("C"));
    note(r.action != ControlAction::None, QStringLiteral("action%1").arg(int(r.action)));
    note(!r.error.isEmpty(), QStringLiteral("refused"));
    QTEST(state.join(QLatin1Char(' ')), "result");
}

QTEST_GUILESS_MAIN(TestMeterScenario)
#include "tst_meter_scenario.moc"
