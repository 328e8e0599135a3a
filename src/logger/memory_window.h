#pragma once

#include "logger/logger_set.h"
#include "logger/logger_window.h"

#include <QPointer>

class DataListWindow;
class Dialogs;
class LoggerMemory;
class MeterLink;
class QLabel;
class QPushButton;
class QTableWidget;
struct MemoryCapacity;

// The `Memory` window "Data Logger": the memory size and free space, the progress of the
// automatic download, and the set table `GridSet`. A click on a set opens it into the data
// list; a click on the free space erases the automatically recorded data. While it is open a
// further automatic download does nothing (`MemoryOpen`).
class MemoryWindow : public LoggerWindow {
    Q_OBJECT
public:
    MemoryWindow(MeterLink& link, LoggerMemory& memory, Dialogs& dialogs, QWidget* parent);
    ~MemoryWindow() override;

    void ShowFigures(const MemoryCapacity& capacity); // `LblSize`, `LblRemain`
    void ShowMessage(const QString& text);            // `LblMessage`
    // While the download runs, its "Cancel" button shows and the free space erases nothing.
    void SetTransferRunning(bool running);
    // One row per downloaded set.
    void ShowSets();

    // Opens the set of a `GridSet` row (0 the first set) into a new data list, closing the one
    // on show. False when there is no such set or the data list was closed while filling.
    bool OpenSet(int row);
    // Asks, erases the automatically recorded data on OK, and closes the window either way.
    void EraseFromMemory();
    // "Compare": the sets picked in `GridSet` (Ctrl- or Shift-click), or every set when none
    // is, go to the Compare window.
    void CompareSets();

    DataListWindow* DataList() const;
    QTableWidget* SetTable() const { return setTable_; }

Q_SIGNALS:
    void CancelRequested();
    void CompareRequested(const QVector<LoggedSet>& sets);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MeterLink& link_;
    LoggerMemory& memory_;
    Dialogs& dialogs_;
    QLabel* memorySize_;
    QLabel* remainPanel_;
    QLabel* freeSpace_;
    QLabel* message_;
    QPushButton* cancelButton_;
    QPushButton* compareButton_;
    QTableWidget* setTable_;
    QPointer<DataListWindow> dataList_;
    bool transferRunning_ = false;
};
