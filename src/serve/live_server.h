#pragma once

// The live web view: one small HTTP server on the program's own event loop, serving the page,
// the live state and the recent samples as JSON, and the Prometheus metrics. It only reads the
// core objects: no request changes the meter, a file or a setting, and no file is served.

#include "serve/live_report.h"

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QPointer>

class QTcpServer;

class LiveServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    struct Settings {
        QHostAddress address = QHostAddress::LocalHost;
        quint16 port = 8080;       // 0: any free port
        QByteArray token;          // when set, every request has to carry it
        int maxConnections = 64;   // more are answered 503 and closed
        int idleMs = 30000;        // a connection that sends nothing this long is closed
        int historySamples = 3600; // samples kept for the chart and /api/samples
    };

    // How big a request may be: its line and headers, and a body (nothing here takes one).
    static constexpr int kMaxHeaderBytes = 8192;
    static constexpr int kMaxBodyBytes = 1024;

    LiveServer(const LiveState& live, const MeterLink& link, const AlarmSettings& alarms,
               const Sampler& sampler, QObject* parent = nullptr);
    ~LiveServer() override;

    // The recording shown on the page and in the metrics; none by default.
    void SetRecorder(const Recorder* recorder) { recorder_ = recorder; }

    // Starts listening. False with the reason in `error` (the address is taken, not this
    // machine's, ...).
    bool Start(const Settings& settings, QString* error);
    bool Listening() const;
    // "http://127.0.0.1:8080/" once listening.
    QString Url() const;

    // "ADDRESS:PORT" (or "[v6]:PORT") as a user writes it. False with the reason in `error`.
    static bool ParseListen(const QString& text, QHostAddress* address, quint16* port,
                            QString* error);
    // The token in the first line of a file, blanks around it taken off.
    static bool ReadTokenFile(const QString& path, QByteArray* token, QString* error);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void Sampled(const SampleRecord& record);
    LiveSources Sources() const;

    const LiveState& live_;
    const MeterLink& link_;
    const AlarmSettings& alarms_;
    const Recorder* recorder_ = nullptr;
    Settings settings_;
    ServeCounters counters_;
    std::deque<NumberedSample> history_;
    bool linkWasLost_ = true;
    QPointer<QTcpServer> tcp_;
};
