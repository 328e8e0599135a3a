#pragma once

// The PC recording: from the "Save" button's start to its stop, one record line per sample goes
// to the data file, and every `RecordsPerDataFile` lines the recording moves on to a
// continuation file under the same heading. A change of the meter's set-up (a probe, a type,
// the unit) does not end it: it goes on in the next continuation file under the new heading,
// numbered on, so that the channels still measuring lose nothing.
//
// Nothing written is lost to a crash: each line leaves the program before the next sample (one
// write per line), and the file is synced when the recording stops or moves to a continuation
// file. A line that cannot be written is not passed over in silence: the recording shows
// "not writing" with the reason and tries again at every sample until writing works again.

#include "link/live_state.h"
#include "recording/corrected_file.h"
#include "recording/data_file.h"

#include <QObject>
#include <QString>

#include <array>

struct SampleRecord;

// What changed between two set-ups of the meter, for people: "T4 probe unplugged",
// "T2 probe plugged in", "T1 type K to J", "unit °C to °F", joined by ", ".
QString SetupChangeText(const MeterSetup& before, const MeterSetup& after);

class Recorder : public QObject {
    Q_OBJECT
public:
    // `recordsPerFile` is lowered by tests only; the program keeps 320000.
    explicit Recorder(qint64 recordsPerFile = RecordsPerDataFile, QObject* parent = nullptr);
    ~Recorder() override;

    // Starts a recording into `path` (created, or replaced) with the heading of the meter's
    // current unit and type letters, which hold for the whole recording. False (and Idle) when
    // the file cannot be created or its heading cannot be written; StartError() says why.
    bool Start(const QString& path, const QString& unitText, bool unitF,
               const std::array<QString, 4>& typeLetters);
    // Ends the recording: the file is synced and closed, `RecordCount` goes back to 0. False
    // when the last lines could not be put onto the disk; StopError() says why. Stopping while
    // Idle does nothing and is true.
    bool Stop();
    // The meter's set-up changed: the recording goes on in the next continuation file, which
    // starts with the heading of `unitText` and `typeLetters`; the lines from now on are in
    // that unit, and numbering goes on. `why` says what changed ("T4 probe unplugged at
    // 14:05:09"). False when the new file could not be begun; the recording then says "not
    // writing" and tries again at the next sample, as after any failed write. Does nothing
    // while Idle.
    bool Continue(const QString& unitText, bool unitF, const std::array<QString, 4>& typeLetters,
                  const QString& why);

    // One sample while recording: the record line of the recording's unit. False when the line
    // was not written (the recording goes on, and the next sample tries again). While Idle it
    // writes nothing and still says `Recorded(0)`, so that a display of the state stays current.
    // What the meter read goes to the data file; where a channel was corrected, the corrected
    // readings go to the data file's corrected readings (`CorrectedFileName`).
    bool RecordSample(const SampleRecord& sample);
    bool RecordLine(const QString& timeText, const std::array<QString, 4>& valueTexts);

    // The calibration corrections in force, as the corrected readings' file names them ("T1
    // offset -0.3 °C"), for readings in °C and in °F; told there before the next corrected record.
    void SetCorrections(const QStringList& linesC, const QStringList& linesF);
    // Why corrected readings are not reaching their file; empty while they do.
    QString CorrectedError() const { return corrected_.ErrorText(); }

    bool Recording() const { return recording_; }
    // The path chosen for the recording; continuation files are named from it.
    QString DataFileName() const { return dataFileName_; }
    // The file the next line goes to (the chosen path, or its latest continuation file).
    QString CurrentFileName() const { return currentFile_; }
    QString RecordUnitText() const { return recordUnitText_; }
    bool RecordUnitF() const { return recordUnitF_; }
    // Lines written in this recording, over all its files; 0 when Idle.
    qint64 RecordCount() const { return recordCount_; }
    // Continuation files written since the program started, over all recordings.
    int ContinuationNo() const { return continuationNo_; }
    // Why the current file was begun when the set-up changed; empty for the chosen file and
    // for a continuation after `RecordsPerDataFile` lines.
    QString ContinuedBecause() const { return continuedBecause_; }

    // False while lines are not reaching the file; WriteError() says why.
    bool Writing() const { return writeError_.isEmpty(); }
    QString WriteError() const { return writeError_; }
    // Samples that could not be written since the recording started.
    qint64 MissedSamples() const { return missedSamples_; }
    // "not writing: <reason>" while lines are not reaching the file, "not writing corrected
    // readings: <reason>" while only those are not, else empty.
    QString StatusText() const;

    QString StartError() const { return startError_; }
    QString StopError() const { return stopError_; }

Q_SIGNALS:
    void Started();
    void Stopped();
    // The recording went on in a new file because the meter's set-up changed.
    void Continued();
    // After each sample, written or not (0 while Idle).
    void Recorded(qint64 recordCount);
    // Writing stopped working, or works again (`WriteError()` is then empty).
    void WritingChanged(bool writing);

private:
    bool WriteRecord(const QString& timeText, const std::array<QString, 4>& valueTexts,
                     const SampleRecord* sample);
    void WriteCorrected(const QString& timeText, const SampleRecord& sample);
    // A data file about to be created or replaced takes its companions with it.
    static void RemoveCompanions(const QString& dataFile);
    bool OpenCurrentFile();
    // Closes the full or outdated file and names the next one of the set.
    // False with the write error set when it could not be begun.
    bool MoveToNextFile();
    void SetWriteError(const QString& error);

    const qint64 recordsPerFile_;
    DataFileWriter writer_;
    CorrectedFileWriter corrected_;
    std::array<QStringList, 2> corrections_; // in °C, in °F
    bool correctionsPending_ = true;         // not yet told in the current corrected file
    bool recording_ = false;
    QString dataFileName_;
    QString currentFile_;
    QString recordUnitText_;
    bool recordUnitF_ = false;
    DataFields heading_;
    bool headingPending_ = false; // the current file still needs its heading line
    qint64 recordCount_ = 0;
    int continuationNo_ = 0;
    qint64 missedSamples_ = 0;
    QString continuedBecause_;
    QString writeError_;
    QString startError_;
    QString stopError_;
};
