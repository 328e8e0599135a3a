// The meter link against corvilab-sim over a real pseudo-terminal and QSerialPort.
#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "link/serial_port.h"

#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

namespace {

const char* const kScenario = R"(unit C
clock none
channel 1 type K reading 734 probe on
channel 2 type J reading -53 probe on offset -5
channel 3 type T probe off
channel 4 type E reading 2120 over on
)";

} // namespace

class TestLinkPty : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void statusAndStream();
    void resyncAfterSilenceSetsInvalidClock();
    void unplugAndReplug();

private:
    void Control(const QByteArray& line);

    QProcess sim_;
    QTemporaryFile scenario_;
    QTemporaryDir folder_;
    QString linkPath_;
    std::unique_ptr<QSerialPort> port_;
    SystemClock clock_;
    MeterTimers timers_;
    LiveState live_;
    std::unique_ptr<MeterLink> link_;
    QStringList captions_;
};

void TestLinkPty::init() {
    QVERIFY(scenario_.open());
    scenario_.write(kScenario);
    scenario_.flush();
    const QString program = qEnvironmentVariable("CORVILAB_SIM");
    QVERIFY2(!program.isEmpty(), "CORVILAB_SIM names the simulator");
    QVERIFY(folder_.isValid());
    linkPath_ = folder_.filePath(QStringLiteral("meter"));
    sim_.start(program, {QStringLiteral("--fast"), QStringLiteral("--scenario"),
                         scenario_.fileName(), QStringLiteral("--link"), linkPath_});
    QVERIFY(sim_.waitForStarted());
    QVERIFY(sim_.waitForReadyRead(5000));
    const QString path = QString::fromUtf8(sim_.readLine()).trimmed();
    QVERIFY(path.startsWith(QLatin1Char('/')));

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
}

void TestLinkPty::cleanup() {
    link_.reset();
    port_.reset();
    sim_.write("quit\n");
    if (!sim_.waitForFinished(3000))
        sim_.kill();
    scenario_.close();
    scenario_.remove();
}

void TestLinkPty::Control(const QByteArray& line) {
    sim_.write(line + '\n');
    sim_.waitForBytesWritten(1000);
}

void TestLinkPty::statusAndStream() {
    QVERIFY(link_->QueryStatus());
    QCOMPARE(int(link_->MemoryAddress), 8192);
    QCOMPARE(link_->ManualCount, 0);

    QCOMPARE(link_->PollTick(), MeterLink::PollResult::Resynced);
    QVERIFY(!link_->LinkLost);
    QCOMPARE(captions_.first(), QStringLiteral("No COM"));
    QCOMPARE(captions_.last(), link_->PortCaption());
    // The first tick after the recovery always sees a change: the unit was forgotten.
    QCOMPARE(link_->PollTick(), MeterLink::PollResult::Changed);
    for (int i = 0; i < 12; ++i)
        link_->PollTick();

    const auto& ch = live_.Channels;
    QCOMPARE(ch[0].ReadingCText, QStringLiteral("23.0"));
    QCOMPARE(ch[0].TypeLetter, QStringLiteral("K"));
    QCOMPARE(ch[1].ReadingFText, QStringLiteral("-5.3"));
    QCOMPARE(ch[1].OffsetTenths, -5);
    QVERIFY(!ch[2].ProbeValid);
    QVERIFY(ch[3].OverRange);
    QCOMPARE(ch[3].UpperF, 14000);
    QCOMPARE(live_.UnitText, QStringLiteral("°C"));

    Control("unit F");
    bool changed = false;
    for (int i = 0; i < 20 && !changed; ++i)
        changed = link_->PollTick() == MeterLink::PollResult::Changed;
    QVERIFY(changed);
    QVERIFY(live_.UnitF);
}

void TestLinkPty::resyncAfterSilenceSetsInvalidClock() {
    QCOMPARE(link_->PollTick(), MeterLink::PollResult::Resynced);
    // The meter had no date: the recovery gave it the PC's.
    const auto reply = link_->QueryMeterClock(0.5);
    QVERIFY(reply);
    QCOMPARE(int(quint8(reply->at(1))), QDate::currentDate().year() % 100);
    QVERIFY(reply->at(2) != 0);

    QCOMPARE(link_->PollTick(), MeterLink::PollResult::Changed);
    Control("silent on");
    Control("stream off");
    Control("echo quiet");
    QVERIFY(sim_.waitForReadyRead(3000));
    QCOMPARE(sim_.readLine().trimmed(), QByteArray("quiet"));
    captions_.clear();
    QTimer::singleShot(3000, this, [this] {
        Control("silent off");
        Control("stream on");
    });
    // Packets already on their way are still read; then the silence counts as a lost link.
    MeterLink::PollResult result = MeterLink::PollResult::Unchanged;
    for (int i = 0; i < 20 && result == MeterLink::PollResult::Unchanged; ++i)
        result = link_->PollTick();
    QCOMPARE(result, MeterLink::PollResult::Lost);
    QVERIFY(!link_->LinkLost);
    QCOMPARE(captions_.first(), QStringLiteral("No COM"));
    QCOMPARE(captions_.last(), link_->PortCaption());
    QVERIFY(timers_.Timer1.isActive());
    QVERIFY(timers_.Timer2.isActive());
}

void TestLinkPty::unplugAndReplug() {
    QCOMPARE(link_->PollTick(), MeterLink::PollResult::Resynced);
    QCOMPARE(link_->PollTick(), MeterLink::PollResult::Changed);
    QSignalSpy failed(link_.get(), &MeterLink::DeviceFailed);
    QSignalSpy reopened(link_.get(), &MeterLink::DeviceReopened);
    captions_.clear();

    // The adapter is pulled; it comes back under the same name two seconds later.
    Control("unplug");
    QTimer::singleShot(2000, this, [this] { Control("plug"); });
    MeterLink::PollResult result = MeterLink::PollResult::Unchanged;
    for (int i = 0; i < 50 && result == MeterLink::PollResult::Unchanged; ++i)
        result = link_->PollTick();
    QCOMPARE(result, MeterLink::PollResult::Lost);
    QCOMPARE(failed.count(), 1); // closed once, not an error storm
    QCOMPARE(reopened.count(), 1);
    QVERIFY(!link_->LinkLost);
    QVERIFY(port_->isOpen());
    QCOMPARE(captions_.first(), QStringLiteral("No COM"));
    QCOMPARE(captions_.last(), linkPath_);
    for (int i = 0; i < 8; ++i)
        QVERIFY(link_->PollTick() != MeterLink::PollResult::Lost);
    QCOMPARE(live_.Channels[0].ReadingCText, QStringLiteral("23.0"));
}

QTEST_GUILESS_MAIN(TestLinkPty)
#include "tst_link_pty.moc"
