#include "sim/simulated_meter_device.h"

#include <QDeadlineTimer>
#include <QMetaMethod>
#include <QThread>

#include <algorithm>
#include <cstring>

SimulatedMeterDevice::SimulatedMeterDevice(QObject* parent)
    : QIODevice(parent)
    , protocol_(model_) {
    clock_.start();
    wake_.setInterval(10);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, &SimulatedMeterDevice::Pump);
}

SimulatedMeterDevice::~SimulatedMeterDevice() = default;

bool SimulatedMeterDevice::open(OpenMode mode) {
    // Unbuffered: the bytes of the simulated line are handed out exactly as they fall due.
    if (!QIODevice::open(mode | Unbuffered))
        return false;
    incoming_.clear();
    protocol_.Produce(NowNs()); // what the meter sent while nobody listened is gone
    WakeWhileWatched();
    return true;
}

void SimulatedMeterDevice::SetFast(bool fast) {
    protocol_.SetFast(fast);
    WakeWhileWatched();
}

void SimulatedMeterDevice::WakeWhileWatched() {
    const bool watched =
        protocol_.Fast() || isSignalConnected(QMetaMethod::fromSignal(&QIODevice::readyRead));
    if (!isOpen() || !watched)
        wake_.stop();
    else if (!wake_.isActive())
        wake_.start();
}

void SimulatedMeterDevice::connectNotify(const QMetaMethod& signal) {
    if (signal == QMetaMethod::fromSignal(&QIODevice::readyRead) && isOpen() && !wake_.isActive())
        wake_.start();
}

bool SimulatedMeterDevice::Take() {
    if (!isOpen())
        return false;
    const QByteArray due = protocol_.Produce(NowNs());
    incoming_.append(due);
    return !due.isEmpty();
}

void SimulatedMeterDevice::close() {
    wake_.stop();
    incoming_.clear();
    QIODevice::close();
}

qint64 SimulatedMeterDevice::bytesAvailable() const {
    // Looking is what moves the simulated line on to now.
    const_cast<SimulatedMeterDevice*>(this)->Take();
    return incoming_.size() + QIODevice::bytesAvailable();
}

qint64 SimulatedMeterDevice::readData(char* data, qint64 maxSize) {
    Take();
    const qint64 n = std::min<qint64>(maxSize, incoming_.size());
    if (n > 0) {
        std::memcpy(data, incoming_.constData(), size_t(n));
        incoming_.remove(0, int(n));
    }
    return n;
}

qint64 SimulatedMeterDevice::writeData(const char* data, qint64 maxSize) {
    protocol_.Receive(QByteArray(data, int(maxSize)), NowNs());
    justWritten_ += maxSize;
    // Signals go out from the event loop, never from inside the caller's write().
    if (!pumpQueued_) {
        pumpQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            pumpQueued_ = false;
            Pump();
        });
    }
    return maxSize;
}

void SimulatedMeterDevice::Pump() {
    if (!isOpen())
        return;
    if (justWritten_ > 0) {
        const qint64 written = justWritten_;
        justWritten_ = 0;
        emit bytesWritten(written);
    }
    const bool came = Take();
    // Once the last listener is gone the timer has nobody to wake.
    WakeWhileWatched();
    if (came)
        emit readyRead();
}

bool SimulatedMeterDevice::waitForReadyRead(int msecs) {
    if (!isOpen())
        return false;
    QDeadlineTimer deadline(msecs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(msecs));
    for (;;) {
        const qsizetype before = incoming_.size();
        Pump();
        if (incoming_.size() > before)
            return true;
        if (deadline.hasExpired())
            return false;
        // A byte takes about half a millisecond on the line: short sleeps, no spinning.
        QThread::msleep(std::min<qint64>(2, std::max<qint64>(1, deadline.remainingTime())));
    }
}
