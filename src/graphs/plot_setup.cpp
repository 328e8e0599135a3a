#include "graphs/plot_setup.h"

#include "link/live_state.h"
#include "link/thermocouple.h"
#include "recording/column_plot.h"

namespace {

const QString kCelsius = QStringLiteral("°C");
const QString kFahrenheit = QStringLiteral("°F");

const ThermocoupleType* TypeByLetter(const QString& letter) {
    for (int code = 0; const ThermocoupleType* type = TypeByCode(code); ++code) {
        if (letter == QLatin1String(type->letter))
            return type;
    }
    return nullptr;
}

} // namespace

bool PlotSetup::Fahrenheit() const {
    return PlotColumnText.endsWith(kFahrenheit);
}

QString PlotSetup::UnitText() const {
    return PlotColumnText.right(2);
}

QString PlotSetup::CursorYCaption() const {
    return UnitText() + QStringLiteral(" ( Y ) :");
}

QString PlotSetup::GraphCaption() const {
    return QStringLiteral("T") + PlotColumnText.left(1);
}

QString PlotSetup::YAxisCaption() const {
    return Fahrenheit() ? QStringLiteral("Fahrenheit") : QStringLiteral("Celsius");
}

double PlotSetup::XMin() const {
    return PlotRowCount >= 2 ? 1.0 : 0.0;
}

double PlotSetup::XMax() const {
    return PlotRowCount >= 2 ? double(PlotRowCount) : 2.0;
}

double PlotSetup::YMin() const {
    return PlotYMin < PlotYMax ? PlotYMin : WidestLower(Fahrenheit());
}

double PlotSetup::YMax() const {
    return PlotYMin < PlotYMax ? PlotYMax : WidestUpper(Fahrenheit());
}

std::optional<PlotSetup> SetupForChannel(const ChannelState& state, int channel, bool fahrenheit,
                                         qint64 sampleIndex, const PlotSetup& previous) {
    if (!state.ProbeValid)
        return std::nullopt;
    PlotSetup setup;
    setup.PlotRowCount = sampleIndex;
    setup.PlotColumnText = QString::number(channel + 1) + (fahrenheit ? kFahrenheit : kCelsius);
    setup.PlotYMax = previous.PlotYMax;
    setup.PlotYMin = previous.PlotYMin;
    if (const ThermocoupleType* type = TypeByLetter(state.TypeLetter)) {
        setup.PlotYMax = fahrenheit ? type->upperF : type->upperC;
        setup.PlotYMin = fahrenheit ? type->lowerF : type->lowerC;
    }
    return setup;
}

PlotSetup SetupForColumn(const ColumnPlot& plot) {
    PlotSetup setup;
    setup.PlotRowCount = plot.PlotRowCount;
    setup.PlotColumnText = plot.PlotColumnText;
    setup.PlotYMax = plot.PlotYMax;
    setup.PlotYMin = plot.PlotYMin;
    return setup;
}
