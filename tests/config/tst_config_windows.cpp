#include "config/buttons_window.h"
#include "config/config_commands.h"
#include "config/power_off.h"
#include "config/sampling_choice_window.h"
#include "config/setup_window.h"
#include "config_rig.h"
#include "support/live_packet.h"
#include "support/scripted_dialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

template <typename T> T* Child(QObject& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
}

struct SetupRig : ConfigRig {
    ScriptedDialogs dialogs;
    SetupWindow setup{link, dialogs, clock};
    QLabel* meterTime = Child<QLabel>(setup, "LblMeterTime");
};

} // namespace

class TestConfigWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void setupShowsClocks_data();
    void setupShowsClocks();
    void setupClockQueryIsBounded_data();
    void setupClockQueryIsBounded();
    void setupClosesWhenMeterRecords();
    void rtcCommand_data();
    void rtcCommand();
    void samplingChoice();
    void keypadSendsKeys_data();
    void keypadSendsKeys();
    void keypadWaitsForOtherExchange();
    void powerOffList_data();
    void powerOffList();
    void commandsKeepOneKeypad();
};

void TestConfigWindows::setupShowsClocks_data() {
    QTest::addColumn<bool>("meterClockSet");
    QTest::addColumn<QString>("meterText"); // a pattern; the meter's clock runs while we look
    QTest::newRow("meter clock set") << true << QStringLiteral("^2013/08/08 14:05:(09|1\\d)$");
    QTest::newRow("month and day 0 show as 00") << false << QStringLiteral("^2000/00/00 00:00:00$");
}

void TestConfigWindows::setupShowsClocks() {
    QFETCH(bool, meterClockSet);
    QFETCH(QString, meterText);
    SetupRig r;
    r.clock.now = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    if (meterClockSet)
        r.meter.Model().SetClock(QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9)));
    else
        r.meter.Model().ClearClock();
    auto* pcTime = Child<QLabel>(r.setup, "LblPCTime");
    const auto clickBoth = [&] {
        QTest::mouseClick(pcTime, Qt::LeftButton);
        QTest::mouseClick(r.meterTime, Qt::LeftButton);
        r.setup.Tick();
    };
    r.setup.Tick();
    QVERIFY(r.Sent().isEmpty()); // both displays start off
    clickBoth();
    QCOMPARE(pcTime->text(), QString("2026/01/02 03:04:05"));
    QVERIFY2(QRegularExpression(meterText).match(r.meterTime->text()).hasMatch(),
             qPrintable(r.meterTime->text()));
    // The meter's clock set to the PC's; the window's ticks go on afterwards.
    QTest::mouseClick(Child<QPushButton>(r.setup, "CmdSetTime"), Qt::LeftButton);
    QCOMPARE(r.Sent(), WithStatus({"58", "531a0102", "54030405"}));
    QVERIFY(r.PausedAtEveryWrite(false));
    r.setup.Tick();
    QVERIFY2(r.meterTime->text().startsWith(QLatin1String("2026/01/02 03:04:")),
             qPrintable(r.meterTime->text()));
    clickBoth(); // the second click switches each display off again
    QCOMPARE((QStringList{r.meterTime->text(), pcTime->text()}),
             (QStringList{"Meter Time", "PC System Time"}));
    QCOMPARE(r.Sent().size(), 8);
    QVERIFY(r.dialogs.messages.isEmpty());
}

void TestConfigWindows::setupClockQueryIsBounded_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("silent") << QByteArray();
    QTest::newRow("7 bytes") << QByteArray::fromHex("020d0808 0e0503");
    QTest::newRow("8 bytes without ETX") << QByteArray::fromHex("020d0808 0e050902");
}

void TestConfigWindows::setupClockQueryIsBounded() {
    QFETCH(QByteArray, reply);
    SetupRig r;
    r.meter.Protocol().SetStreaming(false);
    r.meter.replies['X'] = reply;
    QTest::mouseClick(r.meterTime, Qt::LeftButton);
    r.setup.Tick();

    QCOMPARE(r.dialogs.Texts(), QStringList{"The meter did not answer."});
    QCOMPARE(r.dialogs.messages[0].icon, QMessageBox::Critical);
    QVERIFY(!r.setup.ShowMeterTime()); // the next tick does not start over
    QCOMPARE(r.meterTime->text(), QString("Meter Time"));
    r.CheckAskedAgain(QStringLiteral("58"));
}

void TestConfigWindows::setupClosesWhenMeterRecords() {
    SetupRig r;
    r.setup.show();
    FeedLivePacket(r.live, 0, 0, 734, QStringLiteral("pr"));
    r.setup.Tick();
    QVERIFY(!r.setup.isVisible() && r.setup.result() == QDialog::Rejected);
    QVERIFY(!Child<QTimer>(r.setup, "Timer1")->isActive());
    QVERIFY(r.Sent().isEmpty());
}

void TestConfigWindows::rtcCommand_data() {
    QTest::addColumn<bool>("recording");
    QTest::newRow("opens with polling going on") << false;
    QTest::newRow("refused while the meter records") << true;
}

void TestConfigWindows::rtcCommand() {
    QFETCH(bool, recording);
    ConfigRig rig;
    FeedLivePacket(rig.live, 0, 0, 734, recording ? QStringLiteral("pr") : QStringLiteral("p"));
    ScriptedDialogs dialogs;
    QStringList shown; // the window, with polling and sampling as it found them
    dialogs.onExec = [&](QDialog& dialog) {
        shown << dialog.objectName() << QString::number(rig.timers.PollingTimer().isActive())
              << QString::number(rig.timers.SamplingTimer().isActive());
        return int(QDialog::Accepted);
    };
    RunRtcCommand(nullptr, rig.link, dialogs, rig.clock);

    QCOMPARE(shown, (recording ? QStringList() : QStringList{"Setup", "1", "1"}));
    QCOMPARE(dialogs.Texts(), recording
                                  ? QStringList{"Recording mode, stop record then try again !"}
                                  : QStringList());
    QVERIFY(rig.Restored());
    QVERIFY(rig.Sent().isEmpty());
}

// Picking the PC in the sampling window leads to the PC's interval box, not the meter's.
void TestConfigWindows::samplingChoice() {
    ConfigRig rig;
    ScriptedDialogs dialogs;
    dialogs.onExec = [&](QDialog& dialog) {
        QTest::mouseClick(Child<QRadioButton>(dialog, "OptPC"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(dialog, "CmdOK"), Qt::LeftButton);
        return dialog.result();
    };
    RunSamplingCommand(nullptr, dialogs, rig.command);
    QVERIFY(rig.command.SamplingPC());
    QCOMPARE(dialogs.prompts.size(), 1);
    QVERIFY(dialogs.prompts[0].contains(QLatin1String("86400")));
    QVERIFY(rig.Sent().isEmpty());
    QVERIFY(rig.Restored());
}

void TestConfigWindows::keypadSendsKeys_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("pressedAt");
    QTest::addColumn<double>("releasedAt");
    QTest::addColumn<QString>("sent");
    const auto key = [](const char* name, const char* hex, double heldFor = 0.1) {
        QTest::newRow(name) << QString(name) << 1000.0 << 1000.0 + heldFor << QString(hex);
    };
    const char* keys[][2] = {
        {"CmdRead", "57010000"},  {"CmdAlarm", "57020000"}, {"CmdCF", "57040000"},
        {"CmdSet", "57080000"},   {"CmdTime", "57100000"},  {"CmdType", "57800000"},
        {"CmdHold", "57000100"},  {"CmdUp", "57000200"},    {"CmdLeft", "57000400"},
        {"CmdEnter", "57000800"}, {"CmdRight", "57001000"}, {"CmdDown", "57002000"}};
    for (const auto& k : keys)
        key(k[0], k[1]);
    key("CmdMaxMin", "57200000", 2.0); // long is more than 2 s
    key("CmdMaxMin long", "57000004", 2.25);
    key("CmdMem", "57400000", 2.0);
    key("CmdMem long", "57008000", 5.0);
    QTest::newRow("CmdMem held 3 s across midnight") << "CmdMem" << 86399.0 << 2.0 << "57008000";
}

void TestConfigWindows::keypadSendsKeys() {
    QFETCH(QString, name);
    QFETCH(double, pressedAt);
    QFETCH(double, releasedAt);
    QFETCH(QString, sent);
    ConfigRig rig;
    rig.pressClock.readings = {pressedAt, releasedAt};
    ButtonsWindow buttons(rig.settings, nullptr);
    QWidget* key = buttons.findChild<QWidget*>(name.section(QLatin1Char(' '), 0, 0));
    QVERIFY(key);
    QTest::mousePress(key, Qt::LeftButton);
    QTest::mouseRelease(key, Qt::LeftButton);

    QCOMPARE(rig.Sent(), WithStatus({sent}));
    // MEM pauses sampling as well as polling; the other keys leave sampling running.
    const bool mem = name.startsWith(QLatin1String("CmdMem"));
    for (const ConfigRig::TimersAtWrite& w : rig.writes)
        QVERIFY(!w.polling && w.sampling != mem);
    QVERIFY(rig.FakeSecondsSpent() >= 0.2); // the key waits before polling resumes
    QVERIFY(rig.Restored());
    QVERIFY(key->isEnabled());
}

void TestConfigWindows::keypadWaitsForOtherExchange() {
    ConfigRig rig;
    ButtonsWindow buttons(rig.settings, nullptr);
    {
        ExchangeGuard other(rig.timers);
        QTest::mouseClick(Child<QPushButton>(buttons, "CmdRead"), Qt::LeftButton);
    }
    QVERIFY(rig.Sent().isEmpty());
}

void TestConfigWindows::powerOffList_data() {
    QTest::addColumn<bool>("tampered");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("index"); // -2: no reply, the link recovers
    const auto row = [](const char* name, const char* hex, int index) {
        QTest::newRow(name) << (hex != nullptr) << QByteArray::fromHex(hex ? hex : "") << index;
    };
    row("the meter's code 1, then a choice", nullptr, 1);
    row("code 0", "020003", 0);
    row("code 3 selects nothing", "020303", -1);
    row("an unframed reply is none", "000203", -2);
    row("reply after stream bytes", "0400000000000003 020003", 0);
    row("2 bytes", "0201", -2);
    row("silent", "", -2);
}

void TestConfigWindows::powerOffList() {
    QFETCH(bool, tampered);
    QFETCH(QByteArray, reply);
    QFETCH(int, index);
    ConfigRig rig;
    rig.meter.Model().powerOffCode = 1;
    rig.meter.Model().SetClock(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    if (tampered)
        rig.meter.replies['V'] = reply;
    QStringList captions;
    connect(&rig.link, &MeterLink::LinkCaptionChanged, this,
            [&](const QString& caption) { captions << caption; });
    QWidget panel;
    auto* combo = new QComboBox(&panel);
    PowerOff powerOff(combo, rig.settings);
    powerOff.Toggle();

    if (index == -2) {
        // The recovery ran: "No COM", the meter asked again, linked again.
        QVERIFY(combo->isHidden());
        QCOMPARE(captions, (QStringList{"No COM", "COM3"}));
        QVERIFY(rig.Sent().contains("58"));
        QVERIFY(!rig.link.LinkLost());
    } else {
        QVERIFY(!combo->isHidden());
        QCOMPARE(combo->currentIndex(), index);
        // Showing the meter's setting is no choice of the user: nothing is written back.
        QCoreApplication::processEvents();
        QCOMPARE(rig.Sent(), WithStatus({"56000000"}));
        if (!tampered) {
            QTest::keyClick(combo, Qt::Key_Up); // the user picks " 5 Minutes"
            QCOMPARE(rig.Sent(), WithStatus({"56000000", "56010000"}));
            QCOMPARE(rig.meter.Model().powerOffCode, 0);
        } else {
            powerOff.Toggle(); // the second click only hides the list
            QCOMPARE(rig.Sent().size(), 2);
        }
        QVERIFY(combo->isHidden());
        QVERIFY(rig.PausedAtEveryWrite(false));
    }
    QVERIFY(rig.Restored());
}

void TestConfigWindows::commandsKeepOneKeypad() {
    ConfigRig rig;
    ScriptedDialogs dialogs;
    QWidget panel;
    ConfigCommands commands(
        rig.link, dialogs, rig.clock, &panel, new QComboBox(&panel), [] { return 1; }, [](int) {});
    commands.ShowButtons();
    ButtonsWindow* first = commands.Buttons();
    QVERIFY(first && first->isVisible());
    first->close();
    commands.ShowButtons(); // shown again, not made again
    QCOMPARE(commands.Buttons(), first);
    QVERIFY(first->isVisible());
    QCOMPARE(panel.findChildren<ButtonsWindow*>().size(), 1);
}

QTEST_MAIN(TestConfigWindows)
#include "tst_config_windows.moc"
