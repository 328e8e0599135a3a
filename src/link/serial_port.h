#pragma once

#include "link/serial_line.h"

#include <QString>
#include <memory>

// The result of opening the meter's port: the port, or the system's reason why not.
struct OpenedPort {
    std::unique_ptr<SerialLine> port;
    QString error;
};

// Opens a serial port by its device path (/dev/ttyUSB0) at 19200 baud, 8 data bits, no parity,
// 1 stop bit, no flow control.
OpenedPort OpenMeterPort(const QString& name);
