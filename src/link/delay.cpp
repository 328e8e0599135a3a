#include "link/delay.h"

#include "link/clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

// Longest sleep between two clock readings: short enough that a clock set forward (or a fake
// clock in a test) is noticed promptly.
constexpr int kLongestSleepMs = 50;

void SleepProcessingEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

double DelayEnd(double start, double seconds) {
    const double end = start + seconds;
    return end >= 86400.0 ? seconds : end;
}

void Delay(double seconds, const Clock& clock) {
    const double end = DelayEnd(clock.SecondsSinceMidnight(), seconds);
    QCoreApplication::processEvents();
    for (double now = clock.SecondsSinceMidnight(); now < end; now = clock.SecondsSinceMidnight()) {
        const double remainingMs = std::ceil((end - now) * 1000.0);
        SleepProcessingEvents(int(std::clamp(remainingMs, 1.0, double(kLongestSleepMs))));
    }
}
