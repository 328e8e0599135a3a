#pragma once

#include "logger/logger_dump.h"
#include "logger/logger_set.h"
#include "logger/manual_entry.h"

#include <QVector>

// What the last downloads brought from the meter's logger: the automatic data split into sets
// (any number of them) and the manual entries, with the memory figures and the window-open
// flags that keep a download from running twice. One object for the whole run.
class LoggerMemory {
public:
    // From the last automatic download.
    quint32 MemoryAddress = EmptyMemoryAddress;
    MemoryCapacity Capacity;
    SetSplit Split; // the sets, and whether the whole automatic data could be read

    // From the last manual download.
    QVector<ManualRecord> ManualEntries;

    bool MemoryOpen = false;     // the Memory window is open
    bool ManualListOpen = false; // the ManualList window is open

    const QVector<LoggedSet>& Sets() const { return Split.sets; }
    // The set with this number (1 upwards), or none.
    const LoggedSet* SetByNumber(int number) const {
        if (number < 1 || number > Split.sets.size())
            return nullptr;
        return &Split.sets[number - 1];
    }
};
