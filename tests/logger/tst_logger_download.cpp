#include "logger/logger_download.h"
#include "logger/logger_memory.h"
#include "meter_rig.h"
#include "support/live_packet.h"

#include <QtTest>

namespace {

using Cells = QList<QStringList>;
using Outcome = LoggerDownload::Outcome;

struct Rig : MeterRig {
    LoggerMemory memory;
    LoggerDownload download{link, memory};
    QStringList progress;

    explicit Rig(const QString& scenario, int silenceMs = 400)
        : MeterRig(scenario) {
        LoggerDownload::Limits limits;
        limits.silenceMs = silenceMs;
        download.SetLimits(limits);
        QObject::connect(&download, &LoggerDownload::Progress,
                         [this](const QString& text) { progress << text; });
    }
    Outcome Download(bool automatic) {
        return automatic ? download.DownloadAutomatic() : download.DownloadManual();
    }
};

template <class Row> Cells CellsOf(const QVector<Row>& rows) {
    Cells out;
    for (const Row& row : rows) {
        const auto cells = row.cells();
        out.append(QStringList(cells.begin(), cells.end()));
    }
    return out;
}

// A dump of 1428 bytes (most of a second at the line's rate), and two manual entries.
const QString kLongSetAndEntries =
    QStringLiteral("set start 2013/08/08 14:05:09 mask 15\nrecords 100 from 700 step 1\n"
                   "manual at 2013/08/08 14:05:09 values 1 2 3 4\n"
                   "manual at 2013/08/08 14:05:10 values 1 2 3 4\n");

} // namespace

class TestLoggerDownload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void automaticPath_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<bool>("meterStatus7");
        QTest::addColumn<QStringList>("capacity"); // size, free
        QTest::addColumn<Cells>("rows");
        QTest::newRow("one set of one record")
            << "set start 2013/08/08 14:05:09 interval 10 mask 1\nrecord 734\n"
            << false << QStringList{"512 K", "504.0 K"}
            << Cells{{"1", "2013/08/08 14:05:09", "10", "1"}};
        QTest::newRow("two sets back to back, 64 K memory")
            << "memsize 1\n"
               "set start 2013/12/31 23:59:55 interval 10 mask 6\nrecords 3 from 700 step 1\n"
               "set start 2014/01/02 08:00:00 interval 255 mask 15\nrecords 2 from 10 step -1\n"
            << false << QStringList{"64 K", "55.9 K"}
            << Cells{{"1", "2013/12/31 23:59:55", "10", "3"},
                     {"2", "2014/01/02 08:00:00", "255", "2"}};
        // 770.5 F after 600.0 F: the dump's last 24 bytes frame like two live packets.
        QTest::newRow("dump ending like two live packets")
            << "set start 2013/08/08 14:05:09 interval 10 unit F mask 15\n"
               "record 7000 6000 100 100\nrecord 7705 6000 100 100\n"
            << false << QStringList{"512 K", "503.9 K"}
            << Cells{{"1", "2013/08/08 14:05:09", "10", "2"}};
        QTest::newRow("meter recording: no free space")
            << "status7 on\nset start 2020/02/29 00:00:00 interval 1 mask 8\nrecord 5\n"
            << true << QStringList{"512 K", "0.0 K"}
            << Cells{{"1", "2020/02/29 00:00:00", "1", "1"}};
    }
    void automaticPath() {
        QFETCH(QString, scenario);
        QFETCH(bool, meterStatus7);
        Rig rig(scenario);
        // as the polling loop last decoded it
        FeedLivePacket(rig.live, 0, 0, 734,
                       meterStatus7 ? QStringLiteral("p7") : QStringLiteral("p"));
        rig.timers.StartBoth();
        bool pollingOffSamplingOn = true; // during the transfer
        QStringList announced;
        connect(&rig.download, &LoggerDownload::AutomaticDataAnnounced,
                [&](const MemoryCapacity& c) {
                    announced = QStringList{c.sizeText, c.freeText};
                });
        connect(&rig.download, &LoggerDownload::Progress, [&] {
            pollingOffSamplingOn &=
                !rig.timers.PollingTimer().isActive() && rig.timers.SamplingTimer().isActive();
        });

        QCOMPARE(rig.download.DownloadAutomatic(), Outcome::Completed);
        QTEST(announced, "capacity");
        QVector<SetTableRow> rows;
        for (const LoggedSet& set : rig.memory.Sets())
            rows.append(SetTableRowOf(set));
        QTEST(CellsOf(rows), "rows");
        QCOMPARE(rig.memory.Split().status, SplitStatus::Complete);
        QCOMPARE(rig.memory.Split().dataSize, rig.device.Model().AutomaticSize());
        QCOMPARE(rig.Commands(), (QVector<QByteArray>{"A", Hex("5900"), "A", "R"}));
        QCOMPARE(rig.progress.last(), QStringLiteral("100.0% Completed"));
        QVERIFY(pollingOffSamplingOn);
        QVERIFY(rig.timers.PollingTimer().isActive() && rig.timers.SamplingTimer().isActive());
    }

    void manualPath() {
        Rig rig(QStringLiteral(
            "manual at 2013/08/08 14:05:09 unit C types K,J,K,T values 234 - over 190\n"
            "manual at 2013/08/08 14:06:00 unit F types K,J,K,T offsets -5,0,0,0 "
            "values 734 701 -5 under\n"
            "manual at 2014/01/01 00:00:00 unit C types B,C,11,E values 320 330 0 -1\n"));
        int announced = 0;
        connect(&rig.download, &LoggerDownload::ManualDataAnnounced, [&](int n) { announced = n; });
        QCOMPARE(rig.download.DownloadManual(), Outcome::Completed);
        QCOMPARE(announced, 3);
        QCOMPARE(rig.download.Expected(), 90);
        QCOMPARE(CellsOf(rig.memory.ManualEntries()),
                 (Cells{{"°C", "2013/08/08 14:05:09", "K: -4.7", "J: - - -", "K: Over", "T: -7.2"},
                        {"°F", "2013/08/08 14:06:00", "K: 73.4", "J: 70.1", "K: -0.5", "T: Under"},
                        {"°C", "2014/01/01 00:00:00", "B: 0.0", "C: 0.5", ": -17.7", "E: -17.8"}}));
        QCOMPARE(rig.Commands(), (QVector<QByteArray>{"A", "A", "Q"}));
    }

    void dumpCutShort_data() {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<int>("cutAfter");
        QTest::addColumn<bool>("streaming"); // the meter's live packets follow the cut
        QTest::addColumn<bool>("lineRate");  // else the whole reply is due at once
        QTest::newRow("automatic dump ends inside a set, then silence")
            << true << 40 << false << false;
        QTest::newRow("automatic dump ends before its data") << true << 2 << false << false;
        QTest::newRow("manual dump ends inside an entry") << false << 45 << false << false;
        // Live packets that fill the rest of the expected count are no memory.
        QTest::newRow("live packets after the automatic dump") << true << 40 << true << false;
        QTest::newRow("live packets after the manual dump") << false << 45 << true << false;
        QTest::newRow("live packets after a dump at the line's rate")
            << true << 1000 << true << true;
    }
    void dumpCutShort() {
        QFETCH(bool, automatic);
        QFETCH(int, cutAfter);
        QFETCH(bool, streaming);
        QFETCH(bool, lineRate);
        Rig rig(kLongSetAndEntries);
        rig.device.SetFast(!lineRate);
        rig.memory.KeepManualEntries(QVector<ManualRecord>(7));
        rig.device.Protocol().CutNextDump(cutAfter);
        rig.device.Protocol().SetStreaming(streaming);
        rig.timers.PollingTimer().start();

        const Outcome outcome = rig.Download(automatic);
        QCOMPARE(outcome, Outcome::Silent);
        QCOMPARE(rig.download.Received(), cutAfter);
        QVERIFY(rig.download.OutcomeText(outcome).startsWith(
            QStringLiteral("The meter stopped sending after %1 of %2 bytes.")
                .arg(cutAfter)
                .arg(rig.download.Expected())));
        QVERIFY(!rig.progress.contains(QStringLiteral("100.0% Completed")));
        // Nothing of the broken dump is taken in; polling is back.
        QVERIFY(rig.memory.Sets().isEmpty());
        QCOMPARE(rig.memory.ManualEntries().size(), 7);
        QVERIFY(rig.timers.PollingTimer().isActive() && !rig.download.Busy());
        // The next download, with the live packets around it, reads the whole memory.
        rig.memory.KeepManualEntries({});
        rig.device.Protocol().SetStreaming(true);
        QCOMPARE(rig.Download(automatic), Outcome::Completed);
        QCOMPARE(automatic ? rig.memory.Sets().value(0).recordCount
                           : rig.memory.ManualEntries().size(),
                 automatic ? 100 : 2);
    }

    void transferEndedEarly_data() {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("unplug"); // else the user cancels
        QTest::addColumn<int>("received");
        QTest::addColumn<QString>("text");
        QTest::newRow("cancel while the dump stalls") << true << false << 100 << QString();
        QTest::newRow("port gone while the dump stalls")
            << false << true << 10 << "The connection to the meter was lost after 10 of 61 bytes.";
    }
    void transferEndedEarly() {
        QFETCH(bool, automatic);
        QFETCH(bool, unplug);
        QFETCH(int, received);
        // The dump stalls with no byte more; only the cancel or the lost port ends the transfer.
        Rig rig(kLongSetAndEntries, 60000);
        rig.device.Protocol().CutNextDump(received);
        rig.device.Protocol().SetStreaming(false);
        connect(
            &rig.download, &LoggerDownload::Progress, &rig.download,
            [&] {
                QTimer::singleShot(200, &rig.download, [&] {
                    if (unplug)
                        rig.device.close();
                    else
                        rig.download.Cancel();
                });
            },
            Qt::SingleShotConnection);
        const Outcome outcome = rig.Download(automatic);
        QCOMPARE(outcome, unplug ? Outcome::LinkLost : Outcome::Cancelled);
        QCOMPARE(rig.download.Received(), received);
        QFETCH(QString, text);
        QCOMPARE(rig.download.OutcomeText(outcome).left(text.size()), text);
        QVERIFY(rig.memory.Sets().isEmpty() && rig.memory.ManualEntries().isEmpty());
    }

    void cancelBeforeDump() {
        // The Memory window closed as soon as it showed: the dump is never asked for.
        Rig rig(QStringLiteral("set start 2013/08/08 14:05:09 mask 1\nrecord 700\n"));
        connect(&rig.download, &LoggerDownload::AutomaticDataAnnounced, &rig.download,
                &LoggerDownload::Cancel);
        QCOMPARE(rig.download.DownloadAutomatic(), Outcome::Cancelled);
        QCOMPARE(rig.Commands(), (QVector<QByteArray>{"A", Hex("5900")}));
    }
};

QTEST_GUILESS_MAIN(TestLoggerDownload)
#include "tst_logger_download.moc"
