#pragma once

// Event marks: "door opened", "load in", "power cut", placed while the meter is watched or
// recorded, with a time, a short text and optionally a channel. A recording keeps its marks
// beside each data file, in "<data file>.marks": one line per mark, appended and put onto the
// disk as it is placed, so that a crash loses none. Its lines are UTF-8, TAB-separated, LF:
//
//   # Corvilab marks: date time, record it follows, channel, text
//   2026/12/08 10:05:09<TAB>57<TAB>T2<TAB>load in
//
// The data file itself is not touched.

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

struct Mark {
    QDateTime time;             // local time it was placed
    QString text;               // one line, at most kMaxMarkLength characters
    std::optional<int> channel; // 0..3, or every channel
    qint64 afterRecord = 0;     // the recording's record it follows (0: before the first)
    // The live sample it follows, counted since the sample buffers last started over (their
    // sample n is this less `SampleBuffers::Dropped()`); empty once they started over again.
    std::optional<qint64> sample;

    // "T2 load in", or "load in" for every channel
    QString What() const;
    // "10:05:09 T2 load in"
    QString Label() const;
    bool operator==(const Mark& o) const {
        return time == o.time && text == o.text && channel == o.channel &&
               afterRecord == o.afterRecord;
    }
};

constexpr int kMaxMarkLength = 80;

// A mark where a plot of samples or records 1, 2, 3, ... draws it: `x` just after the one it
// follows, `label` as Mark::Label gives it.
struct PlotMark {
    double x = 0;
    QString label;
    bool operator==(const PlotMark& o) const { return x == o.x && label == o.label; }
};

// What a person types for a mark: "load in", or "T2: door opened" for one channel. Tabs and
// line ends become blanks, blanks around it go, and it is cut at kMaxMarkLength. Empty when
// nothing is left to mark; `error` then says why.
std::optional<Mark> ParseMarkInput(const QString& input, QString* error);

// "run.4ch" -> "run.4ch.marks"
QString MarksFileName(const QString& dataFile);

// Appends the mark to `path` (created with its heading line when missing) and puts it onto the
// disk before returning. False with the reason in `error`.
bool AppendMarkToFile(const QString& path, const Mark& mark, QString* error);

// The marks of a data file, from its marks file; none when there is none. Lines that are not
// marks are passed over.
QList<Mark> ReadMarksOf(const QString& dataFile);
