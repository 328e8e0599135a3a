// The commands without a meter: ports and convert.

#include "cli/cli_jobs.h"
#include "cli/cli_options.h"
#include "cli/command_line.h"
#include "cli/console_output.h"
#include "recording/csv_export.h"

#include <QSaveFile>
#include <QSerialPortInfo>

int Ports(ConsoleOutput& out) {
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        out.Fields(QStringList{port.systemLocation(), port.description(), port.manufacturer()});
    return ExitSuccess;
}

int Convert(const CommandLine& line, ConsoleOutput& out) {
    if (!line.Has(QStringLiteral("to")))
        return Usage(out, QStringLiteral("convert needs --to csv"));
    if (line.Value(QStringLiteral("to")).compare(QLatin1String("csv"), Qt::CaseInsensitive) != 0)
        return Usage(out, QStringLiteral("convert knows only --to csv, not '%1'")
                              .arg(line.Value(QStringLiteral("to"))));
    const QString path = line.arguments.constFirst();
    const bool toFile = line.Has(QStringLiteral("output"));
    const QString target = line.Value(QStringLiteral("output"));
    // Written as it is converted; the file appears whole on commit, or not at all.
    QSaveFile file(target);
    if (toFile && !file.open(QIODevice::WriteOnly)) {
        out.Error(CannotWrite(target, file.errorString()));
        return ExitFileFailed;
    }
    // RFC 4180 lines end in CR LF; what goes to a pipe ends in LF like every other output.
    const CsvConversion csv =
        ConvertDataFileToCsv(path, toFile ? "\r\n" : "\n", [&](const QByteArray& bytes) {
            if (toFile)
                return file.write(bytes) == bytes.size();
            out.Raw(bytes);
            return !out.Failed();
        });
    if (csv.fileError) {
        out.Error(csv.error);
        return ExitFileFailed;
    }
    if (toFile && !file.commit()) {
        out.Error(CannotWrite(target, file.errorString()));
        return ExitFileFailed;
    }
    if (!csv.error.isEmpty()) {
        out.Error(csv.error);
        return ExitFileFailed;
    }
    return ExitSuccess;
}
