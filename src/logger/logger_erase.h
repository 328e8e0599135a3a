#pragma once

#include <QByteArray>
#include <QString>

class MeterLink;

// The two parts of the logger memory the meter erases: the value is the last byte of the
// erase command "W" 00 00 k.
enum class EraseKind { Manual = 1, Automatic = 2 };

// The confirmation asked before an erase.
QString EraseWarningText(EraseKind kind);

// The erase command bytes: "W", 0, 0, k.
QByteArray EraseCommandBytes(EraseKind kind);

// Erases one part of the meter's logger memory: with polling off, a status query, the
// four-byte command written in one piece, then a 0.2 s wait. The meter sends
// no answer. False when the status query did not come back (the link was cancelled): then
// nothing was sent.
bool EraseLoggerMemory(MeterLink& link, EraseKind kind);
