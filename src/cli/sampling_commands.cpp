// Sampling runs: live readings, recording and serving, with their alarm and band options.

#include "calibration/calibration.h"
#include "cli/cli_jobs.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_line.h"
#include "cli/compare_command.h"
#include "cli/console_output.h"
#include "cli/record_marks.h"
#include "cli/sampling_run.h"
#include "cli/web_serving.h"
#include "config/alarm_log.h"
#include "config/alarm_watch.h"
#include "recording/corrected_file.h"
#include "recording/data_file.h"
#include "recording/recorder.h"

#include <QRegularExpression>

#include <limits>
#include <memory>
#include <optional>
#include <utility>

namespace {

QString UnitText(bool fahrenheit) {
    return fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
}

struct SamplingOptions {
    SamplingRun::Settings settings;
    std::optional<bool> unit;
    WebServing web;
    bool alarms = false; // any alarm option given
    AlarmLimits limits;
    QString onAlarm, alarmLog;
    std::shared_ptr<const BandReference> band; // --reference
    std::optional<Calibration> calibration;    // --calibration
    QString calibrationFile;
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
    if (!ReadOptions(line, out, usage,
                     {{"hysteresis", OptionKind::Degrees, 0, std::numeric_limits<int>::max(),
                       "--hysteresis is degrees from 0", true, &options.limits.hysteresis}}))
        return false;
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

// The alarm watch of a run: the limits, command and log of the alarm options, each event a line
// on standard error. Without any alarm option the run watches nothing.
void WatchAlarms(const SamplingOptions& options, CliSession& session, ConsoleOutput& out) {
    MeterSession& meter = session.Meter();
    meter.SetAlarmUnit(options.unit);
    if (!options.alarms)
        return;
    AlarmWatch& watch = meter.Watch();
    watch.SetLimits(options.limits);
    watch.SetCommandLine(options.onAlarm);
    watch.SetLogPath(options.alarmLog);
    QObject::connect(&meter, &MeterSession::AlarmFired, &session, [&out](const AlarmEvent& e) {
        out.Error(QStringLiteral("alarm: ") + e.Describe());
    });
    QObject::connect(&watch, &AlarmWatch::ActionFailed, &session,
                     [&out](const QString& message) { out.Error(message); });
}

// Before the program ends: a stop request ends the alarm commands still running at once.
void FinishAlarms(const SamplingOptions& options, CliSession& session) {
    if (options.alarms)
        session.Meter().Watch().Finish(!session.Interrupted());
}

std::optional<SamplingOptions> ReadSamplingOptions(const CommandLine& line, ConsoleOutput& out,
                                                   int* usage) {
    SamplingOptions options;
    // --duration and --give-up-after: a timer counts milliseconds in an int, up to 24 days.
    const std::initializer_list<OptionRule> runOptions = {
        {"interval", OptionKind::WholeNumber, 1, 86400,
         "--interval is whole seconds from 1 to 86400", false, &options.settings.interval},
        {"samples", OptionKind::WholeNumber, 1, qint64(1) << 40,
         "--samples is a whole number from 1", false, &options.settings.samples},
        {"duration", OptionKind::Seconds, 0, 2000000,
         "--duration is seconds above 0, at most 2000000", false,
         &options.settings.durationSeconds},
        {"give-up-after", OptionKind::Seconds, 0, 2000000,
         "--give-up-after is seconds above 0, at most 2000000", false,
         &options.settings.giveUpSeconds},
        UnitRule(&options.unit),
    };
    if (!ReadOptions(line, out, usage, runOptions))
        return std::nullopt;
    QString error;
    // Read whole before anything starts: a bad line is found now, not at the first sample.
    if (line.Has(QStringLiteral("calibration"))) {
        options.calibrationFile = line.Value(QStringLiteral("calibration"));
        options.calibration = Calibration::ReadFile(options.calibrationFile, &error);
        if (!options.calibration) {
            out.Error(QStringLiteral("--calibration: ") + error);
            *usage = ExitUsage;
            return std::nullopt;
        }
    }
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

// Everything a sampling run asks for besides the samples: the live web view, the alarms and the
// band of a reference. False when it cannot serve.
bool Prepare(const SamplingOptions& options, CliSession& session, ConsoleOutput& out) {
    if (options.calibration)
        session.Meter().SetCalibration(*options.calibration);
    TellMarks(session.Meter(), &session, out);
    if (options.web.wanted && !StartWebServing(options.web, session, out))
        return false;
    WatchAlarms(options, session, out);
    WatchBand(options.band, session, options.alarms, out);
    return true;
}

// Once the unit is known: which corrections the readings in `fahrenheit` have, one notice on
// standard error, so that whoever reads the output knows they are not what the meter read.
void TellCalibration(const SamplingOptions& options, bool fahrenheit, ConsoleOutput& out,
                     const QString& recording = QString()) {
    if (!options.calibration)
        return;
    const QStringList lines = options.calibration->InForceLines(fahrenheit);
    if (lines.isEmpty()) {
        out.Error(QStringLiteral("%1 holds no calibration correction; the readings are as the "
                                 "meter reads them")
                      .arg(options.calibrationFile));
        return;
    }
    QString text = QStringLiteral("corrected readings: ") + lines.join(QStringLiteral("; "));
    if (!recording.isEmpty()) {
        text += QStringLiteral("; %1 keeps what the meter read, %2 the corrected readings")
                    .arg(recording, CorrectedFileName(recording));
    }
    out.Error(text);
}

} // namespace

MeterJob ServeOnly(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const std::optional<SamplingOptions> options = ReadSamplingOptions(line, out, usage);
    if (!options)
        return {};
    return [&out, options](CliSession& session) {
        if (!Prepare(*options, session, out))
            return int(ExitUsage);
        SamplingRun::Settings settings = options->settings;
        settings.goesOn = QStringLiteral("serving goes on");
        SamplingRun run(session, out, settings);
        run.OnLinked = [&] {
            TellCalibration(*options, session.Live().UnitF(), out);
            return int(ExitSuccess);
        };
        const int status = run.Run();
        if (options->alarms)
            session.Meter().Watch().Finish();
        return status;
    };
}

MeterJob Live(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const std::optional<SamplingOptions> options = ReadSamplingOptions(line, out, usage);
    if (!options)
        return {};
    return [&out, options](CliSession& session) {
        if (!Prepare(*options, session, out))
            return int(ExitUsage);
        SamplingRun::Settings settings = options->settings;
        settings.goesOn = QStringLiteral("live readings go on");
        SamplingRun run(session, out, settings);
        bool unitF = false;
        bool told = false;
        // Once linked, and again under each new set-up of the meter.
        const auto heading = [&] {
            if (!std::exchange(told, true))
                TellCalibration(*options, options->unit.value_or(session.Live().UnitF()), out);
            const LiveState& live = session.Live();
            unitF = options->unit.value_or(live.UnitF());
            out.Fields(HeadingFields(options->unit ? UnitText(unitF) : live.UnitText(),
                                     session.Meter().TypeLetters()));
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
        FinishAlarms(*options, session);
        return status;
    };
}

MeterJob Record(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const std::optional<SamplingOptions> options = ReadSamplingOptions(line, out, usage);
    if (!options)
        return {};
    const QString path = line.arguments.constFirst();
    return [&out, options, path](CliSession& session) {
        MeterSession& meter = session.Meter();
        RecordMarks marks(meter, out);
        const Recorder& recorder = meter.GetRecorder();
        QObject::connect(&recorder, &Recorder::WritingChanged, &session, [&](bool writing) {
            if (writing)
                out.Error(QStringLiteral("writing to %1 again").arg(recorder.CurrentFileName()));
            else
                out.Error(QStringLiteral("not writing to %1: %2; trying again at every sample")
                              .arg(recorder.CurrentFileName(), recorder.WriteError()));
        });
        if (!Prepare(*options, session, out))
            return int(ExitUsage);
        SamplingRun::Settings settings = options->settings;
        settings.goesOn = QStringLiteral("recording goes on");
        SamplingRun run(session, out, settings);
        run.OnLinked = [&] {
            QString error;
            if (!meter.StartRecording(path, &error)) {
                out.Error(CannotWrite(path, error));
                return int(ExitFileFailed);
            }
            TellCalibration(*options, session.Live().UnitF(), out, path);
            marks.Start();
            return int(ExitSuccess);
        };
        // The session has moved the recording on to its next file by now.
        run.OnChanged = [&](const QString& change) {
            out.Error(QStringLiteral("the meter's set-up changed: %1; recording goes on in %2 "
                                     "from record %3")
                          .arg(change, recorder.CurrentFileName(),
                               QString::number(recorder.RecordCount() + 1)));
            return int(ExitSuccess);
        };
        int status = run.Run();
        FinishAlarms(*options, session);
        const QString file = recorder.CurrentFileName();
        const qint64 missed = recorder.MissedSamples();
        QString error;
        if (!meter.StopRecording(&error)) {
            out.Error(QStringLiteral("the end of the recording may be missing from %1: %2")
                          .arg(file, error));
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
