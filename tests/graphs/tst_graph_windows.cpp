#include "config/alarm_settings.h"
#include "graphs/graph_commands.h"
#include "graphs/plot_stats_panel.h"
#include "graphs/plot_window.h"
#include "graphs/realtime_graph_window.h"
#include "link/live_state.h"
#include "link/meter_timers.h"
#include "recording/column_plot.h"
#include "recording/sampler.h"
#include "recording/six_column_model.h"
#include "session/meter_session.h"
#include "support/fake_clock.h"
#include "support/live_packet.h"
#include "support/pdf_text.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <qcustomplot.h>

// The graph windows driven as a user would, through their named controls, over a sampler fed
// from a live state the test sets.
class TestGraphWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void stripChartOpensPlot_data();
    void stripChartOpensPlot();
    void plotGapThenColumnInSameWindow();
    void cursorStartsAtCentreAndFollowsMouse();
    void rangeFieldsAndResetScale();
    void printToPdf();
    void saveImage_data();
    void saveImage();
    void statisticsOverViewSelectionAndCursor();

    void limit_data();
    void limit();
    void limitEntriesTakeOnlyTheirKeys();
    void realTimeDrawsLatestSampleOfEachChannel();
    void unitChangeStartsOverInNewUnit();
    void graphOpensOnce();

private:
    void TakeSamples(int count, int readingC);
    PlotWindow& PlotT2(int samples, bool fahrenheit = false);
    RealtimeGraphWindow* OpenGraph();
    // The objects a graph window reads and drives, made again for every test.
    struct Rig {
        FakeClock clock;
        MeterSession session{clock, Capacity(2000)};
        LiveState& live = session.Live();
        Sampler& sampler = session.GetSampler();
        MeterTimers& timers = session.Timers();
        ScriptedDialogs dialogs;
        QMainWindow main;
        GraphCommands graphs{session, dialogs, &main};
        static MeterSession::Settings Capacity(int samples) {
            MeterSession::Settings settings;
            settings.sampleCapacity = samples;
            return settings;
        }
    };
    QTemporaryDir dir_;
    std::unique_ptr<Rig> rig_;
};

namespace {

// A probe with a type on a channel reading `readingC` tenths of °C: the meter sends the °F
// reading that decodes to exactly that (9/5 of it, rounded away from zero, plus 32 °F).
void SetChannel(LiveState& live, int channel, bool probe, int code, int readingC,
                const QString& unit = QString()) {
    const int nineFifths = readingC * 9 >= 0 ? (readingC * 9 + 4) / 5 : (readingC * 9 - 4) / 5;
    FeedLivePacket(live, channel, code, 320 + nineFifths, (probe ? "p" : "") + unit);
}

// X min, X max, Y min, Y max as the axes show them, and as the range fields do.
QList<double> Ranges(PlotWindow& plot) {
    const QCPRange x = plot.Graph()->xAxis->range(), y = plot.Graph()->yAxis->range();
    return {x.lower, x.upper, y.lower, y.upper};
}
QList<double> Fields(PlotWindow& plot) {
    return {plot.AxisMin(1)->value(), plot.AxisMax(1)->value(), plot.AxisMin(2)->value(),
            plot.AxisMax(2)->value()};
}

bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue()) <
           120;
}

} // namespace

void TestGraphWindows::init() {
    rig_ = std::make_unique<Rig>();
    rig_->main.setGeometry(40, 40, 500, 400);
    connect(&rig_->sampler, &Sampler::SampleTaken, &rig_->graphs, &GraphCommands::OnSample);
    SetChannel(rig_->live, 1, true, 1, 234); // T2, type J
}

void TestGraphWindows::cleanup() {
    rig_.reset();
}

void TestGraphWindows::TakeSamples(int count, int readingC) {
    for (int k = 0; k < count; ++k) {
        SetChannel(rig_->live, 1, true, 1, readingC + k);
        rig_->sampler.TakeSample();
    }
}

// T2's strip chart clicked after `samples` samples from 23.4 °C up.
PlotWindow& TestGraphWindows::PlotT2(int samples, bool fahrenheit) {
    TakeSamples(samples, 234);
    rig_->graphs.PlotChannel(1, fahrenheit);
    return *rig_->graphs.Plot();
}

// The real-time graph with a drawing surface of 700 x 500: a plot area of 630 x 400.
RealtimeGraphWindow* TestGraphWindows::OpenGraph() {
    rig_->graphs.ShowGraph();
    RealtimeGraphWindow* graph = rig_->graphs.Graph();
    graph->resize(QSize(700, 500) + graph->size() - graph->SurfaceWidget()->size());
    QCoreApplication::processEvents();
    return graph;
}

void TestGraphWindows::stripChartOpensPlot_data() {
    QTest::addColumn<int>("samples");
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<QList<double>>("ranges");
    QTest::addColumn<double>("firstValue");
    QTest::newRow("°C panel") << 300 << false << QList<double>{1, 300, -200, 1000} << 23.4;
    QTest::newRow("°F panel") << 300 << true << QList<double>{1, 300, -328, 1832} << 74.2;
    QTest::newRow("no sample yet") << 0 << false << QList<double>{0, 2, -200, 1000} << 0.0;
}

void TestGraphWindows::stripChartOpensPlot() {
    QFETCH(int, samples);
    QFETCH(bool, fahrenheit);
    rig_->timers.StartBoth();
    PlotWindow& plot = PlotT2(samples, fahrenheit);
    QVERIFY(plot.isVisible());
    QTEST(Ranges(plot), "ranges");
    QTEST(Fields(plot), "ranges");
    QCPGraph* curve = plot.Graph()->graph(0);
    QCOMPARE(curve->dataCount(), samples);
    if (samples > 0) {
        QTEST(curve->data()->at(0)->value, "firstValue");
        QCOMPARE(curve->data()->at(0)->key, 1.0);
        QCOMPARE(curve->data()->at(samples - 1)->key, double(samples));
    }
    QVERIFY(rig_->timers.PollingTimer().isActive() && rig_->timers.SamplingTimer().isActive());
}

// A sample without a probe is a gap in the curve; a file column then replaces the curve in the
// same window.
void TestGraphWindows::plotGapThenColumnInSameWindow() {
    TakeSamples(3, 200);
    SetChannel(rig_->live, 1, false, 1, 0);
    rig_->sampler.TakeSample();
    SetChannel(rig_->live, 1, true, 1, 250);
    rig_->sampler.TakeSample();
    rig_->graphs.PlotChannel(1, false);
    QPointer<PlotWindow> first = rig_->graphs.Plot();
    QCPGraph* curve = first->Graph()->graph(0);
    QCOMPARE(curve->dataCount(), 5);
    QVERIFY(std::isnan(curve->data()->at(3)->value));
    QCOMPARE(curve->data()->at(4)->value, 25.0);

    ColumnPlot column;
    column.Column = 5;
    column.PlotRowCount = 4;
    column.PlotColumnText = QStringLiteral("4°F");
    column.PlotYMax = 2912;
    column.PlotYMin = 32;
    column.Values = {70.0, 0.0, 71.5, 72.0};
    rig_->graphs.PlotColumn(column);
    QCOMPARE(rig_->graphs.Plot(), first.data());
    QCOMPARE(first->Graph()->yAxis->label(), QStringLiteral("Fahrenheit"));
    QCOMPARE(first->Graph()->graph(0)->dataCount(), 4);
    QCOMPARE(first->Graph()->graph(0)->data()->at(2)->value, 71.5);
    QCOMPARE(Ranges(*first), (QList<double>{1, 4, 32, 2912}));
}

void TestGraphWindows::cursorStartsAtCentreAndFollowsMouse() {
    PlotWindow& plot = PlotT2(300);
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    const double fields[] = {10, 21, -5, 30.3};
    for (int i = 0; i < 4; ++i)
        (i % 2 ? plot.AxisMax(1 + i / 2) : plot.AxisMin(1 + i / 2))->setValue(fields[i]);
    QVERIFY(!plot.CursorVisible());
    plot.SelectTrackMode(PlotWindow::CursorCoordinates);
    QVERIFY(plot.CursorVisible());
    QCOMPARE((QStringList{plot.XPosition()->text(), plot.YPosition()->text()}),
             (QStringList{"15.5", "12.7"}));
    // Dragged by the mouse, the cursor stays where it is let go.
    QCustomPlot* graph = plot.Graph();
    const QRect area = graph->axisRect()->rect();
    const QPoint to = area.topLeft() + QPoint(area.width() / 4, area.height() / 4);
    QTest::mousePress(graph, Qt::LeftButton, {}, area.center());
    QTest::mouseMove(graph, to);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, to);
    QCOMPARE(plot.CursorPosition(),
             QPointF(graph->xAxis->pixelToCoord(to.x()), graph->yAxis->pixelToCoord(to.y())));
    plot.MoveCursor(12, -0.04);
    QCOMPARE(plot.YPosition()->text(), QStringLiteral("0.0")); // no minus zero
}

void TestGraphWindows::rangeFieldsAndResetScale() {
    PlotWindow& plot = PlotT2(300);
    // A typed value acts at once, on both axes, and leaves the field being typed in alone.
    plot.AxisMin(2)->clear();
    QTest::keyClicks(plot.AxisMin(2), QStringLiteral("15"));
    QCOMPARE(Ranges(plot), (QList<double>{1, 300, 15, 1000}));
    plot.AxisMax(1)->setValue(120);
    QCOMPARE(Ranges(plot), (QList<double>{1, 120, 15, 1000}));
    QCOMPARE(plot.AxisMin(2)->value(), 15.0);
    // "Reset Scale" goes back to the ranges plotted, not to the samples taken since.
    TakeSamples(40, 250);
    QTest::mouseClick(plot.findChild<QPushButton*>(QStringLiteral("CmdReset")), Qt::LeftButton);
    QCOMPARE(Ranges(plot), (QList<double>{1, 300, -200, 1000}));
    QCOMPARE(Fields(plot), (QList<double>{1, 300, -200, 1000}));
}

void TestGraphWindows::printToPdf() {
    PlotWindow& plot = PlotT2(300);
    RealtimeGraphWindow* graph = OpenGraph();
    for (int i = 0; i < 20; ++i)
        graph->Tick();
    // Print cancelled: nothing printed, nothing said.
    QVERIFY(!plot.PrintGraph());
    QVERIFY(!graph->Print());

    rig_->dialogs.printToPdf = dir_.filePath(QStringLiteral("plot.pdf"));
    PlotStatsPanel* stats = plot.Statistics();
    stats->Level()->setText(QStringLiteral("40"));
    plot.SelectTrackMode(PlotWindow::CursorCoordinates);
    QTest::mouseClick(plot.findChild<QPushButton*>(QStringLiteral("CmdPrint")), Qt::LeftButton);
    // One page of vectors: the texts of the graph are text on the page, not pixels, and the
    // statistics are there as the window shows them.
    const QString text = PdfText(rig_->dialogs.printToPdf);
    QCOMPARE(text.count(QLatin1Char('\f')), 1);
    QVERIFY2(text.contains(QStringLiteral("T2")) && text.contains(QStringLiteral("Celsius")),
             qPrintable(text));
    const QString lines = Simplified(text.split('\n')).join('\n');
    for (QLabel* figure : {stats->Stretch(), stats->Minimum(), stats->Maximum(), stats->Mean(),
                           stats->Above(), stats->RateAtCursor()})
        QVERIFY2(!figure->text().isEmpty() && lines.contains(figure->text()), qPrintable(lines));
    QVERIFY(QFileInfo(rig_->dialogs.printToPdf).size() < 2'000'000);

    rig_->dialogs.printToPdf = dir_.filePath(QStringLiteral("graph.pdf"));
    graph->findChild<QAction*>(QStringLiteral("Toolbar1_Print"))->trigger();
    QCOMPARE(PdfText(rig_->dialogs.printToPdf).count(QLatin1Char('\f')), 1);
    QVERIFY(rig_->dialogs.messages.isEmpty());
}

void TestGraphWindows::saveImage_data() {
    QTest::addColumn<QString>("answer"); // of the Save dialog; empty: cancelled
    QTest::addColumn<QString>("kind");   // what the file must be; empty: no file
    QTest::newRow("png") << "plot.png"
                         << "png";
    QTest::newRow("pdf") << "plot.PDF"
                         << "pdf";
    QTest::newRow("cancelled") << QString() << QString();
    QTest::newRow("missing folder is reported") << "missing/plot.png" << QString();
}

void TestGraphWindows::saveImage() {
    QFETCH(QString, answer);
    QFETCH(QString, kind);
    PlotWindow& plot = PlotT2(300);
    const QString path = answer.isEmpty() ? QString() : dir_.filePath(answer);
    rig_->dialogs.fileAnswers = {path};
    QTest::mouseClick(plot.findChild<QPushButton*>(QStringLiteral("CmdSaveImage")), Qt::LeftButton);
    QCOMPARE(QFile::exists(path), !kind.isEmpty());
    // Told only when a chosen file could not be written.
    QCOMPARE(rig_->dialogs.messages.size(), !answer.isEmpty() && kind.isEmpty() ? 1 : 0);
    if (kind == QLatin1String("png")) {
        QCOMPARE(FileBytes(path).left(8), QByteArray("\x89PNG\r\n\x1a\n"));
        QCOMPARE(QImage(path).size(), plot.Graph()->size());
    } else if (kind == QLatin1String("pdf")) {
        QCOMPARE(FileBytes(path).left(5), QByteArray("%PDF-"));
        // One page, drawn as vectors: the axis texts are text in it.
        const QString text = PdfText(path);
        QCOMPARE(text.count(QLatin1Char('\f')), 1);
        QVERIFY2(text.contains(QStringLiteral("Celsius")), qPrintable(text));
    }
}

// The figures follow what is in view, then a stretch dragged across the plot; the rate of rise
// follows the cursor and can be drawn; a file's column brings its records' times.
void TestGraphWindows::statisticsOverViewSelectionAndCursor() {
    PlotWindow& plot = PlotT2(300); // 23.4 °C rising a tenth a sample, a second apart
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    const auto shown = [&plot] {
        QStringList texts;
        for (const char* name : {"LblStretch", "LblMinimum", "LblMaximum", "LblMean", "LblAbove"})
            texts << plot.findChild<QLabel*>(QLatin1String(name))->text();
        return texts;
    };
    plot.AxisMin(1)->setValue(101);
    plot.AxisMax(1)->setValue(200);
    QTest::keyClicks(plot.findChild<QLineEdit*>(QStringLiteral("TxtLevel")), QStringLiteral("40"));
    QTRY_COMPARE(shown(), (QStringList{"No. 101 to 200, in view", "33.4 °C at No. 101, +0:01:40",
                                       "43.3 °C at No. 200, +0:03:19", "38.4 °C of 100 readings",
                                       "33 s (0:00:33)"}));

    plot.SelectTrackMode(PlotWindow::SelectStretch);
    QCustomPlot* graph = plot.Graph();
    const int y = graph->axisRect()->center().y();
    const QPoint from(int(graph->xAxis->coordToPixel(149.5)), y);
    const QPoint to(int(graph->xAxis->coordToPixel(160.5)), y);
    QTest::mousePress(graph, Qt::LeftButton, {}, from);
    QTest::mouseMove(graph, to);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, to);
    QCOMPARE(shown().mid(0, 2),
             (QStringList{"No. 150 to 160, selected", "38.3 °C at No. 150, +0:02:29"}));
    QTest::mouseClick(plot.findChild<QPushButton*>(QStringLiteral("CmdWholeView")), Qt::LeftButton);
    QCOMPARE(shown().at(0), QStringLiteral("No. 101 to 200, in view"));

    // The cursor starts at X 150.5: sample 151, three degrees up over the 30 s before it.
    QLabel* rate = plot.findChild<QLabel*>(QStringLiteral("LblRate"));
    plot.SelectTrackMode(PlotWindow::CursorCoordinates);
    QCOMPARE(rate->text(), QStringLiteral("6.0 °C/min"));
    plot.MoveCursor(20, 0);
    QCOMPARE(rate->text(), QStringLiteral("none over the span here"));
    plot.findChild<QCheckBox*>(QStringLiteral("ChkRateCurve"))->click();
    QVERIFY(graph->yAxis2->visible());
    QCOMPARE(graph->yAxis2->label(), QStringLiteral("°C/min"));
    QCOMPARE(plot.RateCurve()->dataCount(), 300);
    QCOMPARE(plot.RateCurve()->data()->at(150)->value, 6.0);

    SixColumnModel grid;
    grid.SetHeadings(HeadingFields(QStringLiteral("°C"), {"K", "K", "K", "K"}));
    const char* readings[] = {"Over", "25.0", "24.0"};
    for (int row = 0; row < 3; ++row)
        grid.AppendRow(RecordFields(
            row + 1, QStringLiteral("2013/08/08 14:05:%1").arg(9 + 10 * row, 2, 10, QChar('0')),
            {readings[row], "- - -", "- - -", "- - -"}));
    plot.findChild<QLineEdit*>(QStringLiteral("TxtLevel"))->setText(QStringLiteral("24"));
    rig_->graphs.PlotColumn(*PlotGridColumn(grid, 2, ColumnPlot()));
    QTRY_COMPARE(shown(),
                 (QStringList{"No. 1 to 3, in view", "24.0 °C at No. 3, 2013/08/08 14:05:29",
                              "25.0 °C at No. 2, 2013/08/08 14:05:19", "24.5 °C of 2 readings",
                              "10 s (0:00:10)"}));
}

void TestGraphWindows::limit_data() {
    QTest::addColumn<QStringList>("entries"); // max, min, counts
    QTest::addColumn<QString>("refusal");     // empty: taken, with Enter in the counts
    QTest::addColumn<QList<double>>("taken"); // value min, value max, step
    QTest::addColumn<QStringList>("shown");   // the first and last value label, the counts again
    const QList<double> unchanged{0, 100, 1};
    const QStringList unchangedShown{"0.0", "100.0", "630"};
    QTest::newRow("max 120 with min 125")
        << QStringList{"120", "125", "630"} << "-200 <= Value <= 2310, try again!" << unchanged
        << unchangedShown;
    QTest::newRow("counts 9") << QStringList{"130", "30", "9"}
                              << QStringLiteral("10 <= Counts <= 864000, try again!") << unchanged
                              << unchangedShown;
    QTest::newRow("30 to 130 in 315 steps")
        << QStringList{"130", "30", "315"} << QString() << QList<double>{30, 130, 2}
        << QStringList{"30.0", "130.0", "315"};
}

void TestGraphWindows::limit() {
    QFETCH(QStringList, entries);
    QFETCH(QString, refusal);
    QFETCH(QList<double>, taken);
    RealtimeGraphWindow* graph = OpenGraph();
    // "Limit" pauses the sweep and offers what is in force: the start range of °C.
    QTest::mouseClick(graph->Toolbar()->widgetForAction(
                          graph->findChild<QAction*>(QStringLiteral("Toolbar1_Limit"))),
                      Qt::LeftButton);
    QVERIFY(graph->LimitPanel()->isVisible());
    QVERIFY(!graph->PenTimer().isActive());
    QLineEdit* boxes[] = {graph->SweepMaximumEntry(), graph->SweepMinimumEntry(),
                          graph->SweepStepsEntry()};
    QCOMPARE((QStringList{boxes[0]->text(), boxes[1]->text(), boxes[2]->text()}),
             (QStringList{"100", "0", "630"}));
    for (int i = 0; i < 3; ++i)
        boxes[i]->setText(entries[i]);
    if (refusal.isEmpty())
        QTest::keyClick(graph->SweepStepsEntry(), Qt::Key_Return);
    else
        QTest::mouseClick(graph->LimitOkButton(), Qt::LeftButton);

    // A refusal changes nothing, not even the values of a counts refusal, and the panel stays
    // for correction.
    QCOMPARE(rig_->dialogs.Texts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
    QCOMPARE(graph->LimitPanel()->isVisible(), !refusal.isEmpty());
    QCOMPARE(graph->PenTimer().isActive(), refusal.isEmpty());
    QCOMPARE((QList<double>{graph->ValueMin(), graph->ValueMax(), graph->StepX()}), taken);
    graph->ShowLimit();
    const QStringList& labels = graph->ValueLabels();
    QTEST((QStringList{labels.value(0), labels.value(8), graph->SweepStepsEntry()->text()}),
          "shown");
}

void TestGraphWindows::limitEntriesTakeOnlyTheirKeys() {
    RealtimeGraphWindow* graph = OpenGraph();
    graph->ShowLimit();
    graph->SweepMaximumEntry()->clear();
    QTest::keyClicks(graph->SweepMaximumEntry(), QStringLiteral("1a2,.-x5"));
    graph->SweepStepsEntry()->clear();
    QTest::keyClicks(graph->SweepStepsEntry(), QStringLiteral("3-1.5e"));
    QCOMPARE((QStringList{graph->SweepMaximumEntry()->text(), graph->SweepStepsEntry()->text()}),
             (QStringList{"12.-5", "315"}));
}

void TestGraphWindows::realTimeDrawsLatestSampleOfEachChannel() {
    RealtimeGraphWindow* graph = OpenGraph();
    SetChannel(rig_->live, 0, true, 0, 250);  // T1 25.0 °C
    SetChannel(rig_->live, 1, true, 1, 1500); // T2 above the range
    SetChannel(rig_->live, 2, false, 0, 0);   // T3 no probe
    SetChannel(rig_->live, 3, true, 0, -50);  // T4 below the range
    rig_->sampler.TakeSample();
    for (int i = 0; i < 11; ++i)
        graph->Tick(); // pen at 10
    const SweepLayout& l = graph->Layout();
    const auto colourAt = [&](double x, double heightAbove) {
        return graph->Surface().pixelColor(
            QPoint(int(SweepLayout::LeftMargin + x), int(std::lround(l.PlotBottom - heightAbove))));
    };
    QVERIFY(Near(colourAt(5, l.PlotHeight * 0.25), RealtimeGraphWindow::ChannelColour(0)));
    QVERIFY(Near(colourAt(5, l.PlotHeight + 5), RealtimeGraphWindow::ChannelColour(1)));
    QVERIFY(Near(colourAt(5, -3), RealtimeGraphWindow::ChannelColour(3)));
    // Nothing drawn where a mid-range value of T3 would be.
    QCOMPARE(colourAt(5, l.PlotHeight * 0.5 + 2), QColor(Qt::white));
    // A new sample moves the trace on from there.
    SetChannel(rig_->live, 0, true, 0, 700);
    rig_->sampler.TakeSample();
    for (int i = 0; i < 10; ++i)
        graph->Tick();
    QVERIFY(Near(colourAt(15, l.PlotHeight * 0.7), RealtimeGraphWindow::ChannelColour(0)));
    QCOMPARE(colourAt(24, l.PlotHeight * 0.7), QColor(Qt::white)); // the pen is at 20
    while (graph->PenX() < 629)
        graph->Tick();
    graph->Tick();
    QCOMPARE(graph->PenX(), 0.0); // the sweep wraps at 630
}

void TestGraphWindows::unitChangeStartsOverInNewUnit() {
    RealtimeGraphWindow* graph = OpenGraph();
    for (int i = 0; i < 5; ++i)
        graph->Tick();
    SetChannel(rig_->live, 1, true, 1, 234, QStringLiteral("F"));
    rig_->sampler.TakeSample();
    QVERIFY(graph->Fahrenheit());
    QCOMPARE((QList<double>{graph->ValueMin(), graph->ValueMax(), graph->PenX()}),
             (QList<double>{32, 212, -1}));
    // The limits are now those of °F.
    graph->ShowLimit();
    graph->SweepMaximumEntry()->setText(QStringLiteral("4190"));
    graph->SweepMinimumEntry()->setText(QStringLiteral("-328"));
    QVERIFY(graph->ConfirmLimit());
}

// Closing by the lost-link recovery is tested through the running program.
void TestGraphWindows::graphOpensOnce() {
    rig_->graphs.ShowGraph();
    RealtimeGraphWindow* first = rig_->graphs.Graph();
    first->ShowLimit();
    rig_->graphs.ShowGraph();
    QCOMPARE(rig_->graphs.Graph(), first);
    QVERIFY(first->LimitPanel()->isVisible()); // untouched by the second click
    first->close();
    QVERIFY(!rig_->graphs.GraphOpen());
}

QTEST_MAIN(TestGraphWindows)
#include "tst_graph_windows.moc"
