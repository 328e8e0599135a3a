#include "config/alarm_log_window.h"
#include "config/alarm_setup_window.h"
#include "config/alarm_watch.h"
#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "recording/sampler.h"
#include "support/scripted_dialogs.h"
#include "ui/remembered.h"

#include "config/alarm_settings.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

class TestAlarmWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void setupRefusesWrongEntries_data();
    void setupRefusesWrongEntries();
    void setupIsRememberedAndApplied();
    void soundUntilAcknowledged();

private:
    QLineEdit* Box(QWidget& w, const char* name) { return w.findChild<QLineEdit*>(name); }

    SystemClock clock_;
    MeterTimers timers_;
    LiveState live_;
    MeterLink link_{clock_, timers_, live_};
    AlarmSettings alarms_{live_};
    Sampler sampler_{clock_, live_, alarms_};
    ScriptedDialogs dialogs_;
};

void TestAlarmWindows::init() {
    for (const char* key : {"alarms/low1", "alarms/low2", "alarms/low3", "alarms/low4",
                            "alarms/hysteresis", "alarms/linkLostSeconds", "alarms/command"})
        Remember(QString::fromLatin1(key), QVariant());
    dialogs_.messages.clear();
}

void TestAlarmWindows::setupRefusesWrongEntries_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("said");
    QTest::newRow("low limit") << "TxtLow2"
                               << "-18x"
                               << "The low limit of T3 is not a number: '-18x'";
    QTest::newRow("hysteresis") << "TxtHysteresis"
                                << "-1"
                                << "The hysteresis is degrees from 0, not '-1'";
    QTest::newRow("link seconds") << "TxtLinkLost"
                                  << "0"
                                  << "A lost link is an alarm after 1 to 86400 seconds, not '0'";
}

// A wrong entry is named and nothing changes: neither the watch nor what is remembered.
void TestAlarmWindows::setupRefusesWrongEntries() {
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, said);
    AlarmWatch watch(clock_, link_, sampler_);
    AlarmSetupWindow setup(watch, dialogs_);
    setup.findChild<QCheckBox*>("ChkLow2")->setChecked(true);
    Box(setup, "TxtLow2")->setText("-5");
    Box(setup, "TxtCommand")->setText("notify-me");
    Box(setup, qPrintable(box))->setText(text);
    setup.findChild<QPushButton*>("CmdActOK")->click();
    QCOMPARE(dialogs_.Texts(), QStringList{said});
    QCOMPARE(watch.Limits().low[2], std::nullopt);
    QCOMPARE(watch.CommandLine(), QString());
    QVERIFY(!Remembered("alarms/command").isValid());
}

void TestAlarmWindows::setupIsRememberedAndApplied() {
    {
        AlarmWatch watch(clock_, link_, sampler_);
        AlarmSetupWindow setup(watch, dialogs_);
        QCOMPARE(Box(setup, "TxtHysteresis")->text(), QString("1.0"));
        QCOMPARE(Box(setup, "TxtLinkLost")->text(), QString("30"));
        setup.findChild<QCheckBox*>("ChkLow3")->setChecked(true);
        Box(setup, "TxtLow3")->setText("-18.5");
        Box(setup, "TxtHysteresis")->setText("0.5");
        Box(setup, "TxtLinkLost")->setText("90");
        Box(setup, "TxtCommand")->setText("notify-me --loud");
        setup.findChild<QCheckBox*>("ChkSound")->setChecked(false);
        setup.findChild<QPushButton*>("CmdActOK")->click();
        QVERIFY(dialogs_.messages.isEmpty());
    }
    // The next run starts with them.
    AlarmWatch watch(clock_, link_, sampler_);
    AlarmSetupWindow setup(watch, dialogs_);
    const AlarmLimits& limits = watch.Limits();
    QCOMPARE(limits.low[3], -185);
    QCOMPARE(limits.low[0], std::nullopt);
    QCOMPARE(limits.hysteresis, 5);
    QCOMPARE(limits.linkLostSeconds, 90);
    QCOMPARE(watch.CommandLine(), QString("notify-me --loud"));
    QVERIFY(!setup.Sound());
    QVERIFY(setup.Notify());
    QCOMPARE(Box(setup, "TxtLow3")->text(), QString("-18.5"));
}

// The start of an alarm beeps until acknowledged; its end does not start the sound.
void TestAlarmWindows::soundUntilAcknowledged() {
    AlarmLogWindow log;
    const QDateTime at(QDate(2026, 12, 7), QTime(5, 21, 0));
    log.AddEvent({AlarmEventKind::HighClear, 0, "248.9", "250", "°C", at}, true);
    QVERIFY(!log.Sounding());
    log.AddEvent({AlarmEventKind::ProbeLost, 1, "- - -", "", "°C", at}, true);
    QVERIFY(log.Sounding());
    log.findChild<QPushButton*>("CmdAlmAck")->click();
    QVERIFY(!log.Sounding());
    log.AddNote(at, "the alarm command for T2 probe-lost ended with status 127");
    auto* grid = log.findChild<QTableWidget*>("GridAlarms");
    QCOMPARE(grid->rowCount(), 3);
    QCOMPARE(grid->item(1, 2)->text(), QString("probe-lost"));
    QCOMPARE(grid->item(2, 1)->text(),
             QString("the alarm command for T2 probe-lost ended with status 127"));
}

QTEST_MAIN(TestAlarmWindows)
#include "tst_alarm_windows.moc"
