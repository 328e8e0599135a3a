#include "graphs/series_stats.h"
#include "link/reading_text.h"
#include "recording/reading_series.h"
#include "recording/sample_buffers.h"

#include <QDateTime>
#include <QtTest>

#include <cmath>

// Figures over a stretch of readings as the file holds them: texts with gaps and record times.
class TestSeriesStats : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statistics_data();
    void statistics();
    void rateOfRise_data();
    void rateOfRise();
    void overAndUnderInTheSampleBuffersAreGaps();
};

namespace {

// The records' times as a file writes them: `seconds` after 2013/08/08 14:05:09.
ReadingSeries Series(const QStringList& texts, const QList<int>& seconds) {
    const QDateTime start(QDate(2013, 8, 8), QTime(14, 5, 9));
    ReadingSeriesBuilder builder(1);
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QByteArray when = DateTimeText(start.addSecs(seconds.value(i, int(i)))).toLatin1();
        const QByteArray text = texts[i].toLatin1();
        const QByteArrayView reading(text);
        builder.AddRecord(when, &reading);
    }
    return builder.Finish().front();
}

QList<int> Ramp(int count, int step) {
    QList<int> seconds;
    for (int i = 0; i < count; ++i)
        seconds << i * step;
    return seconds;
}

} // namespace

void TestSeriesStats::statistics_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("seconds"); // empty: one a second
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("level");       // empty: none
    QTest::addColumn<QStringList>("figures"); // min, when, max, when, mean, readings, above
    QTest::newRow("gaps are no numbers")
        << QStringList{"20.0", "Over", "- - -", "-.5", "Under", "25.1", " ", "23.45"}
        << QList<int>() << 0 << 7 << "20.0"
        << QStringList{"-0.5", "2013/08/08 14:05:12", "25.1", "2013/08/08 14:05:14", "14.9", "3",
                       "1"};
    QTest::newRow("first time reached; mean rounds half away from zero")
        << QStringList{"-.1", "-.2", "-.2", "-.1"} << QList<int>() << 0 << 3 << QString()
        << QStringList{"-0.2", "2013/08/08 14:05:10", "-0.1", "2013/08/08 14:05:09", "-0.2", "4",
                       ""};
    QTest::newRow("a reading at the level is not above it")
        << QStringList{"99.9", "100.0", "100.1", "100.0", "100.2"} << Ramp(5, 10) << 0 << 4 << "100"
        << QStringList{"99.9", "2013/08/08 14:05:09", "100.2", "2013/08/08 14:05:49", "100.0", "5",
                       "20"};
    QTest::newRow("a hole in the recording counts one step")
        << QStringList{"5.0", "5.0", "5.0", "5.0", "5.0"} << QList<int>{0, 5, 10, 300, 305} << 0
        << 4 << "-.5"
        << QStringList{"5.0", "2013/08/08 14:05:09", "5.0", "2013/08/08 14:05:09", "5.0", "5",
                       "25"};
    QTest::newRow("a stretch of the run")
        << QStringList{"1.0", "9.0", "3.0", "4.0", "0.0"} << QList<int>() << 2 << 3 << "3.5"
        << QStringList{"3.0", "2013/08/08 14:05:11", "4.0", "2013/08/08 14:05:12", "3.5", "2", "1"};
    QTest::newRow("only gaps") << QStringList{"Over", "- - -"} << QList<int>() << 0 << 1 << "0"
                               << QStringList{"", "", "", "", "", "0", "0"};
}

void TestSeriesStats::statistics() {
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, seconds);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QString, level);
    const ReadingSeries series = Series(texts, seconds);
    const SeriesStats s = StatsOver(
        series, first, last, level.isEmpty() ? std::nullopt : ReadingTenths(level.toLatin1()));
    const auto degrees = [](std::optional<int> t) { return t ? OneDecimalText(*t) : QString(); };
    const QStringList figures{degrees(s.minimum),
                              series.DateTimeText(s.minimumAt),
                              degrees(s.maximum),
                              series.DateTimeText(s.maximumAt),
                              degrees(s.mean),
                              QString::number(s.samples),
                              s.secondsAbove ? QString::number(*s.secondsAbove) : QString()};
    QTEST(figures, "figures");
}

void TestSeriesStats::rateOfRise_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("seconds");
    QTest::addColumn<int>("span");
    QTest::addColumn<int>("sample");
    QTest::addColumn<QString>("rate"); // empty: none
    const QStringList falling{"10.0", "9.5", "9.0", "8.0"};
    QTest::newRow("over the span") << falling << QList<int>() << 3 << 3 << "-40.0 °C/min";
    QTest::newRow("within the first span") << falling << QList<int>() << 3 << 2 << "";
    QTest::newRow("a gap a span back")
        << QStringList{"Over", "9.5", "9.0", "8.0"} << QList<int>() << 3 << 3 << "";
    QTest::newRow("span between samples: the one before it")
        << QStringList{"0.0", "10.0", "99.0", "10.7"} << Ramp(4, 7) << 10 << 3 << "3.0 °C/min";
    QTest::newRow("across a hole in the recording")
        << QStringList{"1.0", "2.0", "3.0", "4.0", "5.0"} << QList<int>{0, 1, 2, 100, 101} << 3 << 4
        << "";
    QTest::newRow("clock set back an hour: one step")
        << QStringList{"1.0", "2.0", "3.0", "4.0", "5.0"} << QList<int>{0, 1, 2, -3597, -3596} << 3
        << 4 << "60.0 °C/min";
    QTest::newRow("rounds half away from zero")
        << QStringList{"10.0", "9.9"} << QList<int>{0, 40} << 40 << 1 << "-0.2 °C/min";
}

void TestSeriesStats::rateOfRise() {
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, seconds);
    QFETCH(int, span);
    QFETCH(int, sample);
    const ReadingSeries series = Series(texts, seconds);
    const std::optional<int> rate = RateOfRise(series, sample, span);
    QTEST(RateText(rate, QStringLiteral("°C")), "rate");
    // The curve drawn on the second axis says the same at every sample.
    const QVector<double> curve = RateOfRiseCurve(series, span);
    for (qsizetype i = 0; i < series.Size(); ++i) {
        const std::optional<int> at = RateOfRise(series, i, span);
        QVERIFY(at ? curve[i] == *at / 10.0 : std::isnan(curve[i]));
    }
}

// The buffers chart Over and Under at the type's range ends (K: -200.0 to 1370.0 °C).
void TestSeriesStats::overAndUnderInTheSampleBuffersAreGaps() {
    SampleBuffers buffers(8);
    for (int tenths : {13700, 215, -2000, 13699})
        buffers.Append({tenths, {}, {}, {}}, {});
    const SeriesStats s =
        StatsOver(SeriesFromBuffers(buffers, 0, false, 5, -2000, 13700), 0, 3, 200);
    QCOMPARE((QList<qint64>{*s.minimum, *s.maximum, s.samples, *s.secondsAbove}),
             (QList<qint64>{215, 13699, 2, 10}));
}

QTEST_GUILESS_MAIN(TestSeriesStats)
#include "tst_series_stats.moc"
