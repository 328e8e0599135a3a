#include "compare/compare_csv.h"

#include "compare/comparison.h"
#include "recording/csv_export.h"

QByteArray ComparisonTableCsv(const Comparison& comparison, const QByteArray& lineEnd) {
    const auto line = [&](const std::array<QString, 8>& cells) {
        return CsvLine(QStringList(cells.begin(), cells.end())).toUtf8() + lineEnd;
    };
    QByteArray csv = line(Comparison::TableHeadings());
    for (int i = 0; i < int(comparison.Results().size()); ++i)
        csv += line(comparison.TableCells(i));
    return csv;
}

QByteArray AlignedSeriesCsv(const Comparison& comparison, const QByteArray& lineEnd) {
    const int runs = int(comparison.GetRuns().size());
    const QString unit = UnitName(comparison.Settings().fahrenheit);
    QStringList heading{QStringLiteral("time s")};
    std::vector<std::vector<Tenths>> values;
    for (int i = 0; i < runs; ++i) {
        heading << QStringLiteral("%1 (%2)").arg(comparison.GetRuns()[size_t(i)]->Name(), unit);
        values.push_back(comparison.AtReferenceTimes(i));
    }
    QByteArray csv = CsvLine(heading).toUtf8() + lineEnd;
    const std::vector<qint64> times = comparison.ReferenceTimes();
    csv.reserve(csv.size() + qsizetype(times.size()) * (8 + 7 * runs));
    for (size_t j = 0; j < times.size(); ++j) {
        csv += OneDecimalText(times[j]).toLatin1();
        for (int i = 0; i < runs; ++i) {
            csv += ',';
            const Tenths& v = values[size_t(i)][j];
            if (v.HasValue())
                csv += OneDecimalText(RoundHalfAway(v.num, v.den)).toLatin1();
        }
        csv += lineEnd;
    }
    return csv;
}
