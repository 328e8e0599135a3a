// The Compare window driven through its object names: files added from the Open dialog, sets
// from the Data Logger's "Compare", settings refused and taken, the table exported and printed.

#include "compare/band_watch.h"
#include "compare/compare_window.h"
#include "graphs/realtime_graph_window.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "logger/logger_memory.h"
#include "logger/memory_window.h"
#include "recording/sampler.h"
#include "session/meter_session.h"
#include "support/fake_clock.h"
#include "support/pdf_text.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <qcustomplot.h>

namespace {

QByteArray T1File(const char* day, const QList<const char*>& values) {
    QByteArray bytes = "\xB0"
                       "C\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n";
    for (int i = 0; i < values.size(); ++i)
        bytes += QByteArray::number(i + 1) + "\t" + day + " 14:05:0" + QByteArray::number(i) +
                 "\t" + values[i] + "\t \t \t \t\r\n";
    return bytes;
}

QString Row(const QTableWidget* grid, int row) {
    QStringList cells;
    for (int k = 0; k < grid->columnCount(); ++k)
        cells << grid->item(row, k)->text();
    return cells.join('|');
}

} // namespace

class TestCompareWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void filesAndSets();
    void realtimeReference();
    void marksAndCorrectedReadings();
};

void TestCompareWindow::filesAndSets() {
    QTemporaryDir dir;
    const QString ref = dir.filePath("ref.4ch");
    const QString run = dir.filePath("run.4ch");
    WriteFile(ref, T1File("2013/08/08", {"20.0", "21.0", "22.0"}));
    WriteFile(run, T1File("2013/08/09", {"20.5", "21.0", "21.4"}));
    ScriptedDialogs dialogs;
    CompareWindow window(dialogs, nullptr, nullptr);
    window.show();
    const auto click = [&](const char* name) {
        QPushButton* button = window.findChild<QPushButton*>(name);
        QVERIFY2(button && button->isEnabled(), name);
        button->click();
    };
    dialogs.fileAnswers = QStringList{ref, run, ref}; // the reference twice: shown once
    for (int i = 0; i < 3; ++i)
        click("CmdAddFiles");
    window.findChild<QDoubleSpinBox*>("SpnBandAbove")->setValue(0.5);
    window.findChild<QDoubleSpinBox*>("SpnBandBelow")->setValue(0.5);
    auto* grid = window.findChild<QTableWidget*>("GridResult");
    QCOMPARE(grid->rowCount(), 2);
    const QString failing = "run.4ch|2013/08/09 14:05:00|0.0|0.5|0.6|0.4|1|fail";
    QCOMPARE(Row(grid, 1), failing);
    // Band edges, the run and the reference.
    QCOMPARE(window.findChild<QCustomPlot*>("GraphRuns")->graphCount(), 4);

    // No crossing of 100 °C: refused, and the window stays as it was.
    auto* align = window.findChild<QComboBox*>("CboAlign");
    align->setCurrentIndex(1);
    QCOMPARE(dialogs.Texts(), QStringList{"ref.4ch: T1 never rises to 100.0 °C"});
    QCOMPARE(align->currentIndex(), 0);
    QCOMPARE(Row(grid, 1), failing);

    // Shifted by hand one second: the run's 21.0 and 21.4 against 20.0 and 21.0.
    grid->selectRow(1);
    window.findChild<QDoubleSpinBox*>("SpnShift")->setValue(1.0);
    QCOMPARE(Row(grid, 1), "run.4ch|2013/08/09 14:05:00|1.0|1.0|0.0|0.7|1|fail");
    window.findChild<QComboBox*>("CboUnit")->setCurrentIndex(1); // the band follows: ±0.9 °F
    QCOMPARE(Row(grid, 1), "run.4ch|2013/08/09 14:05:00|1.0|1.8|0.0|1.3|1|fail");

    const QString csv = dir.filePath("table.csv");
    dialogs.fileAnswers = QStringList{csv};
    click("CmdExportTable");
    QCOMPARE(FileBytes(csv), QByteArray("run,start,aligned at,max above,max below,mean abs,"
                                        "outside s,verdict\r\n"
                                        "ref.4ch,2013/08/08 14:05:00,0.0,0.0,0.0,0.0,0,pass\r\n"
                                        "run.4ch,2013/08/09 14:05:00,1.0,1.8,0.0,1.3,1,fail\r\n"));
    dialogs.printToPdf = dir.filePath("report.pdf");
    click("CmdPrint");
    const QStringList printed = PdfLines(dialogs.printToPdf);
    QVERIFY2(printed.contains("run.4ch 2013/08/09 14:05:00 1.0 1.8 0.0 1.3 1 fail"),
             qPrintable(printed.join('\n')));

    // Two sets picked in the Data Logger's table (T1 in °F every 5 s) join the files.
    LoggerMemory memory;
    memory.KeepAutomaticData(EmptyMemoryAddress, {},
                             SplitSets(QByteArray::fromHex("0055AA00110000000000000000"
                                                           "0D08080E0000"
                                                           "05000002"
                                                           "0100004400"
                                                           "0100004900"
                                                           "0055AA00110000000000000000"
                                                           "0D08080F0000"
                                                           "05000001"
                                                           "0100004400")));
    FakeClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    MemoryWindow memoryWindow(link, memory, dialogs, nullptr);
    memoryWindow.ShowSets();
    connect(&memoryWindow, &MemoryWindow::CompareRequested, &window, &CompareWindow::AddSets);
    memoryWindow.SetTable()->selectAll();
    memoryWindow.findChild<QPushButton*>("CmdCompare")->click();
    QCOMPARE(grid->rowCount(), 4);
    QCOMPARE(Row(grid, 2), "Set 1|2013/08/08 14:00:00|0.0|0.0|1.6|0.8|1|fail");
    QCOMPARE(Row(grid, 3), "Set 2|2013/08/08 15:00:00|0.0|0.0|0.0|0.0|0|pass");
}

// The real-time graph holds T1 against a reference from its "Reference" panel; a level the
// reference never reaches is refused.
void TestCompareWindow::realtimeReference() {
    QTemporaryDir dir;
    const QString ref = dir.filePath("ref.4ch");
    WriteFile(ref, T1File("2013/08/08", {"20.0", "21.0", "22.0"}));
    ScriptedDialogs dialogs;
    FakeClock clock;
    MeterSession session(clock);
    RealtimeGraphWindow graph(dialogs, session, false);
    graph.show();
    graph.findChild<QAction*>("Toolbar1_Reference")->trigger();
    QVERIFY(graph.ReferencePanel()->isVisible());
    dialogs.fileAnswers = QStringList{ref};
    graph.findChild<QPushButton*>("CmdReferenceBrowse")->click();
    graph.BandEntry()->setText("+1/-0.5");
    graph.AlignmentEntry()->setText("T1>=50");
    graph.findChild<QPushButton*>("CmdReferenceOK")->click();
    QCOMPARE(dialogs.Texts(), QStringList{"ref.4ch: T1 never rises to 50.0 °C"});
    QVERIFY(!graph.Reference());
    graph.AlignmentEntry()->setText("start");
    graph.findChild<QPushButton*>("CmdReferenceOK")->click();
    QVERIFY(graph.Reference() && !graph.ReferencePanel()->isVisible());

    QStringList events;
    connect(&session, &MeterSession::AlarmFired, this,
            [&](const AlarmEvent& e) { events << e.Describe(); });
    graph.close(); // the reference is the session's: it holds without the window
    int second = 0;
    for (const char* text : {"20.0", "20.4", "22.0"}) {
        SampleRecord record;
        record.TimeText = QStringLiteral("2026/12/06 10:00:0%1").arg(second++);
        record.TextC[0] = QString::fromLatin1(text);
        session.HoldAgainstReference(record);
    }
    QCOMPARE(events, QStringList({"10:00:00 T1 band-out 20.4 (limit 20.5 °C)",
                                  "10:00:00 T1 band-in 22.0 (limit 21.5 °C)"}));
}

// Files with marks and corrected readings beside them: the corrected ones are compared and said
// so, the marks are listed and drawn, and the runs line up at a mark; a run without it is refused.
void TestCompareWindow::marksAndCorrectedReadings() {
    QTemporaryDir dir;
    const QString ref = dir.filePath("ref.4ch");
    const QString run = dir.filePath("run.4ch");
    const QString other = dir.filePath("other.4ch");
    WriteFile(ref, T1File("2013/08/08", {"20.0", "21.0", "22.0"}));
    WriteFile(ref + ".marks", "2013/08/08 14:05:01\t2\t\tload in\n");
    WriteFile(run, T1File("2013/08/09", {"19.0", "20.0", "21.9"}));
    WriteFile(run + ".corrected", "3\t2013/08/09 14:05:02\t21.0\t \t \t \tT1\t\n");
    WriteFile(run + ".marks", "2013/08/09 14:05:02\t3\tT1\tload in\n");
    WriteFile(other, T1File("2013/08/10", {"20.0"}));
    ScriptedDialogs dialogs;
    CompareWindow window(dialogs, nullptr, nullptr);
    QVERIFY(window.AddFiles({ref, run}));
    QCOMPARE(window.CorrectedNotes()->text(), "readings of run.4ch as corrected by calibration: 1");
    QCOMPARE(window.MarkList()->count(), 2);
    QCOMPARE(window.MarkList()->item(1)->text(), "run.4ch: 14:05:02 T1 load in");
    QComboBox* align = window.AlignmentChoice();
    QCOMPARE(align->itemText(3), "align at mark 'load in'");
    align->setCurrentIndex(3);
    auto* grid = window.findChild<QTableWidget*>("GridResult");
    QCOMPARE(Row(grid, 1), "run.4ch|2013/08/09 14:05:00|2.0|0.0|0.0|0.0|0|pass");
    // An upright and a label per mark on the runs' plot.
    QCOMPARE(window.GraphRuns()->itemCount(), 4);
    QVERIFY(!window.AddFiles({other}));
    QCOMPARE(dialogs.Texts(), QStringList{"other.4ch has no mark 'load in'"});
    QCOMPARE(window.RunCount(), 2);
}

QTEST_MAIN(TestCompareWindow)
#include "tst_compare_window.moc"
