#include "link/serial_port.h"

#include <QSerialPort>

OpenedPort OpenMeterPort(const QString& name) {
    OpenedPort result;
    if (name.trimmed().isEmpty()) {
        result.error = QStringLiteral("No port chosen");
        return result;
    }
    auto port = std::make_unique<QSerialPort>(name);
    port->setBaudRate(QSerialPort::Baud19200);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        result.error = port->errorString();
        return result;
    }
    result.port = std::move(port);
    return result;
}
