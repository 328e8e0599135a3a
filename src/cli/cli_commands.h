#pragma once

class ConsoleOutput;
struct CommandLine;

// Runs the command of a well-formed command line and returns the program's exit status. Every
// command is a call into the program's core: the same exchanges, decoders and file writers as
// the desktop program, so files come out byte for byte the same.
int RunCommand(const CommandLine& line, ConsoleOutput& out);
