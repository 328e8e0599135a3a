#include "graphs/histogram_window.h"

#include <QLabel>
#include <QVBoxLayout>
#include <qcustomplot.h>

HistogramWindow::HistogramWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Histogram"));
    setWindowTitle(QStringLiteral("Histogram"));
    setAccessibleName(QStringLiteral("Histogram of a column"));

    graph_ = new QCustomPlot(this);
    graph_->setObjectName(QStringLiteral("HistogramGraph"));
    graph_->setAccessibleName(QStringLiteral("Readings per class"));
    graph_->setMinimumSize(420, 280);
    graph_->plotLayout()->insertRow(0);
    graph_->plotLayout()->addElement(
        0, 0, new QCPTextElement(graph_, QString(), QFont(font().family(), 12, QFont::Bold)));
    auto* bars = new QCPBars(graph_->xAxis, graph_->yAxis);
    bars->setPen(QPen(QColor(0, 0, 160)));
    bars->setBrush(QColor(80, 120, 230));
    graph_->yAxis->setLabel(QStringLiteral("Readings"));

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("HistogramSummary"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(graph_, 1);
    layout->addWidget(summary_);
    resize(640, 420);
}

void HistogramWindow::ShowHistogram(const Histogram& histogram) {
    histogram_ = histogram;
    setWindowTitle(QStringLiteral("Histogram ") + histogram.Title);
    if (auto* title = qobject_cast<QCPTextElement*>(graph_->plotLayout()->element(0, 0)))
        title->setText(histogram.Title);
    graph_->xAxis->setLabel(histogram.UnitText);

    auto* bars = qobject_cast<QCPBars*>(graph_->plottable(0));
    QVector<double> keys, counts;
    int highest = 0;
    for (int i = 0; i < histogram.Counts.size(); ++i) {
        keys << histogram.ClassCentre(i);
        counts << histogram.Counts[i];
        highest = std::max(highest, histogram.Counts[i]);
    }
    bars->setWidth(histogram.Width > 0 ? histogram.Width : 1);
    bars->setData(keys, counts, true);
    if (histogram.Counts.isEmpty()) {
        graph_->xAxis->setRange(0, 1);
    } else {
        graph_->xAxis->setRange(histogram.First,
                                histogram.First + histogram.Width * histogram.Counts.size());
    }
    graph_->yAxis->setRange(0, std::max(highest, 1) * 1.08);
    summary_->setText(QStringLiteral("%1 readings in classes of %2 %3; %4 cells without a "
                                     "reading left out.")
                          .arg(histogram.Readings)
                          .arg(histogram.Width)
                          .arg(histogram.UnitText)
                          .arg(histogram.Left));
    graph_->replot();
}
