#include "recording/recorder.h"

#include "link/thermocouple.h"
#include "recording/marks.h"
#include "recording/sampler.h"

#include <QStringList>

#include <algorithm>

QString SetupChangeText(const MeterSetup& before, const MeterSetup& after) {
    QStringList changes;
    for (size_t i = 0; i < 4; ++i) {
        const QString channel = QStringLiteral("T%1").arg(i + 1);
        if (before.probes[i] != after.probes[i]) {
            changes << channel + (after.probes[i] ? QStringLiteral(" probe plugged in")
                                                  : QStringLiteral(" probe unplugged"));
        }
        if (before.types[i] != after.types[i] && after.types[i]) {
            const QString to = TypeLetterOf(*after.types[i]);
            changes << (before.types[i] ? QStringLiteral("%1 type %2 to %3")
                                              .arg(channel, TypeLetterOf(*before.types[i]), to)
                                        : QStringLiteral("%1 type %2").arg(channel, to));
        }
    }
    if (before.unit != after.unit)
        changes << QStringLiteral("unit %1 to %2").arg(before.unit, after.unit);
    return changes.isEmpty() ? QStringLiteral("the meter's set-up changed")
                             : changes.join(QStringLiteral(", "));
}

Recorder::Recorder(qint64 recordsPerFile, QObject* parent)
    : QObject(parent)
    , recordsPerFile_(std::max<qint64>(recordsPerFile, 1)) {}

Recorder::~Recorder() {
    writer_.Close();
}

bool Recorder::Start(const QString& path, const QString& unitText, bool unitF,
                     const std::array<QString, 4>& typeLetters) {
    Stop();
    startError_.clear();
    heading_ = HeadingFields(unitText, typeLetters);
    RemoveCompanions(path);
    if (!writer_.Open(path) || !writer_.WriteLine(heading_)) {
        startError_ = writer_.ErrorText();
        writer_.Close();
        return false;
    }
    dataFileName_ = path;
    currentFile_ = path;
    recordUnitText_ = unitText;
    recordUnitF_ = unitF;
    headingPending_ = false;
    recordCount_ = 0;
    missedSamples_ = 0;
    continuedBecause_.clear();
    writeError_.clear();
    stopError_.clear();
    recording_ = true;
    Q_EMIT Started();
    return true;
}

bool Recorder::Stop() {
    if (!recording_)
        return true;
    recording_ = false;
    corrected_.Close();
    const bool closed = writer_.Close();
    stopError_ = closed ? QString() : writer_.ErrorText();
    recordCount_ = 0;
    writeError_.clear();
    Q_EMIT Stopped();
    return closed;
}

bool Recorder::RecordSample(const SampleRecord& sample) {
    if (!recording_) {
        Q_EMIT Recorded(0);
        return false;
    }
    return WriteRecord(sample.TimeText, sample.ReadTexts(recordUnitF_), &sample);
}

bool Recorder::RecordLine(const QString& timeText, const std::array<QString, 4>& valueTexts) {
    return WriteRecord(timeText, valueTexts, nullptr);
}

void Recorder::SetCorrections(const QStringList& linesC, const QStringList& linesF) {
    corrections_ = {linesC, linesF};
    correctionsPending_ = true;
}

void Recorder::WriteCorrected(const QString& timeText, const SampleRecord& sample) {
    if (!corrected_.IsOpen()) {
        if (!corrected_.Open(CorrectedFileName(currentFile_)))
            return;
        correctionsPending_ = true;
    }
    if (correctionsPending_ &&
        corrected_.WriteCorrections(recordCount_, corrections_[recordUnitF_ ? 1 : 0]))
        correctionsPending_ = false;
    std::array<bool, 4> corrected{}, beyond{};
    for (size_t i = 0; i < 4; ++i) {
        corrected[i] = sample.Corrected[i] != ReadingCorrection::None;
        beyond[i] = sample.Corrected[i] == ReadingCorrection::Beyond;
    }
    corrected_.WriteRecord(recordCount_, timeText, recordUnitF_ ? sample.TextF : sample.TextC,
                           corrected, beyond);
}

void Recorder::RemoveCompanions(const QString& dataFile) {
    QFile::remove(CorrectedFileName(dataFile));
    QFile::remove(MarksFileName(dataFile));
}

bool Recorder::WriteRecord(const QString& timeText, const std::array<QString, 4>& valueTexts,
                           const SampleRecord* sample) {
    if (!recording_)
        return false;
    // A continuation file that could not be opened, or whose heading did not reach it, is
    // tried again before the line, so that no file of the set lacks its heading.
    if (!OpenCurrentFile() ||
        !writer_.WriteLine(RecordFields(recordCount_ + 1, timeText, valueTexts))) {
        ++missedSamples_;
        SetWriteError(writer_.ErrorText());
        Q_EMIT Recorded(recordCount_);
        return false;
    }
    ++recordCount_;
    SetWriteError(QString());
    // Beside the record, in the companion of the file that holds it.
    if (sample && sample->AnyCorrected())
        WriteCorrected(timeText, *sample);

    if (recordCount_ % recordsPerFile_ == 0) {
        continuedBecause_.clear();
        MoveToNextFile();
    }
    Q_EMIT Recorded(recordCount_);
    return true;
}

bool Recorder::Continue(const QString& unitText, bool unitF,
                        const std::array<QString, 4>& typeLetters, const QString& why) {
    if (!recording_)
        return true;
    heading_ = HeadingFields(unitText, typeLetters);
    recordUnitText_ = unitText;
    recordUnitF_ = unitF;
    continuedBecause_ = why;
    const bool begun = MoveToNextFile();
    Q_EMIT Continued();
    return begun;
}

bool Recorder::MoveToNextFile() {
    // The file goes onto the disk before the set moves on.
    corrected_.Close();
    const bool closed = writer_.Close();
    ++continuationNo_;
    currentFile_ = ContinuationFileName(dataFileName_, continuationNo_);
    RemoveCompanions(currentFile_);
    headingPending_ = true;
    if (!closed || !OpenCurrentFile()) {
        SetWriteError(writer_.ErrorText());
        return false;
    }
    return true;
}

bool Recorder::OpenCurrentFile() {
    if (!writer_.IsOpen() && !writer_.Open(currentFile_))
        return false;
    if (headingPending_) {
        if (!writer_.WriteLine(heading_))
            return false;
        headingPending_ = false;
    }
    return true;
}

QString Recorder::StatusText() const {
    if (!writeError_.isEmpty())
        return QStringLiteral("not writing: ") + writeError_;
    if (recording_ && !corrected_.ErrorText().isEmpty())
        return QStringLiteral("not writing corrected readings: ") + corrected_.ErrorText();
    return QString();
}

void Recorder::SetWriteError(const QString& error) {
    if (error == writeError_)
        return;
    const bool wasWriting = writeError_.isEmpty();
    writeError_ = error;
    if (wasWriting != error.isEmpty())
        Q_EMIT WritingChanged(error.isEmpty());
}
