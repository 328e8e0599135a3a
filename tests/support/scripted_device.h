#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QIODevice>
#include <QTimer>
#include <functional>

// A byte device for tests: what the program writes is logged and handed to `answer`, whose
// result becomes readable at once (readyRead follows from the event loop). It can also stream
// a packet at an interval; like the meter, it pauses the stream for `quietMs` after a command.
class ScriptedDevice : public QIODevice {
public:
    std::function<QByteArray(const QByteArray&)> answer;
    QByteArray written;

    QByteArray streamPacket;
    int quietMs = 40;

    ScriptedDevice() {
        open(QIODevice::ReadWrite);
        QObject::connect(&stream_, &QTimer::timeout, this, [this] {
            if (quiet_.isValid() && quiet_.elapsed() < quietMs)
                return;
            Feed(streamPacket);
        });
    }
    void StartStream(const QByteArray& packet, int intervalMs = 5) {
        streamPacket = packet;
        stream_.start(intervalMs);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return pending_.size() + QIODevice::bytesAvailable(); }
    void Feed(const QByteArray& bytes) {
        pending_ += bytes;
        QTimer::singleShot(0, this, [this] { Q_EMIT readyRead(); });
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = qMin<qint64>(maxSize, pending_.size());
        memcpy(data, pending_.constData(), size_t(n));
        pending_.remove(0, n);
        return n;
    }
    qint64 writeData(const char* data, qint64 size) override {
        const QByteArray bytes(data, int(size));
        written += bytes;
        quiet_.start();
        if (answer)
            Feed(answer(bytes));
        return size;
    }

private:
    QByteArray pending_;
    QTimer stream_;
    QElapsedTimer quiet_;
};
