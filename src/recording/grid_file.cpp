#include "recording/grid_file.h"

#include "recording/corrected_file.h"

#include "recording/six_column_model.h"

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
    // Rows go from the table's bytes into one buffer, a write per batch of lines.
    QByteArray bytes;
    int replaced = 0;
    qint64 lines = 0;
    for (qint64 i = 0; i <= lastRow; ++i) {
        if (i == 0)
            AppendDataLine(bytes, grid.Headings(), &replaced);
        else
            grid.AppendFileLine(int(i - 1), bytes, &replaced);
        if (++lines == progressEvery || i == lastRow) {
            if (!writer.WriteEncodedLines(bytes, lines, replaced))
                return fail();
            bytes.truncate(0);
            lines = 0;
            replaced = 0;
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
    bool full = false;
    qint64 lines = 0;
    auto flush = [&]() {
        grid.ShowStagedRows();
        if (progress && !full)
            progress(lines);
    };
    DataFileReadResult result = ReadDataFile(
        path, [&](qint64 lineNumber, const DataFieldBytes& f, DataFileEncoding encoding) {
            lines = lineNumber;
            if (lineNumber == 1) {
                DataFields headings;
                DecodeDataFields(f, encoding, &headings);
                grid.SetHeadings(headings);
            } else if (!grid.StageRow(f, encoding)) {
                full = true;
            }
            if (lineNumber % progressEvery == 0 || full)
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

qint64 ShowCorrectedOf(const QString& dataFile, SixColumnModel& grid) {
    const CorrectedReadings corrected = ReadCorrectedOf(dataFile);
    qint64 shown = 0;
    std::unordered_map<int, SixColumnModel::CorrectedCells> rows;
    for (int row = 0; !corrected.IsEmpty() && row < grid.rowCount(); ++row) {
        bool numbered = false;
        const qint64 record =
            grid.RowBytes(row)[SixColumnModel::RecordColumn].toLongLong(&numbered);
        const CorrectedRow* line = numbered ? corrected.Row(record) : nullptr;
        if (!line)
            continue;
        SixColumnModel::CorrectedCells cells;
        for (size_t k = 0; k < 4; ++k) {
            cells.texts[k] = QString::fromUtf8(line->texts[k]);
            cells.kinds[k] = line->beyond[k]      ? ReadingCorrection::Beyond
                             : line->corrected[k] ? ReadingCorrection::Corrected
                                                  : ReadingCorrection::None;
            shown += cells.kinds[k] != ReadingCorrection::None;
        }
        rows.emplace(row, cells);
    }
    if (!corrected.IsEmpty())
        grid.SetCorrectedRows(std::move(rows));
    return shown;
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
