#include "compare/run_loading.h"

#include "link/reading_text.h"
#include "link/thermocouple.h"
#include "logger/logger_set.h"
#include "recording/corrected_file.h"
#include "recording/data_file.h"
#include "recording/marks.h"
#include "recording/sampler.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString Latin1Field(QByteArrayView bytes) {
    return QString::fromLatin1(bytes.data(), bytes.size());
}

// What one file of a recording added to its run.
struct FileSpan {
    qint64 firstRecord = 0;
    qint64 lastRecord = 0;
    qint64 lastSeconds = 0; // calendar seconds of the last line
};

// Reads the record lines of one data file into `run` (made from the heading when empty). A
// file after the first must carry the first one's heading.
class RunFileReader {
public:
    RunFileReader(const QString& path, const QString& name, std::optional<Run>& run,
                  DataFields& heading)
        : path_(path)
        , name_(name)
        , run_(run)
        , heading_(heading) {}

    bool Read(FileSpan* span, QString* error) {
        corrected_ = ReadCorrectedOf(path_);
        marks_ = ReadMarksOf(path_);
        for (const Mark& mark : std::as_const(marks_))
            markedRecords_ << mark.afterRecord << mark.afterRecord + 1;
        const DataFileReadResult result = ReadDataFile(
            path_, [this](qint64 line, const DataFieldBytes& fields, DataFileEncoding encoding) {
                return line == 1 ? Heading(fields, encoding) : Record(line, fields);
            });
        if (!error_.isEmpty()) {
            *error = error_;
            return false;
        }
        if (!result.opened || !result.error.isEmpty()) {
            *error = QStringLiteral("%1 cannot be read: %2")
                         .arg(Native(path_), result.error.section(QStringLiteral(": "), -1));
            return false;
        }
        if (result.stoppedAtLine == 1) {
            *error = NotDataFile(QStringLiteral("its first line is not a heading of six fields"));
            return false;
        }
        if (result.linesRead == 0) {
            *error = NotDataFile(QStringLiteral("it is empty"));
            return false;
        }
        if (result.stoppedAtLine > 1) {
            *error = QStringLiteral("%1, line %2: the line is not a record of six fields")
                         .arg(Native(path_))
                         .arg(result.stoppedAtLine);
            return false;
        }
        if (records_ == 0) {
            *error = QStringLiteral("%1 holds no records").arg(Native(path_));
            return false;
        }
        *span = span_;
        AddMarks();
        return true;
    }

private:
    // The file's marks on the run's time axis: at the time the mark was placed, within the
    // record it follows and the next one (its clock may have been set meanwhile).
    void AddMarks() {
        for (const Mark& mark : std::as_const(marks_)) {
            const qint64 after = recordTimes_.value(
                mark.afterRecord,
                mark.afterRecord < span_.firstRecord ? firstTime_ : run_->Time(run_->Count() - 1));
            const qint64 next = recordTimes_.value(mark.afterRecord + 1, after);
            const std::optional<qint64> placed = CalendarSeconds(DateTimeText(mark.time));
            qint64 seconds = placed ? *placed - run_->StartSeconds() : after;
            seconds = std::clamp(seconds, std::min(after, next), std::max(after, next));
            run_->AddMark({seconds, mark.text, mark.channel, mark.Label()});
        }
    }

    QString NotDataFile(const QString& why) const {
        return QStringLiteral("%1 is not a data file: %2").arg(Native(path_), why);
    }
    bool Fail(qint64 line, const QString& why) {
        error_ = QStringLiteral("%1, line %2: %3").arg(Native(path_)).arg(line).arg(why);
        return false;
    }

    bool Heading(const DataFieldBytes& bytes, DataFileEncoding encoding) {
        DataFields fields;
        DecodeDataFields(bytes, encoding, &fields);
        const bool fahrenheit = fields[0] == QStringLiteral("°F");
        if ((!fahrenheit && fields[0] != QStringLiteral("°C")) ||
            fields[1] != QLatin1String("Date Time")) {
            error_ = NotDataFile(QStringLiteral("its first line does not name the unit (°C or °F) "
                                                "and \"Date Time\""));
            return false;
        }
        if (run_) {
            if (fields != heading_) {
                error_ = QStringLiteral("%1 does not carry the heading of the recording it "
                                        "continues")
                             .arg(Native(path_));
                return false;
            }
            return true;
        }
        heading_ = fields;
        fahrenheit_ = fahrenheit;
        return true;
    }

    bool Record(qint64 line, const DataFieldBytes& fields) {
        bool numbered = false;
        const qint64 record = fields[0].toLongLong(&numbered);
        if (!numbered || record < 1)
            return Fail(line,
                        QStringLiteral("'%1' is no record number").arg(Latin1Field(fields[0])));
        const std::optional<qint64> seconds = calendar_.Seconds(fields[1].data(), fields[1].size());
        if (!seconds) {
            return Fail(line, QStringLiteral("'%1' is no date and time (yyyy/mm/dd hh:nn:ss)")
                                  .arg(Latin1Field(fields[1])));
        }
        if (!run_) {
            std::array<QString, 4> letters;
            for (int n = 0; n < 4; ++n) {
                const QString prefix = QStringLiteral("T%1 - ").arg(n + 1);
                const QString& h = heading_[size_t(n + 2)];
                letters[size_t(n)] = h.startsWith(prefix) ? h.mid(prefix.size()) : h;
            }
            run_.emplace(name_, Latin1Field(fields[1]), *seconds, fahrenheit_, letters);
        }
        if (records_ == 0) {
            span_.firstRecord = record;
            // Room for the lines the file may hold, so that reading does not copy them over.
            run_->Reserve(run_->Count() +
                          std::min(QFileInfo(path_).size() / kShortestLine, kMostReserved));
        }
        Run::Readings readings;
        const CorrectedRow* corrected = corrected_.IsEmpty() ? nullptr : corrected_.Row(record);
        for (size_t n = 0; n < 4; ++n) {
            if (corrected && corrected->corrected[n]) {
                readings[n] = ReadingTenths(corrected->texts[n].data(), corrected->texts[n].size());
                run_->CountCorrected(1);
            } else {
                readings[n] = ReadingTenths(fields[n + 2].data(), fields[n + 2].size());
            }
        }
        if (records_ == 0)
            firstTime_ = *seconds - run_->StartSeconds();
        if (markedRecords_.contains(record))
            recordTimes_.insert(record, *seconds - run_->StartSeconds());
        if (!run_->Append(*seconds - run_->StartSeconds(), readings)) {
            return Fail(line, QStringLiteral("%1 is earlier than the line before; a run's times "
                                             "must not go back")
                                  .arg(Latin1Field(fields[1])));
        }
        ++records_;
        span_.lastRecord = record;
        span_.lastSeconds = *seconds;
        return true;
    }

    const QString& path_;
    const QString& name_;
    std::optional<Run>& run_;
    DataFields& heading_;
    // A record line of the program's own files takes at least this many bytes.
    static constexpr qint64 kShortestLine = 40;
    static constexpr qint64 kMostReserved = 10000000;
    CalendarReader calendar_;
    bool fahrenheit_ = false;
    qint64 records_ = 0;
    FileSpan span_;
    QString error_;
    CorrectedReadings corrected_;
    QList<Mark> marks_;
    QSet<qint64> markedRecords_;        // the records the marks follow, and the next ones
    QHash<qint64, qint64> recordTimes_; // of those: seconds after the run's first sample
    qint64 firstTime_ = 0;
};

// The heading, first record number and first time of a file, from its first two lines.
struct FileStart {
    DataFields heading;
    qint64 firstRecord = 0;
    std::optional<qint64> firstSeconds;
};

std::optional<FileStart> PeekFileStart(const QString& path) {
    FileStart start;
    bool recordSeen = false;
    ReadDataFile(path, [&](qint64 line, const DataFields& fields) {
        if (line == 1) {
            start.heading = fields;
            return true;
        }
        start.firstRecord = fields[0].toLongLong();
        start.firstSeconds = CalendarSeconds(fields[1]);
        recordSeen = true;
        return false;
    });
    if (!recordSeen || !start.firstSeconds)
        return std::nullopt;
    return start;
}

// Files beside `path` named as continuation files of its recording. When `path` is itself a
// continuation file (its records do not start at 1), the recording's own name is found by
// taking its number out.
QStringList ContinuationCandidates(const QString& path, bool isContinuation) {
    const QFileInfo info(path);
    const QString fileName = info.fileName();
    const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
    QString stem = dot < 0 ? fileName : fileName.left(dot);
    const QString rest = dot < 0 ? QString() : fileName.mid(dot);
    if (isContinuation) {
        static const QRegularExpression kNumbered(QStringLiteral("^(.*)-\\d+$"));
        const QRegularExpressionMatch m = kNumbered.match(stem);
        if (m.hasMatch())
            stem = m.captured(1);
    }
    const QRegularExpression name(QStringLiteral("^") + QRegularExpression::escape(stem) +
                                  QStringLiteral("-\\d+") + QRegularExpression::escape(rest) +
                                  QStringLiteral("$"));
    QStringList candidates;
    const QDir dir = info.dir();
    for (const QString& entry : dir.entryList(QDir::Files)) {
        if (name.match(entry).hasMatch())
            candidates << dir.filePath(entry);
    }
    return candidates;
}

// The file that continues the recording after `span`: same heading, the next record number, and
// of those the one whose first line comes soonest after the last line read.
QString NextContinuation(const QStringList& candidates, const QStringList& read,
                         const DataFields& heading, const FileSpan& span) {
    QString best;
    qint64 bestGap = 0;
    for (const QString& candidate : candidates) {
        const QString canonical = QFileInfo(candidate).canonicalFilePath();
        if (read.contains(canonical))
            continue;
        const std::optional<FileStart> start = PeekFileStart(candidate);
        if (!start || start->heading != heading || start->firstRecord != span.lastRecord + 1 ||
            *start->firstSeconds < span.lastSeconds)
            continue;
        const qint64 gap = *start->firstSeconds - span.lastSeconds;
        if (best.isEmpty() || gap < bestGap) {
            best = candidate;
            bestGap = gap;
        }
    }
    return best;
}

} // namespace

RunLoad LoadRunFile(const QString& path, const QString& name) {
    RunLoad load;
    std::optional<Run> run;
    DataFields heading;
    const QString runName = name.isEmpty() ? QFileInfo(path).fileName() : name;
    FileSpan span;
    QString error;
    if (!RunFileReader(path, runName, run, heading).Read(&span, &error)) {
        load.error = error;
        return load;
    }
    QStringList read{QFileInfo(path).canonicalFilePath()};
    load.files << path;
    const QStringList candidates = ContinuationCandidates(path, span.firstRecord > 1);
    for (;;) {
        const QString next = NextContinuation(candidates, read, heading, span);
        if (next.isEmpty())
            break;
        if (!RunFileReader(next, runName, run, heading).Read(&span, &error)) {
            load.error = error;
            return load;
        }
        read << QFileInfo(next).canonicalFilePath();
        load.files << next;
    }
    run->SetSourceKey(QStringLiteral("file:") + read.constFirst());
    load.run = std::move(run);
    return load;
}

RunLoad RunFromSet(const LoggedSet& set) {
    RunLoad load;
    const QString name = QStringLiteral("Set %1").arg(set.number);
    if (set.interval <= 0 && set.recordCount > 1) {
        load.error = QStringLiteral("%1 has the interval 0 s: its records have no times").arg(name);
        return load;
    }
    if (set.recordCount < 1) {
        load.error = QStringLiteral("%1 holds no records").arg(name);
        return load;
    }
    // The set's start as the data list counts its records' times: a damaged start carries over
    // into the next field.
    const auto& s = set.start;
    const qint64 day = QDate(2000 + s[0], 1, 1)
                           .addMonths(std::max(1, int(s[1])) - 1)
                           .addDays(std::max(1, int(s[2])) - 1)
                           .toJulianDay();
    const qint64 start = day * 86400 + s[3] * 3600 + s[4] * 60 + s[5];
    std::array<QString, 4> letters;
    for (size_t n = 0; n < 4; ++n)
        letters[n] = TypeLetterOf(set.typeCodes[n]);
    Run run(name, set.startText, start, set.fahrenheit, letters);
    run.SetSourceKey(
        QStringLiteral("set:%1:%2:%3").arg(set.number).arg(set.startText).arg(set.recordCount));
    run.Reserve(set.recordCount);

    // Logged temperatures repeat a lot: each distinct stored value of a channel is decoded once.
    std::array<QHash<quint32, std::optional<int>>, 4> decoded;
    const int size = set.recordSize();
    const auto* data = reinterpret_cast<const quint8*>(set.bytes.constData());
    for (int r = 1; r <= set.recordCount; ++r) {
        const quint8* record = data + LoggedSet::HeaderSize + qsizetype(r - 1) * size;
        const quint8 valid = record[0];
        const quint8 range = record[1];
        const quint8* value = record + 2;
        Run::Readings readings;
        for (int n = 0; n < 4; ++n) {
            if (!(set.channelMask & 1 << n))
                continue;
            // Precedence as shown: no reading, then Over, then Under, else the value.
            if ((valid & 1 << n) && !(range & 1 << n) && !(range & 1 << (4 + n))) {
                const quint32 key = quint32(value[0]) << 16 | quint32(value[1]) << 8 | value[2];
                auto it = decoded[size_t(n)].constFind(key);
                if (it == decoded[size_t(n)].constEnd()) {
                    const RawReading raw = DecodeRawReading(value[0], value[1], value[2]);
                    std::optional<int> tenths;
                    if (raw.valid) {
                        tenths = set.fahrenheit
                                     ? raw.tenths
                                     : CelsiusTenths(raw.tenths, set.offsetTenths[size_t(n)]);
                    }
                    it = decoded[size_t(n)].insert(key, tenths);
                }
                readings[size_t(n)] = it.value();
            }
            value += 3;
        }
        run.Append(qint64(r - 1) * set.interval, readings);
    }
    load.run = std::move(run);
    return load;
}

bool AppendRecordedSample(Run& run, const SampleRecord& sample) {
    const std::optional<qint64> seconds = CalendarSeconds(sample.TimeText);
    if (!seconds)
        return false;
    const std::array<QString, 4>& texts = run.Fahrenheit() ? sample.TextF : sample.TextC;
    Run::Readings readings;
    for (size_t n = 0; n < 4; ++n)
        readings[n] = ReadingTenths(texts[n]);
    return run.Append(*seconds - run.StartSeconds(), readings);
}
