#include "config/alarm_notification.h"

#include <QDBusMessage>
#include <QVariantMap>

void SendAlarmNotification(const AlarmEvent& event, const QDBusConnection& bus) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QString summary =
        QStringLiteral("Corvilab: %1 %2")
            .arg(event.channel < 0 ? QStringLiteral("meter") : event.ChannelText(),
                 AlarmEventName(event.kind));
    // Urgency 2 (critical) keeps the start of an alarm on screen until it is dismissed.
    const QVariantMap hints{
        {QStringLiteral("urgency"), QVariant::fromValue(uchar(IsAlarmStart(event.kind) ? 2 : 1))}};
    call << QStringLiteral("Corvilab") << 0u << QString() << summary << event.Describe()
         << QStringList() << hints << -1;
    bus.send(call);
}
