#include "cli/meter_session.h"

#include "link/serial_port.h"

#include <QDeadlineTimer>

#include <cmath>

MeterSession::MeterSession(const QString& portName, double timeoutSeconds)
    : portName_(portName)
    , timeoutSeconds_(timeoutSeconds)
    , link_(clock_, timers_, live_)
    , alarms_(live_)
    , sampler_(clock_, live_, alarms_) {
    deadline_.setSingleShot(true);
    deadline_.setInterval(int(std::ceil(timeoutSeconds * 1000.0)));
    connect(&deadline_, &QTimer::timeout, this, [this] {
        timedOut_ = true;
        link_.Cancel();
        Q_EMIT DeadlinePassed();
    });
    connect(&link_, &MeterLink::DeviceFailed, this,
            [this](const QString& reason) { deviceError_ = reason; });
}

MeterSession::~MeterSession() {
    // Nested waits must have returned before the port goes.
    link_.Cancel();
    timers_.PollingTimer().stop();
    timers_.SamplingTimer().stop();
    link_.SetDevice(nullptr, QString());
}

bool MeterSession::Open(QString* error) {
    OpenedPort opened = OpenMeterPort(portName_);
    if (!opened.port) {
        if (error)
            *error = opened.error;
        return false;
    }
    port_ = std::move(opened.port);
    link_.SetDevice(port_.get(), portName_);
    return true;
}

void MeterSession::ArmDeadline() {
    deadline_.start();
}

void MeterSession::DisarmDeadline() {
    deadline_.stop();
}

void MeterSession::Interrupt() {
    interrupted_ = true;
    deadline_.stop();
    link_.Cancel();
    Q_EMIT Interrupting();
}

QString MeterSession::NoAnswerText() const {
    return QStringLiteral("no meter answers on %1 within %2 s")
        .arg(portName_, QString::number(timeoutSeconds_));
}

QString MeterSession::FailureText(const QString& what) const {
    if (interrupted_)
        return QStringLiteral("%1 on %2: interrupted").arg(what, portName_);
    if (!deviceError_.isEmpty())
        return QStringLiteral("%1 on %2 failed: %3").arg(what, portName_, deviceError_);
    if (timedOut_)
        return QStringLiteral("%1: %2").arg(what, NoAnswerText());
    return QStringLiteral("%1 on %2 failed").arg(what, portName_);
}

bool MeterSession::Drain() {
    if (!port_ || !port_->isOpen())
        return false;
    const QDeadlineTimer limit(qint64(std::ceil(timeoutSeconds_ * 1000.0)));
    while (port_->bytesToWrite() > 0 && !limit.hasExpired()) {
        if (!port_->waitForBytesWritten(int(limit.remainingTime())))
            break;
    }
    return port_->bytesToWrite() == 0;
}
