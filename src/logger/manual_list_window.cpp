#include "logger/manual_list_window.h"

#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "logger/erase_frame.h"
#include "logger/logger_dump.h"
#include "logger/manual_entry.h"
#include "logger/manual_list_lines.h"
#include "ui/dialogs.h"
#include "ui/hourglass.h"
#include "ui/print_lines.h"
#include "views/six_column_table.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>

ManualListWindow::ManualListWindow(MeterLink& link, Dialogs& dialogs, QWidget* parent)
    : LoggerWindow(parent)
    , link_(link)
    , dialogs_(dialogs)
    , toolbar_(new QToolBar(this))
    , grid_(new SixColumnTable(this)) {
    setObjectName(QStringLiteral("ManualList"));
    setWindowTitle(QStringLiteral("Manual Record"));
    setAccessibleName(QStringLiteral("Manually recorded data"));

    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    QAction* print = toolbar_->addAction(QStringLiteral("Print"));
    print->setObjectName(QStringLiteral("Print"));
    print->setToolTip(QStringLiteral("Print"));
    connect(print, &QAction::triggered, this, &ManualListWindow::Print);
    QAction* erase = toolbar_->addAction(QStringLiteral("Erase"));
    erase->setObjectName(QStringLiteral("Erase"));
    erase->setToolTip(QStringLiteral("Erase Manually Recorded Data"));
    connect(erase, &QAction::triggered, this, &ManualListWindow::Erase);
    cancel_ = toolbar_->addAction(QStringLiteral("Cancel"));
    cancel_->setObjectName(QStringLiteral("CmdCancel"));
    cancel_->setToolTip(QStringLiteral("Cancel the download"));
    cancel_->setVisible(false);
    connect(cancel_, &QAction::triggered, this, &ManualListWindow::CancelRequested);

    grid_->setObjectName(QStringLiteral("Grid"));
    grid_->setAccessibleName(QStringLiteral("Manually recorded entries"));
    grid_->Model()->SetHeadings(ManualListHeadings());
    const QFontMetrics fm(font());
    const QString widthTexts[6] = {QStringLiteral("AAAA"),     QStringLiteral("AAAA/AA/AAAA:AA:AA"),
                                   QStringLiteral("AAAAAAAA"), QStringLiteral("AAAAAAAA"),
                                   QStringLiteral("AAAAAAAA"), QStringLiteral("AAAAAAAA")};
    for (int k = 0; k < 6; ++k)
        grid_->setColumnWidth(k, fm.horizontalAdvance(widthTexts[k]) + 12);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(grid_);
    resize(600, 360);
}

void ManualListWindow::SetTransferRunning(bool running) {
    cancel_->setVisible(running);
}

bool ManualListWindow::ShowEntries(const QVector<ManualRecord>& entries) {
    BusyScope busy(*this);
    const QString caption = windowTitle();
    for (int i = 0; i < entries.size(); ++i) {
        grid_->Model()->AppendRow(entries[i].cells());
        setWindowTitle(RecordsCompletedText(i + 1));
        QCoreApplication::processEvents();
        if (CloseRequested())
            return false;
    }
    setWindowTitle(caption);
    return true;
}

void ManualListWindow::Print() {
    BusyScope busy(*this);
    QPrinter printer;
    // The meter is polled while the printer dialog or a message waits for the person.
    if (!dialogs_.Print(this, printer))
        return;
    qint64 stoppedAt = -1;
    const QStringList lines = ManualListPrintLines(*grid_->Model(), &stoppedAt);
    if (stoppedAt >= 0) {
        // The row does not fit its columns; the printout would end in the middle of the list.
        dialogs_.Critical(this, QStringLiteral("Nothing was printed: a text in row %1 is wider "
                                               "than its column.")
                                    .arg(stoppedAt));
        return;
    }
    bool printed;
    {
        Hourglass hourglass;
        LocalWork busy(link_.Timers());
        printed = PrintLines(printer, lines, QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
    if (!printed)
        dialogs_.Critical(this, QStringLiteral("The printer could not be started."));
}

void ManualListWindow::Erase() {
    if (CloseRequested())
        return;
    BusyScope busy(*this);
    if (ConfirmAndEraseLogger(dialogs_, this, link_, EraseKind::Manual) != EraseOutcome::Refused)
        close();
}
