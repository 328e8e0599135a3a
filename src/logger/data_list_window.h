#pragma once

#include "logger/logger_window.h"

class Dialogs;
struct LoggedSet;
class MeterTimers;
class QToolBar;
class SixColumnTable;

// The `DataList` window "Data List": the records of one logger set, once in °C (`GridC`) and
// once in °F (`GridF`), one of the two on show. "CF" swaps them, "Save" writes the one on show
// as a data file, "Export CSV..." as CSV, "Print" prints it as the saved-file list prints.
class DataListWindow : public LoggerWindow {
    Q_OBJECT
public:
    // Records decoded and added per step while a set is filled in.
    static constexpr int RecordsPerStep = 2000;

    DataListWindow(MeterTimers& timers, Dialogs& dialogs, QWidget* parent);

    // Fills both tables with the records of `set` and shows the table of the set's unit. The
    // caption shows the share done ("45.0") while events run between steps, then comes back.
    // False when the window was closed before the end.
    bool ShowSet(const LoggedSet& set);

    SixColumnTable* CelsiusTable() const { return celsiusTable_; }
    SixColumnTable* FahrenheitTable() const { return fahrenheitTable_; }
    QToolBar* Toolbar() const { return toolbar_; }
    bool ShowingFahrenheit() const;

    // The toolbar's commands.
    void ToggleUnit(); // "CF"
    void Save();       // "Save"
    void ExportCsv();  // "Export CSV..."
    void Print();      // "Print"

private:
    SixColumnTable* TableOnShow() const;

    MeterTimers& timers_;
    Dialogs& dialogs_;
    QToolBar* toolbar_;
    SixColumnTable* celsiusTable_;
    SixColumnTable* fahrenheitTable_;
};
