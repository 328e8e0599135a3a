#pragma once

#include "sim/simulated_meter_device.h"

#include <QHash>
#include <QTimer>
#include <cstring>
#include <functional>

// The simulated meter with chosen commands answered differently: the meter stays silent to a
// command whose first letter is in `replies` and the given bytes arrive instead (nothing for
// an empty entry). Everything else, the status query included, is the meter's own.
class TamperedMeter : public SimulatedMeterDevice {
public:
    QHash<char, QByteArray> replies;
    // Called as each command is written, before the meter sees it.
    std::function<void(const QByteArray&)> onWrite;

    TamperedMeter() {
        SetFast(true);
        open(QIODevice::ReadWrite);
    }
    qint64 bytesAvailable() const override {
        return extra_.size() + SimulatedMeterDevice::bytesAvailable();
    }
    QVector<QByteArray> Sent() { return Protocol().ReceivedCommands(); }

protected:
    qint64 writeData(const char* data, qint64 size) override {
        if (onWrite)
            onWrite(QByteArray(data, int(size)));
        const auto it = size > 0 ? replies.constFind(data[0]) : replies.constEnd();
        const bool tampered = it != replies.constEnd();
        Protocol().SetSilent(tampered);
        const qint64 written = SimulatedMeterDevice::writeData(data, size);
        Protocol().SetSilent(false);
        if (tampered && !it->isEmpty()) {
            extra_ += *it;
            QTimer::singleShot(0, this, [this] { Q_EMIT readyRead(); });
        }
        return written;
    }
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = qMin<qint64>(maxSize, extra_.size());
        std::memcpy(data, extra_.constData(), size_t(n));
        extra_.remove(0, n);
        return n + SimulatedMeterDevice::readData(data + n, maxSize - n);
    }

private:
    QByteArray extra_;
};
