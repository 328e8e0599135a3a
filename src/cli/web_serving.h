#pragma once

#include "serve/live_server.h"

#include <memory>

class ConsoleOutput;
class CliSession;
struct CommandLine;

// The live web view of a `serve`, `live` or `record` run: `addressOption` ("listen" or "http")
// gives ADDRESS:PORT, --token-file the access token, --mark-token the token that places marks.
struct WebServing {
    bool wanted = false;
    LiveServer::Settings settings;
    // The run's --alarm limits, in the unit of --unit (empty: the meter's): what is served as
    // the limits in force.
    AlarmLimits alarms;
    std::optional<bool> alarmsFahrenheit;
};

// The options read and checked; empty with a usage error in `error`.
std::optional<WebServing> ReadWebServing(const CommandLine& line, const QString& addressOption,
                                         QString* error);

// Serves the session's meter and recording for the rest of the session. False when it cannot
// listen; the reason is on standard error. The address is told there too.
bool StartWebServing(const WebServing& serving, CliSession& session, ConsoleOutput& out);
