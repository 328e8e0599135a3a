#include "link/meter_timers.h"

#include "link/clock.h"

#include <algorithm>

namespace {

// A tick is armed for this long after the whole second, so that it never runs a hair early and
// takes the time of the second before.
constexpr qint64 kTickAfterSecondMs = 5;

} // namespace

MeterTimers::MeterTimers() {
    polling_.setObjectName(QStringLiteral("Timer1"));
    sampling_.setObjectName(QStringLiteral("Timer2"));
    polling_.setInterval(50);
    sampling_.setInterval(1000);
    // A coarse timer may fire up to 5 % early or late, which is what lets ticks slide across
    // whole seconds.
    sampling_.setTimerType(Qt::PreciseTimer);
}

void MeterTimers::AlignSamplingTo(const Clock& clock) {
    clock_ = &clock;
    // Each tick arms the next, so a tick that nobody handles stops sampling rather than firing
    // again at once.
    sampling_.setSingleShot(true);
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
        sampling_.start(samplingPeriodMs_);
        return;
    }
    const qint64 now = clock_->Now().toMSecsSinceEpoch();
    // A clock set back since the last tick starts the count of seconds afresh.
    const qint64 from = lastTickMs_ && *lastTickMs_ <= now ? *lastTickMs_ : now;
    sampling_.start(int(MsToTickAfter(from, now)));
}

void MeterTimers::SamplingTicked() {
    if (!clock_)
        return;
    const qint64 now = clock_->Now().toMSecsSinceEpoch();
    lastTickMs_ = now;
    sampling_.start(int(MsToTickAfter(now, now)));
}

void MeterTimers::StartBoth() {
    polling_.start();
    StartSampling();
}

void MeterTimers::StopBoth() {
    polling_.stop();
    sampling_.stop();
}

ExchangeGuard::ExchangeGuard(MeterTimers& timers, Pause pause)
    : timers_(timers)
    , pollingWasActive_(timers.PollingTimer().isActive())
    , samplingWasActive_(timers.SamplingTimer().isActive())
    , pausedSampling_(pause == Pause::PollingAndSampling) {
    ++timers_.guardDepth_;
    ++timers_.exchangesBegun_;
    timers_.PollingTimer().stop();
    if (pausedSampling_)
        timers_.SamplingTimer().stop();
}

ExchangeGuard::~ExchangeGuard() {
    --timers_.guardDepth_;
    if (pollingWasActive_)
        timers_.PollingTimer().start();
    else
        timers_.PollingTimer().stop();
    if (pausedSampling_) {
        if (samplingWasActive_)
            timers_.StartSampling();
        else
            timers_.SamplingTimer().stop();
    }
}
