#include "cli/web_serving.h"

#include "cli/cli_session.h"
#include "cli/command_line.h"
#include "cli/console_output.h"

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
    // Given on the command line: a token that only places marks, never shows the readings.
    if (line.Has(QStringLiteral("mark-token"))) {
        if (!serving.wanted) {
            *error = QStringLiteral("--mark-token needs --%1").arg(addressOption);
            return std::nullopt;
        }
        serving.settings.markToken = line.Value(QStringLiteral("mark-token")).trimmed().toUtf8();
        if (serving.settings.markToken.isEmpty()) {
            *error = QStringLiteral("--mark-token needs a token");
            return std::nullopt;
        }
    }
    return serving;
}

bool StartWebServing(const WebServing& serving, CliSession& session, ConsoleOutput& out) {
    MeterSession& meter = session.Meter();
    QString error;
    if (!meter.Serve(serving.settings, &error)) {
        out.Error(error);
        return false;
    }
    meter.Server()->SetAlarmLimits(serving.alarms, serving.alarmsFahrenheit);
    out.Error(QStringLiteral("serving the live view at %1").arg(meter.Server()->Url()));
    return true;
}
