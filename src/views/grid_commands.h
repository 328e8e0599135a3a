#pragma once

// The "Save", "Export CSV..." and "Print" of every list window that shows a six-column table:
// the Save As dialog of a data file (`ChooseDataFile`), saving a list (`SaveGridAs`), exporting
// it (`ExportGridAsCsv`) and printing it (`PrintGrid`). The file lines and printed lines themselves
// come from the grid file module.

#include "recording/marks.h"

#include <QString>

#include <optional>

class Dialogs;
class MeterTimers;
class QFont;
class QWidget;
class SixColumnModel;

// The Save As dialog for a data file (asking before an existing file is replaced): the path as
// the user gave it, no extension added; empty when the dialog was cancelled or gave no name.
std::optional<QString> ChooseDataFile(Dialogs& dialogs, QWidget* parent);

// Whether a list's save lets pending events run after each row (the logger data list does).
enum class SaveEvents { Held, AfterEachRow };

// A list's "Save": the Save As dialog, then every row, heading first, into the chosen file,
// the form's caption counting "12Records Completed". A file that cannot be written is closed
// and the user told which and why. True when the list was saved.
bool SaveGridAs(QWidget* form, const SixColumnModel& grid, Dialogs& dialogs,
                SaveEvents events = SaveEvents::Held);

// A list's "Export CSV...": the Save dialog for a CSV file, then the list as
// `corvilab-cli convert --to csv` writes it, all at once: a file that cannot be written is left
// as it was and the user told why. A row whose date and time cannot be read ends the export
// there, and the user is told which. True when a file was written. The corrected readings shown
// and the file's `marks` add their columns as the command's do.
bool ExportGridAsCsv(QWidget* form, const SixColumnModel& grid, Dialogs& dialogs,
                     const QList<Mark>& marks = {});

// The printer's note shown before every printout: six lines.
QString PrinterNoteText();
// "Lucida Console" 8, or the system's fixed-pitch font at 8 points where it is missing.
QFont PrintFont();

struct PrintOutcome {
    bool cancelled = false;   // the print dialog was cancelled: nothing printed
    bool failed = false;      // the printer could not be started
    int copiesPrinted = 0;    // documents sent, one per copy
    qint64 stoppedAtRow = -1; // grid row (0 the heading) whose text did not fit, or -1
};

// A list's "Print": the print dialog, the note, then one document per copy with the lines of
// `PrintGridLines`, the meter's timers off meanwhile and the caption counting "12 Completed".
// A row with a text too wide for its column ends the printout before it; the lines before it
// are printed and the user is told at which row it stopped.
PrintOutcome PrintGrid(QWidget* form, const SixColumnModel& grid, Dialogs& dialogs,
                       MeterTimers& timers);
