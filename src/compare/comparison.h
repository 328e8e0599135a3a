#pragma once

// Runs lined up in time and compared with one of them, the reference, on one channel in one
// unit: each run's value at the reference's sample times (linear interpolation between the
// run's own samples, never across a gap), its largest departures above and below, the mean
// absolute difference, the time outside a tolerance band and a verdict.
//
// Exactness: readings are whole tenths and sample times whole seconds, alignment times whole
// tenths of a second, so every interpolated value is an exact fraction of tenths. The figures
// are kept as fractions and rounded once, to a tenth, half away from zero (0.25 -> 0.3,
// -0.25 -> -0.3); a printed figure is never a rounded double.

#include "compare/run.h"
#include "link/reading_text.h"

#include <QString>
#include <QVector>

#include <array>
#include <memory>
#include <optional>
#include <vector>

// How the runs are lined up: time zero of each run is its first sample, or the first time its
// reading on `channel` crosses `levelTenths` upwards (Rising: from below the level to the level
// or above) or downwards (Falling). A crossing between two neighbouring samples is placed by
// linear interpolation to a tenth of a second; after a gap it is the sample's own time. Or
// (AtMark) the first mark of the run with the text `markText` ("load in").
struct Alignment {
    enum class Kind { Start, Rising, Falling, AtMark };
    Kind kind = Kind::Start;
    int channel = 0;     // 0..3
    int levelTenths = 0; // in the comparison's unit
    QString markText;
};

// The tolerance band around the reference, in tenths: a difference d is inside when
// -below <= d <= above, so a value exactly on the edge is inside. Both are above 0.
struct Band {
    int above = 0;
    int below = 0;
};

struct CompareSettings {
    int channel = 0; // 0..3
    bool fahrenheit = false;
    Alignment alignment;
    std::optional<Band> band; // without one, no time outside and no verdict
    int reference = 0;        // index of the reference among the runs
};

// An exact number of tenths, num / den (den > 0); den == 0: no value.
struct Tenths {
    qint64 num = 0;
    qint64 den = 0;
    bool HasValue() const { return den > 0; }
    double ToDouble() const { return double(num) / double(den); }
};

// The table row of one run.
struct RunResult {
    qint64 alignedAt = 0; // tenths of a second into the run that are time zero
    qint64 comparedPoints = 0;
    std::optional<int> maxAbove; // tenths, the largest amount above the reference (0 if never)
    std::optional<int> maxBelow; // tenths, the largest amount below it, as a positive number
    std::optional<int> meanAbs;  // tenths, the mean of the absolute differences
    qint64 secondsOutside = 0;   // each compared sample outside stands for the time to the next
    std::optional<bool> pass;    // empty without a band; false when nothing could be compared
};

// One line on a plot: x in seconds since alignment, y in degrees; NaN where there is a gap.
struct PlotSeries {
    QVector<double> x;
    QVector<double> y;
};

// Finds the first crossing of a level in samples given one at a time, as Alignment describes.
class LevelCrossing {
public:
    LevelCrossing(bool rising, int levelTenths);
    // The next sample: its time in seconds and its reading (none: a gap). The time of the
    // crossing in tenths of a second when this sample completes the first one.
    std::optional<qint64> Feed(qint64 seconds, std::optional<int> tenths);

private:
    bool rising_;
    qint64 level_;
    std::optional<qint64> lastSeconds_, lastTenths_; // the last sample with a reading
    bool lastAdjacent_ = false;                      // and it was the sample just before
    bool found_ = false;
};

// Time zero of `run` in tenths of a second after its first sample (before any shift by hand).
// Empty, with the reason in `error` naming the run and the level, when the channel has no
// reading or the level is never crossed, or naming the run and the text when it has no such
// mark.
std::optional<qint64> AlignmentTime(const Run& run, const Alignment& alignment, bool fahrenheit,
                                    QString* error);

// The value of a channel of a run at any time, by linear interpolation between its samples.
class RunInterpolation {
public:
    RunInterpolation(const Run& run, int channel, bool fahrenheit);
    // The value at `tenthsOfSecond` after the run's first sample: a sample's own value at its
    // time, else interpolated between the samples either side; none outside the run or next to
    // a gap. Fastest when asked at increasing times.
    Tenths At(qint64 tenthsOfSecond) const;

private:
    const Run& run_;
    std::vector<qint32> values_;
    mutable qsizetype cursor_ = 0;
};

class Comparison {
public:
    using Runs = std::vector<std::shared_ptr<const Run>>;

    // Lines the runs up and compares each with the reference; `shifts` are the shifts by hand,
    // tenths of a second per run (missing ones are 0). Bad input (no run, a reference that is
    // not one of them, a run without a reading on the channel, a level never crossed) leaves no
    // results and the reason in Error().
    Comparison(const Runs& runs, const CompareSettings& settings,
               const std::vector<qint64>& shifts = {});

    bool Ok() const { return error_.isEmpty(); }
    const QString& Error() const { return error_; }
    const CompareSettings& Settings() const { return settings_; }
    const Runs& GetRuns() const { return runs_; }
    const std::vector<RunResult>& Results() const { return results_; }
    const Run& Reference() const { return *runs_[size_t(settings_.reference)]; }
    bool AllPass() const;

    // The reference's samples on the time axis: seconds since alignment.
    std::vector<qint64> ReferenceTimes() const; // tenths of a second
    // Run `index` at each of the reference's samples (the reference itself: its readings).
    std::vector<Tenths> AtReferenceTimes(int index) const;

    // Run `index` as recorded, on the time axis since alignment.
    PlotSeries Trace(int index) const;
    // The marks of run `index` on the time axis since alignment, in seconds.
    std::vector<double> MarkTimes(int index) const;
    // Run `index` minus the reference, at the reference's times.
    PlotSeries Difference(int index) const;
    // The band's upper (true) or lower edge around the reference; empty without a band.
    PlotSeries BandEdge(bool upper) const;

    // The table: "run", "start", "aligned at", ... "verdict", and the cells of run `index`
    // (degrees and seconds to one decimal, seconds outside whole).
    static std::array<QString, 8> TableHeadings();
    std::array<QString, 8> TableCells(int index) const;

private:
    void Compute();
    RunResult Compare(int index) const;

    Runs runs_;
    CompareSettings settings_;
    std::vector<qint64> shifts_;
    std::vector<qint64> alignedAt_;
    std::vector<RunResult> results_;
    QString error_;
};

// The channel name "T1".."T4" and the unit text "°C"/"°F" the figures are in.
QString ChannelName(int channel);
QString UnitName(bool fahrenheit);
