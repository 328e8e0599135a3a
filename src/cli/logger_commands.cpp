// The logger: its sets, one set or all of them as data files, and the manual entries.

#include "cli/cli_jobs.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_line.h"
#include "cli/console_output.h"
#include "logger/logger_download.h"
#include "logger/logger_memory.h"
#include "logger/logger_record.h"
#include "recording/grid_file.h"
#include "recording/six_column_model.h"

#include <QDir>

#include <cmath>
#include <limits>
#include <optional>

namespace {

// Downloads the automatic data or the manual entries. Every sign of life of the meter (the
// announcement, each step of progress) gives it the whole time-out again, so that a full
// memory at 19200 baud is read, while a meter that goes quiet ends the transfer. Automatic data
// that cannot be split to its end is said so, and `damaged` set: the command then hands over
// the sets before the damage but does not end with success.
int Download(CliSession& session, ConsoleOutput& out, LoggerMemory& memory, bool automatic,
             bool* noData, bool* damaged = nullptr) {
    LoggerDownload download(session.Link(), memory);
    LoggerDownload::Limits limits = download.GetLimits();
    limits.silenceMs = int(std::ceil(session.TimeoutSeconds() * 1000.0));
    download.SetLimits(limits);
    const auto alive = [&session] { session.ArmDeadline(); };
    QObject::connect(&download, &LoggerDownload::AutomaticDataAnnounced, &session, alive);
    QObject::connect(&download, &LoggerDownload::ManualDataAnnounced, &session, alive);
    QObject::connect(&download, &LoggerDownload::Progress, &session, alive);

    session.ArmDeadline();
    const LoggerDownload::Outcome outcome =
        automatic ? download.DownloadAutomatic() : download.DownloadManual();
    session.DisarmDeadline();
    *noData = false;
    switch (outcome) {
    case LoggerDownload::Outcome::Completed:
        break;
    case LoggerDownload::Outcome::NoData:
        *noData = true;
        break;
    case LoggerDownload::Outcome::Silent:
    case LoggerDownload::Outcome::LinkLost:
        out.Error(QStringLiteral("reading the logger on %1: %2")
                      .arg(session.PortName(), download.OutcomeText(outcome)));
        return ExitMeterFailed;
    case LoggerDownload::Outcome::Busy:
    case LoggerDownload::Outcome::Cancelled:
        out.Error(session.FailureText(QStringLiteral("reading the logger")));
        return ExitMeterFailed;
    }
    const bool whole = !automatic || *noData || memory.Split().status == SplitStatus::Complete;
    if (!whole) {
        out.Error(QStringLiteral("the logger data of the meter on %1 is incomplete: %2")
                      .arg(session.PortName(), SplitStatusText(memory.Split())));
    }
    if (damaged)
        *damaged = !whole;
    return ExitSuccess;
}

// The set's records as the data list holds them, in one unit: what it shows and what it saves.
void FillDataList(const LoggedSet& set, bool fahrenheit, SixColumnModel& table) {
    table.SetHeadings(DataListHeadings(set, fahrenheit));
    QList<DataFields> rows;
    const QVector<DataListRow> decoded = DecodeSetRows(set);
    rows.reserve(decoded.size());
    for (const DataListRow& row : decoded)
        rows.append(row.cells(fahrenheit));
    table.AppendRows(rows);
}

void PrintTable(const SixColumnModel& table, ConsoleOutput& out) {
    out.Fields(table.Headings());
    for (int row = 0; row < table.rowCount(); ++row)
        out.Fields(table.RowTexts(row));
}

} // namespace

MeterJob LoggerSets(const CommandLine&, ConsoleOutput& out, int*) {
    return [&out](CliSession& session) {
        LoggerMemory memory;
        bool noData = false;
        bool damaged = false;
        if (const int status = Download(session, out, memory, true, &noData, &damaged))
            return status;
        out.Fields(QStringList{QStringLiteral("Set"), QStringLiteral("Date Time"),
                               QStringLiteral("Intv."), QStringLiteral("Rec.s")});
        for (const LoggedSet& set : memory.Sets())
            out.Fields(SetTableRowOf(set).cells());
        return damaged ? int(ExitMeterFailed) : int(ExitSuccess);
    };
}

MeterJob LoggerGet(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const std::optional<qint64> number =
        WholeNumber(line.arguments.at(1), 1, std::numeric_limits<int>::max());
    if (!number) {
        *usage = Usage(out, QStringLiteral("logger get needs a set number from 1, not '%1'")
                                .arg(line.arguments.at(1)));
        return {};
    }
    std::optional<bool> unit;
    if (!ReadOptions(line, out, usage, {UnitRule(&unit)}))
        return {};
    const std::optional<QString> target = line.Has(QStringLiteral("output"))
                                              ? std::optional(line.Value(QStringLiteral("output")))
                                              : std::nullopt;
    return [&out, number, unit, target](CliSession& session) {
        LoggerMemory memory;
        bool noData = false;
        bool damaged = false;
        if (const int status = Download(session, out, memory, true, &noData, &damaged))
            return status;
        const int whole = damaged ? int(ExitMeterFailed) : int(ExitSuccess);
        const LoggedSet* set = memory.SetByNumber(int(*number));
        if (!set) {
            out.Error(QStringLiteral("there is no set %1 in the logger of the meter on %2; it "
                                     "holds %3")
                          .arg(*number)
                          .arg(session.PortName())
                          .arg(memory.Sets().size()));
            // The set may have been in the part that could not be read.
            return damaged ? int(ExitMeterFailed) : int(ExitUsage);
        }
        SixColumnModel table;
        FillDataList(*set, unit.value_or(set->fahrenheit), table);
        if (!target) {
            PrintTable(table, out);
            return whole;
        }
        QString error;
        if (!SaveGridToFile(table, *target, &error)) {
            out.Error(CannotWrite(*target, error));
            return int(ExitFileFailed);
        }
        return whole;
    };
}

MeterJob LoggerAll(const CommandLine& line, ConsoleOutput& out, int* usage) {
    std::optional<bool> unit;
    if (!ReadOptions(line, out, usage, {UnitRule(&unit)}))
        return {};
    const QString folder = line.arguments.at(1);
    return [&out, unit, folder](CliSession& session) {
        if (!QDir().mkpath(folder)) {
            out.Error(QStringLiteral("cannot make the folder %1").arg(folder));
            return int(ExitFileFailed);
        }
        LoggerMemory memory;
        bool noData = false;
        bool damaged = false;
        if (const int status = Download(session, out, memory, true, &noData, &damaged))
            return status;
        for (const LoggedSet& set : memory.Sets()) {
            SixColumnModel table;
            FillDataList(set, unit.value_or(set.fahrenheit), table);
            const QString path =
                QDir(folder).filePath(QStringLiteral("set-%1.4ch").arg(set.number));
            QString error;
            if (!SaveGridToFile(table, path, &error)) {
                out.Error(CannotWrite(path, error));
                return int(ExitFileFailed);
            }
            out.Line(path);
        }
        return damaged ? int(ExitMeterFailed) : int(ExitSuccess);
    };
}

MeterJob LoggerManual(const CommandLine&, ConsoleOutput& out, int*) {
    return [&out](CliSession& session) {
        LoggerMemory memory;
        bool noData = false;
        if (const int status = Download(session, out, memory, false, &noData))
            return status;
        QStringList headings;
        for (const QString& heading : ManualListHeadings())
            headings << heading.trimmed();
        out.Fields(headings);
        for (const ManualRecord& entry : memory.ManualEntries())
            out.Fields(entry.cells());
        return int(ExitSuccess);
    };
}
