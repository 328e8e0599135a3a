#include "cli/cli_commands.h"

#include "cli/command_line.h"
#include "cli/compare_command.h"
#include "cli/console_output.h"
#include "cli/meter_session.h"
#include "cli/sampling_run.h"
#include "cli/stats_command.h"
#include "cli/stop_signals.h"
#include "cli/web_serving.h"
#include "config/alarm_log.h"
#include "config/alarm_watch.h"
#include "config/meter_settings.h"
#include "link/delay.h"
#include "logger/logger_download.h"
#include "logger/logger_erase.h"
#include "logger/logger_memory.h"
#include "logger/logger_record.h"
#include "recording/csv_export.h"
#include "recording/data_file.h"
#include "recording/grid_file.h"
#include "recording/recorder.h"
#include "recording/six_column_model.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSerialPortInfo>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>

namespace {

using MeterJob = std::function<int(MeterSession&)>;

int Usage(ConsoleOutput& out, const QString& text) {
    out.Error(text + QStringLiteral(" (try 'corvilab-cli --help')"));
    return ExitUsage;
}

// A whole number from `min` to `max`, written with the digits 0 to 9 only.
std::optional<qint64> WholeNumber(const QString& text, qint64 min, qint64 max) {
    if (text.isEmpty() || text.size() > 15)
        return std::nullopt;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const qint64 value = text.toLongLong();
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

// A number of seconds above 0 (decimals with "."), at most `max`.
std::optional<double> Seconds(const QString& text, double max) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0 || value > max)
        return std::nullopt;
    return value;
}

// "C" or "F": whether the unit is °F.
std::optional<bool> UnitOption(const QString& text) {
    if (text.compare(QLatin1String("C"), Qt::CaseInsensitive) == 0)
        return false;
    if (text.compare(QLatin1String("F"), Qt::CaseInsensitive) == 0)
        return true;
    return std::nullopt;
}

QString UnitText(bool fahrenheit) {
    return fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
}

std::array<QString, 4> TypeLetters(const LiveState& live) {
    std::array<QString, 4> letters;
    for (size_t i = 0; i < letters.size(); ++i)
        letters[i] = live.Channels[i].TypeLetter;
    return letters;
}

// "cannot write PATH: reason", without the path twice when the reason names it already.
QString CannotWrite(const QString& path, const QString& error) {
    const QString prefix = path + QStringLiteral(": ");
    return QStringLiteral("cannot write %1: %2")
        .arg(path, error.startsWith(prefix) ? error.mid(prefix.size()) : error);
}

int Flushed(ConsoleOutput& out, int status) {
    if (!out.Flush()) {
        out.Error(QStringLiteral("cannot write to standard output: %1").arg(out.WriteError()));
        return status == ExitSuccess ? int(ExitFileFailed) : status;
    }
    return status;
}

// Commands that read no reply end with their bytes on the line, not in a buffer.
int Drained(MeterSession& session, ConsoleOutput& out, const QString& what) {
    if (!session.Drain()) {
        out.Error(QStringLiteral("%1: the command may not have reached the meter on %2")
                      .arg(what, session.PortName()));
        return ExitMeterFailed;
    }
    return ExitSuccess;
}

// ---- Commands without a meter -----------------------------------------------------------------

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

// ---- The logger -----------------------------------------------------------------------------

// Downloads the automatic data or the manual entries. Every sign of life of the meter (the
// announcement, each step of progress) gives it the whole time-out again, so that a full
// memory at 19200 baud is read, while a meter that goes quiet ends the transfer. Automatic data
// that cannot be split to its end is said so, and `damaged` set: the command then hands over
// the sets before the damage but does not end with success.
int Download(MeterSession& session, ConsoleOutput& out, LoggerMemory& memory, bool automatic,
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
    const bool whole = !automatic || *noData || memory.Split.status == SplitStatus::Complete;
    if (!whole) {
        out.Error(QStringLiteral("the logger data of the meter on %1 is incomplete: %2")
                      .arg(session.PortName(), SplitStatusText(memory.Split)));
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

MeterJob LoggerSets(ConsoleOutput& out) {
    return [&out](MeterSession& session) {
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
    if (line.Has(QStringLiteral("unit"))) {
        unit = UnitOption(line.Value(QStringLiteral("unit")));
        if (!unit) {
            *usage = Usage(out, QStringLiteral("--unit is C or F"));
            return {};
        }
    }
    const std::optional<QString> target = line.Has(QStringLiteral("output"))
                                              ? std::optional(line.Value(QStringLiteral("output")))
                                              : std::nullopt;
    return [&out, number, unit, target](MeterSession& session) {
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
    if (line.Has(QStringLiteral("unit"))) {
        unit = UnitOption(line.Value(QStringLiteral("unit")));
        if (!unit) {
            *usage = Usage(out, QStringLiteral("--unit is C or F"));
            return {};
        }
    }
    const QString folder = line.arguments.at(1);
    return [&out, unit, folder](MeterSession& session) {
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

MeterJob LoggerManual(ConsoleOutput& out) {
    return [&out](MeterSession& session) {
        LoggerMemory memory;
        bool noData = false;
        if (const int status = Download(session, out, memory, false, &noData))
            return status;
        QStringList headings;
        for (const QString& heading : ManualListHeadings())
            headings << heading.trimmed();
        out.Fields(headings);
        for (const ManualRecord& entry : memory.ManualEntries)
            out.Fields(entry.cells());
        return int(ExitSuccess);
    };
}

// ---- Live readings and recording ------------------------------------------------------------

struct SamplingOptions {
    SamplingRun::Settings settings;
    std::optional<bool> unit;
    WebServing web;
    bool alarms = false; // any alarm option given
    AlarmLimits limits;
    QString onAlarm, alarmLog;
    std::shared_ptr<const BandReference> band; // --reference
};

// --alarm (one limit each: "T1>=250", "T3<=-18"), --hysteresis, --on-alarm, --alarm-log.
bool ReadAlarmOptions(const CommandLine& line, ConsoleOutput& out, int* usage,
                      SamplingOptions& options) {
    static const QRegularExpression kAlarm(
        QStringLiteral("^\\s*[Tt](\\d+)\\s*(>=|<=)\\s*(\\S*)\\s*$"));
    const QString alarm = QStringLiteral("alarm");
    const QStringList alarms =
        line.Has(alarm) ? line.Value(alarm).split(QLatin1Char('\n')) : QStringList();
    for (const QString& text : alarms) {
        const QRegularExpressionMatch match = kAlarm.match(text);
        if (!match.hasMatch()) {
            *usage = Usage(out, QStringLiteral("--alarm '%1' is not a limit: write T1>=250 for a "
                                               "maximum or T3<=-18 for a minimum")
                                    .arg(text));
            return false;
        }
        const int channel = match.captured(1).toInt();
        if (channel < 1 || channel > 4) {
            *usage = Usage(out, QStringLiteral("--alarm '%1': there is no channel T%2; the "
                                               "channels are T1 to T4")
                                    .arg(text, match.captured(1)));
            return false;
        }
        const std::optional<int> limit = DegreesInTenths(match.captured(3));
        if (!limit) {
            *usage = Usage(out, QStringLiteral("--alarm '%1': the limit '%2' is not a number")
                                    .arg(text, match.captured(3)));
            return false;
        }
        auto& limits =
            match.captured(2) == QLatin1String(">=") ? options.limits.high : options.limits.low;
        limits[size_t(channel - 1)] = *limit;
    }
    if (line.Has(QStringLiteral("hysteresis"))) {
        const std::optional<int> tenths = DegreesInTenths(line.Value(QStringLiteral("hysteresis")));
        if (!tenths || *tenths < 0) {
            *usage = Usage(out, QStringLiteral("--hysteresis is degrees from 0, not '%1'")
                                    .arg(line.Value(QStringLiteral("hysteresis"))));
            return false;
        }
        options.limits.hysteresis = *tenths;
    }
    options.onAlarm = line.Value(QStringLiteral("on-alarm"));
    options.alarmLog = line.Value(QStringLiteral("alarm-log"));
    if (!options.alarmLog.isEmpty()) {
        // Found now rather than at the first event, which may come days later.
        AlarmLog log(options.alarmLog);
        if (!log.Begin()) {
            out.Error(QStringLiteral("--alarm-log: cannot append to %1: %2")
                          .arg(options.alarmLog, log.Error()));
            *usage = ExitUsage;
            return false;
        }
    }
    options.alarms = !alarms.isEmpty() || !options.onAlarm.isEmpty() ||
                     !options.alarmLog.isEmpty() || line.Has(QStringLiteral("hysteresis")) ||
                     line.Has(QStringLiteral("reference"));
    return true;
}

// The alarm watch of a live or record run: each event a line on standard error. Empty when no
// alarm option was given.
std::unique_ptr<AlarmWatch> WatchAlarms(const SamplingOptions& options, MeterSession& session,
                                        ConsoleOutput& out) {
    if (!options.alarms)
        return nullptr;
    auto watch =
        std::make_unique<AlarmWatch>(session.GetClock(), session.Link(), session.GetSampler());
    watch->Detector.Limits = options.limits;
    watch->Command.Command = options.onAlarm;
    watch->SetLogPath(options.alarmLog);
    watch->Fahrenheit = options.unit;
    QObject::connect(watch.get(), &AlarmWatch::EventFired, &session, [&out](const AlarmEvent& e) {
        out.Error(QStringLiteral("alarm: ") + e.Describe());
    });
    QObject::connect(watch.get(), &AlarmWatch::ActionFailed, &session,
                     [&out](const QString& message) { out.Error(message); });
    return watch;
}

std::optional<SamplingOptions> ReadSamplingOptions(const CommandLine& line, ConsoleOutput& out,
                                                   int* usage) {
    SamplingOptions options;
    if (line.Has(QStringLiteral("interval"))) {
        const std::optional<qint64> interval =
            WholeNumber(line.Value(QStringLiteral("interval")), 1, 86400);
        if (!interval) {
            *usage = Usage(out, QStringLiteral("--interval is whole seconds from 1 to 86400"));
            return std::nullopt;
        }
        options.settings.interval = int(*interval);
    }
    if (line.Has(QStringLiteral("samples"))) {
        const std::optional<qint64> samples =
            WholeNumber(line.Value(QStringLiteral("samples")), 1, qint64(1) << 40);
        if (!samples) {
            *usage = Usage(out, QStringLiteral("--samples is a whole number from 1"));
            return std::nullopt;
        }
        options.settings.samples = *samples;
    }
    if (line.Has(QStringLiteral("duration"))) {
        // A timer counts milliseconds in an int: up to 24 days.
        const std::optional<double> seconds =
            Seconds(line.Value(QStringLiteral("duration")), 2000000.0);
        if (!seconds) {
            *usage = Usage(out, QStringLiteral("--duration is seconds above 0, at most 2000000"));
            return std::nullopt;
        }
        options.settings.durationSeconds = *seconds;
    }
    if (line.Has(QStringLiteral("give-up-after"))) {
        const std::optional<double> seconds =
            Seconds(line.Value(QStringLiteral("give-up-after")), 2000000.0);
        if (!seconds) {
            *usage =
                Usage(out, QStringLiteral("--give-up-after is seconds above 0, at most 2000000"));
            return std::nullopt;
        }
        options.settings.giveUpSeconds = *seconds;
    }
    if (line.Has(QStringLiteral("unit"))) {
        options.unit = UnitOption(line.Value(QStringLiteral("unit")));
        if (!options.unit) {
            *usage = Usage(out, QStringLiteral("--unit is C or F"));
            return std::nullopt;
        }
    }
    QString error;
    const std::optional<WebServing> web = ReadWebServing(
        line,
        line.command == QLatin1String("serve") ? QStringLiteral("listen") : QStringLiteral("http"),
        &error);
    if (!web) {
        *usage = Usage(out, error);
        return std::nullopt;
    }
    options.web = *web;
    if (!ReadAlarmOptions(line, out, usage, options) ||
        !ReadBandReference(line, out, usage, &options.band))
        return std::nullopt;
    options.web.alarms = options.limits;
    options.web.alarmsFahrenheit = options.unit;
    return options;
}

// The live web view of the run, when asked for. False when it cannot serve.
bool Serve(const SamplingOptions& options, MeterSession& session, const Recorder* recorder,
           ConsoleOutput& out, std::unique_ptr<LiveServer>* server) {
    if (options.web.wanted)
        *server = StartWebServing(options.web, session, recorder, out);
    return !options.web.wanted || *server;
}

MeterJob ServeOnly(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const std::optional<SamplingOptions> options = ReadSamplingOptions(line, out, usage);
    if (!options)
        return {};
    return [&out, options](MeterSession& session) {
        std::unique_ptr<LiveServer> server;
        if (!Serve(*options, session, nullptr, out, &server))
            return int(ExitUsage);
        SamplingRun::Settings settings = options->settings;
        settings.goesOn = QStringLiteral("serving goes on");
        SamplingRun run(session, out, settings);
        const std::unique_ptr<AlarmWatch> alarms = WatchAlarms(*options, session, out);
        const int status = run.Run();
        if (alarms)
            alarms->Finish();
        return status;
    };
}

MeterJob Live(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const std::optional<SamplingOptions> options = ReadSamplingOptions(line, out, usage);
    if (!options)
        return {};
    return [&out, options](MeterSession& session) {
        SamplingRun::Settings settings = options->settings;
        settings.goesOn = QStringLiteral("live readings go on");
        std::unique_ptr<LiveServer> server;
        if (!Serve(*options, session, nullptr, out, &server))
            return int(ExitUsage);
        SamplingRun run(session, out, settings);
        const std::unique_ptr<AlarmWatch> alarms = WatchAlarms(*options, session, out);
        WatchBand(options->band, session, alarms.get(), options->unit, out);
        bool unitF = false;
        // Once linked, and again under each new set-up of the meter.
        const auto heading = [&] {
            const LiveState& live = session.Live();
            unitF = options->unit.value_or(live.UnitF);
            out.Fields(
                HeadingFields(options->unit ? UnitText(unitF) : live.UnitText, TypeLetters(live)));
            return out.Flush() ? int(ExitSuccess) : int(ExitFileFailed);
        };
        run.OnLinked = heading;
        run.OnChanged = [&](const QString& change) {
            out.Error(QStringLiteral("the meter's set-up changed: %1; live readings go on under a "
                                     "new heading")
                          .arg(change));
            return heading();
        };
        run.OnSample = [&](const SampleRecord& sample) {
            out.Fields(RecordFields(run.SamplesTaken(), sample.TimeText,
                                    unitF ? sample.TextF : sample.TextC));
            return out.Flush() ? int(ExitSuccess) : int(ExitFileFailed);
        };
        const int status = run.Run();
        // A stop request ends the commands still running at once.
        if (alarms)
            alarms->Finish(!session.Interrupted());
        return status;
    };
}

MeterJob Record(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const std::optional<SamplingOptions> options = ReadSamplingOptions(line, out, usage);
    if (!options)
        return {};
    const QString path = line.arguments.constFirst();
    return [&out, options, path](MeterSession& session) {
        Recorder recorder;
        QObject::connect(&recorder, &Recorder::WritingChanged, &session, [&](bool writing) {
            if (writing)
                out.Error(QStringLiteral("writing to %1 again").arg(recorder.CurrentFileName()));
            else
                out.Error(QStringLiteral("not writing to %1: %2; trying again at every sample")
                              .arg(recorder.CurrentFileName(), recorder.WriteError()));
        });
        SamplingRun::Settings settings = options->settings;
        settings.goesOn = QStringLiteral("recording goes on");
        std::unique_ptr<LiveServer> server;
        if (!Serve(*options, session, &recorder, out, &server))
            return int(ExitUsage);
        SamplingRun run(session, out, settings);
        const std::unique_ptr<AlarmWatch> alarms = WatchAlarms(*options, session, out);
        WatchBand(options->band, session, alarms.get(), options->unit, out);
        run.OnLinked = [&] {
            const LiveState& live = session.Live();
            if (!recorder.Start(path, live.UnitText, live.UnitF, TypeLetters(live))) {
                out.Error(CannotWrite(path, recorder.StartError()));
                return int(ExitFileFailed);
            }
            return int(ExitSuccess);
        };
        run.OnSample = [&](const SampleRecord& sample) {
            recorder.RecordSample(sample);
            return int(ExitSuccess);
        };
        run.OnChanged = [&](const QString& change) {
            const LiveState& live = session.Live();
            recorder.Continue(live.UnitText, live.UnitF, TypeLetters(live), change);
            out.Error(QStringLiteral("the meter's set-up changed: %1; recording goes on in %2 "
                                     "from record %3")
                          .arg(change, recorder.CurrentFileName(),
                               QString::number(recorder.RecordCount() + 1)));
            return int(ExitSuccess);
        };
        int status = run.Run();
        // A stop request ends the commands still running at once.
        if (alarms)
            alarms->Finish(!session.Interrupted());
        const QString file = recorder.CurrentFileName();
        const qint64 missed = recorder.MissedSamples();
        if (!recorder.Stop()) {
            out.Error(QStringLiteral("the end of the recording may be missing from %1: %2")
                          .arg(file, recorder.StopError()));
            if (status == ExitSuccess)
                status = ExitFileFailed;
        }
        if (missed > 0) {
            out.Error(QStringLiteral("%1 of %2 samples could not be written")
                          .arg(missed)
                          .arg(run.SamplesTaken()));
            if (status == ExitSuccess)
                status = ExitFileFailed;
        }
        return status;
    };
}

// ---- Status, erase and settings -------------------------------------------------------------

MeterJob Status(ConsoleOutput& out) {
    return [&out](MeterSession& session) {
        session.ArmDeadline();
        if (!session.Link().QueryStatus()) {
            out.Error(session.FailureText(QStringLiteral("status query")));
            return int(ExitMeterFailed);
        }
        session.DisarmDeadline();
        const MeterLink& link = session.Link();
        out.Fields(
            QStringList{QStringLiteral("MemoryAddress"), QString::number(link.MemoryAddress)});
        out.Fields(QStringList{QStringLiteral("ManualCount"), QString::number(link.ManualCount)});
        out.Fields(QStringList{QStringLiteral("AutomaticDataBytes"),
                               QString::number(AutomaticDataSize(link.MemoryAddress))});
        return int(ExitSuccess);
    };
}

MeterJob Erase(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const QString which = line.arguments.constFirst();
    EraseKind kind;
    if (which == QLatin1String("auto")) {
        kind = EraseKind::Automatic;
    } else if (which == QLatin1String("manual")) {
        kind = EraseKind::Manual;
    } else {
        *usage = Usage(out, QStringLiteral("erase needs auto or manual, not '%1'").arg(which));
        return {};
    }
    if (!line.Has(QStringLiteral("yes"))) {
        *usage = Usage(
            out, QStringLiteral("%1 Not erased: add --yes to erase").arg(EraseWarningText(kind)));
        return {};
    }
    return [&out, kind](MeterSession& session) {
        session.ArmDeadline();
        if (!EraseLoggerMemory(session.Link(), kind)) {
            out.Error(session.FailureText(QStringLiteral("erase")));
            return int(ExitMeterFailed);
        }
        return Drained(session, out, QStringLiteral("erase"));
    };
}

// As the clock window waits; the wait ends as soon as the reply is in.
constexpr double kClockReplyWaitSeconds = 0.5;

MeterJob ClockCommand(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const bool set = !line.arguments.isEmpty();
    if (set && line.arguments.constFirst() != QLatin1String("set")) {
        *usage = Usage(
            out,
            QStringLiteral("clock takes only 'set', not '%1'").arg(line.arguments.constFirst()));
        return {};
    }
    if (set) {
        return [&out](MeterSession& session) {
            session.ArmDeadline();
            if (!session.Link().WriteMeterClock(session.GetClock().Now())) {
                out.Error(session.FailureText(QStringLiteral("setting the clock")));
                return int(ExitMeterFailed);
            }
            return Drained(session, out, QStringLiteral("setting the clock"));
        };
    }
    return [&out](MeterSession& session) {
        session.ArmDeadline();
        std::optional<QByteArray> reply;
        // Asked again until a well-formed reply comes, as the clock window does.
        while (!reply && !session.Link().IsCancelled())
            reply = session.Link().QueryMeterClock(kClockReplyWaitSeconds);
        if (!reply) {
            out.Error(session.FailureText(QStringLiteral("reading the clock")));
            return int(ExitMeterFailed);
        }
        const auto* b = reinterpret_cast<const quint8*>(reply->constData());
        if (b[2] == 0 || b[3] == 0) {
            out.Error(QStringLiteral("the clock of the meter on %1 holds no date (month or day "
                                     "0); set it with 'corvilab-cli clock set'")
                          .arg(session.PortName()));
            return int(ExitMeterFailed);
        }
        out.Line(LoggerDateTimeText({b[1], b[2], b[3], b[4], b[5], b[6]}));
        return int(ExitSuccess);
    };
}

MeterJob Interval(const CommandLine& line, ConsoleOutput& out, int* usage) {
    std::optional<qint64> seconds;
    if (!line.arguments.isEmpty()) {
        seconds = WholeNumber(line.arguments.constFirst(), 1, 255);
        if (!seconds) {
            *usage = Usage(out, QStringLiteral("interval is whole seconds from 1 to 255, not '%1'")
                                    .arg(line.arguments.constFirst()));
            return {};
        }
    }
    return [&out, seconds](MeterSession& session) {
        MeterSettings settings(session.Link(), session.GetClock());
        settings.ReplyWaitSeconds = session.TimeoutSeconds();
        session.ArmDeadline();
        if (seconds) {
            if (!settings.WriteInterval(int(*seconds))) {
                out.Error(session.FailureText(QStringLiteral("setting the interval")));
                return int(ExitMeterFailed);
            }
            return Drained(session, out, QStringLiteral("setting the interval"));
        }
        const std::optional<int> interval = settings.ReadInterval();
        if (!interval) {
            out.Error(session.FailureText(QStringLiteral("reading the interval")));
            return int(ExitMeterFailed);
        }
        out.Line(QString::number(*interval));
        return int(ExitSuccess);
    };
}

// The power-off codes and the minutes they stand for.
constexpr int kPowerOffMinutes[] = {5, 15, 30};

MeterJob PowerOff(const CommandLine& line, ConsoleOutput& out, int* usage) {
    std::optional<int> code;
    if (!line.arguments.isEmpty()) {
        for (int c = 0; c < 3; ++c) {
            if (line.arguments.constFirst() == QString::number(kPowerOffMinutes[c]))
                code = c;
        }
        if (!code) {
            *usage = Usage(out, QStringLiteral("poweroff is 5, 15 or 30 minutes, not '%1'")
                                    .arg(line.arguments.constFirst()));
            return {};
        }
    }
    return [&out, code](MeterSession& session) {
        MeterSettings settings(session.Link(), session.GetClock());
        session.ArmDeadline();
        if (code) {
            if (!settings.WritePowerOff(*code)) {
                out.Error(session.FailureText(QStringLiteral("setting the power-off time")));
                return int(ExitMeterFailed);
            }
            return Drained(session, out, QStringLiteral("setting the power-off time"));
        }
        std::optional<int> reply;
        while (!reply && !session.Link().IsCancelled())
            reply = settings.ReadPowerOff();
        if (!reply) {
            out.Error(session.FailureText(QStringLiteral("reading the power-off time")));
            return int(ExitMeterFailed);
        }
        if (*reply < 0 || *reply > 2) {
            out.Error(QStringLiteral("the meter on %1 reports the power-off code %2, which "
                                     "stands for none of 5, 15 and 30 minutes")
                          .arg(session.PortName())
                          .arg(*reply));
            return int(ExitMeterFailed);
        }
        out.Line(QString::number(kPowerOffMinutes[*reply]));
        return int(ExitSuccess);
    };
}

struct KeyName {
    const char* name;
    MeterKey key;
};

constexpr KeyName kKeys[] = {
    {"READ", MeterKey::Read},   {"ALARM", MeterKey::Alarm}, {"CF", MeterKey::CF},
    {"SET", MeterKey::Set},     {"TIME", MeterKey::Time},   {"MAXMIN", MeterKey::MaxMin},
    {"MEM", MeterKey::Mem},     {"TYPE", MeterKey::Type},   {"HOLD", MeterKey::Hold},
    {"UP", MeterKey::Up},       {"LEFT", MeterKey::Left},   {"ENTER", MeterKey::Enter},
    {"RIGHT", MeterKey::Right}, {"DOWN", MeterKey::Down},
};

// Held this long, MAX/MIN and MEM count as a long press (more than 2 s).
constexpr double kLongHoldSeconds = 2.5;

MeterJob Key(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const QString name = line.arguments.constFirst();
    std::optional<MeterKey> key;
    for (const KeyName& k : kKeys) {
        if (name.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0)
            key = k.key;
    }
    if (!key) {
        *usage = Usage(out, QStringLiteral("unknown key '%1'").arg(name));
        return {};
    }
    const bool longPress = line.Has(QStringLiteral("long"));
    if (longPress && !HasLongPress(*key)) {
        *usage = Usage(
            out,
            QStringLiteral("%1 has no long press; only MAXMIN and MEM have").arg(name.toUpper()));
        return {};
    }
    return [&out, key, longPress](MeterSession& session) {
        MeterSettings settings(session.Link(), session.GetClock());
        // The key is held as a hand would hold it: the desktop keypad measures the time too.
        settings.KeyDown();
        if (longPress)
            Delay(kLongHoldSeconds, session.GetClock());
        session.ArmDeadline();
        if (session.Interrupted() || !settings.PressKey(*key)) {
            out.Error(session.FailureText(QStringLiteral("pressing the key")));
            return int(ExitMeterFailed);
        }
        return Drained(session, out, QStringLiteral("pressing the key"));
    };
}

// The job of a meter command, after its arguments were checked; empty with `usage` set when
// they were wrong.
MeterJob MeterCommand(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const QString& command = line.command;
    if (command == QLatin1String("status"))
        return Status(out);
    if (command == QLatin1String("live"))
        return Live(line, out, usage);
    if (command == QLatin1String("record"))
        return Record(line, out, usage);
    if (command == QLatin1String("serve"))
        return ServeOnly(line, out, usage);
    if (command == QLatin1String("erase"))
        return Erase(line, out, usage);
    if (command == QLatin1String("clock"))
        return ClockCommand(line, out, usage);
    if (command == QLatin1String("interval"))
        return Interval(line, out, usage);
    if (command == QLatin1String("poweroff"))
        return PowerOff(line, out, usage);
    if (command == QLatin1String("key"))
        return Key(line, out, usage);
    if (command == QLatin1String("logger")) {
        const QString& sub = line.arguments.constFirst();
        if (sub == QLatin1String("sets"))
            return LoggerSets(out);
        if (sub == QLatin1String("get"))
            return LoggerGet(line, out, usage);
        if (sub == QLatin1String("all"))
            return LoggerAll(line, out, usage);
        if (sub == QLatin1String("manual"))
            return LoggerManual(out);
    }
    *usage = Usage(out, QStringLiteral("unknown command '%1'").arg(command));
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

    MeterSession session(line.port, line.timeoutSeconds);
    StopSignals stops;
    QObject::connect(&stops, &StopSignals::StopRequested, &session, &MeterSession::Interrupt);
    QString error;
    if (!session.Open(&error)) {
        out.Error(QStringLiteral("cannot open %1: %2").arg(line.port, error));
        return ExitMeterFailed;
    }
    return Flushed(out, job(session));
}
