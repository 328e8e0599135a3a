#pragma once

// Where runs come from: a ".4ch" data file with the continuation files of its recording, a set
// of the logger's downloaded memory, and the PC recording in progress.

#include "compare/run.h"

#include <QString>
#include <QStringList>

#include <optional>

struct LoggedSet;
struct SampleRecord;

struct RunLoad {
    std::optional<Run> run;
    QString error; // why there is no run, naming the file: "x.4ch is not a data file: ..."
    // The files read, the chosen file first and then its continuation files in order.
    QStringList files;
};

// Reads the data file at `path` and, when its recording went on in continuation files
// ("run-1.4ch", "run-2.4ch", ...; the numbers need not start at 1), those too: a continuation
// file is one beside it whose heading is the same and whose first record number and time follow
// on from the last line read. The run is named `name`, or the file's name when that is empty.
// Where a file has a ".corrected" companion its corrected readings are taken in place of what
// the meter read, and its marks (".marks") come with it.
RunLoad LoadRunFile(const QString& path, const QString& name = QString());

// A downloaded logger set, in the unit it was recorded in: its records at the set's interval
// from its start. A channel the set did not record has no reading.
RunLoad RunFromSet(const LoggedSet& set);

// A sample of the PC recording in progress appended to its run, as the recording's line holds
// it: the sample's time and the texts of the recording's unit. False when the sample's time
// cannot be read or goes back.
bool AppendRecordedSample(Run& run, const SampleRecord& sample);
