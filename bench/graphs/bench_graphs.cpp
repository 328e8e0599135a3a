// The graphs' costs: opening a plot of 864,000 samples (ten days at one a second) from the click
// until it is shown, the repaint of each pan and zoom step, and the processor time the running
// real-time graph takes.
//
// Usage: bench_graphs [seconds]   (the real-time graph runs this long; default 60)
// Run it under a display (xvfb-run) for real painting; offscreen paints into memory only.

#include "config/alarm_settings.h"
#include "graphs/graph_commands.h"
#include "graphs/plot_window.h"
#include "graphs/realtime_graph_window.h"
#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_timers.h"
#include "link/reading_text.h"
#include "recording/sampler.h"
#include "session/meter_session.h"
#include "support/live_packet.h"
#include "support/scripted_dialogs.h"

#include "bench_measure.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMainWindow>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <qcustomplot.h>
#include <vector>

namespace {

// A type K probe reading about `tenthsC`, as the meter's packet sets it.
void SetReading(LiveState& live, int channel, int tenthsC) {
    FeedLivePacket(live, channel, 0, FahrenheitTenths(tenthsC));
}

struct Spread {
    double median, worst;
};
Spread SpreadOf(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

    SystemClock clock;
    MeterSession session(clock);
    LiveState& live = session.Live();
    Sampler& sampler = session.GetSampler();
    ScriptedDialogs dialogs; // shows none: each answer is the default
    QMainWindow panel;
    panel.setWindowTitle(QStringLiteral("Panel  V8.03"));
    panel.resize(600, 400);
    panel.show();
    GraphCommands graphs(session, dialogs, &panel);
    QObject::connect(&session, &MeterSession::SampleTaken, &graphs, &GraphCommands::OnSample);

    // Ten days of a slowly swinging room temperature with a little noise.
    QElapsedTimer fill;
    fill.start();
    for (int k = 0; k < SampleBuffers::kCapacity; ++k) {
        const double wave = 220 + 40 * std::sin(k / 4000.0) + 5 * std::sin(k * 0.37);
        SetReading(live, 0, int(std::lround(wave)));
        sampler.TakeSample();
    }
    std::printf("filled %d samples in %.1f s\n", sampler.SampleIndex(), fill.elapsed() / 1000.0);

    // From the click to the plot on screen.
    std::vector<double> opens;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer open;
        open.start();
        graphs.PlotChannel(0, false);
        QCoreApplication::processEvents();
        opens.push_back(open.nsecsElapsed() / 1e6);
    }
    const Spread open = SpreadOf(opens);
    std::printf("open plot of %d samples: first %.1f ms, median %.1f ms, worst %.1f ms\n",
                sampler.SampleIndex(), opens.front(), open.median, open.worst);
    // BENCH<TAB>figure<TAB>target<TAB>measured: collected into one table by scripts/bench.sh.
    std::printf("BENCH\topen a plot of 864,000 samples (first click)\t< 1 s\t%.0f ms\n",
                opens.front());

    PlotWindow& plot = *graphs.Plot();
    QCustomPlot* graph = plot.Graph();
    std::printf("plot graph size %dx%d\n", graph->width(), graph->height());
    const auto timeReplot = [&](const std::function<void(int)>& step, int steps) {
        std::vector<double> ms;
        for (int i = 0; i < steps; ++i) {
            step(i);
            QElapsedTimer t;
            t.start();
            graph->replot(QCustomPlot::rpImmediateRefresh);
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        return SpreadOf(ms);
    };
    plot.ResetScale();
    const Spread full = timeReplot([](int) {}, 30);
    std::printf("repaint, all 864000 points in view: median %.2f ms, worst %.2f ms\n", full.median,
                full.worst);
    const Spread pan = timeReplot(
        [&](int i) {
            const double shift = (i % 2 ? -1 : 1) * 8640.0;
            graph->xAxis->moveRange(shift);
            graph->yAxis->moveRange(i % 2 ? -5 : 5);
        },
        60);
    std::printf("repaint per pan step (XY): median %.2f ms, worst %.2f ms\n", pan.median,
                pan.worst);
    plot.ResetScale();
    const Spread zoom = timeReplot(
        [&](int i) {
            const double factor = i < 30 ? 0.8 : 1.25;
            graph->xAxis->scaleRange(factor, graph->xAxis->range().center());
        },
        60);
    std::printf("repaint per zoom step (X, 0.8x in then out): median %.2f ms, worst %.2f ms\n",
                zoom.median, zoom.worst);
    std::printf("BENCH\trepaint of the plot, 864,000 points in view (median)\t< 16 ms\t%.2f ms\n",
                full.median);
    std::printf("BENCH\trepaint of the plot per pan or zoom step (worst)\t< 16 ms\t%.2f ms\n",
                std::max(pan.worst, zoom.worst));

    // The real-time graph: the cost of one tick with its repaint, then the whole program's
    // processor time over a run with the graph open against one without it.
    graphs.ShowGraph();
    RealtimeGraphWindow& realtime = *graphs.Graph();
    RunEvents(200);
    realtime.PenTimer().stop();
    QElapsedTimer tickTimer;
    const double tickCpu0 = ProcessorSeconds();
    tickTimer.start();
    constexpr int kTicks = 1200;
    for (int i = 0; i < kTicks; ++i) {
        SetReading(live, 0, 200 + i % 100);
        SetReading(live, 1, 300 - i % 70);
        sampler.TakeSample();
        realtime.Tick();
        realtime.SurfaceWidget()->repaint();
    }
    const double tickMs = (ProcessorSeconds() - tickCpu0) * 1000 / kTicks;
    std::printf("real-time graph tick with repaint: %.3f ms processor, %.3f ms wall -> %.3f %% "
                "of a core at one tick a second\n",
                tickMs, tickTimer.nsecsElapsed() / 1e6 / kTicks, tickMs / 10);
    realtime.Redraw();

    QTimer feed;
    int fed = 0;
    QObject::connect(&feed, &QTimer::timeout, [&] {
        SetReading(live, 0, 220 + fed % 50);
        SetReading(live, 1, 250 + (fed * 7) % 40);
        sampler.TakeSample();
        ++fed;
    });
    feed.start(1000);
    double cpu0 = ProcessorSeconds();
    QElapsedTimer wall;
    wall.start();
    RunEvents(seconds * 1000);
    const double withGraph = (ProcessorSeconds() - cpu0) / (wall.elapsed() / 1000.0) * 100;
    graphs.CloseGraph();
    const int baseSeconds = std::max(5, seconds / 3);
    cpu0 = ProcessorSeconds();
    wall.restart();
    RunEvents(baseSeconds * 1000);
    const double without = (ProcessorSeconds() - cpu0) / (wall.elapsed() / 1000.0) * 100;
    std::printf("process over %d s with the real-time graph: %.3f %% of a core; over %d s "
                "without: %.3f %%; the graph adds %.3f %%\n",
                seconds, withGraph, baseSeconds, without, withGraph - without);
    std::printf("BENCH\tprocessor use the real-time graph adds\t< 1 %% of one core\t%.2f %% of "
                "one core\n",
                withGraph - without);
    return 0;
}
