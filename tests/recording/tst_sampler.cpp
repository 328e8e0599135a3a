#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "link/reading_text.h"
#include "recording/sample_buffers.h"
#include "recording/sampler.h"
#include "support/fake_clock.h"
#include "support/live_packet.h"

#include <QtTest>
#include <cmath>

using Flags = QString; // of "p" (probe), "o" (over) and "u" (under)

namespace {

// A type K channel.
ChannelState Channel(const Flags& flags, int readingF) {
    ChannelState ch;
    ch.ProbeValid = flags.contains('p');
    ch.OverRange = flags.contains('o');
    ch.UnderRange = flags.contains('u');
    ch.TypeCode = 0;
    ch.UpperC = 13700;
    ch.LowerC = -2000;
    ch.UpperF = 24980;
    ch.LowerF = -3280;
    ch.ReadingF = readingF;
    ch.ReadingC = CelsiusTenths(readingF);
    ch.ReadingFText = TenthsText(readingF);
    ch.ReadingCText = TenthsText(*ch.ReadingC);
    return ch;
}

} // namespace

class TestSampler : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void precedence_data();
    void precedence();
    void tickCounting_data();
    void tickCounting();
    void onlyFreshReadings_data();
    void onlyFreshReadings();
    void buffersKeepNewestWhenFull();
    void seriesHasGaps();
    void sampleOfTheLiveState();
};

void TestSampler::precedence_data() {
    QTest::addColumn<Flags>("flags");
    QTest::addColumn<int>("readingF");
    QTest::addColumn<QString>("sample"); // texts C|F, charted C|F (- nothing), at alarm C, F
    const auto row = [](const char* name, const char* flags, int readingF, const char* sample) {
        QTest::newRow(name) << Flags(flags) << readingF << QString(sample);
    };
    // Alarm values in the test: 100.0 °C and 150.0 °F.
    row("normal below both alarms", "p", 734, "23.0|73.4|230|734|");
    row("exactly at the F alarm", "p", 1500, "65.5|150.0|655|1500|F");
    row("exactly at the C alarm", "p", 2120, "100.0|212.0|1000|2120|CF");
    row("no probe shows dashes, charts nothing", "", 734, "- - -|- - -|-|-|");
    row("no probe wins over Over", "o", 734, "- - -|- - -|-|-|");
    row("under charts the lower limits", "pu", 734, "Under|Under|-2000|-3280|");
    row("over wins over under, charts the upper limits", "pou", 3000, "Over|Over|13700|24980|");
}

void TestSampler::precedence() {
    QFETCH(Flags, flags);
    QFETCH(int, readingF);
    const ChannelSample s = SampleChannel(Channel(flags, readingF), 1000, 1500);
    const auto charted = [](std::optional<int> v) { return v ? QString::number(*v) : "-"; };
    const QString alarms = QString(s.AtAlarmC ? "C" : "") + (s.AtAlarmF ? "F" : "");
    QTEST(
        QStringList({s.TextC, s.TextF, charted(s.ChartedC), charted(s.ChartedF), alarms}).join('|'),
        "sample");
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
    for (int ch = 0; ch < 4; ++ch)
        live.MarkRead(ch, clock.now);
    Sampler sampler(clock, live, alarms, 100);
    sampler.SetSamplingTime(samplingTime);
    QList<int> sampled;
    for (int tick = 1; tick <= 12; ++tick) {
        if (sampler.SampleTick())
            sampled << tick;
    }
    QTEST(sampled, "sampledTicks");
    QCOMPARE(sampler.SampleIndex(), sampled.size());
}

void TestSampler::onlyFreshReadings_data() {
    QTest::addColumn<QList<int>>("ageMs"); // of each channel's last packet; -1: none since start
    QTest::addColumn<QString>("texts");    // of the sample, °F; empty: no sample
    QTest::newRow("all current") << QList<int>{0, 2999, 1000, 0} << "73.4 73.4 73.4 73.4";
    QTest::newRow("3 s old: a hole") << QList<int>{3000, 3000, 3000, 3000} << "";
    QTest::newRow("never read: a hole") << QList<int>{-1, -1, -1, -1} << "";
    QTest::newRow("read after now (clock set back): a hole") << QList<int>(4, -5000) << "";
    QTest::newRow("a stale channel is left out")
        << QList<int>{0, 0, 4000, 0} << "73.4 73.4 - - - 73.4";
}

// A sample holds only readings decoded within the last 3 s; with none, the sample that fell due
// comes at the next tick that finds a current reading.
void TestSampler::onlyFreshReadings() {
    QFETCH(QList<int>, ageMs);
    FakeClock clock;
    LiveState live;
    for (int ch = 0; ch < 4; ++ch) {
        FeedLivePacket(live, ch, 0, 734);
        if (ageMs[ch] != -1)
            live.MarkRead(ch, clock.now.addMSecs(-ageMs[ch]));
    }
    AlarmSettings alarms(live);
    Sampler sampler(clock, live, alarms, 10);
    sampler.SampleTick(); // counts up to the sampling time
    QStringList texts;
    connect(&sampler, &Sampler::SampleTaken, this,
            [&](const SampleRecord& r) { texts = QStringList(r.TextF.begin(), r.TextF.end()); });
    sampler.SampleTick();
    QTEST(texts.join(' '), "texts");
    for (int ch = 0; ch < 4; ++ch)
        live.MarkRead(ch, clock.now);
    QVERIFY(sampler.SampleTick());
}

void TestSampler::buffersKeepNewestWhenFull() {
    SampleBuffers buffers(5);
    for (int k = 1; k <= 7; ++k)
        buffers.Append({k, std::nullopt, -k, 0}, {k + 100, std::nullopt, 0, 0});
    QCOMPARE(buffers.Count(), 5);
    QCOMPARE(buffers.Dropped(), qint64(2));
    // Samples 1..5 are now the 3rd to the 7th appended; nothing outside them.
    const auto column = [&](int channel, bool f) {
        QStringList texts;
        for (int sample = 0; sample <= 6; ++sample) {
            const std::optional<int> v = buffers.At(channel, f, sample);
            texts << (v ? QString::number(*v) : "-");
        }
        return texts.join(' ');
    };
    QCOMPARE(column(0, false), "- 3 4 5 6 7 -");
    QCOMPARE(column(0, true), "- 103 104 105 106 107 -");
    QCOMPARE(column(1, false), "- - - - - - -");
    QCOMPARE(column(2, false), "- -3 -4 -5 -6 -7 -");
    // Starting over forgets everything: no old value shows through.
    buffers.Clear();
    buffers.Append({1, 2, 3, 4}, {5, 6, 7, 8});
    QCOMPARE(buffers.Count(), 1);
    QCOMPARE(column(3, true), "- 8 - - - - -");
}

void TestSampler::seriesHasGaps() {
    SampleBuffers buffers(4);
    for (std::optional<int> v : {std::optional<int>(234), std::optional<int>(-17), {}})
        buffers.Append({v, std::nullopt, 5, 0}, {});
    const SampleBuffers::Series t1 = buffers.Copy(0, false);
    QCOMPARE(t1.values.mid(0, 2), (QVector<double>{23.4, -1.7}));
    QVERIFY(t1.values.size() == 3 && std::isnan(t1.values[2])); // a gap, not a stale value
    QCOMPARE(std::make_pair(t1.min, t1.max), std::make_pair(-1.7, 23.4));
    QVERIFY(t1.hasValues && !buffers.Copy(1, false).hasValues);
}

void TestSampler::sampleOfTheLiveState() {
    FakeClock clock;
    clock.now = QDateTime(QDate(2026, 3, 7), QTime(20, 5, 9));
    LiveState live;
    FeedLivePacket(live, 1, 0, 734);
    FeedLivePacket(live, 2, 0, 734, QStringLiteral("pu"));
    AlarmSettings alarms(live);
    Sampler sampler(clock, live, alarms, 10);
    QSignalSpy taken(&sampler, &Sampler::SampleTaken);
    sampler.TakeSample();
    const SampleRecord r = sampler.TakeSample();
    QCOMPARE(taken.size(), 2);
    QCOMPARE(r.SampleIndex, 2);
    QCOMPARE(r.TimeText, QStringLiteral("2026/03/07 20:05:09")); // a 24-hour clock
    QCOMPARE(r.TextC, (std::array<QString, 4>{"- - -", "23.0", "Under", "- - -"}));
    QCOMPARE(r.TextF, (std::array<QString, 4>{"- - -", "73.4", "Under", "- - -"}));
    QCOMPARE(sampler.Buffers().At(1, true, 2), std::optional<int>(734));
    QCOMPARE(sampler.Buffers().At(0, true, 2), std::nullopt);
    sampler.StartOver();
    QCOMPARE(sampler.SampleIndex(), 0);
}

QTEST_GUILESS_MAIN(TestSampler)
#include "tst_sampler.moc"
