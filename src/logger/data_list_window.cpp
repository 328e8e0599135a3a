#include "logger/data_list_window.h"

#include "link/meter_timers.h"
#include "logger/logger_dump.h"
#include "logger/logger_set.h"
#include "recording/grid_file.h"
#include "ui/dialogs.h"
#include "views/grid_commands.h"
#include "views/six_column_table.h"

#include <QCoreApplication>
#include <QPointer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QList<DataFields> CellsOf(const QVector<DataListRow>& rows, bool fahrenheit) {
    QList<DataFields> cells;
    cells.reserve(rows.size());
    for (const DataListRow& row : rows)
        cells.append(row.cells(fahrenheit));
    return cells;
}

} // namespace

DataListWindow::DataListWindow(MeterTimers& timers, Dialogs& dialogs, QWidget* parent)
    : LoggerWindow(parent)
    , timers_(timers)
    , dialogs_(dialogs)
    , toolbar_(new QToolBar(this))
    , celsiusTable_(new SixColumnTable(this))
    , fahrenheitTable_(new SixColumnTable(this)) {
    setObjectName(QStringLiteral("DataList"));
    setWindowTitle(QStringLiteral("Data List"));
    setAccessibleName(QStringLiteral("Data list of a logger set"));

    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    struct Button {
        const char* key;
        const char* text;
        const char* tip;
        void (DataListWindow::*run)();
    };
    for (const Button& b :
         {Button{"Save", "Save", "Save As", &DataListWindow::Save},
          Button{"ExportCsv", "Export CSV...", "Export as CSV for a spreadsheet",
                 &DataListWindow::ExportCsv},
          Button{"Print", "Print", "Print", &DataListWindow::Print},
          Button{"CF", "CF", "Celsius / Fahrenheit", &DataListWindow::ToggleUnit}}) {
        QAction* action = toolbar_->addAction(QString::fromLatin1(b.text));
        action->setIconText(action->text()); // a tool button drops the "..." unless told
        action->setObjectName(QString::fromLatin1(b.key));
        action->setToolTip(QString::fromLatin1(b.tip));
        connect(action, &QAction::triggered, this, b.run);
    }

    const std::array<QString, 4> noLetters;
    celsiusTable_->setObjectName(QStringLiteral("GridC"));
    celsiusTable_->setAccessibleName(QStringLiteral("Records in degrees Celsius"));
    celsiusTable_->Model()->SetHeadings(HeadingFields(QStringLiteral("°C"), noLetters));
    fahrenheitTable_->setObjectName(QStringLiteral("GridF"));
    fahrenheitTable_->setAccessibleName(QStringLiteral("Records in degrees Fahrenheit"));
    fahrenheitTable_->Model()->SetHeadings(HeadingFields(QStringLiteral("°F"), noLetters));
    fahrenheitTable_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(celsiusTable_);
    layout->addWidget(fahrenheitTable_);
    resize(560, 420);
}

bool DataListWindow::ShowingFahrenheit() const {
    return celsiusTable_->isHidden();
}

SixColumnTable* DataListWindow::TableOnShow() const {
    return ShowingFahrenheit() ? fahrenheitTable_ : celsiusTable_;
}

bool DataListWindow::ShowSet(const LoggedSet& set) {
    BusyScope busy(*this);
    celsiusTable_->setVisible(!set.fahrenheit);
    fahrenheitTable_->setVisible(set.fahrenheit);
    const QString caption = windowTitle();
    celsiusTable_->Model()->Clear();
    fahrenheitTable_->Model()->Clear();
    celsiusTable_->Model()->SetHeadings(DataListHeadings(set, false));
    fahrenheitTable_->Model()->SetHeadings(DataListHeadings(set, true));

    const int total = set.recordCount;
    for (int first = 1; first <= total; first += RecordsPerStep) {
        const QVector<DataListRow> rows = DecodeSetRows(set, first, RecordsPerStep);
        celsiusTable_->Model()->AppendRows(CellsOf(rows, false));
        fahrenheitTable_->Model()->AppendRows(CellsOf(rows, true));
        setWindowTitle(PercentText(first - 1 + rows.size(), total));
        QCoreApplication::processEvents();
        if (CloseRequested())
            return false;
    }
    setWindowTitle(caption);
    return true;
}

void DataListWindow::ToggleUnit() {
    celsiusTable_->setVisible(celsiusTable_->isHidden());
    fahrenheitTable_->setVisible(fahrenheitTable_->isHidden());
}

void DataListWindow::Save() {
    BusyScope busy(*this);
    SaveGridAs(this, *TableOnShow()->Model(), dialogs_, SaveEvents::AfterEachRow);
}

void DataListWindow::ExportCsv() {
    BusyScope busy(*this);
    ExportGridAsCsv(this, *TableOnShow()->Model(), dialogs_);
}

void DataListWindow::Print() {
    BusyScope busy(*this);
    PrintGrid(this, *TableOnShow()->Model(), dialogs_, timers_);
}
