#pragma once

#include "logger/logger_record.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>

// One manually recorded entry of the logger memory: a reading of all four channels.
struct ManualRecord {
    static constexpr int Size = 29;

    bool fahrenheit = false; // stored while the meter showed °F
    QString dateTime;        // "2013/08/08 14:05:09"
    std::array<QString, 4> typeLetters;
    std::array<QString, 4> c; // reading texts of T1..T4 ("- - -", "Over", "Under" or a value)
    std::array<QString, 4> f;

    // The six cells of the manual record list: unit text, date-time, then "K: 23.4" for T1..T4
    // in the entry's own unit.
    std::array<QString, 6> cells() const;
};

// Decodes one entry; `bytes` must hold at least ManualRecord::Size bytes.
ManualRecord DecodeManualEntry(const char* bytes);

struct ManualSplit {
    QVector<ManualRecord> entries;
    bool cutShort = false; // fewer bytes than the entries counted
};

// The entries of the manual dump (without its framing bytes), at most `count` of them.
ManualSplit SplitManualEntries(const QByteArray& entryBytes, int count);

std::array<QString, 6> ManualListHeadings();
