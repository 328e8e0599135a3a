#pragma once

// The live web view: one small HTTP server on the program's own event loop, serving the page,
// the live state and the recent samples as JSON, and the Prometheus metrics. It reads the core
// objects: no request changes the meter, a file or a setting, and no file is served. The one
// thing a request may do is place a mark, and only where a mark token is set and given.

#include "config/alarm_events.h"
#include "serve/http_listener.h"
#include "serve/live_report.h"

#include <QHostAddress>
#include <QObject>

#include <functional>

class AlarmSettings;

class LiveServer : public QObject {
    Q_OBJECT
public:
    struct Settings {
        QHostAddress address = QHostAddress::LocalHost;
        quint16 port = 8080; // 0: any free port
        QByteArray token;    // when set, every request has to carry it
        // When set, POST /api/mark with "Authorization: Bearer" and it places a mark.
        QByteArray markToken;
        HttpListener::Limits limits;
        int historySamples = 3600; // samples kept for the chart and /api/samples
    };

    LiveServer(const LiveState& live, const MeterLink& link, const AlarmSettings& alarms,
               const Sampler& sampler, QObject* parent = nullptr);
    ~LiveServer() override;

    // The recording shown on the page and in the metrics; none by default.
    void SetRecorder(const Recorder* recorder) { recorder_ = recorder; }
    // The alarm limits in force where they are not the panel's: those of corvilab-cli's
    // --alarm, in °F or °C (empty: the meter's unit at the time).
    void SetAlarmLimits(const AlarmLimits& limits, std::optional<bool> fahrenheit);
    // The calibration corrections applied to the readings shown; none by default.
    void SetCalibration(const Calibration* calibration) { calibration_ = calibration; }
    // Places a mark as the session does: false with the reason in `error` when it could not be
    // written (it is placed all the same); `placed` gets the mark.
    using MarkPlacer = std::function<bool(const Mark& mark, QString* error, Mark* placed)>;
    // The marks listed (oldest first) and how a mark from the page is placed; none by default.
    void SetMarks(const QList<Mark>* marks, MarkPlacer placer);
    // A mark was placed, whoever placed it: counted for the metrics.
    void CountMark() { ++counters_.marks; }

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

private:
    HttpAnswer Answer(const HttpRequest& request);
    HttpAnswer PlaceMark(const HttpRequest& request);
    void Sampled(const SampleRecord& record);
    LiveSources Sources() const;
    bool Markable() const;

    const LiveState& live_;
    const MeterLink& link_;
    const AlarmSettings& alarms_;
    const Recorder* recorder_ = nullptr;
    const Calibration* calibration_ = nullptr;
    const QList<Mark>* marks_ = nullptr;
    MarkPlacer placeMark_;
    std::optional<AlarmLimits> cliLimits_;
    std::optional<bool> cliLimitsF_;
    Settings settings_;
    ServeCounters counters_;
    std::deque<NumberedSample> history_;
    bool linkWasLost_ = true;
    HttpListener http_;
};
