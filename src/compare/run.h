#pragma once

// One run to compare with others: a recording (with its continuation files), a downloaded
// logger set, or the recording in progress. It holds what its readings were: the time of each
// sample and, per channel, the reading in whole tenths of the unit the run was taken in, or no
// number at all where the run shows "Over", "Under", "- - -" or did not record the channel.

#include <QString>

#include <array>
#include <optional>
#include <vector>

class Run {
public:
    using Readings = std::array<std::optional<int>, 4>; // tenths, T1..T4; empty: a gap

    // `startSeconds` is the first sample's calendar time in seconds (CalendarSeconds);
    // `startText` the same as "yyyy/mm/dd hh:nn:ss".
    Run(const QString& name, const QString& startText, qint64 startSeconds, bool fahrenheit,
        const std::array<QString, 4>& typeLetters);

    const QString& Name() const { return name_; }
    // Where the run came from ("file:/data/run.4ch", "set:3:2013/08/08 14:05:09"), so that the
    // same run is not compared twice.
    const QString& SourceKey() const { return sourceKey_; }
    void SetSourceKey(const QString& key) { sourceKey_ = key; }

    const QString& StartText() const { return startText_; }
    qint64 StartSeconds() const { return startSeconds_; }
    // The unit the readings were taken in; the other unit is converted as the files are.
    bool Fahrenheit() const { return fahrenheit_; }
    QString UnitText() const;
    const std::array<QString, 4>& TypeLetters() const { return typeLetters_; }

    qsizetype Count() const { return qsizetype(times_.size()); }
    // Seconds from the first sample to sample `i`; never less than the sample before.
    qint64 Time(qsizetype i) const { return times_[size_t(i)]; }
    // The reading of `channel` at sample `i` in °F or °C, or a gap.
    std::optional<int> Tenths(int channel, qsizetype i, bool fahrenheit) const;
    // Every reading of `channel` in one unit, Gap() for a gap: for loops over many samples.
    std::vector<qint32> Channel(int channel, bool fahrenheit) const;
    static constexpr qint32 Gap() { return kGap; }
    // Whether the channel has any reading in the run.
    bool HasReadings(int channel) const { return hasReadings_[size_t(channel & 3)]; }

    // A mark of the run's files at `seconds` after the first sample, with its text, channel and
    // label ("10:05:09 T2 load in"); kept in the order added.
    struct RunMark {
        qint64 seconds = 0;
        QString text;
        std::optional<int> channel;
        QString label;
    };
    void AddMark(const RunMark& mark) { marks_.push_back(mark); }
    const std::vector<RunMark>& Marks() const { return marks_; }
    // Readings taken from the files' ".corrected" companions in place of what the meter read.
    qint64 CorrectedReadings() const { return correctedReadings_; }
    void CountCorrected(qint64 readings) { correctedReadings_ += readings; }

    // One more sample at `seconds` after the first (the first sample is at 0). False, and the
    // run unchanged, when that is earlier than the last sample.
    bool Append(qint64 seconds, const Readings& tenths);
    // Room for `count` samples in all.
    void Reserve(qsizetype count);

private:
    static constexpr qint32 kGap = -2147483647 - 1;

    QString name_;
    QString sourceKey_;
    QString startText_;
    qint64 startSeconds_;
    bool fahrenheit_;
    std::array<QString, 4> typeLetters_;
    std::vector<qint64> times_;
    std::array<std::vector<qint32>, 4> tenths_; // in the run's own unit
    std::array<bool, 4> hasReadings_{};
    std::vector<RunMark> marks_;
    qint64 correctedReadings_ = 0;
};

// ---- Texts of a run's files -------------------------------------------------------------------

// A reading text as a whole number of tenths: "23.4", "-.5", "-0.5", "0.0", "23" (a file edited
// elsewhere). Anything else ("Over", "Under", "- - -", a blank, "23.45") is no reading.
std::optional<int> ReadingTenths(QStringView text);
std::optional<int> ReadingTenths(const char* text, qsizetype size);

// "yyyy/mm/dd hh:nn:ss" as calendar seconds: days since the start of the Julian calendar times
// 86400 plus the time of day. No time zone and no daylight saving: the texts are the clock's.
// Empty for a text of another form or a date that does not exist.
std::optional<qint64> CalendarSeconds(QStringView text);
std::optional<qint64> CalendarSeconds(const char* text, qsizetype size);

// The same for the many lines of a file: the day of the last date read is kept, so that a line
// dated the same day as the one before takes no calendar computation.
class CalendarReader {
public:
    std::optional<qint64> Seconds(const char* text, qsizetype size);

private:
    char date_[10] = {};
    qint64 day_ = -1;
};

// Calendar seconds back to "yyyy/mm/dd hh:nn:ss".
QString CalendarText(qint64 seconds);
