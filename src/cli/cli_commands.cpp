#include "cli/cli_commands.h"

#include "cli/cli_jobs.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_line.h"
#include "cli/compare_command.h"
#include "cli/console_output.h"
#include "cli/record_marks.h"
#include "cli/stats_command.h"
#include "cli/stop_signals.h"

namespace {

// The commands that talk to the meter, by name as the command line's table names them (a
// logger command with its subcommand).
struct MeterCommandMaker {
    const char* name;
    JobMaker make;
};

constexpr MeterCommandMaker kMeterCommands[] = {
    {"status", Status},
    {"live", Live},
    {"record", Record},
    {"serve", ServeOnly},
    {"erase", Erase},
    {"clock", ClockCommand},
    {"interval", Interval},
    {"poweroff", PowerOff},
    {"key", Key},
    {"logger sets", LoggerSets},
    {"logger get", LoggerGet},
    {"logger all", LoggerAll},
    {"logger manual", LoggerManual},
};

// The job of a meter command, after its arguments were checked; empty with `usage` set when
// they were wrong.
MeterJob MeterCommand(const CommandLine& line, ConsoleOutput& out, int* usage) {
    QString name = line.command;
    if (line.command == QLatin1String("logger") && !line.arguments.isEmpty())
        name += QLatin1Char(' ') + line.arguments.constFirst();
    for (const MeterCommandMaker& command : kMeterCommands) {
        if (name == QLatin1String(command.name))
            return command.make(line, out, usage);
    }
    *usage = Usage(out, QStringLiteral("unknown command '%1'").arg(line.command));
    return {};
}

} // namespace

int RunCommand(const CommandLine& line, ConsoleOutput& out) {
    if (line.command == QLatin1String("stats"))
        return RunStats(line, out);
    if (line.command == QLatin1String("compare")) {
        StopSignals::Unblock();
        return Flushed(out, CompareRuns(line, out));
    }
    if (line.command == QLatin1String("mark")) {
        StopSignals::Unblock();
        return MarkCommand(line, out);
    }
    if (line.command == QLatin1String("ports") || line.command == QLatin1String("convert")) {
        // Nothing to stop cleanly: the signals end the program as they would any other.
        StopSignals::Unblock();
        return Flushed(out,
                       line.command == QLatin1String("ports") ? Ports(out) : Convert(line, out));
    }

    int usage = ExitSuccess;
    const MeterJob job = MeterCommand(line, out, &usage);
    if (!job)
        return usage == ExitSuccess ? int(ExitUsage) : usage;
    if (line.port.isEmpty())
        return Usage(out, QStringLiteral("no port given: use --port DEVICE or set CORVILAB_PORT"));

    CliSession session(line.port, line.timeoutSeconds);
    StopSignals stops;
    QObject::connect(&stops, &StopSignals::StopRequested, &session, &CliSession::Interrupt);
    QString error;
    if (!session.Open(&error)) {
        out.Error(QStringLiteral("cannot open %1: %2").arg(line.port, error));
        return ExitMeterFailed;
    }
    return Flushed(out, job(session));
}
