#pragma once

#include <QTimer>

// The two timers that drive the program: `Timer1` polls the meter every 50 ms, `Timer2` takes
// a sample every second. Both start off; start-up switches them on.
class MeterTimers {
public:
    MeterTimers();

    QTimer Timer1; // polling
    QTimer Timer2; // sampling

    // Whether an exchange guard is active: timers switched on inside it would disturb the
    // exchange that owns the line.
    bool ExchangeInProgress() const { return guardDepth_ > 0; }
    // Exchanges begun so far: a wait that sees this change knows another exchange used the
    // line meanwhile.
    quint64 ExchangesBegun() const { return exchangesBegun_; }
    // Whether a guard of an exchange with the meter is active (not only local work that keeps
    // the timers quiet, such as listing or printing).
    bool MeterExchangeInProgress() const { return meterDepth_ > 0; }
    void StartBoth();

private:
    friend class ExchangeGuard;
    int guardDepth_ = 0;
    int meterDepth_ = 0;
    quint64 exchangesBegun_ = 0;
};

// One exchange with the meter at a time: the guard switches the polling timer (and, when asked,
// the sampling timer) off and restores each to its previous state when it goes out of scope, on
// every exit path.
class ExchangeGuard {
public:
    enum class Pause { Polling, PollingAndSampling };
    // Local work (listing, printing) keeps the timers quiet without talking to the meter.
    enum class Work { Meter, Local };

    explicit ExchangeGuard(MeterTimers& timers, Pause pause = Pause::Polling,
                           Work work = Work::Meter);
    ~ExchangeGuard();
    ExchangeGuard(const ExchangeGuard&) = delete;
    ExchangeGuard& operator=(const ExchangeGuard&) = delete;

private:
    MeterTimers& timers_;
    bool pollingWasActive_;
    bool samplingWasActive_;
    bool pausedSampling_;
    bool meter_;
};
