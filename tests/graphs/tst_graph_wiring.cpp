#include "app/panel_window.h"
#include "graphs/graph_commands.h"
#include "graphs/plot_window.h"
#include "graphs/realtime_graph_window.h"
#include "link/meter_link.h"
#include "recording/sampler.h"
#include "session/meter_session.h"
#include "support/app_rig.h"

#include <QtTest>
#include <qcustomplot.h>

// The graphs inside the running program, against the simulated meter: the "Graph" button, a
// click on a strip chart, and a lost link closing the real-time graph.
class TestGraphWiring : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void graphButtonOpensGraphInMeterUnit();
    void stripChartClickPlotsItsSamples();
    void lostLinkClosesRealTimeGraph();
    void marksAndCorrectionsOnTheGraphs();

private:
    std::unique_ptr<AppRig> rig_;
};

void TestGraphWiring::init() {
    rig_ = std::make_unique<AppRig>(1.0, 1000);
    QVERIFY(rig_->StartLinked());
}

void TestGraphWiring::cleanup() {
    rig_.reset();
}

// The simulated meter shows °F: the graph opens in °F.
void TestGraphWiring::graphButtonOpensGraphInMeterUnit() {
    rig_->app.GetPanel().ToolbarClick(QStringLiteral("Graph"));
    RealtimeGraphWindow* graph = rig_->app.Graphs().Graph();
    QVERIFY(graph && graph->Fahrenheit());
    QCOMPARE(graph->ValueMin(), 32.0);
}

// A click on T2's °F strip chart copies its samples into the plot window; polling goes on.
void TestGraphWiring::stripChartClickPlotsItsSamples() {
    for (int i = 0; i < 12; ++i)
        rig_->app.GetSampler().TakeSample();
    auto* plot = rig_->app.GetPanel().findChild<QCustomPlot*>(QStringLiteral("FCWG1"));
    QVERIFY(plot);
    QTest::mouseClick(plot, Qt::LeftButton, {}, plot->rect().center());
    PlotWindow* window = rig_->app.Graphs().Plot();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->Setup().PlotRowCount, 12);
    QCOMPARE(window->Graph()->graph(0)->dataCount(), 12);
    QVERIFY(rig_->app.Timers().PollingTimer().isActive());
}

void TestGraphWiring::lostLinkClosesRealTimeGraph() {
    // A meter back as it was keeps the graph going; one back in the other unit closes it.
    rig_->app.GetPanel().ToolbarClick(QStringLiteral("Graph"));
    QVERIFY(rig_->app.Graphs().GraphOpen());
    QSignalSpy resynced(&rig_->app.Link(), &MeterLink::Resynced);
    rig_->app.Link().SetLinkLost(true);
    QTRY_VERIFY_WITH_TIMEOUT(resynced.size() == 1, 10000);
    QVERIFY(rig_->app.Graphs().GraphOpen());
    rig_->app.Simulator()->Model().ToggleUnit();
    rig_->app.Link().SetLinkLost(true);
    QTRY_VERIFY_WITH_TIMEOUT(!rig_->app.Graphs().GraphOpen(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!rig_->app.Link().LinkLost(), 10000);
    rig_->app.GetPanel().ToolbarClick(QStringLiteral("Graph"));
    QVERIFY(rig_->app.Graphs().GraphOpen());
}

// The plot of T2's samples draws the marks of T2 and of every channel after the sample each
// follows and says it is corrected; the real-time graph draws each mark as it is placed.
void TestGraphWiring::marksAndCorrectionsOnTheGraphs() {
    MeterSession& session = rig_->app.Session();
    rig_->app.GetPanel().ToolbarClick(QStringLiteral("Graph"));
    QString error;
    session.SetCalibration(*Calibration::Parse(QStringLiteral("T2 F offset 1"), &error));
    QList<PlotMark> expected;
    for (const char* typed : {"T2: door opened", "T1: load in", "power cut"}) {
        for (int i = 0; i < 3; ++i)
            rig_->app.GetSampler().TakeSample();
        Mark placed;
        QVERIFY(session.PlaceMark(*ParseMarkInput(QString::fromLatin1(typed), &error), &error,
                                  &placed));
        if (!placed.channel || *placed.channel == 1)
            expected << PlotMark{*placed.sample + 0.5, placed.Label()};
    }
    QCOMPARE(expected.size(), 2);
    QCOMPARE(expected.first().x, 3.5);
    rig_->app.Graphs().PlotChannel(1, true);
    PlotWindow* window = rig_->app.Graphs().Plot();
    QVERIFY(window);
    QCOMPARE(window->Marks(), expected);
    QCOMPARE(window->Caption(), QStringLiteral("T2 corrected"));
    QCOMPARE(rig_->app.Graphs().Graph()->MarksDrawn().size(), 3);
    QCOMPARE(rig_->app.Graphs().Graph()->MarksDrawn().first(), expected.first().label);
}

QTEST_MAIN(TestGraphWiring)
#include "tst_graph_wiring.moc"
