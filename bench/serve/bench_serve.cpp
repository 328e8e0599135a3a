// The live web view under a crowd: 50 clients asking /api/live ten times a second while
// corvilab-cli records once a second. Reports the program's processor use, and whether every
// request was answered and every sample recorded on a whole line.
//
//   bench_serve [SECONDS]   (30 by default)

#include "serve/live_load.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    QTemporaryDir dir;
    const LiveLoad load =
        RunLiveLoad(QStringLiteral(CORVILAB_CLI),
                    qEnvironmentVariable("CORVILAB_SIM", QStringLiteral(CORVILAB_SIM_PATH)),
                    dir.filePath(QStringLiteral("load.4ch")), 50, 10, seconds);
    if (!load.failure.isEmpty()) {
        std::fprintf(stderr, "bench_serve: %s\n", qPrintable(load.failure));
        return 1;
    }
    // A sample is missed where the numbers or the seconds between records skip.
    qint64 missed = 0;
    for (int i = 1; i < load.recordTimes.size(); ++i)
        missed += std::max<qint64>(0, load.recordTimes[i - 1].secsTo(load.recordTimes[i]) - 1);
    for (int i = 0; i < load.recordNumbers.size(); ++i)
        missed += load.recordNumbers[i] != i + 1;
    std::printf("%lld answers, %lld bad, %lld records, file %s, exit %d\n",
                static_cast<long long>(load.answered), static_cast<long long>(load.bad),
                static_cast<long long>(load.recordNumbers.size()),
                load.fileWhole ? "whole" : "BROKEN", load.exitCode);
    std::printf("BENCH\tcorvilab-cli record --http, 50 clients x 10 /api/live a second "
                "(processor)\t< 10 %%\t%.1f %%\n",
                100.0 * load.processorSeconds / seconds);
    std::printf("BENCH\tsamples missed and bad answers under that load\t0\t%lld\n",
                static_cast<long long>(missed + load.bad));
    return load.fileWhole && load.exitCode == 0 ? 0 : 1;
}
