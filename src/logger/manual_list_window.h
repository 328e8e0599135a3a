#pragma once

#include "logger/logger_window.h"

#include <QVector>

class Dialogs;
class MeterLink;
class QToolBar;
class SixColumnTable;
struct ManualRecord;

// The `ManualList` window "Manual Record": the manually recorded entries, one row each, in a
// six-column `Grid`. "Print" prints the list; "Erase" erases the manual entries in the meter
// and closes the window.
class ManualListWindow : public LoggerWindow {
    Q_OBJECT
public:
    ManualListWindow(MeterLink& link, Dialogs& dialogs, QWidget* parent);

    // Adds one row per entry, the caption counting "12 Records Completed" while events run,
    // then back to the caption it had. False when the window was closed before the end.
    bool ShowEntries(const QVector<ManualRecord>& entries);
    // While the download runs its "Cancel" button shows.
    void SetTransferRunning(bool running);

    SixColumnTable* Grid() const { return grid_; }
    QToolBar* Toolbar() const { return toolbar_; }

    void Print(); // "Print"
    void Erase(); // "Erase"

Q_SIGNALS:
    void CancelRequested();

private:
    MeterLink& link_;
    Dialogs& dialogs_;
    QToolBar* toolbar_;
    QAction* cancel_;
    SixColumnTable* grid_;
};
