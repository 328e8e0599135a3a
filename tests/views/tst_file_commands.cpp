#include "app/panel_window.h"
#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "link/meter_timers.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "session/meter_session.h"
#include "support/closed_windows.h"
#include "support/fake_clock.h"
#include "support/live_packet.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"
#include "views/file_commands.h"
#include "views/file_list_window.h"
#include "views/list_window.h"
#include "views/six_column_table.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kHeadingF = "\xB0"
                             "F\tDate Time\tT1 - K\tT2 - J\tT3 - K\tT4 - K\t\r\n";
const QByteArray kRow1 = "1\t2013/08/08 14:05:09\t74.1\t- - -\tOver\tUnder\t\r\n";
const QByteArray kRow2 = "2\t2013/08/08 14:05:10\t74.3\t80.5\tUnder\t13\t\r\n";
const QStringList kIdle{"Save As", "", "", ""};

LiveState CelsiusKJTE() {
    LiveState live;
    const int types[] = {0, 1, 3, 2}; // K, J, T, E
    for (int i = 0; i < 4; ++i)
        FeedLivePacket(live, i, types[i], 734);
    return live;
}

} // namespace

// The main window's "Save", "Open" and "List" commands against a panel and a live state set by
// the test; samples are made by the test.
class TestFileCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void saveCancelledWritesNothing();
    void saveStartsAndStops();
    void recordingStartFailureIsReported();
    void writeFailureShowsOnTheLabels();
    void openRefusedWhileRecording();
    void openReadsFile_data();
    void openReadsFile();
    void columnClickAndHistogram();
    void listTakesSamplesAndReportsSaveFailure();

private:
    void TakeSample() {
        SampleRecord s;
        s.TimeText = DateTimeText(f_->clock.now);
        s.TextC = {"1.0", "2.0", "3.0", "4.0"};
        s.TextF = {"a", "b", "c", "d"};
        f_->clock.now = f_->clock.now.addSecs(1);
        f_->session.GetRecorder().RecordSample(s);
        f_->commands.OnSample(s);
    }
    QString Path(const QString& name) const { return f_->dir.filePath(name); }
    // Writes `bytes` (unless null) to `name` and opens it with "Open".
    FileListWindow* OpenFile(const QString& name, const QByteArray& bytes) {
        if (!bytes.isNull() && !WriteFile(Path(name), bytes))
            return nullptr;
        f_->dialogs.fileAnswers = {Path(name)};
        f_->commands.Open();
        DeleteClosedWindows();
        return f_->commands.FileList();
    }
    // Exactly one box was shown, critical, naming `what`.
    bool OneCriticalAbout(const QString& what) const {
        return f_->dialogs.messages.size() == 1 &&
               f_->dialogs.messages[0].icon == QMessageBox::Critical &&
               f_->dialogs.messages[0].text.contains(what);
    }
    // The "Save" button's tip and the "Rec", count and file name labels ("" when hidden).
    QStringList Labels() const {
        const Panel& p = f_->panel;
        return {p.ToolbarButton(QStringLiteral("Save"))->toolTip(),
                p.RecordingMark()->isHidden() ? QString() : p.RecordingMark()->text(),
                p.RecordsWritten()->text(), p.RecordingFile()->text()};
    }

    // Declared in the order they need each other, so that they go in the reverse order.
    struct Fixture {
        QTemporaryDir dir;
        FakeClock clock;
        ScriptedDialogs dialogs;
        MeterSession session{clock};
        LiveState& live = (session.Live() = CelsiusKJTE());
        Recorder& recorder = session.GetRecorder();
        Panel panel{live, session.Alarms(), recorder};
        FileCommands commands{session, dialogs, &panel, [this] { return panel.PanelUnitText(); },
                              3};
    };
    std::unique_ptr<Fixture> f_;
};

void TestFileCommands::init() {
    f_ = std::make_unique<Fixture>();
    f_->clock.now = QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0));
}

void TestFileCommands::cleanup() {
    f_.reset();
}

void TestFileCommands::saveCancelledWritesNothing() {
    f_->commands.Save();
    f_->panel.RecordsWritten()->setText("7");
    f_->panel.RecordingFile()->setText("x");
    TakeSample(); // while idle, a sample clears the labels
    QCOMPARE(Labels(), kIdle);
    QVERIFY(!f_->recorder.Recording());
    QVERIFY(QDir(f_->dir.path()).isEmpty());
}

void TestFileCommands::saveStartsAndStops() {
    f_->dialogs.fileAnswers = {Path("run.4ch"), Path("second.4ch")};
    f_->commands.Save();
    TakeSample();
    TakeSample();
    QCOMPARE(Labels(), (QStringList{"Stop Recording", "Rec", "2", "run.4ch"}));
    f_->commands.Save(); // the second click stops without a dialog
    QCOMPARE(f_->dialogs.fileAnswers.size(), 1);
    QCOMPARE(Labels(), kIdle);
    QVERIFY(!f_->recorder.Recording());
    QCOMPARE(FileBytes(Path("run.4ch")),
             QByteArray("\xB0"
                        "C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\t\r\n"
                        "1\t2026/12/06 10:00:00\t1.0\t2.0\t3.0\t4.0\t\r\n"
                        "2\t2026/12/06 10:00:01\t1.0\t2.0\t3.0\t4.0\t\r\n"));
    QVERIFY(f_->dialogs.messages.isEmpty());
}

void TestFileCommands::recordingStartFailureIsReported() {
    f_->dialogs.fileAnswers = {QStringLiteral("/dev/full")};
    f_->commands.Save();
    QCOMPARE(Labels(), kIdle);
    QVERIFY(OneCriticalAbout("/dev/full"));
    QVERIFY(!f_->dialogs.messages[0].detail.isEmpty());
}

void TestFileCommands::writeFailureShowsOnTheLabels() {
    f_->dialogs.fileAnswers = {Path("run.4ch")};
    f_->commands.Save();
    TakeSample();
    {
        FileSizeLimit full(QFileInfo(Path("run.4ch")).size());
        TakeSample();
    }
    const QStringList failing = Labels();
    QCOMPARE(failing.mid(0, 3), (QStringList{"Stop Recording", "Not writing", "1"}));
    QVERIFY2(failing[3].startsWith("not writing: "), qPrintable(failing[3]));
    // Writing works again at the next sample, and the labels say so; no box blocks the sampling.
    TakeSample();
    QCOMPARE(Labels(), (QStringList{"Stop Recording", "Rec", "2", "run.4ch"}));
    QVERIFY(f_->dialogs.messages.isEmpty());
}

void TestFileCommands::openRefusedWhileRecording() {
    FileListWindow* before = OpenFile("old.4ch", kHeadingF);
    QVERIFY(before);
    f_->dialogs.fileAnswers = {Path("run.4ch"), Path("old.4ch")};
    f_->commands.Save();
    f_->commands.Open();
    QVERIFY(OneCriticalAbout("Recording Mode!\n\rPlease stop recording!"));
    QCOMPARE(f_->dialogs.fileAnswers.size(), 1); // no Open dialog
    QCOMPARE(f_->commands.FileList(), before);
    TakeSample();
    QCOMPARE(f_->recorder.RecordCount(), 1);
}

void TestFileCommands::openReadsFile_data() {
    QTest::addColumn<QByteArray>("bytes"); // null: no such file
    QTest::addColumn<int>("rows");         // -1: no list
    QTest::addColumn<QString>("message");
    QTest::newRow("whole file") << kHeadingF + kRow1 + kRow2 << 2 << QString();
    QTest::newRow("heading only") << kHeadingF << 0 << QString();
    QTest::newRow("sixth field without its TAB stops at line 3")
        << kHeadingF + kRow1 + "2\t2013/08/08 14:05:10\t1\t2\t3\t4\r\n" + kRow2 << 1
        << QStringLiteral("line 3");
    QTest::newRow("empty line stops at line 2")
        << kHeadingF + "\r\n" + kRow1 << 0 << QStringLiteral("line 2");
    QTest::newRow("missing file") << QByteArray() << -1 << QStringLiteral("saved.4ch");
    QTest::newRow("cancelled") << QByteArray("-") << -1 << QString();
}

void TestFileCommands::openReadsFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, rows);
    QFETCH(QString, message);
    f_->session.Timers().StartBoth();
    // A poll at every pass of the read, on a link that is lost: the open still ends.
    f_->session.Timers().PollingTimer().setInterval(0);
    // Reading the file is the program's own work: sampling goes on, a recording gets no hole.
    bool samplingWhileReading = false;
    QTimer::singleShot(0, this,
                       [&] { samplingWhileReading = f_->session.Timers().SamplingActive(); });
    FileListWindow* list = nullptr;
    if (bytes == "-")
        f_->commands.Open();
    else
        list = OpenFile("saved.4ch", bytes);
    QVERIFY(f_->session.Timers().PollingTimer().isActive() &&
            f_->session.Timers().SamplingTimer().isActive());
    QCOMPARE(f_->dialogs.Texts().join('|').contains(message), true);
    QCOMPARE(f_->dialogs.messages.size(), message.isEmpty() ? 0 : 1);
    QCOMPARE(samplingWhileReading, rows >= 0);
    if (rows < 0) {
        QVERIFY(!list && !f_->commands.FileList());
        return;
    }
    // Read to its end or to the line it cannot split, the reading ends normally.
    QVERIFY(list && list->isVisible() && !list->Busy());
    QCOMPARE(list->windowTitle(), QStringLiteral("saved.4ch"));
    QVERIFY(message.isEmpty() || f_->dialogs.messages[0].text.contains("saved.4ch"));
    const SixColumnModel& model = *list->RecordTable()->Model();
    QCOMPARE(model.rowCount(), rows);
    QCOMPARE(model.Headings()[0] + model.Headings()[3], DegF + "T2 - J");
    if (rows > 0)
        QCOMPARE(model.Text(0, 5), QStringLiteral("Under"));
}

void TestFileCommands::columnClickAndHistogram() {
    // A second "Open" replaces the saved-file list.
    QPointer<FileListWindow> first = OpenFile("a.4ch", kHeadingF + "9\t\t1\t2\t3\t4\t\r\n");
    FileListWindow* list = OpenFile("f.4ch", kHeadingF + kRow1 + kRow2);
    QVERIFY(!first && list);
    SixColumnTable* grid = list->RecordTable();
    QSignalSpy plots(&f_->commands, &FileCommands::PlotRequested);
    QList<int> histograms;
    connect(&f_->commands, &FileCommands::HistogramRequested, this,
            [&](const SixColumnModel& model, int column) {
                QCOMPARE(&model, grid->Model());
                histograms.append(column);
            });

    Q_EMIT grid->ColumnClicked(1); // the record number and date and time plot nothing
    Q_EMIT grid->ColumnClicked(0);
    QCOMPARE(plots.size(), 0);
    f_->session.Timers().StartBoth();
    Q_EMIT grid->ColumnClicked(3);
    QCOMPARE(plots.size(), 1);
    const ColumnPlot plot = plots.at(0).at(0).value<ColumnPlot>();
    QVERIFY(plot.Values.size() == 2 && std::isnan(plot.Values[0]) && plot.Values[1] == 80.5);
    QCOMPARE(f_->commands.LastPlot().PlotColumnText, QStringLiteral("2\u00B0F"));
    QVERIFY(f_->session.Timers().PollingTimer().isActive());

    // "Ln" on the selected channel column; without one selected, a hint instead.
    QAction* ln = list->findChild<QAction*>(QStringLiteral("Toolbar1_Ln"));
    QVERIFY(ln);
    grid->setCurrentIndex(QModelIndex());
    ln->trigger();
    QCOMPARE(histograms.size(), 0);
    QCOMPARE(f_->dialogs.messages.size(), 1);
    grid->setCurrentIndex(grid->Model()->index(0, 5));
    ln->trigger();
    QCOMPARE(histograms, QList<int>{5});
}

void TestFileCommands::listTakesSamplesAndReportsSaveFailure() {
    FeedLivePacket(f_->live, 0, 0, 734, QStringLiteral("pF"));
    f_->commands.ShowList();
    ListWindow* list = f_->commands.List();
    QVERIFY(list && list->isVisible());
    TakeSample();
    TakeSample();
    f_->commands.ShowList(); // already open: neither reopened nor emptied
    QCOMPARE(f_->commands.List(), list);
    QCOMPARE(list->ListRowCount(), 2);
    const SixColumnModel& model = *list->RecordTable()->Model();
    QCOMPARE(ToList(model.Headings()),
             (QStringList{DegF, "Date Time", "T1 - K", "T2 - J", "T3 - T", "T4 - E"}));
    QCOMPARE(ToList(model.RowTexts(1)),
             (QStringList{"2", "2026/12/06 10:00:01", "a", "b", "c", "d"}));

    f_->dialogs.fileAnswers = {QStringLiteral("/dev/full")};
    list->Save();
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(OneCriticalAbout("/dev/full"));
    QVERIFY2(f_->dialogs.messages[0].detail.contains("No space left on device"),
             qPrintable(f_->dialogs.messages[0].detail));
    // Cancelling the next Save As writes nothing, not even to the file chosen before.
    list->Save();
    QCOMPARE(f_->dialogs.messages.size(), 1);

    // The user closes it: the next "List" starts a new one.
    list->close();
    DeleteClosedWindows();
    QVERIFY(!f_->commands.List());
    f_->commands.ShowList();
    QCOMPARE(f_->commands.List()->ListRowCount(), 0);
}

QTEST_MAIN(TestFileCommands)
#include "tst_file_commands.moc"
