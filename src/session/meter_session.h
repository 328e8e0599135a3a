#pragma once

// One meter session: everything that talks to the meter, samples it, records it, watches its
// alarms and serves it, wired once. The desktop program and every command of corvilab-cli make
// one, connect its signals to windows or to standard output and call its verbs; neither wires
// the pieces inside by hand.

#include "calibration/calibration.h"
#include "config/alarm_settings.h"
#include "config/alarm_watch.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "recording/marks.h"
#include "recording/recorder.h"
#include "recording/sample_buffers.h"
#include "recording/sampler.h"
#include "serve/live_server.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class BandWatch;
class Clock;
class QIODevice;

class MeterSession : public QObject {
    Q_OBJECT
public:
    struct Settings {
        int sampleCapacity = SampleBuffers::kCapacity;
        qint64 recordsPerFile = RecordsPerDataFile; // lowered by tests only
    };

    explicit MeterSession(const Clock& clock);
    MeterSession(const Clock& clock, const Settings& settings);
    ~MeterSession() override;

    const Clock& GetClock() const { return clock_; }
    MeterTimers& Timers() { return timers_; }
    LiveState& Live() { return live_; }
    const LiveState& Live() const { return live_; }
    MeterLink& Link() { return link_; }
    const MeterLink& Link() const { return link_; }
    AlarmSettings& Alarms() { return alarms_; }
    Sampler& GetSampler() { return sampler_; }
    AlarmWatch& Watch() { return watch_; }
    Recorder& GetRecorder() { return recorder_; }
    const Recorder& GetRecorder() const { return recorder_; }

    // The meter's line (not owned); `caption` is what the link shows while up ("/dev/ttyUSB0").
    // The link counts as lost until the recovery links up.
    void Attach(QIODevice* device, const QString& caption);
    // Polling and sampling on: the first poll links up.
    void Start();
    // For good: the timers stop and every wait returns. Nothing is polled or sampled after it.
    void Stop();
    bool Stopped() const { return stopped_; }

    // Seconds between samples; the count to the next sample starts afresh.
    void SetSamplingTime(double seconds);

    // Linked and the meter's set-up read at least once.
    bool SetupKnown() const { return setup_.has_value(); }
    // The set-up the session goes on with (the display, the recording's heading).
    std::optional<MeterSetup> Setup() const { return setup_; }
    // The local time the link was lost, while it is lost after having been up.
    std::optional<QDateTime> LostAt() const { return lostAt_; }
    // The meter's type letters now, as the recording's heading names them.
    std::array<QString, 4> TypeLetters() const;

    // A recording of every sample into `path` (created or replaced) under the meter's current
    // unit and types. False with the reason in `error`.
    bool StartRecording(const QString& path, QString* error);
    // Ends a running recording. False when its end may be missing; the reason in `error`.
    bool StopRecording(QString* error);

    // The alarm limits and the unit they are in (empty: the meter's, at each sample).
    void SetAlarmUnit(std::optional<bool> fahrenheit);
    std::optional<bool> AlarmUnit() const { return alarmUnit_; }

    // A reference run that every sample is held against, whatever window is open: leaving its
    // band is the alarm event "band-out", coming back "band-in". A recording that starts lines
    // the live readings up with it anew.
    void SetReference(std::unique_ptr<BandWatch> reference);
    void ClearReference();
    const BandWatch* Reference() const { return reference_.get(); }

    // The probes' calibration corrections, applied to every sample from the next one on: the
    // panel, lists, charts, alarms and the web view show corrected readings, the data file
    // keeps what the meter read and the corrected readings go beside it.
    void SetCalibration(const Calibration& calibration);
    const Calibration& GetCalibration() const { return calibration_; }

    // Places a mark now ("load in", on one channel or all). While recording it goes onto the
    // disk beside the data file before this returns; false with the reason in `error` when it
    // could not (the mark is placed all the same). `placed`, when given, gets the mark.
    bool PlaceMark(const Mark& mark, QString* error, Mark* placed = nullptr);
    // The last kMarksKept marks, oldest first.
    const QList<Mark>& Marks() const { return marks_; }
    static constexpr int kMarksKept = 1000;

    // The live web view of this session, until StopServing: it shows the readings corrected as
    // the samples are and lists the marks; with a mark token it places marks too. False with the
    // reason in `error`.
    bool Serve(const LiveServer::Settings& settings, QString* error);
    void StopServing();
    LiveServer* Server() const { return server_.get(); }

    // The timers' handlers: one polling tick, one sampling tick.
    void Poll();
    void Sample();
    // Holds one sample against the reference now, as the session does after each sample.
    void HoldAgainstReference(const SampleRecord& record);

Q_SIGNALS:
    // The link came up for the first time and the meter's set-up is known.
    void LinkUp();
    // The link was lost after having been up (the recovery now waits for the meter).
    void LinkLost(const QDateTime& at);
    // The link is back; `asBefore` when the meter is set up as it was, so samples go on.
    void LinkBack(bool asBefore);
    // The meter's set-up changed after linking up: `change` says what and when ("T4 probe
    // unplugged at 14:05:09"). A running recording already goes on in its next file.
    void SetupChanged(const QString& change);
    // The display of a channel has to be built anew (a recovery found it set up differently).
    void ChannelRebuilt(int channel);
    // The live list and the real-time graph close: what they show no longer holds.
    void LiveWindowsMustClose();
    // A sample was taken (after the buffers hold it and the recording has its line).
    void SampleTaken(const SampleRecord& record);
    // Some reading is not current at a sampling tick.
    void ReadingsStale(const ChannelFreshness& fresh);
    // An alarm event, a band event among them, after its actions ran.
    void AlarmFired(const AlarmEvent& event);
    // The recording goes on in another file (`Recorder::ContinuedBecause` says why).
    void RecordingFileChanged(const QString& file);
    // A poll found every wait cancelled (Stop, or the caller's deadline).
    void PollCancelled();
    // The calibration corrections changed.
    void CalibrationChanged();
    // A mark was placed (`Marks()` holds it).
    void MarkPlaced(const Mark& mark);
    // ... but it could not be written beside the recording: `why` names the file and the reason.
    void MarkNotWritten(const QString& why);
    // Nothing can be held against the reference (it never crosses its level in this unit).
    void ReferenceUnusable(const QString& problem);

private:
    void OnConfigurationChanged();
    void OnChannelRebuilt(int channel);
    void OnResynced(bool asBefore);
    void OnLinkCaption();
    QString TimeNow() const;
    // The sample buffers start over at sample 1: marks no longer point into them.
    void StartSamplesOver();

    const Clock& clock_;
    MeterTimers timers_;
    LiveState live_;
    MeterLink link_;
    AlarmSettings alarms_;
    Sampler sampler_;
    AlarmWatch watch_;
    Recorder recorder_;
    Calibration calibration_;
    QList<Mark> marks_;
    std::unique_ptr<BandWatch> reference_;
    QString referenceProblem_; // the last one told
    std::unique_ptr<LiveServer> server_;
    std::optional<MeterSetup> setup_;
    std::optional<QDateTime> lostAt_;
    std::optional<bool> alarmUnit_;
    bool stopped_ = false;
};
