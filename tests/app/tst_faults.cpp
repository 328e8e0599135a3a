#include "app/panel_window.h"
#include "config/alarm_settings.h"
#include "config/setup_window.h"
#include "link/meter_link.h"
#include "logger/logger_download.h"
#include "logger/logger_frame.h"
#include "logger/manual_list_window.h"
#include "logger/memory_window.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "sim/meter_scenario.h"
#include "support/app_rig.h"
#include "support/closed_windows.h"
#include "support/hex.h"
#include "support/stream_tap.h"
#include "support/test_files.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>
#include <functional>
#include <memory>

// Faults on the line, through the running program against the simulated meter (fast mode): a
// meter that stops answering during a recording, a logger download or a clock read, and broken
// bytes in the live stream.
class TestFaults : public QObject {
    Q_OBJECT
public:
    enum class Fault { Silent, Unplugged, NoStream };

private Q_SLOTS:
    void init();
    void cleanup();
    void silentMeterDuringRecording_data();
    void silentMeterDuringRecording();
    void silentMeterDuringDownload_data();
    void silentMeterDuringDownload();
    void silentMeterDuringClockRead_data();
    void silentMeterDuringClockRead();
    void brokenStreamKeepsReadings_data();
    void brokenStreamKeepsReadings();
    void recordTimes_data();
    void recordTimes();

private:
    void SetFault(Fault fault, bool on);
    // "No COM" (once for each time the recovery started over), then linked again.
    bool LostThenBack() const {
        return captions_.size() >= 2 && captions_.last() == QLatin1String("Simulated") &&
               captions_.count(QStringLiteral("No COM")) == captions_.size() - 1;
    }
    // Once "No COM" shows and the program has asked the meter again a few times (events run
    // all the while), `whileLost` runs inside the program's wait and the meter answers again.
    void AnswerAgainWhenLost(Fault fault, std::function<void()> whileLost = {});
    // The value texts of both panels, T1 to T4, °F then °C.
    QString Shown() {
        QStringList texts;
        for (const char* name : {"FLblValue%1", "CLblValue%1"}) {
            for (int i = 0; i < 4; ++i)
                texts << rig_->app.GetPanel().findChild<QLabel*>(QString(name).arg(i))->text();
        }
        return texts.join(QLatin1Char(' '));
    }

    // The test plays the sampling timer on the fake clock: the tick comes `lateMs` after the time
    // the program armed it for; with `readFirst`, once polling has read every channel then.
    void PlayTick(int lateMs, bool readFirst = true);

    std::unique_ptr<AppRig> rig_;
    QStringList captions_;
    int armedMs_ = 0; // from one played tick to the next
    int writes_ = 0;
    bool restored_ = false;
};

Q_DECLARE_METATYPE(TestFaults::Fault)

namespace {

// The meter of the broken-stream cases, and what the panels must show. T1's offset of 0.2 and
// T2's tenths digit of 3 put an STX and an ETX where a read ending inside a packet sees them.
void SetUpReadings(MeterModel& model) {
    const int readingsF[4] = {2120, 323, -400, 986};
    for (int ch = 0; ch < 4; ++ch)
        model.SetReading(ch, readingsF[ch]);
    model.Channel(0).offset = 2;
}
const QString kShown = QStringLiteral("212.0 32.3 -40.0 98.6 100.0 0.1 -40.0 37.0");

} // namespace

void TestFaults::init() {
    rig_ = std::make_unique<AppRig>(0.25, 100000); // the meter's waits cost next to no real time
    captions_.clear();
    writes_ = 0;
    restored_ = false;
    connect(&rig_->app.Link(), &MeterLink::LinkCaptionChanged, this,
            [this](const QString& caption) { captions_ << caption; });
    QVERIFY(rig_->Start(10));
    connect(rig_->app.Simulator(), &QIODevice::bytesWritten, this, [this] { ++writes_; });
    MeterLink::Limits limits = rig_->app.Link().GetLimits();
    limits.streamGiveUpMs = 500; // a stream that stopped is noticed quickly
    rig_->app.Link().SetLimits(limits);
    QVERIFY(rig_->WaitLinked());
    QTRY_VERIFY_WITH_TIMEOUT(rig_->app.Timers().SamplingTimer().isActive(), 10000);
    captions_.clear();
}

void TestFaults::cleanup() {
    rig_.reset();
}

void TestFaults::SetFault(Fault fault, bool on) {
    SimulatedMeterDevice& meter = *rig_->app.Simulator();
    if (fault == Fault::Unplugged)
        return meter.SetPlugged(!on);
    meter.Protocol().SetSilent(on && fault == Fault::Silent);
    meter.Protocol().SetStreaming(!on);
}

void TestFaults::AnswerAgainWhenLost(Fault fault, std::function<void()> whileLost) {
    auto* poll = new QTimer(&rig_->app);
    auto writesAtLoss = std::make_shared<int>(-1);
    connect(poll, &QTimer::timeout, this, [=] {
        if (*writesAtLoss < 0 && rig_->app.Link().LinkLost() &&
            rig_->app.GetPanel().LinkCaption()->text() == QLatin1String("No COM"))
            *writesAtLoss = writes_;
        if (*writesAtLoss < 0 || writes_ < *writesAtLoss + 3)
            return;
        poll->deleteLater();
        poll->stop();
        if (whileLost)
            whileLost();
        SetFault(fault, false);
        restored_ = true;
    });
    poll->start(5);
}

void TestFaults::silentMeterDuringRecording_data() {
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("unitSwitched"); // the meter comes back showing the other unit
    QTest::newRow("meter silent") << Fault::Silent << false;
    QTest::newRow("cable pulled") << Fault::Unplugged << false;
    QTest::newRow("status answered, no stream") << Fault::NoStream << false;
    QTest::newRow("back in the other unit") << Fault::Silent << true;
}

void TestFaults::silentMeterDuringRecording() {
    QFETCH(Fault, fault);
    QFETCH(bool, unitSwitched);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.4ch"));
    Recorder& recorder = rig_->app.GetRecorder();
    rig_->dialogs.fileAnswers << path;
    rig_->app.GetPanel().ToolbarButton(QStringLiteral("Save"))->trigger();
    QVERIFY(recorder.Recording());
    QTRY_VERIFY_WITH_TIMEOUT(recorder.RecordCount() >= 5, 10000);
    AlarmSettings& alarms = rig_->app.Alarms();
    alarms.SetAlarm(false, 0, 500);
    const int alarmTop = alarms.Range(false, 0).max;

    qint64 countAtLoss = -1, countLater = -1;
    QByteArray fileAtLoss;
    QObject scope;
    connect(&rig_->app.Link(), &MeterLink::LinkCaptionChanged, &scope, [&](const QString& caption) {
        if (caption == QLatin1String("No COM") && countAtLoss < 0)
            countAtLoss = recorder.RecordCount();
    });
    SetFault(fault, true);
    AnswerAgainWhenLost(fault, [&] {
        countLater = recorder.RecordCount();
        fileAtLoss = FileBytes(path);
        if (unitSwitched)
            rig_->app.Simulator()->Model().ToggleUnit();
    });
    QTRY_VERIFY_WITH_TIMEOUT(restored_ && !rig_->app.Link().LinkLost(), 20000);
    QVERIFY(LostThenBack());
    QCOMPARE(countLater, countAtLoss); // no samples while the link is lost
    QVERIFY(fileAtLoss.endsWith("\r\n"));
    // Polling, sampling and the recording go on; a meter set up differently is a configuration
    // change, and the recording goes on in its next file.
    QTRY_VERIFY_WITH_TIMEOUT(recorder.RecordCount() >= countAtLoss + 10, 10000);
    QVERIFY(recorder.Recording());
    QVERIFY(!rig_->app.GetPanel().RecordingMark()->isHidden());
    const QString second = dir.filePath(QStringLiteral("run-1.4ch"));
    QCOMPARE(recorder.CurrentFileName(), unitSwitched ? second : path);
    // An alarm set for the run stays armed; one of another set-up starts over.
    QCOMPARE(alarms.Alarm(false, 0), unitSwitched ? alarmTop : 500);
    const qint64 total = recorder.RecordCount();
    rig_->app.GetPanel().ToolbarButton(QStringLiteral("Save"))->trigger();
    QVERIFY(!recorder.Recording());
    QTRY_VERIFY_WITH_TIMEOUT(rig_->app.Timers().PollingTimer().isActive() &&
                                 rig_->app.Timers().SamplingTimer().isActive(),
                             10000);
    QVERIFY(rig_->dialogs.messages.isEmpty());

    const QByteArray bytes = FileBytes(path);
    QVERIFY(bytes.startsWith(fileAtLoss));
    QVERIFY(bytes.endsWith("\r\n"));
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    QVERIFY(lines.size() > countAtLoss);
    QCOMPARE(lines[0], QByteArray("\xB0"
                                  "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\t\r"));
    for (int n = 1; n < lines.size(); ++n) {
        QCOMPARE(lines[n],
                 QByteArray::number(n) + "\t2026/12/06 10:00:00\t70.0\t70.0\t70.0\t70.0\t\r");
    }
    if (!unitSwitched) {
        QCOMPARE(lines.size(), total + 1);
        return;
    }
    // The rest under the °C heading, numbered on.
    QList<QByteArray> more = FileBytes(second).split('\n');
    QCOMPARE(more.takeLast(), QByteArray());
    QCOMPARE(more[0], QByteArray("\xB0"
                                 "C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\t\r"));
    QCOMPARE(lines.size() + more.size() - 2, total);
    for (qsizetype n = lines.size(); n <= total; ++n) {
        QCOMPARE(more[n - lines.size() + 1],
                 QByteArray::number(n) + "\t2026/12/06 10:00:00\t21.1\t21.1\t21.1\t21.1\t\r");
    }
}

void TestFaults::silentMeterDuringDownload_data() {
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<int>("cutAfter"); // the dump stops here; -1: silent before the download
    QTest::addColumn<QString>("message");
    QTest::newRow("automatic, silent in the dump")
        << true << 40 << "The meter stopped sending after 40 of 126 bytes.";
    QTest::newRow("manual, silent in the dump")
        << false << 45 << "The meter stopped sending after 45 of 61 bytes.";
    QTest::newRow("automatic, silent before it") << true << -1 << QString();
    QTest::newRow("manual, silent before it") << false << -1 << QString();
}

void TestFaults::silentMeterDuringDownload() {
    QFETCH(bool, automatic);
    QFETCH(int, cutAfter);
    QFETCH(QString, message);
    QVERIFY(LoadScenario(QStringLiteral("set start 2013/08/08 14:05:09 mask 15\n"
                                        "records 7 from 700 step 1\n"
                                        "manual at 2013/08/08 14:05:09 values 1 2 3 4\n"
                                        "manual at 2013/08/08 14:05:10 values 1 2 3 4\n"),
                         rig_->app.Simulator()->Model())
                .isEmpty());
    auto* frame = rig_->app.GetPanel().LoggerFrameHost()->findChild<LoggerFrame*>();
    QVERIFY(frame);
    LoggerDownload::Limits limits;
    limits.silenceMs = 300;
    frame->Download().SetLimits(limits);
    const auto press = [&] {
        rig_->app.GetPanel().ToolbarClick(QStringLiteral("Memory"));
        (automatic ? frame->AutomaticOption() : frame->ManualOption())->setChecked(true);
        QTest::mouseClick(frame->OkButton(), Qt::LeftButton);
        DeleteClosedWindows();
    };
    const auto shown = [&]() -> QWidget* {
        return automatic ? static_cast<QWidget*>(frame->Memory())
                         : static_cast<QWidget*>(frame->ManualList());
    };

    if (cutAfter >= 0) {
        rig_->app.Simulator()->Protocol().CutNextDump(cutAfter);
        connect(
            &frame->Download(), &LoggerDownload::Progress, &rig_->app,
            [this] { SetFault(Fault::Silent, true); }, Qt::SingleShotConnection);
    } else {
        SetFault(Fault::Silent, true);
    }
    AnswerAgainWhenLost(Fault::Silent);
    press();
    if (cutAfter >= 0) {
        // The download ends with its message and nothing half-shown; then polling finds the
        // meter gone and the link recovers once it answers.
        QCOMPARE(rig_->dialogs.messages.size(), 1);
        QCOMPARE(rig_->dialogs.messages[0].icon, QMessageBox::Critical);
        QVERIFY2(rig_->dialogs.messages[0].text.startsWith(message),
                 qPrintable(rig_->dialogs.messages[0].text));
        QVERIFY(!shown());
        QVERIFY(rig_->app.Timers().PollingTimer().isActive());
        QTRY_VERIFY_WITH_TIMEOUT(restored_ && !rig_->app.Link().LinkLost(), 20000);
        press();
        QCOMPARE(rig_->dialogs.messages.size(), 1);
    } else {
        // The download's own status query waited through the recovery, then went on.
        QVERIFY(restored_);
        QVERIFY(rig_->dialogs.messages.isEmpty());
    }
    QVERIFY(LostThenBack());
    QVERIFY(shown() && shown()->isVisible());
    QCOMPARE(frame->Download().Received(), frame->Download().Expected());
    if (automatic)
        QCOMPARE(frame->Memory()->SetTable()->rowCount(), 1);
    QVERIFY(rig_->app.Timers().PollingTimer().isActive() &&
            rig_->app.Timers().SamplingTimer().isActive());
}

void TestFaults::silentMeterDuringClockRead_data() {
    QTest::addColumn<bool>("leave"); // the user clicks "Exit" while the link is lost
    QTest::newRow("meter answers again") << false;
    QTest::newRow("Exit while the link is lost") << true;
}

void TestFaults::silentMeterDuringClockRead() {
    QFETCH(bool, leave);
    QString shownTime;
    bool hiddenWhileLost = false;
    rig_->dialogs.onExec = [&](QDialog& dialog) {
        auto& setup = static_cast<SetupWindow&>(dialog);
        setup.show();
        auto* meterTime = setup.findChild<QLabel*>(QStringLiteral("LblMeterTime"));
        QTest::mouseClick(meterTime, Qt::LeftButton);
        SetFault(Fault::Silent, true);
        AnswerAgainWhenLost(Fault::Silent, [&] {
            if (leave)
                QTest::mouseClick(setup.findChild<QPushButton*>(QStringLiteral("CmdExit")),
                                  Qt::LeftButton);
            hiddenWhileLost = setup.isHidden();
        });
        setup.Tick(); // the clock query waits through the recovery
        shownTime = meterTime->text();
        if (setup.isVisible())
            setup.accept();
        return setup.result();
    };
    rig_->app.GetPanel().ToolbarClick(QStringLiteral("RTC"));
    QVERIFY(restored_);
    QCOMPARE(hiddenWhileLost, leave);
    QVERIFY(LostThenBack());
    // The clock the recovery gave the meter (the PC's, as its own was unset) is read back.
    QVERIFY2(QRegularExpression("^2026/12/06 10:0\\d:\\d\\d$").match(shownTime).hasMatch(),
             qPrintable(shownTime));
    QVERIFY(rig_->dialogs.messages.isEmpty());
    QVERIFY(!rig_->app.Link().LinkLost());
    QVERIFY(rig_->app.Timers().PollingTimer().isActive() &&
            rig_->app.Timers().SamplingTimer().isActive());
}

void TestFaults::brokenStreamKeepsReadings_data() {
    MeterModel model;
    SetUpReadings(model);
    QByteArray p[4];
    for (int ch = 0; ch < 4; ++ch)
        p[ch] = model.Packet(ch);
    // A T1 packet that would show 999.9 °F if it were taken.
    const QByteArray wrong = p[0].left(4) + EncodeReading(9999) + p[0].mid(7);
    QByteArray wrongEtx = wrong, wrongStx = wrong;
    wrongEtx[11] = 0x00;
    wrongStx[0] = 0x00;
    QTest::addColumn<QList<QByteArray>>("stream"); // empty: the meter's own stray bytes
    QTest::newRow("meter's stray bytes") << QList<QByteArray>{};
    QTest::newRow("stray bytes between frames") << QList<QByteArray>{
        p[0], Hex("0203"), p[1], Hex("03"), p[2], Hex("ff0203"), p[3], Hex("020400")};
    QTest::newRow("frames cut short")
        << QList<QByteArray>{p[0], wrong.left(7), p[1], p[2], wrong.left(10), p[3]};
    QTest::newRow("wrong STX or ETX")
        << QList<QByteArray>{p[0], wrongEtx, p[1], wrongStx, p[2], p[3]};
    // Every other read ends 7 bytes into T2's packet: its last 12 bytes have STX first and ETX
    // last, but they are the end of one packet and the start of the next.
    QTest::newRow("read ends inside a packet")
        << QList<QByteArray>{p[0] + p[1].left(7), p[1].mid(7) + p[2] + p[3]};
}

void TestFaults::brokenStreamKeepsReadings() {
    QFETCH(QList<QByteArray>, stream);
    SimulatedMeterDevice& meter = *rig_->app.Simulator();
    SetUpReadings(meter.Model());
    QTRY_COMPARE_WITH_TIMEOUT(Shown(), kShown, 10000);
    std::unique_ptr<StreamTap> tap;
    if (stream.isEmpty()) {
        meter.Protocol().SetGarbage(true);
    } else {
        meter.Protocol().SetStreaming(false);
        tap = std::make_unique<StreamTap>(&meter);
        tap->chunks = stream;
        rig_->app.Link().SetDevice(tap.get(), QStringLiteral("Simulated"));
        tap->Start();
    }
    QSignalSpy changes(&rig_->app, &Application::ConfigurationChanged);
    QSet<QString> seen;
    int polls = 0;
    QObject scope;
    connect(&rig_->app.GetSampler(), &Sampler::SampleTaken, &scope, [&] { seen << Shown(); });
    connect(&rig_->app.Timers().PollingTimer(), &QTimer::timeout, &scope, [&] { ++polls; });
    QTRY_VERIFY_WITH_TIMEOUT(polls >= 60, 20000);
    QCOMPARE(seen, QSet<QString>{kShown});
    QVERIFY(captions_.isEmpty());
    QCOMPARE(changes.size(), 0);
    QVERIFY(!tap || tap->chunksSent > 3 * stream.size());
}

void TestFaults::PlayTick(int lateMs, bool readFirst) {
    rig_->clock.now = rig_->clock.now.addMSecs(armedMs_ + lateMs);
    const auto& channels = rig_->app.Live().Channels();
    const auto readNow = [&] {
        return std::all_of(channels.begin(), channels.end(),
                           [&](const ChannelState& c) { return c.LastRead == rig_->clock.now; });
    };
    if (readFirst)
        QTRY_VERIFY_WITH_TIMEOUT(readNow(), 10000);
    rig_->app.Session().Sample();
    armedMs_ = rig_->app.Timers().SamplingTimer().interval();
    rig_->app.Timers().SamplingTimer().start(24 * 3600 *
                                             1000); // on as the program left it, never firing
}

void TestFaults::recordTimes_data() {
    // T a tick; L the link lost and back 4 s later; D a logger download, I the meter's interval
    // box, R the memory size box, C the clock window: each with a tick while it runs or waits.
    QTest::addColumn<QString>("script");
    QTest::addColumn<QList<int>>("late"); // ms each tick comes late, in turn
    QTest::addColumn<QList<int>>("pace"); // packet interval and jitter (ms), pause for replies
    QTest::newRow("late up to 0.99 s, interval box open")
        << "TTITT" << QList<int>{0, 40, 990, 3, 700} << QList<int>{0, 0, 1};
    QTest::newRow("over a reconnect, a packet every 100 ms")
        << "TLTT" << QList<int>{30, 980} << QList<int>{100, 60, 1};
    QTest::newRow("download, the stream going on")
        << "TDTT" << QList<int>{20} << QList<int>{0, 0, 0};
    QTest::newRow("memory size box, the stream going on")
        << "TRT" << QList<int>{20} << QList<int>{0, 0, 0};
    QTest::newRow("clock window, a packet every 100 ms")
        << "TCT" << QList<int>{20} << QList<int>{100, 60, 1};
}

// A recording at 1 s: every line holds readings read at its time, a whole second after the line
// before (except across a lost link), while ticks come late, the link comes back, the logger is
// downloaded or a prompt waits for the person.
void TestFaults::recordTimes() {
    QFETCH(QString, script);
    QFETCH(QList<int>, late);
    QFETCH(QList<int>, pace);
    SimulatedMeterDevice& meter = *rig_->app.Simulator();
    meter.SetPacketInterval(pace[0]);
    meter.SetJitter(pace[1]);
    meter.SetPauseForReplies(pace[2]);
    QVERIFY(LoadScenario(QStringLiteral("set start 2013/08/08 14:05:09\nrecords 7 from 700 step 1"),
                         meter.Model())
                .isEmpty());
    disconnect(&rig_->app.Timers().SamplingTimer(), nullptr, &rig_->app.Session(), nullptr);
    rig_->app.Timers().SetSamplingPeriod(1000);
    rig_->clock.now =
        QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0, 990)); // where drifting ticks slide
    PlayTick(0);
    QTemporaryDir dir;
    rig_->dialogs.fileAnswers << dir.filePath(QStringLiteral("run.4ch"));
    rig_->app.GetPanel().ToolbarClick(QStringLiteral("Save"));
    int tick = 0;
    const auto playTick = [&](bool readFirst) { PlayTick(late[tick++ % late.size()], readFirst); };
    const QString box = script.contains('R') ? "Input Rom No.s" : "Input Sampling Time";
    if (script.contains('R'))
        rig_->dialogs.inputAnswers << QStringLiteral("QXV5207");
    rig_->dialogs.onInput = [&](const QString& title) {
        if (title == box)
            playTick(true);
    };
    rig_->dialogs.onExec = [&](QDialog& dialog) {
        if (dialog.objectName() == QLatin1String("SamplingChoice")) {
            QTest::mouseClick(dialog.findChild<QPushButton*>("CmdOK"), Qt::LeftButton);
        } else {
            playTick(true);
            dialog.accept();
        }
        return dialog.result();
    };
    auto* frame = rig_->app.GetPanel().LoggerFrameHost()->findChild<LoggerFrame*>();
    connect(
        &frame->Download(), &LoggerDownload::Progress, this,
        [&] {
            if (rig_->app.Timers().SamplingTimer().isActive())
                playTick(false);
        },
        Qt::SingleShotConnection);
    qint64 linesBeforeLoss = -1;
    for (const QChar step : script) {
        if (step == 'T') {
            playTick(true);
        } else if (step == 'L') {
            linesBeforeLoss = rig_->app.GetRecorder().RecordCount();
            SetFault(Fault::Silent, true);
            AnswerAgainWhenLost(Fault::Silent, [this] {
                const QTime t = rig_->clock.now.time();
                rig_->clock.now.setTime(QTime(t.hour(), t.minute(), t.second(), 990).addSecs(4));
            });
            QTRY_VERIFY_WITH_TIMEOUT(restored_ && !rig_->app.Link().LinkLost(), 20000);
            armedMs_ = rig_->app.Timers().SamplingTimer().interval();
        } else if (step == 'D') {
            rig_->app.GetPanel().ToolbarClick(QStringLiteral("Memory"));
            QTest::mouseClick(frame->OkButton(), Qt::LeftButton);
        } else {
            rig_->app.GetPanel().ToolbarClick(step == 'C' ? "RTC" : "Sampling");
        }
        if (QTest::currentTestFailed())
            return;
    }
    rig_->app.GetPanel().ToolbarClick(QStringLiteral("Save"));
    const QList<QByteArray> lines = FileBytes(dir.filePath(QStringLiteral("run.4ch"))).split('\n');
    QCOMPARE(lines.size() - 2, script.size() - script.count('L')); // heading, end
    QDateTime previous;
    for (qsizetype n = 1; n < lines.size() - 1; ++n) {
        const QList<QByteArray> fields = lines[n].split('\t'); // number, time, T1..T4
        QCOMPARE(fields.mid(2, 4), QList<QByteArray>(4, "70.0"));
        const QDateTime at =
            QDateTime::fromString(QString::fromLatin1(fields[1]), "yyyy/MM/dd HH:mm:ss");
        if (n > 1 && n - 1 != linesBeforeLoss)
            QCOMPARE(previous.secsTo(at), 1);
        previous = at;
    }
    QVERIFY(rig_->dialogs.messages.isEmpty());
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
