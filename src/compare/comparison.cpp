#include "compare/comparison.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

// Products of times and tenths, and sums of many fractions, need more than 64 bits.
using Wide = __int128;

// A sum of fractions kept exact over their least common denominator. Should that denominator
// grow beyond reason (runs whose samples are spaced in very many different ways), the sum goes
// on in long double, which is then exact to far below a tenth.
class ExactSum {
public:
    void Add(qint64 num, qint64 den) {
        approx_ += static_cast<long double>(num) / static_cast<long double>(den);
        if (!exact_)
            return;
        if (den_ % den != 0) {
            const Wide next = Wide(den_ / std::gcd(den_, den)) * den;
            if (next > kMaxDenominator) {
                exact_ = false;
                return;
            }
            num_ *= next / den_;
            den_ = qint64(next);
        }
        num_ += Wide(num) * (den_ / den);
    }
    // The sum divided by `count`, rounded to a whole number half away from zero.
    qint64 MeanRounded(qint64 count) const {
        if (exact_)
            return qint64(RoundHalfAway<Wide>(num_, Wide(den_) * count));
        return qint64(std::roundl(approx_ / static_cast<long double>(count)));
    }

private:
    static constexpr qint64 kMaxDenominator = 1000000000000000; // 1e15
    Wide num_ = 0;
    qint64 den_ = 1;
    bool exact_ = true;
    long double approx_ = 0;
};

// a/b < c/d for b, d > 0.
bool Less(const Tenths& a, const Tenths& b) {
    return Wide(a.num) * b.den < Wide(b.num) * a.den;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

QString ChannelName(int channel) {
    return QStringLiteral("T%1").arg(channel + 1);
}

QString UnitName(bool fahrenheit) {
    return fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
}

LevelCrossing::LevelCrossing(bool rising, int levelTenths)
    : rising_(rising)
    , level_(levelTenths) {}

std::optional<qint64> LevelCrossing::Feed(qint64 seconds, std::optional<int> tenths) {
    if (found_)
        return std::nullopt;
    if (!tenths) {
        lastAdjacent_ = false;
        return std::nullopt;
    }
    const qint64 v = *tenths;
    std::optional<qint64> crossing;
    if (lastTenths_) {
        const qint64 v0 = *lastTenths_;
        const bool crossed = rising_ ? v0 < level_ && v >= level_ : v0 > level_ && v <= level_;
        if (crossed && (v == level_ || !lastAdjacent_)) {
            crossing = 10 * seconds;
        } else if (crossed) {
            // Where the line between the two samples meets the level, to a tenth of a second:
            // t0 + (level - v0) (t1 - t0) / (v - v0).
            const qint64 t0 = *lastSeconds_;
            const Wide num = Wide(10 * t0) * (v - v0) + Wide(10) * (level_ - v0) * (seconds - t0);
            const Wide den = v - v0;
            crossing =
                qint64(den > 0 ? RoundHalfAway<Wide>(num, den) : RoundHalfAway<Wide>(-num, -den));
        }
    }
    found_ = crossing.has_value();
    lastSeconds_ = seconds;
    lastTenths_ = v;
    lastAdjacent_ = true;
    return crossing;
}

std::optional<qint64> AlignmentTime(const Run& run, const Alignment& alignment, bool fahrenheit,
                                    QString* error) {
    if (alignment.kind == Alignment::Kind::Start)
        return 0;
    if (alignment.kind == Alignment::Kind::AtMark) {
        for (const Run::RunMark& mark : run.Marks()) {
            if (mark.text == alignment.markText)
                return 10 * mark.seconds;
        }
        *error = QStringLiteral("%1 has no mark '%2'").arg(run.Name(), alignment.markText);
        return std::nullopt;
    }
    const int channel = alignment.channel;
    if (!run.HasReadings(channel)) {
        *error = QStringLiteral("%1 has no readings on %2").arg(run.Name(), ChannelName(channel));
        return std::nullopt;
    }
    const bool rising = alignment.kind == Alignment::Kind::Rising;
    LevelCrossing crossing(rising, alignment.levelTenths);
    const std::vector<qint32> values = run.Channel(channel, fahrenheit);
    for (qsizetype i = 0; i < run.Count(); ++i) {
        const qint32 v = values[size_t(i)];
        const std::optional<qint64> at =
            crossing.Feed(run.Time(i), v == Run::Gap() ? std::nullopt : std::optional<int>(v));
        if (at)
            return at;
    }
    *error = QStringLiteral("%1: %2 never %3 %4 %5")
                 .arg(run.Name(), ChannelName(channel),
                      rising ? QStringLiteral("rises to") : QStringLiteral("falls to"),
                      OneDecimalText(alignment.levelTenths), UnitName(fahrenheit));
    return std::nullopt;
}

// ---- RunInterpolation -------------------------------------------------------------------------

RunInterpolation::RunInterpolation(const Run& run, int channel, bool fahrenheit)
    : run_(run)
    , values_(run.Channel(channel, fahrenheit)) {}

Tenths RunInterpolation::At(qint64 s) const {
    const qsizetype n = run_.Count();
    if (n == 0 || s < 10 * run_.Time(0))
        return {};
    // The last sample at or before s: walked to from the last answer, or searched for.
    if (cursor_ >= n || 10 * run_.Time(cursor_) > s) {
        qsizetype lo = 0, hi = n; // the first sample after s lies in [lo, hi]
        while (lo < hi) {
            const qsizetype mid = lo + (hi - lo) / 2;
            if (10 * run_.Time(mid) <= s)
                lo = mid + 1;
            else
                hi = mid;
        }
        cursor_ = lo - 1;
    }
    while (cursor_ + 1 < n && 10 * run_.Time(cursor_ + 1) <= s)
        ++cursor_;
    const qsizetype k = cursor_;
    const qint32 vk = values_[size_t(k)];
    const qint64 tk = 10 * run_.Time(k);
    if (tk == s)
        return vk == Run::Gap() ? Tenths{} : Tenths{vk, 1};
    if (k + 1 >= n)
        return {};
    const qint32 vn = values_[size_t(k + 1)];
    if (vk == Run::Gap() || vn == Run::Gap())
        return {}; // never across a gap
    const qint64 tn = 10 * run_.Time(k + 1);
    return {qint64(vk) * (tn - s) + qint64(vn) * (s - tk), tn - tk};
}

// ---- Comparison -------------------------------------------------------------------------------

Comparison::Comparison(const Runs& runs, const CompareSettings& settings,
                       const std::vector<qint64>& shifts)
    : runs_(runs)
    , settings_(settings)
    , shifts_(shifts) {
    shifts_.resize(runs_.size(), 0);
    Compute();
}

void Comparison::Compute() {
    if (runs_.empty()) {
        error_ = QStringLiteral("There is no run to compare.");
        return;
    }
    if (settings_.reference < 0 || size_t(settings_.reference) >= runs_.size()) {
        error_ = QStringLiteral("The reference is not one of the runs.");
        return;
    }
    if (settings_.band && (settings_.band->above <= 0 || settings_.band->below <= 0)) {
        error_ = QStringLiteral("The band must be wider than 0.");
        return;
    }
    for (const auto& run : runs_) {
        if (!run->HasReadings(settings_.channel)) {
            error_ = QStringLiteral("%1 has no readings on %2")
                         .arg(run->Name(), ChannelName(settings_.channel));
            return;
        }
        const std::optional<qint64> at =
            AlignmentTime(*run, settings_.alignment, settings_.fahrenheit, &error_);
        if (!at)
            return;
        alignedAt_.push_back(*at + shifts_[alignedAt_.size()]);
    }
    for (int i = 0; i < int(runs_.size()); ++i)
        results_.push_back(Compare(i));
}

bool Comparison::AllPass() const {
    return Ok() && std::all_of(results_.begin(), results_.end(),
                               [](const RunResult& r) { return r.pass.value_or(true); });
}

std::vector<qint64> Comparison::ReferenceTimes() const {
    const Run& ref = Reference();
    const qint64 zero = alignedAt_[size_t(settings_.reference)];
    std::vector<qint64> times(size_t(ref.Count()));
    for (qsizetype j = 0; j < ref.Count(); ++j)
        times[size_t(j)] = 10 * ref.Time(j) - zero;
    return times;
}

std::vector<Tenths> Comparison::AtReferenceTimes(int index) const {
    const std::vector<qint64> times = ReferenceTimes();
    const RunInterpolation run(*runs_[size_t(index)], settings_.channel, settings_.fahrenheit);
    const qint64 zero = alignedAt_[size_t(index)];
    std::vector<Tenths> values(times.size());
    for (size_t j = 0; j < times.size(); ++j)
        values[j] = run.At(times[j] + zero);
    return values;
}

RunResult Comparison::Compare(int index) const {
    RunResult result;
    result.alignedAt = alignedAt_[size_t(index)];
    const Run& ref = Reference();
    const std::vector<qint32> reference = ref.Channel(settings_.channel, settings_.fahrenheit);
    const std::vector<Tenths> values = AtReferenceTimes(index);
    std::optional<Tenths> highest, lowest;
    ExactSum absolute;
    bool outside = false;
    for (size_t j = 0; j < values.size(); ++j) {
        if (reference[j] == Run::Gap() || !values[j].HasValue())
            continue;
        const Tenths d{values[j].num - qint64(reference[j]) * values[j].den, values[j].den};
        ++result.comparedPoints;
        if (!highest || Less(*highest, d))
            highest = d;
        if (!lowest || Less(d, *lowest))
            lowest = d;
        absolute.Add(d.num < 0 ? -d.num : d.num, d.den);
        if (settings_.band && (d.num > Wide(settings_.band->above) * d.den ||
                               d.num < -Wide(settings_.band->below) * d.den)) {
            outside = true;
            const qsizetype k = qsizetype(j);
            if (k + 1 < ref.Count())
                result.secondsOutside += ref.Time(k + 1) - ref.Time(k);
            else if (k > 0)
                result.secondsOutside += ref.Time(k) - ref.Time(k - 1);
        }
    }
    if (result.comparedPoints > 0) {
        result.maxAbove = int(std::max<qint64>(0, RoundHalfAway(highest->num, highest->den)));
        result.maxBelow = int(std::max<qint64>(0, -RoundHalfAway(lowest->num, lowest->den)));
        result.meanAbs = int(absolute.MeanRounded(result.comparedPoints));
    }
    if (settings_.band)
        result.pass = result.comparedPoints > 0 && !outside;
    return result;
}

PlotSeries Comparison::Trace(int index) const {
    const Run& run = *runs_[size_t(index)];
    const std::vector<qint32> values = run.Channel(settings_.channel, settings_.fahrenheit);
    const qint64 zero = alignedAt_[size_t(index)];
    PlotSeries series;
    series.x.resize(run.Count());
    series.y.resize(run.Count());
    for (qsizetype k = 0; k < run.Count(); ++k) {
        series.x[k] = double(10 * run.Time(k) - zero) / 10.0;
        const qint32 v = values[size_t(k)];
        series.y[k] = v == Run::Gap() ? kNaN : v / 10.0;
    }
    return series;
}

std::vector<double> Comparison::MarkTimes(int index) const {
    const qint64 zero = alignedAt_[size_t(index)];
    std::vector<double> times;
    for (const Run::RunMark& mark : runs_[size_t(index)]->Marks())
        times.push_back(double(10 * mark.seconds - zero) / 10.0);
    return times;
}

PlotSeries Comparison::Difference(int index) const {
    const std::vector<qint64> times = ReferenceTimes();
    const std::vector<qint32> reference =
        Reference().Channel(settings_.channel, settings_.fahrenheit);
    const std::vector<Tenths> values = AtReferenceTimes(index);
    PlotSeries series;
    series.x.resize(qsizetype(times.size()));
    series.y.resize(qsizetype(times.size()));
    for (size_t j = 0; j < times.size(); ++j) {
        series.x[qsizetype(j)] = times[j] / 10.0;
        series.y[qsizetype(j)] = reference[j] == Run::Gap() || !values[j].HasValue()
                                     ? kNaN
                                     : (values[j].ToDouble() - reference[j]) / 10.0;
    }
    return series;
}

PlotSeries Comparison::BandEdge(bool upper) const {
    PlotSeries series;
    if (!settings_.band)
        return series;
    const std::vector<qint64> times = ReferenceTimes();
    const std::vector<qint32> reference =
        Reference().Channel(settings_.channel, settings_.fahrenheit);
    const int offset = upper ? settings_.band->above : -settings_.band->below;
    series.x.resize(qsizetype(times.size()));
    series.y.resize(qsizetype(times.size()));
    for (size_t j = 0; j < times.size(); ++j) {
        series.x[qsizetype(j)] = times[j] / 10.0;
        series.y[qsizetype(j)] =
            reference[j] == Run::Gap() ? kNaN : (qint64(reference[j]) + offset) / 10.0;
    }
    return series;
}

std::array<QString, 8> Comparison::TableHeadings() {
    return {QStringLiteral("run"),       QStringLiteral("start"),     QStringLiteral("aligned at"),
            QStringLiteral("max above"), QStringLiteral("max below"), QStringLiteral("mean abs"),
            QStringLiteral("outside s"), QStringLiteral("verdict")};
}

std::array<QString, 8> Comparison::TableCells(int index) const {
    const Run& run = *runs_[size_t(index)];
    const RunResult& r = results_[size_t(index)];
    const auto figure = [](const std::optional<int>& tenths) {
        return tenths ? OneDecimalText(*tenths) : QString();
    };
    return {run.Name(),
            run.StartText(),
            OneDecimalText(r.alignedAt),
            figure(r.maxAbove),
            figure(r.maxBelow),
            figure(r.meanAbs),
            settings_.band ? QString::number(r.secondsOutside) : QString(),
            r.pass ? (*r.pass ? QStringLiteral("pass") : QStringLiteral("fail")) : QString()};
}
