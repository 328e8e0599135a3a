#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "logger/logger_download.h"
#include "logger/logger_erase.h"
#include "logger/logger_memory.h"
#include "logger/manual_list_lines.h"
#include "sim/meter_scenario.h"
#include "sim/simulated_meter_device.h"
#include "views/six_column_model.h"

#include <QtTest>

namespace {

using Cells = QList<QStringList>;

// The program's side of the line to a simulated meter in fast mode, loaded from a scenario.
struct Rig {
    SystemClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link{clock, timers, live};
    SimulatedMeterDevice device;
    LoggerMemory memory;
    LoggerDownload download{link, memory};

    explicit Rig(const QString& scenario) {
        device.SetFast(true);
        const QString error = LoadScenario(scenario, device.Model());
        if (!error.isEmpty())
            qFatal("scenario: %s", qPrintable(error));
        device.open(QIODevice::ReadWrite);
        link.SetDevice(&device, QStringLiteral("SIM"));
        link.LinkLost = false;
        LoggerDownload::Limits limits;
        limits.silenceMs = 400;
        download.SetLimits(limits);
    }
    QVector<QByteArray> Commands() { return device.Protocol().ReceivedCommands(); }
};

Cells SetRows(const LoggerMemory& memory) {
    Cells rows;
    for (const LoggedSet& set : memory.Sets()) {
        const auto cells = SetTableRowOf(set).cells();
        rows.append(QStringList(cells.begin(), cells.end()));
    }
    return rows;
}

Cells ManualRows(const LoggerMemory& memory) {
    Cells rows;
    for (const ManualRecord& entry : memory.ManualEntries) {
        const auto cells = entry.cells();
        rows.append(QStringList(cells.begin(), cells.end()));
    }
    return rows;
}

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

const QVector<QByteArray> kAutomaticCommands{"A", Hex("5900"), "A", "R"};

} // namespace

class TestLoggerDownload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void automaticPath_data();
    void automaticPath();
    void manualPath_data();
    void manualPath();
    void nothingStored_data();
    void nothingStored();
    void dumpCutShort_data();
    void dumpCutShort();
    void userCancel();
    void cancelBeforeDump();
    void linkLostDuringDump();
    void erase_data();
    void erase();
    void manualPrintLines_data();
    void manualPrintLines();
};

void TestLoggerDownload::automaticPath_data() {
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<bool>("meterStatus7");
    QTest::addColumn<QString>("sizeText");
    QTest::addColumn<QString>("freeText");
    QTest::addColumn<int>("setCount");
    QTest::addColumn<Cells>("firstRows");

    QTest::newRow("one set of one record")
        << "set start 2013/08/08 14:05:09 interval 10 mask 1\nrecord 734\n"
        << false << "512 K"
        << "504.0 K" << 1 << Cells{{"1", "2013/08/08 14:05:09", "10", "1"}};
    QTest::newRow("two sets back to back, 64 K memory")
        << "memsize 1\n"
           "set start 2013/12/31 23:59:55 interval 10 mask 6\nrecords 3 from 700 step 1\n"
           "set start 2014/01/02 08:00:00 interval 255 mask 15\nrecords 2 from 10 step -1\n"
        << false << "64 K"
        << "55.9 K" << 2
        << Cells{{"1", "2013/12/31 23:59:55", "10", "3"}, {"2", "2014/01/02 08:00:00", "255", "2"}};
    QTest::newRow("meter recording: no free space")
        << "set start 2020/02/29 00:00:00 interval 1 mask 8\nrecord 5\n"
        << true << "512 K"
        << "0.0 K" << 1 << Cells{{"1", "2020/02/29 00:00:00", "1", "1"}};

    QString many;
    for (int s = 0; s < 300; ++s)
        many +=
            QStringLiteral("set start 2021/03/04 05:06:07 interval 3 mask 1\nrecord %1\n").arg(s);
    QTest::newRow("300 sets are all kept")
        << many << false << "512 K"
        << "495.8 K" << 300
        << Cells{{"1", "2021/03/04 05:06:07", "3", "1"}, {"2", "2021/03/04 05:06:07", "3", "1"}};
}

void TestLoggerDownload::automaticPath() {
    QFETCH(QString, scenario);
    QFETCH(Cells, firstRows);
    Rig rig(scenario);
    QFETCH(bool, meterStatus7);
    rig.live.MeterStatus7 = meterStatus7; // as the polling loop last decoded it
    rig.timers.StartBoth();
    QStringList progress;
    bool timersOffDuringTransfer = true;
    std::optional<MemoryCapacity> announced;
    connect(&rig.download, &LoggerDownload::AutomaticDataAnnounced,
            [&](const MemoryCapacity& c) { announced = c; });
    connect(&rig.download, &LoggerDownload::Progress, [&](const QString& text) {
        progress << text;
        timersOffDuringTransfer &= !rig.timers.Timer1.isActive() && !rig.timers.Timer2.isActive();
    });

    QCOMPARE(rig.download.DownloadAutomatic(), LoggerDownload::Outcome::Completed);

    QVERIFY(announced);
    QTEST(announced->sizeText, "sizeText");
    QTEST(announced->freeText, "freeText");
    QCOMPARE(rig.memory.Capacity.freeText, announced->freeText);
    QTEST(int(rig.memory.Sets().size()), "setCount");
    QCOMPARE(SetRows(rig.memory).mid(0, firstRows.size()), firstRows);
    QCOMPARE(rig.memory.Split.status, SplitStatus::Complete);
    QCOMPARE(rig.memory.Split.dataSize, rig.device.Model().AutomaticSize());
    QCOMPARE(rig.Commands(), kAutomaticCommands);
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last(), QStringLiteral("100.0% Completed"));
    QVERIFY(timersOffDuringTransfer);
    QVERIFY(rig.timers.Timer1.isActive());
    QVERIFY(rig.timers.Timer2.isActive());
}

void TestLoggerDownload::manualPath_data() {
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<Cells>("rows");
    QTest::newRow("three entries, one in °F")
        << "manual at 2013/08/08 14:05:09 unit C types K,J,K,T values 234 - over 190\n"
           "manual at 2013/08/08 14:06:00 unit F types K,J,K,T offsets -5,0,0,0 "
           "values 734 701 -5 under\n"
           "manual at 2014/01/01 00:00:00 unit C types B,C,11,E values 320 330 0 -1\n"
        << Cells{{"°C", "2013/08/08 14:05:09", "K: -4.7", "J: - - -", "K: Over", "T: -7.2"},
                 {"°F", "2013/08/08 14:06:00", "K: 73.4", "J: 70.1", "K: -0.5", "T: Under"},
                 {"°C", "2014/01/01 00:00:00", "B: 0.0", "C: 0.5", ": -17.7", "E: -17.8"}};
}

void TestLoggerDownload::manualPath() {
    QFETCH(QString, scenario);
    Rig rig(scenario);
    int announced = 0;
    QStringList progress;
    connect(&rig.download, &LoggerDownload::ManualDataAnnounced, [&](int n) { announced = n; });
    connect(&rig.download, &LoggerDownload::Progress, [&](const QString& t) { progress << t; });
    QCOMPARE(rig.download.DownloadManual(), LoggerDownload::Outcome::Completed);
    QFETCH(Cells, rows);
    QCOMPARE(announced, rows.size());
    QCOMPARE(rig.download.Expected(), rows.size() * 29 + 3);
    QCOMPARE(ManualRows(rig.memory), rows);
    QCOMPARE(rig.Commands(), (QVector<QByteArray>{"A", "A", "Q"}));
    QCOMPARE(progress.last(), QStringLiteral("100.0% Completed"));
}

void TestLoggerDownload::nothingStored_data() {
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<QVector<QByteArray>>("commands");
    QTest::newRow("no automatic data") << true << QVector<QByteArray>{"A", Hex("5900")};
    QTest::newRow("no manual entries") << false << QVector<QByteArray>{"A"};
}

void TestLoggerDownload::nothingStored() {
    QFETCH(bool, automatic);
    Rig rig(QStringLiteral("unit F\n"));
    rig.memory.Split = SplitSets(Hex("0055AA00 01 00000000 00000000 0D0808 0E0509 0A 000000"));
    bool announced = false;
    connect(&rig.download, &LoggerDownload::AutomaticDataAnnounced, [&] { announced = true; });
    connect(&rig.download, &LoggerDownload::ManualDataAnnounced, [&] { announced = true; });
    const auto outcome =
        automatic ? rig.download.DownloadAutomatic() : rig.download.DownloadManual();
    QCOMPARE(outcome, LoggerDownload::Outcome::NoData);
    QVERIFY(!announced);
    QTEST(rig.Commands(), "commands");
    QCOMPARE(rig.memory.Sets().size(), 1); // the last download's sets stay
}

void TestLoggerDownload::dumpCutShort_data() {
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<int>("cutAfter");
    QTest::newRow("automatic dump ends inside a set") << true << 40;
    QTest::newRow("automatic dump ends before its data") << true << 2;
    QTest::newRow("manual dump ends inside an entry") << false << 45;
}

void TestLoggerDownload::dumpCutShort() {
    QFETCH(bool, automatic);
    QFETCH(int, cutAfter);
    Rig rig(QStringLiteral("set start 2013/08/08 14:05:09 mask 15\nrecords 20 from 700 step 1\n"
                           "manual at 2013/08/08 14:05:09 values 1 2 3 4\n"
                           "manual at 2013/08/08 14:05:10 values 1 2 3 4\n"));
    rig.memory.ManualEntries.resize(7);
    // The meter stops sending: no live packets after the cut either.
    rig.device.Protocol().CutNextDump(cutAfter);
    rig.device.Protocol().SetStreaming(false);
    rig.timers.Timer1.start();
    QStringList progress;
    connect(&rig.download, &LoggerDownload::Progress, [&](const QString& t) { progress << t; });

    const auto outcome =
        automatic ? rig.download.DownloadAutomatic() : rig.download.DownloadManual();

    QCOMPARE(outcome, LoggerDownload::Outcome::Silent);
    QCOMPARE(rig.download.Received(), cutAfter);
    QVERIFY(rig.download.OutcomeText(outcome).contains(
        QStringLiteral("after %1 of %2 bytes").arg(cutAfter).arg(rig.download.Expected())));
    QVERIFY(!progress.contains(QStringLiteral("100.0% Completed")));
    // Nothing of the broken dump is taken in; polling is back.
    QVERIFY(rig.memory.Sets().isEmpty());
    QCOMPARE(rig.memory.ManualEntries.size(), 7);
    QVERIFY(rig.timers.Timer1.isActive());
    QVERIFY(!rig.download.Busy());
    // The next download reads the whole memory again.
    rig.memory.ManualEntries.clear();
    rig.device.Protocol().SetStreaming(true);
    const auto again = automatic ? rig.download.DownloadAutomatic() : rig.download.DownloadManual();
    QCOMPARE(again, LoggerDownload::Outcome::Completed);
    QCOMPARE(automatic ? rig.memory.Sets().size() : rig.memory.ManualEntries.size(),
             automatic ? 1 : 2);
}

void TestLoggerDownload::userCancel() {
    Rig rig(QStringLiteral("set start 2013/08/08 14:05:09 mask 15\nrecords 20 from 700 step 1\n"));
    LoggerDownload::Limits limits;
    limits.silenceMs = 60000; // only the cancel ends this transfer
    rig.download.SetLimits(limits);
    rig.device.Protocol().CutNextDump(100);
    rig.device.Protocol().SetStreaming(false);
    // The user cancels while the transfer waits for the rest of the dump.
    connect(
        &rig.download, &LoggerDownload::Progress, &rig.download,
        [&] { QTimer::singleShot(200, &rig.download, &LoggerDownload::Cancel); },
        Qt::SingleShotConnection);
    QCOMPARE(rig.download.DownloadAutomatic(), LoggerDownload::Outcome::Cancelled);
    QCOMPARE(rig.download.Received(), 100);
    QVERIFY(rig.download.OutcomeText(LoggerDownload::Outcome::Cancelled).isEmpty());
    QVERIFY(rig.memory.Sets().isEmpty());
}

void TestLoggerDownload::cancelBeforeDump() {
    // The Memory window closed as soon as it showed: the dump is never asked for.
    Rig rig(QStringLiteral("set start 2013/08/08 14:05:09 mask 1\nrecord 700\n"));
    connect(&rig.download, &LoggerDownload::AutomaticDataAnnounced, &rig.download,
            &LoggerDownload::Cancel);
    QCOMPARE(rig.download.DownloadAutomatic(), LoggerDownload::Outcome::Cancelled);
    QCOMPARE(rig.Commands(), (QVector<QByteArray>{"A", Hex("5900")}));
}

void TestLoggerDownload::linkLostDuringDump() {
    Rig rig(QStringLiteral("manual at 2013/08/08 14:05:09 values 1 2 3 4\n"));
    LoggerDownload::Limits limits;
    limits.silenceMs = 60000;
    rig.download.SetLimits(limits);
    rig.device.Protocol().CutNextDump(10);
    rig.device.Protocol().SetStreaming(false);
    QTimer::singleShot(400, &rig.device, [&] { rig.device.close(); });
    const auto outcome = rig.download.DownloadManual();
    QCOMPARE(outcome, LoggerDownload::Outcome::LinkLost);
    QVERIFY(rig.download.OutcomeText(outcome).startsWith(
        QStringLiteral("The connection to the meter was lost after 10 of 32 bytes.")));
    QVERIFY(rig.memory.ManualEntries.isEmpty());
}

void TestLoggerDownload::erase_data() {
    QTest::addColumn<EraseKind>("kind");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("setsLeft");
    QTest::addColumn<int>("entriesLeft");
    QTest::addColumn<QString>("warning");
    QTest::newRow("automatic") << EraseKind::Automatic << Hex("57000002") << 0 << 1
                               << "All the Automatically Recorded data in memory will be deleted!";
    QTest::newRow("manual") << EraseKind::Manual << Hex("57000001") << 1 << 0
                            << "All the Manually Recorded data in memory will be deleted!";
}

void TestLoggerDownload::erase() {
    QFETCH(EraseKind, kind);
    Rig rig(QStringLiteral("set start 2013/08/08 14:05:09 mask 1\nrecord 700\n"
                           "manual at 2013/08/08 14:05:09 values 1 2 3 4\n"));
    rig.timers.StartBoth();
    bool samplingKept = true;
    connect(&rig.device, &QIODevice::bytesWritten,
            [&] { samplingKept &= rig.timers.Timer2.isActive(); });
    QVERIFY(EraseLoggerMemory(rig.link, kind));
    QTRY_COMPARE(rig.Commands().size(), 2);
    QCOMPARE(rig.Commands().first(), QByteArray("A"));
    QTEST(rig.Commands().last(), "command");
    QTEST(rig.link.CmdBytes, "command");
    QTEST(int(rig.device.Model().sets.size()), "setsLeft");
    QTEST(int(rig.device.Model().manual.size()), "entriesLeft");
    QTEST(EraseWarningText(kind), "warning");
    QVERIFY(samplingKept);
    QVERIFY(rig.timers.Timer1.isActive());
}

void TestLoggerDownload::manualPrintLines_data() {
    QTest::addColumn<QList<DataFields>>("rows");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<qint64>("stoppedAt");
    // Margin 5, an empty field of 7, "    Date Time" at the right of 21, then 11 each.
    const QString head =
        QString(5 + 7 + 8, QLatin1Char(' ')) +
        QStringLiteral("    Date Time         T1         T2         T3         T4");
    const QString rule = QStringLiteral("     ") + QString(73, QLatin1Char('-'));
    const QStringList top(5, QString());
    QTest::newRow("heading only") << QList<DataFields>{} << top + QStringList{head, rule}
                                  << qint64(-1);
    QTest::newRow("one entry")
        << QList<DataFields>{{"°C", "2013/08/08 14:05:09", "K: 23.4", "J: - - -", "K: Over",
                              "T: -1234.5"}}
        << top + QStringList{head, rule,
                             "          °C  2013/08/08 14:05:09    K: 23.4   J: - - -    K: Over "
                             "T: -1234.5"}
        << qint64(-1);
    QTest::newRow("a text wider than its field stops before its row")
        << QList<DataFields>{{"°F", "2013/08/08 14:05:09", "K: 1", "K: 2", "K: 3", "K: 4"},
                             {"°F", "2013/08/08 14:05:09", "K: 1", "K: 2", "K: 1234567.8", "K: 4"}}
        << top + QStringList{head, rule,
                             "          °F  2013/08/08 14:05:09       K: 1       K: 2       K: 3 "
                             "      K: 4"}
        << qint64(2);
}

void TestLoggerDownload::manualPrintLines() {
    QFETCH(QList<DataFields>, rows);
    SixColumnModel grid;
    grid.SetHeadings(ManualListHeadings());
    grid.AppendRows(rows);
    qint64 stoppedAt = 0;
    QTEST(ManualListPrintLines(grid, &stoppedAt), "lines");
    QTEST(stoppedAt, "stoppedAt");
}

QTEST_GUILESS_MAIN(TestLoggerDownload)
#include "tst_logger_download.moc"
