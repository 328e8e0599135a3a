#pragma once

// What the live web view serves, as text: the live state as JSON, the recent samples as JSON and
// the Prometheus text format. Each is made from the core objects at the moment it is asked for,
// so the page, the API and the metrics show what the panel shows.

#include "recording/sampler.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <deque>
#include <optional>

class LiveState;
class MeterLink;
class Recorder;

// Counts kept while serving, for the metrics.
struct ServeCounters {
    qint64 samples = 0;    // samples taken since serving started; also the samples' numbers
    qint64 linkLosses = 0; // times a working link was lost
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
};

// A number of tenths as a plain decimal: 227 -> "22.7", -5 -> "-0.5".
QByteArray DecimalText(int tenths);

QByteArray LiveJson(const LiveSources& sources);
// The samples numbered above `since`, oldest first.
QByteArray SamplesJson(const LiveSources& sources, qint64 since);
QByteArray MetricsText(const LiveSources& sources);
