#include "recording/file_commands.h"

#include "app/dialogs.h"
#include "app/panel_window.h"
#include "app/toolbar_images.h"
#include "link/live_state.h"
#include "link/meter_timers.h"
#include "recording/grid_file.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "views/file_list_window.h"
#include "views/list_window.h"
#include "views/six_column_table.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QTimer>

namespace {

QString NativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

Hourglass::Hourglass() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

Hourglass::~Hourglass() {
    QGuiApplication::restoreOverrideCursor();
}

bool PrintLines(QPrinter& printer, const QStringList& lines, const QFont& font,
                const std::function<void(int)>& onLine) {
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(font);
    const QFontMetrics metrics(painter.font(), painter.device());
    const int lineHeight = metrics.lineSpacing();
    const int pageHeight = painter.viewport().height();
    int y = metrics.ascent();
    for (int i = 0; i < lines.size(); ++i) {
        if (y + metrics.descent() > pageHeight) {
            printer.newPage();
            y = metrics.ascent();
        }
        painter.drawText(0, y, lines[i]);
        y += lineHeight;
        if (onLine)
            onLine(i);
    }
    return painter.end();
}

std::optional<QString> ChooseDataFile(Dialogs& dialogs, QWidget* parent) {
    // The dialogs ask before an existing file is replaced.
    const QString path =
        dialogs.SaveFileName(parent, QStringLiteral("Save As"), DataFileDialogFilter());
    if (path.isEmpty() || QFileInfo(path).fileName().isEmpty())
        return std::nullopt;
    return path;
}

bool SaveGridAs(QWidget* form, const SixColumnModel& grid, Dialogs& dialogs, SaveEvents events) {
    const std::optional<QString> path = ChooseDataFile(dialogs, form);
    if (!path)
        return false;
    const QString caption = form->windowTitle();
    QString error;
    bool saved = false;
    {
        Hourglass hourglass;
        saved = SaveGridToFile(grid, *path, &error, [form, events](qint64 row) {
            form->setWindowTitle(QString::number(row) + QStringLiteral("Records Completed"));
            if (events == SaveEvents::AfterEachRow)
                QCoreApplication::processEvents();
        });
    }
    form->setWindowTitle(caption);
    if (!saved)
        dialogs.Critical(
            form, QStringLiteral("The list was not saved to %1.").arg(NativePath(*path)), error);
    return saved;
}

QString PrinterNoteText() {
    // One line each; Qt's message boxes break lines at a line feed.
    return QStringList{
        QStringLiteral("Note"),
        QStringLiteral("The effect of the properties of the Printer settings"),
        QStringLiteral("depends on the driver supplied by the printer manufacturer."),
        QStringLiteral("Some property settings may have no effect, or several different property "
                       "settings"),
        QStringLiteral("may all have the same effect. Settings outside the accepted range may or "
                       "may not produce an error."),
        QStringLiteral("For more information, see the manufacturer's documentation for the "
                       "specific driver.")}
        .join(QLatin1Char('\n'));
}

QFont PrintFont() {
    QFont font(QStringLiteral("Lucida Console"), 8);
    font.setStyleHint(QFont::Monospace, QFont::PreferMatch);
    font.setFixedPitch(true);
    const QFontInfo info(font);
    if (info.family() == QLatin1String("Lucida Console") && info.fixedPitch())
        return font;
    // The columns line up only in a fixed-pitch font.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(8);
    return fixed;
}

PrintOutcome PrintGrid(QWidget* form, const SixColumnModel& grid, Dialogs& dialogs,
                       MeterTimers& timers) {
    PrintOutcome outcome;
    QPrinter printer(QPrinter::HighResolution);
    if (!dialogs.Print(form, printer)) {
        outcome.cancelled = true;
        return outcome;
    }
    dialogs.Message(form, QMessageBox::NoIcon, AppTitle(), PrinterNoteText());

    const QString caption = form->windowTitle();
    const QStringList lines = PrintGridLines(grid, &outcome.stoppedAtRow);
    const QFont font = PrintFont();
    const int copies = qMax(1, printer.copyCount());
    // Each copy is a document of its own, so that copies come out collated on any driver.
    printer.setCopyCount(1);
    {
        Hourglass hourglass;
        ExchangeGuard quiet(timers, ExchangeGuard::Pause::PollingAndSampling);
        for (int copy = 0; copy < copies; ++copy) {
            const bool printed = PrintLines(printer, lines, font, [form](int line) {
                // Line 4 is the heading row, line 5 the separator, line 5 + r data row r.
                const int row = line <= 4 ? line - 4 : line - 5;
                if (row >= 0 && (row % 200 == 0)) {
                    form->setWindowTitle(QString::number(row) + QStringLiteral(" Completed"));
                    QCoreApplication::processEvents();
                }
            });
            if (!printed) {
                outcome.failed = true;
                break;
            }
            ++outcome.copiesPrinted;
            // A row that does not fit ends the printout after the rows before it.
            if (outcome.stoppedAtRow >= 0)
                break;
        }
    }
    form->setWindowTitle(caption);
    if (outcome.failed)
        dialogs.Critical(form, QStringLiteral("The printer could not be started."));
    else if (outcome.stoppedAtRow >= 0)
        dialogs.Critical(form, QStringLiteral("Printing stopped before row %1: a text in that row "
                                              "is wider than its column.")
                                   .arg(outcome.stoppedAtRow));
    return outcome;
}

// ---- FileCommands -----------------------------------------------------------------------------

FileCommands::FileCommands(Recorder& recorder, Dialogs& dialogs, MeterTimers& timers,
                           const LiveState& live, const Clock& clock, Panel& panel,
                           qint64 recordsPerDump, QObject* parent)
    : QObject(parent)
    , recorder_(recorder)
    , dialogs_(dialogs)
    , timers_(timers)
    , live_(live)
    , clock_(clock)
    , panel_(panel)
    , recordsPerDump_(recordsPerDump) {
    connect(&recorder_, &Recorder::WritingChanged, this, &FileCommands::ShowWritingState);
}

FileCommands::~FileCommands() {
    delete list_.data();
    delete fileList_.data();
}

std::array<QString, 4> FileCommands::TypeLetters() const {
    std::array<QString, 4> letters;
    for (size_t i = 0; i < letters.size(); ++i)
        letters[i] = live_.Channels[i].TypeLetter;
    return letters;
}

void FileCommands::Save() {
    if (recorder_.Recording()) {
        StopRecording();
        return;
    }
    const std::optional<QString> path = ChooseDataFile(dialogs_, &panel_);
    if (!path)
        return;
    if (!recorder_.Start(*path, live_.UnitText, live_.UnitF, TypeLetters())) {
        dialogs_.Critical(
            &panel_,
            QStringLiteral("The recording could not be started in %1.").arg(NativePath(*path)),
            recorder_.StartError());
        return;
    }
    panel_.LblFileName()->setText(QFileInfo(*path).fileName());
    panel_.LblFileName()->setToolTip(NativePath(*path));
    panel_.LblRec()->setText(QStringLiteral("Rec."));
    ShowRecordingState();
}

void FileCommands::StopRecording() {
    if (!recorder_.Recording())
        return;
    const QString file = recorder_.CurrentFileName();
    const bool closed = recorder_.Stop();
    ShowRecordingState();
    if (!closed) {
        // Said once the handler that stopped the recording (maybe the polling tick) is done.
        const QString error = recorder_.StopError();
        QTimer::singleShot(0, this, [this, file, error] {
            dialogs_.Critical(&panel_,
                              QStringLiteral("The end of the recording may be missing from %1.")
                                  .arg(NativePath(file)),
                              error);
        });
    }
}

void FileCommands::ShowRecordingState() {
    QAction* button = panel_.ToolbarButton(QStringLiteral("Save"));
    const bool recording = recorder_.Recording();
    if (button) {
        button->setIcon(ToolbarImage(recording ? 16 : 1));
        button->setToolTip(recording ? QStringLiteral("Stop Recording")
                                     : QStringLiteral("Save As"));
    }
    panel_.LblRec()->setVisible(recording);
    if (!recording) {
        panel_.LblCount()->clear();
        panel_.LblFileName()->clear();
        panel_.LblFileName()->setToolTip(QString());
    }
    ShowWritingState();
}

void FileCommands::ShowWritingState() {
    // While lines do not reach the file the labels say so, plainly and in red.
    const bool failing = recorder_.Recording() && !recorder_.Writing();
    const QString style = failing ? QStringLiteral("color: #e04040;") : QString();
    panel_.LblRec()->setStyleSheet(style);
    panel_.LblFileName()->setStyleSheet(style);
    if (!recorder_.Recording())
        return;
    if (failing) {
        panel_.LblRec()->setText(QStringLiteral("Not writing"));
        panel_.LblFileName()->setText(recorder_.StatusText());
    } else {
        panel_.LblFileName()->setText(QFileInfo(recorder_.DataFileName()).fileName());
    }
}

void FileCommands::OnSample(const SampleRecord& sample) {
    if (recorder_.Recording()) {
        recorder_.RecordSample(sample);
        panel_.LblCount()->setText(QString::number(recorder_.RecordCount()));
        panel_.LblRec()->setText(recorder_.Writing() ? QStringLiteral("Rec")
                                                     : QStringLiteral("Not writing"));
        ShowWritingState();
    } else {
        panel_.LblFileName()->clear();
        panel_.LblCount()->clear();
        panel_.LblRec()->clear();
    }
    if (ListOpen())
        list_->Append(sample);
}

void FileCommands::Open() {
    if (opening_)
        return;
    if (recorder_.Recording()) {
        dialogs_.Message(&panel_, QMessageBox::Critical, AppTitle(),
                         QStringLiteral("Recording Mode!\n\rPlease stop recording!"));
        return;
    }
    if (fileList_ && fileList_->Busy())
        return; // it is printing or plotting; it stays until that ends
    const QString path =
        dialogs_.OpenFileName(&panel_, QStringLiteral("Open"), DataFileDialogFilter());
    if (path.isEmpty())
        return;
    opening_ = true;
    delete fileList_.data();

    auto* window =
        new FileListWindow(dialogs_, timers_, lastPlot_, panel_.PanelUnitText(), TypeLetters());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->move(panel_.pos() + QPoint(60, 60));
    connect(window, &FileListWindow::PlotReady, this, &FileCommands::PlotRequested);
    connect(window, &FileListWindow::HistogramRequested, this, [this, window](int column) {
        Q_EMIT HistogramRequested(*window->GridN()->Model(), column);
    });
    fileList_ = window;
    window->show();

    DataFileReadResult result;
    window->SetBusy(true);
    {
        ExchangeGuard quiet(timers_, ExchangeGuard::Pause::PollingAndSampling);
        // Rows reach the list 10000 at a time: each batch costs the view a layout, and a batch
        // reads in a few tens of milliseconds, so the window still answers and shows progress.
        result = ReadFileIntoGrid(
            path, *window->GridN()->Model(),
            [window](qint64 lines) {
                window->setWindowTitle(QString::number(lines) + QStringLiteral(" completed"));
                QCoreApplication::processEvents();
            },
            10000);
    }
    window->setWindowTitle(QFileInfo(path).fileName());
    window->SetBusy(false);
    opening_ = false;

    const QString file = NativePath(path);
    if (!result.opened) {
        window->close();
        dialogs_.Critical(&panel_, QStringLiteral("The file %1 could not be opened.").arg(file),
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
    auto* window = new ListWindow(dialogs_, timers_, clock_, live_.UnitText, live_.UnitF,
                                  TypeLetters(), recordsPerDump_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->move(panel_.pos() + QPoint(40, 40));
    list_ = window;
    window->show();
}

void FileCommands::CloseList() {
    if (list_)
        list_->RequestClose();
}

void FileCommands::OnConfigurationChanged() {
    StopRecording();
    CloseList();
}
