// Times the data file at the size of one full recording file and of the live list before its dump:
// writing 320001 lines line by line (as the recording does), saving a table of 320000 rows,
// reading the file back, and what the table of 320000 rows costs in memory.

#include "link/reading_text.h"
#include "recording/data_file.h"
#include "recording/grid_file.h"
#include "recording/six_column_model.h"

#include "bench_measure.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

DataFields Row(qint64 n, const QDateTime& start) {
    const int t = int(n % 4000) - 500;
    return RecordFields(n, DateTimeText(start.addSecs(n)),
                        {TenthsText(t), TenthsText(t + 7), QStringLiteral("- - -"),
                         n % 2 ? QStringLiteral("Over") : QStringLiteral("Under")});
}

void Report(const char* what, const QElapsedTimer& timer) {
    std::printf("%-44s %8.1f ms\n", what, timer.nsecsElapsed() / 1e6);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.4ch"));
    const QString savedPath = dir.filePath(QStringLiteral("saved.4ch"));
    const QDateTime start(QDate(2013, 8, 8), QTime(14, 5, 9));
    const DataFields heading =
        HeadingFields(QStringLiteral("\u00B0C"), {QStringLiteral("K"), QStringLiteral("K"),
                                                  QStringLiteral("J"), QStringLiteral("J")});
    const int rows = RecordsPerDataFile;

    // Lines made beforehand, so that the times below are the file's and the table's alone.
    QList<DataFields> records;
    records.reserve(rows);
    for (qint64 n = 1; n <= rows; ++n)
        records.append(Row(n, start));

    QElapsedTimer timer;
    timer.start();
    DataFileWriter writer;
    bool ok = writer.Open(path) && writer.WriteLine(heading);
    for (const DataFields& record : records) {
        if (!(ok = writer.WriteLine(record)))
            break;
    }
    ok = writer.Close() && ok;
    Report("write 320001 lines, one write each", timer);
    if (!ok) {
        std::printf("write failed: %s\n", qPrintable(writer.ErrorText()));
        return 1;
    }

    const qint64 rssBefore = ResidentKiB();
    SixColumnModel model;
    model.SetHeadings(heading);
    timer.restart();
    for (const DataFields& record : records)
        model.AppendRow(record);
    Report("fill the table with 320000 rows one by one", timer);
    std::printf("%-44s %8.1f MiB (resident grew by %.1f MiB)\n", "table memory",
                model.MemoryBytes() / 1048576.0, (ResidentKiB() - rssBefore) / 1024.0);
    // BENCH<TAB>figure<TAB>target<TAB>measured: collected into one table by scripts/bench.sh.
    std::printf("BENCH\ttable of 320,000 rows (as the live list holds them)\t< 64 MB\t%.1f "
                "MiB\n",
                model.MemoryBytes() / 1048576.0);

    timer.restart();
    QString error;
    ok = SaveGridToFile(model, savedPath, &error);
    Report("save the table (SaveGridToFile)", timer);
    std::printf("BENCH\tsave a table of 320,000 rows (the live list's dump)\t< 1 s\t%.0f ms\n",
                timer.nsecsElapsed() / 1e6);
    if (!ok) {
        std::printf("save failed: %s\n", qPrintable(error));
        return 1;
    }

    timer.restart();
    qint64 lines = 0;
    const DataFileReadResult parsed = ReadDataFile(path, [&](qint64, const DataFields&) {
        ++lines;
        return true;
    });
    Report("read and split 320001 lines", timer);

    SixColumnModel loaded;
    timer.restart();
    const DataFileReadResult read = ReadFileIntoGrid(savedPath, loaded);
    Report("read 320001 lines into a table", timer);
    std::printf("BENCH\topen a 320,001-line file into a table\t< 1 s\t%.0f ms\n",
                timer.nsecsElapsed() / 1e6);
    std::printf("lines %lld / %lld, rows %d, complete %d %d\n", static_cast<long long>(lines),
                static_cast<long long>(read.linesRead), loaded.rowCount(), parsed.complete,
                read.complete);

    timer.restart();
    const QStringList printed = PrintGridLines(loaded);
    Report("lay out the printed lines", timer);
    std::printf("printed lines %lld\n", static_cast<long long>(printed.size()));
    return 0;
}
