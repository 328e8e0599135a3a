// The meter link against corvilab-sim over a real pseudo-terminal and QSerialPort.
#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "link/serial_port.h"

#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

class TestLinkPty : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QVERIFY(folder_.isValid());
        QFile scenario(folder_.filePath(QStringLiteral("meter.txt")));
        QVERIFY(scenario.open(QIODevice::WriteOnly));
        scenario.write("unit C\nclock none\n"
                       "channel 1 type K reading 734 probe on\n"
                       "channel 2 type J reading -53 probe on offset -5\n"
                       "channel 3 type T probe off\n"
                       "channel 4 type E reading 2120 over on\n");
        scenario.close();
        linkPath_ = folder_.filePath(QStringLiteral("meter"));
        sim_.start(qEnvironmentVariable("CORVILAB_SIM"),
                   {"--fast", "--scenario", scenario.fileName(), "--link", linkPath_});
        QVERIFY(sim_.waitForStarted() && sim_.waitForReadyRead(5000));
        sim_.readLine(); // the pseudo-terminal's own name
        // The program opens the stable link, as a user would open a udev name.
        OpenedPort opened = OpenMeterPort(linkPath_);
        QVERIFY2(opened.port, qPrintable(opened.error));
        port_ = std::move(opened.port);
        link_ = std::make_unique<MeterLink>(clock_, timers_, live_);
        MeterLink::Limits limits;
        limits.statusAttempts = 25; // half a second of silence counts as a lost link here
        link_->SetLimits(limits);
        link_->SetDevice(port_.get(), linkPath_);
        captions_.clear();
        connect(link_.get(), &MeterLink::LinkCaptionChanged, this,
                [this](const QString& c) { captions_ << c; });
        // The first tick links; the next sees a change, since the recovery forgot the unit.
        QCOMPARE(link_->PollTick(), MeterLink::PollResult::Resynced);
        QCOMPARE(link_->PollTick(), MeterLink::PollResult::Changed);
        CheckRelinked();
    }
    void cleanup() {
        link_.reset();
        port_.reset();
        sim_.write("quit\n");
        if (!sim_.waitForFinished(3000))
            sim_.kill();
    }

    void streamClockAndSilence() {
        for (int i = 0; i < 12; ++i)
            link_->PollTick();
        QCOMPARE(live_.Channels[1].ReadingCText, QStringLiteral("-20.9")); // -5.3 F, offset -0.5
        QVERIFY(live_.Channels[3].OverRange);
        // The meter had no date: the recovery gave it the PC's.
        const auto reply = link_->QueryMeterClock(0.5);
        QVERIFY(reply);
        QCOMPARE(int(reply->at(1)), QDate::currentDate().year() % 100);
        // Packets already on their way are still read; then the silence is a lost link.
        Control("silent on\nstream off");
        QTimer::singleShot(3000, this, [this] { Control("silent off\nstream on"); });
        QCOMPARE(PollUntilLost(20), MeterLink::PollResult::Lost);
        CheckRelinked();
        QVERIFY(timers_.Timer1.isActive() && timers_.Timer2.isActive());
    }

    void unplugAndReplug() {
        QSignalSpy failed(link_.get(), &MeterLink::DeviceFailed);
        QSignalSpy reopened(link_.get(), &MeterLink::DeviceReopened);
        // The adapter is pulled; it comes back under the same name two seconds later.
        Control("unplug");
        QTimer::singleShot(2000, this, [this] { Control("plug"); });
        QCOMPARE(PollUntilLost(50), MeterLink::PollResult::Lost);
        CheckRelinked();
        QCOMPARE(failed.count(), 1); // closed once, not an error storm
        QCOMPARE(reopened.count(), 1);
        for (int i = 0; i < 8; ++i)
            QVERIFY(link_->PollTick() != MeterLink::PollResult::Lost);
        QCOMPARE(live_.Channels[0].ReadingCText, QStringLiteral("23.0"));
    }

private:
    void Control(const QByteArray& lines) {
        sim_.write(lines + '\n');
        sim_.waitForBytesWritten(1000);
    }
    // Polls while nothing happens, at most `ticks` times; Lost means lost and linked again.
    MeterLink::PollResult PollUntilLost(int ticks) {
        MeterLink::PollResult result = MeterLink::PollResult::Unchanged;
        for (int i = 0; i < ticks && result == MeterLink::PollResult::Unchanged; ++i)
            result = link_->PollTick();
        return result;
    }
    // "No COM" was shown and the port's name is back.
    void CheckRelinked() {
        QVERIFY(!link_->LinkLost);
        QCOMPARE(captions_.value(0), QStringLiteral("No COM"));
        QCOMPARE(captions_.value(captions_.size() - 1), linkPath_);
        captions_.clear();
    }

    QProcess sim_;
    QTemporaryDir folder_;
    QString linkPath_;
    std::unique_ptr<QSerialPort> port_;
    SystemClock clock_;
    MeterTimers timers_;
    LiveState live_;
    std::unique_ptr<MeterLink> link_;
    QStringList captions_;
};

QTEST_GUILESS_MAIN(TestLinkPty)
#include "tst_link_pty.moc"
