#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "recording/sample_buffers.h"
#include "recording/sampler.h"
#include "support/fake_clock.h"

#include <QtTest>
#include <cmath>

using Values = std::array<std::optional<int>, 4>;

class TestSampler : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void precedence_data();
    void precedence();
    void tickCounting_data();
    void tickCounting();
    void buffersKeepNewestWhenFull();
    void seriesForPlotting();
    void alarmLabelBlinks();
    void sampleRecordCarriesTextsAndTime();
};

namespace {

ChannelState Channel(bool probe, bool over, bool under, int readingF) {
    ChannelState ch;
    ch.ProbeValid = probe;
    ch.OverRange = over;
    ch.UnderRange = under;
    ch.TypeCode = 0;
    ch.UpperC = 13700;
    ch.LowerC = -2000;
    ch.UpperF = 24980;
    ch.LowerF = -3280;
    ch.ReadingF = readingF;
    ch.ReadingC = (readingF - 320) * 5 / 9;
    ch.ReadingFText = QString::number(readingF / 10.0, 'f', 1);
    ch.ReadingCText = QString::number(*ch.ReadingC / 10.0, 'f', 1);
    return ch;
}

} // namespace

void TestSampler::precedence_data() {
    QTest::addColumn<bool>("probe");
    QTest::addColumn<bool>("over");
    QTest::addColumn<bool>("under");
    QTest::addColumn<int>("readingF");
    QTest::addColumn<QString>("textC");
    QTest::addColumn<QString>("textF");
    QTest::addColumn<int>("chartedC"); // -99999: nothing charted
    QTest::addColumn<int>("chartedF");
    QTest::addColumn<bool>("atAlarmC");
    QTest::addColumn<bool>("atAlarmF");
    // Alarm values in the test: 100.0 °C and 150.0 °F.
    QTest::newRow("normal below both alarms") << true << false << false << 734 << "23.0"
                                              << "73.4" << 230 << 734 << false << false;
    QTest::newRow("exactly at the °F alarm") << true << false << false << 1500 << "65.5"
                                             << "150.0" << 655 << 1500 << false << true;
    QTest::newRow("exactly at the °C alarm") << true << false << false << 2120 << "100.0"
                                             << "212.0" << 1000 << 2120 << true << true;
    QTest::newRow("no probe shows dashes, charts nothing")
        << false << false << false << 734 << "- - -"
        << "- - -" << -99999 << -99999 << false << false;
    QTest::newRow("no probe wins over Over") << false << true << false << 734 << "- - -"
                                             << "- - -" << -99999 << -99999 << false << false;
    QTest::newRow("under charts the lower limits") << true << false << true << 734 << "Under"
                                                   << "Under" << -2000 << -3280 << false << false;
    QTest::newRow("over charts the upper limits") << true << true << false << 3000 << "Over"
                                                  << "Over" << 13700 << 24980 << false << false;
    QTest::newRow("over wins over under") << true << true << true << 734 << "Over"
                                          << "Over" << 13700 << 24980 << false << false;
}

void TestSampler::precedence() {
    QFETCH(bool, probe);
    QFETCH(bool, over);
    QFETCH(bool, under);
    QFETCH(int, readingF);
    const ChannelSample s = SampleChannel(Channel(probe, over, under, readingF), 1000, 1500);
    QTEST(s.TextC, "textC");
    QTEST(s.TextF, "textF");
    QTEST(s.ChartedC.value_or(-99999), "chartedC");
    QTEST(s.ChartedF.value_or(-99999), "chartedF");
    QTEST(s.AtAlarmC, "atAlarmC");
    QTEST(s.AtAlarmF, "atAlarmF");
}

void TestSampler::tickCounting_data() {
    QTest::addColumn<double>("samplingTime");
    QTest::addColumn<QList<int>>("sampledTicks"); // of ticks 1..12
    QTest::newRow("1 s: every tick from the second on")
        << 1.0 << QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    QTest::newRow("5 s: every fifth tick") << 5.0 << QList<int>{6, 11};
    QTest::newRow("2.5 s: every third tick") << 2.5 << QList<int>{4, 7, 10};
}

void TestSampler::tickCounting() {
    QFETCH(double, samplingTime);
    FakeClock clock;
    LiveState live;
    AlarmSettings alarms(live);
    Sampler sampler(clock, live, alarms, 100);
    sampler.SamplingTime = samplingTime;
    QList<int> sampled;
    for (int tick = 1; tick <= 12; ++tick) {
        if (sampler.SampleTick())
            sampled << tick;
    }
    QTEST(sampled, "sampledTicks");
    QCOMPARE(sampler.SampleIndex(), sampled.size());
}

void TestSampler::buffersKeepNewestWhenFull() {
    SampleBuffers buffers(5);
    for (int k = 1; k <= 7; ++k)
        buffers.Append({k, std::nullopt, -k, k * 10}, {k + 100, std::nullopt, -k - 100, k});
    QCOMPARE(buffers.Count(), 5);
    QCOMPARE(buffers.Dropped(), qint64(2));
    // Samples 1..5 are now the 3rd to the 7th appended.
    for (int sample = 1; sample <= 5; ++sample) {
        QCOMPARE(buffers.At(0, false, sample), std::optional<int>(sample + 2));
        QCOMPARE(buffers.At(0, true, sample), std::optional<int>(sample + 102));
        QCOMPARE(buffers.At(2, false, sample), std::optional<int>(-(sample + 2)));
        QCOMPARE(buffers.At(1, false, sample), std::nullopt);
    }
    QCOMPARE(buffers.At(0, false, 0), std::nullopt);
    QCOMPARE(buffers.At(0, false, 6), std::nullopt);
    // Starting over forgets everything: no old value shows through.
    buffers.Clear();
    QCOMPARE(buffers.Count(), 0);
    buffers.Append({1, 2, 3, 4}, {5, 6, 7, 8});
    QCOMPARE(buffers.At(3, true, 1), std::optional<int>(8));
    QCOMPARE(buffers.At(3, true, 2), std::nullopt);
}

void TestSampler::seriesForPlotting() {
    SampleBuffers buffers(4);
    buffers.Append({234, std::nullopt, 5, 0}, {}); // sample 1
    buffers.Append({-17, std::nullopt, 5, 0}, {}); // sample 2
    buffers.Append({std::nullopt, std::nullopt, 5, 0}, {});
    const SampleBuffers::Series t1 = buffers.Copy(0, false);
    QCOMPARE(t1.values.size(), 3);
    QCOMPARE(t1.values[0], 23.4);
    QCOMPARE(t1.values[1], -1.7);
    QVERIFY(std::isnan(t1.values[2])); // a gap, not a stale value
    QVERIFY(t1.hasValues);
    QCOMPARE(t1.min, -1.7);
    QCOMPARE(t1.max, 23.4);
    QVERIFY(!buffers.Copy(1, false).hasValues);
    QVERIFY(!buffers.Copy(0, true).hasValues);
}

void TestSampler::alarmLabelBlinks() {
    FakeClock clock;
    LiveState live;
    live.Channels[0] = Channel(true, false, false, 1500);
    live.Channels[0].AlarmMaxC = 13700;
    live.Channels[0].AlarmMinC = -2000;
    live.Channels[0].AlarmMaxF = 24980;
    live.Channels[0].AlarmMinF = -3280;
    AlarmSettings alarms(live);
    alarms.RebuildChannel(0);
    alarms.SetAlarm(true, 0, 1500); // at the reading
    alarms.SetAlarm(false, 0, 1000);
    Sampler sampler(clock, live, alarms, 10);
    QList<bool> shownF, shownC;
    for (int k = 0; k < 4; ++k) {
        const SampleRecord r = sampler.TakeSample();
        shownF << r.AlarmShownF[0];
        shownC << r.AlarmShownC[0];
    }
    QCOMPARE(shownF, (QList<bool>{true, false, true, false}));
    QCOMPARE(shownC, (QList<bool>{false, false, false, false}));
    sampler.TakeSample(); // shown again
    QVERIFY(sampler.AlarmShownF()[0]);
    live.Channels[0].ReadingF = 1499; // just below: hidden at once
    QVERIFY(!sampler.TakeSample().AlarmShownF[0]);
    live.Channels[0].ReadingF = 1600;
    live.Channels[0].OverRange = true; // "Over" never blinks
    QVERIFY(!sampler.TakeSample().AlarmShownF[0]);
}

void TestSampler::sampleRecordCarriesTextsAndTime() {
    FakeClock clock;
    clock.now = QDateTime(QDate(2026, 3, 7), QTime(8, 5, 9));
    LiveState live;
    live.Channels[1] = Channel(true, false, false, 734);
    live.Channels[2] = Channel(true, false, true, 734);
    AlarmSettings alarms(live);
    Sampler sampler(clock, live, alarms, 10);
    QSignalSpy taken(&sampler, &Sampler::SampleTaken);
    sampler.TakeSample();
    const SampleRecord r = sampler.TakeSample();
    QCOMPARE(taken.size(), 2);
    QCOMPARE(r.SampleIndex, 2);
    QCOMPARE(r.TimeText, QStringLiteral("2026/03/07 08:05:09"));
    QCOMPARE(r.TextC, (std::array<QString, 4>{"- - -", "23.0", "Under", "- - -"}));
    QCOMPARE(r.TextF, (std::array<QString, 4>{"- - -", "73.4", "Under", "- - -"}));
    QCOMPARE(sampler.Buffers().At(1, true, 2), std::optional<int>(734));
    QCOMPARE(sampler.Buffers().At(0, true, 2), std::nullopt);
    sampler.StartOver();
    QCOMPARE(sampler.SampleIndex(), 0);
}

QTEST_GUILESS_MAIN(TestSampler)
#include "tst_sampler.moc"
