#include "graphs/series_stats.h"

#include "link/reading_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// "1:02:05": hours, minutes and seconds.
QString Duration(qint64 seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// "No. 35, 2013/08/08 14:05:43", or with no date and time in the data "No. 35, +0:00:34" from
// the first sample.
QString SampleText(const ReadingSeries& series, qsizetype sample) {
    QString when = series.DateTimeText(sample);
    if (when.isEmpty() && sample < series.seconds.size())
        when = QLatin1Char('+') + Duration(series.seconds[sample]);
    return QStringLiteral("No. %1, %2").arg(sample + 1).arg(when);
}

} // namespace

SeriesStats StatsOver(const ReadingSeries& series, qsizetype first, qsizetype last,
                      std::optional<int> levelTenths) {
    SeriesStats stats;
    const qsizetype n = series.Size();
    stats.first = std::max<qsizetype>(first, 0);
    stats.last = std::min(last, n - 1);
    const qint32* tenths = series.tenths.constData();
    const qint64* seconds = series.seconds.constData();
    const bool timed = series.seconds.size() == n;
    qint32 lo = std::numeric_limits<qint32>::max();
    qint32 hi = std::numeric_limits<qint32>::min();
    qsizetype loAt = -1;
    qsizetype hiAt = -1;
    qint64 sum = 0;
    qint64 count = 0;
    qint64 above = 0;
    const qint64 level = levelTenths.value_or(0);
    for (qsizetype i = stats.first; i <= stats.last; ++i) {
        const qint32 v = tenths[i];
        if (v == ReadingSeries::Gap)
            continue;
        ++count;
        sum += v;
        if (v < lo) {
            lo = v;
            loAt = i;
        }
        if (v > hi) {
            hi = v;
            hiAt = i;
        }
        if (levelTenths && v > level) {
            above += timed && i + 1 < n ? std::min(seconds[i + 1] - seconds[i], series.step)
                                        : series.step;
        }
    }
    stats.samples = count;
    if (levelTenths)
        stats.secondsAbove = above;
    if (count > 0) {
        stats.minimum = lo;
        stats.maximum = hi;
        stats.minimumAt = loAt;
        stats.maximumAt = hiAt;
        stats.mean = int(RoundHalfAway(sum, count));
    }
    return stats;
}

namespace {

// The rate at `sample` from sample `from` (the last one at least the span earlier), or nothing.
std::optional<int> RateFrom(const ReadingSeries& series, qsizetype from, qsizetype sample,
                            qint64 spanSeconds) {
    if (from < 0)
        return std::nullopt;
    const qint32 now = series.tenths[sample];
    const qint32 before = series.tenths[from];
    const qint64 elapsed = series.seconds[sample] - series.seconds[from];
    if (now == ReadingSeries::Gap || before == ReadingSeries::Gap || elapsed <= 0 ||
        elapsed > spanSeconds + series.step)
        return std::nullopt;
    return int(RoundHalfAway((qint64(now) - before) * 60, elapsed));
}

} // namespace

std::optional<int> RateOfRise(const ReadingSeries& series, qsizetype sample, qint64 spanSeconds) {
    if (sample < 0 || sample >= series.Size() || series.seconds.size() != series.Size() ||
        spanSeconds < 1)
        return std::nullopt;
    const qint64 target = series.seconds[sample] - spanSeconds;
    const auto begin = series.seconds.cbegin();
    const auto after = std::upper_bound(begin, begin + sample, target);
    return RateFrom(series, qsizetype(after - begin) - 1, sample, spanSeconds);
}

QVector<double> RateOfRiseCurve(const ReadingSeries& series, qint64 spanSeconds) {
    const qsizetype n = series.Size();
    QVector<double> curve(n, std::nan(""));
    if (series.seconds.size() != n || spanSeconds < 1)
        return curve;
    // The seconds rise, so the sample a span back only ever moves forward.
    qsizetype from = -1;
    for (qsizetype i = 0; i < n; ++i) {
        const qint64 target = series.seconds[i] - spanSeconds;
        while (from + 1 < i && series.seconds[from + 1] <= target)
            ++from;
        if (const std::optional<int> rate = RateFrom(series, from, i, spanSeconds))
            curve[i] = *rate / 10.0;
    }
    return curve;
}

StatsTexts DescribeStats(const SeriesStats& stats, const ReadingSeries& series,
                         const QString& unitText, bool selected) {
    StatsTexts texts;
    if (stats.last < stats.first) {
        texts.stretch =
            selected ? QStringLiteral("No sample selected") : QStringLiteral("No sample in view");
        return texts;
    }
    texts.stretch = QStringLiteral("No. %1 to %2, %3")
                        .arg(stats.first + 1)
                        .arg(stats.last + 1)
                        .arg(selected ? QStringLiteral("selected") : QStringLiteral("in view"));
    const QString unit = QLatin1Char(' ') + unitText;
    if (stats.minimum) {
        texts.minimum = OneDecimalText(*stats.minimum) + unit + QStringLiteral(" at ") +
                        SampleText(series, stats.minimumAt);
        texts.maximum = OneDecimalText(*stats.maximum) + unit + QStringLiteral(" at ") +
                        SampleText(series, stats.maximumAt);
        texts.mean = OneDecimalText(*stats.mean) + unit +
                     (stats.samples == 1 ? QStringLiteral(" of 1 reading")
                                         : QStringLiteral(" of %1 readings").arg(stats.samples));
    } else {
        texts.minimum = texts.maximum = texts.mean = QStringLiteral("no reading");
    }
    if (stats.secondsAbove)
        texts.above =
            QStringLiteral("%1 s (%2)").arg(*stats.secondsAbove).arg(Duration(*stats.secondsAbove));
    return texts;
}

QString RateText(std::optional<int> tenthsPerMinute, const QString& unitText) {
    if (!tenthsPerMinute)
        return QString();
    return OneDecimalText(*tenthsPerMinute) + QLatin1Char(' ') + unitText + QStringLiteral("/min");
}
