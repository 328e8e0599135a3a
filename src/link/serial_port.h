#pragma once

#include <QString>
#include <memory>

class QSerialPort;

// The result of opening the meter's port: the port, or the system's reason why not.
struct OpenedPort {
    std::unique_ptr<QSerialPort> port;
    QString error;
};

// Opens a serial port by name ("COM3" on Windows, a device path such as /dev/ttyUSB0
// elsewhere) at 19200 baud, 8 data bits, no parity, 1 stop bit, no flow control.
OpenedPort OpenMeterPort(const QString& name);
