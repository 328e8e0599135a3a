#include "views/file_list_window.h"

#include "link/meter_timers.h"
#include "ui/dialogs.h"
#include "views/grid_commands.h"
#include "views/six_column_table.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QToolBar>
#include <QVBoxLayout>

FileListWindow::FileListWindow(Dialogs& dialogs, MeterTimers& timers, ColumnPlot& lastPlot,
                               const QString& panelUnitText,
                               const std::array<QString, 4>& typeLetters, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , dialogs_(dialogs)
    , timers_(timers)
    , lastPlot_(lastPlot) {
    setObjectName(QStringLiteral("FileList"));
    setWindowTitle(QStringLiteral("Saved File"));
    setAccessibleName(QStringLiteral("Saved file"));

    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    toolbar_->setAccessibleName(QStringLiteral("Saved file toolbar"));
    QAction* plot = toolbar_->addAction(QStringLiteral("Plot"), this, [this] {
        if (const int column = SelectedChannelColumn(); column > 0)
            PlotColumn(column);
    });
    plot->setObjectName(QStringLiteral("Toolbar1_Plot"));
    plot->setToolTip(QStringLiteral("Plot"));
    QAction* histogram = toolbar_->addAction(QStringLiteral("Ln"), this, [this] {
        if (const int column = SelectedChannelColumn(); column > 0)
            Q_EMIT HistogramRequested(column);
    });
    histogram->setObjectName(QStringLiteral("Toolbar1_Ln"));
    histogram->setToolTip(QStringLiteral("Histogram"));
    QAction* csv = toolbar_->addAction(QStringLiteral("Export CSV..."), this, [this] {
        if (Busy())
            return;
        SetBusy(true);
        ExportGridAsCsv(this, *grid_->Model(), dialogs_);
        SetBusy(false);
    });
    csv->setObjectName(QStringLiteral("Toolbar1_ExportCsv"));
    csv->setIconText(csv->text()); // a tool button drops the "..." unless told
    csv->setToolTip(QStringLiteral("Export as CSV for a spreadsheet"));
    QAction* print = toolbar_->addAction(QStringLiteral("Print"), this, &FileListWindow::Print);
    print->setObjectName(QStringLiteral("Toolbar1_Print"));
    print->setToolTip(QStringLiteral("Print"));

    grid_ = new SixColumnTable(this);
    grid_->setObjectName(QStringLiteral("GridN"));
    grid_->setAccessibleName(QStringLiteral("Saved readings"));
    grid_->Model()->SetHeadings(HeadingFields(panelUnitText, typeLetters));
    connect(grid_, &SixColumnTable::ColumnClicked, this, &FileListWindow::PlotColumn);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(grid_, 1);
    resize(grid_->horizontalHeader()->length() + 40, 420);
}

FileListWindow::~FileListWindow() = default;

int FileListWindow::SelectedChannelColumn() {
    const int column = grid_->currentIndex().column();
    if (column >= SixColumnModel::FirstChannelColumn)
        return column;
    dialogs_.Information(this, QStringLiteral("Click a channel column (T1 to T4) first."));
    return -1;
}

void FileListWindow::PlotColumn(int column) {
    if (column < SixColumnModel::FirstChannelColumn || Busy())
        return;
    SetBusy(true);
    const QString caption = windowTitle();
    std::optional<ColumnPlot> plot;
    {
        ExchangeGuard quiet(timers_, ExchangeGuard::Pause::PollingAndSampling,
                            ExchangeGuard::Work::Local);
        plot = PlotGridColumn(*grid_->Model(), column, lastPlot_, [this](qint64 row) {
            setWindowTitle(QString::number(row) + QStringLiteral(" Completed"));
            QCoreApplication::processEvents();
        });
    }
    setWindowTitle(caption);
    if (plot) {
        lastPlot_ = *plot;
        if (!plot->Values.isEmpty())
            Q_EMIT PlotReady(*plot);
    }
    SetBusy(false);
}

void FileListWindow::Print() {
    if (Busy())
        return;
    SetBusy(true);
    PrintGrid(this, *grid_->Model(), dialogs_, timers_);
    SetBusy(false);
}

void FileListWindow::SetBusy(bool busy) {
    busy_ += busy ? 1 : -1;
    if (busy_ == 0 && closePending_) {
        closePending_ = false;
        close();
    }
}

void FileListWindow::closeEvent(QCloseEvent* event) {
    if (Busy()) {
        closePending_ = true;
        event->ignore();
        return;
    }
    event->accept();
}
