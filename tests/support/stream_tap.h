#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QIODevice>
#include <QList>
#include <QTimer>
#include <cstring>

// The line to a meter device with the live stream replaced by chunks that a test chooses
// (packets, stray bytes, broken frames), sent in turn, one every interval: commands still reach
// the meter and its replies come back. Like the meter, the stream pauses for `quietMs` after a
// command. Switch the meter's own stream off.
class StreamTap : public QIODevice {
public:
    QList<QByteArray> chunks;
    int quietMs = 40;
    qint64 chunksSent = 0;

    explicit StreamTap(QIODevice* meter)
        : meter_(meter) {
        open(QIODevice::ReadWrite);
        QObject::connect(meter_, &QIODevice::readyRead, this, [this] { Take(meter_->readAll()); });
        QObject::connect(&stream_, &QTimer::timeout, this, [this] {
            if (chunks.isEmpty() || (quiet_.isValid() && quiet_.elapsed() < quietMs))
                return;
            Take(chunks[int(chunksSent++ % chunks.size())]);
        });
    }
    void Start(int intervalMs = 2) { stream_.start(intervalMs); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return pending_.size() + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = qMin<qint64>(maxSize, pending_.size());
        std::memcpy(data, pending_.constData(), size_t(n));
        pending_.remove(0, n);
        return n;
    }
    qint64 writeData(const char* data, qint64 size) override {
        quiet_.start();
        return meter_->write(data, size);
    }

private:
    void Take(const QByteArray& bytes) {
        if (bytes.isEmpty())
            return;
        pending_ += bytes;
        Q_EMIT readyRead();
    }

    QIODevice* meter_;
    QByteArray pending_;
    QTimer stream_;
    QElapsedTimer quiet_;
};
