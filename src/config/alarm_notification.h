#pragma once

#include "config/alarm_events.h"

#include <QDBusConnection>

// Shows an event on the desktop through the freedesktop notification service on `bus`. The
// call is sent without waiting for an answer: a desktop without the service costs nothing.
void SendAlarmNotification(const AlarmEvent& event,
                           const QDBusConnection& bus = QDBusConnection::sessionBus());
