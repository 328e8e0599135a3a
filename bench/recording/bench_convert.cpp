// `corvilab-cli convert --to csv` beside a plain Python script with the csv module
// (bench/convert_csv.py), run one after the other on the same generated 320,001-line data file:
// processor time and peak memory of each, and the ratio.

#include "link/reading_text.h"
#include "recording/data_file.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Run {
    bool ok = false;
    double seconds = 0; // processor time, user and system
    double peakMiB = 0;
};

// Runs the program to its end with no standard output; its own resource use, not this one's.
Run Measure(const QList<QByteArray>& args) {
    std::vector<char*> argv;
    for (const QByteArray& a : args)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    Run run;
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return run;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.seconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakMiB = usage.ru_maxrss / 1024.0;
    return run;
}

} // namespace

int main() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.4ch"));
    const QDateTime start(QDate(2013, 8, 8), QTime(14, 5, 9));
    // Written in batches, so that this program stays small: a child's peak memory starts from
    // what its parent held when it was started.
    DataFileWriter writer;
    bool ok = writer.Open(path) &&
              writer.WriteLine(HeadingFields(QStringLiteral("\u00B0C"),
                                             {QStringLiteral("K"), QStringLiteral("K"),
                                              QStringLiteral("J"), QStringLiteral("J")}));
    QList<DataFields> lines;
    for (qint64 n = 1; ok && n <= RecordsPerDataFile; ++n) {
        const int t = int(n % 4000) - 500;
        lines.append(RecordFields(n, DateTimeText(start.addSecs(n)),
                                  {TenthsText(t), TenthsText(t + 7), QStringLiteral("- - -"),
                                   n % 2 ? QStringLiteral("Over") : QStringLiteral("Under")}));
        if (lines.size() == 10000 || n == RecordsPerDataFile) {
            ok = writer.WriteLines(lines);
            lines.clear();
        }
    }
    ok = writer.Close() && ok;
    if (!ok) {
        std::printf("write failed: %s\n", qPrintable(writer.ErrorText()));
        return 1;
    }
    const double fileMiB = QFileInfo(path).size() / 1048576.0;

    const QByteArray in = path.toLocal8Bit();
    const Run cli = Measure({CORVILAB_CLI, "convert", in, "--to", "csv", "-o",
                             dir.filePath(QStringLiteral("cli.csv")).toLocal8Bit()});
    const Run script = Measure(
        {"python3", CONVERT_SCRIPT, in, dir.filePath(QStringLiteral("python.csv")).toLocal8Bit()});
    std::printf("file: 320001 lines, %.1f MiB\n", fileMiB);
    std::printf("corvilab-cli convert   %6.3f s  %6.1f MiB peak%s\n", cli.seconds, cli.peakMiB,
                cli.ok ? "" : "  FAILED");
    std::printf("python3 convert_csv.py %6.3f s  %6.1f MiB peak%s\n", script.seconds,
                script.peakMiB, script.ok ? "" : "  FAILED");
    if (!cli.ok || !script.ok)
        return 1;
    std::printf("BENCH\tconvert 320,001 lines to CSV: Python csv script time / corvilab-cli "
                "time\t>= 5\t%.1f (%.2f s / %.2f s)\n",
                script.seconds / std::max(cli.seconds, 1e-3), script.seconds, cli.seconds);
    std::printf("BENCH\tconvert 320,001 lines to CSV: peak memory\t< %.0f MiB (2 x file)\t%.1f "
                "MiB\n",
                2 * fileMiB, cli.peakMiB);
    return 0;
}
