#pragma once

#include <QStringList>

class SixColumnModel;

// Widths of the printed fields of the manual record list: each text right-aligned by leading
// blanks, after a margin of five blanks.
constexpr int ManualPrintedFieldWidths[6] = {7, 21, 11, 11, 11, 11};

// The lines the manual record list's "Print" sends to the printer: five empty lines, the
// heading row, the separator (five blanks and 73 hyphens), then one line per data row. A text
// longer than its field ends the printout before that row: the lines before it are returned and
// `stoppedAtRow` (when given) is that grid row (0 the heading row); -1 when every row fitted.
QStringList ManualListPrintLines(const SixColumnModel& grid, qint64* stoppedAtRow = nullptr);
