// The meter's state and settings: status, erase, clock, interval, power-off time and keys.

#include "cli/cli_jobs.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_line.h"
#include "cli/console_output.h"
#include "config/meter_settings.h"
#include "link/delay.h"
#include "logger/logger_erase.h"
#include "logger/logger_memory.h"
#include "logger/logger_record.h"

#include <optional>

namespace {

// As the clock window waits; the wait ends as soon as the reply is in.
constexpr double kClockReplyWaitSeconds = 0.5;

// The power-off codes and the minutes they stand for.
constexpr int kPowerOffMinutes[] = {5, 15, 30};

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

} // namespace

MeterJob Status(const CommandLine&, ConsoleOutput& out, int*) {
    return [&out](CliSession& session) {
        session.ArmDeadline();
        if (!session.Link().QueryStatus()) {
            out.Error(session.FailureText(QStringLiteral("status query")));
            return int(ExitMeterFailed);
        }
        session.DisarmDeadline();
        const MeterLink& link = session.Link();
        out.Fields(
            QStringList{QStringLiteral("MemoryAddress"), QString::number(link.MemoryAddress())});
        out.Fields(QStringList{QStringLiteral("ManualCount"), QString::number(link.ManualCount())});
        out.Fields(QStringList{QStringLiteral("AutomaticDataBytes"),
                               QString::number(AutomaticDataSize(link.MemoryAddress()))});
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
    return [&out, kind](CliSession& session) {
        session.ArmDeadline();
        if (!EraseLoggerMemory(session.Link(), kind)) {
            out.Error(session.FailureText(QStringLiteral("erase")));
            return int(ExitMeterFailed);
        }
        return Drained(session, out, QStringLiteral("erase"));
    };
}

MeterJob ClockCommand(const CommandLine& line, ConsoleOutput& out, int* usage) {
    const bool set = !line.arguments.isEmpty();
    if (set && line.arguments.constFirst() != QLatin1String("set")) {
        *usage = Usage(
            out,
            QStringLiteral("clock takes only 'set', not '%1'").arg(line.arguments.constFirst()));
        return {};
    }
    if (set) {
        return [&out](CliSession& session) {
            session.ArmDeadline();
            if (!session.Link().WriteMeterClock(session.GetClock().Now())) {
                out.Error(session.FailureText(QStringLiteral("setting the clock")));
                return int(ExitMeterFailed);
            }
            return Drained(session, out, QStringLiteral("setting the clock"));
        };
    }
    return [&out](CliSession& session) {
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
    return [&out, seconds](CliSession& session) {
        MeterSettings settings(session.Link(), session.GetClock());
        settings.SetReplyWait(session.TimeoutSeconds());
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
    return [&out, code](CliSession& session) {
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
    return [&out, key, longPress](CliSession& session) {
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
