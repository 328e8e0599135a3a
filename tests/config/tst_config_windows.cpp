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

int InkBetween(const QImage& image, int fromRow, int toRow) {
    int ink = 0;
    for (int y = fromRow; y < toRow; ++y) {
        for (int x = 0; x < image.width(); ++x)
            ink += qAlpha(image.pixel(x, y));
    }
    return ink;
}
int InkAbove(const QImage& image) {
    return InkBetween(image, 0, image.height() / 2);
}
int InkBelow(const QImage& image) {
    return InkBetween(image, image.height() / 2, image.height());
}

} // namespace

class TestConfigWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void setupShowsClocks_data();
    void setupShowsClocks();
    void setupClockQueryIsBounded_data();
    void setupClockQueryIsBounded();
    void setupSetsMeterClock();
    void setupClosesWhenMeterRecords();
    void rtcRefusedWhileRecording();
    void rtcPausesPollingWhileOpen();
    void samplingChoice_data();
    void samplingChoice();
    void buttonsCaptions_data();
    void buttonsCaptions();
    void buttonsSendKeys_data();
    void buttonsSendKeys();
    void buttonsWaitForOtherExchange();
    void buttonsSitUnderPanel();
    void powerOffRead_data();
    void powerOffRead();
    void powerOffUserChoiceWrites();
    void powerOffToggleHides();
    void powerOffLostLink();
    void commandsKeepOneKeypad();
};

void TestConfigWindows::setupShowsClocks_data() {
    QTest::addColumn<bool>("meterClockSet");
    QTest::addColumn<QString>("meterText"); // a pattern
    QTest::newRow("meter clock set")
        << true << QStringLiteral("^2013/08/08 14:05:(09|1\\d)$"); // it runs while we look
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
    auto* meterTime = setup.findChild<QLabel*>(QStringLiteral("LblMeterTime"));
    auto* pcTime = setup.findChild<QLabel*>(QStringLiteral("LblPCTime"));
    QVERIFY(meterTime && pcTime);

    setup.Tick();
    QCOMPARE(meterTime->text(), QString("Meter Time"));
    QCOMPARE(pcTime->text(), QString("PC System Time"));
    QVERIFY(rig.Sent().isEmpty());

    QTest::mouseClick(pcTime, Qt::LeftButton);
    QTest::mouseClick(meterTime, Qt::LeftButton);
    setup.Tick();
    QCOMPARE(pcTime->text(), QString("2026/01/02 03:04:05"));
    QVERIFY2(QRegularExpression(meterText).match(meterTime->text()).hasMatch(),
             qPrintable(meterTime->text()));
    QCOMPARE(rig.Sent(), (QStringList{"41", "58"}));
    QVERIFY(rig.PausedAtEveryWrite(false));

    // A second click on each switches its display off again.
    QTest::mouseClick(pcTime, Qt::LeftButton);
    QTest::mouseClick(meterTime, Qt::LeftButton);
    setup.Tick();
    QCOMPARE(meterTime->text(), QString("Meter Time"));
    QCOMPARE(pcTime->text(), QString("PC System Time"));
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
    auto* meterTime = setup.findChild<QLabel*>(QStringLiteral("LblMeterTime"));
    QTest::mouseClick(meterTime, Qt::LeftButton);
    QVERIFY(setup.ShowMeterTime());
    setup.Tick();

    QCOMPARE(dialogs.Texts(), QStringList{MeterSettings::NoAnswerText()});
    QCOMPARE(dialogs.messages[0].icon, QMessageBox::Critical);
    QVERIFY(!setup.ShowMeterTime()); // the next tick does not start over
    QCOMPARE(meterTime->text(), QString("Meter Time"));
    QVERIFY2(rig.FakeSecondsSpent() >= 5.0 && rig.FakeSecondsSpent() < 7.0,
             qPrintable(QString::number(rig.FakeSecondsSpent())));
    const QStringList sent = rig.Sent();
    QVERIFY(sent.size() > 4);
    for (int i = 0; i < sent.size(); ++i)
        QCOMPARE(sent[i], QString(i % 2 == 0 ? "41" : "58"));
    QVERIFY(rig.timers.Timer1.isActive());
}

void TestConfigWindows::setupSetsMeterClock() {
    ConfigRig rig;
    rig.clock.now = QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9));
    rig.meter.Model().ClearClock();
    ScriptedDialogs dialogs;
    SetupWindow setup(rig.link, dialogs, rig.clock);
    auto* setTime = setup.findChild<QPushButton*>(QStringLiteral("CmdSetTime"));
    QVERIFY(setTime);
    QCOMPARE(setTime->text(), QString("Set Meter Time To System Time"));
    QTest::mouseClick(setTime, Qt::LeftButton);

    QCOMPARE(rig.Sent(), (QStringList{"41", "530d0808", "41", "540e0509"}));
    QCOMPARE(rig.meter.Model().ClockNow().date(), QDate(2013, 8, 8));
    QVERIFY(rig.PausedAtEveryWrite(false));
    QVERIFY(setup.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
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
    QVERIFY(!setup.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    QVERIFY(rig.Sent().isEmpty());
}

void TestConfigWindows::rtcRefusedWhileRecording() {
    ConfigRig rig;
    rig.live.MeterRecording = true;
    ScriptedDialogs dialogs;
    int opened = 0;
    dialogs.onExec = [&](QDialog&) { return ++opened, int(QDialog::Rejected); };
    RunRtcCommand(nullptr, rig.link, dialogs, rig.clock);

    QCOMPARE(opened, 0);
    QCOMPARE(dialogs.Texts(), QStringList{"Recording mode, stop record then try again !"});
    QCOMPARE(dialogs.messages[0].icon, QMessageBox::Critical);
    QCOMPARE(dialogs.messages[0].title, QString("Corvilab"));
    QVERIFY(rig.timers.Timer1.isActive());
    QVERIFY(rig.Sent().isEmpty());
}

void TestConfigWindows::rtcPausesPollingWhileOpen() {
    ConfigRig rig;
    ScriptedDialogs dialogs;
    QString shown;
    bool pollingWhileOpen = true, samplingWhileOpen = false;
    dialogs.onExec = [&](QDialog& dialog) {
        shown = dialog.objectName() + QLatin1Char('/') + dialog.windowTitle();
        pollingWhileOpen = rig.timers.Timer1.isActive();
        samplingWhileOpen = rig.timers.Timer2.isActive();
        return int(QDialog::Accepted);
    };
    RunRtcCommand(nullptr, rig.link, dialogs, rig.clock);

    QCOMPARE(shown, QString("Setup/Setup"));
    QVERIFY(!pollingWhileOpen);
    QVERIFY(samplingWhileOpen);
    QVERIFY(rig.timers.Timer1.isActive());
}

void TestConfigWindows::samplingChoice_data() {
    QTest::addColumn<bool>("previous");
    QTest::addColumn<QString>("action"); // "ok", "pc" (select PC, then OK), "close"
    QTest::addColumn<bool>("samplingPC");
    QTest::newRow("OK without a change is the meter") << true << "ok" << false;
    QTest::newRow("PC then OK") << false << "pc" << true;
    QTest::newRow("closed keeps PC") << true << "close" << true;
    QTest::newRow("closed keeps meter") << false << "close" << false;
}

void TestConfigWindows::samplingChoice() {
    QFETCH(bool, previous);
    QFETCH(QString, action);
    QFETCH(bool, samplingPC);
    ConfigRig rig;
    rig.meter.Model().loggerInterval = 10;
    int samplingTime = 1;
    SamplingTimeCommand command(
        rig.settings, [&] { return samplingTime; }, [&](int t) { samplingTime = t; });
    command.SamplingPC = previous;
    ScriptedDialogs dialogs;
    bool meterSelectedOnOpen = false;
    QString title;
    dialogs.onExec = [&](QDialog& dialog) {
        title = dialog.windowTitle();
        auto* optMeter = dialog.findChild<QRadioButton*>(QStringLiteral("OptMeter"));
        auto* optPC = dialog.findChild<QRadioButton*>(QStringLiteral("OptPC"));
        meterSelectedOnOpen = optMeter->isChecked() && !optPC->isChecked();
        if (action == QLatin1String("close"))
            return int(QDialog::Rejected);
        if (action == QLatin1String("pc"))
            QTest::mouseClick(optPC, Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
        return dialog.result();
    };
    dialogs.inputAnswers << QStringLiteral("not a number");
    RunSamplingCommand(nullptr, dialogs, command);

    QCOMPARE(title, QString("Sampling Rate"));
    QVERIFY(meterSelectedOnOpen);
    QCOMPARE(command.SamplingPC, samplingPC);
    QCOMPARE(dialogs.prompts.size(), 1);
    QCOMPARE(dialogs.prompts[0].contains(QLatin1String("86400")), samplingPC);
    QCOMPARE(rig.Sent().isEmpty(), samplingPC);
    // The answer is refused with a message, and nothing is set.
    QCOMPARE(dialogs.Texts(), QStringList{SamplingTimeCommand::NotANumberText()});
    QCOMPARE(dialogs.messages[0].icon, QMessageBox::Critical);
    QCOMPARE(samplingTime, 1);
    QCOMPARE(rig.meter.Model().loggerInterval, 10);
    QVERIFY(rig.timers.Timer1.isActive());
}

void TestConfigWindows::buttonsCaptions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("READ") << "CmdRead"
                          << "READ";
    QTest::newRow("ALARM") << "CmdAlarm"
                           << "ALARM";
    QTest::newRow("C / F") << "CmdCF"
                           << "C / F";
    QTest::newRow("SET") << "CmdSet"
                         << "SET";
    QTest::newRow("TIME") << "CmdTime"
                          << "TIME";
    QTest::newRow("MAX MIN") << "CmdMaxMin"
                             << "  MAX    MIN";
    QTest::newRow("MEM") << "CmdMem"
                         << "MEM";
    QTest::newRow("TYPE") << "CmdType"
                          << "TYPE";
    QTest::newRow("HOLD") << "CmdHold"
                          << "HOLD";
}

void TestConfigWindows::buttonsCaptions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    ConfigRig rig;
    ButtonsWindow buttons(rig.settings, nullptr);
    QCOMPARE(buttons.windowTitle(), QString("Meter Buttons"));
    QWidget* key = buttons.findChild<QWidget*>(name);
    QVERIFY(key);
    if (auto* label = qobject_cast<QLabel*>(key))
        QCOMPARE(label->text(), caption);
    else
        QCOMPARE(qobject_cast<QPushButton*>(key)->text(), caption);
    QVERIFY(!key->accessibleName().isEmpty());
}

void TestConfigWindows::buttonsSendKeys_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("heldFor");
    QTest::addColumn<QString>("sent");
    QTest::newRow("READ") << "CmdRead" << 0.1 << "57010000";
    QTest::newRow("HOLD") << "CmdHold" << 0.1 << "57000100";
    QTest::newRow("down arrow") << "CmdDown" << 0.1 << "57002000";
    QTest::newRow("enter") << "CmdEnter" << 0.1 << "57000800";
    QTest::newRow("MAX/MIN short") << "CmdMaxMin" << 1.0 << "57200000";
    QTest::newRow("MAX/MIN long") << "CmdMaxMin" << 3.0 << "57000004";
    QTest::newRow("MEM short") << "CmdMem" << 2.0 << "57400000";
    QTest::newRow("MEM long") << "CmdMem" << 5.0 << "57008000";
}

void TestConfigWindows::buttonsSendKeys() {
    QFETCH(QString, name);
    QFETCH(double, heldFor);
    QFETCH(QString, sent);
    ConfigRig rig;
    rig.pressClock.readings = {1000.0, 1000.0 + heldFor};
    ButtonsWindow buttons(rig.settings, nullptr);
    QWidget* key = buttons.findChild<QWidget*>(name);
    QVERIFY(key);
    QTest::mousePress(key, Qt::LeftButton);
    QTest::mouseRelease(key, Qt::LeftButton);
    QCOMPARE(rig.Sent(), (QStringList{"41", sent}));
    QVERIFY(key->isEnabled());
}

void TestConfigWindows::buttonsWaitForOtherExchange() {
    ConfigRig rig;
    ButtonsWindow buttons(rig.settings, nullptr);
    {
        ExchangeGuard other(rig.timers);
        QTest::mouseClick(buttons.findChild<QPushButton*>(QStringLiteral("CmdRead")),
                          Qt::LeftButton);
    }
    QVERIFY(rig.Sent().isEmpty());
}

void TestConfigWindows::buttonsSitUnderPanel() {
    ConfigRig rig;
    QWidget panel;
    panel.setGeometry(200, 150, 700, 400);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto* buttons = new ButtonsWindow(rig.settings, &panel);
    buttons->show();
    QVERIFY(QTest::qWaitForWindowExposed(buttons));
    const QRect outer = panel.frameGeometry();
    const QRect keypad = buttons->frameGeometry();
    QVERIFY(buttons->isWindow());
    QVERIFY2(
        qAbs(keypad.center().x() - outer.center().x()) <= 1,
        qPrintable(QStringLiteral("%1 vs %2").arg(keypad.center().x()).arg(outer.center().x())));
    QCOMPARE(keypad.top(), outer.bottom() + 1);

    // The arrow and enter keys carry pictures, each its own.
    for (const char* name : {"CmdUp", "CmdLeft", "CmdEnter", "CmdRight", "CmdDown"}) {
        auto* key = buttons->findChild<QPushButton*>(QString::fromLatin1(name));
        QVERIFY(key && !key->icon().isNull());
        QVERIFY(key->text().isEmpty() && !key->accessibleName().isEmpty());
    }
    QImage up = ButtonsWindow::KeyIcon(ButtonsWindow::Picture::Up, Qt::black).pixmap(32).toImage();
    QImage down =
        ButtonsWindow::KeyIcon(ButtonsWindow::Picture::Down, Qt::black).pixmap(32).toImage();
    QImage enter =
        ButtonsWindow::KeyIcon(ButtonsWindow::Picture::Enter, Qt::black).pixmap(32).toImage();
    QVERIFY(up != down && up != enter && down != enter);
    // The arrow's head is its heavier end: up carries its ink high, down low.
    QVERIFY(InkAbove(up) > InkBelow(up));
    QVERIFY(InkBelow(down) > InkAbove(down));
}

void TestConfigWindows::powerOffRead_data() {
    QTest::addColumn<QByteArray>("reply"); // empty: the meter's own reply
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("02 01 03 selects 15 Minutes") << QByteArray() << 1 << "15 Minutes";
    QTest::newRow("code 0") << QByteArray::fromHex("020003") << 0 << " 5 Minutes";
    QTest::newRow("code 2") << QByteArray::fromHex("020203") << 2 << "30 Minutes";
    QTest::newRow("code 3 selects nothing") << QByteArray::fromHex("020303") << -1 << "";
    QTest::newRow("code 255 selects nothing") << QByteArray::fromHex("02ff03") << -1 << "";
}

void TestConfigWindows::powerOffRead() {
    QFETCH(QByteArray, reply);
    ConfigRig rig;
    rig.meter.Model().powerOffCode = 1;
    if (!reply.isEmpty())
        rig.meter.replies['V'] = reply;
    QWidget panel;
    auto* combo = new QComboBox(&panel);
    PowerOff powerOff(combo, rig.settings);
    QCOMPARE(combo->count(), 3);
    QVERIFY(combo->isHidden());
    powerOff.Toggle();

    QVERIFY(!combo->isHidden());
    QTEST(combo->currentIndex(), "index");
    QTEST(combo->currentText(), "text");
    // Selecting the meter's setting is not a choice: nothing is written back.
    QCoreApplication::processEvents();
    QCOMPARE(rig.Sent(), (QStringList{"41", "56000000"}));
    QVERIFY(rig.PausedAtEveryWrite(false));
    QVERIFY(rig.timers.Timer1.isActive());
}

void TestConfigWindows::powerOffUserChoiceWrites() {
    ConfigRig rig;
    rig.meter.Model().powerOffCode = 1;
    QWidget panel;
    auto* combo = new QComboBox(&panel);
    PowerOff powerOff(combo, rig.settings);
    powerOff.Toggle();
    QCOMPARE(combo->currentIndex(), 1);
    QTest::keyClick(combo, Qt::Key_Up); // the user picks " 5 Minutes"

    QCOMPARE(rig.Sent(), (QStringList{"41", "56000000", "41", "56010000"}));
    QCOMPARE(rig.meter.Model().powerOffCode, 0);
    QVERIFY(combo->isHidden());
    QVERIFY(rig.PausedAtEveryWrite(false));
    QVERIFY(rig.timers.Timer1.isActive());
}

void TestConfigWindows::powerOffToggleHides() {
    ConfigRig rig;
    QWidget panel;
    auto* combo = new QComboBox(&panel);
    PowerOff powerOff(combo, rig.settings);
    powerOff.Toggle();
    QVERIFY(!combo->isHidden());
    powerOff.Toggle();
    QVERIFY(combo->isHidden());
    QCOMPARE(rig.Sent(), (QStringList{"41", "56000000"}));
}

void TestConfigWindows::powerOffLostLink() {
    ConfigRig rig;
    rig.meter.replies['V'] = QByteArray();
    rig.meter.Model().SetClock(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    QStringList captions;
    connect(&rig.link, &MeterLink::LinkCaptionChanged, this,
            [&](const QString& caption) { captions << caption; });
    QWidget panel;
    auto* combo = new QComboBox(&panel);
    PowerOff powerOff(combo, rig.settings);
    powerOff.Toggle();

    QVERIFY(combo->isHidden());
    // The recovery ran: "No COM", the meter asked again, linked again.
    QCOMPARE(captions, (QStringList{"No COM", "COM3"}));
    const QStringList sent = rig.Sent();
    QCOMPARE(sent.mid(0, 3), (QStringList{"41", "56000000", "41"}));
    QVERIFY(sent.contains("58"));
    QVERIFY(!rig.link.LinkLost);
    QVERIFY(rig.timers.Timer1.isActive());
    QVERIFY(rig.timers.Timer2.isActive());
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
