#include "logger/logger_erase.h"

#include "link/meter_link.h"
#include "link/meter_timers.h"

#include <QByteArray>

QString EraseWarningText(EraseKind kind) {
    return kind == EraseKind::Automatic
               ? QStringLiteral("All the Automatically Recorded data in memory will be deleted!")
               : QStringLiteral("All the Manually Recorded data in memory will be deleted!");
}

QByteArray EraseCommandBytes(EraseKind kind) {
    return QByteArray("W\0\0", 3) + char(kind);
}

bool EraseLoggerMemory(MeterLink& link, EraseKind kind) {
    // Sampling goes on: the erase is short and reads nothing.
    ExchangeGuard guard(link.Timers(), ExchangeGuard::Pause::Polling);
    if (!link.QueryStatus())
        return false;
    link.SendCommand(EraseCommandBytes(kind));
    link.Wait(0.2);
    return true;
}
