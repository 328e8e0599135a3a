#include "graphs/sweep_layout.h"

#include "link/thermocouple.h"
#include "recording/column_plot.h"

#include <cmath>

SweepLayout SweepLayout::ForSize(int width, int height) {
    SweepLayout layout;
    const int across = std::max(width - LeftMargin, 0);
    layout.PlotWidth = across - across % HalfTimeStep;
    layout.PlotHeight = std::max(height - 100, 0);
    layout.PlotBottom = height - 27;
    return layout;
}

double SweepLayout::ValueHeight(double value, double min, double max) const {
    if (value > max)
        return PlotHeight + 5;
    if (value < min)
        return -3;
    return max > min ? PlotHeight * (value - min) / (max - min) : 0.0;
}

int SweepLayout::Counts(double stepX) const {
    return stepX > 0 ? int(std::lround(PlotWidth / stepX)) : 0;
}

QString SweepValueText(double value) {
    // Six decimals first, so that 0.3 computed as 0.29999... is not cut to 0.2.
    QString text = QString::number(value, 'f', 6);
    text.chop(5);
    if (text == QLatin1String("-0.0"))
        text = QStringLiteral("0.0");
    return text;
}

QStringList SweepValueLabels(double min, double max) {
    QStringList labels;
    for (int i = 0; i <= 8; ++i)
        labels << SweepValueText(min + (max - min) * i / 8);
    return labels;
}

double SweepStartMin(bool fahrenheit) {
    return fahrenheit ? 32 : 0;
}

double SweepStartMax(bool fahrenheit) {
    return fahrenheit ? 212 : 100;
}

SweepLimitCheck CheckSweepLimit(const QString& maxText, const QString& minText,
                                const QString& countsText, bool fahrenheit) {
    SweepLimitCheck check;
    const double max = LeadingNumber(maxText);
    const double min = LeadingNumber(minText);
    const int lower = WidestLower(fahrenheit);
    const int upper = WidestUpper(fahrenheit);
    if (max <= min || min < lower || max > upper) {
        check.Refusal = QStringLiteral("%1 <= Value <= %2, try again!").arg(lower).arg(upper);
        return check;
    }
    const double counts = LeadingNumber(countsText);
    if (!(counts >= SweepLayout::MinCounts && counts <= SweepLayout::MaxCounts)) {
        check.Refusal = QStringLiteral("%1 <= Counts <= %2, try again!")
                            .arg(SweepLayout::MinCounts)
                            .arg(SweepLayout::MaxCounts);
        return check;
    }
    check.Accepted = SweepLimit{max, min, int(counts)};
    return check;
}
