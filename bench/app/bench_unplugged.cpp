// Processor time of the running program while its USB-serial adapter is pulled out, and the time
// it takes to go on after the adapter is back. corvilab-sim stands in for the adapter: its
// "unplug" removes the serial device, "plug" brings it back under the same link name.
//
// Usage: bench_unplugged [seconds]   (default 60: the time measured with the adapter out)

#include "app/application.h"
#include "link/meter_link.h"
#include "recording/sampler.h"

#include "bench_measure.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

// The simulator's next line on its standard output (the path of a new serial device).
QString ReadLine(QProcess& sim) {
    RunEventsUntil([&] { return sim.canReadLine(); }, 10000);
    return QString::fromLocal8Bit(sim.readLine()).trimmed();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;

    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("meter"));
    QProcess sim;
    sim.start(QStringLiteral(CORVILAB_SIM_PROGRAM),
              {QStringLiteral("--fast"), QStringLiteral("--link"), link});
    if (!sim.waitForStarted() || ReadLine(sim).isEmpty()) {
        std::fprintf(stderr, "bench_unplugged: corvilab-sim did not start\n");
        return 1;
    }

    // The steps run from the program's own signals: while the link is lost the program waits
    // inside its recovery loop, so an outer loop here would not get control back until the end.
    Application app;
    enum class Step { Linking, Unplugged, Measured, Back } step = Step::Linking;
    double cpuStart = 0;
    double cpu = 0;
    double elapsed = 0;
    double backSeconds = 0;
    QElapsedTimer wall;
    QObject::connect(&app.GetSampler(), &Sampler::SampleTaken, [&] {
        if (step == Step::Linking) {
            step = Step::Unplugged;
            sim.write("unplug\n");
        } else if (step == Step::Measured) {
            step = Step::Back;
            backSeconds = wall.elapsed() / 1000.0;
        }
    });
    QObject::connect(&app.Link(), &MeterLink::LinkCaptionChanged, [&](const QString& caption) {
        if (step != Step::Unplugged || caption != QLatin1String("No COM") || wall.isValid())
            return;
        cpuStart = ProcessorSeconds();
        wall.start();
        QTimer::singleShot(seconds * 1000, [&] {
            cpu = ProcessorSeconds() - cpuStart;
            elapsed = wall.elapsed() / 1000.0;
            step = Step::Measured;
            wall.restart();
            sim.write("plug\n");
        });
    });
    if (!app.StartPanel({false, link}))
        return 1;
    RunEventsUntil([&] { return step == Step::Back; }, (seconds + 60) * 1000);
    const bool resumed = step == Step::Back;
    sim.closeWriteChannel();
    sim.terminate();
    sim.waitForFinished();

    std::printf("bench_unplugged: adapter out for %.1f s, processor %.3f s (%.2f %% of one core)\n",
                elapsed, cpu, 100.0 * cpu / elapsed);
    std::printf("  back in: %s after %.1f s\n", resumed ? "sampling again" : "NOT sampling",
                backSeconds);
    if (elapsed <= 0) {
        std::fprintf(stderr, "bench_unplugged: the lost adapter was not noticed\n");
        return 1;
    }
    // BENCH<TAB>figure<TAB>target<TAB>measured: collected into one table by scripts/bench.sh.
    std::printf("BENCH\tprocessor use while the adapter is unplugged\t< 1 %% of one core\t%.2f %% "
                "of one core\n",
                100.0 * cpu / elapsed);
    std::printf("BENCH\tadapter plugged back in: sampling again after\ta few seconds\t%s\n",
                resumed ? qPrintable(QString::number(backSeconds, 'f', 1) + QStringLiteral(" s"))
                        : "did not resume");
    return resumed ? 0 : 1;
}
