// Processor time and resident memory of the running main window: the in-process simulated
// meter streams at line rate, the polling timer reads every 50 ms and a sample is taken every
// second, with the sample buffers allocated. Also how long after the clock's whole second each
// sample is taken, and whether consecutive sample times are a second apart.
//
// Usage: bench_panel [seconds]   (default 60)

#include "app/application.h"
#include "recording/sampler.h"

#include "bench_measure.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;

    Application app;
    int samples = 0;
    QList<int> pastSecondMs; // how long after its whole second each sample came
    int stepsOfOneSecond = 0;
    QDateTime previous;
    QObject::connect(&app.GetSampler(), &Sampler::SampleTaken, [&](const SampleRecord& r) {
        ++samples;
        pastSecondMs << QTime::currentTime().msec();
        const QDateTime at =
            QDateTime::fromString(r.TimeText, QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        stepsOfOneSecond += previous.isValid() && previous.secsTo(at) == 1;
        previous = at;
    });
    if (!app.StartPanel({true, QString()}))
        return 1;
    // Start-up: the link recovery and the first configuration change.
    if (!RunEventsUntil([&] { return samples > 0; }, 20000)) {
        std::fprintf(stderr, "no sample within 20 s\n");
        return 1;
    }
    const int samplesBefore = samples;
    pastSecondMs.clear();
    stepsOfOneSecond = 0;
    previous = QDateTime();
    const double cpuBefore = ProcessorSeconds();
    const long wakeupsBefore = Wakeups();
    QElapsedTimer wall;
    wall.start();
    RunEvents(seconds * 1000);
    const double cpu = ProcessorSeconds() - cpuBefore;
    const double wakeups = double(Wakeups() - wakeupsBefore);
    const double elapsed = wall.elapsed() / 1000.0;

    std::printf("bench_panel: %.1f s running, simulated meter at line rate, sampling every 1 s\n",
                elapsed);
    std::printf("  samples taken        %d\n", samples - samplesBefore);
    std::printf("  processor time       %.3f s (%.2f %% of one core; budget 0.5 %%)\n", cpu,
                100.0 * cpu / elapsed);
    std::printf("  wakeups              %.0f (%.1f a second)\n", wakeups, wakeups / elapsed);
    std::printf("  resident memory      %.1f MB (budget 150 MB)\n", ResidentKiB() / 1024.0);
    std::printf("  sample buffers       %d samples x 4 channels x 2 units\n",
                app.GetSampler().Buffers().Capacity());
    // BENCH<TAB>figure<TAB>target<TAB>measured: collected into one table by scripts/bench.sh.
    std::printf(
        "BENCH\tprocessor use of the program, simulated meter, polling and sampling every 1 "
        "s\t< 0.5 %% of one core\t%.2f %% of one core\n",
        100.0 * cpu / elapsed);
    // Polling every 50 ms and sampling every second: about 21 a second.
    std::printf("BENCH\twakeups of the program a second\t< 25\t%.1f\n", wakeups / elapsed);
    std::printf("BENCH\tresident memory of the program\t< 150 MB\t%.1f MB\n",
                ResidentKiB() / 1024.0);
    std::sort(pastSecondMs.begin(), pastSecondMs.end());
    if (!pastSecondMs.isEmpty())
        std::printf("BENCH\tsample taken after the clock's whole second (median, worst)\t< 100 "
                    "ms\t%d ms, %d ms\n",
                    pastSecondMs[pastSecondMs.size() / 2], pastSecondMs.last());
    std::printf("BENCH\tconsecutive sample times a second apart\tall\t%d of %d\n", stepsOfOneSecond,
                int(std::max<qsizetype>(0, pastSecondMs.size() - 1)));
    return 0;
}
