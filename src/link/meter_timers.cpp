#include "link/meter_timers.h"

#include "link/clock.h"

#include <algorithm>

namespace {

// A tick is armed for this long after the whole second, so that it never runs a hair early and
// takes the time of the second before.
constexpr qint64 kTickAfterSecondMs = 5;

} // namespace

MeterTimers::MeterTimers() {
    Timer1.setInterval(50);
    Timer2.setInterval(1000);
    // A coarse timer may fire up to 5 % early or late, which is what lets ticks slide across
    // whole seconds.
    Timer2.setTimerType(Qt::PreciseTimer);
}

void MeterTimers::AlignSamplingTo(const Clock& clock) {
    clock_ = &clock;
    // Each tick arms the next, so a tick that nobody handles stops sampling rather than firing
    // again at once.
    Timer2.setSingleShot(true);
}

qint64 MeterTimers::MsToTickAfter(qint64 fromMs, qint64 nowMs) const {
    const qint64 period = samplingPeriodMs_;
    // Floor division: the clock may stand before 1970 in a test.
    const qint64 periods = fromMs / period - (fromMs % period < 0 ? 1 : 0);
    const qint64 due = (periods + 1) * period + kTickAfterSecondMs;
    return std::max<qint64>(0, due - nowMs);
}

void MeterTimers::StartSampling() {
    if (!clock_) {
        Timer2.start(samplingPeriodMs_);
        return;
    }
    const qint64 now = clock_->Now().toMSecsSinceEpoch();
    // A clock set back since the last tick starts the count of seconds afresh.
    const qint64 from = lastTickMs_ && *lastTickMs_ <= now ? *lastTickMs_ : now;
    Timer2.start(int(MsToTickAfter(from, now)));
}

void MeterTimers::SamplingTicked() {
    if (!clock_)
        return;
    const qint64 now = clock_->Now().toMSecsSinceEpoch();
    lastTickMs_ = now;
    Timer2.start(int(MsToTickAfter(now, now)));
}

void MeterTimers::StartBoth() {
    Timer1.start();
    StartSampling();
}

ExchangeGuard::ExchangeGuard(MeterTimers& timers, Pause pause, Work work)
    : timers_(timers)
    , pollingWasActive_(timers.Timer1.isActive())
    , samplingWasActive_(timers.Timer2.isActive())
    , pausedSampling_(pause == Pause::PollingAndSampling)
    , meter_(work == Work::Meter) {
    ++timers_.guardDepth_;
    timers_.meterDepth_ += meter_;
    ++timers_.exchangesBegun_;
    timers_.Timer1.stop();
    if (pausedSampling_)
        timers_.Timer2.stop();
}

ExchangeGuard::~ExchangeGuard() {
    --timers_.guardDepth_;
    timers_.meterDepth_ -= meter_;
    if (pollingWasActive_)
        timers_.Timer1.start();
    else
        timers_.Timer1.stop();
    if (pausedSampling_) {
        if (samplingWasActive_)
            timers_.StartSampling();
        else
            timers_.Timer2.stop();
    }
}
