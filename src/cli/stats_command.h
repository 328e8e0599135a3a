#pragma once

class ConsoleOutput;
struct CommandLine;

// `stats FILE [--above LEVEL]`: one line per recorded channel of a data file (with its
// continuation files), TAB-separated: the channel (T1 ...), the lowest reading and the date and
// time it was first reached, the highest and its date and time, the mean, the number of
// readings, and with --above the seconds spent above LEVEL. Returns the exit status.
int RunStats(const CommandLine& line, ConsoleOutput& out);
