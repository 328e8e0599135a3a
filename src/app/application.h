#pragma once

#include "link/live_state.h"
#include "link/port_window.h"
#include "recording/sample_buffers.h"

#include <QObject>
#include <QPointer>
#include <array>
#include <memory>
#include <optional>

class AlarmLogWindow;
class AlarmSettings;
class AlarmSetupWindow;
class AlarmWatch;
class CalibrationWindow;
class Clock;
class CompareWindow;
class ConfigCommands;
class Dialogs;
class FileCommands;
class GraphCommands;
class LiveServer;
class LiveState;
class LoggerFrame;
class LoggerMemory;
class MeterLink;
class MeterSession;
class MeterTimers;
class Panel;
class QIODevice;
class Recorder;
class Sampler;
class ShareWindow;
class SimulatedMeterDevice;

// The composition root: creates the program's core objects and windows once, wires them, and
// runs start-up and end. Other commands join here: `GetPanel().SetCommand(key, ...)`.
class Application : public QObject {
    Q_OBJECT
public:
    // Pieces a test (or the benchmark) replaces; empty members mean the real ones.
    struct Overrides {
        Dialogs* dialogs = nullptr;
        const Clock* clock = nullptr;
        int sampleCapacity = SampleBuffers::kCapacity;
        // What the built-in simulated meter is set up with; empty: as it is built.
        QString simulatorScenario;
    };
    Application();
    explicit Application(const Overrides& overrides);
    ~Application() override;

    // The start-up window; `preselect` comes from the command line.
    void ShowPortWindow(const PortChoice& preselect);
    PortWindow* GetPortWindow() const { return portWindow_; }

    // The main window's start-up on the chosen port: opens it, shows the panel and starts the
    // timers. When the port cannot be opened it says so, with the system's reason, and the
    // program ends (`Finished(1)`); then it returns false.
    bool StartPanel(const PortChoice& choice);

    // The meter session the windows show and drive, and its pieces.
    MeterSession& Session() { return *session_; }
    Panel& GetPanel() { return *panel_; }
    MeterLink& Link();
    LiveState& Live();
    MeterTimers& Timers();
    Sampler& GetSampler();
    AlarmSettings& Alarms();
    AlarmWatch& Watch();
    Recorder& GetRecorder();
    AlarmSetupWindow& AlarmSetup() { return *alarmSetup_; }
    AlarmLogWindow& AlarmLog() { return *alarmLog_; }
    ConfigCommands& Config() { return *config_; }
    FileCommands& Files() { return *files_; }
    GraphCommands& Graphs() { return *graphs_; }
    Dialogs& GetDialogs() { return *dialogs_; }
    const Clock& GetClock() const { return *clock_; }
    // The in-process simulated meter while it is the chosen port, else null.
    SimulatedMeterDevice* Simulator() const;
    QIODevice* Device() const { return device_.get(); }

    // "Share live view": serves the live web view on `listen` ("127.0.0.1:8080") while on, shows
    // the address in the panel's status area and remembers the choice for the next start.
    void Share(bool on, const QString& listen, const QString& markToken);
    // The server while sharing, else null.
    LiveServer* Sharing() const;
    // The toolbar's "Share" opens it; null while closed.
    ShareWindow* GetShareWindow() const;
    // The toolbar's "Compare", the Data Logger's "Compare" and the Plot window's "Compare..."
    // show it (one for the program); null while closed.
    CompareWindow* ShowCompareWindow();
    CompareWindow* GetCompareWindow() const;
    // The toolbar's "Calibration..." shows it (one for the program); null while closed.
    CalibrationWindow* ShowCalibrationWindow();
    CalibrationWindow* GetCalibrationWindow() const;
    // The toolbar's "Mark" and Ctrl+M: asks for the mark's text ("T2: door opened" marks one
    // channel) and places it. The panel's status area shows it, or why it did not reach the
    // marks file beside the recording (the mark is placed all the same).
    void AskForMark();

Q_SIGNALS:
    // The meter's configuration changed (a probe, a type or the unit; `change` says which): a
    // running recording goes on in its next continuation file and the live list closes here.
    // Emitted before the display is rebuilt and the samples start over; not when a link that
    // came back finds the meter set up as before.
    void ConfigurationChanged(const QString& change);
    // The program ends with this exit code (the main window closed, the port window was
    // closed without a choice, or the port could not be opened).
    void Finished(int exitCode);

private:
    void Wire();
    // The display is built for the meter's set-up: at linking up and at each change.
    void ShowSetup(const QString& change);
    void End(int exitCode);
    void ShowShareWindow();
    void ShowCorrections();

    std::unique_ptr<Clock> ownClock_;
    std::unique_ptr<Dialogs> ownDialogs_;
    const Clock* clock_;
    Dialogs* dialogs_;
    std::unique_ptr<MeterSession> session_;
    std::unique_ptr<LoggerMemory> loggerMemory_;
    std::unique_ptr<QIODevice> device_;
    std::unique_ptr<Panel> panel_;
    std::unique_ptr<ConfigCommands> config_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<GraphCommands> graphs_;
    std::unique_ptr<AlarmSetupWindow> alarmSetup_;
    std::unique_ptr<AlarmLogWindow> alarmLog_;
    QPointer<PortWindow> portWindow_;
    QPointer<ShareWindow> shareWindow_;
    QPointer<CompareWindow> compareWindow_;
    QPointer<CalibrationWindow> calibrationWindow_;
    LoggerFrame* loggerFrame_ = nullptr; // owned by the panel's logger frame
    QString simulatorScenario_;
    bool ended_ = false;
};
