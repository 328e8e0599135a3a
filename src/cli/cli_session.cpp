#include "cli/cli_session.h"

#include "link/serial_port.h"

#include <QDeadlineTimer>

#include <cmath>

CliSession::CliSession(const QString& portName, double timeoutSeconds)
    : portName_(portName)
    , timeoutSeconds_(timeoutSeconds)
    , meter_(clock_) {
    deadline_.setSingleShot(true);
    deadline_.setInterval(int(std::ceil(timeoutSeconds * 1000.0)));
    connect(&deadline_, &QTimer::timeout, this, [this] {
        timedOut_ = true;
        meter_.Link().Cancel();
        Q_EMIT DeadlinePassed();
    });
    connect(&meter_.Link(), &MeterLink::DeviceFailed, this,
            [this](const QString& reason) { deviceError_ = reason; });
}

CliSession::~CliSession() {
    // Nested waits must have returned before the port goes.
    meter_.Stop();
    meter_.Link().SetDevice(nullptr, QString());
}

bool CliSession::Open(QString* error) {
    OpenedPort opened = OpenMeterPort(portName_);
    if (!opened.port) {
        if (error)
            *error = opened.error;
        return false;
    }
    port_ = std::move(opened.port);
    meter_.Attach(port_.get(), portName_);
    return true;
}

void CliSession::ArmDeadline() {
    deadline_.start();
}

void CliSession::DisarmDeadline() {
    deadline_.stop();
}

void CliSession::Interrupt() {
    interrupted_ = true;
    deadline_.stop();
    meter_.Link().Cancel();
    Q_EMIT Interrupting();
}

QString CliSession::NoAnswerText() const {
    return QStringLiteral("no meter answers on %1 within %2 s")
        .arg(portName_, QString::number(timeoutSeconds_));
}

QString CliSession::FailureText(const QString& what) const {
    if (interrupted_)
        return QStringLiteral("%1 on %2: interrupted").arg(what, portName_);
    if (!deviceError_.isEmpty())
        return QStringLiteral("%1 on %2 failed: %3").arg(what, portName_, deviceError_);
    if (timedOut_)
        return QStringLiteral("%1: %2").arg(what, NoAnswerText());
    return QStringLiteral("%1 on %2 failed").arg(what, portName_);
}

bool CliSession::Drain() {
    if (!port_ || !port_->isOpen())
        return false;
    const QDeadlineTimer limit(qint64(std::ceil(timeoutSeconds_ * 1000.0)));
    while (port_->bytesToWrite() > 0 && !limit.hasExpired()) {
        if (!port_->waitForBytesWritten(int(limit.remainingTime())))
            break;
    }
    return port_->bytesToWrite() == 0;
}
