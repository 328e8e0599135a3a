#include "recording/csv_export.h"

#include "recording/corrected_file.h"
#include "recording/six_column_model.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace {

const QString kOver = QStringLiteral("Over");
const QString kUnder = QStringLiteral("Under");
const QString kNoReading = QStringLiteral("- - -");

// Data file line `lineNumber` (1 the heading) as a CSV line onto `csv`. False for a record line
// whose date and time cannot be read, with the reason in `lineError`.
bool AppendCsvLine(QByteArray& csv, qint64 lineNumber, const DataFields& fields,
                   const QByteArray& lineEnd, QString* lineError) {
    if (lineNumber == 1) {
        csv += CsvLine(CsvHeadingCells(fields)).toUtf8() + lineEnd;
        return true;
    }
    const std::optional<QStringList> cells = CsvRecordCells(fields, lineError);
    if (!cells)
        return false;
    csv += CsvLine(*cells).toUtf8() + lineEnd;
    return true;
}

// The record lines of a file or table are ASCII (numbers, dates, "Over"): they go from its
// bytes to the CSV's bytes directly, by the same rules as CsvRecordCells and CsvLine, which
// serve the heading and every other line.

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAscii(QByteArrayView bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

QByteArrayView Trimmed(QByteArrayView text) {
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.isEmpty() && isSpace(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isSpace(text.back()))
        text.chop(1);
    return text;
}

// The writers below put bytes at `out` and return where they end; the caller has made room for
// twice the line and a little more, the most that quoting can make of it.
char* Put(char* out, QByteArrayView bytes) {
    if (!bytes.isEmpty())
        std::memcpy(out, bytes.data(), size_t(bytes.size()));
    return out + bytes.size();
}

char* PutCell(char* out, QByteArrayView cell) {
    bool quoted = false;
    for (char c : cell)
        quoted = quoted || c == ',' || c == '"' || c == '\r' || c == '\n';
    if (!quoted)
        return Put(out, cell);
    *out++ = '"';
    for (char c : cell) {
        if (c == '"')
            *out++ = '"';
        *out++ = c;
    }
    *out++ = '"';
    return out;
}

char* PutIsoDateTime(char* out, QByteArrayView text) {
    static constexpr char kShape[] = "dddd/dd/dd dd:dd:dd";
    constexpr qsizetype kSize = sizeof(kShape) - 1;
    if (text.size() != kSize)
        return nullptr;
    for (qsizetype i = 0; i < kSize; ++i) {
        if (kShape[i] == 'd' ? !IsDigit(text[i]) : text[i] != kShape[i])
            return nullptr;
    }
    std::memcpy(out, text.data(), kSize);
    out[4] = out[7] = '-';
    out[10] = 'T';
    return out + kSize;
}

// The reading as CsvNumber gives it, or nullptr when it is not a number.
char* PutCsvNumber(char* out, QByteArrayView text) {
    qsizetype i = 0;
    const bool minus = !text.isEmpty() && text[0] == '-';
    if (!text.isEmpty() && (text[0] == '+' || minus))
        ++i;
    const qsizetype wholeAt = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    const QByteArrayView whole = text.sliced(wholeAt, i - wholeAt);
    QByteArrayView fraction;
    if (i < text.size() && text[i] == '.') {
        const qsizetype fractionAt = ++i;
        while (i < text.size() && IsDigit(text[i]))
            ++i;
        fraction = text.sliced(fractionAt, i - fractionAt);
        if (fraction.isEmpty())
            return nullptr;
    }
    if (i != text.size() || (whole.isEmpty() && fraction.isEmpty()))
        return nullptr;
    if (minus)
        *out++ = '-';
    out = Put(out, whole.isEmpty() ? QByteArrayView("0") : whole);
    if (!fraction.isEmpty()) {
        *out++ = '.';
        out = Put(out, fraction);
    }
    return out;
}

// An ASCII record line onto `csv`; false (and `csv` as it was) for any other line.
bool AppendAsciiRecord(QByteArray& csv, const DataFieldBytes& fields, const QByteArray& lineEnd) {
    qsizetype lineBytes = 0;
    for (QByteArrayView field : fields) {
        if (!IsAscii(field))
            return false;
        lineBytes += field.size();
    }
    const qsizetype before = csv.size();
    csv.resize(before + 2 * lineBytes + 32 + lineEnd.size());
    char* out = PutCell(csv.data() + before, fields[0]);
    *out++ = ',';
    out = PutIsoDateTime(out, fields[1]);
    if (!out) {
        csv.truncate(before);
        return false;
    }
    for (size_t k = 2; k < fields.size(); ++k) {
        const QByteArrayView value = Trimmed(fields[k]);
        *out++ = ',';
        if (value.isEmpty() || value == QByteArrayView("- - -")) {
            *out++ = ',';
        } else if (char* number = PutCsvNumber(out, value)) {
            out = number;
            *out++ = ',';
        } else {
            *out++ = ',';
            out = PutCell(out, fields[k]); // "Over", "Under", or a text someone typed
        }
    }
    out = Put(out, lineEnd);
    csv.truncate(out - csv.constData());
    return true;
}

// The columns a file's companions add at the end of each line.
class CsvCompanions {
public:
    CsvCompanions(const std::array<bool, 4>& correctedChannels, QList<Mark> marks)
        : channels_(correctedChannels)
        , marks_(std::move(marks)) {
        std::stable_sort(marks_.begin(), marks_.end(), [](const Mark& a, const Mark& b) {
            return a.afterRecord < b.afterRecord;
        });
    }
    bool Any() const {
        return !marks_.isEmpty() ||
               std::find(channels_.cbegin(), channels_.cend(), true) != channels_.cend();
    }
    void AddToHeading(QByteArray& csv, const QByteArray& lineEnd) const {
        QStringList cells;
        for (size_t k = 0; k < channels_.size(); ++k) {
            if (channels_[k])
                cells << QStringLiteral("T%1 corrected").arg(k + 1);
        }
        if (!marks_.isEmpty())
            cells << QStringLiteral("Mark");
        Add(csv, lineEnd, cells);
    }
    // `read` the record's channel texts as read; `shown` the corrected text of a channel, null
    // where it was not corrected.
    void AddToRecord(QByteArray& csv, const QByteArray& lineEnd, QByteArrayView recordNumber,
                     const std::array<QString, 4>& read,
                     const std::array<const QString*, 4>& shown) {
        QStringList cells;
        for (size_t k = 0; k < channels_.size(); ++k) {
            if (channels_[k])
                cells << CsvNumber((shown[k] ? *shown[k] : read[k]).trimmed()).value_or(QString());
        }
        if (!marks_.isEmpty()) {
            const qint64 record = recordNumber.toLongLong();
            QStringList texts;
            for (; next_ < marks_.size() && marks_[next_].afterRecord <= record; ++next_) {
                const Mark& m = marks_[next_];
                texts << (m.channel ? QStringLiteral("T%1: ").arg(*m.channel + 1) : QString()) +
                             m.text;
            }
            cells << texts.join(QStringLiteral("; "));
        }
        Add(csv, lineEnd, cells);
    }

private:
    static void Add(QByteArray& csv, const QByteArray& lineEnd, const QStringList& cells) {
        csv.chop(lineEnd.size());
        csv += ',' + CsvLine(cells).toUtf8() + lineEnd;
    }
    std::array<bool, 4> channels_;
    QList<Mark> marks_;
    qsizetype next_ = 0;
};

std::array<QString, 4> ChannelTexts(const DataFieldBytes& fields) {
    std::array<QString, 4> texts;
    for (size_t k = 0; k < 4; ++k)
        texts[k] = QString::fromLatin1(fields[k + 2].data(), fields[k + 2].size());
    return texts;
}

// How much CSV is gathered before it goes to the sink.
constexpr qsizetype kCsvBufferBytes = 256 * 1024;

} // namespace

std::optional<QString> CsvNumber(QStringView text) {
    static const QRegularExpression number(QStringLiteral("^([+-]?)([0-9]*)(\\.([0-9]+))?$"));
    const QRegularExpressionMatch m = number.match(text.toString());
    if (!m.hasMatch() || (m.capturedLength(2) == 0 && m.capturedLength(4) == 0))
        return std::nullopt;
    QString result;
    if (m.capturedView(1) == QLatin1String("-"))
        result += QLatin1Char('-');
    result += m.capturedLength(2) > 0 ? m.captured(2) : QStringLiteral("0");
    if (m.capturedLength(4) > 0)
        result += QLatin1Char('.') + m.captured(4);
    return result;
}

std::optional<QString> IsoDateTime(QStringView text) {
    // The digits are taken as they stand: a logger set keeps an impossible hour as stored, and
    // the CSV must not change it into another time.
    static const QRegularExpression dateTime(
        QStringLiteral("^([0-9]{4})/([0-9]{2})/([0-9]{2}) ([0-9]{2}):([0-9]{2}):([0-9]{2})$"));
    const QRegularExpressionMatch m = dateTime.match(text.toString());
    if (!m.hasMatch())
        return std::nullopt;
    return QStringLiteral("%1-%2-%3T%4:%5:%6")
        .arg(m.captured(1), m.captured(2), m.captured(3), m.captured(4), m.captured(5),
             m.captured(6));
}

QStringList CsvHeadingCells(const DataFields& heading) {
    QStringList cells{QStringLiteral("Record"), QStringLiteral("Date Time")};
    for (size_t k = 2; k < heading.size(); ++k) {
        cells << QStringLiteral("%1 (%2)").arg(heading[k], heading[0])
              << heading[k] + QStringLiteral(" flag");
    }
    return cells;
}

std::optional<QStringList> CsvRecordCells(const DataFields& record, QString* error) {
    const std::optional<QString> when = IsoDateTime(record[1]);
    if (!when) {
        if (error)
            *error = QStringLiteral("the date and time \"%1\" is not yyyy/mm/dd hh:nn:ss")
                         .arg(record[1]);
        return std::nullopt;
    }
    QStringList cells{record[0], *when};
    for (size_t k = 2; k < record.size(); ++k) {
        const QString& text = record[k];
        const QString trimmed = text.trimmed();
        if (trimmed.isEmpty() || trimmed == kNoReading) {
            cells << QString() << QString();
        } else if (const std::optional<QString> number = CsvNumber(trimmed)) {
            cells << *number << QString();
        } else {
            cells << QString() << text; // "Over", "Under", or a text someone typed
        }
    }
    return cells;
}

QString CsvLine(const QStringList& cells) {
    QStringList quoted;
    quoted.reserve(cells.size());
    for (const QString& cell : cells) {
        if (cell.contains(QLatin1Char(',')) || cell.contains(QLatin1Char('"')) ||
            cell.contains(QLatin1Char('\r')) || cell.contains(QLatin1Char('\n'))) {
            QString doubled = cell;
            doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            quoted << QLatin1Char('"') + doubled + QLatin1Char('"');
        } else {
            quoted << cell;
        }
    }
    return quoted.join(QLatin1Char(','));
}

CsvConversion ConvertDataFileToCsv(const QString& path, const QByteArray& lineEnd) {
    QByteArray csv;
    CsvConversion result = ConvertDataFileToCsv(path, lineEnd, [&csv](const QByteArray& bytes) {
        csv += bytes;
        return true;
    });
    result.csv = csv;
    return result;
}

CsvConversion ConvertDataFileToCsv(const QString& path, const QByteArray& lineEnd,
                                   const CsvSink& sink) {
    CsvConversion result;
    QString lineError;
    qint64 badLine = 0;
    bool sinkFailed = false;
    QByteArray csv;
    csv.reserve(kCsvBufferBytes + 4096);
    DataFields fields;
    const CorrectedReadings corrected = ReadCorrectedOf(path);
    std::array<bool, 4> correctedChannels{};
    for (const auto& [number, row] : corrected.rows) {
        for (size_t k = 0; k < 4; ++k)
            correctedChannels[k] = correctedChannels[k] || row.corrected[k];
    }
    CsvCompanions companions(correctedChannels, ReadMarksOf(path));
    const bool extra = companions.Any();
    const DataFileReadResult read = ReadDataFile(
        path, [&](qint64 lineNumber, const DataFieldBytes& bytes, DataFileEncoding encoding) {
            if (lineNumber == 1 || !AppendAsciiRecord(csv, bytes, lineEnd)) {
                DecodeDataFields(bytes, encoding, &fields);
                if (!AppendCsvLine(csv, lineNumber, fields, lineEnd, &lineError)) {
                    badLine = lineNumber;
                    return false;
                }
            }
            if (extra && lineNumber == 1) {
                companions.AddToHeading(csv, lineEnd);
            } else if (extra) {
                const CorrectedRow* row = corrected.Row(bytes[0].toLongLong());
                std::array<QString, 4> texts;
                std::array<const QString*, 4> shown{};
                for (size_t k = 0; row && k < 4; ++k) {
                    if (row->corrected[k]) {
                        texts[k] = QString::fromUtf8(row->texts[k]);
                        shown[k] = &texts[k];
                    }
                }
                companions.AddToRecord(csv, lineEnd, bytes[0], ChannelTexts(bytes), shown);
            }
            if (lineNumber > 1)
                ++result.records;
            if (csv.size() >= kCsvBufferBytes) {
                sinkFailed = !sink(csv);
                csv.truncate(0);
            }
            return !sinkFailed;
        });
    if (!csv.isEmpty() && !sinkFailed)
        sink(csv);
    if (!read.opened) {
        result.fileError = true;
        result.error = QStringLiteral("cannot read %1: %2").arg(path, read.error);
    } else if (badLine > 0) {
        result.error = QStringLiteral("%1 line %2: %3").arg(path).arg(badLine).arg(lineError);
    } else if (read.stoppedAtLine > 0) {
        result.error = QStringLiteral("%1 line %2: not six TAB-separated fields; the lines "
                                      "before it were converted")
                           .arg(path)
                           .arg(read.stoppedAtLine);
    } else if (!read.error.isEmpty()) {
        result.error =
            QStringLiteral("%1: reading stopped after line %2").arg(read.error).arg(read.linesRead);
    } else if (read.linesRead == 0) {
        result.error = QStringLiteral("%1 is empty: no heading line").arg(path);
    }
    return result;
}

CsvConversion ConvertGridToCsv(const SixColumnModel& grid, const QByteArray& lineEnd,
                               const QList<Mark>& marks) {
    CsvConversion result;
    std::array<bool, 4> correctedChannels{};
    for (int row = 0; grid.AnyCorrected() && row < grid.rowCount(); ++row) {
        if (const SixColumnModel::CorrectedCells* cells = grid.Corrected(row)) {
            for (size_t k = 0; k < 4; ++k)
                correctedChannels[k] =
                    correctedChannels[k] || cells->kinds[k] != ReadingCorrection::None;
        }
    }
    CsvCompanions companions(correctedChannels, marks);
    const bool extra = companions.Any();
    AppendCsvLine(result.csv, 1, grid.Headings(), lineEnd, nullptr);
    if (extra)
        companions.AddToHeading(result.csv, lineEnd);
    QString lineError;
    for (int row = 0; row < grid.rowCount(); ++row) {
        // Model row r is grid row r + 1 and line r + 2 of the file the list would save.
        if (!AppendAsciiRecord(result.csv, grid.RowBytes(row), lineEnd) &&
            !AppendCsvLine(result.csv, row + 2, grid.RowTexts(row), lineEnd, &lineError)) {
            result.error = QStringLiteral("row %1: %2").arg(row + 1).arg(lineError);
            break;
        }
        if (extra) {
            const SixColumnModel::CorrectedCells* cells = grid.Corrected(row);
            std::array<const QString*, 4> shown{};
            for (size_t k = 0; cells && k < 4; ++k)
                shown[k] = cells->kinds[k] != ReadingCorrection::None ? &cells->texts[k] : nullptr;
            const DataFieldBytes bytes = grid.RowBytes(row);
            companions.AddToRecord(result.csv, lineEnd, bytes[0], ChannelTexts(bytes), shown);
        }
        ++result.records;
    }
    return result;
}
