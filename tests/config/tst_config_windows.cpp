#include "config/buttons_window.h"
#include "config/config_commands.h"
#include "config/power_off.h"
#include "config/sampling_choice_window.h"
#include "config/setup_window.h"
#include "config_rig.h"
#include "support/scripted_dialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

// The ink of an icon's upper half less that of its lower half.
int InkAboveLessBelow(ButtonsWindow::Picture picture) {
    const QImage image = ButtonsWindow::KeyIcon(picture, Qt::black).pixmap(32).toImage();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ink += (y < image.height() / 2 ? 1 : -1) * qAlpha(image.pixel(x, y));
    }
    return ink;
}

template <typename T> T* Child(QObject& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
}

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
    void samplingChoice_data();
    void samplingChoice();
    void keypadSendsKeys_data();
    void keypadSendsKeys();
    void keypadWaitsForOtherExchange();
    void keypadArrowsPointTheirWay();
    void powerOffList_data();
    void powerOffList();
    void powerOffChoiceIsWritten();
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
    ConfigRig rig;
    rig.clock.now = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    if (meterClockSet)
        rig.meter.Model().SetClock(QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9)));
    else
        rig.meter.Model().ClearClock();
    ScriptedDialogs dialogs;
    SetupWindow setup(rig.link, dialogs, rig.clock);
    auto* meterTime = Child<QLabel>(setup, "LblMeterTime");
    auto* pcTime = Child<QLabel>(setup, "LblPCTime");
    setup.Tick();
    QVERIFY(rig.Sent().isEmpty()); // both displays start off

    // A click switches each display on, the next one off again.
    QTest::mouseClick(pcTime, Qt::LeftButton);
    QTest::mouseClick(meterTime, Qt::LeftButton);
    setup.Tick();
    QCOMPARE(pcTime->text(), QString("2026/01/02 03:04:05"));
    QVERIFY2(QRegularExpression(meterText).match(meterTime->text()).hasMatch(),
             qPrintable(meterTime->text()));
    QCOMPARE(rig.Sent(), WithStatus({"58"}));
    // The meter's clock set to the PC's; the window's ticks go on afterwards.
    QTest::mouseClick(Child<QPushButton>(setup, "CmdSetTime"), Qt::LeftButton);
    QCOMPARE(rig.Sent(), WithStatus({"58", "531a0102", "54030405"}));
    QVERIFY(rig.PausedAtEveryWrite(false));
    QVERIFY(Child<QTimer>(setup, "Timer1")->isActive());
    setup.Tick();
    QVERIFY2(meterTime->text().startsWith(QLatin1String("2026/01/02 03:04:")),
             qPrintable(meterTime->text()));

    QTest::mouseClick(pcTime, Qt::LeftButton);
    QTest::mouseClick(meterTime, Qt::LeftButton);
    setup.Tick();
    QCOMPARE(meterTime->text(), QString("Meter Time"));
    QCOMPARE(pcTime->text(), QString("PC System Time"));
    QCOMPARE(rig.Sent().size(), 8);
    QVERIFY(dialogs.messages.isEmpty());
}

void TestConfigWindows::setupClockQueryIsBounded_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("silent") << QByteArray();
    QTest::newRow("7 bytes") << QByteArray::fromHex("020d0808 0e0503");
    QTest::newRow("8 bytes without ETX") << QByteArray::fromHex("020d0808 0e050902");
}

void TestConfigWindows::setupClockQueryIsBounded() {
    QFETCH(QByteArray, reply);
    ConfigRig rig;
    rig.meter.Protocol().SetStreaming(false);
    rig.meter.replies['X'] = reply;
    ScriptedDialogs dialogs;
    SetupWindow setup(rig.link, dialogs, rig.clock);
    auto* meterTime = Child<QLabel>(setup, "LblMeterTime");
    QTest::mouseClick(meterTime, Qt::LeftButton);
    setup.Tick();

    QCOMPARE(dialogs.Texts(), QStringList{MeterSettings::NoAnswerText()});
    QCOMPARE(dialogs.messages[0].icon, QMessageBox::Critical);
    QVERIFY(!setup.ShowMeterTime()); // the next tick does not start over
    QCOMPARE(meterTime->text(), QString("Meter Time"));
    rig.CheckAskedAgain(QStringLiteral("58"));
}

void TestConfigWindows::setupClosesWhenMeterRecords() {
    ConfigRig rig;
    ScriptedDialogs dialogs;
    SetupWindow setup(rig.link, dialogs, rig.clock);
    setup.show();
    rig.live.MeterRecording = true;
    setup.Tick();
    QVERIFY(!setup.isVisible());
    QCOMPARE(setup.result(), int(QDialog::Rejected));
    QVERIFY(!Child<QTimer>(setup, "Timer1")->isActive());
    QVERIFY(rig.Sent().isEmpty());
}

void TestConfigWindows::rtcCommand_data() {
    QTest::addColumn<bool>("recording");
    QTest::newRow("opens with polling paused") << false;
    QTest::newRow("refused while the meter records") << true;
}

void TestConfigWindows::rtcCommand() {
    QFETCH(bool, recording);
    ConfigRig rig;
    rig.live.MeterRecording = recording;
    ScriptedDialogs dialogs;
    QString shown;
    bool polling = true, sampling = false;
    dialogs.onExec = [&](QDialog& dialog) {
        shown = dialog.objectName();
        polling = rig.timers.Timer1.isActive();
        sampling = rig.timers.Timer2.isActive();
        return int(QDialog::Accepted);
    };
    RunRtcCommand(nullptr, rig.link, dialogs, rig.clock);

    QCOMPARE(shown, recording ? QString() : QString("Setup"));
    QCOMPARE(dialogs.Texts(), recording
                                  ? QStringList{"Recording mode, stop record then try again !"}
                                  : QStringList());
    QVERIFY(recording || (!polling && sampling));
    QVERIFY(rig.Restored());
    QVERIFY(rig.Sent().isEmpty());
}

void TestConfigWindows::samplingChoice_data() {
    QTest::addColumn<bool>("previous");
    QTest::addColumn<QString>("action"); // "ok", "pc" (select PC, then OK), "close"
    QTest::addColumn<bool>("samplingPC");
    QTest::newRow("OK without a change is the meter") << true << QStringLiteral("ok") << false;
    QTest::newRow("PC then OK") << false << QStringLiteral("pc") << true;
    QTest::newRow("closed keeps PC") << true << QStringLiteral("close") << true;
    QTest::newRow("closed keeps meter") << false << QStringLiteral("close") << false;
}

void TestConfigWindows::samplingChoice() {
    QFETCH(bool, previous);
    QFETCH(QString, action);
    QFETCH(bool, samplingPC);
    ConfigRig rig;
    rig.command.SamplingPC = previous;
    ScriptedDialogs dialogs;
    dialogs.onExec = [&](QDialog& dialog) {
        if (action == QLatin1String("close"))
            return int(QDialog::Rejected);
        if (action == QLatin1String("pc"))
            QTest::mouseClick(Child<QRadioButton>(dialog, "OptPC"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(dialog, "CmdOK"), Qt::LeftButton);
        return dialog.result();
    };
    RunSamplingCommand(nullptr, dialogs, rig.command);

    // The interval box of the chosen target follows; it is cancelled.
    QCOMPARE(rig.command.SamplingPC, samplingPC);
    QCOMPARE(dialogs.prompts.size(), 1);
    QCOMPARE(dialogs.prompts[0].contains(QLatin1String("86400")), samplingPC);
    QCOMPARE(rig.Sent(), samplingPC ? QStringList() : WithStatus({"55000000"}));
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
    key("CmdRead", "57010000");
    key("CmdAlarm", "57020000");
    key("CmdCF", "57040000");
    key("CmdSet", "57080000");
    key("CmdTime", "57100000");
    key("CmdType", "57800000");
    key("CmdHold", "57000100");
    key("CmdUp", "57000200");
    key("CmdLeft", "57000400");
    key("CmdEnter", "57000800");
    key("CmdRight", "57001000");
    key("CmdDown", "57002000");
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

void TestConfigWindows::keypadArrowsPointTheirWay() {
    ConfigRig rig;
    ButtonsWindow buttons(rig.settings, nullptr);
    for (const char* name : {"CmdUp", "CmdLeft", "CmdEnter", "CmdRight", "CmdDown"})
        QVERIFY2(!Child<QPushButton>(buttons, name)->icon().isNull(), name);
    // The arrow's head is its heavier end.
    QVERIFY(InkAboveLessBelow(ButtonsWindow::Picture::Up) > 0);
    QVERIFY(InkAboveLessBelow(ButtonsWindow::Picture::Down) < 0);
}

void TestConfigWindows::powerOffList_data() {
    QTest::addColumn<bool>("tampered");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("index"); // -2: no reply, the link recovers
    const auto row = [](const char* name, const char* hex, int index) {
        QTest::newRow(name) << (hex != nullptr) << QByteArray::fromHex(hex ? hex : "") << index;
    };
    row("the meter's code 1", nullptr, 1);
    row("code 0", "020003", 0);
    row("code 3 selects nothing", "020303", -1);
    row("frame bytes are not checked", "000203", 2);
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
        QVERIFY(!rig.link.LinkLost);
    } else {
        QVERIFY(!combo->isHidden());
        QCOMPARE(combo->currentIndex(), index);
        // Showing the meter's setting is no choice of the user: nothing is written back.
        QCoreApplication::processEvents();
        QCOMPARE(rig.Sent(), WithStatus({"56000000"}));
        QVERIFY(rig.PausedAtEveryWrite(false));
        powerOff.Toggle(); // the second click only hides the list
        QVERIFY(combo->isHidden());
        QCOMPARE(rig.Sent().size(), 2);
    }
    QVERIFY(rig.Restored());
}

void TestConfigWindows::powerOffChoiceIsWritten() {
    ConfigRig rig;
    rig.meter.Model().powerOffCode = 1;
    QWidget panel;
    auto* combo = new QComboBox(&panel);
    PowerOff powerOff(combo, rig.settings);
    powerOff.Toggle();
    QTest::keyClick(combo, Qt::Key_Up); // the user picks " 5 Minutes"

    QCOMPARE(rig.Sent(), WithStatus({"56000000", "56010000"}));
    QCOMPARE(rig.meter.Model().powerOffCode, 0);
    QVERIFY(combo->isHidden());
    QVERIFY(rig.PausedAtEveryWrite(false));
    QVERIFY(rig.Restored());
}

void TestConfigWindows::commandsKeepOneKeypad() {
    ConfigRig rig;
    ScriptedDialogs dialogs;
    QWidget panel;
    auto* combo = new QComboBox(&panel);
    ConfigCommands commands(
        rig.link, dialogs, rig.clock, &panel, combo, [] { return 1; }, [](int) {});
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
