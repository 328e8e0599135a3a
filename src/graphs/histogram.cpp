#include "graphs/histogram.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr int kTargetClasses = 30;

// 1, 2 or 5 times a power of ten tenths, at least `raw` tenths: round class edges.
qint64 RoundWidth(qint64 raw) {
    for (qint64 decade = 1;; decade *= 10) {
        for (qint64 step : {1, 2, 5}) {
            if (step * decade >= raw)
                return step * decade;
        }
    }
}

qint64 FloorDiv(qint64 a, qint64 b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

std::optional<double> CellReading(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 1e12)
        return std::nullopt;
    return value;
}

Histogram MakeHistogram(const QString& columnHeading, const QString& unitHeading, qint64 rows,
                        const std::function<QString(qint64)>& cell) {
    Histogram h;
    h.UnitText = unitHeading == QStringLiteral("°C") ? QStringLiteral("°C") : QStringLiteral("°F");
    h.Title = columnHeading.trimmed() + QStringLiteral(" (") + h.UnitText + QLatin1Char(')');

    // Classes are counted in whole tenths, so that a reading on a class edge always falls in the
    // class above it.
    std::vector<qint64> tenths;
    tenths.reserve(size_t(std::clamp<qint64>(rows, 0, 1 << 24)));
    for (qint64 i = 0; i < rows; ++i) {
        if (const std::optional<double> v = CellReading(cell(i)))
            tenths.push_back(std::llround(*v * 10));
        else
            ++h.Left;
    }
    h.Readings = qint64(tenths.size());
    if (tenths.empty())
        return h;

    const auto [lo, hi] = std::minmax_element(tenths.begin(), tenths.end());
    const qint64 width =
        RoundWidth(std::max<qint64>((*hi - *lo + kTargetClasses - 1) / kTargetClasses, 1));
    const qint64 first = FloorDiv(*lo, width) * width;
    const int classes = int((*hi - first) / width) + 1;
    h.Width = width / 10.0;
    h.First = first / 10.0;
    h.Counts.fill(0, classes);
    for (qint64 t : tenths)
        ++h.Counts[int((t - first) / width)];
    return h;
}
