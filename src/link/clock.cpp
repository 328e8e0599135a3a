#include "link/clock.h"

QDateTime SystemClock::Now() const {
    return QDateTime::currentDateTime();
}

QDateTime SystemClock::NowUtc() const {
    return QDateTime::currentDateTimeUtc();
}

double SystemClock::SecondsSinceMidnight() const {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}
