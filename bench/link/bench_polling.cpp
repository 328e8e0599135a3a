// Processor time of the polling loop, and the time from opening the port until all four
// channels are read: bench_polling [SECONDS] [--port DEVICE]. Without --port the simulated
// meter runs in this process, once streaming at line rate and once sending a packet every
// 50 ms; with it, the program polls a serial device (for example corvilab-sim's port).
#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "link/serial_port.h"
#include "sim/meter_scenario.h"
#include "sim/simulated_meter_device.h"

#include "bench_measure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

namespace {

bool AllChannelsRead(const LiveState& live) {
    for (const ChannelState& channel : live.Channels()) {
        if (!channel.TypeCode)
            return false;
    }
    return true;
}

// Polls `device` for `seconds` once linked and prints the figures under `pace`.
void Measure(QIODevice& device, const char* pace, int seconds) {
    SystemClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    QElapsedTimer sinceOpen;
    sinceOpen.start();
    link.SetDevice(&device, QStringLiteral("meter"));
    double linkedMs = -1;
    int packets = 0;
    QObject::connect(&timers.PollingTimer(), &QTimer::timeout, [&] {
        const auto result = link.PollTick();
        packets +=
            result == MeterLink::PollResult::Unchanged || result == MeterLink::PollResult::Changed;
        if (linkedMs < 0 && !link.LinkLost() && AllChannelsRead(live))
            linkedMs = sinceOpen.elapsed();
    });
    timers.StartBoth();

    // Measure from 3 s on, so the figure is the steady polling cost.
    QEventLoop loop;
    double cpuStart = 0;
    QElapsedTimer wall;
    QTimer::singleShot(3000, &loop, [&] {
        cpuStart = ProcessorSeconds();
        wall.start();
        QTimer::singleShot(seconds * 1000, &loop, [&] {
            link.Cancel();
            loop.quit();
        });
    });
    loop.exec();
    timers.PollingTimer().stop();
    timers.SamplingTimer().stop();
    const double cpu = ProcessorSeconds() - cpuStart;
    const double elapsed = wall.elapsed() / 1000.0;
    std::printf("polling %s, %.0f s: %d polling ticks, processor %.3f s = %.2f %% of one "
                "core; all four channels read %.0f ms after opening\n",
                pace, elapsed, packets, cpu, 100.0 * cpu / elapsed, linkedMs);
    // BENCH<TAB>figure<TAB>target<TAB>measured: collected into one table by scripts/bench.sh.
    std::printf("BENCH\tprocessor use while polling (link alone, %s)\t< 1 %% of one core\t%.2f "
                "%% of one core\n",
                pace, 100.0 * cpu / elapsed);
    std::printf("BENCH\tport opened to all four channels read (%s)\t< 1 s\t%.2f s\n", pace,
                linkedMs / 1000.0);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds =
        args.size() > 1 && !args[1].startsWith(QLatin1String("--")) ? args[1].toInt() : 60;
    const int portArg = int(args.indexOf(QStringLiteral("--port")));

    if (portArg > 0 && portArg + 1 < args.size()) {
        OpenedPort opened = OpenMeterPort(args[portArg + 1]);
        if (!opened.port) {
            std::fprintf(stderr, "bench_polling: %s\n", qPrintable(opened.error));
            return 1;
        }
        Measure(*opened.port, qPrintable(args[portArg + 1]), seconds);
        return 0;
    }
    for (const int intervalMs : {0, 50}) {
        SimulatedMeterDevice meter;
        LoadScenario(DefaultScenarioText(), meter.Model());
        meter.SetPacketInterval(intervalMs);
        meter.open(QIODevice::ReadWrite);
        Measure(meter, intervalMs ? "a packet every 50 ms" : "line rate", seconds);
    }
    return 0;
}
