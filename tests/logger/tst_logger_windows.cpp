#include "logger/data_list_window.h"
#include "logger/erase_frame.h"
#include "logger/logger_download.h"
#include "logger/logger_frame.h"
#include "logger/logger_memory.h"
#include "logger/manual_list_window.h"
#include "logger/memory_window.h"
#include "meter_rig.h"
#include "recording/data_file.h"
#include "recording/grid_file.h"
#include "support/pdf_text.h"
#include "support/scripted_device.h"
#include "support/scripted_dialogs.h"
#include "views/six_column_table.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

namespace {

// Lets the windows closed meanwhile go, as the event loop would.
void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The main window's part: a panel with the two placeholder frames and the program's objects
// behind it.
struct Rig : MeterRig {
    LoggerMemory memory;
    ScriptedDialogs dialogs;
    QWidget panel;
    QFrame* picLogger = new QFrame(&panel);
    QFrame* picErase = new QFrame(&panel);
    LoggerFrame* loggerFrame = new LoggerFrame(link, memory, dialogs, picLogger);
    EraseFrame* eraseFrame = new EraseFrame(link, dialogs, picErase);

    explicit Rig(const QString& scenario, QIODevice* otherDevice = nullptr, int silenceMs = 400)
        : MeterRig(scenario, otherDevice) {
        LoggerDownload::Limits limits;
        limits.silenceMs = silenceMs;
        loggerFrame->Download().SetLimits(limits);
        panel.show();
    }
    void PressLoggerOK(bool automatic) {
        picLogger->show();
        (automatic ? loggerFrame->OptAuto() : loggerFrame->OptManual())->setChecked(true);
        QTest::mouseClick(loggerFrame->CmdLoggerOK(), Qt::LeftButton);
    }
    MemoryWindow* Memory() const { return loggerFrame->Memory(); }
    QLabel* Label(const QString& name) const { return Memory()->findChild<QLabel*>(name); }
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A meter whose automatic data is `data`: the status reply, the memory size reply and the dump.
QByteArray AnswerWithData(const QByteArray& command, const QByteArray& data) {
    const quint32 address = quint32(8192 + data.size());
    if (command == "A")
        return QByteArray("\x02", 1) + char(address >> 16) + char(address >> 8) + char(address) +
               Hex("00FF03");
    if (command == QByteArray("Y\0", 2))
        return Hex("020803");
    if (command == "R")
        return Hex("02000000") + data + Hex("03");
    return {};
}

QByteArray SetHeader(int records) {
    return Hex("0055AA00 01 00000000 00000000 0D0808 0E0509 0A") + char(records >> 16) +
           char(records >> 8) + char(records);
}

const char* kTwoSets = "set start 2013/12/31 23:59:55 interval 10 unit F mask 6 types K,J,T,K\n"
                       "record 734 over\n"
                       "record - 330\n"
                       "set start 2014/02/03 04:05:06 interval 1 unit C mask 1 types E,K,K,K\n"
                       "record 320\n";
const char* kOneEntry = "manual at 2013/08/08 14:05:09 values 1 2 3 4\n";

} // namespace

class TestLoggerWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void automaticDownloadListsSets();
    void nothingStored_data();
    void nothingStored();
    void manualDownloadListsEntries();
    void openSetSavesUnitOnShow_data();
    void openSetSavesUnitOnShow();
    void dataListPrintsTableOnShow();
    void erase_data();
    void erase();
    void failedDownloadLeavesNothing_data();
    void failedDownloadLeavesNothing();
    void unreadableMemoryKeepsSets_data();
    void unreadableMemoryKeepsSets();
};

void TestLoggerWindows::automaticDownloadListsSets() {
    Rig rig(QString::fromLatin1(kTwoSets));
    rig.PressLoggerOK(true);

    QVERIFY(rig.picLogger->isHidden());
    MemoryWindow* memory = rig.Memory();
    QVERIFY(memory && memory->isVisible());
    QCOMPARE(memory->windowTitle(), QStringLiteral("Data Logger"));
    QCOMPARE(rig.Label("LblSize")->text(), QStringLiteral("512 K"));
    QCOMPARE(rig.Label("LblRemain")->text(), QStringLiteral("503.9 K"));
    QCOMPARE(rig.Label("LblMessage")->text(), QStringLiteral("100.0% Completed"));
    QVERIFY(memory->findChild<QPushButton*>("CmdCancel")->isHidden());
    QTableWidget* grid = memory->GridSet();
    QCOMPARE(grid->rowCount(), 2);
    QStringList headings, second;
    for (int k = 0; k < 4; ++k) {
        headings << grid->horizontalHeaderItem(k)->text();
        second << grid->item(1, k)->text();
    }
    QCOMPARE(headings, (QStringList{"Set", "    Date----Time", "Intv.", "Rec.s"}));
    QCOMPARE(second, (QStringList{"2", "2014/02/03 04:05:06", "1", "1"}));
    QVERIFY(rig.memory.MemoryOpen);
    QVERIFY(rig.dialogs.messages.isEmpty());

    // While the window is open a second download does nothing but hide the frame.
    const int commands = rig.Commands().size();
    rig.PressLoggerOK(true);
    QVERIFY(rig.picLogger->isHidden());
    QCOMPARE(rig.Commands().size(), commands);
    QCOMPARE(rig.Memory(), memory);

    memory->close();
    QVERIFY(!rig.memory.MemoryOpen);
    DeleteClosedWindows();
    QVERIFY(!rig.Memory());
}

void TestLoggerWindows::nothingStored_data() {
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QVector<QByteArray>>("commands");
    QTest::newRow("automatic") << true << "No Data in Memory"
                               << QVector<QByteArray>{"A", Hex("5900")};
    QTest::newRow("manual") << false << "No Manually Recroded Data in Memoy!"
                            << QVector<QByteArray>{"A"};
}

void TestLoggerWindows::nothingStored() {
    QFETCH(bool, automatic);
    Rig rig(QStringLiteral("unit C\n"));
    rig.memory.Split = SplitSets(SetHeader(0));
    rig.timers.StartBoth();
    rig.PressLoggerOK(automatic);
    QTEST(rig.Commands(), "commands");
    QCOMPARE(rig.dialogs.messages.size(), 1);
    QTEST(rig.dialogs.messages[0].text, "message");
    QCOMPARE(rig.dialogs.messages[0].icon, QMessageBox::Information);
    QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Corvilab"));
    QVERIFY(!rig.loggerFrame->Memory() && !rig.loggerFrame->ManualList());
    QVERIFY(!rig.memory.MemoryOpen && !rig.memory.ManualListOpen);
    QCOMPARE(rig.memory.Sets().size(), 1); // the last download's sets stay
    QVERIFY(rig.timers.Timer1.isActive() && rig.timers.Timer2.isActive());
}

void TestLoggerWindows::manualDownloadListsEntries() {
    Rig rig(QStringLiteral(
        "manual at 2013/08/08 14:05:09 unit C types K,J,K,T values 734 - over 662\n"
        "manual at 2013/08/08 14:06:00 unit F types K,J,K,T values 734 701 -5 under\n"));
    rig.PressLoggerOK(false);
    QPointer<ManualListWindow> list = rig.loggerFrame->ManualList();
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->windowTitle(), QStringLiteral("Manual Record"));
    const SixColumnTable* grid = list->Grid();
    QCOMPARE(grid->Model()->rowCount(), 2);
    QCOMPARE(grid->Model()->Heading(1), QStringLiteral("    Date Time"));
    QVERIFY(rig.memory.ManualListOpen);

    // A second download replaces the window.
    rig.PressLoggerOK(false);
    DeleteClosedWindows();
    QVERIFY(!list);
    QCOMPARE(rig.loggerFrame->ManualList()->Grid()->Model()->rowCount(), 2);
    QVERIFY(rig.memory.ManualListOpen);
    rig.loggerFrame->ManualList()->close();
    QVERIFY(!rig.memory.ManualListOpen);
}

void TestLoggerWindows::openSetSavesUnitOnShow_data() {
    QTest::addColumn<int>("setRow");
    QTest::addColumn<bool>("opensFahrenheit");
    QTest::addColumn<QString>("firstSave");
    QTest::addColumn<QString>("secondSave");
    QTest::newRow("set in °F opens on °F") << 0 << true
                                           << "°F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\t\r\n"
                                              "1\t2013/12/31 23:59:55\t \t73.4\tOver\t \t\r\n"
                                              "2\t2014/01/01 00:00:05\t \t- - -\t33.0\t \t\r\n"
                                           << "°C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\t\r\n"
                                              "1\t2013/12/31 23:59:55\t \t23.0\tOver\t \t\r\n"
                                              "2\t2014/01/01 00:00:05\t \t- - -\t0.5\t \t\r\n";
    QTest::newRow("set in °C opens on °C") << 1 << false
                                           << "°C\tDate Time\tT1 - E\tT2 - K\tT3 - K\tT4 - K\t\r\n"
                                              "1\t2014/02/03 04:05:06\t0.0\t \t \t \t\r\n"
                                           << "°F\tDate Time\tT1 - E\tT2 - K\tT3 - K\tT4 - K\t\r\n"
                                              "1\t2014/02/03 04:05:06\t32.0\t \t \t \t\r\n";
}

void TestLoggerWindows::openSetSavesUnitOnShow() {
    QFETCH(int, setRow);
    QFETCH(bool, opensFahrenheit);
    Rig rig(QString::fromLatin1(kTwoSets));
    rig.PressLoggerOK(true);
    MemoryWindow* memory = rig.Memory();
    rig.timers.StartBoth();
    bool timersOff = false;
    QTableWidget* grid = memory->GridSet();
    QTimer::singleShot(0, [&] { timersOff = !rig.timers.Timer1.isActive(); });
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->item(setRow, 2)).center());
    QVERIFY(timersOff);
    QVERIFY(rig.timers.Timer1.isActive() && rig.timers.Timer2.isActive());

    DataListWindow* list = memory->DataList();
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->windowTitle(), QStringLiteral("Data List"));
    QCOMPARE(list->ShowingFahrenheit(), opensFahrenheit);
    QCOMPARE(list->GridF()->isVisible(), opensFahrenheit);

    QTemporaryDir dir;
    const QString first = dir.filePath("first.4ch");
    const QString second = dir.filePath("second.4ch");
    rig.dialogs.fileAnswers = {first, second};
    QAction* save = list->Toolbar()->findChild<QAction*>("Save");
    QAction* cf = list->Toolbar()->findChild<QAction*>("CF");
    save->trigger();
    QFETCH(QString, firstSave);
    QCOMPARE(ReadAll(first), EncodeWindows1252(firstSave));
    cf->trigger();
    QCOMPARE(list->ShowingFahrenheit(), !opensFahrenheit);
    save->trigger();
    QFETCH(QString, secondSave);
    QCOMPARE(ReadAll(second), EncodeWindows1252(secondSave));
    QCOMPARE(list->windowTitle(), QStringLiteral("Data List"));

    // "CF" twice shows the first table again; a cancelled Save writes nothing.
    cf->trigger();
    QCOMPARE(list->ShowingFahrenheit(), opensFahrenheit);
    save->trigger();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    // Opening another set replaces the list.
    QPointer<DataListWindow> old = list;
    QVERIFY(memory->OpenSet(1 - setRow));
    DeleteClosedWindows();
    QVERIFY(!old);
    QCOMPARE(memory->DataList()->ShowingFahrenheit(), !opensFahrenheit);
}

void TestLoggerWindows::dataListPrintsTableOnShow() {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext is not installed");
    Rig rig(QString::fromLatin1(kTwoSets));
    rig.PressLoggerOK(true);
    QVERIFY(rig.Memory()->OpenSet(0));
    DataListWindow* list = rig.Memory()->DataList();
    list->ToggleUnit(); // the °C table of a set recorded in °F
    QTemporaryDir dir;
    rig.dialogs.printToPdf = dir.filePath("list.pdf");
    rig.timers.StartBoth();
    list->Toolbar()->findChild<QAction*>("Print")->trigger();

    // As the saved-file list prints: the note, then the table's lines.
    QCOMPARE(rig.dialogs.messages.size(), 1);
    QVERIFY(rig.dialogs.messages[0].text.startsWith(QStringLiteral("Note\nThe effect")));
    const QStringList expected = Simplified(PrintGridLines(*list->GridC()->Model()));
    QCOMPARE(expected.size(), 4);
    QCOMPARE(expected[2], QStringLiteral("1 2013/12/31 23:59:55 23.0 Over"));
    QCOMPARE(PdfLines(rig.dialogs.printToPdf), expected);
    QCOMPARE(list->windowTitle(), QStringLiteral("Data List"));
    QVERIFY(rig.timers.Timer1.isActive() && rig.timers.Timer2.isActive());
}

void TestLoggerWindows::erase_data() {
    QTest::addColumn<QString>("from"); // a label of Memory, "ManualList" or "PicErase"
    QTest::addColumn<bool>("manual");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QVector<QByteArray>>("sent");
    const QVector<QByteArray> automatic{"A", Hex("57000002")}, manual{"A", Hex("57000001")};
    QTest::newRow("Memory free space, OK") << "LblRemain" << false << QMessageBox::Ok << automatic;
    QTest::newRow("Memory free space panel, OK")
        << "SSPanelRemain" << false << QMessageBox::Ok << automatic;
    QTest::newRow("Memory free space, Cancel")
        << "LblRemain" << false << QMessageBox::Cancel << QVector<QByteArray>{};
    QTest::newRow("manual list, OK") << "ManualList" << true << QMessageBox::Ok << manual;
    QTest::newRow("manual list, Cancel")
        << "ManualList" << true << QMessageBox::Cancel << QVector<QByteArray>{};
    QTest::newRow("erase frame, automatic, OK")
        << "PicErase" << false << QMessageBox::Ok << automatic;
    QTest::newRow("erase frame, manual, OK") << "PicErase" << true << QMessageBox::Ok << manual;
    QTest::newRow("erase frame, manual, Cancel")
        << "PicErase" << true << QMessageBox::Cancel << QVector<QByteArray>{};
}

void TestLoggerWindows::erase() {
    QFETCH(QString, from);
    QFETCH(bool, manual);
    QFETCH(QMessageBox::StandardButton, answer);
    Rig rig(QString::fromLatin1(kTwoSets) + QString::fromLatin1(kOneEntry));
    QPointer<QWidget> window; // closed by the erase, whatever the answer
    if (from == QLatin1String("PicErase")) {
        QVERIFY(rig.eraseFrame->EraseAuto()->isChecked());
        rig.picErase->show();
        (manual ? rig.eraseFrame->EraseManual() : rig.eraseFrame->EraseAuto())->setChecked(true);
    } else {
        rig.PressLoggerOK(!manual);
        window = manual ? static_cast<QWidget*>(rig.loggerFrame->ManualList()) : rig.Memory();
        rig.device.Protocol().ClearCommandLog();
    }
    rig.dialogs.buttonAnswers = {answer};
    rig.timers.StartBoth();
    bool samplingKept = true; // the erase leaves the sampling timer alone
    connect(&rig.device, &QIODevice::bytesWritten, &rig.panel,
            [&] { samplingKept &= rig.timers.Timer2.isActive(); });
    if (from == QLatin1String("PicErase"))
        QTest::mouseClick(rig.eraseFrame->CmdEraseOK(), Qt::LeftButton);
    else if (manual)
        rig.loggerFrame->ManualList()->Toolbar()->findChild<QAction*>("Erase")->trigger();
    else
        QTest::mouseClick(rig.Memory()->findChild<QLabel*>(from), Qt::LeftButton);
    QTest::qWait(50);

    QTEST(rig.Commands(), "sent");
    QCOMPARE(rig.dialogs.messages.size(), 1);
    QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Warning"));
    QCOMPARE(rig.dialogs.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(rig.dialogs.messages[0].text,
             QStringLiteral("All the %1 Recorded data in memory will be deleted!")
                 .arg(manual ? "Manually" : "Automatically"));
    QVERIFY(from != QLatin1String("PicErase") || rig.picErase->isHidden());
    QVERIFY(samplingKept && rig.timers.Timer1.isActive());
    DeleteClosedWindows();
    QVERIFY(!window);
    QVERIFY(!rig.memory.MemoryOpen && !rig.memory.ManualListOpen);
}

void TestLoggerWindows::failedDownloadLeavesNothing_data() {
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<bool>("streaming"); // live packets come after the cut
    QTest::addColumn<bool>("cancel");    // the user clicks "Cancel" while the dump stalls
    QTest::addColumn<QString>("message");
    const QString cut = QStringLiteral("The meter stopped sending after 20 of");
    QTest::newRow("manual, meter silent") << false << false << false << cut;
    QTest::newRow("automatic, live packets after the cut") << true << true << false << cut;
    QTest::newRow("automatic, cancelled") << true << false << true << QString();
}

void TestLoggerWindows::failedDownloadLeavesNothing() {
    QFETCH(bool, automatic);
    QFETCH(bool, streaming);
    QFETCH(bool, cancel);
    Rig rig(QString::fromLatin1(kTwoSets) + QString::fromLatin1(kOneEntry), nullptr,
            cancel ? 60000 : 400);
    rig.device.Protocol().CutNextDump(20);
    rig.device.Protocol().SetStreaming(streaming);
    rig.timers.StartBoth();
    QPointer<QWidget> shown;
    connect(&rig.loggerFrame->Download(), &LoggerDownload::Progress, &rig.panel, [&] {
        if (shown)
            return;
        shown = automatic ? static_cast<QWidget*>(rig.Memory()) : rig.loggerFrame->ManualList();
        if (cancel) {
            QTimer::singleShot(100, &rig.panel, [&] {
                QPushButton* button = rig.Memory()->findChild<QPushButton*>("CmdCancel");
                QVERIFY(button->isVisible());
                QTest::mouseClick(button, Qt::LeftButton);
            });
        }
    });
    rig.PressLoggerOK(automatic);
    QVERIFY(shown); // the window showed during the transfer
    DeleteClosedWindows();
    QVERIFY(!shown);
    QVERIFY(!rig.memory.MemoryOpen && !rig.memory.ManualListOpen);
    QVERIFY(rig.memory.Sets().isEmpty() && rig.memory.ManualEntries.isEmpty());
    QFETCH(QString, message);
    QCOMPARE(rig.dialogs.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(rig.dialogs.messages[0].icon, QMessageBox::Critical);
        QVERIFY(rig.dialogs.messages[0].text.startsWith(message));
    }
    QVERIFY(rig.timers.Timer1.isActive() && rig.timers.Timer2.isActive());
}

void TestLoggerWindows::unreadableMemoryKeepsSets_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("lastRow");
    QTest::addColumn<QString>("message");
    const QByteArray set = SetHeader(2) + Hex("0100000740") + Hex("0100000741");
    QTest::newRow("marker missing after the first set")
        << set + Hex("00AA5500 0102030405") << QStringList{"1", "2013/08/08 14:05:09", "10", "2"}
        << "The logger data after byte 33 of 42 could not be read; only the sets before it are "
           "listed.";
    QTest::newRow("second set cut short")
        << set + SetHeader(3) + Hex("0100000740 01000007")
        << QStringList{"2", "2013/08/08 14:05:09", "10", "1"}
        << "Set 2 ends after 1 of its 3 records; the rest was not in the logger data.";
}

void TestLoggerWindows::unreadableMemoryKeepsSets() {
    QFETCH(QByteArray, data);
    ScriptedDevice meter;
    meter.answer = [&](const QByteArray& command) { return AnswerWithData(command, data); };
    Rig rig(QString(), &meter);
    rig.PressLoggerOK(true);
    QTableWidget* grid = rig.Memory()->GridSet();
    QStringList lastRow;
    for (int k = 0; k < 4; ++k)
        lastRow << grid->item(grid->rowCount() - 1, k)->text();
    QTEST(lastRow, "lastRow");
    QCOMPARE(rig.dialogs.messages.size(), 1);
    QTEST(rig.dialogs.messages[0].text, "message");
    // The sets that were read open as usual.
    QVERIFY(rig.Memory()->OpenSet(grid->rowCount() - 1));
    QCOMPARE(rig.Memory()->DataList()->GridC()->Model()->rowCount(), lastRow[3].toInt());
}

QTEST_MAIN(TestLoggerWindows)
#include "tst_logger_windows.moc"
