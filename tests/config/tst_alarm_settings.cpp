#include "config/alarm_frame.h"
#include "config/alarm_settings.h"
#include "link/live_state.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestAlarmSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void valueOfText_data();
    void valueOfText();
    void rangeText_data();
    void rangeText();
    void rangeKeys();
    void fillFollowsMeterUnit_data();
    void fillFollowsMeterUnit();
    void okAppliesMaxThenMin();
    void rebuildKeepsValueInsideNewRange();
    void celsiusValueMovesOverRangeChart();
    void frameTypingAndEnter();
    void frameOkAndCancel();

private:
    LiveState live_;
};

namespace {

// T1 type K (-200..1370 °C, -328..2498 °F), T2 type T (-200..400 °C, -328..752 °F).
void SetTypes(LiveState& live) {
    live = LiveState();
    const int codes[] = {0, 3, 0, 0};
    for (int i = 0; i < 4; ++i) {
        live.Channels[size_t(i)].TypeCode = codes[i];
        live.SetRangesFromType(i);
    }
}

} // namespace

void TestAlarmSettings::init() {
    SetTypes(live_);
}

void TestAlarmSettings::valueOfText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tenths");
    QTest::newRow("whole") << "1370" << 13700;
    QTest::newRow("negative decimal") << "-12.5" << -125;
    QTest::newRow("lone minus") << "-" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("two points: leading number") << "1.2.3" << 12;
    QTest::newRow("point first") << ".5" << 5;
    QTest::newRow("minus inside") << "12-3" << 120;
    QTest::newRow("more decimals round to tenths") << "32.55" << 326;
    QTest::newRow("absurdly long number stays finite")
        << QString(400, QLatin1Char('9')) << 10000000;
}

void TestAlarmSettings::valueOfText() {
    QFETCH(QString, text);
    QTEST(AlarmSettings::ValueOfText(text), "tenths");
}

void TestAlarmSettings::rangeText_data() {
    QTest::addColumn<int>("tenths");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 13700 << "1370";
    QTest::newRow("negative whole") << -2000 << "-200";
    QTest::newRow("fraction") << 325 << "32.5";
    QTest::newRow("small negative fraction") << -5 << "-0.5";
    QTest::newRow("zero") << 0 << "0";
}

void TestAlarmSettings::rangeText() {
    QFETCH(int, tenths);
    QTEST(AlarmSettings::RangeText(tenths), "text");
}

void TestAlarmSettings::rangeKeys() {
    for (const QChar c : QStringLiteral("0123456789-.\b\r"))
        QVERIFY2(AlarmSettings::IsRangeKey(c), qPrintable(QString(c)));
    for (const QChar c : QStringLiteral("a+e ,\t٣"))
        QVERIFY2(!AlarmSettings::IsRangeKey(c), qPrintable(QString(c)));
}

void TestAlarmSettings::fillFollowsMeterUnit_data() {
    QTest::addColumn<QString>("unitText");
    QTest::addColumn<QString>("max0");
    QTest::addColumn<QString>("min1");
    QTest::newRow("°C") << "°C"
                        << "1370"
                        << "-200";
    QTest::newRow("°F") << "°F"
                        << "2498"
                        << "-328";
    QTest::newRow("no unit yet counts as °F") << ""
                                              << "2498"
                                              << "-328";
}

void TestAlarmSettings::fillFollowsMeterUnit() {
    QFETCH(QString, unitText);
    AlarmSettings alarms(live_);
    for (int i = 0; i < 4; ++i)
        alarms.ResetChannel(i);
    const AlarmSettings::FrameTexts texts = alarms.FillTexts(unitText);
    QTEST(texts.max[0], "max0");
    QTEST(texts.min[1], "min1");
}

void TestAlarmSettings::okAppliesMaxThenMin() {
    AlarmSettings alarms(live_);
    for (int i = 0; i < 4; ++i)
        alarms.ResetChannel(i);
    AlarmSettings::FrameTexts texts = alarms.FillTexts(QStringLiteral("°C"));
    texts.max[0] = QStringLiteral("500");
    texts.min[0] = QStringLiteral("-50.5");
    texts.max[1] = QStringLiteral("100"); // a minimum above the maximum pushes the maximum
    texts.min[1] = QStringLiteral("200");
    alarms.ApplyFrame(QStringLiteral("°C"), texts);
    QCOMPARE(alarms.Range(false, 0).max, 5000);
    QCOMPARE(alarms.Range(false, 0).min, -505);
    QCOMPARE(alarms.AlarmC(0), 5000); // was the old top, pulled inside
    QCOMPARE(alarms.Range(false, 1).min, 2000);
    QCOMPARE(alarms.Range(false, 1).max, 2000);
    // The °F set is untouched by a °C OK.
    QCOMPARE(alarms.Range(true, 0).max, 24980);
}

void TestAlarmSettings::rebuildKeepsValueInsideNewRange() {
    AlarmSettings alarms(live_);
    alarms.ResetChannel(0);
    QCOMPARE(alarms.AlarmC(0), 13700);
    QCOMPARE(alarms.AlarmF(0), 24980);
    alarms.SetAlarm(false, 0, 3000);
    alarms.SetAlarm(true, 0, 9000);
    // The probe changes to type T: ranges follow, values stay unless outside.
    live_.Channels[0].TypeCode = 3;
    live_.SetRangesFromType(0);
    alarms.RebuildChannel(0);
    QCOMPARE(alarms.Range(false, 0).max, 4000);
    QCOMPARE(alarms.Range(false, 0).min, -2000);
    QCOMPARE(alarms.AlarmC(0), 3000);
    QCOMPARE(alarms.AlarmF(0), 7520);
    // A link recovery puts the values at the top again.
    alarms.ResetChannel(0);
    QCOMPARE(alarms.AlarmC(0), 4000);
    QCOMPARE(alarms.AlarmF(0), 7520);
}

void TestAlarmSettings::celsiusValueMovesOverRangeChart() {
    AlarmSettings alarms(live_);
    alarms.ResetChannel(2);
    alarms.SetAlarm(false, 2, 5000);
    QCOMPARE(live_.Channels[2].UpperC, 5000);
    alarms.SetAlarm(true, 2, 6000);
    QCOMPARE(live_.Channels[2].UpperF, 24980); // the °F side keeps no such copy
}

void TestAlarmSettings::frameTypingAndEnter() {
    live_.UnitText = QStringLiteral("°C");
    AlarmSettings alarms(live_);
    for (int i = 0; i < 4; ++i)
        alarms.ResetChannel(i);
    bool panelCelsius = false;
    AlarmFrame frame(alarms, live_, [&] { return panelCelsius; });
    frame.ToggleAndFill();
    QVERIFY(frame.isVisible());
    QCOMPARE(frame.MaxText(0)->text(), QStringLiteral("1370"));
    QLineEdit* max1 = frame.MaxText(1);
    max1->clear();
    QTest::keyClicks(max1, QStringLiteral("a-1x2.5"));
    QCOMPARE(max1->text(), QStringLiteral("-12.5"));
    max1->clear();
    QTest::keyClicks(max1, QStringLiteral("300"));
    // With the toggle at °F (the start), Enter changes the °F set whatever the meter's unit.
    QTest::keyClick(max1, Qt::Key_Return);
    QCOMPARE(alarms.Range(true, 1).max, 3000);
    QCOMPARE(alarms.Range(false, 1).max, 4000);
    QVERIFY(frame.isVisible());
    panelCelsius = true;
    QLineEdit* min1 = frame.MinText(1);
    min1->setText(QStringLiteral("-100"));
    QTest::keyClick(min1, Qt::Key_Enter);
    QCOMPARE(alarms.Range(false, 1).min, -1000);
    QCOMPARE(alarms.Range(true, 1).min, -3280);
}

void TestAlarmSettings::frameOkAndCancel() {
    live_.UnitText = QStringLiteral("°F");
    AlarmSettings alarms(live_);
    for (int i = 0; i < 4; ++i)
        alarms.ResetChannel(i);
    AlarmFrame frame(alarms, live_, [] { return true; });
    frame.ToggleAndFill();
    QCOMPARE(frame.MaxText(0)->text(), QStringLiteral("2498"));
    frame.MaxText(0)->setText(QStringLiteral("1000"));
    frame.findChild<QPushButton*>(QStringLiteral("CmdAlmCancel"))->click();
    QVERIFY(frame.isHidden());
    QCOMPARE(alarms.Range(true, 0).max, 24980);
    // The typed text stays until the next fill; the next fill shows the controls again.
    QCOMPARE(frame.MaxText(0)->text(), QStringLiteral("1000"));
    frame.ToggleAndFill();
    QCOMPARE(frame.MaxText(0)->text(), QStringLiteral("2498"));
    frame.MaxText(0)->setText(QStringLiteral("1000"));
    frame.MinText(3)->setText(QStringLiteral("32.5"));
    // OK follows the meter's unit (°F), not the panel toggle (°C).
    frame.findChild<QPushButton*>(QStringLiteral("CmdAlmOK"))->click();
    QVERIFY(frame.isHidden());
    QCOMPARE(alarms.Range(true, 0).max, 10000);
    QCOMPARE(alarms.AlarmF(0), 10000);
    QCOMPARE(alarms.Range(true, 3).min, 325);
    QCOMPARE(alarms.Range(false, 0).max, 13700);
    // A second click of the toolbar button hides the frame, and fills it all the same.
    frame.ToggleAndFill();
    frame.MaxText(0)->setText(QStringLiteral("7"));
    frame.ToggleAndFill();
    QVERIFY(frame.isHidden());
    QCOMPARE(frame.MaxText(0)->text(), QStringLiteral("1000"));
}

QTEST_MAIN(TestAlarmSettings)
#include "tst_alarm_settings.moc"
