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
    QFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error_ = file.errorString();
        return false;
    }
    QByteArray lines;
    if (file.size() == 0)
        lines = CsvLine(HeadingCells()).toUtf8() + '\n';
    lines += CsvLine(Cells(event)).toUtf8() + '\n';
    if (file.write(lines) != lines.size() || !file.flush()) {
        error_ = file.errorString();
        return false;
    }
    error_.clear();
    return true;
}
