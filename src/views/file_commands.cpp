#include "views/file_commands.h"

#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_timers.h"
#include "recording/grid_file.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "session/meter_session.h"
#include "ui/dialogs.h"
#include "views/file_list_window.h"
#include "views/grid_commands.h"
#include "views/list_window.h"
#include "views/six_column_table.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace {

QString NativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

// ---- FileCommands -----------------------------------------------------------------------------

FileCommands::FileCommands(MeterSession& session, Dialogs& dialogs, QWidget* window,
                           std::function<QString()> panelUnitText, qint64 recordsPerDump,
                           QObject* parent)
    : QObject(parent)
    , session_(session)
    , dialogs_(dialogs)
    , window_(window)
    , panelUnitText_(std::move(panelUnitText))
    , recordsPerDump_(recordsPerDump) {
    connect(&session_, &MeterSession::MarkPlaced, this, [this](const Mark& mark) {
        if (ListOpen())
            list_->AddMark(mark);
    });
}

FileCommands::~FileCommands() {
    delete list_.data();
    delete fileList_.data();
}

void FileCommands::Save() {
    if (session_.GetRecorder().Recording()) {
        StopRecording();
        return;
    }
    const std::optional<QString> path = ChooseDataFile(dialogs_, window_);
    if (!path)
        return;
    QString error;
    if (!session_.StartRecording(*path, &error)) {
        dialogs_.Critical(
            window_,
            QStringLiteral("The recording could not be started in %1.").arg(NativePath(*path)),
            error);
    }
}

void FileCommands::StopRecording() {
    if (!session_.GetRecorder().Recording())
        return;
    const QString file = session_.GetRecorder().CurrentFileName();
    QString error;
    if (!session_.StopRecording(&error)) {
        // Said once the handler that stopped the recording (maybe the polling tick) is done.
        QTimer::singleShot(0, this, [this, file, error] {
            dialogs_.Critical(window_,
                              QStringLiteral("The end of the recording may be missing from %1.")
                                  .arg(NativePath(file)),
                              error);
        });
    }
}

void FileCommands::OnSample(const SampleRecord& sample) {
    if (ListOpen())
        list_->Append(sample);
}

void FileCommands::Open() {
    if (opening_)
        return;
    if (session_.GetRecorder().Recording()) {
        dialogs_.Message(window_, QMessageBox::Critical, AppTitle(),
                         QStringLiteral("Recording Mode!\n\rPlease stop recording!"));
        return;
    }
    if (fileList_ && fileList_->Busy())
        return; // it is printing or plotting; it stays until that ends
    const QString path =
        dialogs_.OpenFileName(window_, QStringLiteral("Open"), DataFileDialogFilter());
    if (path.isEmpty())
        return;
    opening_ = true;
    delete fileList_.data();

    auto* window = new FileListWindow(dialogs_, session_.Timers(), lastPlot_, panelUnitText_(),
                                      session_.TypeLetters());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->move(window_->pos() + QPoint(60, 60));
    connect(window, &FileListWindow::PlotReady, this, &FileCommands::PlotRequested);
    connect(window, &FileListWindow::HistogramRequested, this, [this, window](int column) {
        Q_EMIT HistogramRequested(*window->RecordTable()->Model(), column);
    });
    fileList_ = window;
    window->show();

    DataFileReadResult result;
    window->SetBusy(true);
    {
        LocalWork busy(session_.Timers());
        // Rows reach the list 40000 at a time: each batch costs the view a layout and a paint,
        // and a batch reads in a few milliseconds, so the window still answers and shows
        // progress.
        result = ReadFileIntoGrid(
            path, *window->RecordTable()->Model(),
            [window](qint64 lines) {
                window->setWindowTitle(QString::number(lines) + QStringLiteral(" completed"));
                QCoreApplication::processEvents();
            },
            40000);
    }
    if (result.opened)
        window->ShowCompanionsOf(path);
    window->setWindowTitle(QFileInfo(path).fileName());
    window->SetBusy(false);
    opening_ = false;

    const QString file = NativePath(path);
    if (!result.opened) {
        window->close();
        dialogs_.Critical(window_, QStringLiteral("The file %1 could not be opened.").arg(file),
                          result.error);
    } else if (result.stoppedAtLine > 0) {
        dialogs_.Message(fileList_, QMessageBox::Warning, AppTitle(),
                         QStringLiteral("Reading %1 stopped at line %2: that line does not hold "
                                        "six fields each followed by a TAB. The lines before it "
                                        "are in the list.")
                             .arg(file)
                             .arg(result.stoppedAtLine));
    } else if (!result.complete) {
        dialogs_.Message(
            fileList_, QMessageBox::Warning, AppTitle(),
            QStringLiteral("Reading %1 stopped after line %2.").arg(file).arg(result.linesRead),
            QMessageBox::Ok, result.error);
    }
}

ListWindow* FileCommands::List() const {
    return list_;
}

FileListWindow* FileCommands::FileList() const {
    return fileList_;
}

bool FileCommands::ListOpen() const {
    return list_ && !list_->Closing();
}

void FileCommands::ShowList() {
    if (list_)
        return;
    const LiveState& live = session_.Live();
    auto* window = new ListWindow(dialogs_, session_.Timers(), session_.GetClock(), live.UnitText(),
                                  live.UnitF(), session_.TypeLetters(), recordsPerDump_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->move(window_->pos() + QPoint(40, 40));
    list_ = window;
    window->show();
}

void FileCommands::CloseList() {
    if (list_)
        list_->RequestClose();
}
