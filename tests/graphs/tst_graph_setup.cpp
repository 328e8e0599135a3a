#include "graphs/histogram.h"
#include "graphs/plot_setup.h"
#include "graphs/sweep_layout.h"
#include "link/live_state.h"
#include "recording/column_plot.h"

#include <QtTest>

class TestGraphSetup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stripChartSetup_data();
    void stripChartSetup();
    void columnSetup_data();
    void columnSetup();
    void channelWithoutProbePlotsNothing();
    void sweepGeometry_data();
    void sweepGeometry();
    void valueHeightClamps_data();
    void valueHeightClamps();
    void valueLabels_data();
    void valueLabels();
    void limitCheck_data();
    void limitCheck();
    void histogramClasses_data();
    void histogramClasses();
};

namespace {

// The setup values every plot is checked against, in one row of a table.
void AddSetupColumns() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("columnText");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("cursorY");
    QTest::addColumn<QString>("yAxis");
    QTest::addColumn<double>("xMin");
    QTest::addColumn<double>("xMax");
    QTest::addColumn<double>("yMin");
    QTest::addColumn<double>("yMax");
}

void CheckSetup(const PlotSetup& s) {
    QTEST(s.GraphCaption(), "caption");
    QTEST(s.PlotColumnText, "columnText");
    QTEST(s.UnitText(), "unit");
    QTEST(s.CursorYCaption(), "cursorY");
    QTEST(s.YAxisCaption(), "yAxis");
    QTEST(s.XMin(), "xMin");
    QTEST(s.XMax(), "xMax");
    QTEST(s.YMin(), "yMin");
    QTEST(s.YMax(), "yMax");
}

} // namespace

void TestGraphSetup::stripChartSetup_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("previousMin");
    QTest::addColumn<int>("previousMax");
    AddSetupColumns();
    QTest::newRow("T2 J on the °C panel after 300 samples")
        << 1 << "J" << false << 300 << 0 << 0 << "T2"
        << "2°C"
        << "°C"
        << "°C ( Y ) :"
        << "Celsius" << 1.0 << 300.0 << -200.0 << 1000.0;
    QTest::newRow("the same channel on the °F panel")
        << 1 << "J" << true << 300 << 0 << 0 << "T2"
        << "2°F"
        << "°F"
        << "°F ( Y ) :"
        << "Fahrenheit" << 1.0 << 300.0 << -328.0 << 1832.0;
    QTest::newRow("T1 K, ten days of samples") << 0 << "K" << false << 864000 << 0 << 0 << "T1"
                                               << "1°C"
                                               << "°C"
                                               << "°C ( Y ) :"
                                               << "Celsius" << 1.0 << 864000.0 << -200.0 << 1370.0;
    QTest::newRow("T4 B in °F") << 3 << "B" << true << 20 << 0 << 0 << "T4"
                                << "4°F"
                                << "°F"
                                << "°F ( Y ) :"
                                << "Fahrenheit" << 1.0 << 20.0 << 1112.0 << 3308.0;
    QTest::newRow("T3 C in °C") << 2 << "C" << false << 2 << 0 << 0 << "T3"
                                << "3°C"
                                << "°C"
                                << "°C ( Y ) :"
                                << "Celsius" << 1.0 << 2.0 << 0.0 << 2310.0;
    QTest::newRow("no sample yet: an empty plot around sample 1")
        << 0 << "T" << false << 0 << 0 << 0 << "T1"
        << "1°C"
        << "°C"
        << "°C ( Y ) :"
        << "Celsius" << 0.0 << 2.0 << -200.0 << 400.0;
    QTest::newRow("one sample: its point in the middle")
        << 0 << "R" << true << 1 << 0 << 0 << "T1"
        << "1°F"
        << "°F"
        << "°F ( Y ) :"
        << "Fahrenheit" << 0.0 << 2.0 << 32.0 << 2912.0;
    QTest::newRow("a letter outside the table keeps the previous range")
        << 2 << "" << false << 10 << -200 << 760 << "T3"
        << "3°C"
        << "°C"
        << "°C ( Y ) :"
        << "Celsius" << 1.0 << 10.0 << -200.0 << 760.0;
    QTest::newRow("no range ever read: the widest range of the unit")
        << 2 << "" << true << 10 << 0 << 0 << "T3"
        << "3°F"
        << "°F"
        << "°F ( Y ) :"
        << "Fahrenheit" << 1.0 << 10.0 << -328.0 << 4190.0;
}

void TestGraphSetup::stripChartSetup() {
    QFETCH(int, channel);
    QFETCH(QString, letter);
    QFETCH(bool, fahrenheit);
    QFETCH(int, samples);
    QFETCH(int, previousMin);
    QFETCH(int, previousMax);
    ChannelState state;
    state.ProbeValid = true;
    state.TypeLetter = letter;
    PlotSetup previous;
    previous.PlotYMin = previousMin;
    previous.PlotYMax = previousMax;
    const std::optional<PlotSetup> setup =
        SetupForChannel(state, channel, fahrenheit, samples, previous);
    QVERIFY(setup);
    QCOMPARE(setup->PlotRowCount, samples);
    CheckSetup(*setup);
}

void TestGraphSetup::columnSetup_data() {
    QTest::addColumn<QString>("plotColumnText");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("plotYMin");
    QTest::addColumn<int>("plotYMax");
    AddSetupColumns();
    QTest::newRow("T2 of a °F file with T2 - J")
        << "2°F" << 120 << -328 << 1832 << "T2"
        << "2°F"
        << "°F"
        << "°F ( Y ) :"
        << "Fahrenheit" << 1.0 << 120.0 << -328.0 << 1832.0;
    QTest::newRow("T1 of a °C file with T1 - K") << "1°C" << 3 << -200 << 1370 << "T1"
                                                 << "1°C"
                                                 << "°C"
                                                 << "°C ( Y ) :"
                                                 << "Celsius" << 1.0 << 3.0 << -200.0 << 1370.0;
    QTest::newRow("a file with only its heading line") << "4°C" << 0 << 0 << 1600 << "T4"
                                                       << "4°C"
                                                       << "°C"
                                                       << "°C ( Y ) :"
                                                       << "Celsius" << 0.0 << 2.0 << 0.0 << 1600.0;
    QTest::newRow("first click on a heading without a type")
        << "3°C" << 50 << 0 << 0 << "T3"
        << "3°C"
        << "°C"
        << "°C ( Y ) :"
        << "Celsius" << 1.0 << 50.0 << -200.0 << 2310.0;
}

void TestGraphSetup::columnSetup() {
    QFETCH(QString, plotColumnText);
    QFETCH(int, rows);
    QFETCH(int, plotYMin);
    QFETCH(int, plotYMax);
    ColumnPlot plot;
    plot.Column = plotColumnText.left(1).toInt() + 1;
    plot.PlotColumnText = plotColumnText;
    plot.PlotRowCount = rows;
    plot.PlotYMin = plotYMin;
    plot.PlotYMax = plotYMax;
    plot.Values.fill(20.0, rows);
    CheckSetup(SetupForColumn(plot));
}

void TestGraphSetup::channelWithoutProbePlotsNothing() {
    ChannelState state;
    state.ProbeValid = false;
    state.TypeLetter = QStringLiteral("K");
    QVERIFY(!SetupForChannel(state, 0, false, 300, PlotSetup{}));
}

void TestGraphSetup::sweepGeometry_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("plotWidth");
    QTest::addColumn<int>("plotHeight");
    QTest::addColumn<int>("plotBottom");
    QTest::addColumn<double>("stepX");
    QTest::addColumn<int>("counts");
    QTest::newRow("700 wide") << 700 << 500 << 630 << 400 << 473 << 1.0 << 630;
    QTest::newRow("one short of the next 30") << 689 << 400 << 600 << 300 << 373 << 1.0 << 600;
    QTest::newRow("exactly 30 more") << 690 << 400 << 630 << 300 << 373 << 1.0 << 630;
    QTest::newRow("step 2 halves the counts") << 700 << 500 << 630 << 400 << 473 << 2.0 << 315;
    QTest::newRow("fractional step rounds the counts")
        << 700 << 500 << 630 << 400 << 473 << 630.0 / 7 << 7;
    QTest::newRow("narrower than the margin") << 50 << 90 << 0 << 0 << 63 << 1.0 << 0;
}

void TestGraphSetup::sweepGeometry() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, stepX);
    const SweepLayout layout = SweepLayout::ForSize(width, height);
    QTEST(layout.PlotWidth, "plotWidth");
    QTEST(layout.PlotHeight, "plotHeight");
    QTEST(layout.PlotBottom, "plotBottom");
    QTEST(layout.Counts(stepX), "counts");
}

void TestGraphSetup::valueHeightClamps_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("height");
    QTest::newRow("bottom of the range") << 0.0 << 0.0;
    QTest::newRow("top of the range") << 100.0 << 400.0;
    QTest::newRow("room temperature") << 23.4 << 93.6;
    QTest::newRow("above: just over the top edge") << 100.1 << 405.0;
    QTest::newRow("below: just under the bottom edge") << -0.1 << -3.0;
}

void TestGraphSetup::valueHeightClamps() {
    QFETCH(double, value);
    const SweepLayout layout = SweepLayout::ForSize(700, 500);
    QTEST(layout.ValueHeight(value, 0, 100), "height");
}

void TestGraphSetup::valueLabels_data() {
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("30 to 130") << 30.0 << 130.0
                               << QStringList{"30.0", "42.5",  "55.0",  "67.5", "80.0",
                                              "92.5", "105.0", "117.5", "130.0"};
    QTest::newRow("the °C start range")
        << 0.0 << 100.0
        << QStringList{"0.0", "12.5", "25.0", "37.5", "50.0", "62.5", "75.0", "87.5", "100.0"};
    QTest::newRow("the °F start range")
        << 32.0 << 212.0
        << QStringList{"32.0", "54.5", "77.0", "99.5", "122.0", "144.5", "167.0", "189.5", "212.0"};
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
    QTest::addColumn<QString>("refusal"); // empty: accepted
    const QString valueC = QStringLiteral("-200 <= Value <= 2310, try again!");
    const QString valueF = QStringLiteral("-328 <= Value <= 4190, try again!");
    const QString counts = QStringLiteral("10 <= Counts <= 864000, try again!");
    QTest::newRow("max below min") << "120"
                                   << "125"
                                   << "630" << false << valueC;
    QTest::newRow("max equal to min") << "100"
                                      << "100"
                                      << "630" << false << valueC;
    QTest::newRow("min below the widest °C range") << "100"
                                                   << "-201"
                                                   << "630" << false << valueC;
    QTest::newRow("max above the widest °C range") << "2311"
                                                   << "0"
                                                   << "630" << false << valueC;
    QTest::newRow("the widest °C range") << "2310"
                                         << "-200"
                                         << "630" << false << "";
    QTest::newRow("°C limits are not °F limits") << "3000"
                                                 << "0"
                                                 << "630" << false << valueC;
    QTest::newRow("the widest °F range") << "4190"
                                         << "-328"
                                         << "10" << true << "";
    QTest::newRow("above the widest °F range") << "4190.1"
                                               << "-328"
                                               << "10" << true << valueF;
    QTest::newRow("no number counts as 0") << "abc"
                                           << "10"
                                           << "630" << false << valueC;
    QTest::newRow("value refusal comes before counts") << "1"
                                                       << "5"
                                                       << "3" << false << valueC;
    QTest::newRow("counts 9") << "130"
                              << "30"
                              << "9" << false << counts;
    QTest::newRow("counts 10") << "130"
                               << "30"
                               << "10" << false << "";
    QTest::newRow("counts 864000") << "130"
                                   << "30"
                                   << "864000" << false << "";
    QTest::newRow("counts 864001") << "130"
                                   << "30"
                                   << "864001" << false << counts;
    QTest::newRow("empty counts") << "130"
                                  << "30"
                                  << "" << true << counts;
    QTest::newRow("decimals") << "37.5"
                              << "-.5"
                              << "315" << false << "";
}

void TestGraphSetup::limitCheck() {
    QFETCH(QString, max);
    QFETCH(QString, min);
    QFETCH(QString, counts);
    QFETCH(bool, fahrenheit);
    QFETCH(QString, refusal);
    const SweepLimitCheck check = CheckSweepLimit(max, min, counts, fahrenheit);
    QCOMPARE(check.Refusal, refusal);
    QCOMPARE(bool(check.Accepted), refusal.isEmpty());
    if (check.Accepted) {
        QCOMPARE(check.Accepted->ValueMax, LeadingNumber(max));
        QCOMPARE(check.Accepted->ValueMin, LeadingNumber(min));
        QCOMPARE(check.Accepted->Counts, counts.toInt());
    }
}

void TestGraphSetup::histogramClasses_data() {
    QTest::addColumn<QString>("unitHeading");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("title");
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("width");
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("left");
    QTest::newRow("tenths, words left out")
        << "°C" << QStringList{"20.0", "20.1", "- - -", "Over", "20.1", "Under", "20.3"}
        << "T2 - J (°C)" << 20.0 << 0.1 << QList<int>{1, 2, 0, 1} << 3;
    QTest::newRow("a reading on an edge falls in the class above")
        << "°C" << QStringList{"23.4", "23.3", "23.4"} << "T2 - J (°C)" << 23.3 << 0.1
        << QList<int>{1, 2} << 0;
    QTest::newRow("below zero, short minus texts")
        << "°C" << QStringList{"-.5", "-0.5", "0.4"} << "T2 - J (°C)" << -0.5 << 0.1
        << QList<int>{2, 0, 0, 0, 0, 0, 0, 0, 0, 1} << 0;
    QTest::newRow("a wide spread gets round classes")
        << "°F" << QStringList{"0.0", "100.0", "52.3"} << "T2 - J (°F)" << 0.0 << 5.0
        << QList<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1} << 0;
    QTest::newRow("a heading other than °C is taken as °F")
        << "" << QStringList{"70.0"} << "T2 - J (°F)" << 70.0 << 0.1 << QList<int>{1} << 0;
    QTest::newRow("no reading at all") << "°C" << QStringList{"- - -", "", "Over"} << "T2 - J (°C)"
                                       << 0.0 << 0.0 << QList<int>{} << 3;
}

void TestGraphSetup::histogramClasses() {
    QFETCH(QString, unitHeading);
    QFETCH(QStringList, cells);
    const Histogram h = MakeHistogram(QStringLiteral("T2 - J"), unitHeading, cells.size(),
                                      [&](qint64 i) { return cells[int(i)]; });
    QTEST(h.Title, "title");
    QTEST(h.First, "first");
    QTEST(h.Width, "width");
    QTEST(QList<int>(h.Counts.begin(), h.Counts.end()), "counts");
    QTEST(int(h.Left), "left");
    QCOMPARE(h.Readings + h.Left, qint64(cells.size()));
}

QTEST_GUILESS_MAIN(TestGraphSetup)
#include "tst_graph_setup.moc"
