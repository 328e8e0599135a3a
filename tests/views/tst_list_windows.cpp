#include "link/meter_timers.h"
#include "recording/csv_export.h"
#include "recording/grid_file.h"
#include "recording/marks.h"
#include "recording/sampler.h"
#include "support/closed_windows.h"
#include "support/fake_clock.h"
#include "support/pdf_text.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"
#include "views/file_list_window.h"
#include "views/grid_commands.h"
#include "views/list_window.h"
#include "views/six_column_table.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const std::array<QString, 4> Letters{"K", "K", "J", "J"};
// A printed list's heading and rule as they read back from the PDF.
const QStringList kPrintedTop{QStringLiteral("°C Date Time T1 - K T2 - K T3 - J T4 - J"),
                              QString(62, QLatin1Char('-'))};

// Print dialogs that ask for several copies; a Save As dialog during which the list is told to
// close (a configuration change while the dialog is up).
class MoreDialogs : public ScriptedDialogs {
public:
    int copies = 1;
    QPointer<ListWindow> closing;
    bool Print(QWidget* parent, QPrinter& printer) override {
        const bool accepted = ScriptedDialogs::Print(parent, printer);
        printer.setCopyCount(copies);
        return accepted;
    }
    QString SaveFileName(QWidget* parent, const QString& title, const QString& filter) override {
        if (closing)
            closing->RequestClose();
        return ScriptedDialogs::SaveFileName(parent, title, filter);
    }
};

} // namespace

class TestListWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void liveListFollowsNewestRow();
    void liveListDumps();
    void failedDumpKeepsRowsForTheNext();
    void liveListSave();
    void correctedShownReadSaved();
    void savedFileCompanions();
    void closeWaitsForTheCommand();
    void printToPdf();
    void printOutcomes_data();
    void printOutcomes();
    void exportCsv_data();
    void exportCsv();

private:
    QString Path(const QString& name) const { return dir_->filePath(name); }
    std::unique_ptr<ListWindow> MakeList(bool unitF, qint64 dumpEvery) {
        return std::make_unique<ListWindow>(dialogs_, timers_, clock_, unitF ? DegF : DegC, unitF,
                                            Letters, dumpEvery);
    }
    std::unique_ptr<FileListWindow> MakeFileList(int rows) {
        auto list = std::make_unique<FileListWindow>(dialogs_, timers_, lastPlot_, DegC, Letters);
        for (int i = 1; i <= rows; ++i)
            list->RecordTable()->Model()->AppendRow(RecordFields(
                i, QStringLiteral("2013/08/08 14:05:09"), {"23.4", "-.5", "Over", "- - -"}));
        return list;
    }
    SampleRecord Sample(const QString& c, const QString& f = "x") {
        SampleRecord s;
        s.TimeText = DateTimeText(clock_.now);
        s.TextC = {c, "- - -", "Over", "Under"};
        s.TextF = {f, "- - -", "Over", "Under"};
        clock_.now = clock_.now.addSecs(1);
        return s;
    }
    void AppendSamples(ListWindow& list, int count, const QString& c = "1.0") {
        for (int i = 0; i < count; ++i)
            list.Append(Sample(c));
    }
    // The record numbers starting each line of a file (its heading as 0).
    QList<int> Numbers(const QString& name) const {
        QList<int> numbers;
        for (const QByteArray& line : FileLines(Path(name)))
            numbers << line.left(line.indexOf('\t')).toInt();
        return numbers;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    QString savedCurrent_;
    FakeClock clock_;
    ScriptedDialogs dialogs_;
    MeterTimers timers_;
    ColumnPlot lastPlot_;
};

void TestListWindows::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    savedCurrent_ = QDir::currentPath();
    QDir::setCurrent(dir_->path()); // dump files go to the current folder
    dialogs_ = ScriptedDialogs();
    clock_.now = QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9));
}

void TestListWindows::cleanup() {
    QDir::setCurrent(savedCurrent_);
    dir_.reset();
}

void TestListWindows::liveListFollowsNewestRow() {
    auto list = MakeList(false, RecordsPerDataFile);
    list->resize(600, 300);
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list.get()));
    AppendSamples(*list, 50);
    QCoreApplication::processEvents();
    const QScrollBar* bar = list->RecordTable()->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
}

void TestListWindows::liveListDumps() {
    auto list = MakeList(false, 3);
    list->show();
    AppendSamples(*list, 3);
    // Heading and three rows in the dump, named after the clock at the dump; the list back to
    // its headings, numbering running on.
    const QString firstDump = QStringLiteral("0808140512.4ch");
    const QList<QByteArray> lines = FileLines(Path(firstDump));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QByteArray("\xB0"
                                  "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r"));
    QCOMPARE(lines[3], QByteArray("3\t2013/08/08 14:05:11\t1.0\t- - -\tOver\tUnder\t\r"));
    QCOMPARE(list->RecordTable()->Model()->rowCount(), 0);
    QCOMPARE(list->RecordTable()->Model()->Heading(0), DegC);
    QCOMPARE(list->ListRowCount(), 3);
    QVERIFY(list->DumpStatus().contains(firstDump));
    QVERIFY(!QGuiApplication::overrideCursor());
    AppendSamples(*list, 3, "2.0");
    QCOMPARE(Numbers("0808140515.4ch"), (QList<int>{0, 4, 5, 6}));
}

void TestListWindows::failedDumpKeepsRowsForTheNext() {
    auto list = MakeList(false, 2);
    // A folder of the dump file's name: the file cannot be created.
    list->Append(Sample("1.0"));
    QVERIFY(QDir(dir_->path()).mkdir("0808140511.4ch"));
    list->Append(Sample("2.0"));
    QCOMPARE(list->RecordTable()->Model()->rowCount(), 2);
    QVERIFY(list->DumpStatus().startsWith("Not saved"));
    // Every row held goes into the next dump: none is dropped.
    AppendSamples(*list, 2);
    QCOMPARE(Numbers("0808140513.4ch"), (QList<int>{0, 1, 2, 3, 4}));
    QCOMPARE(list->RecordTable()->Model()->rowCount(), 0);
}

void TestListWindows::liveListSave() {
    auto list = MakeList(true, RecordsPerDataFile);
    dialogs_.fileAnswers = {Path("empty.4ch")};
    list->Save();
    // Right after opening: the heading line only.
    QCOMPARE(FileLines(Path("empty.4ch")),
             QList<QByteArray>{"\xB0"
                               "F\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r"});
    list->Append(Sample("1.0", "33.8"));
    dialogs_.fileAnswers = {Path("one")}; // no extension is added
    list->Save();
    QCOMPARE(FileLines(Path("one")).value(1),
             QByteArray("1\t2013/08/08 14:05:09\t33.8\t- - -\tOver\tUnder\t\r"));
    list->Save(); // cancelled
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).size(), 2);
    QVERIFY(dialogs_.messages.isEmpty());
}

// A corrected reading is shown corrected with its marker and the reading on hover; the save and
// the dump write what the meter read. Marks placed meanwhile are listed.
void TestListWindows::correctedShownReadSaved() {
    auto list = MakeList(true, 2);
    list->show();
    SampleRecord s = Sample("1.0", "33.5");
    s.TextF[1] = "40.2";
    s.Corrected = {ReadingCorrection::Corrected, ReadingCorrection::Beyond};
    s.RawTextF = {"33.8", "40.0"};
    list->Append(s);
    const SixColumnModel& model = *list->RecordTable()->Model();
    QCOMPARE(model.index(0, 2).data().toString(), "33.5 *");
    QCOMPARE(model.index(0, 3).data().toString(), "40.2 !");
    QCOMPARE(model.index(0, 2).data(Qt::ToolTipRole).toString(), "read 33.8");
    QVERIFY(list->Legend()->isVisible());
    Mark mark;
    mark.time = clock_.now;
    mark.channel = 1;
    mark.text = "load in";
    list->AddMark(mark);
    QCOMPARE(list->MarkList()->item(0)->text(), "14:05:10 T2 load in");
    const QByteArray read = "1\t2013/08/08 14:05:09\t33.8\t40.0\tOver\tUnder\t\r";
    dialogs_.fileAnswers = {Path("saved.4ch")};
    list->Save();
    QCOMPARE(FileLines(Path("saved.4ch")).value(1), read);
    list->Append(Sample("1.0", "33.8"));
    QCOMPARE(FileLines(Path("0808140511.4ch")).value(1), read);
}

// A saved file with corrected readings and marks beside it: shown and listed, the column plot
// takes the corrected values and the marks.
void TestListWindows::savedFileCompanions() {
    const QString path = Path("run.4ch");
    WriteFile(path, "\xB0"
                    "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n"
                    "7\t2013/08/08 14:05:09\t23.4\t \t \t \t\r\n"
                    "8\t2013/08/08 14:05:10\t23.6\t \t \t \t\r\n");
    WriteFile(path + ".corrected", "8\t2013/08/08 14:05:10\t23.3\t \t \t \tT1\t\n");
    WriteFile(path + ".marks", "2013/08/08 14:05:09\t7\tT1\tload in\n");
    auto list = MakeFileList(0);
    ReadFileIntoGrid(path, *list->RecordTable()->Model());
    list->ShowCompanionsOf(path);
    QCOMPARE(list->RecordTable()->Model()->index(1, 2).data().toString(), "23.3 *");
    QCOMPARE(list->MarkList()->item(0)->text(), "14:05:09 T1 load in");
    list->PlotColumn(2);
    QCOMPARE(lastPlot_.Values, (QVector<double>{23.4, 23.3}));
    QVERIFY(lastPlot_.Corrected);
    QCOMPARE(lastPlot_.Marks, (QList<PlotMark>{{1.5, "14:05:09 T1 load in"}}));
    dialogs_.fileAnswers = {Path("copy.4ch")};
    SaveGridAs(list.get(), *list->RecordTable()->Model(), dialogs_);
    QCOMPARE(FileBytes(Path("copy.4ch")), FileBytes(path));
}

void TestListWindows::closeWaitsForTheCommand() {
    MoreDialogs dialogs;
    auto* list = new ListWindow(dialogs, timers_, clock_, DegC, false, Letters);
    list->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<ListWindow> watch(list);
    QSignalSpy closed(list, &ListWindow::Closed);
    list->show();
    list->Append(Sample("1.0"));
    dialogs.closing = list;
    dialogs.fileAnswers = {Path("during.4ch")};
    list->Save();
    // The save finished on a window that was still there; then the window closed.
    QCOMPARE(FileLines(Path("during.4ch")).size(), 2);
    QCOMPARE(closed.size(), 1);
    DeleteClosedWindows();
    QVERIFY(!watch);
}

void TestListWindows::printToPdf() {
    auto list = MakeFileList(3);
    dialogs_.printToPdf = Path("out.pdf");
    timers_.StartBoth();
    QAction* print = list->findChild<QAction*>(QStringLiteral("Toolbar1_Print"));
    QVERIFY(print);
    print->trigger();
    QCOMPARE(dialogs_.messages.size(), 1); // the note before printing
    QVERIFY(timers_.PollingTimer().isActive() && timers_.SamplingTimer().isActive());
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(QFile::exists(Path("out.pdf"))); // its lines are checked with the print outcomes

    // The live list prints the same way.
    auto live = MakeList(false, RecordsPerDataFile);
    live->Append(Sample("1.0"));
    dialogs_.printToPdf = Path("live.pdf");
    live->Print();
    QCOMPARE(PdfLines(Path("live.pdf")),
             kPrintedTop + QStringList{"1 2013/08/08 14:05:09 1.0 - - - Over Under"});
}

void TestListWindows::printOutcomes_data() {
    QTest::addColumn<int>("copies"); // 0: the print dialog is cancelled
    QTest::addColumn<bool>("tooWide");
    QTest::addColumn<int>("copiesPrinted");
    QTest::addColumn<int>("stoppedAtRow");
    QTest::addColumn<int>("messages");
    QTest::addColumn<QStringList>("printed"); // from the last document
    const QStringList rows = kPrintedTop + QStringList{"1 2013/08/08 14:05:09 23.4 -.5 Over - - -",
                                                       "2 2013/08/08 14:05:09 23.4 -.5 Over - - -"};
    QTest::newRow("cancelled") << 0 << false << 0 << -1 << 0 << QStringList{};
    // The note, then where it stopped; heading, separator, row 1.
    QTest::newRow("a row too wide stops the printout") << 1 << true << 1 << 3 << 2 << rows;
    // Each copy is a document of its own: the file holds the last one, once; the note comes once.
    QTest::newRow("three copies") << 3 << false << 3 << -1 << 1 << rows;
}

void TestListWindows::printOutcomes() {
    QFETCH(int, copies);
    MoreDialogs dialogs;
    dialogs.copies = copies;
    if (copies > 0)
        dialogs.printToPdf = Path("out.pdf");
    auto list = MakeFileList(2);
    SixColumnModel& model = *list->RecordTable()->Model();
    QFETCH(bool, tooWide);
    if (tooWide)
        model.AppendRow(RecordFields(123456789, "2013/08/08 14:05:10", {"1", "2", "3", "4"}));
    const PrintOutcome outcome = PrintGrid(list.get(), model, dialogs, timers_);
    QCOMPARE(outcome.cancelled, copies == 0);
    QTEST(outcome.copiesPrinted, "copiesPrinted");
    QTEST(int(outcome.stoppedAtRow), "stoppedAtRow");
    QTEST(int(dialogs.messages.size()), "messages");
    if (outcome.stoppedAtRow > 0)
        QVERIFY(dialogs.messages[1].icon == QMessageBox::Critical &&
                dialogs.messages[1].text.contains("row 3"));
    QTEST(copies > 0 ? PdfLines(Path("out.pdf")) : QStringList{}, "printed");
    QCOMPARE(QDir(dir_->path()).isEmpty(), copies == 0);
}

void TestListWindows::exportCsv_data() {
    QTest::addColumn<QByteArray>("file"); // read into the saved-file list
    QTest::addColumn<QString>("answer");  // of the Save dialog; empty: cancelled
    QTest::addColumn<QString>("message"); // the box shown, empty: none
    const QByteArray heading = "\xB0"
                               "C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\t\r\n";
    const QByteArray rows = "1\t2013/08/08 14:05:09\t23.4\t-.5\t- - -\tOver\t\r\n"
                            "2\t2013/08/08 14:05:10\t1234.5\tUnder\t \t7,5 \"x\"\t\r\n";
    QTest::newRow("exported") << heading + rows << "out.csv" << QString();
    QTest::newRow("cancelled writes nothing") << heading + rows << QString() << QString();
    QTest::newRow("unwritable folder is reported") << heading + rows << "missing/out.csv"
                                                   << "The list was not exported to";
    QTest::newRow("unreadable date stops there")
        << heading + rows + "3\t2013-08-08\t1\t2\t3\t4\t\r\n"
        << "out.csv"
        << "stopped at row 3";
}

void TestListWindows::exportCsv() {
    QFETCH(QByteArray, file);
    QFETCH(QString, answer);
    QFETCH(QString, message);
    QVERIFY(WriteFile(Path("in.4ch"), file));
    std::unique_ptr<FileListWindow> list = MakeFileList(0);
    QVERIFY(ReadFileIntoGrid(Path("in.4ch"), *list->RecordTable()->Model()).complete);
    dialogs_.fileAnswers = {answer.isEmpty() ? QString() : Path(answer)};
    list->findChild<QAction*>(QStringLiteral("Toolbar1_ExportCsv"))->trigger();
    QCOMPARE(dialogs_.Texts().join('|').contains(message), true);
    QCOMPARE(dialogs_.messages.size(), message.isEmpty() ? 0 : 1);
    // Byte for byte what `corvilab-cli convert --to csv -o` writes for the same file; no file
    // at all when cancelled or not written.
    if (answer == "out.csv")
        QCOMPARE(FileBytes(Path("out.csv")), ConvertDataFileToCsv(Path("in.4ch"), "\r\n").csv);
    const QStringList written =
        answer == "out.csv" ? QStringList{"in.4ch", "out.csv"} : QStringList{"in.4ch"};
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), written);
}

QTEST_MAIN(TestListWindows)
#include "tst_list_windows.moc"
