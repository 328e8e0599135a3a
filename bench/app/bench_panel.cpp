// Processor time and resident memory of the running main window: the in-process simulated
// meter streams at line rate, the polling timer reads every 50 ms and a sample is taken every
// second, with the sample buffers allocated.
//
// Usage: bench_panel [seconds]   (default 60)

#include "app/application.h"
#include "recording/sampler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ResidentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1.0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1.0;
}

void Run(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;

    Application app;
    int samples = 0;
    QObject::connect(&app.GetSampler(), &Sampler::SampleTaken, [&] { ++samples; });
    if (!app.StartPanel({true, QString()}))
        return 1;
    // Start-up: the link recovery and the first configuration change.
    QElapsedTimer linking;
    linking.start();
    while (samples == 0 && linking.elapsed() < 20000)
        Run(100);
    if (samples == 0) {
        std::fprintf(stderr, "no sample within 20 s\n");
        return 1;
    }
    const int samplesBefore = samples;
    const double cpuBefore = ProcessorSeconds();
    QElapsedTimer wall;
    wall.start();
    Run(seconds * 1000);
    const double cpu = ProcessorSeconds() - cpuBefore;
    const double elapsed = wall.elapsed() / 1000.0;

    std::printf("bench_panel: %.1f s running, simulated meter at line rate, sampling every 1 s\n",
                elapsed);
    std::printf("  samples taken        %d\n", samples - samplesBefore);
    std::printf("  processor time       %.3f s (%.2f %% of one core; budget 2 %%)\n", cpu,
                100.0 * cpu / elapsed);
    std::printf("  resident memory      %.1f MB (budget 150 MB)\n", ResidentMegabytes());
    std::printf("  sample buffers       %d samples x 4 channels x 2 units\n",
                app.GetSampler().Buffers().Capacity());
    // BENCH<TAB>figure<TAB>target<TAB>measured: collected into one table by scripts/bench.sh.
    std::printf("BENCH\tprocessor use of the program, polling and sampling every 1 s\t< 2 %% of "
                "one core\t%.2f %% of one core\n",
                100.0 * cpu / elapsed);
    std::printf("BENCH\tresident memory of the program\t< 150 MB\t%.1f MB\n", ResidentMegabytes());
    return 0;
}
