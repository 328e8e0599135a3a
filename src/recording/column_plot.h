#pragma once

// A click on a channel column of the saved-file list plots that column: the number of data
// rows, the column's channel and unit ("1°C"), the Y range of its thermocouple type, and one
// value per data row. The Plot window shows what this builds.

#include "recording/grid_file.h"
#include "recording/marks.h"
#include "recording/reading_series.h"

#include <QString>
#include <QStringView>
#include <QVector>

#include <optional>

class SixColumnModel;

// The plot settings a column click leaves behind for the Plot window. The Y range stays as the
// previous click left it when the clicked heading names no thermocouple type.
struct ColumnPlot {
    int Column = 0;          // the clicked grid column, 2 to 5 (T1 to T4)
    qint64 PlotRowCount = 0; // data rows of the table
    QString PlotColumnText;  // the channel's digit and the file's unit: "1°C", "4°F"
    int PlotYMax = 0;        // the Y range of the column's thermocouple type, whole degrees
    int PlotYMin = 0;
    QVector<double> Values; // data row i at index i - 1; NaN (a gap in the line) for a text
                            // that is no number: "Over", "Under", "- - -", a blank
    ReadingSeries Readings; // the same rows in tenths with their times, for statistics, where
                            // those are gaps too
    QList<PlotMark> Marks;  // the file's marks, where the plot draws them
    bool Corrected = false; // some values are the calibration-corrected readings of the file's
                            // ".corrected" companion rather than what the meter read

    // "°C" or "°F": the last two characters of PlotColumnText.
    QString UnitText() const { return PlotColumnText.right(2); }
    // The graph's caption, "T1" to "T4".
    QString GraphCaption() const { return QStringLiteral("T") + PlotColumnText.left(1); }
    // The Y axis caption: "Fahrenheit" for a °F column, else "Celsius".
    QString YAxisCaption() const;
};

// The plot of grid column `column` of `grid`; empty for the record-number and date-time columns
// (0 and 1) and for anything outside the table. `previous` supplies the Y range kept when the
// heading names no type. `progress` gets the grid row index every `progressEvery` rows and after
// the last one (the caption "12 Completed").
std::optional<ColumnPlot> PlotGridColumn(const SixColumnModel& grid, int column,
                                         const ColumnPlot& previous,
                                         const GridProgress& progress = {},
                                         int progressEvery = 1000);

// Where a plot of `grid`'s rows (row i at x = i) draws `marks`: just after the row of the
// record each follows (x = its position + 0.5; 0.5 before the first record).
QList<PlotMark> PlotMarksOf(const SixColumnModel& grid, const QList<Mark>& marks);

// The number at the start of a text, blanks, tabs and line feeds anywhere being ignored: "23.4",
// "-.5", "1e3", "12abc" read as numbers; nothing for a text that does not start with one
// ("- - -", "Over", "Under", "").
std::optional<double> NumberAtStart(QStringView text);
// The same with 0 for a text that does not start with a number.
double LeadingNumber(QStringView text);
