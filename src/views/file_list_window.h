#pragma once

// The saved-file list `FileList` ("Saved File"): a data file read by "Open", as a six-column
// table. It prints, a click on a channel column plots that column, and "Plot" and "Ln" plot the
// selected channel column or show its histogram.

#include "recording/column_plot.h"

#include <QWidget>

#include <array>

class Dialogs;
class MeterTimers;
class QLabel;
class QListWidget;
class SixColumnTable;

class FileListWindow : public QWidget {
    Q_OBJECT
public:
    // The headings until a file is read: `panelUnitText` (the main window's C/F toggle, empty
    // before its first use), "Date Time", "T1 - " and the type letters. `lastPlot` is what the
    // previous column click left; a click replaces it.
    FileListWindow(Dialogs& dialogs, MeterTimers& timers, ColumnPlot& lastPlot,
                   const QString& panelUnitText, const std::array<QString, 4>& typeLetters,
                   QWidget* parent = nullptr);
    ~FileListWindow() override;

    SixColumnTable* RecordTable() const { return grid_; }

    // After the file is read: its corrected readings shown over the rows (the rows keep the
    // file's bytes) and its marks listed under the table, plotted and exported with it.
    void ShowCompanionsOf(const QString& dataFile);
    const QList<Mark>& Marks() const { return marks_; }
    QListWidget* MarkList() const { return markList_; }
    QLabel* Legend() const { return legend_; }

    // The click on grid column k: nothing for the record number and the date and time;
    // otherwise the plot settings and values of that column, the meter's timers off meanwhile.
    void PlotColumn(int column);
    void Print(); // toolbar "Print"

    // While a command lets events run (reading a file, printing, plotting) the window stays.
    void SetBusy(bool busy);
    bool Busy() const { return busy_ > 0; }

Q_SIGNALS:
    // A channel column was plotted (a table without data rows gives nothing to show).
    void PlotReady(const ColumnPlot& plot);
    // "Ln": the histogram of channel column `column` (2 to 5) of GridN.
    void HistogramRequested(int column);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The channel column of the selected cell ("Plot" and "Ln" work on it), or -1 after telling
    // the user to pick one.
    int SelectedChannelColumn();

    Dialogs& dialogs_;
    MeterTimers& timers_;
    ColumnPlot& lastPlot_;
    int busy_ = 0;
    bool closePending_ = false;
    SixColumnTable* grid_;
    QLabel* legend_;
    QListWidget* markList_;
    QList<Mark> marks_;
};
