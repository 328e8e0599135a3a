#pragma once

#include <QDateTime>

// The one source of time for the program: the date-time of now and the seconds since local
// midnight. Tests use a fake clock so that midnight rules and date arithmetic are checked
// without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() const = 0;
    // The same instant in UTC: cheaper where only instants are compared (no time zone).
    virtual QDateTime NowUtc() const { return Now().toUTC(); }
    // Seconds since local midnight, fractions included.
    virtual double SecondsSinceMidnight() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime Now() const override;
    QDateTime NowUtc() const override;
    double SecondsSinceMidnight() const override;
};
