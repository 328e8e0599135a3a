#include "logger/logger_window.h"

#include <QCloseEvent>

LoggerWindow::LoggerWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {}

LoggerWindow::BusyScope::BusyScope(LoggerWindow& window)
    : window_(window) {
    ++window_.busy_;
}

LoggerWindow::BusyScope::~BusyScope() {
    if (--window_.busy_ == 0 && window_.closeRequested_)
        window_.deleteLater();
}

void LoggerWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closeRequested_)
        return;
    closeRequested_ = true;
    Q_EMIT Closed();
    if (busy_ == 0)
        deleteLater();
}
