#include "config/alarm_log.h"

#include "recording/csv_export.h"

#include <QFile>

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
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
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
