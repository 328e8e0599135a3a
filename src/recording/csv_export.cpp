#include "recording/csv_export.h"

#include "views/six_column_model.h"

#include <QRegularExpression>

namespace {

const QString kOver = QStringLiteral("Over");
const QString kUnder = QStringLiteral("Under");
const QString kNoReading = QStringLiteral("- - -");

// Data file line `lineNumber` (1 the heading) as a CSV line onto `result`. False for a record
// line whose date and time cannot be read, with the reason in `lineError`.
bool AppendCsvLine(CsvConversion& result, qint64 lineNumber, const DataFields& fields,
                   const QByteArray& lineEnd, QString* lineError) {
    if (lineNumber == 1) {
        result.csv += CsvLine(CsvHeadingCells(fields)).toUtf8() + lineEnd;
        return true;
    }
    const std::optional<QStringList> cells = CsvRecordCells(fields, lineError);
    if (!cells)
        return false;
    result.csv += CsvLine(*cells).toUtf8() + lineEnd;
    ++result.records;
    return true;
}

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
    CsvConversion result;
    QString lineError;
    qint64 badLine = 0;
    const DataFileReadResult read =
        ReadDataFile(path, [&](qint64 lineNumber, const DataFields& fields) {
            if (AppendCsvLine(result, lineNumber, fields, lineEnd, &lineError))
                return true;
            badLine = lineNumber;
            return false;
        });
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
    } else if (read.linesRead == 0) {
        result.error = QStringLiteral("%1 is empty: no heading line").arg(path);
    }
    return result;
}

CsvConversion ConvertGridToCsv(const SixColumnModel& grid, const QByteArray& lineEnd) {
    CsvConversion result;
    AppendCsvLine(result, 1, grid.Headings(), lineEnd, nullptr);
    QString lineError;
    for (int row = 0; row < grid.rowCount(); ++row) {
        // Model row r is grid row r + 1 and line r + 2 of the file the list would save.
        if (!AppendCsvLine(result, row + 2, grid.RowTexts(row), lineEnd, &lineError)) {
            result.error = QStringLiteral("row %1: %2").arg(row + 1).arg(lineError);
            break;
        }
    }
    return result;
}
