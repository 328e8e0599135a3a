#include "recording/grid_file.h"

#include "views/six_column_model.h"

#include <algorithm>

bool SaveGridToFile(const SixColumnModel& grid, const QString& path, QString* error,
                    const GridProgress& progress, int progressEvery) {
    progressEvery = std::max(progressEvery, 1);
    DataFileWriter writer;
    auto fail = [&]() {
        if (error)
            *error = writer.ErrorText();
        writer.Close();
        return false;
    };
    if (!writer.Open(path))
        return fail();

    const qint64 lastRow = grid.rowCount(); // grid row index of the last data row
    QList<DataFields> batch;
    batch.reserve(progressEvery);
    for (qint64 i = 0; i <= lastRow; ++i) {
        batch.append(i == 0 ? grid.Headings() : grid.RowTexts(int(i - 1)));
        if (batch.size() == progressEvery || i == lastRow) {
            if (!writer.WriteLines(batch))
                return fail();
            batch.clear();
            if (progress)
                progress(i);
        }
    }
    if (!writer.Close())
        return fail();
    if (error)
        error->clear();
    return true;
}

DataFileReadResult ReadFileIntoGrid(const QString& path, SixColumnModel& grid,
                                    const GridProgress& progress, int progressEvery) {
    progressEvery = std::max(progressEvery, 1);
    grid.Clear();
    QList<DataFields> batch;
    batch.reserve(progressEvery);
    bool full = false;
    qint64 lines = 0;
    auto flush = [&]() {
        if (!grid.AppendRows(batch))
            full = true;
        batch.clear();
        if (progress && !full)
            progress(lines);
    };
    DataFileReadResult result = ReadDataFile(path, [&](qint64 lineNumber, const DataFields& f) {
        lines = lineNumber;
        if (lineNumber == 1)
            grid.SetHeadings(f);
        else
            batch.append(f);
        if (lineNumber % progressEvery == 0)
            flush();
        return !full;
    });
    if (!full && result.opened)
        flush();
    if (full) {
        result.complete = false;
        result.error = QStringLiteral("The table cannot hold more rows.");
    }
    return result;
}

QStringList PrintGridLines(const SixColumnModel& grid, qint64* stoppedAtRow) {
    QStringList lines(4, QStringLiteral(" "));
    if (stoppedAtRow)
        *stoppedAtRow = -1;
    const qint64 lastRow = grid.rowCount();
    for (qint64 i = 0; i <= lastRow; ++i) {
        const DataFields texts = i == 0 ? grid.Headings() : grid.RowTexts(int(i - 1));
        QString line;
        line.reserve(61);
        for (int k = 0; k < 6; ++k) {
            if (texts[size_t(k)].size() > PrintedFieldWidths[k]) {
                if (stoppedAtRow)
                    *stoppedAtRow = i;
                return lines;
            }
            line += texts[size_t(k)].rightJustified(PrintedFieldWidths[k], QLatin1Char(' '));
        }
        lines.append(line);
        if (i == 0)
            lines.append(QLatin1Char(' ') + QString(62, QLatin1Char('-')));
    }
    return lines;
}
