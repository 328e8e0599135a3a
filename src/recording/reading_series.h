#pragma once

// One channel's readings over a run as whole tenths, with when each was taken: what statistics
// over a plot or a file are computed from. "Over", "Under", "- - -" and a blank cell are gaps,
// never numbers.
//
// Times come from the records' date and time where the data holds them (a data file, a list
// shown from one). They are kept as seconds since the first record, always rising: where the
// clock went back (a clock set, the end of summer time) the record is taken as one usual step
// after the one before, and where a time cannot be read at all, likewise. The sample buffers hold
// no times: their samples are one sampling time apart.

#include "recording/data_file.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <limits>
#include <optional>
#include <vector>

class SampleBuffers;

struct ReadingSeries {
    static constexpr qint32 Gap = std::numeric_limits<qint32>::min();

    QVector<qint32> tenths;  // per sample: the reading, or Gap
    QVector<qint64> seconds; // per sample: seconds since the first sample, strictly rising
    QVector<qint64> stamps;  // per sample: the record's date-time digits yyyymmddhhnnss, or -1;
                             // empty when the data holds no date and time
    qint64 step = 1;         // the usual seconds from one sample to the next
    bool recorded = false;   // at least one cell is not blank (a logger set may leave a channel
                             // out: every cell of it is then blank)

    qsizetype Size() const { return tenths.size(); }
    std::optional<int> At(qsizetype sample) const;
    // The record's date and time as the file wrote it, "2013/08/08 14:05:09"; empty when the
    // data holds none for this sample.
    QString DateTimeText(qsizetype sample) const;
};

// A reading text in whole tenths: "23.4", "-.5", "-0.5", "230", with blanks around it; nothing
// for "Over", "Under", "- - -", a blank, or a number with more than one decimal, which no
// reading of the meter has.
std::optional<int> ReadingTenths(QByteArrayView text);

// "yyyy/mm/dd hh:nn:ss" as the number yyyymmddhhnnss (the digits as they stand, so that the text
// comes back exactly), or -1 for a text of another form.
qint64 DateTimeStamp(QByteArrayView text);
QString StampText(qint64 stamp);

// Collects the records of one run in order, for one or more channels, and works out the times.
class ReadingSeriesBuilder {
public:
    explicit ReadingSeriesBuilder(int channels);

    void Reserve(qsizetype records);
    // One record: its date-time text and the reading text of each channel.
    void AddRecord(QByteArrayView dateTime, const QByteArrayView* readings);
    qsizetype Records() const { return stamps_.size(); }
    // The series, one per channel, sharing their times. `fallbackStep` is the usual step when no
    // two readable times follow each other (a single record).
    std::vector<ReadingSeries> Finish(qint64 fallbackStep = 1);

private:
    std::vector<ReadingSeries> series_;
    QVector<qint64> stamps_;
    QVector<qint64> clock_; // seconds of the record's date and time on one scale, or -1
};

// The samples of one channel held in the sample buffers, `step` seconds apart. The buffers chart
// "Over" and "Under" at the ends of the thermocouple type's range and keep no other mark of them,
// so values at `lowerEnd` or `upperEnd` (tenths; ignored unless lower < upper) are gaps.
ReadingSeries SeriesFromBuffers(const SampleBuffers& buffers, int channel, bool fahrenheit,
                                qint64 step, int lowerEnd, int upperEnd);

// A data file read whole for statistics, with its continuation files when they continue it.
struct RecordedRun {
    QStringList files; // the files read, in order: the named one, then FILE-1, FILE-2, ...
    DataFields heading;
    std::array<ReadingSeries, 4> channels;
    // Readings taken from the files' ".corrected" companions (each file of the run has its
    // own) in place of what the meter read: the channels hold the readings as corrected.
    qint64 correctedReadings = 0;

    enum Failure { None, CannotRead, NotDataFile, BadLine };
    Failure failure = None;
    QString error; // what went wrong, naming the file; with BadLine, the lines before it count
};

// Reads `path` and, while they exist and continue its record numbering (each earlier file of the
// run held its full 320000 records, and the next has the same heading), its continuation files.
// A file whose first line is not the heading of a data file ("°C" or "°F", "Date Time", ...) is
// no data file.
RecordedRun ReadRecordedRun(const QString& path);
