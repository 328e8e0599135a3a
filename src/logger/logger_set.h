#pragma once

#include "logger/logger_record.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>

// One automatically recorded set of the logger memory: its header and the bytes of the records
// that were actually downloaded.
struct LoggedSet {
    static constexpr int HeaderSize = 23;

    int number = 0;          // 1 upwards, in memory order
    qsizetype position = 0;  // offset of the set's marker in the automatic data
    int channelMask = 0;     // bit n: channel T(n+1) recorded
    bool fahrenheit = false; // recorded in °F
    std::array<quint8, 4> typeCodes{};
    std::array<int, 4> offsetTenths{}; // channel offsets, signed tenths
    LoggerDateTime start{};            // year, month, day, hour, minute, second as stored
    QString startText;                 // "2013/08/08 14:05:09"
    int interval = 0;                  // seconds between records
    int headerRecordCount = 0;         // what the header counts
    int recordCount = 0;               // records whose bytes are all present
    bool cutShort = false;             // the memory ends before the header's last record
    QByteArray bytes;                  // header and the records present

    // Bytes per record: valid byte, range byte, three bytes per recorded channel.
    int recordSize() const { return 2 + 3 * ChannelCount(channelMask).value_or(0); }
};

// Why splitting the automatic data ended.
enum class SplitStatus {
    Complete,       // every byte belongs to a set
    MarkerMissing,  // no set marker where a set should start: the rest cannot be read
    HeaderCutShort, // the data ends inside a set header
    SetCutShort,    // the last set's header counts more records than the data holds
};

struct SetSplit {
    QVector<LoggedSet> sets;
    SplitStatus status = SplitStatus::Complete;
    qsizetype stoppedAt = 0; // offset of the first byte not taken into a set
    qsizetype dataSize = 0;
};

// Splits the automatic data (the dump without its framing bytes) into its sets, laid end to
// end from offset 0. Stops at the first place no set can be read, keeping the sets before it.
SetSplit SplitSets(const QByteArray& automaticData);

// What to tell the user when the split did not read the whole memory; empty when it did.
QString SplitStatusText(const SetSplit& split);

// One row of the set table of the Memory window.
struct SetTableRow {
    int number = 0;
    QString dateTime;
    int interval = 0;
    int recordCount = 0; // records that can be opened
    bool cutShort = false;

    // The four cells: set number, date-time, interval, record count.
    std::array<QString, 4> cells() const;
};
SetTableRow SetTableRowOf(const LoggedSet& set);
std::array<QString, 4> SetTableHeadings();

// One record of a set as the data list shows it, in both units. A channel the set did not
// record is a single blank in both units.
struct DataListRow {
    int record = 0; // 1 upwards
    QString dateTime;
    std::array<QString, 4> c;
    std::array<QString, 4> f;

    // The six cells of the °C or °F table: record number, date-time, T1..T4.
    std::array<QString, 6> cells(bool fahrenheit) const;
};

// Decodes the records first .. first + count - 1 (1-based, clipped to the records present),
// so a window can fill itself in steps and show its progress.
QVector<DataListRow> DecodeSetRows(const LoggedSet& set, int first, int count);
QVector<DataListRow> DecodeSetRows(const LoggedSet& set);

// Row 0 of the °C or °F table for a set: "°C" or "°F", "Date Time", "T1 - K" .. "T4 - K"
// with the set's own type letters.
std::array<QString, 6> DataListHeadings(const LoggedSet& set, bool fahrenheit);
