#pragma once

#include "link/clock.h"

#include <QList>

// A clock for tests: a settable date-time, and seconds since midnight that either follow a
// script of readings (the last one repeats) or advance by a fixed step on every reading.
class FakeClock : public Clock {
public:
    QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0));
    QList<double> readings;
    double step = 0.0;
    mutable int readCount = 0;

    QDateTime Now() const override { return now; }
    double SecondsSinceMidnight() const override {
        const int i = readCount++;
        if (!readings.isEmpty())
            return readings[qMin(i, int(readings.size()) - 1)];
        return now.time().msecsSinceStartOfDay() / 1000.0 + i * step;
    }
};
