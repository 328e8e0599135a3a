#include "config/alarm_log.h"

#include "recording/csv_export.h"

#include <QFile>
#include <QFileInfo>

QStringList AlarmLog::HeadingCells() {
    return {QStringLiteral("time"), QStringLiteral("channel"), QStringLiteral("event"),
            QStringLiteral("value"), QStringLiteral("limit")};
}

QStringList AlarmLog::Cells(const AlarmEvent& event) {
    return {event.TimeText(), event.ChannelText(), AlarmEventName(event.kind), event.value,
            event.limit};
}

bool AlarmLog::Append(const AlarmEvent& event) {
    return AppendLines(CsvLine(Cells(event)).toUtf8() + '\n');
}

bool AlarmLog::Begin() {
    return AppendLines(QByteArray());
}

bool AlarmLog::AppendLines(const QByteArray& lines) {
    QFile file(path_);
    // Opening to append moves to the end of the file, which a device or a pipe has none of (Qt
    // warns of the seek): those are written as they stand.
    const QFileInfo info(path_);
    const bool stream = info.exists() && !info.isFile();
    if (!file.open(stream ? QIODevice::WriteOnly : QIODevice::WriteOnly | QIODevice::Append)) {
        error_ = file.errorString();
        return false;
    }
    QByteArray bytes;
    if (file.size() == 0)
        bytes = CsvLine(HeadingCells()).toUtf8() + '\n';
    bytes += lines;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        error_ = file.errorString();
        return false;
    }
    error_.clear();
    return true;
}
