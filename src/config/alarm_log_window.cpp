#include "config/alarm_log_window.h"

#include "config/alarm_log.h"

#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

AlarmLogWindow::AlarmLogWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("AlarmLog"));
    setWindowTitle(QStringLiteral("Alarm Log"));
    setAccessibleName(QStringLiteral("Alarm log"));
    auto* layout = new QVBoxLayout(this);
    grid_ = new QTableWidget(0, 5, this);
    grid_->setObjectName(QStringLiteral("GridAlarms"));
    grid_->setAccessibleName(QStringLiteral("Alarm events"));
    grid_->setHorizontalHeaderLabels(AlarmLog::HeadingCells());
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(grid_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    acknowledgeButton_ = new QPushButton(QStringLiteral("Acknowledge"), this);
    acknowledgeButton_->setObjectName(QStringLiteral("CmdAlmAck"));
    acknowledgeButton_->setAccessibleName(QStringLiteral("Acknowledge the alarm: stop the sound"));
    acknowledgeButton_->setEnabled(false);
    buttons->addWidget(acknowledgeButton_);
    layout->addLayout(buttons);
    connect(acknowledgeButton_, &QPushButton::clicked, this, &AlarmLogWindow::Acknowledge);
    beep_.setInterval(2000);
    connect(&beep_, &QTimer::timeout, this, [] { QApplication::beep(); });
    resize(560, 300);
}

int AlarmLogWindow::NewRow() {
    const int row = grid_->rowCount();
    grid_->insertRow(row);
    return row;
}

void AlarmLogWindow::AddEvent(const AlarmEvent& event, bool sound) {
    const int row = NewRow();
    const QStringList cells = AlarmLog::Cells(event);
    for (int column = 0; column < cells.size(); ++column)
        grid_->setItem(row, column, new QTableWidgetItem(cells[column]));
    grid_->resizeColumnToContents(0);
    grid_->scrollToBottom();
    if (sound && IsAlarmStart(event.kind) && !beep_.isActive()) {
        QApplication::beep();
        beep_.start();
        acknowledgeButton_->setEnabled(true);
    }
}

void AlarmLogWindow::AddNote(const QDateTime& time, const QString& text) {
    const int row = NewRow();
    grid_->setItem(row, 0, new QTableWidgetItem(time.toString(Qt::ISODate)));
    grid_->setItem(row, 1, new QTableWidgetItem(text));
    grid_->setSpan(row, 1, 1, 4);
    grid_->resizeColumnToContents(0);
    grid_->scrollToBottom();
}

void AlarmLogWindow::Acknowledge() {
    beep_.stop();
    acknowledgeButton_->setEnabled(false);
}
