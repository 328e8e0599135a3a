#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "logger/data_list_window.h"
#include "logger/erase_frame.h"
#include "logger/logger_download.h"
#include "logger/logger_frame.h"
#include "logger/logger_memory.h"
#include "logger/manual_list_window.h"
#include "logger/memory_window.h"
#include "recording/data_file.h"
#include "sim/meter_scenario.h"
#include "sim/simulated_meter_device.h"
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

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

// Lets the windows closed meanwhile go, as the event loop would.
void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The main window's part: a panel with the two placeholder frames, the program's objects
// behind it, and a simulated meter in fast mode on the line.
struct Rig {
    SystemClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link{clock, timers, live};
    SimulatedMeterDevice device;
    LoggerMemory memory;
    ScriptedDialogs dialogs;
    QWidget panel;
    QFrame* picLogger = new QFrame(&panel);
    QFrame* picErase = new QFrame(&panel);
    LoggerFrame* loggerFrame = new LoggerFrame(link, memory, dialogs, picLogger);
    EraseFrame* eraseFrame = new EraseFrame(link, dialogs, picErase);

    explicit Rig(const QString& scenario, QIODevice* otherDevice = nullptr) {
        device.SetFast(true);
        if (const QString error = LoadScenario(scenario, device.Model()); !error.isEmpty())
            qFatal("scenario: %s", qPrintable(error));
        device.open(QIODevice::ReadWrite);
        link.SetDevice(otherDevice ? otherDevice : &device, QStringLiteral("SIM"));
        link.LinkLost = false;
        LoggerDownload::Limits limits;
        limits.silenceMs = 400;
        loggerFrame->Download().SetLimits(limits);
        panel.show();
    }
    QVector<QByteArray> Commands() { return device.Protocol().ReceivedCommands(); }
    void PressLoggerOK(bool automatic) {
        picLogger->show();
        (automatic ? loggerFrame->OptAuto() : loggerFrame->OptManual())->setChecked(true);
        QTest::mouseClick(loggerFrame->CmdLoggerOK(), Qt::LeftButton);
    }
    MemoryWindow* Memory() const { return loggerFrame->Memory(); }
    QString Text(const QString& labelName) const {
        return Memory()->findChild<QLabel*>(labelName)->text();
    }
};

QStringList Row(const SixColumnTable* table, int row) {
    const DataFields f = table->Model()->RowTexts(row);
    return QStringList(f.begin(), f.end());
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Cp1252(const QString& text) {
    return EncodeWindows1252(text);
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
    void dataListPrints();
    void eraseFromMemoryWindow_data();
    void eraseFromMemoryWindow();
    void eraseFrame_data();
    void eraseFrame();
    void manualListErase_data();
    void manualListErase();
    void failedDownloadLeavesNothing_data();
    void failedDownloadLeavesNothing();
    void cancelButtonEndsDownload();
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
    QCOMPARE(rig.Text("LblSize"), QStringLiteral("512 K"));
    QCOMPARE(rig.Text("LblRemain"), QStringLiteral("503.9 K"));
    QCOMPARE(rig.Text("LblMessage"), QStringLiteral("100.0% Completed"));
    QVERIFY(!memory->findChild<QPushButton*>("CmdCompare")->isEnabled());
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
    QTest::newRow("automatic") << true << "No Data in Memory";
    QTest::newRow("manual") << false << "No Manually Recroded Data in Memoy!";
}

void TestLoggerWindows::nothingStored() {
    QFETCH(bool, automatic);
    Rig rig(QStringLiteral("unit C\n"));
    rig.timers.StartBoth();
    rig.PressLoggerOK(automatic);
    QCOMPARE(rig.dialogs.messages.size(), 1);
    QTEST(rig.dialogs.messages[0].text, "message");
    QCOMPARE(rig.dialogs.messages[0].icon, QMessageBox::Information);
    QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Corvilab"));
    QVERIFY(!rig.loggerFrame->Memory());
    QVERIFY(!rig.loggerFrame->ManualList());
    QVERIFY(!rig.memory.MemoryOpen);
    QVERIFY(!rig.memory.ManualListOpen);
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
    QCOMPARE(grid->objectName(), QStringLiteral("Grid"));
    QCOMPARE(grid->Model()->rowCount(), 2);
    QCOMPARE(Row(grid, 0), (QStringList{"°C", "2013/08/08 14:05:09", "K: 23.0", "J: - - -",
                                        "K: Over", "T: 19.0"}));
    QCOMPARE(Row(grid, 1), (QStringList{"°F", "2013/08/08 14:06:00", "K: 73.4", "J: 70.1",
                                        "K: -0.5", "T: Under"}));
    QCOMPARE(grid->Model()->Heading(1), QStringLiteral("    Date Time"));
    QVERIFY(rig.memory.ManualListOpen);

    // A second download replaces the window.
    rig.PressLoggerOK(false);
    DeleteClosedWindows();
    QVERIFY(!list);
    QVERIFY(rig.loggerFrame->ManualList());
    QCOMPARE(rig.loggerFrame->ManualList()->Grid()->Model()->rowCount(), 2);
    QVERIFY(rig.memory.ManualListOpen);
    rig.loggerFrame->ManualList()->close();
    QVERIFY(!rig.memory.ManualListOpen);
}

void TestLoggerWindows::openSetSavesUnitOnShow_data() {
    QTest::addColumn<int>("setRow");
    QTest::addColumn<bool>("opensFahrenheit");
    QTest::addColumn<QByteArray>("firstSave");
    QTest::addColumn<QByteArray>("secondSave");
    const QByteArray fahrenheit =
        Cp1252(QStringLiteral("°F\tDate Time\tT1 - K\tT2 - J\tT3 - T\t"
                              "T4 - K\t\r\n"
                              "1\t2013/12/31 23:59:55\t \t73.4\tOver\t \t\r\n"
                              "2\t2014/01/01 00:00:05\t \t- - -\t33.0\t \t\r\n"));
    const QByteArray celsius =
        Cp1252(QStringLiteral("°C\tDate Time\tT1 - K\tT2 - J\tT3 - T\t"
                              "T4 - K\t\r\n"
                              "1\t2013/12/31 23:59:55\t \t23.0\tOver\t \t\r\n"
                              "2\t2014/01/01 00:00:05\t \t- - -\t0.5\t \t\r\n"));
    QTest::newRow("set in °F opens on °F") << 0 << true << fahrenheit << celsius;
    QTest::newRow("set in °C opens on °C")
        << 1 << false
        << Cp1252(QStringLiteral("°C\tDate Time\tT1 - E\tT2 - K\tT3 - K\tT4 - K\t\r\n"
                                 "1\t2014/02/03 04:05:06\t0.0\t \t \t \t\r\n"))
        << Cp1252(QStringLiteral("°F\tDate Time\tT1 - E\tT2 - K\tT3 - K\tT4 - K\t\r\n"
                                 "1\t2014/02/03 04:05:06\t32.0\t \t \t \t\r\n"));
}

void TestLoggerWindows::openSetSavesUnitOnShow() {
    QFETCH(int, setRow);
    QFETCH(bool, opensFahrenheit);
    Rig rig(QString::fromLatin1(kTwoSets));
    rig.PressLoggerOK(true);
    MemoryWindow* memory = rig.Memory();
    QVERIFY(memory);
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
    QCOMPARE(list->GridC()->isVisible(), !opensFahrenheit);

    QTemporaryDir dir;
    const QString first = dir.filePath("first.4ch");
    const QString second = dir.filePath("second.4ch");
    rig.dialogs.fileAnswers = {first, second};
    QAction* save = list->Toolbar()->findChild<QAction*>("Save");
    QAction* cf = list->Toolbar()->findChild<QAction*>("CF");
    QCOMPARE(save->toolTip(), QStringLiteral("Save As"));
    QCOMPARE(cf->toolTip(), QStringLiteral("Celsius / Fahrenheit"));
    save->trigger();
    QTEST(ReadAll(first), "firstSave");
    cf->trigger();
    QCOMPARE(list->ShowingFahrenheit(), !opensFahrenheit);
    save->trigger();
    QTEST(ReadAll(second), "secondSave");
    QCOMPARE(list->windowTitle(), QStringLiteral("Data List"));

    // Saved blank cells read back under their own channels.
    QList<DataFields> lines;
    ReadDataFile(first, [&](qint64, const DataFields& f) {
        lines.append(f);
        return true;
    });
    QCOMPARE(lines.size(), list->GridC()->Model()->rowCount() + 1);
    const SixColumnTable* opened = opensFahrenheit ? list->GridF() : list->GridC();
    QCOMPARE(lines.at(1), opened->Model()->RowTexts(0));

    // "CF" twice shows the first table again, rows unchanged; a cancelled Save writes nothing.
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

void TestLoggerWindows::dataListPrints() {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext is not installed");
    Rig rig(QString::fromLatin1(kTwoSets));
    rig.PressLoggerOK(true);
    QVERIFY(rig.Memory()->OpenSet(0));
    QTemporaryDir dir;
    rig.dialogs.printToPdf = dir.filePath("list.pdf");
    rig.Memory()->DataList()->Print();
    QCOMPARE(rig.dialogs.messages.size(), 1);
    QVERIFY(rig.dialogs.messages[0].text.startsWith(QStringLiteral("Note\rThe effect")));
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", rig.dialogs.printToPdf, "-"});
    QVERIFY(pdftotext.waitForFinished(10000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    QVERIFY2(text.contains(QRegularExpression("1 +2013/12/31 23:59:55 +73\\.4 +Over")),
             qPrintable(text));
    QVERIFY(text.contains(QString(62, QLatin1Char('-'))));
}

void TestLoggerWindows::eraseFromMemoryWindow_data() {
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QVector<QByteArray>>("sent");
    QTest::newRow("OK on the free space")
        << QMessageBox::Ok << "LblRemain" << QVector<QByteArray>{"A", Hex("57000002")};
    QTest::newRow("OK on its panel")
        << QMessageBox::Ok << "SSPanelRemain" << QVector<QByteArray>{"A", Hex("57000002")};
    QTest::newRow("Cancel") << QMessageBox::Cancel << "LblRemain" << QVector<QByteArray>{};
}

void TestLoggerWindows::eraseFromMemoryWindow() {
    QFETCH(QString, clicked);
    Rig rig(QString::fromLatin1(kTwoSets));
    rig.PressLoggerOK(true);
    QPointer<MemoryWindow> memory = rig.Memory();
    rig.device.Protocol().ClearCommandLog();
    QFETCH(QMessageBox::StandardButton, answer);
    rig.dialogs.buttonAnswers = {answer};
    QTest::mouseClick(memory->findChild<QLabel*>(clicked), Qt::LeftButton);
    QTest::qWait(50);
    QTEST(rig.Commands(), "sent");
    QCOMPARE(rig.dialogs.messages.size(), 1);
    QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Warning"));
    QCOMPARE(rig.dialogs.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(rig.dialogs.messages[0].text,
             QStringLiteral("All the Automatically Recorded data in memory will be deleted!"));
    DeleteClosedWindows();
    QVERIFY(!memory);
    QVERIFY(!rig.memory.MemoryOpen);
}

void TestLoggerWindows::eraseFrame_data() {
    QTest::addColumn<bool>("manual");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QVector<QByteArray>>("sent");
    QTest::addColumn<QString>("warning");
    const QString autoText = "All the Automatically Recorded data in memory will be deleted!";
    const QString manualText = "All the Manually Recorded data in memory will be deleted!";
    QTest::newRow("automatic, OK")
        << false << QMessageBox::Ok << QVector<QByteArray>{"A", Hex("57000002")} << autoText;
    QTest::newRow("manual, OK") << true << QMessageBox::Ok
                                << QVector<QByteArray>{"A", Hex("57000001")} << manualText;
    QTest::newRow("manual, Cancel")
        << true << QMessageBox::Cancel << QVector<QByteArray>{} << manualText;
}

void TestLoggerWindows::eraseFrame() {
    QFETCH(bool, manual);
    QFETCH(QMessageBox::StandardButton, answer);
    Rig rig(QStringLiteral("set start 2013/08/08 14:05:09 mask 1\nrecord 700\n"
                           "manual at 2013/08/08 14:05:09 values 1 2 3 4\n"));
    QVERIFY(rig.eraseFrame->EraseAuto()->isChecked());
    rig.picErase->show();
    (manual ? rig.eraseFrame->EraseManual() : rig.eraseFrame->EraseAuto())->setChecked(true);
    rig.dialogs.buttonAnswers = {answer};
    QTest::mouseClick(rig.eraseFrame->CmdEraseOK(), Qt::LeftButton);
    QTest::qWait(50);
    QTEST(rig.Commands(), "sent");
    QTEST(rig.dialogs.Texts().value(0), "warning");
    QVERIFY(rig.picErase->isHidden());
}

void TestLoggerWindows::manualListErase_data() {
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QVector<QByteArray>>("sent");
    QTest::newRow("OK") << QMessageBox::Ok << QVector<QByteArray>{"A", Hex("57000001")};
    QTest::newRow("Cancel") << QMessageBox::Cancel << QVector<QByteArray>{};
}

void TestLoggerWindows::manualListErase() {
    Rig rig(QStringLiteral("manual at 2013/08/08 14:05:09 values 1 2 3 4\n"));
    rig.PressLoggerOK(false);
    QPointer<ManualListWindow> list = rig.loggerFrame->ManualList();
    QVERIFY(list);
    rig.device.Protocol().ClearCommandLog();
    QFETCH(QMessageBox::StandardButton, answer);
    rig.dialogs.buttonAnswers = {answer};
    QAction* erase = list->Toolbar()->findChild<QAction*>("Erase");
    QCOMPARE(erase->toolTip(), QStringLiteral("Erase Manually Recorded Data"));
    erase->trigger();
    QTest::qWait(50);
    QTEST(rig.Commands(), "sent");
    DeleteClosedWindows();
    QVERIFY(!list);
    QVERIFY(!rig.memory.ManualListOpen);
}

void TestLoggerWindows::failedDownloadLeavesNothing_data() {
    QTest::addColumn<bool>("automatic");
    QTest::newRow("automatic") << true;
    QTest::newRow("manual") << false;
}

void TestLoggerWindows::failedDownloadLeavesNothing() {
    QFETCH(bool, automatic);
    Rig rig(QString::fromLatin1(kTwoSets) +
            QStringLiteral("manual at 2013/08/08 14:05:09 values 1 2 3 4\n"));
    rig.device.Protocol().CutNextDump(20);
    rig.device.Protocol().SetStreaming(false);
    rig.timers.StartBoth();
    QPointer<QWidget> shown;
    connect(&rig.loggerFrame->Download(), &LoggerDownload::Progress, [&] {
        shown = automatic ? static_cast<QWidget*>(rig.loggerFrame->Memory())
                          : static_cast<QWidget*>(rig.loggerFrame->ManualList());
    });
    rig.PressLoggerOK(automatic);
    QVERIFY(shown); // the window showed during the transfer
    DeleteClosedWindows();
    QVERIFY(!shown);
    QVERIFY(!rig.memory.MemoryOpen);
    QVERIFY(!rig.memory.ManualListOpen);
    QCOMPARE(rig.dialogs.messages.size(), 1);
    QCOMPARE(rig.dialogs.messages[0].icon, QMessageBox::Critical);
    QVERIFY(rig.dialogs.messages[0].text.startsWith(
        QStringLiteral("The meter stopped sending after 20 of")));
    QVERIFY(rig.timers.Timer1.isActive() && rig.timers.Timer2.isActive());
}

void TestLoggerWindows::cancelButtonEndsDownload() {
    Rig rig(QString::fromLatin1(kTwoSets));
    LoggerDownload::Limits limits;
    limits.silenceMs = 60000;
    rig.loggerFrame->Download().SetLimits(limits);
    rig.device.Protocol().CutNextDump(20);
    rig.device.Protocol().SetStreaming(false);
    connect(
        &rig.loggerFrame->Download(), &LoggerDownload::Progress, this,
        [&] {
            QTimer::singleShot(100, [&] {
                QPushButton* cancel = rig.Memory()->findChild<QPushButton*>("CmdCancel");
                QVERIFY(cancel->isVisible());
                QTest::mouseClick(cancel, Qt::LeftButton);
            });
        },
        Qt::SingleShotConnection);
    rig.PressLoggerOK(true);
    DeleteClosedWindows();
    QVERIFY(!rig.Memory());
    QVERIFY(!rig.memory.MemoryOpen);
    QVERIFY(rig.dialogs.messages.isEmpty());
    QVERIFY(rig.memory.Sets().isEmpty());
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
