#pragma once

// The file commands on a six-column table: save it as a data file (`SaveGridToFile`, also the
// live list's dump and the logger data list's save), read a data file into it (the "Open"
// command), and lay it out as printed lines (`PrintGrid`). No window and no dialog here: the
// callers show the captions, the hourglass and the printer.

#include "recording/data_file.h"
#include "recording/sample_record.h"

#include <QStringList>

#include <functional>

class SixColumnModel;

// Progress of a long table operation: the index or count given by each function below. The
// window turns it into its caption and lets pending events run.
using GridProgress = std::function<void(qint64)>;

// Writes the heading row and every data row of `grid` to `path` (created or replaced), one data
// file line per row, and closes the file. `progress` gets grid row index i (0 the heading row,
// so i is also the number of records written) every `progressEvery` rows and after the last one:
// the list's caption "12Records Completed" (save) or "12 Records Completed" (dump).
// On failure (no permission, disk full) returns false with the reason in `error`; the whole rows
// written before the failure stay in the file, and the file is closed.
bool SaveGridToFile(const SixColumnModel& grid, const QString& path, QString* error = nullptr,
                    const GridProgress& progress = {}, int progressEvery = 1000);

// Reads the data file at `path` into `grid`: its rows are emptied, the heading line replaces the
// headings, and every record line becomes a row, added in batches of `progressEvery` lines so
// that the rows appear while the file is read. `progress` gets the number of lines read so far,
// heading included, after each batch and at the end (the caption "12 completed"). Reading stops
// at the first line that cannot be split (`stoppedAtLine`), keeping what was read before it.
DataFileReadResult ReadFileIntoGrid(const QString& path, SixColumnModel& grid,
                                    const GridProgress& progress = {}, int progressEvery = 1000);

// Shows over `grid`'s rows the corrected readings of the data file at `dataFile` (its
// ".corrected" companion), matched by record number; the rows keep what the meter read. The
// number of readings shown corrected.
qint64 ShowCorrectedOf(const QString& dataFile, SixColumnModel& grid);

// Widths of the printed fields: each text right-aligned by leading blanks.
constexpr int PrintedFieldWidths[6] = {8, 21, 8, 8, 8, 8};

// The lines `PrintGrid` sends to the printer (font "Lucida Console", size 8) for one copy: four
// lines of one blank, the heading row, the separator " " + 62 hyphens, then one line per data row
// (61 characters when every text fits): line 4 is the heading row and line 5 + r is data row r.
// A text longer than its field stops the printing before that row's line: the lines before it
// are returned and `stoppedAtRow` (when given) is that grid row (0 the heading row); it is -1
// when every row was laid out.
QStringList PrintGridLines(const SixColumnModel& grid, qint64* stoppedAtRow = nullptr);
