#include "app/application.h"

#include "app/panel_window.h"
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
#include "sim/meter_scenario.h"
#include "sim/simulated_meter_device.h"
#include "ui/dialogs.h"
#include "ui/remembered.h"
#include "views/file_commands.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QSerialPort>
#include <QToolBar>

namespace {

const QString kShareOn = QStringLiteral("ShareLiveView");
const QString kShareListen = QStringLiteral("ShareLiveViewAddress");

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
    timers_ = std::make_unique<MeterTimers>();
    timers_->AlignSamplingTo(*clock_);
    live_ = std::make_unique<LiveState>();
    link_ = std::make_unique<MeterLink>(*clock_, *timers_, *live_);
    alarms_ = std::make_unique<AlarmSettings>(*live_);
    sampler_ = std::make_unique<Sampler>(*clock_, *live_, *alarms_, overrides.sampleCapacity);
    watch_ = std::make_unique<AlarmWatch>(*clock_, *link_, *sampler_);
    watch_->FollowPanelAlarms(alarms_.get());
    recorder_ = std::make_unique<Recorder>();
    panel_ = std::make_unique<Panel>(*live_, *alarms_, *recorder_);
    loggerMemory_ = std::make_unique<LoggerMemory>();
    loggerFrame_ = new LoggerFrame(*link_, *loggerMemory_, *dialogs_, panel_->PicLogger());
    new EraseFrame(*link_, *dialogs_, panel_->PicErase());
    config_ = std::make_unique<ConfigCommands>(
        *link_, *dialogs_, *clock_, panel_.get(), panel_->ComboP(),
        [this] { return int(sampler_->SamplingTime()); },
        [this](int t) {
            sampler_->SetSamplingTime(t);
            sampler_->RestartTickCount();
        });
    files_ =
        std::make_unique<FileCommands>(*recorder_, *dialogs_, *timers_, *live_, *clock_,
                                       panel_.get(), [this] { return panel_->PanelUnitText(); });
    graphs_ = std::make_unique<GraphCommands>(*sampler_, *live_, *timers_, *dialogs_, *clock_,
                                              panel_.get());
    alarmSetup_ = std::make_unique<AlarmSetupWindow>(*watch_, *dialogs_);
    alarmLog_ = std::make_unique<AlarmLogWindow>();
    Wire();
}

Application::~Application() {
    // Nested waits must return before the objects they use go.
    link_->Cancel();
    timers_->PollingTimer().stop();
    timers_->SamplingTimer().stop();
    delete portWindow_.data();
    delete shareWindow_.data();
    delete compareWindow_.data();
    sharing_.reset();
    config_.reset();
    files_.reset();
    graphs_.reset();
    alarmSetup_.reset();
    alarmLog_.reset();
    panel_.reset();
    link_->SetDevice(nullptr, QString());
}

void Application::Wire() {
    connect(&timers_->PollingTimer(), &QTimer::timeout, this, &Application::PollTick);
    connect(&timers_->SamplingTimer(), &QTimer::timeout, this, &Application::SampleTick);
    connect(link_.get(), &MeterLink::LinkCaptionChanged, panel_.get(), &Panel::SetLinkCaption);
    connect(link_.get(), &MeterLink::ConfigurationChanged, this,
            &Application::OnConfigurationChanged);
    connect(link_.get(), &MeterLink::ChannelRebuilt, this, &Application::OnChannelRebuilt);
    connect(link_.get(), &MeterLink::Resynced, this, [this](bool asBefore) {
        // A meter set up as before goes on where it was: charts, buffers and lists keep theirs.
        if (!asBefore)
            sampler_->StartOver();
    });
    connect(sampler_.get(), &Sampler::SampleTaken, panel_.get(), &Panel::ShowSample);
    connect(sampler_.get(), &Sampler::ReadingsStale, panel_.get(), &Panel::ShowStaleReadings);
    connect(panel_.get(), &Panel::Closing, this, [this] { End(0); });
    connect(sampler_.get(), &Sampler::SampleTaken, files_.get(), &FileCommands::OnSample);
    connect(this, &Application::ConfigurationChanged, files_.get(),
            &FileCommands::OnConfigurationChanged);
    connect(link_.get(), &MeterLink::LiveWindowsMustClose, files_.get(), &FileCommands::CloseList);
    connect(recorder_.get(), &Recorder::Continued, this, [this] {
        alarmLog_->AddNote(clock_->Now(),
                           QStringLiteral("Recording goes on in %1 from record %2: %3")
                               .arg(QDir::toNativeSeparators(recorder_->CurrentFileName()),
                                    QString::number(recorder_->RecordCount() + 1),
                                    recorder_->ContinuedBecause()));
    });
    panel_->SetCommand(QStringLiteral("Save"), [this] { files_->Save(); });
    panel_->SetCommand(QStringLiteral("Open"), [this] { files_->Open(); });
    panel_->SetCommand(QStringLiteral("List"), [this] { files_->ShowList(); });
    connect(sampler_.get(), &Sampler::SampleTaken, graphs_.get(), &GraphCommands::OnSample);
    connect(panel_.get(), &Panel::StripChartClicked, graphs_.get(), &GraphCommands::PlotChannel);
    connect(files_.get(), &FileCommands::PlotRequested, graphs_.get(), &GraphCommands::PlotColumn);
    connect(files_.get(), &FileCommands::HistogramRequested, graphs_.get(),
            &GraphCommands::ShowHistogram);
    connect(link_.get(), &MeterLink::LiveWindowsMustClose, graphs_.get(),
            &GraphCommands::CloseGraph);
    panel_->SetCommand(QStringLiteral("Graph"), [this] { graphs_->ShowGraph(); });
    panel_->SetCommand(QStringLiteral("Sampling"), [this] { config_->RunSampling(); });
    panel_->SetCommand(QStringLiteral("RTC"), [this] { config_->RunRtc(); });
    panel_->SetCommand(QStringLiteral("Buttons"), [this] { config_->ShowButtons(); });
    panel_->SetCommand(QStringLiteral("Poweroff"), [this] { config_->TogglePowerOff(); });
    // "Memory" and "Erase" show or hide their frame; the frames' own OK buttons do the work.
    panel_->SetCommand(QStringLiteral("Memory"),
                       [f = panel_->PicLogger()] { f->setVisible(f->isHidden()); });
    panel_->SetCommand(QStringLiteral("Erase"),
                       [f = panel_->PicErase()] { f->setVisible(f->isHidden()); });

    const auto showWindow = [](QWidget* w) {
        w->show();
        w->raise();
        w->activateWindow();
    };
    connect(panel_->PicAlmRange(), &AlarmFrame::ActionsRequested, this,
            [this, showWindow] { showWindow(alarmSetup_.get()); });
    connect(panel_->PicAlmRange(), &AlarmFrame::LogRequested, this,
            [this, showWindow] { showWindow(alarmLog_.get()); });
    connect(watch_.get(), &AlarmWatch::EventFired, this, [this, showWindow](const AlarmEvent& e) {
        const bool sound = alarmSetup_->Sound();
        alarmLog_->AddEvent(e, sound);
        if (alarmSetup_->Notify())
            SendAlarmNotification(e);
        // The sound goes on until acknowledged in the log, so the log comes forward.
        if (sound && IsAlarmStart(e.kind))
            showWindow(alarmLog_.get());
    });
    connect(watch_.get(), &AlarmWatch::ActionFailed, this,
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
    // The real-time graph's reference: its band events get the alarm actions, and a recording
    // that starts is where the live readings line up with it.
    connect(graphs_.get(), &GraphCommands::BandEvents, watch_.get(), &AlarmWatch::Fire);
    connect(recorder_.get(), &Recorder::Started, graphs_.get(), &GraphCommands::RestartReference);
    connect(loggerFrame_, &LoggerFrame::CompareRequested, this,
            [this](const QVector<LoggedSet>& sets) { ShowCompareWindow()->AddSets(sets); });
}

CompareWindow* Application::ShowCompareWindow() {
    if (!compareWindow_) {
        compareWindow_ =
            new CompareWindow(*dialogs_, recorder_.get(), sampler_.get(), panel_.get());
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

ShareWindow* Application::GetShareWindow() const {
    return shareWindow_;
}

void Application::ShowShareWindow() {
    if (!shareWindow_) {
        shareWindow_ = new ShareWindow(sharing_ != nullptr, ShareListen(), panel_.get());
        shareWindow_->setAttribute(Qt::WA_DeleteOnClose);
        shareWindow_->ShowState(sharing_ != nullptr, panel_->LblShare()->text());
        connect(shareWindow_, &ShareWindow::Changed, this, &Application::Share);
    }
    shareWindow_->show();
    shareWindow_->raise();
}

void Application::Share(bool on, const QString& listen) {
    sharing_.reset();
    Remember(kShareOn, on);
    Remember(kShareListen, listen);
    QString error;
    if (on) {
        LiveServer::Settings settings;
        if (LiveServer::ParseListen(listen, &settings.address, &settings.port, &error)) {
            auto server = std::make_unique<LiveServer>(*live_, *link_, *alarms_, *sampler_);
            server->SetRecorder(recorder_.get());
            if (server->Start(settings, &error))
                sharing_ = std::move(server);
        }
    }
    const QString text = sharing_ ? QStringLiteral("Sharing on ") + sharing_->Url()
                         : on     ? QStringLiteral("Not sharing: ") + error
                                  : QString();
    panel_->LblShare()->setText(text);
    if (shareWindow_)
        shareWindow_->ShowState(sharing_ != nullptr, text);
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
    link_->SetLinkLost(true);
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
    link_->SetDevice(device_.get(), caption);
    panel_->SetLinkCaption(caption);

    sampler_->SetSamplingTime(1.0);
    QComboBox* combo = panel_->ComboP();
    combo->clear();
    combo->addItems(
        {QStringLiteral(" 5 Minutes"), QStringLiteral("15 Minutes"), QStringLiteral("30 Minutes")});

    panel_->show();
    if (Remembered(kShareOn).toBool())
        Share(true, ShareListen());
    timers_->StartBoth();
    return true;
}

void Application::PollTick() {
    if (!ended_)
        link_->PollTick();
}

void Application::SampleTick() {
    if (ended_)
        return;
    timers_->SamplingTicked();
    sampler_->SampleTick();
}

void Application::OnConfigurationChanged() {
    const MeterSetup now = live_->CurrentSetup();
    const QString change = shownSetup_ ? SetupChangeText(*shownSetup_, now)
                                       : QStringLiteral("the meter's set-up changed");
    shownSetup_ = now;
    Q_EMIT ConfigurationChanged(change);
    for (int i = 0; i < 4; ++i)
        alarms_->RebuildChannel(i);
    panel_->RebuildDisplay();
    sampler_->StartOver();
}

void Application::OnChannelRebuilt(int channel) {
    // The recovery starts a channel's alarm at the top of its type's range. A channel that came
    // back as it was shown keeps the user's alarm values and ranges: a short break of the line
    // must not quietly disarm an alarm set for a long run.
    const ChannelState& now = live_->Channel(channel);
    const bool asBefore = shownSetup_ && shownSetup_->unit == live_->UnitText() &&
                          shownSetup_->probes[size_t(channel)] == now.ProbeValid &&
                          shownSetup_->types[size_t(channel)] == now.TypeCode;
    if (!asBefore)
        alarms_->ResetChannel(channel);
    panel_->RebuildChannel(channel);
    sampler_->StartOver();
}

void Application::End(int exitCode) {
    if (ended_)
        return;
    ended_ = true;
    link_->Cancel();
    timers_->PollingTimer().stop();
    timers_->SamplingTimer().stop();
    if (device_)
        device_->close();
    Q_EMIT Finished(exitCode);
}
