#include "app/application.h"
#include "app/panel_window.h"
#include "config/alarm_frame.h"
#include "config/alarm_log_window.h"
#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "link/port_window.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "sim/simulated_meter_device.h"
#include "support/fake_clock.h"
#include "support/live_packet.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <qcustomplot.h>

namespace {

// WCAG 2 relative luminance and contrast ratio.
double Luminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What is drawn behind `w`: the nearest widget, itself included, that paints a background.
QColor BackgroundOf(const QWidget* w) {
    for (; w; w = w->parentWidget()) {
        if (w->autoFillBackground() || w->testAttribute(Qt::WA_StyledBackground))
            return w->palette().color(w->backgroundRole());
    }
    return QColor();
}

} // namespace

// The main window driven against the in-process simulated meter in fast mode. Samples are
// taken by the test, not by the one-second timer, so that each step is deterministic.
class TestPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void firstTicks();
    void probeUnpluggedShowsDashesAndStopsChart();
    void probePulledAndBackWhileRecording();
    void unitSwitchSwapsPanels();
    void alarmLabelBlinksAtAndAboveValue();
    void overWinsOverUnder();
    void lblComTogglesCaption();
    void toolbarHidesOtherFrames_data();
    void toolbarHidesOtherFrames();
    void toolbarButtons();
    void portThatCannotOpenEndsProgram();
    void portWindowChoice();
    void staleReadingsWhileNoCom_data();
    void staleReadingsWhileNoCom();
    void textsReadOnTheFace_data();
    void textsReadOnTheFace();

private:
    void StartLinked();
    SampleRecord Sample() { return app_->GetSampler().TakeSample(); }
    template <typename T> T* Find(const QString& name) {
        T* w = app_->GetPanel().findChild<T*>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    QString Text(const QString& label) { return Find<QLabel>(label)->text(); }
    int Points(const QString& chart) { return Find<QCustomPlot>(chart)->graph(0)->dataCount(); }

    FakeClock clock_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<QSignalSpy> captions_, changes_;
};

void TestPanel::init() {
    // Each clock reading is a second later: waits for the meter return after one pass.
    clock_.step = 1.0;
    clock_.readCount = 0;
    dialogs_ = ScriptedDialogs();
    Application::Overrides o;
    o.dialogs = &dialogs_;
    o.clock = &clock_;
    o.sampleCapacity = 1000;
    app_ = std::make_unique<Application>(o);
    captions_ = std::make_unique<QSignalSpy>(&app_->Link(), &MeterLink::LinkCaptionChanged);
    changes_ = std::make_unique<QSignalSpy>(app_.get(), &Application::ConfigurationChanged);
}

void TestPanel::cleanup() {
    captions_.reset();
    changes_.reset();
    app_.reset();
}

void TestPanel::StartLinked() {
    app_->Timers().SetSamplingPeriod(24 * 3600 * 1000); // the test takes the samples
    QVERIFY(app_->StartPanel({true, QString()}));
    app_->Simulator()->SetFast(true);
    QTRY_VERIFY_WITH_TIMEOUT(changes_->size() >= 1, 10000);
}

void TestPanel::firstTicks() {
    QVERIFY(app_->StartPanel({true, QString()}));
    app_->Simulator()->SetFast(true);
    QVERIFY(app_->Timers().PollingTimer().isActive());
    QCOMPARE(app_->GetPanel().ComboP()->count(), 3);
    QCOMPARE(app_->GetPanel().ComboP()->itemText(0), QStringLiteral(" 5 Minutes"));
    QTRY_VERIFY_WITH_TIMEOUT(changes_->size() >= 1, 10000);
    // The recovery shows "No COM", links with the port's caption, then the next tick finds
    // the configuration changed and rebuilds the display.
    QVERIFY(captions_->size() >= 2);
    QCOMPARE(captions_->first().first().toString(), QStringLiteral("No COM"));
    QCOMPARE(captions_->last().first().toString(), QStringLiteral("Simulated"));
    QCOMPARE(Text(QStringLiteral("LblCOM")), QStringLiteral("Simulated"));
    QCOMPARE(changes_->size(), 1);
    // The simulated meter starts in °F with types K, J, T, K.
    QVERIFY(!Find<QFrame>(QStringLiteral("PicF"))->isHidden());
    QVERIFY(Find<QFrame>(QStringLiteral("PicC"))->isHidden());
    QCOMPARE(Text(QStringLiteral("CLblType1")), QStringLiteral("J"));
    QCOMPARE(Text(QStringLiteral("FLblType2")), QStringLiteral("T"));
    QCOMPARE(Find<QDoubleSpinBox>(QStringLiteral("CCWE2"))->maximum(), 400.0);
    QCOMPARE(Find<QDoubleSpinBox>(QStringLiteral("CCWE2"))->value(), 400.0);
    QCOMPARE(Find<QDoubleSpinBox>(QStringLiteral("FCWE0"))->minimum(), -328.0);
    // Sampling runs from the next unchanged tick on.
    QTRY_VERIFY_WITH_TIMEOUT(app_->Timers().SamplingTimer().isActive(), 5000);
    const SampleRecord r = Sample();
    QCOMPARE(r.TextF[0], QStringLiteral("70.0"));
    QCOMPARE(Text(QStringLiteral("FLblValue0")), QStringLiteral("70.0"));
    QCOMPARE(Text(QStringLiteral("CLblValue0")), QStringLiteral("21.1"));
    QCOMPARE(Points(QStringLiteral("CCWG3")), 1);
}

void TestPanel::probeUnpluggedShowsDashesAndStopsChart() {
    StartLinked();
    Sample();
    QCOMPARE(Points(QStringLiteral("FCWG1")), 1);
    app_->Simulator()->Model().Channel(1).probe = false;
    QTRY_VERIFY_WITH_TIMEOUT(changes_->size() >= 2, 5000);
    QCOMPARE(app_->GetSampler().SampleIndex(), 0);
    QCOMPARE(Points(QStringLiteral("FCWG1")), 0); // the rebuild cleared the charts
    Sample();
    Sample();
    QCOMPARE(Text(QStringLiteral("FLblValue1")), QStringLiteral("- - -"));
    QCOMPARE(Text(QStringLiteral("CLblValue1")), QStringLiteral("- - -"));
    QCOMPARE(Points(QStringLiteral("FCWG1")), 0);
    QCOMPARE(Points(QStringLiteral("CCWG1")), 0);
    QCOMPARE(Points(QStringLiteral("FCWG0")), 2);
    QVERIFY(!app_->GetSampler().Buffers().Copy(1, true).hasValues);
}

// The recording goes on in a new file for each set-up, and says so in the status area and the
// alarm log; the probe's alarm events come as well.
void TestPanel::probePulledAndBackWhileRecording() {
    StartLinked();
    QTemporaryDir dir;
    dialogs_.fileAnswers << dir.filePath("run.4ch");
    app_->GetPanel().ToolbarButton(QStringLiteral("Save"))->trigger();
    Sample();
    for (const bool probe : {false, true}) {
        app_->Simulator()->Model().Channel(3).probe = probe;
        QTRY_VERIFY_WITH_TIMEOUT(changes_->size() == (probe ? 3 : 2), 5000);
        Sample();
    }
    QCOMPARE(Text(QStringLiteral("LblFileName")),
             QStringLiteral("run-2.4ch: new file since T4 probe plugged in at 10:00:00"));
    QCOMPARE(FileLines(dir.filePath("run-1.4ch")),
             (QList<QByteArray>{"\xB0"
                                "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\t\r",
                                "2\t2026/12/06 10:00:00\t70.0\t70.0\t70.0\t- - -\t\r"}));
    // The alarm log: a line for each new file, and the probe's events.
    const auto* log = app_->AlarmLog().findChild<QTableWidget*>(QStringLiteral("GridAlarms"));
    QTRY_COMPARE(log->rowCount(), 4);
    QCOMPARE(log->item(0, 1)->text(), "Recording goes on in " + dir.filePath("run-1.4ch") +
                                          " from record 2: T4 probe unplugged at 10:00:00");
    QCOMPARE(log->item(1, 2)->text(), QStringLiteral("probe-lost"));
    QCOMPARE(log->item(3, 2)->text(), QStringLiteral("probe-back"));
}

void TestPanel::unitSwitchSwapsPanels() {
    StartLinked();
    QVERIFY(Find<QFrame>(QStringLiteral("PicC"))->isHidden());
    app_->Simulator()->Model().ToggleUnit();
    QTRY_VERIFY_WITH_TIMEOUT(changes_->size() >= 2, 5000);
    QVERIFY(!Find<QFrame>(QStringLiteral("PicC"))->isHidden());
    QVERIFY(Find<QFrame>(QStringLiteral("PicF"))->isHidden());
    // Both panels keep being refreshed.
    Sample();
    QCOMPARE(Text(QStringLiteral("FLblValue3")), QStringLiteral("70.0"));
    QCOMPARE(Text(QStringLiteral("CLblValue3")), QStringLiteral("21.1"));
}

void TestPanel::alarmLabelBlinksAtAndAboveValue() {
    StartLinked();
    auto* entry = Find<QDoubleSpinBox>(QStringLiteral("FCWE0"));
    auto* label = Find<QLabel>(QStringLiteral("FLblAlarm0"));
    entry->setValue(70.0); // exactly the reading
    QCOMPARE(app_->Alarms().AlarmF(0), 700);
    QCOMPARE(Find<QDial>(QStringLiteral("FCWK0"))->value(), 700);
    QList<bool> shown;
    for (int k = 0; k < 4; ++k) {
        Sample();
        shown << !label->isHidden();
    }
    QCOMPARE(shown, (QList<bool>{true, false, true, false}));
    QVERIFY(Find<QLabel>(QStringLiteral("CLblAlarm0"))->isHidden());
    Find<QDial>(QStringLiteral("FCWK0"))->setValue(400); // the knob: below the reading
    QCOMPARE(entry->value(), 40.0);
    Sample();
    QVERIFY(!label->isHidden());
    entry->setValue(70.1); // above the reading: hidden on the next sample
    Sample();
    QVERIFY(label->isHidden());
    Sample();
    QVERIFY(label->isHidden());
}

void TestPanel::overWinsOverUnder() {
    StartLinked();
    MeterChannel& t3 = app_->Simulator()->Model().Channel(2);
    t3.over = true;
    QTRY_VERIFY_WITH_TIMEOUT(app_->Live().Channel(2).OverRange, 5000);
    // The meter sends one flag at a time; a packet with both is made here.
    app_->Timers().PollingTimer().stop();
    FeedLivePacket(app_->Live(), 2, *app_->Live().Channel(2).TypeCode, 0, QStringLiteral("pou"));
    const SampleRecord r = Sample();
    QCOMPARE(Text(QStringLiteral("CLblValue2")), QStringLiteral("Over"));
    QCOMPARE(Text(QStringLiteral("FLblValue2")), QStringLiteral("Over"));
    QCOMPARE(r.ChartedC[2], std::optional<int>(4000));
    QCOMPARE(r.ChartedF[2], std::optional<int>(7520));
    app_->Timers().PollingTimer().start();
    t3.over = false;
    t3.under = true;
    QTRY_VERIFY_WITH_TIMEOUT(!app_->Live().Channel(2).OverRange, 5000);
    QVERIFY(app_->Live().Channel(2).UnderRange);
    Sample();
    QCOMPARE(Text(QStringLiteral("FLblValue2")), QStringLiteral("Under"));
    QCOMPARE(changes_->size(), 1); // range flags are no configuration change
}

void TestPanel::lblComTogglesCaption() {
    Panel& panel = app_->GetPanel();
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel  V8.03"));
    QTest::mouseClick(panel.LblCOM(), Qt::LeftButton);
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel  V8.03   130808"));
    QTest::mouseClick(panel.LblCOM(), Qt::LeftButton);
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel  V8.03"));
}

void TestPanel::toolbarHidesOtherFrames_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stays"); // the frame the key leaves alone
    for (const QString& key : Panel::ToolbarKeys()) {
        QString stays;
        if (key == QLatin1String("Memory"))
            stays = QStringLiteral("PicLogger");
        else if (key == QLatin1String("Erase"))
            stays = QStringLiteral("PicErase");
        else if (key == QLatin1String("Poweroff"))
            stays = QStringLiteral("ComboP");
        QTest::newRow(qPrintable(key)) << key << stays;
    }
    QTest::newRow("unknown key") << "Nothing" << QString();
}

void TestPanel::toolbarHidesOtherFrames() {
    QFETCH(QString, key);
    QFETCH(QString, stays);
    Panel& panel = app_->GetPanel();
    // Commands of later issues are not tested here: only the frames step.
    for (const QString& k : Panel::ToolbarKeys()) {
        if (k != QLatin1String("CF") && k != QLatin1String("Alarm"))
            panel.SetCommand(k, nullptr);
    }
    panel.SetCommand(QStringLiteral("Alarm"), nullptr);
    const QStringList frames{"PicLogger", "PicErase", "ComboP", "PicAlmRange"};
    for (const QString& f : frames)
        panel.findChild<QWidget*>(f)->show();
    panel.ToolbarClick(key);
    for (const QString& f : frames) {
        const bool expectShown =
            f == stays || (f == QLatin1String("PicAlmRange") && key == QLatin1String("Alarm"));
        QCOMPARE(!panel.findChild<QWidget*>(f)->isHidden(), expectShown);
    }
}

void TestPanel::toolbarButtons() {
    Panel& panel = app_->GetPanel();
    QCOMPARE(Panel::ToolbarKeys().size(), 12);
    QCOMPARE(panel.ToolbarButton(QStringLiteral("RTC"))->toolTip(),
             QStringLiteral("Set Meter Time to System (PC) Time"));
    QVERIFY(!panel.ToolbarButton(QStringLiteral("Save"))->icon().isNull());
    // A command added later is one line, and runs on the click.
    int runs = 0;
    panel.SetCommand(QStringLiteral("List"), [&] { ++runs; });
    panel.ToolbarButton(QStringLiteral("List"))->trigger();
    QCOMPARE(runs, 1);
    // "Alarm" toggles the frame; "CF" swaps the panels and sets the unit text.
    QVERIFY(panel.PicAlmRange()->isHidden());
    panel.ToolbarButton(QStringLiteral("Alarm"))->trigger();
    QVERIFY(!panel.PicAlmRange()->isHidden());
    QCOMPARE(panel.PanelUnitText(), QString());
    const bool cShown = !Find<QFrame>(QStringLiteral("PicC"))->isHidden();
    panel.ToolbarButton(QStringLiteral("CF"))->trigger();
    QVERIFY(panel.PicAlmRange()->isHidden());
    QVERIFY(panel.PanelCelsius());
    QCOMPARE(panel.PanelUnitText(), QStringLiteral("°C"));
    QCOMPARE(!Find<QFrame>(QStringLiteral("PicC"))->isHidden(), !cShown);
    panel.ToolbarButton(QStringLiteral("CF"))->trigger();
    QCOMPARE(panel.PanelUnitText(), QStringLiteral("°F"));
    QCOMPARE(!Find<QFrame>(QStringLiteral("PicC"))->isHidden(), cShown);
}

void TestPanel::portThatCannotOpenEndsProgram() {
    QSignalSpy finished(app_.get(), &Application::Finished);
    QVERIFY(!app_->StartPanel({false, QStringLiteral("/dev/corvilab-no-such-port")}));
    QCOMPARE(dialogs_.messages.size(), 1);
    const ScriptedDialogs::Shown& box = dialogs_.messages.first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, QStringLiteral("Corvilab"));
    QCOMPARE(box.text, QStringLiteral("No device found, try again!"));
    QVERIFY(!box.detail.isEmpty());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), 1);
    QVERIFY(!app_->Timers().PollingTimer().isActive());
    QVERIFY(app_->GetPanel().isHidden());
}

void TestPanel::portWindowChoice() {
    {
        PortWindow window(PortChoice{true, QString()});
        QVERIFY(window.CurrentChoice().simulated);
    }
    PortWindow window(PortChoice{false, QStringLiteral("/dev/ttyCorvilab9")});
    QCOMPARE(window.CurrentChoice().name, QStringLiteral("/dev/ttyCorvilab9"));
    QVERIFY(!window.CurrentChoice().simulated);
    QSignalSpy chosen(&window, &PortWindow::Chosen);
    QSignalSpy abandoned(&window, &PortWindow::Abandoned);
    window.show();
    auto* edit = window.findChild<QComboBox*>(QStringLiteral("TxtCOM"))->lineEdit();
    edit->setText(QStringLiteral("COM16"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.first().first().value<PortChoice>().name, QStringLiteral("COM16"));
    window.close();
    QCOMPARE(abandoned.size(), 0);
    PortWindow other;
    QSignalSpy abandonedOther(&other, &PortWindow::Abandoned);
    other.show();
    other.close();
    QCOMPARE(abandonedOther.size(), 1);
}

void TestPanel::staleReadingsWhileNoCom_data() {
    // S a sample, N "No COM", L the port's caption again, Z the sampler finding T2's reading no
    // longer current, s a sample that leaves T2 out for that.
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("tip");   // of every value label; empty: shown as live
    QTest::addColumn<QString>("tipT2"); // of T2's, where it differs
    const auto row = [](const char* name, const char* events, const char* tip,
                        const char* tipT2 = nullptr) {
        QTest::newRow(name) << QString(events) << QString(tip) << QString(tipT2 ? tipT2 : tip);
    };
    row("No COM marks the last reading", "SSN", "Last read 14:05:02");
    row("samples while No COM stay stale", "SNS", "Last read 14:05:01");
    row("link back, no sample yet", "SNL", "Last read 14:05:01");
    row("next good sample is live", "SNLS", "");
    row("No COM before any reading", "N", "No reading yet");
    row("a stale channel alone is dimmed, linked", "SSZ", "", "Last read 14:05:02");
    row("a sample leaving it out keeps it dimmed", "SZs", "", "Last read 14:05:01");
    row("its next current reading is live", "SZsS", "");
}

void TestPanel::staleReadingsWhileNoCom() {
    QFETCH(QString, events);
    QFETCH(QString, tip);
    QFETCH(QString, tipT2);
    Panel& panel = app_->GetPanel();
    panel.show();
    int second = 0;
    for (const QChar event : events) {
        if (event.toUpper() == 'S') {
            SampleRecord s;
            s.TimeText = QStringLiteral("2013/08/08 14:05:%1").arg(++second, 2, 10, QChar('0'));
            s.TextC = {"21.1", "22.2", "- - -", "Over"};
            s.TextF = {"70.0", event == 's' ? "- - -" : "72.0", "- - -", "Over"};
            s.Fresh[1] = event == 'S';
            panel.ShowSample(s);
        } else if (event == 'Z') {
            for (int ch : {0, 2, 3})
                app_->Live().MarkRead(ch, clock_.now);
            app_->Live().MarkRead(1, clock_.now.addSecs(-3));
            app_->GetSampler().SampleTick();
        } else {
            panel.SetLinkCaption(event == 'N' ? QStringLiteral("No COM")
                                              : QStringLiteral("Simulated"));
        }
    }
    // A stale reading stays on show as it was last read.
    QCOMPARE(Text(QStringLiteral("FLblValue1")),
             events.contains('S') ? QStringLiteral("72.0") : QStringLiteral("- - -"));
    for (const char* name : {"CLblValue0", "CLblValue3", "FLblValue1", "CLblValue1"}) {
        auto* value = Find<QLabel>(QString::fromLatin1(name));
        const QString expected = name[9] == '1' ? tipT2 : tip;
        QCOMPARE(value->toolTip(), expected);
        QCOMPARE(value->accessibleDescription(),
                 expected.isEmpty() ? value->text() : value->text() + ", " + expected);
        // Dimmed to grey while stale; the unit's own colour when live.
        const QString colour = value->palette().color(value->foregroundRole()).name();
        const QString live = name[0] == 'C' ? QStringLiteral("#ffc440") : QStringLiteral("#60d0ff");
        QCOMPARE(colour, expected.isEmpty() ? live : QStringLiteral("#8c939c"));
    }
}

void TestPanel::textsReadOnTheFace_data() {
    QTest::addColumn<QString>("state");
    for (const char* state : {"Memory", "Erase", "Alarm", "Recording", "Not writing", "No COM"})
        QTest::newRow(state) << QString::fromLatin1(state);
}

void TestPanel::textsReadOnTheFace() {
    QFETCH(QString, state);
    Panel& panel = app_->GetPanel();
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QTemporaryDir dir;
    Recorder& recorder = app_->GetRecorder();
    if (state.startsWith("Rec") || state.startsWith("Not")) {
        const QString path = dir.filePath("run.4ch");
        QVERIFY(recorder.Start(path, DegC, false, {"K", "K", "K", "K"}));
        FileSizeLimit full(state.startsWith("Not") ? QFileInfo(path).size() : 1 << 20);
        recorder.RecordLine(QStringLiteral("2013/08/08 14:05:09"), {"1", "2", "3", "4"});
        QCOMPARE(recorder.Writing(), state.startsWith("Rec"));
    } else if (state == QLatin1String("No COM")) {
        panel.SetLinkCaption(state); // the readings dim
    } else {
        panel.ToolbarClick(state);
    }
    QCoreApplication::processEvents();
    int checked = 0;
    for (QWidget* w : panel.findChildren<QWidget*>()) {
        if (!w->isVisible() || !(qobject_cast<QLabel*>(w) || qobject_cast<QRadioButton*>(w) ||
                                 qobject_cast<QCheckBox*>(w)))
            continue;
        const QColor text = w->palette().color(w->foregroundRole());
        const QColor back = BackgroundOf(w);
        const double ratio = Contrast(text, back);
        QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1 %2 on %3: %4:1")
                                              .arg(w->objectName(), text.name(), back.name())
                                              .arg(ratio, 0, 'f', 2)));
        ++checked;
    }
    QVERIFY(checked > 20);
    recorder.Stop();
}

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
