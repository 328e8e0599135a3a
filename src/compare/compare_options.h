#pragma once

// The texts a comparison is asked for with: a channel "T1", a band "2" or "+2/-1.5", an
// alignment "start", "T1>=100" or "T1<=50", a unit "C" or "F". Each parser gives the value, or
// a message naming the text it could not take.

#include "compare/comparison.h"

#include <QString>

#include <optional>

// "T1" .. "T4" (or "t1"): 0..3.
std::optional<int> ParseChannel(const QString& text, QString* error);

// Degrees with at most one decimal ("100", "-18", "2.5") in tenths.
std::optional<int> ParseDegrees(const QString& text);

// "D" for ± D, or "+D1/-D2": D1 above the reference and D2 below it; each above 0.
std::optional<Band> ParseBand(const QString& text, QString* error);

// "start", or "T1>=100" (the first time T1 reaches 100 from below), "T1<=50" (falls to 50),
// or, with `marks` (runs compared, not the band watch), "mark:load in" (each run's first mark
// of that text).
std::optional<Alignment> ParseAlignment(const QString& text, QString* error, bool marks = false);

// "C" or "F": whether the unit is °F.
std::optional<bool> ParseUnit(const QString& text, QString* error);

// The band as it is written back: "±2.0" or "+2.0/-1.5".
QString BandText(const Band& band);

// "# readings of run.4ch as corrected by calibration: 12": said of a run whose files' corrected
// readings were compared in place of what the meter read.
QString CorrectedNote(const Run& run);
