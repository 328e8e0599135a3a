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
    void graphButtonOpensOneRealTimeGraph();
    void stripChartClickPlotsItsSamples_data();
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
    QVERIFY(app_->StartPanel({true, QString()}));
    app_->Simulator()->SetFast(true);
    app_->Timers().Timer2.setInterval(24 * 3600 * 1000); // the test takes the samples
    QTRY_VERIFY_WITH_TIMEOUT(changes.size() >= 1, 10000);
}

void TestGraphWiring::cleanup() {
    app_.reset();
}

void TestGraphWiring::graphButtonOpensOneRealTimeGraph() {
    GraphCommands& graphs = app_->Graphs();
    app_->GetPanel().ToolbarClick(QStringLiteral("Graph"));
    RealtimeGraphWindow* graph = graphs.Graph();
    QVERIFY(graph);
    app_->GetPanel().ToolbarClick(QStringLiteral("Graph"));
    QCOMPARE(graphs.Graph(), graph);
    // The simulated meter shows °F: the graph opens in °F and draws every channel with a probe
    // at its reading, in a channel's colour.
    QVERIFY(graph->Fahrenheit());
    QCOMPARE(graph->ValueMin(), 32.0);
    const SampleRecord r = app_->GetSampler().TakeSample();
    for (int i = 0; i < 5; ++i)
        graph->Tick();
    const SweepLayout& l = graph->Layout();
    int drawn = 0;
    for (const std::optional<int>& tenths : r.ChartedF) {
        if (!tenths)
            continue;
        const double y = l.PlotBottom - l.ValueHeight(*tenths / 10.0, 32, 212);
        const QColor c =
            graph->Surface().pixelColor(SweepLayout::LeftMargin + 2, int(std::lround(y)));
        bool channelColour = false;
        for (int k = 0; k < 4; ++k) {
            const QColor e = RealtimeGraphWindow::ChannelColour(k);
            channelColour |= std::abs(c.red() - e.red()) + std::abs(c.green() - e.green()) +
                                 std::abs(c.blue() - e.blue()) <
                             120;
        }
        QVERIFY2(channelColour, qPrintable(c.name()));
        ++drawn;
    }
    QVERIFY(drawn >= 2);
}

void TestGraphWiring::stripChartClickPlotsItsSamples_data() {
    QTest::addColumn<QString>("chart");
    QTest::addColumn<QString>("yAxis");
    QTest::addColumn<double>("yMax");
    QTest::newRow("T2 on the °F panel") << "FCWG1"
                                        << "Fahrenheit" << 1832.0;
    QTest::newRow("T2 on the °C panel") << "CCWG1"
                                        << "Celsius" << 1000.0;
}

void TestGraphWiring::stripChartClickPlotsItsSamples() {
    QFETCH(QString, chart);
    for (int i = 0; i < 12; ++i)
        app_->GetSampler().TakeSample();
    auto* plot = app_->GetPanel().findChild<QCustomPlot*>(chart);
    QVERIFY(plot);
    QTest::mouseClick(plot, Qt::LeftButton, {}, plot->rect().center());
    PlotWindow* window = app_->Graphs().Plot();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->Setup().PlotRowCount, 12);
    QTEST(window->Graph()->yAxis->label(), "yAxis");
    QTEST(window->Graph()->yAxis->range().upper, "yMax");
    QCOMPARE(window->Graph()->graph(0)->dataCount(), 12);
    QVERIFY(app_->Timers().Timer1.isActive()); // polling goes on after the copy
}

void TestGraphWiring::lostLinkClosesRealTimeGraph() {
    app_->GetPanel().ToolbarClick(QStringLiteral("Graph"));
    QVERIFY(app_->Graphs().GraphOpen());
    app_->Link().LinkLost = true;
    QTRY_VERIFY_WITH_TIMEOUT(!app_->Graphs().GraphOpen(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!app_->Link().LinkLost, 10000);
    app_->GetPanel().ToolbarClick(QStringLiteral("Graph"));
    QVERIFY(app_->Graphs().GraphOpen());
}

QTEST_MAIN(TestGraphWiring)
#include "tst_graph_wiring.moc"
