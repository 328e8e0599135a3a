#pragma once

// The command line of corvilab-cli: global options (anywhere before "--"), then a command with
// its own arguments and options. Only the shape is checked here; each command checks the
// values it reads.

#include <QMap>
#include <QString>
#include <QStringList>

// The exit statuses of the program.
enum ExitStatus {
    ExitSuccess = 0,
    ExitMeterFailed = 1, // the meter did not answer, or the link failed
    ExitUsage = 2,       // wrong usage
    ExitFileFailed = 3,  // a file could not be read or written
};

struct CommandLine {
    bool help = false;
    bool version = false;
    QString port; // --port, else the environment's CORVILAB_PORT; empty when neither
    double timeoutSeconds = 20.0;

    QString command;       // "status", "logger", ...
    QStringList arguments; // the command's own positional arguments ("get", "3")
    // The command's options by long name ("samples" -> "3", "yes" -> ""); "-o" is "output".
    QMap<QString, QString> options;

    QString error; // a usage error found while parsing; empty when the shape is right

    bool Has(const QString& name) const { return options.contains(name); }
    QString Value(const QString& name) const { return options.value(name); }
};

// Parses the arguments after the program name. `environmentPort` stands in for CORVILAB_PORT.
CommandLine ParseCommandLine(const QStringList& arguments, const QString& environmentPort);

// The text of --help and of --version.
QString HelpText();
QString VersionText();
