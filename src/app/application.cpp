#include "app/application.h"

#include "app/panel_window.h"
#include "calibration/calibration_window.h"
#include "compare/compare_window.h"
#include "config/alarm_frame.h"
#include "config/alarm_log_window.h"
#include "config/alarm_notification.h"
#include "config/alarm_settings.h"
#include "config/alarm_setup_window.h"
#include "config/alarm_watch.h"
#include "config/config_commands.h"
#include "graphs/graph_commands.h"
#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "link/serial_port.h"
#include "logger/erase_frame.h"
#include "logger/logger_frame.h"
#include "logger/logger_memory.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "serve/live_server.h"
#include "serve/share_window.h"
#include "session/meter_session.h"
#include "sim/meter_scenario.h"
#include "sim/simulated_meter_device.h"
#include "ui/dialogs.h"
#include "ui/remembered.h"
#include "views/file_commands.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QKeySequence>
#include <QLabel>

#include <QToolBar>

namespace {

const QString kShareOn = QStringLiteral("ShareLiveView");
const QString kShareListen = QStringLiteral("ShareLiveViewAddress");
const QString kShareMarkToken = QStringLiteral("ShareLiveViewMarkToken");

QString ShareListen() {
    const QString listen = Remembered(kShareListen).toString();
    return listen.isEmpty() ? QString::fromLatin1(ShareWindow::kDefaultListen) : listen;
}

} // namespace

Application::Application()
    : Application(Overrides{}) {}

Application::Application(const Overrides& overrides)
    : simulatorScenario_(overrides.simulatorScenario) {
    if (overrides.clock) {
        clock_ = overrides.clock;
    } else {
        ownClock_ = std::make_unique<SystemClock>();
        clock_ = ownClock_.get();
    }
    if (overrides.dialogs) {
        dialogs_ = overrides.dialogs;
    } else {
        ownDialogs_ = std::make_unique<QtDialogs>();
        dialogs_ = ownDialogs_.get();
    }
    MeterSession::Settings settings;
    settings.sampleCapacity = overrides.sampleCapacity;
    session_ = std::make_unique<MeterSession>(*clock_, settings);
    // The high alarms are the panel's knobs.
    session_->Watch().FollowPanelAlarms(&session_->Alarms());
    panel_ = std::make_unique<Panel>(Live(), Alarms(), GetRecorder());
    loggerMemory_ = std::make_unique<LoggerMemory>();
    loggerFrame_ = new LoggerFrame(Link(), *loggerMemory_, *dialogs_, panel_->LoggerFrameHost());
    new EraseFrame(Link(), *dialogs_, panel_->EraseFrameHost());
    config_ = std::make_unique<ConfigCommands>(
        Link(), *dialogs_, *clock_, panel_.get(), panel_->PowerOffChoice(),
        [this] { return int(GetSampler().SamplingTime()); },
        [this](int t) { session_->SetSamplingTime(t); });
    files_ = std::make_unique<FileCommands>(*session_, *dialogs_, panel_.get(),
                                            [this] { return panel_->PanelUnitText(); });
    graphs_ = std::make_unique<GraphCommands>(*session_, *dialogs_, panel_.get());
    alarmSetup_ = std::make_unique<AlarmSetupWindow>(Watch(), *dialogs_);
    alarmLog_ = std::make_unique<AlarmLogWindow>();
    Wire();
    // The corrections of the last "OK" or "Apply"; a command line's file replaces them after.
    if (const std::optional<Calibration> remembered = CalibrationWindow::RememberedCalibration())
        session_->SetCalibration(*remembered);
}

Application::~Application() {
    session_->Stop();
    delete portWindow_.data();
    delete shareWindow_.data();
    delete compareWindow_.data();
    delete calibrationWindow_.data();
    session_->StopServing();
    config_.reset();
    files_.reset();
    graphs_.reset();
    alarmSetup_.reset();
    alarmLog_.reset();
    panel_.reset();
    session_.reset();
}

MeterLink& Application::Link() {
    return session_->Link();
}
LiveState& Application::Live() {
    return session_->Live();
}
MeterTimers& Application::Timers() {
    return session_->Timers();
}
Sampler& Application::GetSampler() {
    return session_->GetSampler();
}
AlarmSettings& Application::Alarms() {
    return session_->Alarms();
}
AlarmWatch& Application::Watch() {
    return session_->Watch();
}
Recorder& Application::GetRecorder() {
    return session_->GetRecorder();
}
LiveServer* Application::Sharing() const {
    return session_->Server();
}

void Application::Wire() {
    MeterSession& session = *session_;
    connect(&Link(), &MeterLink::LinkCaptionChanged, panel_.get(), &Panel::SetLinkCaption);
    connect(&session, &MeterSession::LinkUp, this, [this] { ShowSetup(QString()); });
    connect(&session, &MeterSession::SetupChanged, this, &Application::ShowSetup);
    connect(&session, &MeterSession::ChannelRebuilt, panel_.get(), &Panel::RebuildChannel);
    connect(&session, &MeterSession::SampleTaken, panel_.get(), &Panel::ShowSample);
    connect(&session, &MeterSession::ReadingsStale, panel_.get(), &Panel::ShowStaleReadings);
    connect(panel_.get(), &Panel::Closing, this, [this] { End(0); });
    connect(&session, &MeterSession::SampleTaken, files_.get(), &FileCommands::OnSample);
    connect(&session, &MeterSession::LiveWindowsMustClose, files_.get(), &FileCommands::CloseList);
    connect(&session, &MeterSession::RecordingFileChanged, this, [this](const QString& file) {
        const Recorder& recorder = GetRecorder();
        alarmLog_->AddNote(clock_->Now(),
                           QStringLiteral("Recording goes on in %1 from record %2: %3")
                               .arg(QDir::toNativeSeparators(file),
                                    QString::number(recorder.RecordCount() + 1),
                                    recorder.ContinuedBecause()));
    });
    panel_->SetCommand(QStringLiteral("Save"), [this] { files_->Save(); });
    panel_->SetCommand(QStringLiteral("Open"), [this] { files_->Open(); });
    panel_->SetCommand(QStringLiteral("List"), [this] { files_->ShowList(); });
    connect(&session, &MeterSession::SampleTaken, graphs_.get(), &GraphCommands::OnSample);
    connect(panel_.get(), &Panel::StripChartClicked, graphs_.get(), &GraphCommands::PlotChannel);
    connect(files_.get(), &FileCommands::PlotRequested, graphs_.get(), &GraphCommands::PlotColumn);
    connect(files_.get(), &FileCommands::HistogramRequested, graphs_.get(),
            &GraphCommands::ShowHistogram);
    connect(&session, &MeterSession::LiveWindowsMustClose, graphs_.get(),
            &GraphCommands::CloseGraph);
    panel_->SetCommand(QStringLiteral("Graph"), [this] { graphs_->ShowGraph(); });
    panel_->SetCommand(QStringLiteral("Sampling"), [this] { config_->RunSampling(); });
    panel_->SetCommand(QStringLiteral("RTC"), [this] { config_->RunRtc(); });
    panel_->SetCommand(QStringLiteral("Buttons"), [this] { config_->ShowButtons(); });
    panel_->SetCommand(QStringLiteral("Poweroff"), [this] { config_->TogglePowerOff(); });
    // "Memory" and "Erase" show or hide their frame; the frames' own OK buttons do the work.
    panel_->SetCommand(QStringLiteral("Memory"),
                       [f = panel_->LoggerFrameHost()] { f->setVisible(f->isHidden()); });
    panel_->SetCommand(QStringLiteral("Erase"),
                       [f = panel_->EraseFrameHost()] { f->setVisible(f->isHidden()); });

    const auto showWindow = [](QWidget* w) {
        w->show();
        w->raise();
        w->activateWindow();
    };
    connect(panel_->AlarmRangeFrame(), &AlarmFrame::ActionsRequested, this,
            [this, showWindow] { showWindow(alarmSetup_.get()); });
    connect(panel_->AlarmRangeFrame(), &AlarmFrame::LogRequested, this,
            [this, showWindow] { showWindow(alarmLog_.get()); });
    connect(&session, &MeterSession::AlarmFired, this, [this, showWindow](const AlarmEvent& e) {
        const bool sound = alarmSetup_->Sound();
        alarmLog_->AddEvent(e, sound);
        if (alarmSetup_->Notify())
            SendAlarmNotification(e);
        // The sound goes on until acknowledged in the log, so the log comes forward.
        if (sound && IsAlarmStart(e.kind))
            showWindow(alarmLog_.get());
    });
    connect(&Watch(), &AlarmWatch::ActionFailed, this,
            [this](const QString& message) { alarmLog_->AddNote(clock_->Now(), message); });
    panel_->Toolbar()->addSeparator();
    QAction* share = panel_->Toolbar()->addAction(QStringLiteral("Share"));
    share->setObjectName(QStringLiteral("Toolbar1_Share"));
    share->setToolTip(QStringLiteral("Share live view"));
    connect(share, &QAction::triggered, this, &Application::ShowShareWindow);
    QAction* compare = panel_->Toolbar()->addAction(QStringLiteral("Compare"));
    compare->setObjectName(QStringLiteral("Toolbar1_Compare"));
    compare->setToolTip(QStringLiteral("Compare runs"));
    connect(compare, &QAction::triggered, this, [this] { ShowCompareWindow(); });
    connect(graphs_.get(), &GraphCommands::CompareRequested, this, [this] { ShowCompareWindow(); });
    QAction* calibration = panel_->Toolbar()->addAction(QStringLiteral("Calibration..."));
    calibration->setObjectName(QStringLiteral("Toolbar1_Calibration"));
    // A tool button drops the dots of the action's text unless told them.
    calibration->setIconText(calibration->text());
    calibration->setToolTip(QStringLiteral("Calibration corrections of the probes"));
    connect(calibration, &QAction::triggered, this, [this] { ShowCalibrationWindow(); });
    QAction* mark = panel_->Toolbar()->addAction(QStringLiteral("Mark"));
    mark->setObjectName(QStringLiteral("Toolbar1_Mark"));
    mark->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    mark->setToolTip(QStringLiteral("Mark an event (Ctrl+M)"));
    connect(mark, &QAction::triggered, this, &Application::AskForMark);
    connect(&session, &MeterSession::CalibrationChanged, this, &Application::ShowCorrections);
    connect(&session, &MeterSession::MarkPlaced, panel_.get(), &Panel::ShowMark);
    connect(loggerFrame_, &LoggerFrame::CompareRequested, this,
            [this](const QVector<LoggedSet>& sets) { ShowCompareWindow()->AddSets(sets); });
}

CompareWindow* Application::ShowCompareWindow() {
    if (!compareWindow_) {
        compareWindow_ = new CompareWindow(*dialogs_, &GetRecorder(), &GetSampler(), panel_.get());
        compareWindow_->setAttribute(Qt::WA_DeleteOnClose);
    }
    compareWindow_->show();
    compareWindow_->raise();
    compareWindow_->activateWindow();
    return compareWindow_;
}

CompareWindow* Application::GetCompareWindow() const {
    return compareWindow_;
}

CalibrationWindow* Application::ShowCalibrationWindow() {
    if (!calibrationWindow_) {
        calibrationWindow_ = new CalibrationWindow([this] { return session_->GetCalibration(); },
                                                   *dialogs_, panel_.get());
        calibrationWindow_->setAttribute(Qt::WA_DeleteOnClose);
        connect(calibrationWindow_, &CalibrationWindow::Applied, session_.get(),
                &MeterSession::SetCalibration);
    }
    calibrationWindow_->show();
    calibrationWindow_->raise();
    calibrationWindow_->activateWindow();
    return calibrationWindow_;
}

CalibrationWindow* Application::GetCalibrationWindow() const {
    return calibrationWindow_;
}

void Application::ShowCorrections() {
    std::array<QString, 4> celsius, fahrenheit;
    const Calibration& calibration = session_->GetCalibration();
    for (int i = 0; i < 4; ++i) {
        celsius[size_t(i)] = calibration.InForceLine(i, false);
        fahrenheit[size_t(i)] = calibration.InForceLine(i, true);
    }
    panel_->ShowCorrections(celsius, fahrenheit);
}

void Application::AskForMark() {
    const std::optional<QString> input = dialogs_->Input(
        panel_.get(), QStringLiteral("Mark"),
        QStringLiteral("What happened? (\"T2: door opened\" marks one channel)"), QString());
    if (!input)
        return;
    QString error;
    const std::optional<Mark> mark = ParseMarkInput(*input, &error);
    if (!mark) {
        panel_->ShowMarkStatus(QStringLiteral("No mark: ") + error, true);
        return;
    }
    Mark placed;
    if (session_->PlaceMark(*mark, &error, &placed))
        panel_->ShowMarkStatus(QStringLiteral("Marked ") + placed.Label(), false);
    else
        panel_->ShowMarkStatus(QStringLiteral("Mark not written: ") + error, true);
}

ShareWindow* Application::GetShareWindow() const {
    return shareWindow_;
}

void Application::ShowShareWindow() {
    if (!shareWindow_) {
        shareWindow_ = new ShareWindow(Sharing() != nullptr, ShareListen(),
                                       Remembered(kShareMarkToken).toString(), panel_.get());
        shareWindow_->setAttribute(Qt::WA_DeleteOnClose);
        shareWindow_->ShowState(Sharing() != nullptr, panel_->ShareStatus()->text());
        connect(shareWindow_, &ShareWindow::Changed, this, &Application::Share);
    }
    shareWindow_->show();
    shareWindow_->raise();
}

void Application::Share(bool on, const QString& listen, const QString& markToken) {
    session_->StopServing();
    Remember(kShareOn, on);
    Remember(kShareListen, listen);
    Remember(kShareMarkToken, markToken);
    QString error;
    if (on) {
        LiveServer::Settings settings;
        settings.markToken = markToken.toUtf8();
        if (LiveServer::ParseListen(listen, &settings.address, &settings.port, &error))
            session_->Serve(settings, &error);
    }
    const LiveServer* server = Sharing();
    const QString marks =
        markToken.isEmpty() ? QString() : QStringLiteral("; the page places marks");
    const QString text = server ? QStringLiteral("Sharing on ") + server->Url() + marks
                         : on   ? QStringLiteral("Not sharing: ") + error
                                : QString();
    panel_->ShareStatus()->setText(text);
    if (shareWindow_)
        shareWindow_->ShowState(server != nullptr, text);
}

SimulatedMeterDevice* Application::Simulator() const {
    return qobject_cast<SimulatedMeterDevice*>(device_.get());
}

void Application::ShowPortWindow(const PortChoice& preselect) {
    portWindow_ = new PortWindow(preselect);
    portWindow_->setAttribute(Qt::WA_DeleteOnClose);
    connect(portWindow_, &PortWindow::Chosen, this, [this](const PortChoice& choice) {
        StartPanel(choice);
        if (portWindow_)
            portWindow_->close();
    });
    connect(portWindow_, &PortWindow::Abandoned, this, [this] { End(0); });
    portWindow_->show();
}

bool Application::StartPanel(const PortChoice& choice) {
    Link().SetLinkLost(true);
    panel_->move(0, 0);

    QString caption;
    QString error;
    if (choice.simulated) {
        auto simulator = std::make_unique<SimulatedMeterDevice>();
        if (!simulatorScenario_.isEmpty())
            LoadScenario(simulatorScenario_, simulator->Model());
        if (simulator->open(QIODevice::ReadWrite)) {
            device_ = std::move(simulator);
            caption = QStringLiteral("Simulated");
        } else {
            error = simulator->errorString();
        }
    } else {
        OpenedPort opened = OpenMeterPort(choice.name);
        if (opened.port) {
            device_ = std::move(opened.port);
            // "COM3" stays "COM3"; elsewhere the device's name as chosen.
            caption = choice.name;
        } else {
            error = opened.error;
        }
    }
    if (!device_) {
        dialogs_->Critical(nullptr, QStringLiteral("No device found, try again!"),
                           error.isEmpty() ? choice.name : error);
        End(1);
        return false;
    }
    PortWindow::RememberWorkingPort(choice);
    session_->Attach(device_.get(), caption);
    panel_->SetLinkCaption(caption);

    session_->SetSamplingTime(1.0);
    QComboBox* combo = panel_->PowerOffChoice();
    combo->clear();
    combo->addItems(
        {QStringLiteral(" 5 Minutes"), QStringLiteral("15 Minutes"), QStringLiteral("30 Minutes")});

    panel_->show();
    if (Remembered(kShareOn).toBool())
        Share(true, ShareListen(), Remembered(kShareMarkToken).toString());
    session_->Start();
    return true;
}

void Application::ShowSetup(const QString& change) {
    Q_EMIT ConfigurationChanged(change.isEmpty() ? QStringLiteral("the meter's set-up changed")
                                                 : change);
    files_->CloseList();
    panel_->RebuildDisplay();
}

void Application::End(int exitCode) {
    if (ended_)
        return;
    ended_ = true;
    session_->Stop();
    if (device_)
        device_->close();
    Q_EMIT Finished(exitCode);
}
