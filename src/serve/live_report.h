#pragma once

// What the live web view serves, as text: the live state as JSON, the recent samples as JSON and
// the Prometheus text format. Each is made from the core objects at the moment it is asked for,
// so the page, the API and the metrics show what the panel shows.

#include "recording/marks.h"
#include "recording/sampler.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <deque>
#include <optional>

class Calibration;
class LiveState;
class MeterLink;
class Recorder;

// Counts kept while serving, for the metrics.
struct ServeCounters {
    qint64 samples = 0;    // samples taken since serving started; also the samples' numbers
    qint64 linkLosses = 0; // times a working link was lost
    qint64 marks = 0;      // marks placed since serving started
};

// One sample as the chart and scripts get it: its number counts on across configuration
// changes and recoveries, so `since=N` never skips a sample.
struct NumberedSample {
    qint64 number = 0;
    SampleRecord record;
};

// The alarm limits in force, in tenths of the unit they are set in: the panel's alarm values
// in the desktop program, those of --alarm in corvilab-cli.
struct ServedLimits {
    std::array<std::optional<int>, 4> high, low; // empty: no such alarm on that channel
    bool fahrenheit = false;
};

// The core state read by every view; nothing is changed through it.
struct LiveSources {
    const LiveState& live;
    const MeterLink& link;
    ServedLimits limits;
    const Recorder* recorder = nullptr; // none: a program that is not recording
    const ServeCounters& counters;
    const std::deque<NumberedSample>& history; // oldest first
    QDateTime now;   // a reading is current when its packet came shortly before this
    QString program; // the program that serves: "corvilab", "corvilab-cli"
    const Calibration* calibration = nullptr; // the corrections in force; none: readings as read
    const QList<Mark>* marks = nullptr;       // oldest first; none: no marks to show
    bool markable = false;                    // marks may be placed with POST /api/mark
};

// The marks the live state lists: the last ones placed.
constexpr int kMarksListed = 20;

// A number of tenths as a plain decimal: 227 -> "22.7", -5 -> "-0.5".
QByteArray DecimalText(int tenths);

QByteArray LiveJson(const LiveSources& sources);
// A mark as the live state lists it: time, channel (1 to 4, or null for every channel), text.
QByteArray MarkJson(const Mark& mark);
// The samples numbered above `since`, oldest first.
QByteArray SamplesJson(const LiveSources& sources, qint64 since);
QByteArray MetricsText(const LiveSources& sources);
