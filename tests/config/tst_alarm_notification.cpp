// A desktop notification reaches a notification server: the test starts a private session bus
// and serves org.freedesktop.Notifications on it itself.

#include "config/alarm_notification.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

Q_DECLARE_METATYPE(AlarmEvent)

namespace {

const QDateTime kStart(QDate(2026, 12, 7), QTime(5, 21, 0));

// The notification server's one method that matters, recording what it was told.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received;

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        Q_UNUSED(replaces);
        Q_UNUSED(icon);
        Q_UNUSED(actions);
        Q_UNUSED(timeout);
        received << QStringList{app, summary, body,
                                QString::number(hints.value("urgency").toUInt())}
                        .join(QLatin1Char('|'));
        return uint(received.size());
    }
};

} // namespace

class TestAlarmNotification : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void notify_data();
    void notify();

private:
    QProcess bus_;
    QString address_;
};

void TestAlarmNotification::initTestCase() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("no dbus-daemon on this machine to start a private session bus with");
    bus_.start(daemon, {"--session", "--nofork", "--print-address=1"});
    QVERIFY(bus_.waitForStarted());
    while (!bus_.canReadLine() && bus_.waitForReadyRead(10000)) {
    }
    address_ = QString::fromUtf8(bus_.readLine()).trimmed();
    QVERIFY2(!address_.isEmpty(), "the private bus printed no address");
}

void TestAlarmNotification::cleanupTestCase() {
    QDBusConnection::disconnectFromBus(QStringLiteral("server"));
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
    bus_.kill();
    bus_.waitForFinished();
}

void TestAlarmNotification::notify_data() {
    QTest::addColumn<AlarmEvent>("event");
    QTest::addColumn<QString>("shown"); // application|summary|body|urgency
    QTest::newRow("a high alarm starts")
        << AlarmEvent{AlarmEventKind::High, 0, "250.3", "250", "°C", kStart}
        << "Corvilab|Corvilab: T1 high|05:21:00 T1 high 250.3 (limit 250 °C)|2";
    QTest::newRow("a corrected reading's alarm says so")
        << AlarmEvent{AlarmEventKind::High, 1, "250.1", "250", "°C", kStart, true}
        << "Corvilab|Corvilab: T2 high|05:21:00 T2 high 250.1 corrected (limit 250 °C)|2";
    QTest::newRow("the link is back")
        << AlarmEvent{AlarmEventKind::LinkBack, -1, "", "30", "s", kStart}
        << "Corvilab|Corvilab: meter link-back|05:21:00 link-back (limit 30 s)|1";
}

void TestAlarmNotification::notify() {
    QFETCH(AlarmEvent, event);
    QFETCH(QString, shown);
    QDBusConnection server = QDBusConnection::connectToBus(address_, QStringLiteral("server"));
    QDBusConnection program = QDBusConnection::connectToBus(address_, QStringLiteral("program"));
    QVERIFY(server.isConnected() && program.isConnected());
    NotificationServer listener;
    QVERIFY(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &listener,
                                  QDBusConnection::ExportAllSlots));
    QVERIFY(server.registerService(QStringLiteral("org.freedesktop.Notifications")));

    SendAlarmNotification(event, program);
    QTRY_COMPARE(listener.received, QStringList{shown});
    server.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    server.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
}

QTEST_GUILESS_MAIN(TestAlarmNotification)
#include "tst_alarm_notification.moc"
