#pragma once

#include <QByteArray>

// Bytes written as hex, blanks between them allowed: "02 0D 08 03".
inline QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex); // skips the blanks
}
