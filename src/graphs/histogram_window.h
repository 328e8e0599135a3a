#pragma once

// The histogram of a saved-file column ("Ln", tooltip "Histogram", of the saved-file list).

#include "graphs/histogram.h"

#include <QWidget>

class QCustomPlot;
class QLabel;

class HistogramWindow : public QWidget {
    Q_OBJECT
public:
    explicit HistogramWindow(QWidget* parent = nullptr);

    // Replaces the bars with those of `histogram`.
    void ShowHistogram(const Histogram& histogram);
    const Histogram& Shown() const { return histogram_; }
    QCustomPlot* Graph() const { return graph_; }
    QLabel* Summary() const { return summary_; }

private:
    Histogram histogram_;
    QCustomPlot* graph_;
    QLabel* summary_;
};
