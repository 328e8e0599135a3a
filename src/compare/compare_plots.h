#pragma once

// Drawing helpers of the Compare window's plots.

#include "compare/comparison.h"

#include <QSharedPointer>
#include <QString>
#include <QVector>
#include <qcustomplot.h>

// A plot with its object and accessible names, dragged and zoomed with the mouse.
QCustomPlot* ComparePlot(const QString& name, const QString& accessible, const QString& xLabel,
                         QWidget* parent);

// A line's outline: per stretch of 1/4096 of its span, its first, lowest, highest and last
// point and its first gap, in time order.
QVector<QCPGraphData> LineOutline(const PlotSeries& series);

// Points as a graph's data, sorted already.
QSharedPointer<QCPGraphDataContainer> GraphData(const QVector<QCPGraphData>& points);
