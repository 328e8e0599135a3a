// The comparison's costs: twenty runs of 86,400 records (a day at one a second) read and shown
// in the Compare window, the repaint of its plots, and `corvilab-cli compare` of two
// recordings of 320,000 lines (a whole data file each).
//
// Usage: bench_compare
// Run it under a display (xvfb-run) for real painting; offscreen paints into memory only.

#include "compare/compare_window.h"
#include "recording/data_file.h"
#include "support/scripted_dialogs.h"

#include "bench_measure.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <qcustomplot.h>
#include <vector>

namespace {

// A kiln firing of `records` seconds on T1 (run `run` a little off the others), room
// temperature on T2, the other two channels without a probe.
bool WriteRun(const QString& path, int records, int run) {
    DataFileWriter writer;
    if (!writer.Open(path))
        return false;
    QList<DataFields> lines{HeadingFields(QStringLiteral("°C"), {"K", "K", "K", "K"})};
    const QDateTime start(QDate(2026, 11, 2 + run % 20), QTime(9, 0, 0));
    const double rate = 0.02 + 0.0004 * run;
    for (int r = 0; r < records; ++r) {
        const double t1 =
            20.0 + 1150.0 * (1.0 - std::exp(-rate * r / 60.0)) + 2.0 * std::sin(r / 300.0 + run);
        const int tenths = int(std::lround(t1 * 10));
        lines.append(RecordFields(
            r + 1, DateTimeText(start.addSecs(r)),
            {QString::number(tenths / 10) + QLatin1Char('.') + QString::number(tenths % 10),
             QStringLiteral("21.5"), QStringLiteral("- - -"), QStringLiteral("- - -")}));
        if (lines.size() == 20000 || r + 1 == records) {
            if (!writer.WriteLines(lines))
                return false;
            lines.clear();
        }
    }
    return writer.Close();
}

double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    QTemporaryDir dir;
    QStringList day;
    for (int run = 0; run < 20; ++run) {
        day << dir.filePath(QStringLiteral("day-%1.4ch").arg(run + 1));
        if (!WriteRun(day.last(), 86400, run))
            return 1;
    }
    const QStringList long2{dir.filePath(QStringLiteral("long-1.4ch")),
                            dir.filePath(QStringLiteral("long-2.4ch"))};
    for (int run = 0; run < 2; ++run) {
        if (!WriteRun(long2[run], RecordsPerDataFile, run))
            return 1;
    }
    std::printf("wrote 20 files of 86400 records and 2 of %d\n", RecordsPerDataFile);

    // From the files to the window on screen, figures and plots drawn.
    ScriptedDialogs dialogs; // shows none: each answer is the default
    // Wall time, and the processor time it took: on a machine shared with other work the first
    // is longer than the program's own cost.
    std::vector<double> opens, openProcessor;
    for (int round = 0; round < 3; ++round) {
        CompareWindow window(dialogs, nullptr, nullptr);
        window.resize(1280, 900);
        QElapsedTimer open;
        open.start();
        const double processor = ProcessorSeconds();
        window.show();
        if (!window.AddFiles(day) || window.RunCount() != 20) {
            std::printf("not opened: %s\n", qPrintable(dialogs.Texts().join(QStringLiteral("; "))));
            return 1;
        }
        QCoreApplication::processEvents();
        opens.push_back(open.nsecsElapsed() / 1e6);
        openProcessor.push_back((ProcessorSeconds() - processor) * 1000);
        if (round > 0)
            continue;
        // The repaint of both plots, all runs in view, then while panning.
        QCustomPlot* runs = window.GraphRuns();
        QCustomPlot* difference = window.GraphDifference();
        std::printf("plots %dx%d and %dx%d\n", runs->width(), runs->height(), difference->width(),
                    difference->height());
        std::vector<double> full, pan, upper, lower;
        for (int i = 0; i < 60; ++i) {
            if (i >= 30) {
                for (QCustomPlot* plot : {runs, difference})
                    plot->xAxis->moveRange((i % 2 ? -1 : 1) * 3600.0);
            }
            QElapsedTimer t;
            t.start();
            runs->replot(QCustomPlot::rpImmediateRefresh);
            const double one = t.nsecsElapsed() / 1e6;
            difference->replot(QCustomPlot::rpImmediateRefresh);
            const double both = t.nsecsElapsed() / 1e6;
            (i < 30 ? full : pan).push_back(both);
            upper.push_back(one);
            lower.push_back(both - one);
        }
        std::printf("repaint of the runs plot alone: median %.2f ms; of the difference plot: "
                    "median %.2f ms\n",
                    Median(upper), Median(lower));
        std::printf("repaint of both plots, 20 x 86400 samples: median %.2f ms, worst %.2f ms; "
                    "panning: median %.2f ms, worst %.2f ms\n",
                    Median(full), *std::max_element(full.begin(), full.end()), Median(pan),
                    *std::max_element(pan.begin(), pan.end()));
        std::printf("BENCH\trepaint of the Compare window's plots, 20 runs of 86,400 records "
                    "(median)\t< 16 ms\t%.2f ms\n",
                    Median(full));
        std::printf("resident memory with the window open: %lld MiB\n",
                    static_cast<long long>(ResidentKiB() / 1024));
    }
    std::printf("open 20 runs of 86400 records: first %.0f ms, median %.0f ms (processor time: "
                "median %.0f ms)\n",
                opens.front(), Median(opens), Median(openProcessor));
    std::printf("BENCH\topen 20 runs of 86,400 records in the Compare window\t< 1 s\t%.0f ms\n",
                Median(opens));

    std::vector<double> cli, cliProcessor;
    for (int round = 0; round < 5; ++round) {
        QProcess process;
        QElapsedTimer t;
        t.start();
        rusage before{};
        getrusage(RUSAGE_CHILDREN, &before);
        process.start(QStringLiteral(CORVILAB_CLI),
                      {QStringLiteral("compare"), long2[0], long2[1], QStringLiteral("--band"),
                       QStringLiteral("2")});
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() > 1)
            return 1;
        cli.push_back(t.nsecsElapsed() / 1e6);
        rusage after{};
        getrusage(RUSAGE_CHILDREN, &after);
        const auto ms = [](const timeval& v) { return v.tv_sec * 1e3 + v.tv_usec / 1e3; };
        cliProcessor.push_back(ms(after.ru_utime) + ms(after.ru_stime) - ms(before.ru_utime) -
                               ms(before.ru_stime));
        if (round == 0)
            std::printf("%s", process.readAllStandardOutput().constData());
    }
    std::printf("corvilab-cli compare of two files of %d lines: median %.0f ms, worst %.0f ms "
                "(processor time: median %.0f ms)\n",
                RecordsPerDataFile, Median(cli), *std::max_element(cli.begin(), cli.end()),
                Median(cliProcessor));
    std::printf("BENCH\tcorvilab-cli compare of two 320,000-line files\t< 0.5 s\t%.0f ms\n",
                Median(cli));
    return 0;
}
