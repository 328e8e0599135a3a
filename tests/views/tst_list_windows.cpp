#include "link/meter_timers.h"
#include "recording/file_commands.h"
#include "recording/grid_file.h"
#include "recording/sampler.h"
#include "support/fake_clock.h"
#include "support/pdf_text.h"
#include "support/scripted_dialogs.h"
#include "views/file_list_window.h"
#include "views/list_window.h"
#include "views/six_column_table.h"

#include <QAction>
#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString DegC = QStringLiteral("\u00B0C");
const QString DegF = QStringLiteral("\u00B0F");
const std::array<QString, 4> Letters{"K", "K", "J", "J"};

QList<QByteArray> FileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {"<cannot open>"};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Print dialogs that ask for several copies.
class CopiesDialogs : public ScriptedDialogs {
public:
    int copies = 1;
    bool Print(QWidget* parent, QPrinter& printer) override {
        const bool accepted = ScriptedDialogs::Print(parent, printer);
        printer.setCopyCount(copies);
        return accepted;
    }
};

// A Save As dialog during which the list is told to close (a configuration change while the
// dialog is up).
class ClosingDialogs : public ScriptedDialogs {
public:
    QPointer<ListWindow> list;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& filter) override {
        if (list)
            list->RequestClose();
        return ScriptedDialogs::SaveFileName(parent, title, filter);
    }
};

SampleRecord Sample(FakeClock& clock, const QString& c, const QString& f) {
    SampleRecord s;
    s.TimeText = DateTimeText(clock.now);
    s.TextC = {c, "- - -", "Over", "Under"};
    s.TextF = {f, "- - -", "Over", "Under"};
    clock.now = clock.now.addSecs(1);
    return s;
}

} // namespace

class TestListWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void liveListNumbersRowsInItsUnit_data();
    void liveListNumbersRowsInItsUnit();
    void liveListFollowsNewestRow();
    void liveListDumps();
    void failedDumpKeepsRowsForTheNext();
    void liveListSave();
    void closeWaitsForTheCommand();
    void printToPdf();
    void printCancelled();
    void printStopsAtRowTooWide();
    void printCopiesAreDocuments();
    void printFont();

private:
    QString Path(const QString& name) const { return dir_->filePath(name); }
    std::unique_ptr<ListWindow> MakeList(bool unitF, qint64 dumpEvery) {
        return std::make_unique<ListWindow>(dialogs_, timers_, clock_, unitF ? DegF : DegC, unitF,
                                            Letters, dumpEvery);
    }
    std::unique_ptr<FileListWindow> MakeFileList(int rows) {
        auto list = std::make_unique<FileListWindow>(dialogs_, timers_, lastPlot_, DegC, Letters);
        for (int i = 1; i <= rows; ++i)
            list->GridN()->Model()->AppendRow(RecordFields(i, QStringLiteral("2013/08/08 14:05:09"),
                                                           {"23.4", "-.5", "Over", "- - -"}));
        return list;
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

void TestListWindows::liveListNumbersRowsInItsUnit_data() {
    QTest::addColumn<bool>("unitF");
    QTest::newRow("celsius") << false;
    QTest::newRow("fahrenheit") << true;
}

void TestListWindows::liveListNumbersRowsInItsUnit() {
    QFETCH(bool, unitF);
    auto list = MakeList(unitF, RecordsPerDataFile);
    QCOMPARE(list->objectName(), QStringLiteral("List"));
    QCOMPARE(list->GridN()->objectName(), QStringLiteral("GridN"));
    for (int i = 0; i < 12; ++i)
        list->Append(Sample(clock_, QString::number(i) + ".0", QString::number(i) + ".5"));
    QCOMPARE(list->ListRowCount(), 12);
    const SixColumnModel& model = *list->GridN()->Model();
    QCOMPARE(model.Headings(), HeadingFields(unitF ? DegF : DegC, Letters));
    QCOMPARE(model.rowCount(), 12);
    QCOMPARE(model.RowTexts(11), RecordFields(12, QStringLiteral("2013/08/08 14:05:20"),
                                              {unitF ? "11.5" : "11.0", "- - -", "Over", "Under"}));
    QVERIFY(QDir(dir_->path()).isEmpty());
}

void TestListWindows::liveListFollowsNewestRow() {
    auto list = MakeList(false, RecordsPerDataFile);
    list->resize(600, 300);
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list.get()));
    SixColumnTable* grid = list->GridN();
    const auto newestInView = [&] {
        const QModelIndex last = grid->Model()->index(grid->Model()->rowCount() - 1, 0);
        return grid->viewport()->rect().contains(grid->visualRect(last));
    };
    for (int i = 0; i < 10; ++i)
        list->Append(Sample(clock_, "1.0", "x"));
    QCoreApplication::processEvents();
    QCOMPARE(grid->verticalScrollBar()->value(), 0);
    for (int i = 0; i < 40; ++i) {
        list->Append(Sample(clock_, "1.0", "x"));
        QCoreApplication::processEvents();
        QVERIFY(newestInView());
    }
    QVERIFY(grid->verticalScrollBar()->value() > 0);
}

void TestListWindows::liveListDumps() {
    auto list = MakeList(false, 3);
    list->show();
    list->Append(Sample(clock_, "1.0", "x"));
    list->Append(Sample(clock_, "1.0", "x"));
    const SampleRecord third = Sample(clock_, "1.0", "x");
    const QString firstDump = DumpFileName(clock_.now); // the clock at the dump
    list->Append(third);
    // Heading and three rows in the dump; the list back to its headings, numbering running on.
    const QList<QByteArray> lines = FileLines(Path(firstDump));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QByteArray("\xB0"
                                  "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r"));
    QCOMPARE(lines[3], QByteArray("3\t2013/08/08 14:05:11\t1.0\t- - -\tOver\tUnder\t\r"));
    QCOMPARE(list->GridN()->Model()->rowCount(), 0);
    QCOMPARE(list->GridN()->Model()->Heading(0), DegC);
    QCOMPARE(list->ListRowCount(), 3);
    QCOMPARE(list->windowTitle(), QStringLiteral("List"));
    QVERIFY(list->DumpStatus().contains(firstDump));
    QVERIFY(!QGuiApplication::overrideCursor());

    list->Append(Sample(clock_, "2.0", "x"));
    QCOMPARE(list->GridN()->Model()->Text(0, 0), QStringLiteral("4"));
    list->Append(Sample(clock_, "2.0", "x"));
    const SampleRecord sixth = Sample(clock_, "2.0", "x");
    const QString secondDump = DumpFileName(clock_.now);
    list->Append(sixth);
    const QList<QByteArray> second = FileLines(Path(secondDump));
    QCOMPARE(second.size(), 4);
    QVERIFY(second[1].startsWith("4\t"));
    QVERIFY(second[3].startsWith("6\t"));
}

void TestListWindows::failedDumpKeepsRowsForTheNext() {
    auto list = MakeList(false, 2);
    // A folder of the dump file's name: the file cannot be created.
    list->Append(Sample(clock_, "1.0", "x"));
    const SampleRecord second = Sample(clock_, "2.0", "x");
    QVERIFY(QDir(dir_->path()).mkdir(DumpFileName(clock_.now)));
    list->Append(second);
    QCOMPARE(list->GridN()->Model()->rowCount(), 2);
    QVERIFY(list->DumpStatus().startsWith("Not saved"));
    list->Append(Sample(clock_, "3.0", "x"));
    const SampleRecord fourth = Sample(clock_, "4.0", "x");
    const QString next = DumpFileName(clock_.now);
    list->Append(fourth);
    // Every row held goes into the next dump: none is dropped.
    const QList<QByteArray> lines = FileLines(Path(next));
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines[1].startsWith("1\t"));
    QVERIFY(lines[4].startsWith("4\t"));
    QCOMPARE(list->GridN()->Model()->rowCount(), 0);
}

void TestListWindows::liveListSave() {
    auto list = MakeList(true, RecordsPerDataFile);
    dialogs_.fileAnswers = {Path("empty.4ch")};
    list->Save();
    // Right after opening: the heading line only.
    QCOMPARE(FileLines(Path("empty.4ch")),
             QList<QByteArray>{"\xB0"
                               "F\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r"});
    list->Append(Sample(clock_, "1.0", "33.8"));
    dialogs_.fileAnswers = {Path("one")}; // no extension is added
    list->Save();
    QCOMPARE(FileLines(Path("one")).size(), 2);
    QCOMPARE(FileLines(Path("one"))[1],
             QByteArray("1\t2013/08/08 14:05:09\t33.8\t- - -\tOver\tUnder\t\r"));
    list->Save(); // cancelled
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).size(), 2);
    QVERIFY(dialogs_.messages.isEmpty());
}

void TestListWindows::closeWaitsForTheCommand() {
    ClosingDialogs dialogs;
    auto* list = new ListWindow(dialogs, timers_, clock_, DegC, false, Letters);
    list->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<ListWindow> watch(list);
    QSignalSpy closed(list, &ListWindow::Closed);
    list->show();
    list->Append(Sample(clock_, "1.0", "x"));
    dialogs.list = list;
    dialogs.fileAnswers = {Path("during.4ch")};
    list->Save();
    // The save finished on a window that was still there; then the window closed.
    QCOMPARE(FileLines(Path("during.4ch")).size(), 2);
    QCOMPARE(closed.size(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!watch);
}

void TestListWindows::printToPdf() {
    auto list = MakeFileList(3);
    list->setWindowTitle("saved.4ch");
    dialogs_.printToPdf = Path("out.pdf");
    timers_.StartBoth();
    QAction* print = list->findChild<QAction*>(QStringLiteral("Toolbar1_Print"));
    QVERIFY(print);
    print->trigger();
    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(dialogs_.messages[0].icon, QMessageBox::NoIcon);
    QCOMPARE(dialogs_.messages[0].title, QStringLiteral("Corvilab"));
    QCOMPARE(dialogs_.messages[0].text.split('\n').size(), 6);
    QVERIFY(dialogs_.messages[0].text.startsWith("Note\n"));
    QCOMPARE(list->windowTitle(), QStringLiteral("saved.4ch"));
    QVERIFY(timers_.Timer1.isActive() && timers_.Timer2.isActive());
    QVERIFY(!QGuiApplication::overrideCursor());

    const QStringList expected = Simplified(PrintGridLines(*list->GridN()->Model()));
    QCOMPARE(expected.size(), 5);
    QCOMPARE(PdfLines(Path("out.pdf")), expected);
    QCOMPARE(expected[1], QStringLiteral("-------------------------------------------------------"
                                         "-------"));

    // The live list prints the same way.
    auto live = MakeList(false, RecordsPerDataFile);
    live->Append(Sample(clock_, "1.0", "x"));
    dialogs_.printToPdf = Path("live.pdf");
    live->Print();
    QCOMPARE(PdfLines(Path("live.pdf")), Simplified(PrintGridLines(*live->GridN()->Model())));
}

void TestListWindows::printCancelled() {
    auto list = MakeFileList(2);
    list->setWindowTitle("saved.4ch");
    const PrintOutcome outcome = PrintGrid(list.get(), *list->GridN()->Model(), dialogs_, timers_);
    QVERIFY(outcome.cancelled);
    QCOMPARE(outcome.copiesPrinted, 0);
    QVERIFY(dialogs_.messages.isEmpty());
    QCOMPARE(list->windowTitle(), QStringLiteral("saved.4ch"));
    QVERIFY(QDir(dir_->path()).isEmpty());
}

void TestListWindows::printStopsAtRowTooWide() {
    auto list = MakeFileList(1);
    SixColumnModel& model = *list->GridN()->Model();
    model.AppendRow(RecordFields(123456789, "2013/08/08 14:05:10", {"1.0", "2.0", "3.0", "4.0"}));
    dialogs_.printToPdf = Path("cut.pdf");
    const PrintOutcome outcome = PrintGrid(list.get(), model, dialogs_, timers_);
    QCOMPARE(outcome.stoppedAtRow, 2);
    QCOMPARE(outcome.copiesPrinted, 1);
    QCOMPARE(dialogs_.messages.size(), 2); // the note, then where it stopped
    QCOMPARE(dialogs_.messages[1].icon, QMessageBox::Critical);
    QVERIFY(dialogs_.messages[1].text.contains("row 2"));
    const QStringList printed = PdfLines(Path("cut.pdf"));
    QCOMPARE(printed.size(), 3); // heading, separator, row 1
    QVERIFY(printed[2].startsWith("1 2013/08/08"));
}

void TestListWindows::printCopiesAreDocuments() {
    CopiesDialogs dialogs;
    dialogs.copies = 3;
    dialogs.printToPdf = Path("copies.pdf");
    auto list = MakeFileList(2);
    const PrintOutcome outcome = PrintGrid(list.get(), *list->GridN()->Model(), dialogs, timers_);
    QCOMPARE(outcome.copiesPrinted, 3);
    // Each copy is a document of its own: the file holds the last one, once.
    QCOMPARE(PdfLines(Path("copies.pdf")).size(), 4);
    QCOMPARE(dialogs.messages.size(), 1); // the note comes once
}

void TestListWindows::printFont() {
    const QFont font = PrintFont();
    QCOMPARE(font.pointSize(), 8);
    QVERIFY(QFontInfo(font).fixedPitch());
}

QTEST_MAIN(TestListWindows)
#include "tst_list_windows.moc"
