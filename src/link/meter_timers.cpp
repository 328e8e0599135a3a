#include "link/meter_timers.h"

MeterTimers::MeterTimers() {
    Timer1.setInterval(50);
    Timer2.setInterval(1000);
}

void MeterTimers::StartBoth() {
    Timer1.start();
    Timer2.start();
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
            timers_.Timer2.start();
        else
            timers_.Timer2.stop();
    }
}
