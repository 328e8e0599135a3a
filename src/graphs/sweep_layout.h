#pragma once

// The arithmetic of the real-time graph, a sweeping strip chart: the plot area within the
// drawing surface, a value's height in it, the value labels, the "Limit" panel's counts and the
// checks of its entries.

#include <QString>
#include <QStringList>

#include <optional>

struct SweepLayout {
    static constexpr int LeftMargin = 60;   // left edge of the plot area
    static constexpr int TimeStep = 60;     // a time mark every 60 units
    static constexpr int HalfTimeStep = 30; // a short mark between them
    static constexpr int MinCounts = 10;
    static constexpr int MaxCounts = 864000;

    int PlotWidth = 0;  // the largest multiple of 30 not above (width - 60)
    int PlotHeight = 0; // height - 100
    int PlotBottom = 0; // height - 27

    // The plot area of a drawing surface `width` x `height`.
    static SweepLayout ForSize(int width, int height);

    // Height of `value` above PlotBottom for the range min..max: just above the top edge for a
    // value above max, just below the bottom edge for one below min.
    double ValueHeight(double value, double min, double max) const;

    // `TxtCounts`: the steps of `stepX` that fit across the plot area.
    int Counts(double stepX) const;
};

// A value label: exactly one decimal, longer decimals cut (not rounded): 42.5, 55.0, -12.5, 0.1.
QString SweepValueText(double value);

// The nine labels of the range min..max, bottom to top.
QStringList SweepValueLabels(double min, double max);

// The range the graph opens with in each unit: room temperature shows well in it.
double SweepStartMin(bool fahrenheit);
double SweepStartMax(bool fahrenheit);

// The entries of the "Limit" panel, checked: the value range must lie within the widest
// measuring range of the thermocouple types in the unit, the counts within 10..864000. A text
// that is no number counts as its leading number (0 if none).
struct SweepLimit {
    double ValueMax = 0;
    double ValueMin = 0;
    int Counts = 0;
};
struct SweepLimitCheck {
    std::optional<SweepLimit> Accepted;
    QString Refusal; // the message when refused: "-200 <= Value <= 2310, try again!"
};
SweepLimitCheck CheckSweepLimit(const QString& maxText, const QString& minText,
                                const QString& countsText, bool fahrenheit);
