#pragma once

#include <QCoreApplication>
#include <QEvent>

// Lets the windows closed meanwhile go, as the event loop would.
inline void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
