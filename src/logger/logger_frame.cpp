#include "logger/logger_frame.h"

#include "link/meter_link.h"
#include "logger/logger_download.h"
#include "logger/logger_memory.h"
#include "logger/manual_list_window.h"
#include "logger/memory_window.h"
#include "ui/dialogs.h"

#include <QFrame>
#include <QPushButton>
#include <QRadioButton>

LoggerFrame::LoggerFrame(MeterLink& link, LoggerMemory& memory, Dialogs& dialogs, QFrame* host)
    : QWidget(host)
    , link_(link)
    , memory_(memory)
    , dialogs_(dialogs)
    , host_(host)
    , download_(new LoggerDownload(link, memory, this))
    , choice_(AddDataKindChoice(this, QStringLiteral("Data Logger"),
                                {QStringLiteral("SSFrame1"), QStringLiteral("OptAuto"),
                                 QStringLiteral("OptManual"), QStringLiteral("CmdLoggerOK")},
                                QStringLiteral("Download"))) {
    connect(choice_.ok, &QPushButton::clicked, this, &LoggerFrame::OnLoggerOK);
    HostIn(host_, this);
}

MemoryWindow* LoggerFrame::Memory() const {
    return memoryWindow_;
}

ManualListWindow* LoggerFrame::ManualList() const {
    return manualWindow_;
}

QWidget* LoggerFrame::WindowParent() const {
    return window();
}

void LoggerFrame::OnLoggerOK() {
    if (host_)
        host_->hide();
    // One download at a time: a click while one runs (its waits let clicks through) is ignored.
    if (download_->Busy())
        return;
    QPointer<LoggerFrame> alive(this);
    if (choice_.automatic->isChecked())
        DownloadAutomatic();
    else
        DownloadManual();
    if (alive && host_)
        host_->hide();
}

void LoggerFrame::ReportFailure(LoggerDownload::Outcome outcome, QWidget* window,
                                const QString& noDataText) {
    if (outcome == LoggerDownload::Outcome::NoData) {
        dialogs_.Information(WindowParent(), noDataText);
        return;
    }
    // Nothing half-shown: the window of a failed download goes.
    if (window)
        window->close();
    if (const QString text = download_->OutcomeText(outcome); !text.isEmpty())
        dialogs_.Critical(WindowParent(), text);
}

template <class Window> void LoggerFrame::ShowDuringDownload(Window* window) {
    connect(window, &Window::CancelRequested, download_, &LoggerDownload::Cancel);
    connect(window, &LoggerWindow::Closed, download_, &LoggerDownload::Cancel);
    window->move(WindowParent()->pos());
    window->SetTransferRunning(true);
    window->show();
}

template <class Window> void LoggerFrame::EndDownloadIn(Window* window) {
    if (!window)
        return;
    disconnect(window, nullptr, download_, nullptr);
    window->SetTransferRunning(false);
}

void LoggerFrame::DownloadAutomatic() {
    if (memory_.MemoryOpen())
        return;
    memory_.SetMemoryOpen(true);
    QPointer<MemoryWindow> window;
    QObject scope; // the connections below end with this function
    connect(download_, &LoggerDownload::AutomaticDataAnnounced, &scope,
            [&](const MemoryCapacity& capacity) {
                window = new MemoryWindow(link_, memory_, dialogs_, WindowParent());
                memoryWindow_ = window;
                connect(window, &MemoryWindow::CompareRequested, this,
                        &LoggerFrame::CompareRequested);
                window->ShowFigures(capacity);
                ShowDuringDownload(window.data());
            });
    connect(download_, &LoggerDownload::Progress, &scope, [&](const QString& text) {
        if (window)
            window->ShowMessage(text);
    });
    const LoggerDownload::Outcome outcome = download_->DownloadAutomatic();
    EndDownloadIn(window.data());
    if (outcome == LoggerDownload::Outcome::Completed && window) {
        window->ShowSets();
        if (const QString text = SplitStatusText(memory_.Split()); !text.isEmpty())
            dialogs_.Message(window, QMessageBox::Warning, AppTitle(), text);
        return;
    }
    memory_.SetMemoryOpen(false);
    ReportFailure(outcome, window, QStringLiteral("No Data in Memory"));
}

void LoggerFrame::DownloadManual() {
    QPointer<ManualListWindow> window;
    QString caption;
    QObject scope; // the connections below end with this function
    connect(download_, &LoggerDownload::ManualDataAnnounced, &scope, [&](int) {
        if (manualWindow_)
            manualWindow_->close();
        window = new ManualListWindow(link_, dialogs_, WindowParent());
        manualWindow_ = window;
        memory_.SetManualListOpen(true);
        connect(window, &LoggerWindow::Closed, this, [this] { memory_.SetManualListOpen(false); });
        ShowDuringDownload(window.data());
        caption = window->windowTitle();
    });
    connect(download_, &LoggerDownload::Progress, &scope, [&](const QString& text) {
        if (window)
            window->setWindowTitle(text);
    });
    const LoggerDownload::Outcome outcome = download_->DownloadManual();
    EndDownloadIn(window.data());
    if (window)
        window->setWindowTitle(caption);
    if (outcome == LoggerDownload::Outcome::Completed && window) {
        window->ShowEntries(memory_.ManualEntries());
        return;
    }
    ReportFailure(outcome, window, QStringLiteral("No Manually Recroded Data in Memoy!"));
}
