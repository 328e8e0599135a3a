#include "recording/marks.h"

#include "recording/data_file.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <unistd.h>

QString Mark::What() const {
    return channel ? QStringLiteral("T%1 %2").arg(*channel + 1).arg(text) : text;
}

QString Mark::Label() const {
    return time.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(' ') + What();
}

std::optional<Mark> ParseMarkInput(const QString& input, QString* error) {
    QString text = input;
    text.replace(QLatin1Char('\t'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    text = text.trimmed();
    Mark mark;
    static const QRegularExpression channelPrefix(QStringLiteral("^[Tt]([1-4])\\s*:\\s*"));
    const QRegularExpressionMatch m = channelPrefix.match(text);
    if (m.hasMatch()) {
        mark.channel = m.captured(1).toInt() - 1;
        text = text.mid(m.capturedLength());
    }
    text.truncate(kMaxMarkLength);
    mark.text = text.trimmed();
    if (mark.text.isEmpty()) {
        *error = QStringLiteral("a mark needs a text");
        return std::nullopt;
    }
    return mark;
}

QString MarksFileName(const QString& dataFile) {
    return dataFile + QStringLiteral(".marks");
}

bool AppendMarkToFile(const QString& path, const Mark& mark, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = file.errorString();
        return false;
    }
    QByteArray line;
    if (file.size() == 0)
        line = "# Corvilab marks: date time, record it follows, channel, text\n";
    line += DateTimeText(mark.time).toUtf8() + '\t' + QByteArray::number(mark.afterRecord) + '\t' +
            (mark.channel ? "T" + QByteArray::number(*mark.channel + 1) : QByteArray()) + '\t' +
            mark.text.toUtf8() + '\n';
    // One write, then onto the disk: a mark placed is a mark kept.
    if (file.write(line) != line.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QList<Mark> ReadMarksOf(const QString& dataFile) {
    QList<Mark> marks;
    QFile file(MarksFileName(dataFile));
    if (!file.open(QIODevice::ReadOnly))
        return marks;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() < 4)
            continue;
        Mark mark;
        mark.time = QDateTime::fromString(fields[0], QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        bool ok = false;
        mark.afterRecord = fields[1].toLongLong(&ok);
        if (!mark.time.isValid() || !ok)
            continue;
        const QString channel = fields[2];
        if (channel.size() == 2 && channel[0] == QLatin1Char('T') &&
            channel[1] >= QLatin1Char('1') && channel[1] <= QLatin1Char('4'))
            mark.channel = channel[1].digitValue() - 1;
        mark.text = fields.mid(3).join(QLatin1Char(' '));
        marks << mark;
    }
    return marks;
}
