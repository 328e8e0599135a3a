#include "app/application.h"
#include "app/panel_window.h"
#include "graphs/graph_commands.h"
#include "graphs/plot_window.h"
#include "graphs/realtime_graph_window.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "recording/sampler.h"
#include "sim/simulated_meter_device.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"

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

private:
    FakeClock clock_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<Application> app_;
};

void TestGraphWiring::init() {
    clock_.step = 1.0;
    clock_.readCount = 0;
    dialogs_ = ScriptedDialogs();
    Application::Overrides o;
    o.dialogs = &dialogs_;
    o.clock = &clock_;
    o.sampleCapacity = 1000;
    app_ = std::make_unique<Application>(o);
    QSignalSpy changes(app_.get(), &Application::ConfigurationChanged);
    app_->Timers().SetSamplingPeriod(24 * 3600 * 1000); // the test takes the samples
    QVERIFY(app_->StartPanel({true, QString()}));
    app_->Simulator()->SetFast(true);
    QTRY_VERIFY_WITH_TIMEOUT(changes.size() >= 1, 10000);
}

void TestGraphWiring::cleanup() {
    app_.reset();
}

// The simulated meter shows °F: the graph opens in °F.
void TestGraphWiring::graphButtonOpensGraphInMeterUnit() {
    app_->GetPanel().ToolbarClick(QStringLiteral("Graph"));
    RealtimeGraphWindow* graph = app_->Graphs().Graph();
    QVERIFY(graph && graph->Fahrenheit());
    QCOMPARE(graph->ValueMin(), 32.0);
}

// A click on T2's °F strip chart copies its samples into the plot window; polling goes on.
void TestGraphWiring::stripChartClickPlotsItsSamples() {
    for (int i = 0; i < 12; ++i)
        app_->GetSampler().TakeSample();
    auto* plot = app_->GetPanel().findChild<QCustomPlot*>(QStringLiteral("FCWG1"));
    QVERIFY(plot);
    QTest::mouseClick(plot, Qt::LeftButton, {}, plot->rect().center());
    PlotWindow* window = app_->Graphs().Plot();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->Setup().PlotRowCount, 12);
    QCOMPARE(window->Graph()->graph(0)->dataCount(), 12);
    QVERIFY(app_->Timers().PollingTimer().isActive());
}

void TestGraphWiring::lostLinkClosesRealTimeGraph() {
    // A meter back as it was keeps the graph going; one back in the other unit closes it.
    app_->GetPanel().ToolbarClick(QStringLiteral("Graph"));
    QVERIFY(app_->Graphs().GraphOpen());
    QSignalSpy resynced(&app_->Link(), &MeterLink::Resynced);
    app_->Link().SetLinkLost(true);
    QTRY_VERIFY_WITH_TIMEOUT(resynced.size() == 1, 10000);
    QVERIFY(app_->Graphs().GraphOpen());
    app_->Simulator()->Model().ToggleUnit();
    app_->Link().SetLinkLost(true);
    QTRY_VERIFY_WITH_TIMEOUT(!app_->Graphs().GraphOpen(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!app_->Link().LinkLost(), 10000);
    app_->GetPanel().ToolbarClick(QStringLiteral("Graph"));
    QVERIFY(app_->Graphs().GraphOpen());
}

QTEST_MAIN(TestGraphWiring)
#include "tst_graph_wiring.moc"
