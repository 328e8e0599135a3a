#include "logger/manual_list_lines.h"

#include "recording/six_column_model.h"

QStringList ManualListPrintLines(const SixColumnModel& grid, qint64* stoppedAtRow) {
    QStringList lines(5, QString());
    if (stoppedAtRow)
        *stoppedAtRow = -1;
    const QString margin(5, QLatin1Char(' '));
    for (qint64 i = 0; i <= grid.rowCount(); ++i) {
        const DataFields texts = i == 0 ? grid.Headings() : grid.RowTexts(int(i - 1));
        QString line = margin;
        for (int k = 0; k < 6; ++k) {
            const QString& text = texts[size_t(k)];
            if (text.size() > ManualPrintedFieldWidths[k]) {
                if (stoppedAtRow)
                    *stoppedAtRow = i;
                return lines;
            }
            line += text.rightJustified(ManualPrintedFieldWidths[k], QLatin1Char(' '));
        }
        lines.append(line);
        if (i == 0)
            lines.append(margin + QString(73, QLatin1Char('-')));
    }
    return lines;
}
