#pragma once

// The Plot window's "Statistics" frame: over the samples in view, or over a stretch dragged
// across the plot, the lowest and highest reading with when each was first reached, the mean,
// the time above a level the user types, and the rate of rise at the cursor over a span the user
// chooses (30 s to begin with), which can also be drawn as a curve on a second axis.

#include "recording/reading_series.h"

#include <QGroupBox>

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class PlotStatsPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit PlotStatsPanel(QWidget* parent = nullptr);

    // A new plot: its readings and its unit ("°C"). The level and the span stay as typed.
    void SetSeries(const ReadingSeries& series, const QString& unitText);
    // The samples the figures cover, counted from 0 (last < first: none); `selected` when they
    // were dragged across the plot rather than being what is in view.
    void ShowStretch(qsizetype first, qsizetype last, bool selected);
    // Cursor 1 on sample `sample` (from 0), or no cursor shown.
    void ShowCursor(std::optional<qsizetype> sample);

    bool RateCurveShown() const;
    QString UnitText() const { return unitText_; }
    // The figures as the frame shows them, each with its caption ("Minimum: 20.1 °C at No. 35,
    // ..."), for a printout; the time above without a level and the rate without a cursor are
    // left out, as the frame leaves them empty.
    QStringList FigureLines() const;

    QLabel* Stretch() const { return stretch_; }
    QLabel* Minimum() const { return minimum_; }
    QLabel* Maximum() const { return maximum_; }
    QLabel* Mean() const { return mean_; }
    QLabel* Above() const { return above_; }
    QLabel* RateAtCursor() const { return rate_; }
    QLineEdit* Level() const { return level_; }
    QSpinBox* Span() const { return span_; }
    QCheckBox* RateCurve() const { return rateCurve_; }

Q_SIGNALS:
    // The rate of rise at every sample in degrees per minute (NaN where there is none), whenever
    // it changes while the curve is switched on; empty when it is switched off.
    void RateCurveChanged(const QVector<double>& degreesPerMinute);
    // "Whole View": back to the figures over what is in view.
    void WholeViewRequested();

private:
    void ShowFigures();
    void ShowRate();
    void EmitRateCurve();

    ReadingSeries series_;
    QString unitText_;
    qsizetype first_ = 0;
    qsizetype last_ = -1;
    bool selected_ = false;
    std::optional<qsizetype> cursor_;

    QLabel* stretch_ = nullptr;
    QPushButton* wholeView_ = nullptr;
    QLabel* minimum_ = nullptr;
    QLabel* maximum_ = nullptr;
    QLabel* mean_ = nullptr;
    QLineEdit* level_ = nullptr;
    QLabel* levelUnit_ = nullptr;
    QLabel* above_ = nullptr;
    QSpinBox* span_ = nullptr;
    QLabel* rate_ = nullptr;
    QCheckBox* rateCurve_ = nullptr;
};
