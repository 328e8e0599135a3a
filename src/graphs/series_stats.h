#pragma once

// Numbers over a stretch of one channel's readings: the lowest and highest reading and when each
// was first reached, the mean, the time spent above a level, and the rate of rise. Everything is
// counted in whole tenths and whole seconds; only the rate curve, which is drawn, is a double.
// Gaps ("Over", "Under", "- - -") are left out of every figure.

#include "recording/reading_series.h"

#include <QString>
#include <QVector>

#include <optional>

struct SeriesStats {
    qsizetype first = 0; // the stretch: samples first..last, counted from 0
    qsizetype last = -1;
    qint64 samples = 0;         // readings with a number in the stretch
    std::optional<int> minimum; // tenths
    std::optional<int> maximum; // tenths
    qsizetype minimumAt = -1;   // the first sample at the minimum
    qsizetype maximumAt = -1;   // the first sample at the maximum
    std::optional<int> mean;    // tenths: the sum over the samples, rounded half away from 0
    std::optional<qint64> secondsAbove; // with a level: time spent strictly above it
};

// The figures over samples first..last (clamped to the series). A reading above the level counts
// the time until the next sample, but never more than the usual step (a hole in the recording
// counts one step), and the run's last sample counts one step.
SeriesStats StatsOver(const ReadingSeries& series, qsizetype first, qsizetype last,
                      std::optional<int> levelTenths = std::nullopt);

// The rate of rise at `sample` over the span before it, in tenths of a degree per minute: the
// change from the last sample at least `spanSeconds` earlier, over the time between the two,
// rounded half away from zero. Nothing within the first span, where either reading is a gap, or
// where the two are more than the span and one step apart (a hole in the recording).
std::optional<int> RateOfRise(const ReadingSeries& series, qsizetype sample, qint64 spanSeconds);

// The rate of rise at every sample, in degrees per minute for drawing; NaN where there is none.
QVector<double> RateOfRiseCurve(const ReadingSeries& series, qint64 spanSeconds);

// What the Plot window's statistics show, in the plot's unit ("°C").
struct StatsTexts {
    QString stretch; // "No. 40 to 120, selected" / "No. 1 to 300, in view"
    QString minimum; // "20.1 °C at No. 35, 2013/08/08 14:05:43"
    QString maximum;
    QString mean;  // "23.4 °C of 81 readings"
    QString above; // "125 s (0:02:05)"; empty without a level
};
StatsTexts DescribeStats(const SeriesStats& stats, const ReadingSeries& series,
                         const QString& unitText, bool selected);
// "2.5 °C/min", or empty when there is no rate.
QString RateText(std::optional<int> tenthsPerMinute, const QString& unitText);
