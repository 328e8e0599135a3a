#pragma once

// corvilab-cli's comparison of runs: `compare REFERENCE RUN...` prints the table of a
// comparison, and `live` and `record` hold the readings against a reference run with
// `--reference FILE --band D [--channel T1] [--align start|T1>=100]`.

#include "compare/comparison.h"

#include <memory>
#include <optional>

class ConsoleOutput;
class CliSession;
struct CommandLine;

// `compare`: the table on standard output, the aligned series into -o. The exit status: 0 when
// every run passes, 1 when one fails, 2 on bad input, 3 when -o could not be written.
int CompareRuns(const CommandLine& line, ConsoleOutput& out);

// What --reference, --band, --channel and --align of `live` and `record` ask for.
struct BandReference {
    std::shared_ptr<const Run> run;
    int channel = 0;
    Band band;
    Alignment alignment;
};

// Reads those options, and the reference file. No reference asked for: an empty pointer. Bad
// input: says so, sets `usage` to the exit status and returns false.
bool ReadBandReference(const CommandLine& line, ConsoleOutput& out, int* usage,
                       std::shared_ptr<const BandReference>* reference);

// Holds each sample of the run against the reference, in the unit of the alarms, and hands
// "band-out" and "band-in" to the alarm actions (when the run watches alarms).
void WatchBand(const std::shared_ptr<const BandReference>& reference, CliSession& session,
               bool alarms, ConsoleOutput& out);
