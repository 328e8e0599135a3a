#include "compare/compare_plots.h"

#include <algorithm>
#include <array>
#include <cmath>

QCustomPlot* ComparePlot(const QString& name, const QString& accessible, const QString& xLabel,
                         QWidget* parent) {
    auto* graph = new QCustomPlot(parent);
    graph->setObjectName(name);
    graph->setAccessibleName(accessible);
    graph->xAxis->setLabel(xLabel);
    graph->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    graph->setMinimumHeight(150);
    return graph;
}

// A line's outline: per stretch of 1/4096 of its span, its first, lowest, highest and last
// point and its first gap, in time order. With the whole span in view a stretch is less than a
// pixel wide, so the outline draws the same line as all the points, at a fraction of the cost.
namespace {

constexpr int kOutlineStretches = 4096;

} // namespace

QVector<QCPGraphData> LineOutline(const PlotSeries& series) {
    QVector<QCPGraphData> out;
    const qsizetype n = series.x.size();
    if (n == 0)
        return out;
    const double x0 = series.x.front();
    const double span = series.x.back() - x0;
    const auto stretchOf = [&](qsizetype k) {
        return span > 0 ? std::min(kOutlineStretches - 1,
                                   int((series.x[k] - x0) / span * kOutlineStretches))
                        : 0;
    };
    for (qsizetype k = 0; k < n;) {
        const int stretch = stretchOf(k);
        qsizetype end = k, lowest = -1, highest = -1, gap = -1;
        for (; end < n && stretchOf(end) == stretch; ++end) {
            const double y = series.y[end];
            if (std::isnan(y)) {
                gap = gap < 0 ? end : gap;
                continue;
            }
            if (lowest < 0 || y < series.y[lowest])
                lowest = end;
            if (highest < 0 || y > series.y[highest])
                highest = end;
        }
        std::array<qsizetype, 5> picks{k, lowest, highest, end - 1, gap};
        std::sort(picks.begin(), picks.end());
        qsizetype last = -1;
        for (const qsizetype i : picks) {
            if (i >= 0 && i != last)
                out.append(QCPGraphData(series.x[i], series.y[i]));
            last = i;
        }
        k = end;
    }
    return out;
}

QSharedPointer<QCPGraphDataContainer> GraphData(const QVector<QCPGraphData>& points) {
    auto container = QSharedPointer<QCPGraphDataContainer>::create();
    container->set(points, true);
    return container;
}
