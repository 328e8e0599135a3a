#pragma once

// The commands of corvilab-cli, one maker each: it checks the command's arguments and options
// and returns the job to run on the meter once the port is open. The files hold them by area:
// cli_file_commands.cpp (no meter), logger_commands.cpp, sampling_commands.cpp and
// meter_settings_commands.cpp.

#include <functional>

class ConsoleOutput;
class CliSession;
struct CommandLine;

// What a command does with the meter; returns the exit status.
using MeterJob = std::function<int(CliSession&)>;

// Every job maker: the job, or empty with `usage` set to the exit status when the arguments
// were wrong (said on standard error).
using JobMaker = MeterJob (*)(const CommandLine& line, ConsoleOutput& out, int* usage);

// Commands without a meter; each returns the exit status.
int Ports(ConsoleOutput& out);
int Convert(const CommandLine& line, ConsoleOutput& out);

// The logger: logger sets, get, all and manual.
MeterJob LoggerSets(const CommandLine& line, ConsoleOutput& out, int* usage);
MeterJob LoggerGet(const CommandLine& line, ConsoleOutput& out, int* usage);
MeterJob LoggerAll(const CommandLine& line, ConsoleOutput& out, int* usage);
MeterJob LoggerManual(const CommandLine& line, ConsoleOutput& out, int* usage);

// Sampling runs: live, record and serve.
MeterJob Live(const CommandLine& line, ConsoleOutput& out, int* usage);
MeterJob Record(const CommandLine& line, ConsoleOutput& out, int* usage);
MeterJob ServeOnly(const CommandLine& line, ConsoleOutput& out, int* usage);

// The meter's state and settings: status, erase, clock, interval, poweroff and key.
MeterJob Status(const CommandLine& line, ConsoleOutput& out, int* usage);
MeterJob Erase(const CommandLine& line, ConsoleOutput& out, int* usage);
MeterJob ClockCommand(const CommandLine& line, ConsoleOutput& out, int* usage);
MeterJob Interval(const CommandLine& line, ConsoleOutput& out, int* usage);
MeterJob PowerOff(const CommandLine& line, ConsoleOutput& out, int* usage);
MeterJob Key(const CommandLine& line, ConsoleOutput& out, int* usage);
