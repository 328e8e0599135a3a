#pragma once

// What every command of corvilab-cli reads its values with and ends with: the usage error, the
// readers of numbers, seconds and units, and one table-driven reader for the options that are
// each one such value.

#include <QString>
#include <QtGlobal>

#include <initializer_list>
#include <optional>
#include <variant>

class ConsoleOutput;
class CliSession;
struct CommandLine;

// Says what is wrong with the command line, with a pointer to --help; the usage exit status.
int Usage(ConsoleOutput& out, const QString& text);

// A whole number from `min` to `max`, written with the digits 0 to 9 only.
std::optional<qint64> WholeNumber(const QString& text, qint64 min, qint64 max);

// A number of seconds above 0 (decimals with "."), at most `max`.
std::optional<double> Seconds(const QString& text, double max);

// "C" or "F": whether the unit is °F.
std::optional<bool> UnitOption(const QString& text);

// "cannot write PATH: reason", without the path twice when the reason names it already.
QString CannotWrite(const QString& path, const QString& error);

// `status`, or the file status when standard output could not take what was written to it.
int Flushed(ConsoleOutput& out, int status);

// Commands that read no reply end with their bytes on the line, not in a buffer.
int Drained(CliSession& session, ConsoleOutput& out, const QString& what);

// How an option's value is read.
enum class OptionKind {
    WholeNumber, // WholeNumber() from `min` to `max`
    Seconds,     // Seconds() above 0, at most `max`
    Degrees,     // degrees ("-1.5") in tenths, from `min` to `max` tenths
    Unit,        // UnitOption(): C or F
};

// Where an option's value goes: a whole number or degrees into int or qint64, seconds into
// double, a unit into optional<bool> (true for °F).
using OptionTarget = std::variant<int*, qint64*, double*, std::optional<bool>*>;

// One option of a command that is one value. An option not given leaves its target as it is.
struct OptionRule {
    const char* name; // the long name, without "--"
    OptionKind kind;
    qint64 min;
    qint64 max;
    const char* message; // the usage error for a value out of the rule
    bool quotesValue;    // the message goes on with ", not 'VALUE'"
    OptionTarget to;
};

// --unit C|F, as every command with a unit takes it.
OptionRule UnitRule(std::optional<bool>* to);

// Reads the options given, in the order of `rules`. At the first value out of its rule: says
// so, sets `usage` to the exit status and returns false.
bool ReadOptions(const CommandLine& line, ConsoleOutput& out, int* usage,
                 std::initializer_list<OptionRule> rules);
