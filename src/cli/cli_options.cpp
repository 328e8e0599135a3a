#include "cli/cli_options.h"

#include "cli/cli_session.h"
#include "cli/command_line.h"
#include "cli/console_output.h"
#include "config/alarm_events.h"

#include <cmath>

int Usage(ConsoleOutput& out, const QString& text) {
    out.Error(text + QStringLiteral(" (try 'corvilab-cli --help')"));
    return ExitUsage;
}

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

std::optional<double> Seconds(const QString& text, double max) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0 || value > max)
        return std::nullopt;
    return value;
}

std::optional<bool> UnitOption(const QString& text) {
    if (text.compare(QLatin1String("C"), Qt::CaseInsensitive) == 0)
        return false;
    if (text.compare(QLatin1String("F"), Qt::CaseInsensitive) == 0)
        return true;
    return std::nullopt;
}

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

int Drained(CliSession& session, ConsoleOutput& out, const QString& what) {
    if (!session.Drain()) {
        out.Error(QStringLiteral("%1: the command may not have reached the meter on %2")
                      .arg(what, session.PortName()));
        return ExitMeterFailed;
    }
    return ExitSuccess;
}

OptionRule UnitRule(std::optional<bool>* to) {
    return {"unit", OptionKind::Unit, 0, 0, "--unit is C or F", false, to};
}

namespace {

template <typename... Stores> struct Overloaded : Stores... { using Stores::operator()...; };
template <typename... Stores> Overloaded(Stores...) -> Overloaded<Stores...>;

using OptionValue = std::variant<qint64, double, bool>;

std::optional<OptionValue> ReadValue(const QString& text, const OptionRule& rule) {
    switch (rule.kind) {
    case OptionKind::WholeNumber:
        if (const std::optional<qint64> number = WholeNumber(text, rule.min, rule.max))
            return *number;
        break;
    case OptionKind::Seconds:
        if (const std::optional<double> seconds = Seconds(text, double(rule.max)))
            return *seconds;
        break;
    case OptionKind::Degrees:
        if (const std::optional<int> tenths = DegreesInTenths(text);
            tenths && *tenths >= rule.min && *tenths <= rule.max)
            return qint64(*tenths);
        break;
    case OptionKind::Unit:
        if (const std::optional<bool> fahrenheit = UnitOption(text))
            return *fahrenheit;
        break;
    }
    return std::nullopt;
}

// A rule whose kind and target do not go together is a slip of the table, found by the first
// run that gives the option.
void Store(const OptionValue& value, const OptionTarget& to) {
    std::visit(Overloaded{
                   [&](int* target) { *target = int(std::get<qint64>(value)); },
                   [&](qint64* target) { *target = std::get<qint64>(value); },
                   [&](double* target) { *target = std::get<double>(value); },
                   [&](std::optional<bool>* target) { *target = std::get<bool>(value); },
               },
               to);
}

} // namespace

bool ReadOptions(const CommandLine& line, ConsoleOutput& out, int* usage,
                 std::initializer_list<OptionRule> rules) {
    for (const OptionRule& rule : rules) {
        const QString name = QString::fromUtf8(rule.name);
        if (!line.Has(name))
            continue;
        const QString text = line.Value(name);
        const std::optional<OptionValue> value = ReadValue(text, rule);
        if (!value) {
            QString message = QString::fromUtf8(rule.message);
            if (rule.quotesValue)
                message += QStringLiteral(", not '%1'").arg(text);
            *usage = Usage(out, message);
            return false;
        }
        Store(*value, rule.to);
    }
    return true;
}
