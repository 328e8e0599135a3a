#pragma once

// A ".4ch" data file as CSV (RFC 4180) for spreadsheets and scripts. The layout:
//
//   Record, Date Time, T1 - K (°C), T1 - K flag, T2 - K (°C), T2 - K flag, ... T4 ...
//
// The value column of a channel holds its reading as a number with "." as the decimal
// separator ("-.5" becomes "-0.5"); the flag column holds "Over" or "Under", or any other text
// of the file that is not a number. Both are empty for "- - -" and for a blank cell (a channel
// that a logger set did not record). The date and time "2013/08/08 14:05:09" becomes the ISO
// 8601 local time "2013-08-08T14:05:09". No locale is consulted anywhere.
//
// A file with companions gets more columns at the end of each line; without them the CSV is
// the same. With a ".corrected" companion, "T1 corrected" ... for each channel it corrected:
// the reading as shown, the corrected one where a correction was in force and the one read
// elsewhere. With marks, a last column "Mark": the texts of the marks that follow the record
// on its line ("T2: " before a channel's mark, several joined by "; "); marks placed before
// the file's first record go on its first line.

#include "recording/data_file.h"
#include "recording/marks.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class SixColumnModel;

// A reading text as a CSV number ("23.4", "-.5" -> "-0.5", "+7" -> "7"), or empty when the
// text is not a number.
std::optional<QString> CsvNumber(QStringView text);

// "yyyy/mm/dd hh:nn:ss" as "yyyy-mm-ddThh:nn:ss", or empty when the text is not of that form.
std::optional<QString> IsoDateTime(QStringView text);

// The CSV cells of the heading line and of a record line. A record line whose date and time
// cannot be read gives empty, with the reason in `error`.
QStringList CsvHeadingCells(const DataFields& heading);
std::optional<QStringList> CsvRecordCells(const DataFields& record, QString* error);

// One CSV line without its line end: the cells separated by ",", a cell quoted (its quotes
// doubled) when it holds a comma, a quote, CR or LF.
QString CsvLine(const QStringList& cells);

struct CsvConversion {
    QByteArray csv;         // UTF-8, every line ended by `lineEnd`
    qint64 records = 0;     // record lines converted
    QString error;          // empty when the whole file was converted
    bool fileError = false; // the file itself could not be read (as opposed to a bad line)
};

// Reads the data file at `path` and converts it whole; stops at the first line that cannot be
// read, keeping the lines before it, and says which in `error`.
CsvConversion ConvertDataFileToCsv(const QString& path, const QByteArray& lineEnd);

// Takes the CSV a buffer at a time; false when it could not (the conversion then stops).
using CsvSink = std::function<bool(const QByteArray& bytes)>;

// The same conversion handed to `sink` while the file is read, so that memory stays the same
// whatever the file's size; `csv` stays empty.
CsvConversion ConvertDataFileToCsv(const QString& path, const QByteArray& lineEnd,
                                   const CsvSink& sink);

// A list on screen converted as the data file it saves would be: the headings, then each row.
// Stops at the first row whose date and time cannot be read, keeping the rows before it, and
// says which grid row in `error`.
// The corrected readings shown over its rows and the `marks` of its file add their columns.
CsvConversion ConvertGridToCsv(const SixColumnModel& grid, const QByteArray& lineEnd,
                               const QList<Mark>& marks = {});
