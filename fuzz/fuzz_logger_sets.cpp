// The set splitter and the set record decoder on arbitrary automatic data, as downloaded from
// the logger memory: every set the split keeps is opened whole and in steps, as the Memory
// window and the data list do.

#include "fuzz_check.h"
#include "logger/logger_set.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const SetSplit split = SplitSets(bytes);
    FUZZ_CHECK(split.dataSize == bytes.size());
    FUZZ_CHECK(split.stoppedAt >= 0 && split.stoppedAt <= bytes.size());
    // Only a set cut short may end exactly at the end of the data without being complete.
    if (split.status == SplitStatus::SetCutShort)
        FUZZ_CHECK(!split.sets.isEmpty() && split.sets.last().cutShort);
    else
        FUZZ_CHECK((split.status == SplitStatus::Complete) == (split.stoppedAt == bytes.size()));
    FUZZ_CHECK(SplitStatusText(split).isEmpty() == (split.status == SplitStatus::Complete));

    qsizetype position = 0;
    for (const LoggedSet& set : split.sets) {
        FUZZ_CHECK(set.position == position);
        FUZZ_CHECK(set.recordCount >= 0 && set.recordCount <= set.headerRecordCount);
        FUZZ_CHECK(set.bytes.size() ==
                   LoggedSet::HeaderSize + qsizetype(set.recordCount) * set.recordSize());
        FUZZ_CHECK(bytes.mid(position, set.bytes.size()) == set.bytes);
        position += set.bytes.size();

        const QVector<DataListRow> rows = DecodeSetRows(set);
        FUZZ_CHECK(rows.size() == set.recordCount);
        for (qsizetype r = 0; r < rows.size(); ++r) {
            FUZZ_CHECK(rows[r].record == r + 1);
            FUZZ_CHECK(rows[r].dateTime.size() == 19);
        }
        // A window filling itself in steps gets the same rows.
        const int step = 1 + int(set.position % 7);
        for (int first = 1; first <= set.recordCount; first += step) {
            const QVector<DataListRow> part = DecodeSetRows(set, first, step);
            for (qsizetype k = 0; k < part.size(); ++k) {
                const DataListRow& whole = rows[first - 1 + k];
                FUZZ_CHECK(part[k].record == whole.record && part[k].dateTime == whole.dateTime);
                FUZZ_CHECK(part[k].cells(false) == whole.cells(false));
                FUZZ_CHECK(part[k].cells(true) == whole.cells(true));
            }
        }
        FUZZ_CHECK(DecodeSetRows(set, set.recordCount + 1, 5).isEmpty());
        FUZZ_CHECK(DecodeSetRows(set, -3, -1).isEmpty());

        const SetTableRow row = SetTableRowOf(set);
        FUZZ_CHECK(row.cells()[3] == QString::number(set.recordCount));
        DataListHeadings(set, set.fahrenheit);
    }
    FUZZ_CHECK(position == split.stoppedAt);
    return 0;
}
