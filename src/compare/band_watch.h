#pragma once

// A reference run while recording: each live sample of one channel is held against the
// reference's reading at the same time since alignment, with a tolerance band around it.
// Leaving the band is the alarm event "band-out", coming back "band-in"; they go through the
// same actions as every other alarm.

#include "compare/comparison.h"
#include "config/alarm_events.h"

#include <QDateTime>

#include <memory>
#include <optional>
#include <vector>

struct SampleRecord;

class BandWatch {
public:
    // `alignment` lines the live readings up with the reference: at the first sample, or at the
    // first crossing of its level on its channel, in both.
    BandWatch(std::shared_ptr<const Run> reference, int channel, const Band& band,
              const Alignment& alignment);

    const Run& Reference() const { return *reference_; }
    int Channel() const { return channel_; }
    const Band& GetBand() const { return band_; }

    // One live sample, read in °F or °C (the unit may change; the reference follows it). The
    // events it brings, at most one.
    std::vector<AlarmEvent> Sample(const SampleRecord& record, bool fahrenheit,
                                   const QDateTime& now);
    // The live readings start again (a new recording): the next sample is their start, or the
    // crossing is looked for again.
    void Restart();

    // What the last sample was held against, in degrees: for drawing the band.
    struct Point {
        double reference = 0;
        double lower = 0;
        double upper = 0;
    };
    std::optional<Point> Last() const { return last_; }
    // Why nothing is compared: the reference never crosses the level in this unit. Empty while
    // all is well.
    const QString& Problem() const { return problem_; }

private:
    void Prepare(bool fahrenheit);

    std::shared_ptr<const Run> reference_;
    int channel_;
    Band band_;
    Alignment alignment_;
    std::optional<bool> fahrenheit_;           // the unit the reference is prepared in
    std::unique_ptr<RunInterpolation> values_; // the reference's channel in that unit
    std::optional<qint64> referenceZero_;      // tenths of a second into the reference
    std::optional<LevelCrossing> crossing_;
    std::optional<qint64> liveZero_; // calendar tenths of a second of the live time zero
    std::optional<Point> last_;
    bool outside_ = false;
    bool aboveEdge_ = false; // which edge it left by
    QString problem_;
};
