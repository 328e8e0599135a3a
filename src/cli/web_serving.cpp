#include "cli/web_serving.h"

#include "cli/command_line.h"
#include "cli/console_output.h"
#include "cli/meter_session.h"

std::optional<WebServing> ReadWebServing(const CommandLine& line, const QString& addressOption,
                                         QString* error) {
    WebServing serving;
    serving.wanted = addressOption == QLatin1String("listen") || line.Has(addressOption);
    if (line.Has(addressOption) &&
        !LiveServer::ParseListen(line.Value(addressOption), &serving.settings.address,
                                 &serving.settings.port, error))
        return std::nullopt;
    const QString tokenFile = line.Value(QStringLiteral("token-file"));
    if (line.Has(QStringLiteral("token-file"))) {
        if (!serving.wanted) {
            *error = QStringLiteral("--token-file needs --%1").arg(addressOption);
            return std::nullopt;
        }
        if (!LiveServer::ReadTokenFile(tokenFile, &serving.settings.token, error))
            return std::nullopt;
    }
    return serving;
}

std::unique_ptr<LiveServer> StartWebServing(const WebServing& serving, MeterSession& session,
                                            const Recorder* recorder, ConsoleOutput& out) {
    auto server = std::make_unique<LiveServer>(session.Live(), session.Link(), session.Alarms(),
                                               session.GetSampler());
    server->SetRecorder(recorder);
    server->SetAlarmLimits(serving.alarms, serving.alarmsFahrenheit);
    QString error;
    if (!server->Start(serving.settings, &error)) {
        out.Error(error);
        return nullptr;
    }
    out.Error(QStringLiteral("serving the live view at %1").arg(server->Url()));
    return server;
}
