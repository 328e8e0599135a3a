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

double SecondsSince(double start, double now) {
    const double elapsed = now - start;
    return elapsed < 0 ? elapsed + 86400.0 : elapsed;
}

bool WaitOver(double start, double seconds, double now) {
    return now < start || now >= DelayEnd(start, seconds);
}

void Delay(double seconds, const Clock& clock, const std::function<bool()>& stop) {
    const double start = clock.SecondsSinceMidnight();
    const double end = DelayEnd(start, seconds);
    QCoreApplication::processEvents();
    for (double now = clock.SecondsSinceMidnight(); !WaitOver(start, seconds, now);
         now = clock.SecondsSinceMidnight()) {
        if (stop && stop())
            return;
        const double remainingMs = std::ceil((end - now) * 1000.0);
        SleepProcessingEvents(int(std::clamp(remainingMs, 1.0, double(kLongestSleepMs))));
    }
}
