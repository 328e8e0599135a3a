#include "recording/corrected_file.h"

namespace {

QByteArray ChannelList(const std::array<bool, 4>& which) {
    QByteArrayList names;
    for (size_t i = 0; i < which.size(); ++i) {
        if (which[i])
            names << "T" + QByteArray::number(int(i) + 1);
    }
    return names.join(' ');
}

std::array<bool, 4> ChannelsIn(const QString& list) {
    std::array<bool, 4> which{};
    for (const QString& name : list.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const int n = name.mid(1).toInt();
        if (name.startsWith(QLatin1Char('T')) && n >= 1 && n <= 4)
            which[size_t(n - 1)] = true;
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
        bytes += QByteArray(kFrom.data()) + QByteArray::number(fromRecord) + ": " + line.toUtf8() +
                 '\n';
    return Write(bytes);
}

bool CorrectedFileWriter::WriteRecord(qint64 recordNumber, const QString& dateTimeText,
                                      const CorrectedRow& row) {
    QByteArray line = QByteArray::number(recordNumber) + '\t' + dateTimeText.toUtf8();
    for (const QString& text : row.texts)
        line += '\t' + text.toUtf8();
    line += '\t' + ChannelList(row.corrected) + '\t' + ChannelList(row.beyond) + '\n';
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
    const auto it = rows.constFind(recordNumber);
    return it == rows.cend() ? nullptr : &it.value();
}

CorrectedReadings ReadCorrectedOf(const QString& dataFile) {
    CorrectedReadings readings;
    QFile file(CorrectedFileName(dataFile));
    if (!file.open(QIODevice::ReadOnly))
        return readings;
    while (!file.atEnd()) {
        const QByteArray bytes = file.readLine();
        const QString line = QString::fromUtf8(bytes.endsWith('\n') ? bytes.chopped(1) : bytes);
        if (line.startsWith(kFrom)) {
            readings.corrections << line.mid(2);
            continue;
        }
        const QStringList fields = line.split(QLatin1Char('\t'));
        bool ok = false;
        const qint64 number = fields.value(0).toLongLong(&ok);
        if (!ok || fields.size() < 8)
            continue;
        CorrectedRow row;
        for (int i = 0; i < 4; ++i)
            row.texts[size_t(i)] = fields[2 + i];
        row.corrected = ChannelsIn(fields[6]);
        row.beyond = ChannelsIn(fields[7]);
        readings.rows.insert(number, row);
    }
    return readings;
}
