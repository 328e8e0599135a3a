#include "graphs/histogram.h"
#include "graphs/plot_setup.h"
#include "graphs/sweep_layout.h"
#include "link/live_state.h"

#include <QtTest>

class TestGraphSetup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stripChartSetup_data();
    void stripChartSetup();
    void sweepGeometry_data();
    void sweepGeometry();
    void valueLabels_data();
    void valueLabels();
    void limitCheck_data();
    void limitCheck();
    void histogramClasses_data();
    void histogramClasses();
};

void TestGraphSetup::stripChartSetup_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("letter"); // empty: no probe
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("previous"); // the Y range the last plot left: -200..previous
    QTest::addColumn<QString>("columnText");
    QTest::addColumn<QList<double>>("ranges"); // X min, X max, Y min, Y max; empty: no plot
    const auto row = [](const char* name, int channel, const char* letter, bool fahrenheit,
                        int samples, const char* columnText, const QList<double>& ranges,
                        int previous = 0) {
        QTest::newRow(name) << channel << QString(letter) << fahrenheit << samples << previous
                            << QString(columnText) << ranges;
    };
    row("T2 J on the °C panel", 1, "J", false, 300, "2°C", {1, 300, -200, 1000});
    row("the same channel on the °F panel", 1, "J", true, 300, "2°F", {1, 300, -328, 1832});
    row("T4 B in °F", 3, "B", true, 20, "4°F", {1, 20, 1112, 3308});
    row("no sample yet: an empty plot around sample 1", 0, "T", false, 0, "1°C", {0, 2, -200, 400});
    row("one sample: its point in the middle", 0, "R", true, 1, "1°F", {0, 2, 32, 2912});
    row("a letter outside the table keeps the previous range", 2, "?", false, 10, "3°C",
        {1, 10, -200, 760}, 760);
    row("no range ever read: the widest range of the unit", 2, "?", true, 10, "3°F",
        {1, 10, -328, 4190});
    row("no probe: no plot", 0, "", false, 300, "", {});
}

void TestGraphSetup::stripChartSetup() {
    QFETCH(int, channel);
    QFETCH(QString, letter);
    QFETCH(bool, fahrenheit);
    QFETCH(int, samples);
    QFETCH(int, previous);
    QFETCH(QList<double>, ranges);
    ChannelState state;
    state.ProbeValid = !letter.isEmpty();
    state.TypeLetter = letter == QLatin1String("?") ? QString() : letter;
    PlotSetup last;
    last.PlotYMin = previous ? -200 : 0;
    last.PlotYMax = previous;
    const std::optional<PlotSetup> s = SetupForChannel(state, channel, fahrenheit, samples, last);
    QCOMPARE(bool(s), !ranges.isEmpty());
    if (s) {
        QTEST(s->PlotColumnText, "columnText");
        QCOMPARE((QList<double>{s->XMin(), s->XMax(), s->YMin(), s->YMax()}), ranges);
    }
}

void TestGraphSetup::sweepGeometry_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<double>("stepX");
    QTest::addColumn<int>("plotWidth"); // whole time marks of 30 across
    QTest::addColumn<int>("counts");
    QTest::newRow("one short of the next 30") << 689 << 1.0 << 600 << 600;
    QTest::newRow("step 2 halves the counts") << 700 << 2.0 << 630 << 315;
    QTest::newRow("fractional step rounds the counts") << 700 << 630.0 / 7 << 630 << 7;
    QTest::newRow("narrower than the margin") << 50 << 1.0 << 0 << 0;
}

void TestGraphSetup::sweepGeometry() {
    QFETCH(int, width);
    QFETCH(double, stepX);
    const SweepLayout layout = SweepLayout::ForSize(width, 500);
    QTEST(layout.PlotWidth, "plotWidth");
    QTEST(layout.Counts(stepX), "counts");
}

void TestGraphSetup::valueLabels_data() {
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("30 to 130") << 30.0 << 130.0
                               << QStringList{"30.0", "42.5",  "55.0",  "67.5", "80.0",
                                              "92.5", "105.0", "117.5", "130.0"};
    QTest::newRow("longer decimals are cut, not rounded")
        << 0.0 << 1.0 << QStringList{"0.0", "0.1", "0.2", "0.3", "0.5", "0.6", "0.7", "0.8", "1.0"};
    QTest::newRow("below zero, cut toward zero, no minus zero")
        << -1.0 << 0.0
        << QStringList{"-1.0", "-0.8", "-0.7", "-0.6", "-0.5", "-0.3", "-0.2", "-0.1", "0.0"};
    QTest::newRow("tenths that binary cannot hold")
        << 0.0 << 2.4 << QStringList{"0.0", "0.3", "0.6", "0.9", "1.2", "1.5", "1.8", "2.1", "2.4"};
}

void TestGraphSetup::valueLabels() {
    QFETCH(double, min);
    QFETCH(double, max);
    QTEST(SweepValueLabels(min, max), "labels");
}

void TestGraphSetup::limitCheck_data() {
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("counts");
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<QString>("refusal");     // empty: accepted
    QTest::addColumn<QList<double>>("taken"); // max, min, counts
    const QString valueC = QStringLiteral("-200 <= Value <= 2310, try again!");
    const QString valueF = QStringLiteral("-328 <= Value <= 4190, try again!");
    const QString counts = QStringLiteral("10 <= Counts <= 864000, try again!");
    const auto row = [](const char* name, const char* max, const char* min, const char* counts,
                        bool fahrenheit, const QString& refusal, const QList<double>& taken = {}) {
        QTest::newRow(name) << QString(max) << QString(min) << QString(counts) << fahrenheit
                            << refusal << taken;
    };
    row("max equal to min", "100", "100", "630", false, valueC);
    row("min below the widest °C range", "100", "-201", "630", false, valueC);
    row("max above the widest °C range", "2311", "0", "630", false, valueC);
    row("the widest °C range", "2310", "-200", "630", false, "", {2310, -200, 630});
    row("the widest °F range", "4190", "-328", "10", true, "", {4190, -328, 10});
    row("above the widest °F range", "4190.1", "-328", "10", true, valueF);
    row("no number counts as 0", "abc", "10", "630", false, valueC);
    row("value refusal comes before counts", "1", "5", "3", false, valueC);
    row("counts 9", "130", "30", "9", false, counts);
    row("counts 10", "130", "30", "10", false, "", {130, 30, 10});
    row("counts 864000", "130", "30", "864000", false, "", {130, 30, 864000});
    row("counts 864001", "130", "30", "864001", false, counts);
    row("empty counts", "130", "30", "", true, counts);
    row("decimals", "37.5", "-.5", "315", false, "", {37.5, -0.5, 315});
}

void TestGraphSetup::limitCheck() {
    QFETCH(QString, max);
    QFETCH(QString, min);
    QFETCH(QString, counts);
    QFETCH(bool, fahrenheit);
    const SweepLimitCheck check = CheckSweepLimit(max, min, counts, fahrenheit);
    QTEST(check.Refusal, "refusal");
    const std::optional<SweepLimit>& a = check.Accepted;
    QTEST(a ? QList<double>({a->ValueMax, a->ValueMin, double(a->Counts)}) : QList<double>(),
          "taken");
}

void TestGraphSetup::histogramClasses_data() {
    QTest::addColumn<QString>("unitHeading");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QList<double>>("classes"); // the first class's start, the class width
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("left");
    QTest::newRow("tenths, words left out")
        << "°C" << QStringList{"20.0", "20.1", "- - -", "Over", "20.1", "Under", "20.3"}
        << "T2 - J (°C)" << QList<double>{20.0, 0.1} << QList<int>{1, 2, 0, 1} << 3;
    QTest::newRow("a reading on an edge falls in the class above")
        << "°C" << QStringList{"23.4", "23.3", "23.4"} << "T2 - J (°C)" << QList<double>{23.3, 0.1}
        << QList<int>{1, 2} << 0;
    QTest::newRow("below zero, short minus texts")
        << "°C" << QStringList{"-.5", "-0.5", "0.4"} << "T2 - J (°C)" << QList<double>{-0.5, 0.1}
        << QList<int>{2, 0, 0, 0, 0, 0, 0, 0, 0, 1} << 0;
    QTest::newRow("a wide spread gets round classes")
        << "°F" << QStringList{"0.0", "100.0", "52.3"} << "T2 - J (°F)" << QList<double>{0.0, 5.0}
        << QList<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1} << 0;
    QTest::newRow("a heading other than °C is taken as °F")
        << "" << QStringList{"70.0"} << "T2 - J (°F)" << QList<double>{70.0, 0.1} << QList<int>{1}
        << 0;
    QTest::newRow("no reading at all") << "°C" << QStringList{"- - -", "", "Over"} << "T2 - J (°C)"
                                       << QList<double>{0.0, 0.0} << QList<int>{} << 3;
}

void TestGraphSetup::histogramClasses() {
    QFETCH(QString, unitHeading);
    QFETCH(QStringList, cells);
    const Histogram h = MakeHistogram(QStringLiteral("T2 - J"), unitHeading, cells.size(),
                                      [&](qint64 i) { return cells[int(i)]; });
    QTEST(h.Title, "title");
    QTEST((QList<double>{h.First, h.Width}), "classes");
    QTEST(QList<int>(h.Counts.begin(), h.Counts.end()), "counts");
    QTEST(int(h.Left), "left");
    QCOMPARE(h.Readings + h.Left, qint64(cells.size()));
}

QTEST_GUILESS_MAIN(TestGraphSetup)
#include "tst_graph_setup.moc"
