#include "link/serial_port.h"

OpenedPort OpenMeterPort(const QString& name) {
    OpenedPort result;
    if (name.trimmed().isEmpty()) {
        result.error = QStringLiteral("No port chosen");
        return result;
    }
    auto port = std::make_unique<SerialLine>(name);
    if (!port->open(QIODevice::ReadWrite)) {
        result.error = port->errorString();
        return result;
    }
    result.port = std::move(port);
    return result;
}
