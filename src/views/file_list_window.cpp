#include "views/file_list_window.h"

#include "link/meter_timers.h"
#include "recording/grid_file.h"
#include "ui/dialogs.h"
#include "views/grid_commands.h"
#include "views/six_column_table.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
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

    const ListParts parts = AddToolbarAndGrid(
        this, QStringLiteral("Saved file toolbar"),
        {{QStringLiteral("Plot"), QStringLiteral("Plot"), QStringLiteral("Plot"),
          [this] {
              if (const int column = SelectedChannelColumn(); column > 0)
                  PlotColumn(column);
          }},
         {QStringLiteral("Ln"), QStringLiteral("Ln"), QStringLiteral("Histogram"),
          [this] {
              if (const int column = SelectedChannelColumn(); column > 0)
                  Q_EMIT HistogramRequested(column);
          }},
         {QStringLiteral("Export CSV..."), QStringLiteral("ExportCsv"),
          QStringLiteral("Export as CSV for a spreadsheet"),
          [this] {
              if (Busy())
                  return;
              SetBusy(true);
              ExportGridAsCsv(this, *grid_->Model(), dialogs_, marks_);
              SetBusy(false);
          }},
         {QStringLiteral("Print"), QStringLiteral("Print"), QStringLiteral("Print"),
          [this] { Print(); }}},
        QStringLiteral("Saved readings"), HeadingFields(panelUnitText, typeLetters));
    grid_ = parts.grid;
    connect(grid_, &SixColumnTable::ColumnClicked, this, &FileListWindow::PlotColumn);

    const ReadingNotes notes = AddReadingNotes(this, parts.layout);
    legend_ = notes.legend;
    markList_ = notes.marks;
    resize(grid_->horizontalHeader()->length() + 40, 420);
}

void FileListWindow::ShowCompanionsOf(const QString& dataFile) {
    legend_->setVisible(ShowCorrectedOf(dataFile, *grid_->Model()) > 0);
    marks_ = ReadMarksOf(dataFile);
    markList_->clear();
    for (const Mark& mark : std::as_const(marks_))
        markList_->addItem(mark.Label());
    markList_->setVisible(!marks_.isEmpty());
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
        LocalWork busy(timers_);
        plot = PlotGridColumn(*grid_->Model(), column, lastPlot_, [this](qint64 row) {
            setWindowTitle(QString::number(row) + QStringLiteral(" Completed"));
            QCoreApplication::processEvents();
        });
    }
    setWindowTitle(caption);
    if (plot) {
        plot->Marks = PlotMarksOf(*grid_->Model(), marks_);
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
