#pragma once

#include "config/alarm_events.h"

#include <QString>

// The alarm log: a CSV file in UTF-8, one line per event (time, channel, event, value, limit)
// after a heading line. Each event is appended and the file closed again, so that a log read
// or moved while the program runs loses nothing.
class AlarmLog {
public:
    explicit AlarmLog(const QString& path)
        : path_(path) {}

    QString Path() const { return path_; }
    // False with the reason in `Error()` when the line could not be written.
    bool Append(const AlarmEvent& event);
    // Opens the log for appending as each event does, and gives a new or empty log its heading
    // line: a log that cannot be written is found before the first event. False with the
    // reason in `Error()`.
    bool Begin();
    QString Error() const { return error_; }

    // The cells of the log's line for an event, as the "Alarm Log" window shows them too.
    static QStringList Cells(const AlarmEvent& event);
    static QStringList HeadingCells();

private:
    bool AppendLines(const QByteArray& lines);

    QString path_;
    QString error_;
};
