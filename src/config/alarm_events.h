#pragma once

#include <QDateTime>
#include <QString>
#include <array>
#include <optional>
#include <vector>

struct SampleRecord;

// What can happen to a channel or to the link; each fires once when it starts and once when
// it ends.
enum class AlarmEventKind {
    High,
    HighClear,
    Low,
    LowClear,
    ProbeLost,
    ProbeBack,
    Over,
    OverClear,
    Under,
    UnderClear,
    LinkLost,
    LinkBack,
    BandOut, // the reading left the band around a reference run
    BandIn,
};

// Whether the event is the start of an alarm rather than its end.
bool IsAlarmStart(AlarmEventKind kind);

// The event's name as commands and the alarm log see it: "high", "probe-lost", "link-back", ...
QString AlarmEventName(AlarmEventKind kind);

struct AlarmEvent {
    AlarmEventKind kind = AlarmEventKind::High;
    int channel = -1; // 0..3; -1 for the link
    QString value;    // the reading text ("251.3", "Over", "- - -"); empty for the link
    QString limit;    // the limit crossed ("250", "-18"; seconds for the link); may be empty
    QString unit;     // "°C", "°F"; "s" for the link
    QDateTime time;
    bool corrected = false; // the value is a calibration-corrected reading

    QString ChannelText() const; // "T1" .. "T4", empty for the link
    QString TimeText() const;    // ISO 8601 local time, "2026-12-07T05:21:18"
    // One line for people: "05:21:18 T1 high 251.3 (limit 250 °C)", "... 251.3 corrected (...)".
    QString Describe() const;
};

// Degrees written with "." as the decimal point ("250", "-18", "1.5"), in tenths; empty when
// the text is not such a number.
std::optional<int> DegreesInTenths(const QString& text);

// Where alarms start, in tenths of a degree of the panel's unit.
struct AlarmLimits {
    std::array<std::optional<int>, 4> high, low; // empty: no such alarm on that channel
    int hysteresis = 10;                         // a high alarm clears below high - hysteresis
    int linkLostSeconds = 30;                    // a link lost this long is an event
};

// Turns samples and the link's state over time into events. It only compares; it neither
// waits nor acts, so it can never hold up the polling or the sampling.
class AlarmDetector {
public:
    const AlarmLimits& Limits() const { return limits_; }
    void SetLimits(const AlarmLimits& limits) { limits_ = limits; }
    // The high alarm of one channel alone (empty: none), as the panel's alarm values set it.
    void SetHighAlarm(int channel, std::optional<int> tenths) {
        limits_.high[size_t(channel)] = tenths;
    }

    // One sample, read in the panel's unit. Nothing fires while the link is lost: the readings
    // are gone then, not the probes.
    std::vector<AlarmEvent> Sample(const SampleRecord& record, bool fahrenheit,
                                   const QDateTime& now);
    // The link's state now; call it whenever it changes and now and then while it is lost.
    std::vector<AlarmEvent> Link(bool lost, const QDateTime& now);

private:
    struct Watch {
        bool probe = false; // a probe was seen since the start or since it came back
        bool lost = false, high = false, low = false, over = false, under = false;
    };
    AlarmLimits limits_;
    std::array<Watch, 4> watch_{};
    bool linkLost_ = false, linkEvent_ = false;
    QDateTime lostSince_;
};
