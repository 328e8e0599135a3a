#include "config/alarm_frame.h"
#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "support/live_packet.h"

#include <QLineEdit>
#include <QPushButton>

#include <QtTest>

class TestAlarmSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void boxTexts_data();
    void boxTexts();
    void typeChangeKeepsValuesInsideNewRange();
    void frameTypingAndEnter();
    void frameOkAndCancel_data();
    void frameOkAndCancel();

private:
    // Min and max of a channel's range in one unit, for whole comparisons.
    QList<int> MinMax(bool fahrenheit, int channel) const {
        const AlarmRange r = alarms_->Range(fahrenheit, channel);
        return {r.min, r.max};
    }
    LiveState live_;
    std::unique_ptr<AlarmSettings> alarms_;
};

// T1 type K (-200..1370 °C, -328..2498 °F), T2 type T (-200..400 °C, -328..752 °F); every alarm
// at the top of its range.
void TestAlarmSettings::init() {
    live_ = LiveState();
    for (int i = 0; i < 4; ++i)
        FeedLivePacket(live_, i, i == 1 ? 3 : 0, 734);
    alarms_ = std::make_unique<AlarmSettings>(live_);
    for (int i = 0; i < 4; ++i)
        alarms_->ResetChannel(i);
}

void TestAlarmSettings::boxTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tenths");
    QTest::addColumn<QString>("shown"); // the tenths as a box shows them again
    const auto row = [](const char* name, const QString& text, int tenths, const char* shown) {
        QTest::newRow(name) << text << tenths << QString(shown);
    };
    row("whole", "1370", 13700, "1370");
    row("negative decimal", "-12.5", -125, "-12.5");
    row("small negative fraction", "-0.5", -5, "-0.5");
    row("point first", ".5", 5, "0.5");
    row("lone minus", "-", 0, "0");
    row("empty", "", 0, "0");
    row("two points: leading number", "1.2.3", 12, "1.2");
    row("minus inside", "12-3", 120, "12");
    row("more decimals round to tenths", "32.55", 326, "32.6");
    row("absurdly long number stays finite", QString(400, QLatin1Char('9')), 10000000, "1000000");
}

void TestAlarmSettings::boxTexts() {
    QFETCH(QString, text);
    QFETCH(int, tenths);
    QCOMPARE(AlarmSettings::ValueOfText(text), tenths);
    QTEST(AlarmSettings::RangeText(tenths), "shown");
}

void TestAlarmSettings::typeChangeKeepsValuesInsideNewRange() {
    alarms_->SetAlarm(false, 0, 3000);
    alarms_->SetAlarm(true, 0, 9000);
    QCOMPARE(alarms_->OverC(0), 3000); // charted while T1 reads "Over"
    // The probe changes to type T: ranges follow, values stay unless outside.
    FeedLivePacket(live_, 0, 3, 734);
    alarms_->RebuildChannel(0);
    QCOMPARE(MinMax(false, 0), (QList<int>{-2000, 4000}));
    QCOMPARE((QList<int>{alarms_->AlarmC(0), alarms_->AlarmF(0)}), (QList<int>{3000, 7520}));
    // A link recovery puts the values at the top again.
    alarms_->ResetChannel(0);
    QCOMPARE((QList<int>{alarms_->AlarmC(0), alarms_->OverC(0)}), (QList<int>{4000, 4000}));
}

void TestAlarmSettings::frameTypingAndEnter() {
    FeedLivePacket(live_, 0, 0, 734);
    bool panelCelsius = false;
    AlarmFrame frame(*alarms_, live_, [&] { return panelCelsius; });
    frame.ToggleAndFill();
    // Only the characters of a number are taken; editing keys still work.
    QLineEdit* max1 = frame.MaxText(1);
    max1->clear();
    QTest::keyClicks(max1, QStringLiteral("a+e -1x2,.55"));
    QTest::keyClick(max1, Qt::Key_Backspace);
    QCOMPARE(max1->text(), QStringLiteral("-12.5"));
    // Enter works on the set of the panel toggle (°F at the start), whatever the meter's unit.
    max1->setText(QStringLiteral("300"));
    QTest::keyClick(max1, Qt::Key_Return);
    QCOMPARE((QList<int>{MinMax(true, 1)[1], MinMax(false, 1)[1]}), (QList<int>{3000, 4000}));
    QVERIFY(frame.isVisible());
    panelCelsius = true;
    frame.MinText(1)->setText(QStringLiteral("-100"));
    QTest::keyClick(frame.MinText(1), Qt::Key_Enter);
    QCOMPARE((QList<int>{MinMax(false, 1)[0], MinMax(true, 1)[0]}), (QList<int>{-1000, -3280}));
}

void TestAlarmSettings::frameOkAndCancel_data() {
    QTest::addColumn<QString>("packet"); // flags of the meter's last packet; empty: none yet
    QTest::addColumn<bool>("fahrenheit");
    QTest::newRow("°C") << "p" << false;
    QTest::newRow("°F") << "pF" << true;
    QTest::newRow("no unit yet counts as °F") << "" << true;
}

void TestAlarmSettings::frameOkAndCancel() {
    QFETCH(QString, packet);
    QFETCH(bool, fahrenheit);
    live_ = LiveState();
    if (!packet.isEmpty())
        FeedLivePacket(live_, 0, 0, 734, packet);
    // The panel toggle shows the other unit: fill and OK follow the meter's.
    AlarmFrame frame(*alarms_, live_, [&] { return fahrenheit; });
    const QString max0 = fahrenheit ? QStringLiteral("2498") : QStringLiteral("1370");
    frame.ToggleAndFill();
    QCOMPARE((QStringList{frame.MaxText(0)->text(), frame.MinText(1)->text()}),
             (QStringList{max0, fahrenheit ? "-328" : "-200"}));
    frame.MaxText(0)->setText(QStringLiteral("1000"));
    frame.findChild<QPushButton*>(QStringLiteral("CmdAlmCancel"))->click();
    QVERIFY(frame.isHidden());
    QCOMPARE(MinMax(fahrenheit, 0)[1], max0.toInt() * 10);

    frame.ToggleAndFill(); // the ranges again over the text left typed
    QCOMPARE(frame.MaxText(0)->text(), max0);
    const QString typed[] = {"1000", "-50.5", "100", "200"}; // T2's minimum pushes its maximum
    for (int i = 0; i < 4; ++i)
        (i % 2 ? frame.MinText(i / 2) : frame.MaxText(i / 2))->setText(typed[i]);
    frame.findChild<QPushButton*>(QStringLiteral("CmdAlmOK"))->click();
    QVERIFY(frame.isHidden());
    QCOMPARE(MinMax(fahrenheit, 0), (QList<int>{-505, 10000}));
    QCOMPARE(alarms_->Alarm(fahrenheit, 0), 10000); // was the old top, pulled inside
    QCOMPARE(MinMax(fahrenheit, 1), (QList<int>{2000, 2000}));
    QCOMPARE(MinMax(!fahrenheit, 0)[1], fahrenheit ? 13700 : 24980);

    // A second click of the toolbar button hides the frame, and fills it all the same.
    frame.ToggleAndFill();
    frame.MaxText(0)->setText(QStringLiteral("7"));
    frame.ToggleAndFill();
    QVERIFY(frame.isHidden());
    QCOMPARE(frame.MaxText(0)->text(), QStringLiteral("1000"));
}

QTEST_MAIN(TestAlarmSettings)
#include "tst_alarm_settings.moc"
