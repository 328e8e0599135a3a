#include "ui/remembered.h"

#include <QSettings>

namespace {

// Named here rather than by the application object, so that every program and test that
// shows a window reads and writes the same file.
QSettings Settings() {
    return QSettings(QStringLiteral("Corvilab"), QStringLiteral("Corvilab"));
}

} // namespace

QVariant Remembered(const QString& key) {
    return Settings().value(key);
}

void Remember(const QString& key, const QVariant& value) {
    Settings().setValue(key, value);
}
