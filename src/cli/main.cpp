// corvilab-cli: the headless front end of Corvilab, for scripts, SSH sessions and machines
// without a screen.

#include "cli/cli_commands.h"
#include "cli/command_line.h"
#include "cli/console_output.h"
#include "cli/stop_signals.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    // Ctrl-C and SIGTERM become events before anything else runs; commands that do not talk to
    // the meter let them act as usual again.
    StopSignals::Block();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvilab-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVILAB_VERSION));

    ConsoleOutput out;
    const CommandLine line = ParseCommandLine(QCoreApplication::arguments().mid(1),
                                              qEnvironmentVariable("CORVILAB_PORT"));
    if (line.help || line.version) {
        out.Raw((line.help ? HelpText() : VersionText()).toUtf8());
        if (!out.Flush()) {
            out.Error(QStringLiteral("cannot write to standard output: %1").arg(out.WriteError()));
            return ExitFileFailed;
        }
        return ExitSuccess;
    }
    if (!line.error.isEmpty()) {
        out.Error(line.error + QStringLiteral(" (try 'corvilab-cli --help')"));
        return ExitUsage;
    }
    return RunCommand(line, out);
}
