#pragma once

// The histogram of a saved-file column ("Ln" of the saved-file list): how many readings fall in
// each class. Cells that hold no number ("- - -", "Over", "Under", empty) are left out.

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

struct Histogram {
    QString Title;    // the column's heading and the file's unit: "T2 - J (°C)"
    QString UnitText; // "°C" or "°F"
    double First = 0; // lower edge of the first class
    double Width = 0; // class width, a round number of degrees (at least a tenth)
    QVector<int> Counts;
    qint64 Readings = 0; // cells with a number
    qint64 Left = 0;     // cells without one

    double ClassCentre(int i) const { return First + Width * (i + 0.5); }
};

// A cell's reading, or nothing for a text that is no number.
std::optional<double> CellReading(const QString& text);

// The histogram of `rows` cells, cell i given by `cell(i)`. `unitHeading` is the table's first
// heading: exactly "°C" makes the file Celsius, anything else Fahrenheit, as for a plot.
Histogram MakeHistogram(const QString& columnHeading, const QString& unitHeading, qint64 rows,
                        const std::function<QString(qint64)>& cell);
