#pragma once

// The live list `List` ("List"): while it is open, every PC sample adds a row (running number,
// date and time, the four channel texts of the unit it was opened in). Every 320000 rows it saves
// itself to a dump file "mmddhhnnss.4ch" in the current folder and starts again from its
// headings, the numbering running on.

#include "recording/data_file.h"

#include <QWidget>

#include <array>

class Clock;
class Dialogs;
class MeterTimers;
class QLabel;
class QListWidget;
class SixColumnTable;
struct Mark;
struct SampleRecord;

class ListWindow : public QWidget {
    Q_OBJECT
public:
    // `unitText`/`unitF` and the type letters are the meter's when the list opens; they hold for
    // the list's life (a change of them closes it). `dumpEvery` is lowered by tests only.
    ListWindow(Dialogs& dialogs, MeterTimers& timers, const Clock& clock, const QString& unitText,
               bool unitF, const std::array<QString, 4>& typeLetters,
               qint64 dumpEvery = RecordsPerDataFile, QWidget* parent = nullptr);
    ~ListWindow() override;

    QString ListUnitText() const { return listUnitText_; }
    bool ListUnitF() const { return listUnitF_; }
    // Rows added since the list opened: the record number of the newest row.
    qint64 ListRowCount() const { return listRowCount_; }
    SixColumnTable* RecordTable() const { return grid_; }

    // One PC sample: a new row of what the meter read, shown corrected where a calibration
    // corrected it; at every multiple of the dump size the list dumps itself.
    void Append(const SampleRecord& sample);
    // A mark placed while the list is open, listed under the table ("10:05:09 T2 load in").
    void AddMark(const Mark& mark);
    QListWidget* MarkList() const { return marks_; }
    QLabel* Legend() const { return legend_; }
    // Saves every row to the dump file named by the clock and empties the table. A file that
    // cannot be written leaves the rows in the list; the window says so either way.
    bool Dump();
    // What the last dump did, as the window shows it; empty before the first one.
    QString DumpStatus() const;

    void Save();  // toolbar "Save"
    void Print(); // toolbar "Print": printed as the saved-file list prints

    // Closes the window, or, while one of its commands waits on a dialog or the printer, as soon
    // as that command ends. From the request on, the list takes no more rows.
    void RequestClose();
    bool Closing() const { return closing_; }

Q_SIGNALS:
    // The window closed: `ListOpen` is false from here.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class BusyScope;

    Dialogs& dialogs_;
    MeterTimers& timers_;
    const Clock& clock_;
    const QString listUnitText_;
    const bool listUnitF_;
    const qint64 dumpEvery_;
    qint64 listRowCount_ = 0;
    int busy_ = 0;
    bool closing_ = false;
    SixColumnTable* grid_;
    QLabel* dumpLabel_;
    QLabel* legend_;
    QListWidget* marks_;
};
