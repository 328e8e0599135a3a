#pragma once

// Calibration corrections of the probes: per channel T1 to T4 and per unit, none, an offset, two
// points (reading -> true) or a table of certificate points (reading, correction). Between points
// the correction is linear; outside the outermost points the nearest point's correction holds and
// the reading is beyond the calibrated range. Nothing is extrapolated.
//
// The corrections are the user's. Their plain text form, read by both programs and written by
// the desktop's window, has one line per channel and unit; '#' starts a comment:
//
//   T1 C offset -0.3
//   T2 C two-point 0 0.4 100 99.2          (reading true, reading true)
//   T3 F table 32 0.2 212 -0.3 400 -0.5    (reading correction, ...)
//
// A channel corrected in one unit only is corrected in the other too, its points converted.
// The meter's readings are never changed: "Over", "Under" and "- - -" are never corrected, and
// the data file keeps what the meter read.

#include <QList>
#include <QString>

#include <array>
#include <optional>

enum class CorrectionKind { None, Offset, TwoPoints, Table };

// A point of a correction, in degrees of the correction's unit, as the user gave it: at
// `reading`, `value` is the correction to add, or for two points the true temperature.
struct CorrectionPoint {
    double reading = 0;
    double value = 0;
    bool operator==(const CorrectionPoint& o) const {
        return reading == o.reading && value == o.value;
    }
};

// A reading corrected, in tenths of the reading's unit; `beyond`: outside the calibrated points.
struct CorrectedTenths {
    int tenths = 0;
    bool beyond = false;
};

struct ChannelCorrection {
    CorrectionKind kind = CorrectionKind::None;
    bool fahrenheit = false; // the unit its numbers are in
    // Offset: one point, whose correction holds everywhere. Two points and tables: rising
    // readings.
    QList<CorrectionPoint> points;

    // The correction at a point.
    double CorrectionAt(const CorrectionPoint& p) const {
        return kind == CorrectionKind::TwoPoints ? p.value - p.reading : p.value;
    }
    // `reading` in the correction's unit, corrected; beyond when outside the outermost points.
    std::pair<double, bool> Apply(double reading) const;
    // The same correction for readings in the other unit.
    ChannelCorrection Converted() const;
    // "offset -0.3 °C", "two-point 0 → 0.4, 100 → 99.2 °C", "table 32 +0.2, 212 -0.3 °F".
    QString Describe() const;
    // Two corrections that correct nothing are the same, whatever unit they name.
    bool operator==(const ChannelCorrection& o) const {
        if (kind == CorrectionKind::None || o.kind == CorrectionKind::None)
            return kind == o.kind;
        return kind == o.kind && fahrenheit == o.fahrenheit && points == o.points;
    }
};

class Calibration {
public:
    // The text form above. Empty and `error` set ("line 3: ...") when a line cannot be read;
    // nothing of a bad text is taken.
    static std::optional<Calibration> Parse(const QString& text, QString* error);
    // A file of that form; the error names the file and the line.
    static std::optional<Calibration> ReadFile(const QString& path, QString* error);
    // The text form, which parses back to the same corrections.
    QString Text() const;

    bool IsEmpty() const;
    // As given for a channel and unit (not converted).
    const ChannelCorrection& Given(int channel, bool fahrenheit) const;
    void Set(int channel, const ChannelCorrection& correction);
    void Clear(int channel, bool fahrenheit);
    // What corrects readings of `channel` in the unit: the one given for it, else the other
    // unit's converted; kind None when the channel has none.
    ChannelCorrection InForce(int channel, bool fahrenheit) const;
    // A reading of tenths corrected, rounded to tenths; empty when the channel is not corrected.
    std::optional<CorrectedTenths> Correct(int channel, bool fahrenheit, int tenths) const;
    // "T1 offset -0.3 °C": the correction in force on a channel; empty when it has none.
    QString InForceLine(int channel, bool fahrenheit) const;
    // The same for every channel corrected in that unit, one per line.
    QStringList InForceLines(bool fahrenheit) const;

    bool operator==(const Calibration& o) const { return given_ == o.given_; }
    bool operator!=(const Calibration& o) const { return !(*this == o); }

private:
    // [channel][0: °C, 1: °F]
    std::array<std::array<ChannelCorrection, 2>, 4> given_{};
};
