#pragma once

#include <QTimer>
#include <optional>

class Clock;

// The two timers that drive the program: `Timer1` polls the meter every 50 ms, `Timer2` takes
// a sample every second. Both start off; start-up switches them on.
//
// Sampling ticks fall just after the whole seconds of the program's clock, so that samples
// taken a second apart carry times a second apart however late a tick runs. Every tick arms
// the next one from the clock, and sampling that comes back on after a pause catches up at
// once on a second it missed.
class MeterTimers {
public:
    MeterTimers();

    // `Timer1`: reads the meter every 50 ms.
    QTimer& PollingTimer() { return polling_; }
    const QTimer& PollingTimer() const { return polling_; }
    // `Timer2`: takes a sample once a second.
    QTimer& SamplingTimer() { return sampling_; }
    const QTimer& SamplingTimer() const { return sampling_; }

    // The clock whose whole seconds the sampling ticks follow; without one they come a second
    // apart from whenever sampling was switched on.
    void AlignSamplingTo(const Clock& clock);
    // The length of a sampling tick: 1000 ms in the program; tests shorten or lengthen it.
    void SetSamplingPeriod(int ms) { samplingPeriodMs_ = ms; }
    // Switches sampling on. The first tick falls just after the next whole second, or comes at
    // once when a whole second began since the last tick (one was missed while sampling was
    // off).
    void StartSampling();
    // The sampling tick's handler calls this first: notes the tick and arms the next one.
    void SamplingTicked();
    void StartBoth();
    void StopBoth();
    // Sampling off until a poll finds the meter's set-up handled.
    void StopSampling() { sampling_.stop(); }
    void StartPolling() { polling_.start(); }
    bool PollingActive() const { return polling_.isActive(); }
    bool SamplingActive() const { return sampling_.isActive(); }

    // Whether an exchange guard is active: timers switched on inside it would disturb the
    // exchange that owns the line.
    bool ExchangeInProgress() const { return guardDepth_ > 0; }
    // Exchanges begun so far: a wait that sees this change knows another exchange used the
    // line meanwhile.
    quint64 ExchangesBegun() const { return exchangesBegun_; }
    // Whether work of the program's own runs (see LocalWork): nothing may wait for the meter.
    bool LocalWorkInProgress() const { return localDepth_ > 0; }

private:
    friend class ExchangeGuard;
    friend class LocalWork;
    // Milliseconds from `nowMs` to the tick that follows the whole second after `fromMs`.
    qint64 MsToTickAfter(qint64 fromMs, qint64 nowMs) const;

    QTimer polling_;
    QTimer sampling_;
    const Clock* clock_ = nullptr;
    int samplingPeriodMs_ = 1000;
    std::optional<qint64> lastTickMs_; // by the clock, since the epoch
    int guardDepth_ = 0;
    int localDepth_ = 0;
    quint64 exchangesBegun_ = 0;
};

// One exchange with the meter at a time: the guard switches the polling timer (and, when asked,
// the sampling timer) off and restores each to its previous state when it goes out of scope, on
// every exit path. It covers the exchange only: a prompt waiting for the person is no exchange,
// and the meter is polled meanwhile.
class ExchangeGuard {
public:
    enum class Pause { Polling, PollingAndSampling };

    explicit ExchangeGuard(MeterTimers& timers, Pause pause = Pause::Polling);
    ~ExchangeGuard();
    ExchangeGuard(const ExchangeGuard&) = delete;
    ExchangeGuard& operator=(const ExchangeGuard&) = delete;

private:
    MeterTimers& timers_;
    bool pollingWasActive_;
    bool samplingWasActive_;
    bool pausedSampling_;
};

// Work of the program's own that lets events run (opening a file, listing, printing, plotting):
// polling and sampling go on meanwhile, so that a recording has no hole, but no poll waits for
// the meter inside it (the recovery of a lost link, the periodic status query): the work would
// wait with it. They run at the first poll after the work.
class LocalWork {
public:
    explicit LocalWork(MeterTimers& timers)
        : timers_(timers) {
        ++timers_.localDepth_;
    }
    ~LocalWork() { --timers_.localDepth_; }
    LocalWork(const LocalWork&) = delete;
    LocalWork& operator=(const LocalWork&) = delete;

private:
    MeterTimers& timers_;
};
