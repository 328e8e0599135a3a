#pragma once

// A comparison as CSV (RFC 4180, UTF-8): the table, one line per run, and the aligned series,
// one line per sample of the reference. Degrees and seconds with "." and one decimal whatever
// the locale, rounded half away from zero; an empty cell where there is no value.

#include <QByteArray>

class Comparison;

// "run,start,aligned at,max above,max below,mean abs,outside s,verdict", then the runs.
QByteArray ComparisonTableCsv(const Comparison& comparison, const QByteArray& lineEnd);

// "time s" (seconds since alignment), then one column per run named after it and the unit
// ("run.4ch (°C)"): its value at each of the reference's sample times, the reference's own
// readings, the others interpolated.
QByteArray AlignedSeriesCsv(const Comparison& comparison, const QByteArray& lineEnd);
