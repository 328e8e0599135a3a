// The live web view under two kinds of crowd.
//  - 50 clients asking /api/live ten times a second while corvilab-cli records once a second:
//    the program's processor use, and whether every request was answered and every sample
//    recorded on a whole line.
//  - 100 slow clients trickling a request a byte a second at corvilab-cli serve, beside one
//    normal client asking four times a second on a new connection: the normal client's answer
//    time (median and worst) and the program's processor use.
//  - nobody at all, as through most of a long recording: corvilab-cli record --http at 1 s from
//    corvilab-sim at its own pace, the program's processor use and wakeups (the simulator's
//    processor time is its own and is not counted).
//
//   bench_serve [SECONDS] [QUIET_SECONDS]   (30 by default for each crowd, 60 for nobody)

#include "live_load.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

int Crowd(const QString& cli, const QString& sim, int seconds) {
    QTemporaryDir dir;
    const LiveLoad load =
        RunLiveLoad(cli, sim, dir.filePath(QStringLiteral("load.4ch")), 50, 10, seconds);
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

int SlowClients(const QString& cli, const QString& sim, int seconds) {
    SlowLoad load = RunSlowClients(cli, sim, 100, seconds);
    if (!load.failure.isEmpty() || load.answerMs.isEmpty()) {
        std::fprintf(
            stderr, "bench_serve: %s\n",
            qPrintable(load.failure.isEmpty() ? QStringLiteral("no answer at all") : load.failure));
        return 1;
    }
    std::sort(load.answerMs.begin(), load.answerMs.end());
    std::printf("%lld answers, %lld unanswered, %lld slow connections closed by the server\n",
                static_cast<long long>(load.answerMs.size()),
                static_cast<long long>(load.unanswered), static_cast<long long>(load.slowClosed));
    std::printf("BENCH\ta new client's answer beside 100 slow clients (median)\t< 2000 ms\t%.1f "
                "ms\n",
                load.answerMs[load.answerMs.size() / 2]);
    std::printf("BENCH\ta new client's answer beside 100 slow clients (worst)\t< 2000 ms\t%.1f "
                "ms\n",
                load.answerMs.last());
    std::printf("BENCH\tcorvilab-cli serve with 100 slow clients (processor)\t< 10 %%\t%.1f %%\n",
                100.0 * load.processorSeconds / seconds);
    std::printf("BENCH\trequests of the new client left unanswered (5 s)\t0\t%lld\n",
                static_cast<long long>(load.unanswered));
    return 0;
}

int Nobody(const QString& cli, const QString& sim, int seconds) {
    QTemporaryDir dir;
    const QuietRun run = RunQuiet(cli, sim, dir.filePath(QStringLiteral("quiet.4ch")), seconds);
    if (!run.failure.isEmpty() || run.seconds <= 0) {
        std::fprintf(stderr, "bench_serve: %s\n", qPrintable(run.failure));
        return 1;
    }
    std::printf("nobody asking, %.0f s: corvilab-cli %.3f s of processor, %lld wakeups, %lld "
                "records; corvilab-sim %.3f s (its own, not counted)\n",
                run.seconds, run.processorSeconds, static_cast<long long>(run.wakeups),
                static_cast<long long>(run.records), run.simProcessorSeconds);
    std::printf("BENCH\tcorvilab-cli record --http at 1 s, nobody asking (processor)\t< 0.5 "
                "%%\t%.2f %%\n",
                100.0 * run.processorSeconds / run.seconds);
    // Polling every 50 ms and sampling every second: about 21 a second; more is the line or a
    // timer waking the program between polls.
    std::printf("BENCH\tcorvilab-cli record --http, nobody asking: wakeups a second\t< 25\t%.1f\n",
                double(run.wakeups) / run.seconds);
    return run.records > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int quietSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const QString cli = QStringLiteral(CORVILAB_CLI);
    const QString sim = qEnvironmentVariable("CORVILAB_SIM", QStringLiteral(CORVILAB_SIM_PATH));
    const int quiet = Nobody(cli, sim, quietSeconds);
    const int crowd = Crowd(cli, sim, seconds);
    return SlowClients(cli, sim, seconds) | crowd | quiet;
}
