#pragma once

#include "sim/meter_model.h"
#include "sim/meter_protocol.h"

#include <QElapsedTimer>
#include <QIODevice>
#include <QTimer>

// The simulated meter as an in-process byte device: what the program writes reaches the
// meter's protocol at once, and the meter's bytes become readable as they fall due on the
// simulated line. The bytes due are taken off the line whenever the program looks
// (bytesAvailable, read), so a program that polls wakes for nothing else. A timer that wakes
// every 10 ms and announces new bytes with readyRead runs only while something listens for
// readyRead, and in fast mode, whose line keeps only a short backlog for a reader that does not
// look. Nothing spins.
class SimulatedMeterDevice : public QIODevice {
    Q_OBJECT
public:
    explicit SimulatedMeterDevice(QObject* parent = nullptr);
    ~SimulatedMeterDevice() override;

    MeterModel& Model() { return model_; }
    MeterProtocol& Protocol() { return protocol_; }
    void SetFast(bool fast);
    // The meter's pace (a scenario's "stream" statement sets the same).
    void SetPacketInterval(int ms) { protocol_.SetPacketInterval(ms); }
    void SetJitter(int ms) { protocol_.SetJitter(ms); }
    void SetPauseForReplies(bool on) { protocol_.SetPauseForReplies(on); }
    // Pulls the cable: nothing reaches the meter and nothing comes back until plugged again.
    void SetPlugged(bool on) { protocol_.SetPlugged(on, NowNs()); }
    qint64 NowNs() const { return clock_.nsecsElapsed(); }

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool waitForReadyRead(int msecs) override;
    bool waitForBytesWritten(int) override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;
    void connectNotify(const QMetaMethod& signal) override;

private:
    // Moves the bytes due by now from the simulated line to what can be read. True when any came.
    bool Take();
    void Pump();
    // Runs the wake timer while it has someone to wake, stops it otherwise.
    void WakeWhileWatched();

    MeterModel model_;
    MeterProtocol protocol_;
    QElapsedTimer clock_;
    QTimer wake_;
    QByteArray incoming_;
    qint64 justWritten_ = 0;
    bool pumpQueued_ = false;
};
