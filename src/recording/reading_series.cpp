#include "recording/reading_series.h"

#include "recording/corrected_file.h"
#include "recording/sample_buffers.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>

#include <map>
#include <utility>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

QByteArrayView Trimmed(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// Seconds of a date-time on one scale (days since the start of the Julian period), or -1 for a
// date or time that does not exist: a logger keeps whatever its clock held.
qint64 ClockSeconds(qint64 stamp) {
    if (stamp < 0)
        return -1;
    const int second = int(stamp % 100);
    const int minute = int(stamp / 100 % 100);
    const int hour = int(stamp / 10000 % 100);
    const QDate date(int(stamp / 10000000000), int(stamp / 100000000 % 100),
                     int(stamp / 1000000 % 100));
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59)
        return -1;
    return date.toJulianDay() * 86400 + hour * 3600 + minute * 60 + second;
}

// "°C" or "°F", "Date Time", then T1 ... T4 with whatever type letters.
bool IsDataHeading(const DataFields& heading) {
    if ((heading[0] != QStringLiteral("°C") && heading[0] != QStringLiteral("°F")) ||
        heading[1] != QLatin1String("Date Time"))
        return false;
    for (int channel = 0; channel < 4; ++channel) {
        if (!heading[size_t(channel) + 2].startsWith(QStringLiteral("T%1").arg(channel + 1)))
            return false;
    }
    return true;
}

} // namespace

std::optional<int> ReadingSeries::At(qsizetype sample) const {
    if (sample < 0 || sample >= tenths.size() || tenths[sample] == Gap)
        return std::nullopt;
    return tenths[sample];
}

QString ReadingSeries::DateTimeText(qsizetype sample) const {
    if (sample < 0 || sample >= stamps.size() || stamps[sample] < 0)
        return QString();
    return StampText(stamps[sample]);
}

std::optional<int> ReadingTenths(QByteArrayView text) {
    text = Trimmed(text);
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    qint64 whole = 0;
    int digits = 0;
    for (; i < n && IsDigit(text[i]); ++i) {
        if (++digits > 8) // beyond any thermocouple's range by far
            return std::nullopt;
        whole = whole * 10 + (text[i] - '0');
    }
    int tenth = 0;
    if (i < n && text[i] == '.') {
        ++i;
        if (i < n && IsDigit(text[i])) {
            tenth = text[i++] - '0';
            ++digits;
        } else if (digits == 0) {
            return std::nullopt; // "." alone
        }
    }
    if (i != n || digits == 0)
        return std::nullopt;
    const int value = int(whole * 10 + tenth);
    return negative ? -value : value;
}

qint64 DateTimeStamp(QByteArrayView text) {
    static constexpr char kForm[] = "dddd/dd/dd dd:dd:dd";
    if (text.size() != qsizetype(sizeof(kForm) - 1))
        return -1;
    qint64 stamp = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (kForm[i] != 'd') {
            if (text[i] != kForm[i])
                return -1;
        } else if (IsDigit(text[i])) {
            stamp = stamp * 10 + (text[i] - '0');
        } else {
            return -1;
        }
    }
    return stamp;
}

QString StampText(qint64 stamp) {
    const auto two = [stamp](qint64 divisor) {
        return QStringLiteral("%1").arg(stamp / divisor % 100, 2, 10, QLatin1Char('0'));
    };
    return QStringLiteral("%1/%2/%3 %4:%5:%6")
        .arg(QStringLiteral("%1").arg(stamp / 10000000000, 4, 10, QLatin1Char('0')), two(100000000),
             two(1000000), two(10000), two(100), two(1));
}

ReadingSeriesBuilder::ReadingSeriesBuilder(int channels)
    : series_(size_t(std::max(channels, 1))) {}

void ReadingSeriesBuilder::Reserve(qsizetype records) {
    stamps_.reserve(records);
    clock_.reserve(records);
    for (ReadingSeries& s : series_)
        s.tenths.reserve(records);
}

void ReadingSeriesBuilder::AddRecord(QByteArrayView dateTime, const QByteArrayView* readings) {
    const qint64 stamp = DateTimeStamp(dateTime);
    // Most records share the date of the record before; its day number is worked out once.
    const qint64 previous = stamps_.isEmpty() ? -1 : stamps_.constLast();
    if (stamp >= 0 && previous >= 0 && stamp / 1000000 == previous / 1000000 &&
        clock_.constLast() >= 0) {
        const qint64 time = stamp % 1000000;
        const int hour = int(time / 10000), minute = int(time / 100 % 100),
                  second = int(time % 100);
        const qint64 day = clock_.constLast() - clock_.constLast() % 86400;
        clock_.append(hour > 23 || minute > 59 || second > 59
                          ? -1
                          : day + hour * 3600 + minute * 60 + second);
    } else {
        clock_.append(ClockSeconds(stamp));
    }
    stamps_.append(stamp);
    for (size_t c = 0; c < series_.size(); ++c) {
        const std::optional<int> tenths = ReadingTenths(readings[c]);
        series_[c].tenths.append(tenths.value_or(ReadingSeries::Gap));
        if (!series_[c].recorded && !Trimmed(readings[c]).isEmpty())
            series_[c].recorded = true;
    }
}

std::vector<ReadingSeries> ReadingSeriesBuilder::Finish(qint64 fallbackStep) {
    // The usual step: the commonest gap between two readable times that follow each other.
    std::map<qint64, qint64> steps;
    for (qsizetype i = 1; i < clock_.size(); ++i) {
        if (clock_[i - 1] >= 0 && clock_[i] > clock_[i - 1])
            ++steps[clock_[i] - clock_[i - 1]];
    }
    qint64 step = std::max<qint64>(fallbackStep, 1);
    qint64 most = 0;
    for (const auto& [gap, count] : steps) {
        if (count > most) {
            most = count;
            step = gap;
        }
    }
    QVector<qint64> seconds(clock_.size());
    for (qsizetype i = 1; i < clock_.size(); ++i) {
        const bool readable = clock_[i - 1] >= 0 && clock_[i] > clock_[i - 1];
        seconds[i] = seconds[i - 1] + (readable ? clock_[i] - clock_[i - 1] : step);
    }
    bool anyStamp = false;
    for (qint64 stamp : std::as_const(stamps_))
        anyStamp = anyStamp || stamp >= 0;
    std::vector<ReadingSeries> out = std::move(series_);
    for (ReadingSeries& s : out) {
        s.seconds = seconds;
        s.stamps = anyStamp ? stamps_ : QVector<qint64>();
        s.step = step;
    }
    series_.assign(out.size(), ReadingSeries());
    stamps_.clear();
    clock_.clear();
    return out;
}

ReadingSeries SeriesFromBuffers(const SampleBuffers& buffers, int channel, bool fahrenheit,
                                qint64 step, int lowerEnd, int upperEnd) {
    const bool ends = lowerEnd < upperEnd;
    ReadingSeries series;
    series.step = std::max<qint64>(step, 1);
    const int count = buffers.Count();
    series.tenths.resize(count);
    series.seconds.resize(count);
    for (int k = 1; k <= count; ++k) {
        std::optional<int> value = buffers.At(channel, fahrenheit, k);
        if (ends && value && (*value == lowerEnd || *value == upperEnd))
            value.reset();
        series.tenths[k - 1] = value.value_or(ReadingSeries::Gap);
        series.seconds[k - 1] = (k - 1) * series.step;
        series.recorded = series.recorded || value.has_value();
    }
    return series;
}

RecordedRun ReadRecordedRun(const QString& path) {
    RecordedRun run;
    ReadingSeriesBuilder builder(4);
    for (int part = 0;; ++part) {
        const QString file = part == 0 ? path : ContinuationFileName(path, part);
        const QString shown = QDir::toNativeSeparators(file);
        // A continuation file follows a file of full records only; a file of that name after a
        // shorter one is left from another recording.
        if (part > 0 &&
            (builder.Records() != qint64(part) * RecordsPerDataFile || !QFileInfo::exists(file)))
            break;
        bool heading = false;
        const CorrectedReadings corrected = ReadCorrectedOf(file);
        const DataFileReadResult read = ReadDataFile(
            file, [&](qint64 lineNumber, const DataFieldBytes& fields, DataFileEncoding encoding) {
                const CorrectedRow* row = lineNumber > 1 && !corrected.IsEmpty()
                                              ? corrected.Row(fields[0].toLongLong())
                                              : nullptr;
                if (row) {
                    std::array<QByteArrayView, 4> values;
                    for (size_t c = 0; c < 4; ++c) {
                        run.correctedReadings += row->corrected[c];
                        values[c] = row->corrected[c] ? row->texts[c] : fields[c + 2];
                    }
                    builder.AddRecord(fields[1], values.data());
                    return true;
                }
                if (lineNumber > 1) {
                    builder.AddRecord(fields[1], &fields[2]);
                    return true;
                }
                DataFields texts;
                DecodeDataFields(fields, encoding, &texts);
                heading = part == 0 ? IsDataHeading(texts) : texts == run.heading;
                if (part == 0)
                    run.heading = texts;
                return heading;
            });
        if (part > 0 && read.opened && read.linesRead <= 1 && !heading)
            break; // another recording's heading: not this run's
        if (!read.opened || (!read.error.isEmpty() && read.linesRead == 0)) {
            run.failure = RecordedRun::CannotRead;
            run.error = QStringLiteral("cannot read %1").arg(read.error);
            break;
        }
        if (!heading) {
            run.failure = RecordedRun::NotDataFile;
            run.error =
                read.linesRead == 0 && read.stoppedAtLine == 0
                    ? QStringLiteral("%1 is not a data file: it is empty").arg(shown)
                    : QStringLiteral("%1 is not a data file: its first line is not the heading "
                                     "of one (°C or °F, Date Time, T1 to T4)")
                          .arg(shown);
            break;
        }
        run.files << file;
        if (read.stoppedAtLine > 0) {
            run.failure = RecordedRun::BadLine;
            run.error = QStringLiteral("%1 line %2: not six TAB-separated fields; the lines "
                                       "before it were counted")
                            .arg(shown)
                            .arg(read.stoppedAtLine);
            break;
        }
        if (!read.error.isEmpty()) {
            run.failure = RecordedRun::CannotRead;
            run.error = QStringLiteral("%1; reading stopped after line %2")
                            .arg(read.error)
                            .arg(read.linesRead);
            break;
        }
    }
    std::vector<ReadingSeries> channels = builder.Finish();
    for (size_t c = 0; c < run.channels.size(); ++c)
        run.channels[c] = std::move(channels[c]);
    return run;
}
