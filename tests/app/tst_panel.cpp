#include "app/channel_card.h"
#include "app/panel_window.h"
#include "config/alarm_frame.h"
#include "config/alarm_log_window.h"
#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/port_window.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "support/app_rig.h"
#include "support/live_packet.h"
#include "support/test_files.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
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
    void meterChangeShows_data();
    void meterChangeShows();
    void probePulledAndBackWhileRecording();
    void alarmLabelBlinksAtAndAboveValue();
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
    void markFromPanel_data();
    void markFromPanel();

private:
    SampleRecord Sample() { return rig_->app.GetSampler().TakeSample(); }
    template <typename T> T* Find(const QString& name) {
        T* w = rig_->app.GetPanel().findChild<T*>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    QString Text(const QString& label) { return Find<QLabel>(label)->text(); }
    int Points(const QString& chart) { return Find<QCustomPlot>(chart)->graph(0)->dataCount(); }

    std::unique_ptr<AppRig> rig_;
    std::unique_ptr<QSignalSpy> captions_;
};

void TestPanel::init() {
    // Each clock reading is a second later: waits for the meter return after one pass.
    rig_ = std::make_unique<AppRig>(1.0, 1000);
    captions_ = std::make_unique<QSignalSpy>(&rig_->app.Link(), &MeterLink::LinkCaptionChanged);
}

void TestPanel::cleanup() {
    captions_.reset();
    rig_.reset();
}

void TestPanel::firstTicks() {
    QVERIFY(rig_->StartLinked());
    QVERIFY(rig_->app.Timers().PollingTimer().isActive());
    // The recovery shows "No COM", links with the port's caption, then the next tick finds
    // the configuration changed and rebuilds the display.
    QVERIFY(captions_->size() >= 2);
    QCOMPARE(captions_->first().first().toString(), QStringLiteral("No COM"));
    QCOMPARE(captions_->last().first().toString(), QStringLiteral("Simulated"));
    QCOMPARE(Text(QStringLiteral("LblCOM")), QStringLiteral("Simulated"));
    QCOMPARE(rig_->changes.size(), 1);
    // The simulated meter starts in °F with types K, J, T, K.
    QVERIFY(!Find<QFrame>(QStringLiteral("PicF"))->isHidden());
    QVERIFY(Find<QFrame>(QStringLiteral("PicC"))->isHidden());
    QCOMPARE(Text(QStringLiteral("CLblType1")), QStringLiteral("J"));
    QCOMPARE(Text(QStringLiteral("FLblType2")), QStringLiteral("T"));
    QCOMPARE(Find<QDoubleSpinBox>(QStringLiteral("CCWE2"))->maximum(), 400.0);
    QCOMPARE(Find<QDoubleSpinBox>(QStringLiteral("CCWE2"))->value(), 400.0);
    QCOMPARE(Find<QDoubleSpinBox>(QStringLiteral("FCWE0"))->minimum(), -328.0);
    // Sampling runs from the next unchanged tick on.
    QTRY_VERIFY_WITH_TIMEOUT(rig_->app.Timers().SamplingTimer().isActive(), 5000);
    const SampleRecord r = Sample();
    QCOMPARE(r.TextF[0], QStringLiteral("70.0"));
    QCOMPARE(Text(QStringLiteral("FLblValue0")), QStringLiteral("70.0"));
    QCOMPARE(Text(QStringLiteral("CLblValue0")), QStringLiteral("21.1"));
    QCOMPARE(Points(QStringLiteral("CCWG3")), 1);
}

void TestPanel::meterChangeShows_data() {
    // What the meter changes on one channel, and after two more samples: its texts on both
    // panels, what it charts in tenths (°F then °C, "-" nothing), whether the display was
    // rebuilt (the charts and samples start over) and whether the °C panel is the one on show.
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("shownF");
    QTest::addColumn<QString>("shownC");
    QTest::addColumn<QString>("charted");
    QTest::addColumn<bool>("rebuilt");
    QTest::addColumn<bool>("celsius");
    const auto row = [](const char* name, const char* change, int channel, const char* shownF,
                        const char* shownC, const char* charted, bool rebuilt, bool celsius) {
        QTest::newRow(name) << QString(change) << channel << QString(shownF) << QString(shownC)
                            << QString(charted) << rebuilt << celsius;
    };
    row("probe unplugged", "probe", 1, "- - -", "- - -", "- -", true, false);
    row("unit switched", "unit", 3, "70.0", "21.1", "700 211", true, true);
    row("under range after over", "under", 2, "Under", "Under", "-3280 -2000", false, false);
    row("over wins over under", "both", 2, "Over", "Over", "7520 4000", false, false);
}

void TestPanel::meterChangeShows() {
    QFETCH(QString, change);
    QFETCH(int, channel);
    QFETCH(QString, charted);
    QFETCH(bool, rebuilt);
    QFETCH(bool, celsius);
    QVERIFY(rig_->StartLinked());
    Sample();
    MeterChannel& meter = rig_->app.Simulator()->Model().Channel(channel);
    const ChannelState& live = rig_->app.Live().Channel(channel);
    if (change == QLatin1String("probe")) {
        meter.probe = false;
    } else if (change == QLatin1String("unit")) {
        rig_->app.Simulator()->Model().ToggleUnit();
    } else {
        meter.over = true;
        QTRY_VERIFY_WITH_TIMEOUT(live.OverRange, 5000);
    }
    if (change == QLatin1String("under")) {
        meter.over = false;
        meter.under = true;
        QTRY_VERIFY_WITH_TIMEOUT(live.UnderRange, 5000);
    } else if (change == QLatin1String("both")) {
        // The meter sends one flag at a time; a packet with both is made here.
        rig_->app.Timers().PollingTimer().stop();
        const bool unitF = rig_->app.Live().UnitF();
        FeedLivePacket(rig_->app.Live(), channel, *live.TypeCode, 0, unitF ? "pouF" : "pou");
    }
    const QString other = QString::number((channel + 1) % 4);
    if (rebuilt) {
        QTRY_VERIFY_WITH_TIMEOUT(rig_->changes.size() == 2, 5000);
        QCOMPARE(rig_->app.GetSampler().SampleIndex(), 0);
        QCOMPARE(Points("FCWG" + other), 0);
    }
    Sample();
    const SampleRecord r = Sample();
    const QString n = QString::number(channel);
    QTEST(Text("FLblValue" + n), "shownF");
    QTEST(Text("CLblValue" + n), "shownC");
    const auto tenths = [](const std::optional<int>& v) {
        return v ? QString::number(*v) : QStringLiteral("-");
    };
    QCOMPARE(tenths(r.ChartedF[channel]) + ' ' + tenths(r.ChartedC[channel]), charted);
    const int points = rebuilt ? 2 : 3;
    QCOMPARE(Points("FCWG" + other), points);
    QCOMPARE(Points("FCWG" + n), charted == "- -" ? 0 : points);
    QCOMPARE(Points("CCWG" + n), charted == "- -" ? 0 : points);
    QCOMPARE(rig_->app.GetSampler().Buffers().Copy(channel, true).hasValues, charted != "- -");
    QCOMPARE(rig_->changes.size(), rebuilt ? 2 : 1); // range flags are no configuration change
    QCOMPARE(Find<QFrame>(QStringLiteral("PicC"))->isHidden(), !celsius);
    QCOMPARE(Find<QFrame>(QStringLiteral("PicF"))->isHidden(), celsius);
}

// The recording goes on in a new file for each set-up, and says so in the status area and the
// alarm log; the probe's alarm events come as well.
void TestPanel::probePulledAndBackWhileRecording() {
    QVERIFY(rig_->StartLinked());
    QTemporaryDir dir;
    rig_->dialogs.fileAnswers << dir.filePath("run.4ch");
    rig_->app.GetPanel().ToolbarButton(QStringLiteral("Save"))->trigger();
    Sample();
    for (const bool probe : {false, true}) {
        rig_->app.Simulator()->Model().Channel(3).probe = probe;
        QTRY_VERIFY_WITH_TIMEOUT(rig_->changes.size() == (probe ? 3 : 2), 5000);
        Sample();
    }
    QCOMPARE(Text(QStringLiteral("LblFileName")),
             QStringLiteral("run-2.4ch: new file since T4 probe plugged in at 10:00:00"));
    QCOMPARE(FileLines(dir.filePath("run-1.4ch")),
             (QList<QByteArray>{"\xB0"
                                "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\t\r",
                                "2\t2026/12/06 10:00:00\t70.0\t70.0\t70.0\t- - -\t\r"}));
    // The alarm log: a line for each new file, and the probe's events.
    const auto* log = rig_->app.AlarmLog().findChild<QTableWidget*>(QStringLiteral("GridAlarms"));
    QTRY_COMPARE(log->rowCount(), 4);
    QCOMPARE(log->item(0, 1)->text(), "Recording goes on in " + dir.filePath("run-1.4ch") +
                                          " from record 2: T4 probe unplugged at 10:00:00");
    QCOMPARE(log->item(1, 2)->text(), QStringLiteral("probe-lost"));
    QCOMPARE(log->item(3, 2)->text(), QStringLiteral("probe-back"));
}

void TestPanel::alarmLabelBlinksAtAndAboveValue() {
    QVERIFY(rig_->StartLinked());
    auto* entry = Find<QDoubleSpinBox>(QStringLiteral("FCWE0"));
    auto* label = Find<QLabel>(QStringLiteral("FLblAlarm0"));
    entry->setValue(70.0); // exactly the reading
    QCOMPARE(rig_->app.Alarms().AlarmF(0), 700);
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

void TestPanel::lblComTogglesCaption() {
    Panel& panel = rig_->app.GetPanel();
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel  V8.03"));
    QTest::mouseClick(panel.LinkCaption(), Qt::LeftButton);
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel  V8.03   130808"));
    QTest::mouseClick(panel.LinkCaption(), Qt::LeftButton);
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
    Panel& panel = rig_->app.GetPanel();
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
    Panel& panel = rig_->app.GetPanel();
    QVERIFY(!panel.ToolbarButton(QStringLiteral("Save"))->icon().isNull());
    // A command added later is one line, and runs on the click.
    int runs = 0;
    panel.SetCommand(QStringLiteral("List"), [&] { ++runs; });
    panel.ToolbarButton(QStringLiteral("List"))->trigger();
    QCOMPARE(runs, 1);
    // "Alarm" toggles the frame; "CF" swaps the panels and sets the unit text.
    QVERIFY(panel.AlarmRangeFrame()->isHidden());
    panel.ToolbarButton(QStringLiteral("Alarm"))->trigger();
    QVERIFY(!panel.AlarmRangeFrame()->isHidden());
    QCOMPARE(panel.PanelUnitText(), QString());
    const bool cShown = !Find<QFrame>(QStringLiteral("PicC"))->isHidden();
    panel.ToolbarButton(QStringLiteral("CF"))->trigger();
    QVERIFY(panel.AlarmRangeFrame()->isHidden());
    QVERIFY(panel.PanelCelsius());
    QCOMPARE(panel.PanelUnitText(), QStringLiteral("°C"));
    QCOMPARE(!Find<QFrame>(QStringLiteral("PicC"))->isHidden(), !cShown);
    panel.ToolbarButton(QStringLiteral("CF"))->trigger();
    QCOMPARE(panel.PanelUnitText(), QStringLiteral("°F"));
    QCOMPARE(!Find<QFrame>(QStringLiteral("PicC"))->isHidden(), cShown);
}

void TestPanel::portThatCannotOpenEndsProgram() {
    QSignalSpy finished(&rig_->app, &Application::Finished);
    QVERIFY(!rig_->app.StartPanel({false, QStringLiteral("/dev/corvilab-no-such-port")}));
    QCOMPARE(rig_->dialogs.messages.size(), 1);
    const ScriptedDialogs::Shown& box = rig_->dialogs.messages.first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, QStringLiteral("Corvilab"));
    QCOMPARE(box.text, QStringLiteral("No device found, try again!"));
    QVERIFY(!box.detail.isEmpty());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), 1);
    QVERIFY(!rig_->app.Timers().PollingTimer().isActive());
    QVERIFY(rig_->app.GetPanel().isHidden());
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
    Panel& panel = rig_->app.GetPanel();
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
                rig_->app.Live().MarkRead(ch, rig_->clock.now);
            rig_->app.Live().MarkRead(1, rig_->clock.now.addSecs(-3));
            rig_->app.GetSampler().SampleTick();
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
    Panel& panel = rig_->app.GetPanel();
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QTemporaryDir dir;
    Recorder& recorder = rig_->app.GetRecorder();
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

// "Mark" and Ctrl+M ask for the text and place the mark once: in the marks file beside the
// recording, in the status area and on the strip charts of its channel.
void TestPanel::markFromPanel_data() {
    QTest::addColumn<bool>("shortcut");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("line");       // the marks file's line after date and time
    QTest::addColumn<QStringList>("charts"); // the °F cards whose chart draws it
    QTest::addColumn<QString>("status");     // %1: the mark's label
    QTest::newRow("button, one channel") << false << "T2: door opened"
                                         << "\t1\tT2\tdoor opened\n"
                                         << QStringList{"1"} << "Marked %1";
    QTest::newRow("Ctrl+M, every channel") << true << "  power cut "
                                           << "\t1\t\tpower cut\n"
                                           << QStringList{"0", "1", "2", "3"} << "Marked %1";
    // A folder in the way of the marks file: the panel says so, and the mark is on the charts.
    QTest::newRow("marks file not writable")
        << false << "T1: load in"
        << "" << QStringList{"0"} << "Mark not written: Is a directory";
}

void TestPanel::markFromPanel() {
    QFETCH(bool, shortcut);
    QFETCH(QString, typed);
    QFETCH(QString, line);
    QFETCH(QStringList, charts);
    QFETCH(QString, status);
    QVERIFY(rig_->StartLinked());
    Panel& panel = rig_->app.GetPanel();
    QTemporaryDir dir;
    const QString path = dir.filePath("run.4ch");
    QString error;
    QVERIFY2(rig_->app.Session().StartRecording(path, &error), qPrintable(error));
    if (line.isEmpty())
        QVERIFY(QDir().mkpath(MarksFileName(path)));
    Sample();
    rig_->dialogs.inputAnswers << typed;
    if (shortcut) {
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        QTest::keyClick(&panel, Qt::Key_M, Qt::ControlModifier);
    } else {
        panel.findChild<QAction*>(QStringLiteral("Toolbar1_Mark"))->trigger();
    }
    QCOMPARE(rig_->dialogs.prompts.size(), 1);
    QCOMPARE(rig_->app.Session().Marks().size(), 1);
    const Mark placed = rig_->app.Session().Marks().first();
    QFile marks(MarksFileName(path));
    QCOMPARE(marks.open(QIODevice::ReadOnly) ? QString::fromUtf8(marks.readAll()) : QString(),
             line.isEmpty() ? QString()
                            : "# Corvilab marks: date time, record it follows, channel, text\n" +
                                  placed.time.toString("yyyy/MM/dd HH:mm:ss") + line);
    QCOMPARE(Text(QStringLiteral("LblMark")), status.arg(placed.Label()));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(panel.Card(true, i)->MarkLabels(),
                 charts.contains(QString::number(i)) ? QStringList{placed.Label()} : QStringList());
    QString stopped;
    QVERIFY(rig_->app.Session().StopRecording(&stopped));
}

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
