#include "logger/memory_window.h"

#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "logger/data_list_window.h"
#include "logger/erase_frame.h"
#include "logger/logger_memory.h"
#include "ui/dialogs.h"

#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace {

QLabel* NamedLabel(const QString& name, const QString& text, const QString& accessible,
                   QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAccessibleName(accessible);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    return label;
}

} // namespace

MemoryWindow::MemoryWindow(MeterLink& link, LoggerMemory& memory, Dialogs& dialogs, QWidget* parent)
    : LoggerWindow(parent)
    , link_(link)
    , memory_(memory)
    , dialogs_(dialogs) {
    setObjectName(QStringLiteral("Memory"));
    setWindowTitle(QStringLiteral("Data Logger"));
    setAccessibleName(QStringLiteral("Data logger memory"));
    memory_.SetMemoryOpen(true);

    auto* sizePanel = NamedLabel(QStringLiteral("SSPanel1"), QStringLiteral("Memory Size"),
                                 QStringLiteral("Memory size"), this);
    memorySize_ = NamedLabel(QStringLiteral("LblSize"), QStringLiteral("512 K"),
                             QStringLiteral("Memory size"), this);
    remainPanel_ = NamedLabel(QStringLiteral("SSPanelRemain"), QStringLiteral("Remained"),
                              QStringLiteral("Free space; click to erase the automatically "
                                             "recorded data"),
                              this);
    freeSpace_ = NamedLabel(QStringLiteral("LblRemain"), QString(),
                            QStringLiteral("Free space; click to erase the automatically "
                                           "recorded data"),
                            this);
    message_ = NamedLabel(QStringLiteral("LblMessage"), QString(),
                          QStringLiteral("Download progress"), this);
    for (QLabel* clickable : {remainPanel_, freeSpace_}) {
        clickable->setCursor(Qt::PointingHandCursor);
        clickable->installEventFilter(this);
    }

    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("CmdCancel"));
    cancelButton_->setAccessibleName(QStringLiteral("Cancel the download"));
    cancelButton_->hide();
    connect(cancelButton_, &QPushButton::clicked, this, &MemoryWindow::CancelRequested);

    compareButton_ = new QPushButton(QStringLiteral("Compare"), this);
    compareButton_->setObjectName(QStringLiteral("CmdCompare"));
    compareButton_->setAccessibleName(
        QStringLiteral("Compare the sets picked in the table, or all sets when none is picked"));
    compareButton_->setEnabled(false);
    connect(compareButton_, &QPushButton::clicked, this, &MemoryWindow::CompareSets);

    setTable_ = new QTableWidget(0, 4, this);
    setTable_->setObjectName(QStringLiteral("GridSet"));
    setTable_->setAccessibleName(QStringLiteral("Recorded sets; click a set to list its records"));
    setTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Ctrl- and Shift-clicks pick sets to compare; a plain click opens one.
    setTable_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    setTable_->verticalHeader()->hide();
    const std::array<QString, 4> headings = SetTableHeadings();
    setTable_->setHorizontalHeaderLabels({headings[0], headings[1], headings[2], headings[3]});
    const QFontMetrics fm(font());
    const QString widthTexts[4] = {QStringLiteral(" No.S "), QStringLiteral("AAAA/AA/AAAA:AA:AA"),
                                   QStringLiteral(" Sampling"), QStringLiteral(" Records")};
    for (int k = 0; k < 4; ++k)
        setTable_->setColumnWidth(k, fm.horizontalAdvance(widthTexts[k]) + 12);
    connect(setTable_, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (!(QGuiApplication::keyboardModifiers() & (Qt::ControlModifier | Qt::ShiftModifier)))
            OpenSet(row);
    });

    auto* layout = new QGridLayout(this);
    layout->addWidget(sizePanel, 0, 0);
    layout->addWidget(memorySize_, 0, 1);
    layout->addWidget(remainPanel_, 1, 0);
    layout->addWidget(freeSpace_, 1, 1);
    layout->addWidget(message_, 2, 0, 1, 2);
    layout->addWidget(cancelButton_, 3, 0);
    layout->addWidget(compareButton_, 3, 1);
    layout->addWidget(setTable_, 4, 0, 1, 2);
    connect(this, &LoggerWindow::Closed, this, [this] { memory_.SetMemoryOpen(false); });
    resize(380, 360);
}

MemoryWindow::~MemoryWindow() {
    // A window closed earlier cleared the flag then; a newer window may hold it by now.
    if (!CloseRequested())
        memory_.SetMemoryOpen(false);
}

void MemoryWindow::ShowFigures(const MemoryCapacity& capacity) {
    memorySize_->setText(capacity.sizeText);
    freeSpace_->setText(capacity.freeText);
}

void MemoryWindow::ShowMessage(const QString& text) {
    message_->setText(text);
}

void MemoryWindow::SetTransferRunning(bool running) {
    transferRunning_ = running;
    cancelButton_->setVisible(running);
}

void MemoryWindow::ShowSets() {
    const QVector<LoggedSet>& sets = memory_.Sets();
    setTable_->setRowCount(0);
    setTable_->setRowCount(int(sets.size()));
    for (int r = 0; r < sets.size(); ++r) {
        const std::array<QString, 4> cells = SetTableRowOf(sets[r]).cells();
        for (int k = 0; k < 4; ++k)
            setTable_->setItem(r, k, new QTableWidgetItem(cells[size_t(k)]));
    }
    compareButton_->setEnabled(!sets.isEmpty());
}

void MemoryWindow::CompareSets() {
    QVector<LoggedSet> picked;
    const QModelIndexList rows = setTable_->selectionModel()->selectedRows();
    for (int r = 0; r < setTable_->rowCount(); ++r) {
        const QTableWidgetItem* item = setTable_->item(r, 0);
        const LoggedSet* set = item ? memory_.SetByNumber(item->text().toInt()) : nullptr;
        const bool chosen =
            rows.isEmpty() || std::any_of(rows.begin(), rows.end(),
                                          [r](const QModelIndex& i) { return i.row() == r; });
        if (set && chosen)
            picked.append(*set);
    }
    if (!picked.isEmpty())
        Q_EMIT CompareRequested(picked);
}

bool MemoryWindow::OpenSet(int row) {
    const QTableWidgetItem* item = setTable_->item(row, 0);
    const LoggedSet* set = item ? memory_.SetByNumber(item->text().toInt()) : nullptr;
    if (!set || CloseRequested())
        return false;
    BusyScope busy(*this);
    LocalWork listing(link_.Timers());
    if (dataList_)
        dataList_->close();
    dataList_ = new DataListWindow(link_.Timers(), dialogs_, parentWidget());
    dataList_->move(frameGeometry().topRight() + QPoint(8, 0));
    dataList_->show();
    // A copy: a new download may replace the sets while the list fills.
    const LoggedSet chosen = *set;
    return dataList_->ShowSet(chosen);
}

void MemoryWindow::EraseFromMemory() {
    if (transferRunning_ || CloseRequested())
        return;
    BusyScope busy(*this);
    if (ConfirmAndEraseLogger(dialogs_, this, link_, EraseKind::Automatic) != EraseOutcome::Refused)
        close();
}

bool MemoryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == freeSpace_ || watched == remainPanel_)) {
        EraseFromMemory();
        return true;
    }
    return LoggerWindow::eventFilter(watched, event);
}

DataListWindow* MemoryWindow::DataList() const {
    return dataList_;
}
