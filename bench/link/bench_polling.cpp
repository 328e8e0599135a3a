// Processor time of the polling loop against the simulated meter streaming at line rate:
// bench_polling [SECONDS] [--port DEVICE]. Without --port the simulated meter runs in this
// process; with it, the program polls a serial device (for example corvilab-sim's port).
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
#include <QSerialPort>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds =
        args.size() > 1 && !args[1].startsWith(QLatin1String("--")) ? args[1].toInt() : 60;
    const int portArg = int(args.indexOf(QStringLiteral("--port")));

    SystemClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    SimulatedMeterDevice simulated;
    std::unique_ptr<QSerialPort> port;
    if (portArg > 0 && portArg + 1 < args.size()) {
        OpenedPort opened = OpenMeterPort(args[portArg + 1]);
        if (!opened.port) {
            std::fprintf(stderr, "bench_polling: %s\n", qPrintable(opened.error));
            return 1;
        }
        port = std::move(opened.port);
        link.SetDevice(port.get(), port->portName());
    } else {
        LoadScenario(DefaultScenarioText(), simulated.Model());
        simulated.open(QIODevice::ReadWrite);
        link.SetDevice(&simulated, QStringLiteral("simulated meter"));
    }

    int packets = 0;
    QObject::connect(&timers.Timer1, &QTimer::timeout, [&] {
        const auto result = link.PollTick();
        packets +=
            result == MeterLink::PollResult::Unchanged || result == MeterLink::PollResult::Changed;
    });
    timers.StartBoth();

    // Start measuring once linked, so the figure is the steady polling cost.
    double cpuStart = 0;
    QElapsedTimer wall;
    QTimer::singleShot(3000, [&] {
        cpuStart = ProcessorSeconds();
        packets = 0;
        wall.start();
        QTimer::singleShot(seconds * 1000, [&] {
            link.Cancel();
            app.quit();
        });
    });
    app.exec();
    const double cpu = ProcessorSeconds() - cpuStart;
    const double elapsed = wall.elapsed() / 1000.0;
    std::printf("polling %.0f s: %d packets decoded, processor %.3f s = %.2f %% of one core\n",
                elapsed, packets, cpu, 100.0 * cpu / elapsed);
    // BENCH<TAB>figure<TAB>target<TAB>measured: collected into one table by scripts/bench.sh.
    std::printf("BENCH\tprocessor use while polling (link alone, line rate)\t< 2 %% of one "
                "core\t%.2f %% of one core\n",
                100.0 * cpu / elapsed);
    return 0;
}
