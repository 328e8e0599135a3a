#pragma once

#include "logger/logger_dump.h"
#include "logger/logger_set.h"
#include "logger/manual_entry.h"

#include <QVector>
#include <utility>

// What the last downloads brought from the meter's logger: the automatic data split into sets
// (any number of them) and the manual entries, with the memory figures and the window-open
// flags that keep a download from running twice. One object for the whole run.
class LoggerMemory {
public:
    // What the last automatic download brought: the memory address and capacity the meter
    // reported, and its data split into sets.
    void KeepAutomaticData(quint32 address, const MemoryCapacity& capacity, SetSplit split) {
        memoryAddress_ = address;
        capacity_ = capacity;
        split_ = std::move(split);
    }
    quint32 MemoryAddress() const { return memoryAddress_; }
    const MemoryCapacity& Capacity() const { return capacity_; }
    // The sets, and whether the whole automatic data could be read.
    const SetSplit& Split() const { return split_; }
    const QVector<LoggedSet>& Sets() const { return split_.sets; }
    // The set with this number (1 upwards), or none.
    const LoggedSet* SetByNumber(int number) const {
        if (number < 1 || number > split_.sets.size())
            return nullptr;
        return &split_.sets[number - 1];
    }

    // From the last manual download.
    void KeepManualEntries(QVector<ManualRecord> entries) { manualEntries_ = std::move(entries); }
    const QVector<ManualRecord>& ManualEntries() const { return manualEntries_; }

    // Whether the Memory window, or the ManualList window, is open.
    bool MemoryOpen() const { return memoryOpen_; }
    void SetMemoryOpen(bool open) { memoryOpen_ = open; }
    bool ManualListOpen() const { return manualListOpen_; }
    void SetManualListOpen(bool open) { manualListOpen_ = open; }

private:
    quint32 memoryAddress_ = EmptyMemoryAddress;
    MemoryCapacity capacity_;
    SetSplit split_;
    QVector<ManualRecord> manualEntries_;
    bool memoryOpen_ = false;
    bool manualListOpen_ = false;
};
