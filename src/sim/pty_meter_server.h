#pragma once

#include "sim/meter_protocol.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>

// Serves the simulated meter on the master side of a pseudo-terminal. The master is raw and
// non-blocking: while no program has the slave open the meter's bytes are dropped, and a
// master that reports a hang-up is not watched for reading (it would report it endlessly);
// a 10 ms timer looks again.
class PtyMeterServer : public QObject {
    Q_OBJECT
public:
    PtyMeterServer(MeterProtocol& protocol, const QElapsedTimer& clock, QObject* parent = nullptr);
    ~PtyMeterServer() override;

    // Opens a new pseudo-terminal; false with a message in error when that fails.
    bool Open(QString& error);
    void Close();
    bool IsOpen() const { return master_ >= 0; }
    QString SlavePath() const { return slavePath_; }

private:
    void Tick();
    void ReadMaster();
    void WritePending();
    bool SlaveClosed() const;

    MeterProtocol& protocol_;
    const QElapsedTimer& clock_;
    int master_ = -1;
    QString slavePath_;
    std::unique_ptr<QSocketNotifier> readable_;
    std::unique_ptr<QSocketNotifier> writable_;
    QTimer tick_;
    QByteArray pending_;
};
