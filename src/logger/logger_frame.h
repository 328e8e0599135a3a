#pragma once

#include "logger/data_kind_frame.h"
#include "logger/logger_download.h"
#include "logger/logger_set.h"

#include <QPointer>
#include <QWidget>

class Dialogs;
class LoggerMemory;
class ManualListWindow;
class MemoryWindow;
class MeterLink;

// The contents of the main window's logger frame `PicLogger`: `OptAuto` "Automatically Recorded
// Data" (chosen at first) or `OptManual` "Manually Recorded Data", and `CmdLoggerOK`, which hides
// the frame and downloads that kind of data: the sets into the `Memory` window, the manual
// entries into the `ManualList` window. It lays itself into `host`.
class LoggerFrame : public QWidget {
    Q_OBJECT
public:
    LoggerFrame(MeterLink& link, LoggerMemory& memory, Dialogs& dialogs, QFrame* host);

    QRadioButton* AutomaticOption() const { return choice_.automatic; }
    QRadioButton* ManualOption() const { return choice_.manual; }
    QPushButton* OkButton() const { return choice_.ok; }
    LoggerDownload& Download() const { return *download_; }
    MemoryWindow* Memory() const;
    ManualListWindow* ManualList() const;

    // `CmdLoggerOK` pressed.
    void OnLoggerOK();

Q_SIGNALS:
    // "Compare" of the Memory window, with the sets it picked.
    void CompareRequested(const QVector<LoggedSet>& sets);

private:
    void DownloadAutomatic();
    void DownloadManual();
    QWidget* WindowParent() const;
    // A download that ended without its window filled: "no data", or the window goes and the
    // user is told why (nothing when cancelled).
    void ReportFailure(LoggerDownload::Outcome outcome, QWidget* window, const QString& noDataText);
    // `window` shows the running download: its "Cancel" and its closing end the download.
    template <class Window> void ShowDuringDownload(Window* window);
    template <class Window> void EndDownloadIn(Window* window);

    MeterLink& link_;
    LoggerMemory& memory_;
    Dialogs& dialogs_;
    QFrame* host_;
    LoggerDownload* download_;
    DataKindChoice choice_;
    QPointer<MemoryWindow> memoryWindow_;
    QPointer<ManualListWindow> manualWindow_;
};
