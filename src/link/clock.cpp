#include "link/clock.h"

QDateTime SystemClock::Now() const {
    return QDateTime::currentDateTime();
}

double SystemClock::SecondsSinceMidnight() const {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}
