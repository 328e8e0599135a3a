#include "compare/band_watch.h"

#include "recording/sampler.h"

BandWatch::BandWatch(std::shared_ptr<const Run> reference, int channel, const Band& band,
                     const Alignment& alignment)
    : reference_(std::move(reference))
    , channel_(channel)
    , band_(band)
    , alignment_(alignment) {}

void BandWatch::Restart() {
    liveZero_.reset();
    crossing_.reset();
    last_.reset();
    outside_ = false;
}

void BandWatch::Prepare(bool fahrenheit) {
    if (fahrenheit_ == fahrenheit)
        return;
    // The level is in the unit of the readings: a new unit is a new start.
    Restart();
    fahrenheit_ = fahrenheit;
    values_ = std::make_unique<RunInterpolation>(*reference_, channel_, fahrenheit);
    problem_.clear();
    if (alignment_.kind == Alignment::Kind::AtMark) {
        // The live readings carry no marks to line up with.
        problem_ = QStringLiteral("the band watch lines up by start or a level, not by a mark");
        referenceZero_.reset();
        return;
    }
    referenceZero_ = AlignmentTime(*reference_, alignment_, fahrenheit, &problem_);
}

std::vector<AlarmEvent> BandWatch::Sample(const SampleRecord& record, bool fahrenheit,
                                          const QDateTime& now) {
    Prepare(fahrenheit);
    std::vector<AlarmEvent> events;
    const std::optional<qint64> seconds = CalendarSeconds(record.TimeText);
    if (!referenceZero_ || !seconds)
        return events;
    const std::array<QString, 4>& texts = fahrenheit ? record.TextF : record.TextC;
    if (!liveZero_) {
        if (alignment_.kind == Alignment::Kind::Start) {
            liveZero_ = 10 * *seconds;
        } else {
            if (!crossing_)
                crossing_.emplace(alignment_.kind == Alignment::Kind::Rising,
                                  alignment_.levelTenths);
            liveZero_ =
                crossing_->Feed(*seconds, ReadingTenths(texts[size_t(alignment_.channel & 3)]));
            if (!liveZero_)
                return events;
        }
    }
    const qint64 since = 10 * *seconds - *liveZero_;
    const Tenths reference = values_->At(*referenceZero_ + since);
    if (!reference.HasValue()) {
        last_.reset(); // past the reference's end, or in one of its gaps
        return events;
    }
    last_ = Point{reference.ToDouble() / 10.0, (reference.ToDouble() - band_.below) / 10.0,
                  (reference.ToDouble() + band_.above) / 10.0};
    const QString& text = texts[size_t(channel_ & 3)];
    const std::optional<int> live = ReadingTenths(text);
    if (!live)
        return events; // a gap says nothing about the band
    // live - reference, exactly: (live * den - num) / den.
    const qint64 d = qint64(*live) * reference.den - reference.num;
    const bool above = d > qint64(band_.above) * reference.den;
    const bool below = d < -qint64(band_.below) * reference.den;
    if ((above || below) == outside_)
        return events;
    outside_ = above || below;
    if (outside_)
        aboveEdge_ = above;
    const qint64 edge =
        reference.num + (aboveEdge_ ? qint64(band_.above) : -qint64(band_.below)) * reference.den;
    events.push_back({outside_ ? AlarmEventKind::BandOut : AlarmEventKind::BandIn, channel_, text,
                      OneDecimalText(RoundHalfAway(edge, reference.den)), UnitName(fahrenheit), now,
                      record.Corrected[size_t(channel_)] != ReadingCorrection::None});
    return events;
}
