// The live web view as a browser, a script and Prometheus meet it: corvilab-cli serving the
// simulated meter on a pseudo-terminal, asked with raw HTTP over loopback.

#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "recording/sampler.h"
#include "serve/live_load.h"
#include "serve/live_server.h"
#include "support/fake_clock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A reading, no probe, over range and a negative reading, shown in °F.
const char* const kScenario = "unit F\n"
                              "channel 1 type K reading 734\n"
                              "channel 2 type J reading 0 probe off\n"
                              "channel 3 type T reading 652 over on\n"
                              "channel 4 type E reading -53\n";
const QByteArray kToken = "s3cret-token";
// The panel's texts of those readings, as `corvilab-cli live` prints them.
const QStringList kTexts{"73.4", "- - -", "Over", "-5.3"};

struct Reply {
    QByteArray statusLine;
    QByteArray head;
    QByteArray body;
    bool closed = false; // the server closed the connection after the reply
};

// One request on a fresh connection, and its whole reply.
Reply Exchange(quint16 port, const QByteArray& request, bool waitForClose = false) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    Reply reply;
    if (!socket.waitForConnected(5000))
        return {"no connection", {}, {}, false};
    socket.write(request);
    QByteArray got;
    qsizetype length = -1, end = -1;
    while (socket.waitForReadyRead(5000)) {
        got += socket.readAll();
        end = got.indexOf("\r\n\r\n");
        if (end >= 0 && length < 0) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("Content-Length: *(\\d+)"),
                                   QRegularExpression::CaseInsensitiveOption)
                    .match(QString::fromLatin1(got.left(end)));
            length = m.hasMatch() ? m.captured(1).toLongLong() : 0;
        }
        if (end >= 0 && got.size() >= end + 4 + length)
            break;
    }
    reply.statusLine = got.left(got.indexOf("\r\n"));
    reply.head = got.left(end);
    reply.body = got.mid(end + 4);
    reply.closed = socket.state() == QAbstractSocket::UnconnectedState ||
                   (waitForClose && socket.waitForDisconnected(5000));
    return reply;
}

QByteArray Get(const QByteArray& target, const QByteArray& token = kToken) {
    QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!token.isEmpty())
        request += "Authorization: Bearer " + token + "\r\n";
    return request + "\r\n";
}

} // namespace

class TestServe : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void live();
    void metrics_data();
    void metrics();
    void promtool();
    void samplesSince();
    void page();
    void browser();
    void refusals_data();
    void refusals();
    void boundedConnections();
    void underLoad();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QProcess meter_;
    QProcess cli_;
    quint16 port_ = 0;
};

void TestServe::initTestCase() {
    const QString sim = qEnvironmentVariable("CORVILAB_SIM", QStringLiteral(CORVILAB_SIM_PATH));
    dir_ = std::make_unique<QTemporaryDir>();
    QFile scenario(dir_->filePath("meter.txt")), token(dir_->filePath("token"));
    QVERIFY(scenario.open(QIODevice::WriteOnly) && scenario.write(kScenario) > 0);
    QVERIFY(token.open(QIODevice::WriteOnly) && token.write("  " + kToken + "\n") > 0);
    scenario.close();
    token.close();
    meter_.start(sim, {"--fast", "--scenario", scenario.fileName()});
    QVERIFY(meter_.waitForStarted(10000));
    QDeadlineTimer deadline(10000);
    while (!meter_.canReadLine() && !deadline.hasExpired())
        meter_.waitForReadyRead(100);
    const QString portName = QString::fromLocal8Bit(meter_.readLine()).trimmed();
    QVERIFY(!portName.isEmpty());

    cli_.start(QStringLiteral(CORVILAB_CLI), {"--port", portName, "serve", "--listen",
                                              "127.0.0.1:0", "--token-file", token.fileName()});
    QVERIFY(cli_.waitForStarted(10000));
    while (!cli_.canReadLine() && cli_.waitForReadyRead(10000)) {
    }
    cli_.setReadChannel(QProcess::StandardError);
    while (!cli_.canReadLine() && cli_.waitForReadyRead(10000)) {
    }
    const QString said = QString::fromLocal8Bit(cli_.readLine());
    const QRegularExpressionMatch m =
        QRegularExpression(
            QStringLiteral("^corvilab-cli: serving the live view at http://127.0.0.1:(\\d+)/\n$"))
            .match(said);
    QVERIFY2(m.hasMatch(), qPrintable(said));
    port_ = quint16(m.captured(1).toUInt());
    // Linked and sampled: the page has something to show.
    for (int i = 0; i < 100; ++i) {
        if (Exchange(port_, Get("/api/samples?since=0")).body.contains("\"number\":2"))
            return;
        QTest::qWait(100);
    }
    QFAIL("the served meter never took two samples");
}

void TestServe::cleanupTestCase() {
    for (QProcess* p : {&cli_, &meter_}) {
        p->terminate();
        if (!p->waitForFinished(5000))
            p->kill();
    }
}

void TestServe::live() {
    const Reply reply = Exchange(port_, Get("/api/live"));
    QCOMPARE(reply.statusLine, QByteArray("HTTP/1.1 200 OK"));
    QVERIFY(reply.head.contains("Content-Type: application/json"));
    const QJsonObject live = QJsonDocument::fromJson(reply.body).object();
    QCOMPARE(live["unit"].toString(), QStringLiteral("°F"));
    QCOMPARE(live["link"].toObject()["up"].toBool(), true);
    QCOMPARE(live["recording"].toObject()["on"].toBool(), false);
    const QJsonArray channels = live["channels"].toArray();
    QCOMPARE(channels.size(), 4);
    // The panel's texts, and the numbers beside them.
    const QStringList types{"K", "J", "T", "E"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(channels[i]["text"].toString(), kTexts[i]);
        QCOMPARE(channels[i]["type"].toString(), types[i]);
    }
    QCOMPARE(channels[0]["value"].toDouble(), 73.4);
    QCOMPARE(channels[0]["textC"].toString(), QStringLiteral("23.0"));
    QVERIFY(channels[1]["value"].isNull());
    QCOMPARE(channels[2]["over"].toBool(), true);
    QCOMPARE(channels[3]["textC"].toString(), QStringLiteral("-20.7"));
}

void TestServe::metrics_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("reading °C") << QByteArray(
        "corvilab_temperature_celsius{channel=\"1\",type=\"K\"} 23.0");
    QTest::newRow("reading °F") << QByteArray(
        "corvilab_temperature_degrees_f{channel=\"4\",type=\"E\"} -5.3");
    QTest::newRow("no probe") << QByteArray("corvilab_probe_present{channel=\"2\",type=\"J\"} 0");
    QTest::newRow("over") << QByteArray("corvilab_over_range{channel=\"3\",type=\"T\"} 1");
    QTest::newRow("alarm limit") << QByteArray(
        "corvilab_alarm_limit_celsius{channel=\"1\",type=\"K\"} 1370.0");
    QTest::newRow("alarm off") << QByteArray("corvilab_alarm_active{channel=\"1\",type=\"K\"} 0");
    QTest::newRow("link") << QByteArray("corvilab_link_up 1");
    QTest::newRow("recording") << QByteArray("corvilab_recording 0");
    QTest::newRow("no losses") << QByteArray("corvilab_link_losses_total 0");
}

void TestServe::metrics() {
    QFETCH(QByteArray, line);
    const Reply reply = Exchange(port_, Get("/metrics"));
    QCOMPARE(reply.statusLine, QByteArray("HTTP/1.1 200 OK"));
    QVERIFY2(reply.body.split('\n').contains(line), reply.body.constData());
    // A channel without a probe has no reading to alert on.
    QVERIFY(!reply.body.contains("corvilab_temperature_celsius{channel=\"2\""));
}

void TestServe::promtool() {
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    if (promtool.isEmpty())
        QSKIP("promtool is not installed (Debian package prometheus)");
    QProcess check;
    check.start(promtool, {"check", "metrics"});
    QVERIFY(check.waitForStarted());
    check.write(Exchange(port_, Get("/metrics")).body);
    check.closeWriteChannel();
    QVERIFY(check.waitForFinished(20000));
    QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());
}

void TestServe::samplesSince() {
    const QJsonObject all =
        QJsonDocument::fromJson(Exchange(port_, Get("/api/samples?since=0")).body).object();
    const qint64 last = all["last"].toInteger();
    QVERIFY(last >= 2);
    QCOMPARE(all["samples"].toArray().size(), last);
    const QJsonArray after =
        QJsonDocument::fromJson(Exchange(port_, Get("/api/samples?since=1")).body)
            .object()["samples"]
            .toArray();
    QCOMPARE(after.first()["number"].toInteger(), 2);
    QCOMPARE(after.first()["textF"].toArray()[2].toString(), QStringLiteral("Over"));
    QVERIFY(after.first()["valueC"].toArray()[1].isNull());
}

void TestServe::page() {
    const Reply reply = Exchange(port_, Get("/?token=" + kToken, {}));
    QCOMPARE(reply.statusLine, QByteArray("HTTP/1.1 200 OK"));
    QVERIFY(reply.head.contains("Content-Type: text/html; charset=utf-8"));
    // Nothing is fetched from elsewhere: no address but this server's own.
    QVERIFY(!reply.body.contains("http:") && !reply.body.contains("https:"));
    QVERIFY(reply.body.contains("id=\"reading${i}\"") && reply.body.contains("/api/live"));
}

void TestServe::browser() {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        QSKIP("no chromium here (Debian package chromium) to open the page with");
    QTemporaryDir profile;
    QProcess browser;
    // The page as rendered after three seconds of its own time: fetched, scripted and updated.
    browser.start(chromium,
                  {"--headless", "--no-sandbox", "--disable-gpu",
                   "--user-data-dir=" + profile.path(), "--virtual-time-budget=3000", "--dump-dom",
                   QStringLiteral("http://127.0.0.1:%1/?token=%2")
                       .arg(port_)
                       .arg(QString::fromLatin1(kToken))});
    QVERIFY(browser.waitForFinished(120000));
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    QStringList shown;
    const QRegularExpression reading(QStringLiteral("id=\"reading\\d\">([^<]*)<"));
    for (auto m = reading.globalMatch(dom); m.hasNext();)
        shown << m.next().captured(1);
    QCOMPARE(shown, kTexts);
}

void TestServe::refusals_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("statusLine");
    QTest::addColumn<bool>("closes");
    QTest::newRow("unknown path") << Get("/etc/passwd") << QByteArray("HTTP/1.1 404 Not Found")
                                  << false;
    QTest::newRow("no file served")
        << Get("/../live_page.html") << QByteArray("HTTP/1.1 404 Not Found") << false;
    QTest::newRow("POST") << QByteArray("POST /api/live HTTP/1.1\r\nAuthorization: Bearer " +
                                        kToken + "\r\nContent-Length: 2\r\n\r\n{}")
                          << QByteArray("HTTP/1.1 405 Method Not Allowed") << false;
    QTest::newRow("no token") << Get("/api/live", {}) << QByteArray("HTTP/1.1 401 Unauthorized")
                              << false;
    QTest::newRow("wrong token") << Get("/metrics", "guess")
                                 << QByteArray("HTTP/1.1 401 Unauthorized") << false;
    QTest::newRow("token in the address")
        << Get("/api/live?token=" + kToken, {}) << QByteArray("HTTP/1.1 200 OK") << false;
    QTest::newRow("bad since") << Get("/api/samples?since=x")
                               << QByteArray("HTTP/1.1 400 Bad Request") << false;
    QTest::newRow("garbage") << QByteArray("HELLO THERE\r\n\r\n")
                             << QByteArray("HTTP/1.1 400 Bad Request") << true;
    QTest::newRow("bad header") << QByteArray("GET / HTTP/1.1\r\nno colon here\r\n\r\n")
                                << QByteArray("HTTP/1.1 400 Bad Request") << true;
    QTest::newRow("huge header") << QByteArray("GET / HTTP/1.1\r\nX: " + QByteArray(9000, 'a') +
                                               "\r\n\r\n")
                                 << QByteArray("HTTP/1.1 413 Content Too Large") << true;
    QTest::newRow("huge body") << QByteArray("GET / HTTP/1.1\r\nContent-Length: 100000\r\n\r\n")
                               << QByteArray("HTTP/1.1 413 Content Too Large") << true;
}

void TestServe::refusals() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, statusLine);
    QFETCH(bool, closes);
    const Reply reply = Exchange(port_, request, closes);
    QCOMPARE(reply.statusLine, statusLine);
    if (closes)
        QVERIFY(reply.closed);
}

void TestServe::boundedConnections() {
    FakeClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    AlarmSettings alarms(live);
    Sampler sampler(clock, live, alarms);
    LiveServer server(live, link, alarms, sampler);
    LiveServer::Settings settings;
    settings.port = 0;
    settings.maxConnections = 2;
    QString error;
    QVERIFY2(server.Start(settings, &error), qPrintable(error));
    const quint16 port = quint16(QUrl(server.Url()).port());

    std::array<QTcpSocket, 3> clients;
    for (QTcpSocket& c : clients) {
        c.connectToHost(QHostAddress::LocalHost, port);
        // The one over the bound may be answered and closed before it is seen connected.
        QTRY_VERIFY(c.state() == QAbstractSocket::ConnectedState || c.bytesAvailable() > 0);
        QTest::qWait(50); // the server takes each one before the next comes
    }
    QTRY_VERIFY(clients[2].bytesAvailable() > 0);
    QVERIFY(clients[2].readAll().startsWith("HTTP/1.1 503 Service Unavailable\r\n"));
    // The two within the bound are served.
    clients[0].write(Get("/api/live", {}));
    QTRY_VERIFY(clients[0].bytesAvailable() > 0);
    QVERIFY(clients[0].readAll().startsWith("HTTP/1.1 200 OK\r\n"));
}

void TestServe::underLoad() {
    // Fifty pages open at ten refreshes a second: every one answered, and the recording beside
    // them takes every second's sample, on whole lines.
    const QString file = dir_->filePath("load.4ch");
    const LiveLoad load = RunLiveLoad(
        QStringLiteral(CORVILAB_CLI),
        qEnvironmentVariable("CORVILAB_SIM", QStringLiteral(CORVILAB_SIM_PATH)), file, 50, 10, 5);
    QVERIFY2(load.failure.isEmpty(), qPrintable(load.failure));
    QCOMPARE(load.bad, 0);
    QVERIFY(load.answered > 0);
    QCOMPARE(load.exitCode, 0);
    QCOMPARE(load.errors, QByteArray());
    QVERIFY(load.fileWhole);
    QVERIFY2(load.recordNumbers.size() >= 2,
             qPrintable(QString::number(load.recordNumbers.size())));
    // Times are whole seconds: a sample taken a little early, the next a little late, are
    // two seconds apart in the file; a missed one would be three.
    for (int i = 0; i < load.recordNumbers.size(); ++i) {
        QCOMPARE(load.recordNumbers[i], i + 1);
        if (i > 0)
            QVERIFY(load.recordTimes[i - 1].secsTo(load.recordTimes[i]) <= 2);
    }
}

QTEST_GUILESS_MAIN(TestServe)
#include "tst_serve.moc"
