#pragma once

// What the Plot window shows for one plot, whichever entry asked for it: a click on a channel's
// strip chart of the main window, or a click on a channel column of the saved-file list. Both
// leave the same values behind; the window's captions, unit texts and ranges come from them.

#include <QString>
#include <QVector>

#include <optional>

struct ChannelState;
struct ColumnPlot;

struct PlotSetup {
    qint64 PlotRowCount = 0; // points plotted; the X range "Reset Scale" restores is 1..this
    QString PlotColumnText;  // the channel's digit and the unit: "2°C", "4°F"
    int PlotYMax = 0;        // the Y range "Reset Scale" restores: the type's measuring range
    int PlotYMin = 0;

    bool Fahrenheit() const;
    // `Label4`, the unit of the Y range fields: "°C" or "°F".
    QString UnitText() const;
    // `Label2`, the caption of the Y readout: "°C ( Y ) :".
    QString CursorYCaption() const;
    // The graph's caption: "T1" to "T4".
    QString GraphCaption() const;
    // The Y axis caption: "Celsius" or "Fahrenheit".
    QString YAxisCaption() const;

    // The ranges the plot opens with and "Reset Scale" restores. X is 1..PlotRowCount; a plot of
    // fewer than two points has no such range, so it gets 0..2 (its point, if any, in the
    // middle). Y is PlotYMin..PlotYMax; when no type was ever read there is no range yet, and the
    // widest measuring range of the unit stands in.
    double XMin() const;
    double XMax() const;
    double YMin() const;
    double YMax() const;
};

// A click on channel `channel`'s strip chart on the °C or °F panel with `sampleIndex` samples
// held: nothing for a channel without a probe. A type letter outside the type table keeps the Y
// range of `previous`.
std::optional<PlotSetup> SetupForChannel(const ChannelState& state, int channel, bool fahrenheit,
                                         qint64 sampleIndex, const PlotSetup& previous);

// A click on a channel column of the saved-file list.
PlotSetup SetupForColumn(const ColumnPlot& plot);
