#include "recording/corrected_file.h"

#include <algorithm>

namespace {

QByteArray ChannelList(const std::array<bool, 4>& which) {
    QByteArrayList names;
    for (size_t i = 0; i < which.size(); ++i) {
        if (which[i])
            names << "T" + QByteArray::number(int(i) + 1);
    }
    return names.join(' ');
}

std::array<bool, 4> ChannelsIn(QByteArrayView list) {
    // "T1 T3": a 'T' and a digit for each channel named.
    std::array<bool, 4> which{};
    for (qsizetype i = 0; i + 1 < list.size(); ++i) {
        if (list[i] == 'T' && list[i + 1] >= '1' && list[i + 1] <= '4')
            which[size_t(list[i + 1] - '1')] = true;
    }
    return which;
}

const QLatin1String kFrom("# from record ");

} // namespace

QString CorrectedFileName(const QString& dataFile) {
    return dataFile + QStringLiteral(".corrected");
}

bool CorrectedFileWriter::Open(const QString& path) {
    Close();
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error_ = file_.errorString();
        return false;
    }
    return Write("# Corvilab corrected readings; the data file keeps what the meter read\n"
                 "No.\tDate Time\tT1\tT2\tT3\tT4\tCorrected\tBeyond\n");
}

bool CorrectedFileWriter::WriteCorrections(qint64 fromRecord, const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes +=
            QByteArray(kFrom.data()) + QByteArray::number(fromRecord) + ": " + line.toUtf8() + '\n';
    return Write(bytes);
}

bool CorrectedFileWriter::WriteRecord(qint64 recordNumber, const QString& dateTimeText,
                                      const std::array<QString, 4>& texts,
                                      const std::array<bool, 4>& corrected,
                                      const std::array<bool, 4>& beyond) {
    QByteArray line = QByteArray::number(recordNumber) + '\t' + dateTimeText.toUtf8();
    for (const QString& text : texts)
        line += '\t' + text.toUtf8();
    line += '\t' + ChannelList(corrected) + '\t' + ChannelList(beyond) + '\n';
    return Write(line);
}

bool CorrectedFileWriter::Close() {
    if (!file_.isOpen())
        return true;
    const bool flushed = file_.flush();
    if (!flushed)
        error_ = file_.errorString();
    file_.close();
    return flushed;
}

bool CorrectedFileWriter::Write(const QByteArray& bytes) {
    // One write per record, as for the data file: a crash leaves whole lines.
    if (file_.write(bytes) != bytes.size() || !file_.flush()) {
        error_ = file_.errorString();
        return false;
    }
    error_.clear();
    return true;
}

const CorrectedRow* CorrectedReadings::Row(qint64 recordNumber) const {
    if (rows.empty())
        return nullptr;
    // Records follow each other: most lookups land where the numbering says.
    const qint64 guess = recordNumber - rows.front().first;
    if (guess >= 0 && guess < qint64(rows.size()) && rows[size_t(guess)].first == recordNumber)
        return &rows[size_t(guess)].second;
    const auto it = std::lower_bound(
        rows.begin(), rows.end(), recordNumber,
        [](const std::pair<qint64, CorrectedRow>& row, qint64 n) { return row.first < n; });
    return it != rows.end() && it->first == recordNumber ? &it->second : nullptr;
}

CorrectedReadings ReadCorrectedOf(const QString& dataFile) {
    CorrectedReadings readings;
    QFile file(CorrectedFileName(dataFile));
    if (!file.open(QIODevice::ReadOnly))
        return readings;
    readings.bytes = file.readAll();
    const QByteArrayView all(readings.bytes);
    readings.rows.reserve(size_t(all.size() / 40)); // a record's line is some 40 bytes
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            end = all.size();
        const QByteArrayView line = all.sliced(start, end - start);
        start = end + 1;
        if (line.startsWith(QByteArrayView(kFrom.data(), kFrom.size()))) {
            readings.corrections << QString::fromUtf8(line.sliced(2));
            continue;
        }
        std::array<QByteArrayView, 8> fields;
        qsizetype at = 0;
        size_t n = 0;
        for (; n < fields.size(); ++n) {
            const qsizetype tab = line.indexOf('\t', at);
            fields[n] = line.sliced(at, (tab < 0 ? line.size() : tab) - at);
            if (tab < 0)
                break;
            at = tab + 1;
        }
        bool ok = false;
        const qint64 number = fields[0].toLongLong(&ok);
        if (!ok || n < 7)
            continue;
        CorrectedRow row;
        row.corrected = ChannelsIn(fields[6]);
        row.beyond = ChannelsIn(fields[7]);
        // A channel not corrected reads as the data file has it: its text is not kept twice.
        for (size_t i = 0; i < 4; ++i) {
            if (row.corrected[i])
                row.texts[i] = fields[2 + i];
        }
        // A file edited out of order is put back in order below.
        readings.rows.emplace_back(number, std::move(row));
    }
    auto& rows = readings.rows;
    if (!std::is_sorted(rows.begin(), rows.end(),
                        [](const auto& a, const auto& b) { return a.first < b.first; }))
        std::stable_sort(rows.begin(), rows.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    return readings;
}
