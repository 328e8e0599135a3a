#pragma once

// The file commands of the main window: the "Save" button's PC recording, "Open" into the
// saved-file list and the live list ("List"). The file lines themselves come from the data file
// module.

#include "recording/column_plot.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class Dialogs;
class FileListWindow;
class ListWindow;
class MeterSession;
class QWidget;
class SixColumnModel;
struct SampleRecord;

// The main window's "Save", "Open" and "List" commands and the live list's row of each sample.
// The session records; the main window shows the recording's state from the recorder's own
// signals.
class FileCommands : public QObject {
    Q_OBJECT
public:
    // `window` is the main window: the dialogs' parent, and where the lists open beside.
    // `panelUnitText` gives its C/F toggle's unit ("" before the first toggle), the saved-file
    // list's first heading. `recordsPerDump` is lowered by tests only.
    FileCommands(MeterSession& session, Dialogs& dialogs, QWidget* window,
                 std::function<QString()> panelUnitText, qint64 recordsPerDump = RecordsPerDataFile,
                 QObject* parent = nullptr);
    ~FileCommands() override;

    // "Save": starts a recording into a file chosen in the Save As dialog, or stops the one
    // running.
    void Save();
    // Stops a running recording (the "Save" button's stop).
    void StopRecording();
    // "Open": reads a data file into a fresh saved-file list; refused while recording.
    void Open();
    // "List": opens the live list unless it is open.
    void ShowList();
    // Closes the live list (a configuration change, a link established again).
    void CloseList();
    // One sample: the live list's row.
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
    MeterSession& session_;
    Dialogs& dialogs_;
    QWidget* const window_;
    const std::function<QString()> panelUnitText_;
    const qint64 recordsPerDump_;
    QPointer<ListWindow> list_;
    QPointer<FileListWindow> fileList_;
    ColumnPlot lastPlot_;
    bool opening_ = false;
};
