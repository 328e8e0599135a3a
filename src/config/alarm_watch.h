#pragma once

#include "config/alarm_actions.h"
#include "config/alarm_events.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

class AlarmSettings;
class Clock;
class LiveState;
class MeterLink;
class Sampler;
struct SampleRecord;
class AlarmLog;

// Watches the samples and the link for alarm events and runs the actions every front end
// shares: the user's command and the alarm log. The samples are looked at after the sampling
// handler has returned, so no alarm ever holds up polling, sampling or recording.
class AlarmWatch : public QObject {
    Q_OBJECT
public:
    AlarmWatch(const Clock& clock, MeterLink& link, Sampler& sampler, QObject* parent = nullptr);
    ~AlarmWatch() override;

    const AlarmLimits& Limits() const { return detector_.Limits(); }
    void SetLimits(const AlarmLimits& limits) { detector_.SetLimits(limits); }
    const QString& CommandLine() const { return command_.CommandLine(); }
    void SetCommandLine(const QString& commandLine) { command_.SetCommandLine(commandLine); }
    const AlarmCommand& Command() const { return command_; }
    // The unit the limits are in; empty: the meter's.
    void SetUnit(std::optional<bool> fahrenheit) { fahrenheit_ = fahrenheit; }

    // The high alarms follow the alarm values of the panel (the knobs) when set.
    void FollowPanelAlarms(const AlarmSettings* alarms) { panelAlarms_ = alarms; }
    // An empty path keeps no log.
    void SetLogPath(const QString& path);

    // Looks at one sample now, as the watch does after each sample.
    void Look(const SampleRecord& record);
    // Before the program ends: looks at the samples still waiting, then lets the commands
    // still running end within their time limit (`wait`) or ends them now, quietly either way.
    void Finish(bool wait = true);
    // Events found elsewhere (a reading leaving the band of a reference run) get the same
    // actions: the command, the log, EventFired.
    void Fire(const std::vector<AlarmEvent>& events);

Q_SIGNALS:
    void EventFired(const AlarmEvent& event);
    // An action that did not work: the command failed, the log could not be written.
    void ActionFailed(const QString& message);

private:
    void LookAtLink();

    const Clock& clock_;
    MeterLink& link_;
    AlarmDetector detector_;
    AlarmCommand command_;
    std::optional<bool> fahrenheit_;
    const AlarmSettings* panelAlarms_ = nullptr;
    std::unique_ptr<AlarmLog> log_;
    QTimer linkTimer_;
};
