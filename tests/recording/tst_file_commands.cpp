#include "app/panel_window.h"
#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "link/meter_timers.h"
#include "recording/file_commands.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"
#include "views/file_list_window.h"
#include "views/list_window.h"
#include "views/six_column_table.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

const QString DegC = QStringLiteral("\u00B0C");
const QString DegF = QStringLiteral("\u00B0F");

QList<QByteArray> FileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {"<cannot open>"};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

// The main window's "Save", "Open" and "List" commands against a panel and a live state set by
// the test; samples are made by the test.
class TestFileCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void saveCancelledStaysIdle();
    void saveStartsAndStops();
    void samplesWhileIdleClearTheLabels();
    void recordingStartFailureIsReported();
    void configurationChangeStopsRecordingAndClosesList();
    void writeFailureShowsOnTheLabels();
    void openRefusedWhileRecording();
    void openCancelledDoesNothing();
    void openReadsFile_data();
    void openReadsFile();
    void openMissingFileIsReported();
    void openReplacesTheSavedFileList();
    void columnClickAndHistogram();
    void listOpensOnceAndTakesSamples();
    void listSaveFailureIsReported();

private:
    SampleRecord Sample(const std::array<QString, 4>& c, const std::array<QString, 4>& f) {
        SampleRecord s;
        s.TimeText = DateTimeText(clock_.now);
        s.TextC = c;
        s.TextF = f;
        clock_.now = clock_.now.addSecs(1);
        return s;
    }
    void TakeSample() {
        commands_->OnSample(Sample({"1.0", "2.0", "3.0", "4.0"}, {"a", "b", "c", "d"}));
    }
    QString Path(const QString& name) const { return dir_->filePath(name); }
    QAction* SaveButton() const { return panel_->ToolbarButton(QStringLiteral("Save")); }

    std::unique_ptr<QTemporaryDir> dir_;
    FakeClock clock_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<MeterTimers> timers_;
    std::unique_ptr<LiveState> live_;
    std::unique_ptr<AlarmSettings> alarms_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<Panel> panel_;
    std::unique_ptr<FileCommands> commands_;
};

void TestFileCommands::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    dialogs_ = ScriptedDialogs();
    clock_.now = QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0));
    timers_ = std::make_unique<MeterTimers>();
    live_ = std::make_unique<LiveState>();
    live_->UnitText = DegC;
    live_->UnitF = false;
    const char* letters[] = {"K", "J", "T", "E"};
    for (int i = 0; i < 4; ++i)
        live_->Channels[size_t(i)].TypeLetter = QString::fromLatin1(letters[i]);
    alarms_ = std::make_unique<AlarmSettings>(*live_);
    recorder_ = std::make_unique<Recorder>();
    panel_ = std::make_unique<Panel>(*live_, *alarms_);
    commands_ =
        std::make_unique<FileCommands>(*recorder_, dialogs_, *timers_, *live_, clock_, *panel_, 3);
}

void TestFileCommands::cleanup() {
    commands_.reset();
    panel_.reset();
    recorder_.reset();
    alarms_.reset();
    live_.reset();
    timers_.reset();
    dir_.reset();
}

void TestFileCommands::saveCancelledStaysIdle() {
    commands_->Save();
    QVERIFY(!recorder_->Recording());
    QCOMPARE(SaveButton()->toolTip(), QStringLiteral("Save As"));
    QVERIFY(panel_->LblRec()->isHidden());
    QVERIFY(QDir(dir_->path()).isEmpty());
}

void TestFileCommands::saveStartsAndStops() {
    dialogs_.fileAnswers = {Path("run.4ch"), Path("second.4ch")};
    commands_->Save();
    QVERIFY(recorder_->Recording());
    QCOMPARE(SaveButton()->toolTip(), QStringLiteral("Stop Recording"));
    QVERIFY(!panel_->LblRec()->isHidden());
    QCOMPARE(panel_->LblFileName()->text(), QStringLiteral("run.4ch"));
    TakeSample();
    TakeSample();
    QCOMPARE(panel_->LblCount()->text(), QStringLiteral("2"));
    QCOMPARE(panel_->LblRec()->text(), QStringLiteral("Rec"));

    // The second click stops without a dialog.
    commands_->Save();
    QCOMPARE(dialogs_.fileAnswers.size(), 1);
    QVERIFY(!recorder_->Recording());
    QCOMPARE(SaveButton()->toolTip(), QStringLiteral("Save As"));
    QVERIFY(panel_->LblRec()->isHidden());
    QVERIFY(panel_->LblCount()->text().isEmpty());
    QVERIFY(panel_->LblFileName()->text().isEmpty());
    const QList<QByteArray> lines = FileLines(Path("run.4ch"));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QByteArray("\xB0"
                                  "C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\t\r"));
    QCOMPARE(lines[2], QByteArray("2\t2026/12/06 10:00:01\t1.0\t2.0\t3.0\t4.0\t\r"));
    QVERIFY(dialogs_.messages.isEmpty());
}

void TestFileCommands::samplesWhileIdleClearTheLabels() {
    panel_->LblCount()->setText("7");
    panel_->LblFileName()->setText("x");
    TakeSample();
    QVERIFY(panel_->LblCount()->text().isEmpty());
    QVERIFY(panel_->LblFileName()->text().isEmpty());
}

void TestFileCommands::recordingStartFailureIsReported() {
    dialogs_.fileAnswers = {QStringLiteral("/dev/full")};
    commands_->Save();
    QVERIFY(!recorder_->Recording());
    QCOMPARE(SaveButton()->toolTip(), QStringLiteral("Save As"));
    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(dialogs_.messages[0].icon, QMessageBox::Critical);
    QVERIFY(dialogs_.messages[0].text.contains("/dev/full"));
    QVERIFY(!dialogs_.messages[0].detail.isEmpty());
}

void TestFileCommands::configurationChangeStopsRecordingAndClosesList() {
    dialogs_.fileAnswers = {Path("run.4ch")};
    commands_->ShowList();
    commands_->Save();
    TakeSample();
    QVERIFY(commands_->ListOpen());
    commands_->OnConfigurationChanged();
    QVERIFY(!recorder_->Recording());
    QVERIFY(!commands_->ListOpen());
    QCOMPARE(SaveButton()->toolTip(), QStringLiteral("Save As"));
    QVERIFY(panel_->LblRec()->isHidden());
    DeleteClosedWindows();
    QVERIFY(!commands_->List());
    // The file is complete and closed; further samples go nowhere.
    TakeSample();
    QCOMPARE(FileLines(Path("run.4ch")).size(), 2);
    // A new list starts from 1 under the then current unit.
    live_->UnitText = DegF;
    live_->UnitF = true;
    commands_->ShowList();
    TakeSample();
    QCOMPARE(commands_->List()->ListRowCount(), 1);
    QCOMPARE(commands_->List()->GridN()->Model()->Heading(0), DegF);
    QCOMPARE(commands_->List()->GridN()->Model()->Text(0, 2), QStringLiteral("a"));
}

void TestFileCommands::writeFailureShowsOnTheLabels() {
    dialogs_.fileAnswers = {Path("run.4ch")};
    commands_->Save();
    TakeSample();
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(QFileInfo(Path("run.4ch")).size());
    setrlimit(RLIMIT_FSIZE, &limited);
    TakeSample();
    setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(panel_->LblRec()->text(), QStringLiteral("Not writing"));
    QVERIFY2(panel_->LblFileName()->text().startsWith("not writing: "),
             qPrintable(panel_->LblFileName()->text()));
    QCOMPARE(panel_->LblCount()->text(), QStringLiteral("1"));
    QVERIFY(recorder_->Recording());
    // Writing works again at the next sample, and the labels say so.
    TakeSample();
    QCOMPARE(panel_->LblRec()->text(), QStringLiteral("Rec"));
    QCOMPARE(panel_->LblFileName()->text(), QStringLiteral("run.4ch"));
    QCOMPARE(panel_->LblCount()->text(), QStringLiteral("2"));
    QVERIFY(dialogs_.messages.isEmpty()); // no box blocks the sampling
}

void TestFileCommands::openRefusedWhileRecording() {
    WriteFile(Path("old.4ch"), "\xB0"
                               "C\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n");
    dialogs_.fileAnswers = {Path("old.4ch")};
    commands_->Open();
    FileListWindow* before = commands_->FileList();
    QVERIFY(before);

    dialogs_.fileAnswers = {Path("run.4ch"), Path("old.4ch")};
    commands_->Save();
    commands_->Open();
    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(dialogs_.messages[0].icon, QMessageBox::Critical);
    QCOMPARE(dialogs_.messages[0].title, QStringLiteral("Corvilab"));
    QCOMPARE(dialogs_.messages[0].text,
             QStringLiteral("Recording Mode!\n\rPlease stop recording!"));
    QCOMPARE(dialogs_.fileAnswers.size(), 1); // no Open dialog
    QCOMPARE(commands_->FileList(), before);
    QVERIFY(recorder_->Recording());
    TakeSample();
    QCOMPARE(recorder_->RecordCount(), 1);
}

void TestFileCommands::openCancelledDoesNothing() {
    timers_->StartBoth();
    commands_->Open();
    QVERIFY(!commands_->FileList());
    QVERIFY(dialogs_.messages.isEmpty());
    QVERIFY(timers_->Timer1.isActive());
}

void TestFileCommands::openReadsFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("message");
    const QByteArray heading = "\xB0"
                               "F\tDate Time\tT1 - K\tT2 - J\tT3 - K\tT4 - K\t\r\n";
    const QByteArray row1 = "1\t2013/08/08 14:05:09\t74.1\t- - -\tOver\tUnder\t\r\n";
    const QByteArray row2 = "2\t2013/08/08 14:05:10\t74.3\t- - -\tOver\tUnder\t\r\n";
    QTest::newRow("whole file") << heading + row1 + row2 << 2 << QString();
    QTest::newRow("heading only") << heading << 0 << QString();
    QTest::newRow("sixth field without its TAB stops at line 3")
        << heading + row1 + "2\t2013/08/08 14:05:10\t1\t2\t3\t4\r\n" + row2 << 1
        << QStringLiteral("line 3");
    QTest::newRow("empty line stops at line 2")
        << heading + "\r\n" + row1 << 0 << QStringLiteral("line 2");
}

void TestFileCommands::openReadsFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, rows);
    QFETCH(QString, message);
    WriteFile(Path("saved.4ch"), bytes);
    dialogs_.fileAnswers = {Path("saved.4ch")};
    timers_->StartBoth();
    commands_->Open();
    FileListWindow* list = commands_->FileList();
    QVERIFY(list);
    QVERIFY(list->isVisible());
    // Read to its end or to the line it cannot split, the reading ends normally.
    QCOMPARE(list->windowTitle(), QStringLiteral("saved.4ch"));
    QVERIFY(timers_->Timer1.isActive());
    QVERIFY(timers_->Timer2.isActive());
    QVERIFY(!list->Busy());
    const SixColumnModel& model = *list->GridN()->Model();
    QCOMPARE(model.rowCount(), rows);
    QCOMPARE(model.Heading(0), DegF);
    QCOMPARE(model.Heading(3), QStringLiteral("T2 - J"));
    if (rows > 0)
        QCOMPARE(model.Text(0, 5), QStringLiteral("Under"));
    if (message.isEmpty()) {
        QVERIFY(dialogs_.messages.isEmpty());
    } else {
        QCOMPARE(dialogs_.messages.size(), 1);
        QVERIFY2(dialogs_.messages[0].text.contains(message),
                 qPrintable(dialogs_.messages[0].text));
        QVERIFY(dialogs_.messages[0].text.contains("saved.4ch"));
    }
}

void TestFileCommands::openMissingFileIsReported() {
    dialogs_.fileAnswers = {Path("missing.4ch")};
    commands_->Open();
    DeleteClosedWindows();
    QVERIFY(!commands_->FileList());
    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(dialogs_.messages[0].icon, QMessageBox::Critical);
    QVERIFY(dialogs_.messages[0].text.contains("missing.4ch"));
}

void TestFileCommands::openReplacesTheSavedFileList() {
    WriteFile(Path("a.4ch"), "\xB0"
                             "C\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n"
                             "1\t2013/08/08 14:05:09\t1.0\t2.0\t3.0\t4.0\t\r\n"
                             "2\t2013/08/08 14:05:10\t1.0\t2.0\t3.0\t4.0\t\r\n");
    WriteFile(Path("b.4ch"), "\xB0"
                             "F\tDate Time\tT1 - J\tT2 - J\tT3 - J\tT4 - J\t\r\n"
                             "9\t2013/08/08 14:05:09\t1.0\t2.0\t3.0\t4.0\t\r\n");
    dialogs_.fileAnswers = {Path("a.4ch"), Path("b.4ch")};
    commands_->Open();
    QPointer<FileListWindow> first = commands_->FileList();
    commands_->Open();
    QVERIFY(!first);
    FileListWindow* second = commands_->FileList();
    QVERIFY(second);
    QCOMPARE(second->GridN()->Model()->rowCount(), 1);
    QCOMPARE(second->GridN()->Model()->Text(0, 0), QStringLiteral("9"));
    QCOMPARE(second->windowTitle(), QStringLiteral("b.4ch"));
}

void TestFileCommands::columnClickAndHistogram() {
    WriteFile(Path("f.4ch"), "\xB0"
                             "F\tDate Time\tT1 - K\tT2 - J\tT3\tT4 - K\t\r\n"
                             "1\t2013/08/08 14:05:09\t74.1\t- - -\tOver\t12\t\r\n"
                             "2\t2013/08/08 14:05:10\t74.3\t80.5\tUnder\t13\t\r\n");
    dialogs_.fileAnswers = {Path("f.4ch")};
    commands_->Open();
    FileListWindow* list = commands_->FileList();
    QSignalSpy plots(commands_.get(), &FileCommands::PlotRequested);
    QList<int> histograms;
    connect(commands_.get(), &FileCommands::HistogramRequested, this,
            [&](const SixColumnModel& grid, int column) {
                QCOMPARE(&grid, list->GridN()->Model());
                histograms.append(column);
            });

    Q_EMIT list->GridN()->ColumnClicked(1); // the date and time: nothing
    Q_EMIT list->GridN()->ColumnClicked(0);
    QCOMPARE(plots.size(), 0);

    timers_->StartBoth();
    Q_EMIT list->GridN()->ColumnClicked(3);
    QCOMPARE(plots.size(), 1);
    const ColumnPlot plot = plots.at(0).at(0).value<ColumnPlot>();
    QCOMPARE(plot.PlotColumnText, QStringLiteral("2\u00B0F"));
    QCOMPARE(plot.PlotYMax, 1832);
    QCOMPARE(plot.PlotYMin, -328);
    QCOMPARE(plot.GraphCaption(), QStringLiteral("T2"));
    QCOMPARE(plot.YAxisCaption(), QStringLiteral("Fahrenheit"));
    QCOMPARE(plot.Values, (QVector<double>{0.0, 80.5}));
    QCOMPARE(list->windowTitle(), QStringLiteral("f.4ch"));
    QVERIFY(timers_->Timer1.isActive());

    // T3 names no type: the range stays as T2 left it.
    Q_EMIT list->GridN()->ColumnClicked(4);
    QCOMPARE(commands_->LastPlot().PlotColumnText, QStringLiteral("3\u00B0F"));
    QCOMPARE(commands_->LastPlot().PlotYMax, 1832);

    // "Ln" on the selected channel column; without one selected, a hint instead.
    QAction* ln = list->findChild<QAction*>(QStringLiteral("Toolbar1_Ln"));
    QVERIFY(ln);
    list->GridN()->setCurrentIndex(QModelIndex());
    ln->trigger();
    QCOMPARE(histograms.size(), 0);
    QCOMPARE(dialogs_.messages.size(), 1);
    list->GridN()->setCurrentIndex(list->GridN()->Model()->index(0, 5));
    ln->trigger();
    QCOMPARE(histograms.size(), 1);
    QCOMPARE(histograms, QList<int>{5});
}

void TestFileCommands::listOpensOnceAndTakesSamples() {
    live_->UnitText = DegF;
    live_->UnitF = true;
    commands_->ShowList();
    ListWindow* list = commands_->List();
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->windowTitle(), QStringLiteral("List"));
    TakeSample();
    TakeSample();
    commands_->ShowList(); // already open: neither reopened nor emptied
    QCOMPARE(commands_->List(), list);
    QCOMPARE(list->ListRowCount(), 2);
    const SixColumnModel& model = *list->GridN()->Model();
    QCOMPARE(model.Headings(), HeadingFields(DegF, {"K", "J", "T", "E"}));
    QCOMPARE(model.RowTexts(1),
             RecordFields(2, QStringLiteral("2026/12/06 10:00:01"), {"a", "b", "c", "d"}));
    // The user closes it: the next "List" starts a new one.
    list->close();
    DeleteClosedWindows();
    QVERIFY(!commands_->List());
    commands_->ShowList();
    QCOMPARE(commands_->List()->ListRowCount(), 0);
}

void TestFileCommands::listSaveFailureIsReported() {
    commands_->ShowList();
    TakeSample();
    ListWindow* list = commands_->List();
    dialogs_.fileAnswers = {QStringLiteral("/dev/full")};
    list->Save();
    QCOMPARE(list->windowTitle(), QStringLiteral("List"));
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(dialogs_.messages[0].icon, QMessageBox::Critical);
    QVERIFY(dialogs_.messages[0].text.contains("/dev/full"));
    QVERIFY2(dialogs_.messages[0].detail.contains("No space left on device"),
             qPrintable(dialogs_.messages[0].detail));
    // Cancelling the next Save As writes nothing, not even to the file chosen before.
    list->Save();
    QCOMPARE(dialogs_.messages.size(), 1);
}

QTEST_MAIN(TestFileCommands)
#include "tst_file_commands.moc"
