#pragma once

// The meter session of one run of corvilab-cli, and the two things a program without a window
// adds: a deadline on every wait for the meter, and a stop request (Ctrl-C, SIGTERM) that ends
// every wait at once.

#include "link/clock.h"
#include "session/meter_session.h"

#include "link/serial_line.h"
#include <QObject>
#include <QTimer>

#include <memory>

class CliSession : public QObject {
    Q_OBJECT
public:
    CliSession(const QString& portName, double timeoutSeconds);
    ~CliSession() override;

    // Opens the port. False with the system's reason in `error`.
    bool Open(QString* error);

    MeterSession& Meter() { return meter_; }
    const Clock& GetClock() const { return clock_; }
    MeterTimers& Timers() { return meter_.Timers(); }
    LiveState& Live() { return meter_.Live(); }
    MeterLink& Link() { return meter_.Link(); }
    QString PortName() const { return portName_; }
    double TimeoutSeconds() const { return timeoutSeconds_; }

    // Starts (or starts over) the countdown of --timeout: when it runs out, every wait for the
    // meter returns and TimedOut() is true.
    void ArmDeadline();
    void DisarmDeadline();
    bool DeadlineArmed() const { return deadline_.isActive(); }
    bool TimedOut() const { return timedOut_; }

    // A stop request: every wait returns. Interrupted() tells it from a time-out.
    void Interrupt();
    bool Interrupted() const { return interrupted_; }
    // The port's own report of a failure (a pulled adapter), or empty.
    QString DeviceError() const { return deviceError_; }

    // "no meter answers on /dev/ttyUSB0 within 20 s"
    QString NoAnswerText() const;
    // What ended a command whose exchange came back empty: the time-out, the stop request, or
    // the port's own failure.
    QString FailureText(const QString& what) const;

    // Waits until the bytes written have left the program, so that a command that reads no
    // reply is not lost when the program ends right after it.
    bool Drain();

Q_SIGNALS:
    void DeadlinePassed();
    void Interrupting();

private:
    QString portName_;
    double timeoutSeconds_;
    SystemClock clock_;
    MeterSession meter_;
    std::unique_ptr<SerialLine> port_;
    QString deviceError_;
    QTimer deadline_;
    bool timedOut_ = false;
    bool interrupted_ = false;
};
