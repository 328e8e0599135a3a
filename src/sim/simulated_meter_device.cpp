#include "sim/simulated_meter_device.h"

#include <QDeadlineTimer>
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
    wake_.start();
    return true;
}

void SimulatedMeterDevice::close() {
    wake_.stop();
    incoming_.clear();
    QIODevice::close();
}

qint64 SimulatedMeterDevice::bytesAvailable() const {
    return incoming_.size() + QIODevice::bytesAvailable();
}

qint64 SimulatedMeterDevice::readData(char* data, qint64 maxSize) {
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
    const QByteArray due = protocol_.Produce(NowNs());
    if (due.isEmpty())
        return;
    incoming_.append(due);
    emit readyRead();
}

bool SimulatedMeterDevice::waitForReadyRead(int msecs) {
    if (!isOpen())
        return false;
    QDeadlineTimer deadline(msecs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(msecs));
    for (;;) {
        const int before = incoming_.size();
        Pump();
        if (incoming_.size() > before)
            return true;
        if (deadline.hasExpired())
            return false;
        // A byte takes about half a millisecond on the line: short sleeps, no spinning.
        QThread::msleep(std::min<qint64>(2, std::max<qint64>(1, deadline.remainingTime())));
    }
}
