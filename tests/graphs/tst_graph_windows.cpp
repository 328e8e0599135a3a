#include "config/alarm_settings.h"
#include "graphs/graph_commands.h"
#include "graphs/histogram_window.h"
#include "graphs/plot_window.h"
#include "graphs/realtime_graph_window.h"
#include "link/live_state.h"
#include "link/meter_timers.h"
#include "recording/column_plot.h"
#include "recording/sampler.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"
#include "views/six_column_model.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
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
    void stripChartWithoutProbeDoesNothing();
    void noSamplesGivesEmptyPlot();
    void columnPlotReplacesCurveInSameWindow();
    void plotKeepsGapsWhereNoValue();
    void cursorStartsAtCentreOfCurrentRanges_data();
    void cursorStartsAtCentreOfCurrentRanges();
    void cursorFollowsMouseDrag();
    void rangeFieldsApplyToBothAxes();
    void resetScaleAfterNewSamples();
    void trackModeSwitchHidesCursor_data();
    void trackModeSwitchHidesCursor();
    void mousePanAndZoomFollowMode_data();
    void mousePanAndZoomFollowMode();
    void printGraphToPdf();
    void printCancelledPrintsNothing();

    void realTimeGeometryOf700WideSurface();
    void limitRefusals_data();
    void limitRefusals();
    void limitAcceptedRedrawsAndSteps();
    void limitEntriesTakeOnlyTheirKeys();
    void realTimeDrawsLatestSampleOfEachChannel();
    void realTimeSweepWrapsAndMarksTime();
    void unitChangeStartsOverInNewUnit();
    void graphOpensOnce();
    void realTimePrintToPdf();

    void histogramOfColumn();

private:
    void TakeSamples(int count, int readingC);
    QTemporaryDir dir_;
    std::unique_ptr<FakeClock> clock_;
    std::unique_ptr<LiveState> live_;
    std::unique_ptr<AlarmSettings> alarms_;
    std::unique_ptr<Sampler> sampler_;
    std::unique_ptr<MeterTimers> timers_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<QMainWindow> main_;
    std::unique_ptr<GraphCommands> graphs_;
};

namespace {

// A probe with a type on a channel; readings in tenths of °C (°F derived).
void SetChannel(LiveState& live, int channel, bool probe, int code, int readingC) {
    ChannelState& ch = live.Channels[size_t(channel)];
    ch.ProbeValid = probe;
    ch.TypeCode = code;
    ch.TypeLetter = QStringLiteral("KJETRSNLUBC").mid(code, 1);
    live.SetRangesFromType(channel);
    ch.ReadingC = readingC;
    ch.ReadingF = readingC * 9 / 5 + 320;
    ch.ReadingCText = QString::number(readingC / 10.0, 'f', 1);
    ch.ReadingFText = QString::number(*ch.ReadingF / 10.0, 'f', 1);
}

QCPRange XRange(PlotWindow& plot) {
    return plot.Graph()->xAxis->range();
}

QCPRange YRange(PlotWindow& plot) {
    return plot.Graph()->yAxis->range();
}

QString Caption(PlotWindow& plot) {
    auto* title = qobject_cast<QCPTextElement*>(plot.Graph()->plotLayout()->element(0, 0));
    return title ? title->text() : QString();
}

int PdfPages(const QString& path) {
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    if (!info.waitForFinished(20000))
        return -1;
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString PdfText(const QString& path) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    text.waitForFinished(20000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

} // namespace

void TestGraphWindows::init() {
    clock_ = std::make_unique<FakeClock>();
    live_ = std::make_unique<LiveState>();
    live_->UnitText = QStringLiteral("°C");
    alarms_ = std::make_unique<AlarmSettings>(*live_);
    sampler_ = std::make_unique<Sampler>(*clock_, *live_, *alarms_, 2000);
    timers_ = std::make_unique<MeterTimers>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    main_ = std::make_unique<QMainWindow>();
    main_->setWindowTitle(QStringLiteral("Panel  V8.03"));
    main_->setGeometry(40, 40, 500, 400);
    graphs_ = std::make_unique<GraphCommands>(*sampler_, *live_, *timers_, *dialogs_, *clock_,
                                              main_.get());
    connect(sampler_.get(), &Sampler::SampleTaken, graphs_.get(), &GraphCommands::OnSample);
    SetChannel(*live_, 1, true, 1, 234); // T2, type J
}

void TestGraphWindows::cleanup() {
    graphs_.reset();
    main_.reset();
    sampler_.reset();
}

void TestGraphWindows::TakeSamples(int count, int readingC) {
    for (int k = 0; k < count; ++k) {
        SetChannel(*live_, 1, true, 1, readingC + k);
        sampler_->TakeSample();
    }
}

void TestGraphWindows::stripChartOpensPlot_data() {
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<double>("yMin");
    QTest::addColumn<double>("yMax");
    QTest::addColumn<QString>("yAxis");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("firstValue");
    QTest::newRow("°C panel") << false << -200.0 << 1000.0 << "Celsius"
                              << "°C" << 23.4;
    QTest::newRow("°F panel") << true << -328.0 << 1832.0 << "Fahrenheit"
                              << "°F" << 74.1;
}

void TestGraphWindows::stripChartOpensPlot() {
    QFETCH(bool, fahrenheit);
    TakeSamples(300, 234);
    timers_->StartBoth();
    graphs_->PlotChannel(1, fahrenheit);
    PlotWindow* plot = graphs_->Plot();
    QVERIFY(plot && plot->isVisible());
    QCOMPARE(plot->windowTitle(), QStringLiteral("Plot"));
    QCOMPARE(plot->pos(), main_->pos());
    QCOMPARE(Caption(*plot), QStringLiteral("T2"));
    QTEST(plot->Graph()->yAxis->label(), "yAxis");
    QTEST(plot->UnitLabel()->text(), "unit");
    QFETCH(QString, unit);
    QCOMPARE(plot->CursorYLabel()->text(), unit + QStringLiteral(" ( Y ) :"));
    QCOMPARE(XRange(*plot), QCPRange(1, 300));
    QFETCH(double, yMin);
    QFETCH(double, yMax);
    QCOMPARE(YRange(*plot), QCPRange(yMin, yMax));
    QCOMPARE(plot->AxisMin(1)->value(), 1.0);
    QCOMPARE(plot->AxisMax(1)->value(), 300.0);
    QCOMPARE(plot->AxisMin(2)->value(), yMin);
    QCOMPARE(plot->AxisMax(2)->value(), yMax);
    QCPGraph* curve = plot->Graph()->graph(0);
    QCOMPARE(curve->dataCount(), 300);
    QCOMPARE(curve->data()->at(0)->key, 1.0);
    QTEST(curve->data()->at(0)->value, "firstValue");
    QCOMPARE(curve->data()->at(299)->key, 300.0);
    // The caption is the main window's again and the sampling goes on.
    QCOMPARE(main_->windowTitle(), QStringLiteral("Panel  V8.03"));
    QVERIFY(timers_->Timer1.isActive() && timers_->Timer2.isActive());
}

void TestGraphWindows::stripChartWithoutProbeDoesNothing() {
    TakeSamples(10, 200);
    graphs_->PlotChannel(0, false); // T1 has no probe
    QVERIFY(!graphs_->Plot());
}

void TestGraphWindows::noSamplesGivesEmptyPlot() {
    graphs_->PlotChannel(1, false);
    PlotWindow* plot = graphs_->Plot();
    QVERIFY(plot && plot->isVisible());
    QCOMPARE(plot->Graph()->graph(0)->dataCount(), 0);
    QCOMPARE(XRange(*plot), QCPRange(0, 2));
    QCOMPARE(YRange(*plot), QCPRange(-200, 1000));
    plot->SelectTrackMode(PlotWindow::CursorCoordinates);
    QCOMPARE(plot->XPosition()->text(), QStringLiteral("1"));
}

void TestGraphWindows::columnPlotReplacesCurveInSameWindow() {
    TakeSamples(30, 200);
    graphs_->PlotChannel(1, false);
    QPointer<PlotWindow> first = graphs_->Plot();
    ColumnPlot column;
    column.Column = 5;
    column.PlotRowCount = 4;
    column.PlotColumnText = QStringLiteral("4°F");
    column.PlotYMax = 2912;
    column.PlotYMin = 32;
    column.Values = {70.0, 0.0, 71.5, 72.0};
    graphs_->PlotColumn(column);
    QCOMPARE(graphs_->Plot(), first.data());
    QCOMPARE(Caption(*first), QStringLiteral("T4"));
    QCOMPARE(first->Graph()->yAxis->label(), QStringLiteral("Fahrenheit"));
    QCOMPARE(first->Graph()->graph(0)->dataCount(), 4);
    QCOMPARE(first->Graph()->graph(0)->data()->at(2)->value, 71.5);
    QCOMPARE(XRange(*first), QCPRange(1, 4));
    QCOMPARE(YRange(*first), QCPRange(32, 2912));
    QCOMPARE(first->UnitLabel()->text(), QStringLiteral("°F"));
}

void TestGraphWindows::plotKeepsGapsWhereNoValue() {
    TakeSamples(3, 200);
    SetChannel(*live_, 1, false, 1, 0); // probe pulled for one sample
    sampler_->TakeSample();
    SetChannel(*live_, 1, true, 1, 250);
    sampler_->TakeSample();
    graphs_->PlotChannel(1, false);
    QCPGraph* curve = graphs_->Plot()->Graph()->graph(0);
    QCOMPARE(curve->dataCount(), 5);
    QVERIFY(std::isnan(curve->data()->at(3)->value));
    QCOMPARE(curve->data()->at(4)->value, 25.0);
}

void TestGraphWindows::cursorStartsAtCentreOfCurrentRanges_data() {
    QTest::addColumn<QList<double>>("fields"); // X min, X max, Y min, Y max; empty: as plotted
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::newRow("ranges of the plot") << QList<double>{} << "150.5"
                                        << "400.0";
    QTest::newRow("ranges typed in") << QList<double>{10, 21, -5, 30.3} << "15.5"
                                     << "12.7";
}

void TestGraphWindows::cursorStartsAtCentreOfCurrentRanges() {
    QFETCH(QList<double>, fields);
    TakeSamples(300, 234);
    graphs_->PlotChannel(1, false);
    PlotWindow& plot = *graphs_->Plot();
    if (!fields.isEmpty()) {
        plot.AxisMin(1)->setValue(fields[0]);
        plot.AxisMax(1)->setValue(fields[1]);
        plot.AxisMin(2)->setValue(fields[2]);
        plot.AxisMax(2)->setValue(fields[3]);
    }
    QVERIFY(!plot.CursorVisible());
    plot.TrackModeList()->setCurrentIndex(PlotWindow::CursorCoordinates);
    plot.SelectTrackMode(plot.TrackModeList()->currentIndex());
    QVERIFY(plot.CursorVisible());
    QTEST(plot.XPosition()->text(), "x");
    QTEST(plot.YPosition()->text(), "y");
    // Dragged to a temperature of more decimals, the readout shows one.
    plot.MoveCursor(120, 23.456);
    QCOMPARE(plot.XPosition()->text(), QStringLiteral("120"));
    QCOMPARE(plot.YPosition()->text(), QStringLiteral("23.5"));
    plot.MoveCursor(120, -0.04);
    QCOMPARE(plot.YPosition()->text(), QStringLiteral("0.0"));
}

void TestGraphWindows::cursorFollowsMouseDrag() {
    TakeSamples(300, 234);
    graphs_->PlotChannel(1, false);
    PlotWindow& plot = *graphs_->Plot();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    plot.SelectTrackMode(PlotWindow::CursorCoordinates);
    QCustomPlot* graph = plot.Graph();
    const QRect area = graph->axisRect()->rect();
    const QPoint from = area.center();
    const QPoint to = area.topLeft() + QPoint(area.width() / 4, area.height() / 4);
    QTest::mousePress(graph, Qt::LeftButton, {}, from);
    QTest::mouseMove(graph, to);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, to);
    const QPointF at = plot.CursorPosition();
    QCOMPARE(at.x(), graph->xAxis->pixelToCoord(to.x()));
    QCOMPARE(at.y(), graph->yAxis->pixelToCoord(to.y()));
    QCOMPARE(plot.YPosition()->text(), QString::number(at.y(), 'f', 1));
    QVERIFY(at.x() < 150 && at.y() > 400);
}

void TestGraphWindows::rangeFieldsApplyToBothAxes() {
    TakeSamples(300, 234);
    graphs_->PlotChannel(1, false);
    PlotWindow& plot = *graphs_->Plot();
    // A typed value acts at once.
    plot.AxisMin(2)->clear();
    QTest::keyClicks(plot.AxisMin(2), QStringLiteral("15"));
    QCOMPARE(YRange(plot), QCPRange(15, 1000));
    QCOMPARE(XRange(plot), QCPRange(1, 300));
    plot.AxisMax(1)->setValue(120);
    QCOMPARE(XRange(plot), QCPRange(1, 120));
    QCOMPARE(YRange(plot), QCPRange(15, 1000));
    // Typing did not disturb the field being typed in.
    QCOMPARE(plot.AxisMin(2)->value(), 15.0);
}

void TestGraphWindows::resetScaleAfterNewSamples() {
    TakeSamples(300, 234);
    graphs_->PlotChannel(1, false);
    PlotWindow& plot = *graphs_->Plot();
    plot.AxisMin(2)->setValue(0);
    plot.AxisMax(1)->setValue(50);
    TakeSamples(40, 250);
    QCOMPARE(sampler_->SampleIndex(), 340);
    QTest::mouseClick(plot.findChild<QPushButton*>(QStringLiteral("CmdReset")), Qt::LeftButton);
    QCOMPARE(XRange(plot), QCPRange(1, 300));
    QCOMPARE(YRange(plot), QCPRange(-200, 1000));
    QCOMPARE(plot.AxisMin(1)->value(), 1.0);
    QCOMPARE(plot.AxisMax(1)->value(), 300.0);
    QCOMPARE(plot.AxisMin(2)->value(), -200.0);
    QCOMPARE(plot.AxisMax(2)->value(), 1000.0);
}

void TestGraphWindows::trackModeSwitchHidesCursor_data() {
    QTest::addColumn<int>("mode");
    for (int mode : {0, 2, 3, 4, 5, 6, 7})
        QTest::newRow(qPrintable(PlotWindow::TrackModeEntries()[mode])) << mode;
}

void TestGraphWindows::trackModeSwitchHidesCursor() {
    QFETCH(int, mode);
    TakeSamples(20, 234);
    graphs_->PlotChannel(1, false);
    PlotWindow& plot = *graphs_->Plot();
    QCOMPARE(plot.TrackModeList()->count(), 8);
    plot.SelectTrackMode(PlotWindow::CursorCoordinates);
    QVERIFY(plot.CursorVisible());
    plot.SelectTrackMode(mode);
    QVERIFY(!plot.CursorVisible());
    QCOMPARE(plot.findChild<QPlainTextEdit*>(QStringLiteral("txtDescription"))->toPlainText(),
             PlotWindow::TrackModeDescription(mode));
}

void TestGraphWindows::mousePanAndZoomFollowMode_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("xChanges");
    QTest::addColumn<bool>("yChanges");
    QTest::addColumn<bool>("zoomIn"); // the X span shrinks (zoom) or keeps its size (pan)
    QTest::newRow("Normal") << int(PlotWindow::Normal) << false << false << false;
    QTest::newRow("Cursor") << int(PlotWindow::CursorCoordinates) << false << false << false;
    QTest::newRow("PanXY") << int(PlotWindow::PanXY) << true << true << false;
    QTest::newRow("PanX") << int(PlotWindow::PanX) << true << false << false;
    QTest::newRow("PanY") << int(PlotWindow::PanY) << false << true << false;
    QTest::newRow("ZoomXY") << int(PlotWindow::ZoomXY) << true << true << true;
    QTest::newRow("ZoomX") << int(PlotWindow::ZoomX) << true << false << true;
    QTest::newRow("ZoomY") << int(PlotWindow::ZoomY) << false << true << false;
}

void TestGraphWindows::mousePanAndZoomFollowMode() {
    QFETCH(int, mode);
    QFETCH(bool, xChanges);
    QFETCH(bool, yChanges);
    QFETCH(bool, zoomIn);
    TakeSamples(300, 234);
    graphs_->PlotChannel(1, false);
    PlotWindow& plot = *graphs_->Plot();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    plot.SelectTrackMode(mode);
    QCustomPlot* graph = plot.Graph();
    const QRect area = graph->axisRect()->rect();
    const QPoint from = area.topLeft() + QPoint(area.width() / 4, area.height() / 4);
    const QPoint to = area.center() + QPoint(area.width() / 8, area.height() / 8);
    QTest::mousePress(graph, Qt::LeftButton, {}, from);
    QTest::mouseMove(graph, (from + to) / 2);
    QTest::mouseMove(graph, to);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, to);
    QCOMPARE(XRange(plot) != QCPRange(1, 300), xChanges);
    QCOMPARE(YRange(plot) != QCPRange(-200, 1000), yChanges);
    if (xChanges)
        QCOMPARE(XRange(plot).size() < 299 * 0.9, zoomIn);
    // The fields show what the mouse did.
    QCOMPARE(plot.AxisMin(2)->value(), std::round(YRange(plot).lower * 10) / 10);
}

void TestGraphWindows::printGraphToPdf() {
    TakeSamples(300, 234);
    graphs_->PlotChannel(1, false);
    dialogs_->printToPdf = dir_.filePath(QStringLiteral("plot.pdf"));
    QTest::mouseClick(graphs_->Plot()->findChild<QPushButton*>(QStringLiteral("CmdPrint")),
                      Qt::LeftButton);
    QVERIFY(QFileInfo::exists(dialogs_->printToPdf));
    QCOMPARE(PdfPages(dialogs_->printToPdf), 1);
    // Vectors: the texts of the graph are text on the page, not pixels.
    const QString text = PdfText(dialogs_->printToPdf);
    QVERIFY2(text.contains(QStringLiteral("T2")) && text.contains(QStringLiteral("Celsius")),
             qPrintable(text));
    QVERIFY(QFileInfo(dialogs_->printToPdf).size() < 2'000'000);
    QVERIFY(dialogs_->messages.isEmpty());
}

void TestGraphWindows::printCancelledPrintsNothing() {
    TakeSamples(3, 234);
    graphs_->PlotChannel(1, false);
    QVERIFY(!graphs_->Plot()->PrintGraph());
    QVERIFY(dialogs_->messages.isEmpty());
}

namespace {

RealtimeGraphWindow* OpenGraph(GraphCommands& graphs, int surfaceWidth, int surfaceHeight) {
    graphs.ShowGraph();
    RealtimeGraphWindow* graph = graphs.Graph();
    if (!graph)
        return nullptr;
    const QSize extra = graph->size() - graph->SurfaceWidget()->size();
    graph->resize(QSize(surfaceWidth, surfaceHeight) + extra);
    QCoreApplication::processEvents();
    return graph;
}

} // namespace

void TestGraphWindows::realTimeGeometryOf700WideSurface() {
    RealtimeGraphWindow* graph = OpenGraph(*graphs_, 700, 500);
    QVERIFY(graph);
    QCOMPARE(graph->windowTitle(), QStringLiteral("Real Time Graph"));
    QCOMPARE(graph->SurfaceWidget()->width(), 700);
    QCOMPARE(graph->Layout().PlotWidth, 630);
    QCOMPARE(graph->Layout().PlotHeight, 400);
    QCOMPARE(graph->Layout().PlotBottom, 473);
    // Opens to the right of the main window, in the start range of the unit.
    QCOMPARE(graph->x(), main_->frameGeometry().right() + 1);
    QCOMPARE(graph->ValueLabels(),
             (QStringList{"0.0", "12.5", "25.0", "37.5", "50.0", "62.5", "75.0", "87.5", "100.0"}));
    QTest::mouseClick(graph->Toolbar()->widgetForAction(
                          graph->findChild<QAction*>(QStringLiteral("Toolbar1_Limit"))),
                      Qt::LeftButton);
    QVERIFY(graph->PMessage()->isVisible());
    QVERIFY(!graph->Timer1().isActive());
    QCOMPARE(graph->TxtCounts()->text(), QStringLiteral("630"));
    QCOMPARE(graph->TxtMax()->text(), QStringLiteral("100"));
    QCOMPARE(graph->TxtMin()->text(), QStringLiteral("0"));
}

void TestGraphWindows::limitRefusals_data() {
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("counts");
    QTest::addColumn<QString>("message");
    QTest::newRow("max 120 with min 125") << "120"
                                          << "125"
                                          << "630"
                                          << "-200 <= Value <= 2310, try again!";
    QTest::newRow("min below every type") << "130"
                                          << "-250"
                                          << "630"
                                          << "-200 <= Value <= 2310, try again!";
    QTest::newRow("counts 9") << "130"
                              << "30"
                              << "9"
                              << "10 <= Counts <= 864000, try again!";
}

void TestGraphWindows::limitRefusals() {
    QFETCH(QString, max);
    QFETCH(QString, min);
    QFETCH(QString, counts);
    RealtimeGraphWindow* graph = OpenGraph(*graphs_, 700, 500);
    graph->ShowLimit();
    graph->TxtMax()->setText(max);
    graph->TxtMin()->setText(min);
    graph->TxtCounts()->setText(counts);
    QTest::mouseClick(graph->CmdOK(), Qt::LeftButton);
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].icon, QMessageBox::Critical);
    QTEST(dialogs_->messages[0].text, "message");
    // Nothing changed, not even the values of a counts refusal; the panel stays for correction.
    QVERIFY(graph->PMessage()->isVisible());
    QCOMPARE(graph->ValueMax(), 100.0);
    QCOMPARE(graph->ValueMin(), 0.0);
    QCOMPARE(graph->StepX(), 1.0);
    QCOMPARE(graph->ValueLabels().first(), QStringLiteral("0.0"));
}

void TestGraphWindows::limitAcceptedRedrawsAndSteps() {
    RealtimeGraphWindow* graph = OpenGraph(*graphs_, 700, 500);
    graph->ShowLimit();
    graph->TxtMax()->setText(QStringLiteral("130"));
    graph->TxtMin()->setText(QStringLiteral("30"));
    graph->TxtCounts()->setText(QStringLiteral("315"));
    QTest::keyClick(graph->TxtCounts(), Qt::Key_Return); // Enter in the counts acts as OK
    QVERIFY(dialogs_->messages.isEmpty());
    QVERIFY(!graph->PMessage()->isVisible());
    QVERIFY(graph->Timer1().isActive());
    QCOMPARE(graph->StepX(), 2.0);
    QCOMPARE(graph->ValueLabels(), (QStringList{"30.0", "42.5", "55.0", "67.5", "80.0", "92.5",
                                                "105.0", "117.5", "130.0"}));
    graph->ShowLimit();
    QCOMPARE(graph->TxtCounts()->text(), QStringLiteral("315"));
}

void TestGraphWindows::limitEntriesTakeOnlyTheirKeys() {
    RealtimeGraphWindow* graph = OpenGraph(*graphs_, 700, 500);
    graph->ShowLimit();
    graph->TxtMax()->clear();
    QTest::keyClicks(graph->TxtMax(), QStringLiteral("1a2,.-x5"));
    QCOMPARE(graph->TxtMax()->text(), QStringLiteral("12.-5"));
    graph->TxtCounts()->clear();
    QTest::keyClicks(graph->TxtCounts(), QStringLiteral("3-1.5e"));
    QCOMPARE(graph->TxtCounts()->text(), QStringLiteral("315"));
}

void TestGraphWindows::realTimeDrawsLatestSampleOfEachChannel() {
    RealtimeGraphWindow* graph = OpenGraph(*graphs_, 700, 500);
    SetChannel(*live_, 0, true, 0, 250);  // T1 25.0 °C
    SetChannel(*live_, 1, true, 1, 1500); // T2 above the range
    SetChannel(*live_, 2, false, 0, 0);   // T3 no probe
    SetChannel(*live_, 3, true, 0, -50);  // T4 below the range
    sampler_->TakeSample();
    for (int i = 0; i < 11; ++i)
        graph->Tick(); // pen at 10
    const SweepLayout& l = graph->Layout();
    const QImage& image = graph->Surface();
    const auto colourAt = [&](double x, double heightAbove) {
        return image.pixelColor(
            QPoint(int(SweepLayout::LeftMargin + x), int(std::lround(l.PlotBottom - heightAbove))));
    };
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue()) <
               120;
    };
    QVERIFY(near(colourAt(5, l.PlotHeight * 0.25), RealtimeGraphWindow::ChannelColour(0)));
    QVERIFY(near(colourAt(5, l.PlotHeight + 5), RealtimeGraphWindow::ChannelColour(1)));
    QVERIFY(near(colourAt(5, -3), RealtimeGraphWindow::ChannelColour(3)));
    // Nothing drawn where a mid-range value of T3 would be.
    QCOMPARE(colourAt(5, l.PlotHeight * 0.5 + 2), QColor(Qt::white));
    // A new sample moves the trace on from there.
    SetChannel(*live_, 0, true, 0, 700);
    sampler_->TakeSample();
    for (int i = 0; i < 10; ++i)
        graph->Tick();
    QVERIFY(near(colourAt(15, l.PlotHeight * 0.7), RealtimeGraphWindow::ChannelColour(0)));
    QCOMPARE(colourAt(24, l.PlotHeight * 0.7), QColor(Qt::white)); // the pen is at 20
}

void TestGraphWindows::realTimeSweepWrapsAndMarksTime() {
    RealtimeGraphWindow* graph = OpenGraph(*graphs_, 700, 500);
    graph->ShowLimit();
    graph->TxtCounts()->setText(QStringLiteral("315"));
    QVERIFY(graph->ConfirmLimit());
    graph->Timer1().stop();
    const SweepLayout& l = graph->Layout();
    // Grey pixels of a column beyond the dots of the horizontal grid.
    const QColor kGrey(192, 192, 192);
    const auto greyInColumn = [&](int x) {
        int grey = 0;
        for (int y = l.PlotBottom - l.PlotHeight + 2; y < l.PlotBottom - 2; ++y) {
            grey += graph->Surface().pixelColor(x, y) == kGrey ? 1 : 0;
            grey -= graph->Surface().pixelColor(SweepLayout::LeftMargin + 45, y) == kGrey ? 1 : 0;
        }
        return grey;
    };
    for (int i = 0; i < 31; ++i)
        graph->Tick();
    // Step 2: the 31st tick stands at 60, a time mark every 30 ticks.
    QCOMPARE(graph->PenX(), 60.0);
    QVERIFY(greyInColumn(SweepLayout::LeftMargin + 60) > l.PlotHeight / 4);
    QVERIFY(greyInColumn(SweepLayout::LeftMargin + 90) == 0);
    for (int i = 0; i < 15; ++i)
        graph->Tick();
    QCOMPARE(graph->PenX(), 90.0); // a short mark only
    const int shortMark = greyInColumn(SweepLayout::LeftMargin + 90);
    QVERIFY(shortMark > 0 && shortMark < l.PlotHeight / 8);
    while (graph->PenX() < 628)
        graph->Tick();
    graph->Tick();
    QCOMPARE(graph->PenX(), 0.0); // wrapped at 630
    QVERIFY(greyInColumn(SweepLayout::LeftMargin + 630) > l.PlotHeight / 4);
}

void TestGraphWindows::unitChangeStartsOverInNewUnit() {
    RealtimeGraphWindow* graph = OpenGraph(*graphs_, 700, 500);
    for (int i = 0; i < 5; ++i)
        graph->Tick();
    live_->UnitF = true;
    live_->UnitText = QStringLiteral("°F");
    sampler_->TakeSample();
    QVERIFY(graph->Fahrenheit());
    QCOMPARE(graph->ValueMin(), 32.0);
    QCOMPARE(graph->ValueMax(), 212.0);
    QCOMPARE(graph->PenX(), -1.0);
    graph->ShowLimit();
    graph->TxtMax()->setText(QStringLiteral("4190"));
    graph->TxtMin()->setText(QStringLiteral("-328"));
    QVERIFY(graph->ConfirmLimit());
}

void TestGraphWindows::graphOpensOnce() {
    QVERIFY(!graphs_->GraphOpen());
    graphs_->ShowGraph();
    QPointer<RealtimeGraphWindow> first = graphs_->Graph();
    QVERIFY(graphs_->GraphOpen());
    first->ShowLimit();
    graphs_->ShowGraph();
    QCOMPARE(graphs_->Graph(), first.data());
    QVERIFY(first->PMessage()->isVisible()); // untouched by the second click
    graphs_->CloseGraph();
    QVERIFY(!graphs_->GraphOpen());
    QVERIFY(!first->Timer1().isActive());
    graphs_->ShowGraph();
    QVERIFY(graphs_->GraphOpen());
    QVERIFY(graphs_->Graph() != first.data());
    // Closed by the user.
    graphs_->Graph()->close();
    QVERIFY(!graphs_->GraphOpen());
}

void TestGraphWindows::realTimePrintToPdf() {
    RealtimeGraphWindow* graph = OpenGraph(*graphs_, 700, 500);
    sampler_->TakeSample();
    for (int i = 0; i < 20; ++i)
        graph->Tick();
    QVERIFY(!graph->Print()); // cancelled: nothing printed
    dialogs_->printToPdf = dir_.filePath(QStringLiteral("graph.pdf"));
    QVERIFY(graph->Print());
    QCOMPARE(PdfPages(dialogs_->printToPdf), 1);
    QVERIFY(graph->Toolbar()->isVisible());
}

void TestGraphWindows::histogramOfColumn() {
    SixColumnModel grid;
    grid.SetHeadings({QStringLiteral("°C"), QStringLiteral("Date Time"), QStringLiteral("T1 - K"),
                      QStringLiteral("T2 - J"), QStringLiteral("T3 - K"),
                      QStringLiteral("T4 - K")});
    const QStringList t2{"20.0", "20.1", "- - -", "20.1", "Over", "20.3"};
    for (int i = 0; i < t2.size(); ++i)
        grid.AppendRow({QString::number(i + 1), QStringLiteral("2026/12/06 10:00:00"),
                        QStringLiteral("1.0"), t2[i], QStringLiteral("- - -"),
                        QStringLiteral("- - -")});
    graphs_->ShowHistogram(grid, 1); // the date and time: nothing
    QVERIFY(!graphs_->HistogramShown());
    graphs_->ShowHistogram(grid, 3);
    HistogramWindow* h = graphs_->HistogramShown();
    QVERIFY(h && h->isVisible());
    QVERIFY(h->windowTitle().contains(QStringLiteral("T2 - J (°C)")));
    auto* bars = qobject_cast<QCPBars*>(h->Graph()->plottable(0));
    QCOMPARE(bars->dataCount(), 4);
    QCOMPARE(bars->data()->at(1)->value, 2.0);
    QCOMPARE(h->Shown().Left, qint64(2));
    // A column without any reading opens an empty histogram.
    graphs_->ShowHistogram(grid, 4);
    QCOMPARE(graphs_->HistogramShown(), h);
    QCOMPARE(bars->dataCount(), 0);
}

QTEST_MAIN(TestGraphWindows)
#include "tst_graph_windows.moc"
