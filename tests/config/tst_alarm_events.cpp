#include "config/alarm_actions.h"
#include "config/alarm_events.h"
#include "config/alarm_log.h"
#include "recording/sampler.h"
#include "support/test_files.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

Q_DECLARE_METATYPE(AlarmEvent)

namespace {

const QDateTime kStart(QDate(2026, 12, 7), QTime(5, 21, 0));

// T1's reading as a sample shows it in °C; the other channels have no probe.
SampleRecord SampleOfT1(const QString& text) {
    SampleRecord record;
    record.TextC.fill(QStringLiteral("- - -"));
    record.TextC[0] = text;
    if (text == QLatin1String("Over"))
        record.ChartedC[0] = 13700;
    else if (text == QLatin1String("Under"))
        record.ChartedC[0] = -2000;
    else if (text != QLatin1String("- - -"))
        record.ChartedC[0] = qRound(text.toDouble() * 10);
    return record;
}

} // namespace

class TestAlarmEvents : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void events_data();
    void events();
    void commandEnvironment_data();
    void commandEnvironment();
    void commandFailures_data();
    void commandFailures();
    void commandEndsWithTheProgram();
    void log();
};

// Each step is "<second> <T1's reading>", "<second> lost" or "<second> linked"; each expected
// event is "<second> <event> <value> <limit>". T1 alarms at or above 250.0 and, where asked, at
// or below -18.0 °C, with a hysteresis of 1.0; a link lost for 30 s is an event.
void TestAlarmEvents::events_data() {
    QTest::addColumn<bool>("low");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");
    const auto row = [](const char* name, bool low, const char* steps, const char* expected) {
        const auto split = [](const char* text) {
            return QString::fromUtf8(text).split(QStringLiteral(", "), Qt::SkipEmptyParts);
        };
        QTest::newRow(name) << low << split(steps) << split(expected);
    };
    row("crossing fires once", false, "0 24.0, 1 250.0, 2 260.1, 3 255.0", "1 high 250.0 250");
    row("already high at the start", false, "0 300.0", "0 high 300.0 250");
    row("hovering within the hysteresis", false, "0 250.0, 1 249.1, 2 249.0, 3 250.3",
        "0 high 250.0 250");
    row("clearing and crossing again", false, "0 250.0, 1 248.9, 2 249.9, 3 250.0",
        "0 high 250.0 250, 1 high-clear 248.9 250, 3 high 250.0 250");
    row("low is off unless set", false, "0 -10.0, 1 -30.0", "");
    row("low alarm and its clearing", true, "0 -10.0, 1 -18.0, 2 -17.0, 3 -16.9, 4 -18.5",
        "1 low -18.0 -18, 3 low-clear -16.9 -18, 4 low -18.5 -18");
    row("probe lost and back", false, "0 24.0, 1 - - -, 2 - - -, 3 24.1",
        "1 probe-lost - - - , 3 probe-back 24.1 ");
    row("a channel never fitted is silent", false, "0 - - -, 1 - - -", "");
    row("over and back", false, "0 24.0, 1 Over, 2 Over, 3 24.0",
        "1 over Over , 3 over-clear 24.0 ");
    row("under straight to over", false, "0 Under, 1 Over",
        "0 under Under , 1 over Over , 1 under-clear Over ");
    row("high stays through over", false, "0 251.0, 1 Over, 2 252.0",
        "0 high 251.0 250, 1 over Over , 2 over-clear 252.0 ");
    row("link lost past 30 s and back", false,
        "0 24.0, 1 lost, 20 lost, 31 lost, 40 lost, 45 linked",
        "31 link-lost  30, 45 link-back  30");
    row("link lost briefly is silent", false, "0 lost, 29 lost, 29 linked", "");
    row("readings gone with the link are no probe lost", false,
        "0 24.0, 1 lost, 2 - - -, 35 lost, 36 - - -, 40 linked, 41 24.0",
        "35 link-lost  30, 40 link-back  30");
}

void TestAlarmEvents::events() {
    QFETCH(bool, low);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    AlarmDetector detector;
    AlarmLimits limits;
    limits.high[0] = 2500;
    if (low)
        limits.low[0] = -180;
    detector.SetLimits(limits);
    QStringList fired;
    for (const QString& step : steps) {
        const int space = step.indexOf(QLatin1Char(' '));
        const QDateTime now = kStart.addSecs(step.left(space).toInt());
        const QString what = step.mid(space + 1);
        std::vector<AlarmEvent> events;
        if (what == QLatin1String("lost") || what == QLatin1String("linked"))
            events = detector.Link(what == QLatin1String("lost"), now);
        else
            events = detector.Sample(SampleOfT1(what), false, now);
        for (const AlarmEvent& e : events) {
            QCOMPARE(e.channel == 0, e.unit == QStringLiteral("°C"));
            fired << QStringLiteral("%1 %2 %3 %4")
                         .arg(kStart.secsTo(e.time))
                         .arg(AlarmEventName(e.kind), e.value, e.limit);
        }
    }
    QCOMPARE(fired, expected);
}

void TestAlarmEvents::commandEnvironment_data() {
    QTest::addColumn<AlarmEvent>("event");
    QTest::addColumn<QString>("environment");
    QTest::newRow("high on T1")
        << AlarmEvent{AlarmEventKind::High, 0, "250.3", "250", "°C", kStart}
        << "CORVILAB_CHANNEL=T1\nCORVILAB_EVENT=high\nCORVILAB_LIMIT=250\n"
           "CORVILAB_TIME=2026-12-07T05:21:00\nCORVILAB_UNIT=°C\nCORVILAB_VALUE=250.3\n";
    QTest::newRow("link lost")
        << AlarmEvent{AlarmEventKind::LinkLost, -1, "", "30", "s", kStart.addSecs(61)}
        << "CORVILAB_CHANNEL=\nCORVILAB_EVENT=link-lost\nCORVILAB_LIMIT=30\n"
           "CORVILAB_TIME=2026-12-07T05:22:01\nCORVILAB_UNIT=s\nCORVILAB_VALUE=\n";
}

// The command sees the event in its environment, exactly.
void TestAlarmEvents::commandEnvironment() {
    QFETCH(AlarmEvent, event);
    QFETCH(QString, environment);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("env.txt"));
    AlarmCommand command;
    command.SetCommandLine(
        QStringLiteral("env | grep -E '^CORVILAB_(EVENT|CHANNEL|VALUE|UNIT|LIMIT|TIME)=' | "
                       "LC_ALL=C sort > '%1'")
            .arg(out));
    QSignalSpy failed(&command, &AlarmCommand::Failed);
    command.Run(event);
    command.WaitForRunning();
    QCOMPARE(QString::fromUtf8(FileBytes(out)), environment);
    QCOMPARE(failed.count(), 0);
}

void TestAlarmEvents::commandFailures_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");
    QTest::newRow("failing") << "exit 3"
                             << "the alarm command for T2 over ended with status 3";
    QTest::newRow("missing") << "/nonexistent/notify-me"
                             << "the alarm command for T2 over ended with status 127";
    QTest::newRow("hanging") << "sleep 30"
                             << "the alarm command for T2 over was ended after 0.3 s";
}

// A command that fails or hangs is reported and ended; the program goes on.
void TestAlarmEvents::commandFailures() {
    QFETCH(QString, command);
    QFETCH(QString, message);
    AlarmCommand alarm;
    alarm.SetCommandLine(command);
    alarm.SetTimeLimit(300);
    QSignalSpy failed(&alarm, &AlarmCommand::Failed);
    alarm.Run({AlarmEventKind::Over, 1, "Over", "", "°F", kStart});
    QVERIFY(failed.wait(20000));
    QCOMPARE(failed.at(0).at(0).toString(), message);
    alarm.WaitForRunning();
}

// A command still running when the program ends goes with it, all it started included, and
// is not reported.
void TestAlarmEvents::commandEndsWithTheProgram() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pid"));
    auto alarm = std::make_unique<AlarmCommand>();
    alarm->SetCommandLine(QStringLiteral("echo $$ > '%1'; sleep 60; sleep 60").arg(path));
    QSignalSpy failed(alarm.get(), &AlarmCommand::Failed);
    alarm->Run({AlarmEventKind::Over, 1, "Over", "", "°F", kStart});
    QTRY_VERIFY(FileBytes(path).endsWith('\n'));
    alarm.reset();
    QVERIFY(failed.isEmpty());
    QTRY_VERIFY(::kill(-pid_t(FileBytes(path).trimmed().toInt()), 0) != 0);
}

void TestAlarmEvents::log() {
    QTemporaryDir dir;
    AlarmLog log(dir.filePath(QStringLiteral("alarms.csv")));
    QVERIFY(log.Append({AlarmEventKind::Low, 2, "-18.5", "-18", "°C", kStart}));
    QVERIFY(log.Append({AlarmEventKind::LinkLost, -1, "", "30", "s", kStart.addSecs(40)}));
    QCOMPARE(FileBytes(log.Path()), QByteArray("time,channel,event,value,limit\n"
                                               "2026-12-07T05:21:00,T3,low,-18.5,-18\n"
                                               "2026-12-07T05:21:40,,link-lost,,30\n"));

    // A device, which cannot seek, is written without a warning from Qt; a log that cannot be
    // written is reported.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    QVERIFY(AlarmLog(QStringLiteral("/dev/null")).Begin());
    for (const QString& path :
         {dir.filePath(QStringLiteral("missing/alarms.csv")), QStringLiteral("/dev/full")}) {
        AlarmLog nowhere(path);
        QVERIFY(!nowhere.Begin() &&
                !nowhere.Append({AlarmEventKind::Over, 0, "Over", "", "°C", kStart}));
        QVERIFY2(!nowhere.Error().isEmpty(), qPrintable(path));
    }
}

QTEST_GUILESS_MAIN(TestAlarmEvents)
#include "tst_alarm_events.moc"
