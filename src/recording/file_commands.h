#pragma once

// The file commands of the main window and the list windows: the Save As dialog of every
// command that writes a data file (`ChooseDataFile`), the "Save" button's PC recording, "Open"
// into the saved-file list, the live list ("List"), saving a list (`SaveGridAs`) and printing it
// (`PrintGrid`). The file lines themselves come from the data file module.

#include "recording/column_plot.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

class Clock;
class Dialogs;
class FileListWindow;
class ListWindow;
class LiveState;
class MeterTimers;
class Panel;
class QFont;
class QPrinter;
class QWidget;
class Recorder;
class SixColumnModel;
struct SampleRecord;

// The mouse pointer is the hourglass while one of these lives.
class Hourglass {
public:
    Hourglass();
    ~Hourglass();
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};

// Prints one copy of `lines`, one below the other in `font`, a new page when a page is full.
// `onLine`, when given, gets each line's index after it is drawn. False when the printer could
// not be started.
bool PrintLines(QPrinter& printer, const QStringList& lines, const QFont& font,
                const std::function<void(int)>& onLine = {});

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

// The main window's "Save", "Open" and "List" commands and their share of each sample: the
// record line of a running recording, the status labels, the live list's row.
class FileCommands : public QObject {
    Q_OBJECT
public:
    // `recordsPerDump` is lowered by tests only.
    FileCommands(Recorder& recorder, Dialogs& dialogs, MeterTimers& timers, const LiveState& live,
                 const Clock& clock, Panel& panel, qint64 recordsPerDump = RecordsPerDataFile,
                 QObject* parent = nullptr);
    ~FileCommands() override;

    // "Save": starts a recording into a file chosen in the Save As dialog, or stops the one
    // running.
    void Save();
    // Stops a running recording (the "Save" button's stop, and a configuration change).
    void StopRecording();
    // "Open": reads a data file into a fresh saved-file list; refused while recording.
    void Open();
    // "List": opens the live list unless it is open.
    void ShowList();
    // Closes the live list (a configuration change, a link established again).
    void CloseList();
    // A configuration change of the meter: the recording stops and the live list closes.
    void OnConfigurationChanged();
    // One sample: the recording's line and labels, the live list's row.
    void OnSample(const SampleRecord& sample);

    bool ListOpen() const;
    ListWindow* List() const;
    FileListWindow* FileList() const;
    // What the last column click of a saved-file list left for the Plot window.
    const ColumnPlot& LastPlot() const { return lastPlot_; }

Q_SIGNALS:
    // A channel column of the saved-file list was clicked: show this in the Plot window.
    void PlotRequested(const ColumnPlot& plot);
    // "Ln" of the saved-file list: the histogram of channel column `column` of `grid`.
    void HistogramRequested(const SixColumnModel& grid, int column);

private:
    void ShowRecordingState();
    void ShowWritingState();
    std::array<QString, 4> TypeLetters() const;

    Recorder& recorder_;
    Dialogs& dialogs_;
    MeterTimers& timers_;
    const LiveState& live_;
    const Clock& clock_;
    Panel& panel_;
    const qint64 recordsPerDump_;
    QPointer<ListWindow> list_;
    QPointer<FileListWindow> fileList_;
    ColumnPlot lastPlot_;
    bool opening_ = false;
};
