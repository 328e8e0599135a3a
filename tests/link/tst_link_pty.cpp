// The meter link against corvilab-sim over a real pseudo-terminal and the serial line, at the
// paces a meter may keep: packets back to back or spaced, with or without a pause for replies.
#include "config/meter_settings.h"
#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "link/serial_port.h"
#include "logger/logger_download.h"
#include "logger/logger_memory.h"
#include "recording/sampler.h"

#include "link/serial_line.h"
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

namespace {

// T2 reads 73.4 F with an offset of -0.5, T4 is over range: both only right when their own
// packets are decoded.
const char kScenario[] = "unit C\nclock 2026/12/07 10:00:00\ninterval 7\npoweroff 2\n"
                         "channel 1 type K reading 734\n"
                         "channel 2 type J reading 734 offset -5\n"
                         "channel 3 type T probe off\n"
                         "channel 4 type E reading 2120 over on\n"
                         "set start 2013/08/08 14:05:09 interval 10 unit F mask 15\n"
                         "record 7000 6000 100 100\nrecord 7705 6000 100 100\n";
const QStringList kShown{"23.0", "22.7", "- - -", "Over"};

} // namespace

class TestLinkPty : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() {
        timers_.PollingTimer().stop();
        timers_.SamplingTimer().stop();
        link_.reset();
        port_.reset();
        sim_.write("quit\n");
        if (!sim_.waitForFinished(3000))
            sim_.kill();
    }

    void everyPace_data() {
        QTest::addColumn<QStringList>("pace"); // corvilab-sim's options
        for (const bool pause : {true, false}) {
            const QStringList how = pause ? QStringList() : QStringList{"--no-pause"};
            const char* tail = pause ? ", paused for replies" : ", streaming through replies";
            for (const int ms : {0, 10, 30, 50, 75, 150, 600, 1000, 3000})
                QTest::addRow("%d ms%s", ms, tail)
                    << QStringList{"--packet-interval", QString::number(ms)} + how;
            QTest::addRow("30 ms + up to 30 ms jitter%s", tail)
                << QStringList{"--packet-interval", "30", "--jitter", "30"} + how;
        }
    }
    void everyPace() {
        QFETCH(QStringList, pace);
        Start(pace);
        LinkUp();
        TickFor(700);
        CheckShownFor(1200);

        // Every command finds its reply, whatever the stream does around it.
        QVERIFY(link_->QueryStatus());
        QCOMPARE(link_->MemoryAddress(), 8192u + 23 + 2 * 14);
        const std::optional<QByteArray> clock = link_->QueryMeterClock(2.0);
        QVERIFY(clock);
        QCOMPARE(clock->left(6).toHex(), QByteArray("021a0c070a00"));
        MeterSettings settings(*link_, clock_);
        QCOMPARE(settings.ReadInterval(), std::optional<int>(7));
        QCOMPARE(settings.ReadPowerOff(), std::optional<int>(2));
        LoggerMemory memory;
        LoggerDownload download(*link_, memory);
        QCOMPARE(download.DownloadAutomatic(), LoggerDownload::Outcome::Completed);
        QCOMPARE(memory.Sets().size(), 1);
        QCOMPARE(memory.Sets()[0].recordCount, 2);
        CheckShownFor(400);
        // A stream that stops is a lost link, however slow it was.
        connect(link_.get(), &MeterLink::LinkCaptionChanged, link_.get(), &MeterLink::Cancel);
        Control("stream off");
        QCOMPARE(PollUntilLost(), MeterLink::PollResult::Cancelled);
        QCOMPARE(captions_, QStringList{"No COM"});
    }

    void silenceAndUnplug() {
        Start({"--fast"});
        LinkUp();
        QSignalSpy failed(link_.get(), &MeterLink::DeviceFailed);
        QSignalSpy reopened(link_.get(), &MeterLink::DeviceReopened);
        QSignalSpy resynced(link_.get(), &MeterLink::Resynced);
        // A meter that falls silent is a lost link; back as it was, nothing starts over.
        Control("silent on\nstream off");
        QTimer::singleShot(3000, this, [this] { Control("silent off\nstream on"); });
        QCOMPARE(PollUntilLost(), MeterLink::PollResult::Lost);
        CheckRelinked();
        QCOMPARE(resynced.takeFirst().value(0).toBool(), true);
        // The adapter is pulled; it comes back under the same name two seconds later.
        Control("unplug");
        QTimer::singleShot(2000, this, [this] { Control("plug"); });
        // The port's error marks the link lost between two ticks; the next one recovers.
        QCOMPARE(PollUntilLost(), MeterLink::PollResult::Resynced);
        CheckRelinked();
        QCOMPARE(failed.count(), 1); // closed once, not an error storm
        QCOMPARE(reopened.count(), 1);
        CheckShownFor(500);
    }

private:
    void Start(const QStringList& pace) {
        QVERIFY(folder_.isValid());
        QFile scenario(folder_.filePath(QStringLiteral("meter.txt")));
        QVERIFY(scenario.open(QIODevice::WriteOnly));
        scenario.write(kScenario);
        scenario.close();
        linkPath_ = folder_.filePath(QStringLiteral("meter"));
        sim_.start(qEnvironmentVariable("CORVILAB_SIM"),
                   pace + QStringList{"--scenario", scenario.fileName(), "--link", linkPath_});
        QVERIFY(sim_.waitForStarted() && sim_.waitForReadyRead(5000));
        sim_.readLine(); // the pseudo-terminal's own name
        // The program opens the stable link, as a user would open a udev name.
        OpenedPort opened = OpenMeterPort(linkPath_);
        QVERIFY2(opened.port, qPrintable(opened.error));
        port_ = std::move(opened.port);
        live_ = LiveState();
        link_ = std::make_unique<MeterLink>(clock_, timers_, live_);
        MeterLink::Limits limits;
        limits.statusAttempts = 25;  // half a second of silence counts as a lost link here
        limits.streamGiveUpMs = 500; // below the slow paces: the link must go by the meter's
        link_->SetLimits(limits);
        link_->SetDevice(port_.get(), linkPath_);
        intervalMs_ = pace.value(pace.indexOf("--packet-interval") + 1).toInt();
        captions_.clear();
        connect(link_.get(), &MeterLink::LinkCaptionChanged, this,
                [this](const QString& c) { captions_ << c; });
    }
    // The first tick links; a later one sees a change, since the recovery forgot the unit.
    void LinkUp() {
        QTimer deadline; // a meter that never links fails the test rather than hanging it
        connect(&deadline, &QTimer::timeout, link_.get(), &MeterLink::Cancel);
        deadline.start(30000);
        QCOMPARE(link_->PollTick(), MeterLink::PollResult::Resynced);
        QCOMPARE(PollUntil(MeterLink::PollResult::Changed), MeterLink::PollResult::Changed);
        CheckRelinked();
    }
    MeterLink::PollResult Tick() {
        // Five times as often as the program polls, so that every row sees the status query
        // of the 100th tick.
        QTest::qWait(10);
        return link_->PollTick();
    }
    void TickFor(int ms) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!elapsed.hasExpired(ms))
            QCOMPARE(Tick(), MeterLink::PollResult::Unchanged);
    }
    // What the panel shows, checked at every tick: no channel is ever stale or wrong. A
    // reading stays current until its channel's next packet is due, and goes stale well after.
    void CheckShownFor(int ms) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!elapsed.hasExpired(ms)) {
            QCOMPARE(Tick(), MeterLink::PollResult::Unchanged);
            QStringList shown;
            for (int ch = 0; ch < 4; ++ch) {
                shown << SampleChannel(live_.Channel(ch), INT_MAX, INT_MAX).TextC;
                const QDateTime read = *live_.Channel(ch).LastRead;
                QVERIFY(live_.IsFresh(ch, clock_.Now()));
                QVERIFY(live_.IsFresh(ch, read.addMSecs(4 * intervalMs_)));
                QVERIFY(!live_.IsFresh(ch, read.addMSecs(std::max(8 * intervalMs_, 3000))));
            }
            QCOMPARE(shown, kShown);
        }
    }
    MeterLink::PollResult PollUntil(MeterLink::PollResult wanted) {
        MeterLink::PollResult result = MeterLink::PollResult::Unchanged;
        QElapsedTimer elapsed;
        elapsed.start();
        while (result != wanted && !elapsed.hasExpired(5000))
            result = Tick();
        return result;
    }
    // Polls while nothing happens; Lost means lost and linked again.
    MeterLink::PollResult PollUntilLost() {
        MeterLink::PollResult result = MeterLink::PollResult::Unchanged;
        QElapsedTimer elapsed;
        elapsed.start();
        while (result == MeterLink::PollResult::Unchanged && !elapsed.hasExpired(10000))
            result = Tick();
        return result;
    }
    void Control(const QByteArray& lines) {
        sim_.write(lines + '\n');
        sim_.waitForBytesWritten(1000);
    }
    // "No COM" was shown and the port's name is back.
    void CheckRelinked() {
        QVERIFY(!link_->LinkLost());
        QCOMPARE(captions_.value(0), QStringLiteral("No COM"));
        QCOMPARE(captions_.value(captions_.size() - 1), linkPath_);
        captions_.clear();
    }

    QProcess sim_;
    QTemporaryDir folder_;
    QString linkPath_;
    int intervalMs_ = 0; // between two packets, as the simulator was told
    std::unique_ptr<SerialLine> port_;
    SystemClock clock_;
    MeterTimers timers_;
    LiveState live_;
    std::unique_ptr<MeterLink> link_;
    QStringList captions_;
};

QTEST_GUILESS_MAIN(TestLinkPty)
#include "tst_link_pty.moc"
