#include "logger/data_list_window.h"
#include "logger/erase_frame.h"
#include "logger/logger_download.h"
#include "logger/logger_frame.h"
#include "logger/logger_memory.h"
#include "logger/manual_list_window.h"
#include "logger/memory_window.h"
#include "meter_rig.h"
#include "recording/csv_export.h"
#include "recording/data_file.h"
#include "support/closed_windows.h"
#include "support/scripted_device.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"
#include "views/six_column_table.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

namespace {

using Commands = QVector<QByteArray>;

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
        (automatic ? loggerFrame->AutomaticOption() : loggerFrame->ManualOption())
            ->setChecked(true);
        QTest::mouseClick(loggerFrame->OkButton(), Qt::LeftButton);
    }
    MemoryWindow* Memory() const { return loggerFrame->Memory(); }
    bool NothingOpen() const {
        return !memory.MemoryOpen() && !memory.ManualListOpen() && !Memory() &&
               !loggerFrame->ManualList();
    }
    bool TimersOn() const {
        return timers.PollingTimer().isActive() && timers.SamplingTimer().isActive();
    }
    QStringList Messages() const {
        QStringList out;
        for (const auto& m : dialogs.messages)
            out << m.title + ": " + m.text;
        return out;
    }
};

QStringList SetRow(const QTableWidget* grid, int row) {
    QStringList cells;
    for (int k = 0; k < 4; ++k)
        cells << grid->item(row, k)->text();
    return cells;
}

QByteArray SetHeader(int records) {
    return Hex("0055AA00 01 00000000 00000000 0D0808 0E0509 0A") + char(records >> 16) +
           char(records >> 8) + char(records);
}

const char* kTwoSets = "set start 2013/12/31 23:59:55 interval 10 unit F mask 6 types K,J,T,K\n"
                       "record 734 over\n"
                       "record - 330\n"
                       "set start 2014/02/03 04:05:06 interval 1 unit C mask 1 types E,K,K,K\n"
                       "record 320\n"
                       "manual at 2013/08/08 14:05:09 values 1 2 3 4\n";

} // namespace

class TestLoggerWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void automaticDownloadListsSets() {
        Rig rig(QString::fromLatin1(kTwoSets));
        rig.PressLoggerOK(true);
        QVERIFY(rig.picLogger->isHidden());
        MemoryWindow* memory = rig.Memory();
        QVERIFY(memory && memory->isVisible() && rig.memory.MemoryOpen());
        QCOMPARE(memory->findChild<QLabel*>("LblRemain")->text(), QStringLiteral("503.9 K"));
        QVERIFY(memory->findChild<QPushButton*>("CmdCancel")->isHidden());
        QCOMPARE(memory->SetTable()->rowCount(), 2);
        QVERIFY(rig.dialogs.messages.isEmpty());
        // While the window is open a second download does nothing but hide the frame.
        const int commands = rig.Commands().size();
        rig.PressLoggerOK(true);
        QVERIFY(rig.picLogger->isHidden());
        QCOMPARE(rig.Commands().size(), commands);
        QCOMPARE(rig.Memory(), memory);
        memory->close();
        DeleteClosedWindows();
        QVERIFY(rig.NothingOpen());
    }

    void manualDownloadReplacesList() {
        Rig rig(QStringLiteral(
            "manual at 2013/08/08 14:05:09 unit C types K,J,K,T values 734 - over 662\n"
            "manual at 2013/08/08 14:06:00 unit F types K,J,K,T values 734 701 -5 under\n"));
        rig.PressLoggerOK(false);
        QPointer<ManualListWindow> list = rig.loggerFrame->ManualList();
        QVERIFY(list && list->isVisible() && rig.memory.ManualListOpen());
        QCOMPARE(list->Grid()->Model()->rowCount(), 2);
        rig.PressLoggerOK(false);
        DeleteClosedWindows();
        QVERIFY(!list);
        QCOMPARE(rig.loggerFrame->ManualList()->Grid()->Model()->rowCount(), 2);
        QVERIFY(rig.memory.ManualListOpen());
        rig.loggerFrame->ManualList()->close();
        QVERIFY(!rig.memory.ManualListOpen());
    }

    void openSetSavesUnitOnShow_data() {
        QTest::addColumn<int>("setRow");
        QTest::addColumn<bool>("opensFahrenheit");
        QTest::addColumn<QString>("firstSave");
        QTest::addColumn<QString>("secondSave");
        QTest::newRow("set in °F opens on °F")
            << 0 << true
            << "°F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\t\r\n"
               "1\t2013/12/31 23:59:55\t \t73.4\tOver\t \t\r\n"
               "2\t2014/01/01 00:00:05\t \t- - -\t33.0\t \t\r\n"
            << "°C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\t\r\n"
               "1\t2013/12/31 23:59:55\t \t23.0\tOver\t \t\r\n"
               "2\t2014/01/01 00:00:05\t \t- - -\t0.5\t \t\r\n";
        QTest::newRow("set in °C opens on °C")
            << 1 << false
            << "°C\tDate Time\tT1 - E\tT2 - K\tT3 - K\tT4 - K\t\r\n"
               "1\t2014/02/03 04:05:06\t0.0\t \t \t \t\r\n"
            << "°F\tDate Time\tT1 - E\tT2 - K\tT3 - K\tT4 - K\t\r\n"
               "1\t2014/02/03 04:05:06\t32.0\t \t \t \t\r\n";
    }
    void openSetSavesUnitOnShow() {
        QFETCH(int, setRow);
        QFETCH(bool, opensFahrenheit);
        Rig rig(QString::fromLatin1(kTwoSets));
        rig.PressLoggerOK(true);
        MemoryWindow* memory = rig.Memory();
        rig.timers.StartBoth();
        // Listing a set is the program's own work: polling and sampling go on meanwhile.
        bool timersOnWhileListing = false;
        QTableWidget* grid = memory->SetTable();
        QTimer::singleShot(0, [&] { timersOnWhileListing = rig.TimersOn(); });
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualItemRect(grid->item(setRow, 2)).center());
        QVERIFY(timersOnWhileListing && rig.TimersOn());
        DataListWindow* list = memory->DataList();
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->ShowingFahrenheit(), opensFahrenheit);
        QCOMPARE(list->FahrenheitTable()->isVisible(), opensFahrenheit);

        QTemporaryDir dir;
        const QString first = dir.filePath("first.4ch"), second = dir.filePath("second.4ch");
        rig.dialogs.fileAnswers = {first, second};
        QAction* save = list->Toolbar()->findChild<QAction*>("Save");
        QAction* cf = list->Toolbar()->findChild<QAction*>("CF");
        save->trigger();
        cf->trigger();
        save->trigger();
        QFETCH(QString, firstSave);
        QFETCH(QString, secondSave);
        QCOMPARE(FileBytes(first), EncodeWindows1252(firstSave));
        QCOMPARE(FileBytes(second), EncodeWindows1252(secondSave));
        // "CF" twice shows the first table again; a cancelled Save writes nothing.
        cf->trigger();
        QCOMPARE(list->ShowingFahrenheit(), opensFahrenheit);
        save->trigger();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        // "Export CSV..." writes the table on show as the converter writes its saved file.
        rig.dialogs.fileAnswers = {dir.filePath("first.csv")};
        list->Toolbar()->findChild<QAction*>("ExportCsv")->trigger();
        QCOMPARE(FileBytes(dir.filePath("first.csv")), ConvertDataFileToCsv(first, "\r\n").csv);
        // Opening another set replaces the list.
        QPointer<DataListWindow> old = list;
        QVERIFY(memory->OpenSet(1 - setRow));
        DeleteClosedWindows();
        QVERIFY(!old);
        QCOMPARE(memory->DataList()->ShowingFahrenheit(), !opensFahrenheit);
    }

    void erase_data() {
        QTest::addColumn<QString>("from"); // a label of Memory, "ManualList" or "PicErase"
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<Commands>("sent");
        const Commands automatic{"A", Hex("57000002")}, manual{"A", Hex("57000001")}, none;
        const auto row = [](const char* from, bool manual, QMessageBox::StandardButton answer,
                            const Commands& sent) {
            QTest::addRow("%s, %s, %s", from, manual ? "manual" : "automatic",
                          answer == QMessageBox::Ok ? "OK" : "Cancel")
                << from << manual << answer << sent;
        };
        row("LblRemain", false, QMessageBox::Ok, automatic);
        row("SSPanelRemain", false, QMessageBox::Ok, automatic);
        row("LblRemain", false, QMessageBox::Cancel, none);
        row("ManualList", true, QMessageBox::Ok, manual);
        row("ManualList", true, QMessageBox::Cancel, none);
        row("PicErase", false, QMessageBox::Ok, automatic);
        row("PicErase", true, QMessageBox::Ok, manual);
        row("PicErase", true, QMessageBox::Cancel, none);
    }
    void erase() {
        QFETCH(QString, from);
        QFETCH(bool, manual);
        QFETCH(QMessageBox::StandardButton, answer);
        Rig rig(QString::fromLatin1(kTwoSets));
        const bool frame = from == QLatin1String("PicErase");
        QPointer<QWidget> window; // closed by the erase, whatever the answer
        if (frame) {
            QVERIFY(rig.eraseFrame->AutomaticOption()->isChecked());
            rig.picErase->show();
            (manual ? rig.eraseFrame->ManualOption() : rig.eraseFrame->AutomaticOption())
                ->setChecked(true);
        } else {
            rig.PressLoggerOK(!manual);
            window = manual ? static_cast<QWidget*>(rig.loggerFrame->ManualList()) : rig.Memory();
            rig.device.Protocol().ClearCommandLog();
        }
        rig.dialogs.buttonAnswers = {answer};
        rig.timers.StartBoth();
        bool samplingKept = true; // the erase leaves the sampling timer alone
        connect(&rig.device, &QIODevice::bytesWritten, &rig.panel,
                [&] { samplingKept &= rig.timers.SamplingTimer().isActive(); });
        if (frame)
            QTest::mouseClick(rig.eraseFrame->OkButton(), Qt::LeftButton);
        else if (manual)
            rig.loggerFrame->ManualList()->Toolbar()->findChild<QAction*>("Erase")->trigger();
        else
            QTest::mouseClick(rig.Memory()->findChild<QLabel*>(from), Qt::LeftButton);
        QTest::qWait(50);

        QTEST(rig.Commands(), "sent");
        QCOMPARE(rig.Messages(), QStringList{QStringLiteral("Warning: All the %1 Recorded data in "
                                                            "memory will be deleted!")
                                                 .arg(manual ? "Manually" : "Automatically")});
        QVERIFY(!frame || rig.picErase->isHidden());
        QVERIFY(samplingKept && rig.timers.PollingTimer().isActive());
        DeleteClosedWindows();
        QVERIFY(!window && rig.NothingOpen());
    }

    void eraseWhileBusy_data() {
        // Listing and printing hold nothing; a meter exchange holds the line, and a refused
        // erase leaves the frame as it was.
        QTest::addColumn<bool>("meterBusy");
        QTest::addColumn<Commands>("sent");
        QTest::addColumn<bool>("frameShown");
        QTest::newRow("while listing") << false << Commands{"A", Hex("57000002")} << false;
        QTest::newRow("while the meter is busy") << true << Commands{} << true;
    }
    void eraseWhileBusy() {
        QFETCH(bool, meterBusy);
        Rig rig(QString::fromLatin1(kTwoSets));
        rig.picErase->show();
        rig.dialogs.buttonAnswers = {QMessageBox::Ok};
        {
            std::optional<ExchangeGuard> exchange;
            std::optional<LocalWork> listing;
            if (meterBusy)
                exchange.emplace(rig.timers, ExchangeGuard::Pause::PollingAndSampling);
            else
                listing.emplace(rig.timers);
            QTest::mouseClick(rig.eraseFrame->OkButton(), Qt::LeftButton);
        }
        QTEST(rig.Commands(), "sent");
        QTEST(!rig.picErase->isHidden(), "frameShown");
    }

    void downloadFails_data() {
        // Nothing in the meter's memory (-1), or a dump that stops after 20 bytes: the meter
        // falls silent, live packets follow the cut, or the user clicks "Cancel" while it stalls.
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<int>("cutAfter");
        QTest::addColumn<bool>("streaming");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("message"); // title and text; empty: none
        QTest::addColumn<Commands>("commands");
        const auto row = [](const char* name, bool automatic, int cutAfter, bool streaming,
                            bool cancel, const QString& message, const Commands& commands) {
            QTest::newRow(name) << automatic << cutAfter << streaming << cancel << message
                                << commands;
        };
        const auto cut = [](int of) {
            return QStringLiteral("Corvilab: The meter stopped sending after 20 of %1 bytes. The "
                                  "download was ended; nothing was read.")
                .arg(of);
        };
        const Commands automatic{"A", Hex("5900"), "A", "R"};
        row("automatic, nothing stored", true, -1, true, false, "Corvilab: No Data in Memory",
            {"A", Hex("5900")});
        row("manual, nothing stored", false, -1, true, false,
            "Corvilab: No Manually Recroded Data in Memoy!", {"A"});
        row("manual, meter silent", false, 20, false, false, cut(32), {"A", "A", "Q"});
        row("automatic, live packets after the cut", true, 20, true, false, cut(72), automatic);
        row("automatic, cancelled", true, 20, false, true, QString(), automatic);
    }
    void downloadFails() {
        QFETCH(bool, automatic);
        QFETCH(int, cutAfter);
        QFETCH(bool, cancel);
        Rig rig(cutAfter < 0 ? QStringLiteral("unit C\n") : QString::fromLatin1(kTwoSets), nullptr,
                cancel ? 60000 : 400);
        rig.memory.KeepAutomaticData(EmptyMemoryAddress, {},
                                     SplitSets(SetHeader(0))); // the last download's sets
        rig.device.Protocol().CutNextDump(cutAfter);
        QFETCH(bool, streaming);
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
        QCOMPARE(!shown.isNull(), cutAfter >= 0); // a dump's window shows during the transfer
        QTEST(rig.Commands(), "commands");
        DeleteClosedWindows();
        QVERIFY(!shown && rig.NothingOpen());
        // Nothing of the dump is taken in; the last download's sets stay.
        QCOMPARE(rig.memory.Sets().size(), 1);
        QVERIFY(rig.memory.ManualEntries().isEmpty());
        QTEST(rig.Messages().join('\n'), "message");
        QVERIFY(rig.dialogs.messages.isEmpty() ||
                rig.dialogs.messages[0].icon ==
                    (cutAfter < 0 ? QMessageBox::Information : QMessageBox::Critical));
        QVERIFY(rig.TimersOn());
    }

    void unreadableMemoryKeepsSets_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("lastRow");
        QTest::addColumn<QString>("message");
        const QByteArray set = SetHeader(2) + Hex("0100000740") + Hex("0100000741");
        QTest::newRow("marker missing after the first set")
            << set + Hex("00AA5500 0102030405")
            << QStringList{"1", "2013/08/08 14:05:09", "10", "2"}
            << "The logger data after byte 33 of 42 could not be read; only the sets before it are "
               "listed.";
        QTest::newRow("second set cut short")
            << set + SetHeader(3) + Hex("0100000740 01000007")
            << QStringList{"2", "2013/08/08 14:05:09", "10", "1"}
            << "Set 2 ends after 1 of its 3 records; the rest was not in the logger data.";
    }
    void unreadableMemoryKeepsSets() {
        // A meter whose automatic data is `data`: the status reply, the memory size and the dump.
        QFETCH(QByteArray, data);
        ScriptedDevice meter;
        meter.answer = [&](const QByteArray& command) {
            const quint32 address = quint32(8192 + data.size());
            if (command == "A")
                return Hex("02") + char(address >> 16) + char(address >> 8) + char(address) +
                       Hex("00FF03");
            if (command == QByteArray("Y\0", 2))
                return Hex("020803");
            return command == "R" ? Hex("02000000") + data + Hex("03") : QByteArray();
        };
        Rig rig(QString(), &meter);
        rig.PressLoggerOK(true);
        QTableWidget* grid = rig.Memory()->SetTable();
        const QStringList lastRow = SetRow(grid, grid->rowCount() - 1);
        QTEST(lastRow, "lastRow");
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QTEST(rig.dialogs.messages[0].text, "message");
        // The sets that were read open as usual.
        QVERIFY(rig.Memory()->OpenSet(grid->rowCount() - 1));
        QCOMPARE(rig.Memory()->DataList()->CelsiusTable()->Model()->rowCount(), lastRow[3].toInt());
    }
};

QTEST_MAIN(TestLoggerWindows)
#include "tst_logger_windows.moc"
