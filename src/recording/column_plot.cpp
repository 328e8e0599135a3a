#include "recording/column_plot.h"

#include "link/thermocouple.h"
#include "recording/six_column_model.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr QChar kDegree(0x00B0);

// The type whose "- K" ... "- C" the heading holds first, in the order of the type table.
const ThermocoupleType* TypeInHeading(const QString& heading) {
    for (int code = 0;; ++code) {
        const ThermocoupleType* type = TypeByCode(code);
        if (!type)
            return nullptr;
        if (heading.contains(QStringLiteral("- ") + QLatin1String(type->letter)))
            return type;
    }
}

} // namespace

QString ColumnPlot::YAxisCaption() const {
    return PlotColumnText.contains(QString(kDegree) + QLatin1Char('F'))
               ? QStringLiteral("Fahrenheit")
               : QStringLiteral("Celsius");
}

std::optional<ColumnPlot> PlotGridColumn(const SixColumnModel& grid, int column,
                                         const ColumnPlot& previous, const GridProgress& progress,
                                         int progressEvery) {
    if (column < SixColumnModel::FirstChannelColumn || column >= SixColumnModel::ColumnCount)
        return std::nullopt;
    progressEvery = std::max(progressEvery, 1);

    ColumnPlot plot;
    plot.Column = column;
    plot.PlotRowCount = grid.rowCount();
    // Only a heading of exactly "°C" makes a Celsius file; anything else is taken as °F.
    const QString celsius = QString(kDegree) + QLatin1Char('C');
    const QString unit = grid.Heading(0) == celsius ? celsius : QString(kDegree) + QLatin1Char('F');
    plot.PlotColumnText = QString::number(column - 1) + unit;
    plot.PlotYMax = previous.PlotYMax;
    plot.PlotYMin = previous.PlotYMin;
    if (const ThermocoupleType* type = TypeInHeading(grid.Heading(column))) {
        const bool fahrenheit = unit != celsius;
        plot.PlotYMax = fahrenheit ? type->upperF : type->upperC;
        plot.PlotYMin = fahrenheit ? type->lowerF : type->lowerC;
    }

    plot.Values.resize(grid.rowCount());
    ReadingSeriesBuilder readings(1);
    readings.Reserve(grid.rowCount());
    for (int row = 0; row < grid.rowCount(); ++row) {
        const DataFieldBytes bytes = grid.RowBytes(row);
        const SixColumnModel::CorrectedCells* corrected = grid.Corrected(row);
        const size_t channel = size_t(column - SixColumnModel::FirstChannelColumn);
        if (corrected && corrected->kinds[channel] != ReadingCorrection::None) {
            const QString& text = corrected->texts[channel];
            const QByteArray latin1 = text.toLatin1();
            const QByteArrayView value(latin1);
            readings.AddRecord(bytes[SixColumnModel::DateTimeColumn], &value);
            plot.Values[row] = NumberAtStart(text).value_or(std::nan(""));
            plot.Corrected = true;
        } else {
            readings.AddRecord(bytes[SixColumnModel::DateTimeColumn], &bytes[size_t(column)]);
            plot.Values[row] = NumberAtStart(grid.Text(row, column)).value_or(std::nan(""));
        }
        const qint64 gridRow = qint64(row) + 1;
        if (progress && (gridRow % progressEvery == 0 || row + 1 == grid.rowCount()))
            progress(gridRow);
    }
    plot.Readings = std::move(readings.Finish().front());
    return plot;
}

QList<PlotMark> PlotMarksOf(const SixColumnModel& grid, const QList<Mark>& marks) {
    // The record number of each row, for finding the row a mark follows.
    std::vector<qint64> records(size_t(grid.rowCount()));
    for (int row = 0; row < grid.rowCount(); ++row)
        records[size_t(row)] = grid.RowBytes(row)[SixColumnModel::RecordColumn].toLongLong();
    QList<PlotMark> plotted;
    for (const Mark& mark : marks) {
        const qint64 position = std::count_if(records.cbegin(), records.cend(),
                                              [&](qint64 r) { return r <= mark.afterRecord; });
        plotted.append(PlotMark{double(position) + 0.5, mark.Label()});
    }
    return plotted;
}

std::optional<double> NumberAtStart(QStringView text) {
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            compact.append(c);
    }
    const auto isDigit = [&](qsizetype i) {
        return i < compact.size() && compact[i] >= QLatin1Char('0') &&
               compact[i] <= QLatin1Char('9');
    };
    qsizetype i = 0;
    if (i < compact.size() && (compact[i] == QLatin1Char('+') || compact[i] == QLatin1Char('-')))
        ++i;
    bool digits = false;
    while (isDigit(i)) {
        ++i;
        digits = true;
    }
    if (i < compact.size() && compact[i] == QLatin1Char('.')) {
        ++i;
        while (isDigit(i)) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return std::nullopt;
    QString number = compact.left(i);
    // An exponent counts only with at least one digit ("1e" is 1); "D" is an old spelling of "E".
    if (i < compact.size() && QStringLiteral("eEdD").contains(compact[i])) {
        qsizetype j = i + 1;
        if (j < compact.size() &&
            (compact[j] == QLatin1Char('+') || compact[j] == QLatin1Char('-')))
            ++j;
        if (isDigit(j)) {
            while (isDigit(j))
                ++j;
            number += QLatin1Char('e') + compact.mid(i + 1, j - i - 1);
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

double LeadingNumber(QStringView text) {
    return NumberAtStart(text).value_or(0.0);
}
