#pragma once

#include "recording/sample_buffers.h"
#include "recording/sample_record.h"

#include <QObject>
#include <QString>
#include <array>
#include <optional>

class Calibration;
class Clock;
class LiveState;
struct ChannelState;

// What one channel shows and charts at a sample, by the precedence: no probe, normal reading,
// under range, over range (over wins when both flags are set).
struct ChannelSample {
    QString TextC, TextF;                    // "23.4", "- - -", "Under", "Over"
    std::optional<int> ChartedC, ChartedF;   // tenths; empty: nothing charted or stored
    bool AtAlarmC = false, AtAlarmF = false; // normal reading at or above the alarm value
};
// `overC` is what a channel reading "Over" charts in °C (empty: the top of its type's range).
ChannelSample SampleChannel(const ChannelState& channel, int alarmC, int alarmF,
                            std::optional<int> overC = std::nullopt);
// The same sample with the channel's calibration correction applied to a normal reading (never
// to "Over", "Under" or "- - -"); the alarm is judged on the corrected value, and "beyond" in the
// unit the correction was given in. What the meter read goes to `read` where it was corrected.
ReadingCorrection CorrectChannel(ChannelSample& sample, const Calibration& calibration, int channel,
                                 int alarmC, int alarmF, ChannelSample* read);

// The sampling side of the main loop: counts `Timer2` ticks up to the sampling time, then takes
// a sample of the live state into the sample buffers and hands it on. Only current readings
// are sampled: a channel whose packet is older than `LiveState::FreshForMs()` is left out, and
// while no channel is current no sample is taken at all (a hole, as while the link is lost).
class Sampler : public QObject {
    Q_OBJECT
public:
    Sampler(const Clock& clock, const LiveState& live, const AlarmValues& alarms,
            int capacity = SampleBuffers::kCapacity, QObject* parent = nullptr);

    // The corrections applied to every sample from now on (not owned; null: none).
    void SetCalibration(const Calibration* calibration) { calibration_ = calibration; }

    // Seconds between samples.
    double SamplingTime() const { return samplingTime_; }
    void SetSamplingTime(double seconds) { samplingTime_ = seconds; }
    // Counts the ticks to the next sample from nothing, as after a new sampling time.
    void RestartTickCount() { sampleTickCount_ = 0; }

    // Samples since the last configuration change (at most the buffers' capacity).
    int SampleIndex() const { return buffers_.Count(); }
    const SampleBuffers& Buffers() const { return buffers_; }

    // The `Timer2` tick. True when it took a sample. A sample that falls due while no reading
    // is current is taken at the first tick that finds one.
    bool SampleTick();
    // Takes one sample now, of the channels marked fresh.
    SampleRecord TakeSample(const ChannelFreshness& fresh = {true, true, true, true});
    // Which channels' readings are current now, by the clock.
    ChannelFreshness Freshness() const;
    // A configuration change or a link recovery: the buffers start over at sample 1.
    void StartOver() { buffers_.Clear(); }

    const std::array<bool, 4>& AlarmShownC() const { return alarmShownC_; }
    const std::array<bool, 4>& AlarmShownF() const { return alarmShownF_; }

Q_SIGNALS:
    // After the buffers hold the sample; the panels refresh from it, and so can the recording,
    // the live list and the real-time graph.
    void SampleTaken(const SampleRecord& record);
    // At a tick that finds some reading no longer current, sample due or not.
    void ReadingsStale(const ChannelFreshness& fresh);

private:
    const Clock& clock_;
    const LiveState& live_;
    const AlarmValues& alarms_;
    const Calibration* calibration_ = nullptr;
    SampleBuffers buffers_;
    double samplingTime_ = 1.0;
    double sampleTickCount_ = 0; // ticks since the last sample
    std::array<bool, 4> alarmShownC_{}, alarmShownF_{};
};
