// The live web view as a browser, a script and Prometheus meet it: corvilab-cli serving the
// simulated meter on a pseudo-terminal, asked with raw HTTP over loopback.

#include "calibration/calibration.h"
#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "recording/sampler.h"
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
// As `openssl rand -base64` makes them, and a "%" that looks like an escape.
const QByteArray kToken = "r4nd+om/tok=en%41";
// The panel's texts of those readings, as `corvilab-cli live` prints them.
const QStringList kTexts{"73.4", "- - -", "Over", "-5.3"};

struct Reply {
    QByteArray statusLine;
    QByteArray head;
    QByteArray body;
    bool closed = false; // the server closed the connection after the reply
};

// One request on a fresh connection, sent in pieces that arrive apart, and its whole reply.
// The waits run the event loop, so the server may be in this process.
Reply Exchange(quint16 port, const QByteArrayList& pieces) {
    QTcpSocket socket;
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket.connectToHost(QHostAddress::LocalHost, port);
    Reply reply;
    QByteArray got;
    for (const QByteArray& piece : pieces) {
        QTest::qWait(30);
        socket.write(piece);
    }
    qsizetype end = -1, length = 0;
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && (end < 0 || got.size() < end + 4 + length)) {
        QTest::qWait(5);
        got += socket.readAll();
        end = got.indexOf("\r\n\r\n");
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("\r\nContent-Length: *(\\d+)"))
                .match(QString::fromLatin1(got.left(end)));
        // A HEAD answer tells the length of a body that does not follow.
        length =
            m.hasMatch() && !pieces.first().startsWith("HEAD") ? m.captured(1).toLongLong() : 0;
    }
    reply.statusLine = got.left(got.indexOf("\r\n"));
    reply.head = got.left(end);
    reply.body = got.mid(end + 4);
    QTest::qWait(50);
    reply.body += socket.readAll();
    reply.closed = socket.state() == QAbstractSocket::UnconnectedState;
    return reply;
}

QByteArray Get(const QByteArray& target, const QByteArray& token = kToken,
               const QByteArray& method = "GET", const QByteArray& version = "HTTP/1.1") {
    QByteArray request = method + ' ' + target + ' ' + version + "\r\nHost: 127.0.0.1\r\n";
    if (!token.isEmpty())
        request += "Authorization: Bearer " + token + "\r\n";
    return request + "\r\n";
}

Reply Exchange(quint16 port, const QByteArray& request) {
    return Exchange(port, QByteArrayList{request});
}

// The live view served in this process, of a meter never linked.
struct LocalServer {
    FakeClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link{clock, timers, live};
    AlarmSettings alarms{live};
    Sampler sampler{clock, live, alarms, 16};
    LiveServer server{live, link, alarms, sampler};
    quint16 port = 0;

    explicit LocalServer(LiveServer::Settings settings) {
        settings.port = 0;
        QString error;
        if (server.Start(settings, &error))
            port = quint16(QUrl(server.Url()).port());
    }
};

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
    void truth_data();
    void truth();
    void requests_data();
    void requests();
    void slowClientsMakeRoom();
    void corrected_data();
    void corrected();
    void marks_data();
    void marks();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QProcess meter_;
    QProcess cli_;
    QString portName_;
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

    portName_ = portName;
    cli_.start(QStringLiteral(CORVILAB_CLI),
               {"--port", portName, "serve", "--listen", "127.0.0.1:0", "--token-file",
                token.fileName(), "--alarm", "T1>=70", "--alarm", "T4<=-10"});
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
    QCOMPARE(live["program"].toString(), QStringLiteral("corvilab-cli"));
    QCOMPARE(live["port"].toString(), portName_);
    QCOMPARE(live["unit"].toString(), QStringLiteral("°F"));
    QCOMPARE(live["link"].toObject()["up"].toBool(), true);
    QCOMPARE(live["recording"].toObject()["on"].toBool(), false);
    const QJsonArray channels = live["channels"].toArray();
    QCOMPARE(channels.size(), 4);
    // The panel's texts, and the numbers beside them; none beside "- - -" and "Over".
    const QStringList types{"K", "J", "T", "E"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(channels[i]["text"].toString(), kTexts[i]);
        QCOMPARE(channels[i]["type"].toString(), types[i]);
        QCOMPARE(channels[i]["fresh"].toBool(), true);
        QCOMPARE(channels[i]["value"].isNull(), i == 1 || i == 2);
    }
    QCOMPARE(channels[0]["value"].toDouble(), 73.4);
    QCOMPARE(channels[0]["textC"].toString(), QStringLiteral("23.0"));
    QCOMPARE(channels[2]["over"].toBool(), true);
    QCOMPARE(channels[3]["textC"].toString(), QStringLiteral("-20.7"));
    // The limits of --alarm, in the readings' unit.
    QCOMPARE(channels[0]["alarm"].toBool(), true);
    QCOMPARE(channels[0]["alarmF"].toDouble(), 70.0);
    QCOMPARE(channels[3]["alarmLowF"].toDouble(), -10.0);
}

void TestServe::metrics_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("reading °C") << QByteArray(
        "corvilab_temperature_celsius{channel=\"1\",type=\"K\"} 23.0");
    QTest::newRow("reading °F") << QByteArray(
        "corvilab_temperature_degrees_f{channel=\"4\",type=\"E\"} -5.3");
    QTest::newRow("fresh") << QByteArray("corvilab_reading_fresh{channel=\"1\",type=\"K\"} 1");
    QTest::newRow("no probe") << QByteArray("corvilab_probe_present{channel=\"2\",type=\"J\"} 0");
    QTest::newRow("over") << QByteArray("corvilab_over_range{channel=\"3\",type=\"T\"} 1");
    QTest::newRow("--alarm T1>=70")
        << QByteArray("corvilab_alarm_limit_degrees_f{channel=\"1\",type=\"K\"} 70.0");
    QTest::newRow("--alarm T1>=70 in °C")
        << QByteArray("corvilab_alarm_limit_celsius{channel=\"1\",type=\"K\"} 21.1");
    QTest::newRow("73.4 at 70") << QByteArray("corvilab_alarm_active{channel=\"1\",type=\"K\"} 1");
    QTest::newRow("--alarm T4<=-10")
        << QByteArray("corvilab_alarm_low_limit_degrees_f{channel=\"4\",type=\"E\"} -10.0");
    QTest::newRow("-5.3 above -10")
        << QByteArray("corvilab_alarm_active{channel=\"4\",type=\"E\"} 0");
    QTest::newRow("link") << QByteArray("corvilab_link_up 1");
    QTest::newRow("recording") << QByteArray("corvilab_recording 0");
    QTest::newRow("no losses") << QByteArray("corvilab_link_losses_total 0");
    QTest::newRow("no marks") << QByteArray("corvilab_marks_total 0");
}

void TestServe::metrics() {
    QFETCH(QByteArray, line);
    const Reply reply = Exchange(port_, Get("/metrics"));
    QCOMPARE(reply.statusLine, QByteArray("HTTP/1.1 200 OK"));
    QVERIFY2(reply.body.split('\n').contains(line), reply.body.constData());
    // "- - -" and "Over" are no temperatures, and no limit is set where --alarm set none.
    QVERIFY(!reply.body.contains("corvilab_temperature_celsius{channel=\"2\""));
    QVERIFY(!reply.body.contains("corvilab_temperature_celsius{channel=\"3\""));
    QVERIFY(!reply.body.contains("corvilab_alarm_limit_celsius{channel=\"2\""));
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
    QVERIFY(after.first()["valueF"].toArray()[2].isNull());
    QVERIFY(after.first()["valueC"].toArray()[1].isNull());
}

void TestServe::page() {
    const Reply reply = Exchange(port_, Get("/?token=" + kToken.toPercentEncoding(), {}));
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
    // The page as rendered after three seconds of its own time: fetched, scripted and updated,
    // its own requests carrying the token as its address does.
    browser.start(chromium,
                  {"--headless", "--no-sandbox", "--disable-gpu",
                   "--user-data-dir=" + profile.path(), "--virtual-time-budget=3000", "--dump-dom",
                   QStringLiteral("http://127.0.0.1:%1/?token=%2")
                       .arg(port_)
                       .arg(QString::fromLatin1(kToken.toPercentEncoding()))});
    QVERIFY(browser.waitForFinished(120000));
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    QStringList shown;
    const QRegularExpression reading(QStringLiteral("id=\"reading\\d\">([^<]*)<"));
    for (auto m = reading.globalMatch(dom); m.hasNext();)
        shown << m.next().captured(1);
    QCOMPARE(shown, kTexts);
    QVERIFY2(dom.contains(QStringLiteral("<title>Corvilab %1</title>").arg(portName_)),
             qPrintable(dom.left(400)));
}

void TestServe::truth_data() {
    QTest::addColumn<int>("flags"); // of T1's packet: 0x08 probe, 0x20 over, 0x40 under
    QTest::addColumn<int>("ageMs"); // since the packet came
    QTest::addColumn<bool>("linkLost");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number"); // a value beside the text, and a temperature metric
    QTest::addColumn<QByteArray>("metric");
    QTest::newRow("current") << 0x08 << 2900 << false << "23.0" << true
                             << QByteArray("corvilab_temperature_celsius{channel=\"1\","
                                           "type=\"K\"} 23.0");
    QTest::newRow("Over") << 0x28 << 0 << false << "Over" << false
                          << QByteArray("corvilab_over_range{channel=\"1\",type=\"K\"} 1");
    QTest::newRow("Under") << 0x48 << 0 << false << "Under" << false
                           << QByteArray("corvilab_under_range{channel=\"1\",type=\"K\"} 1");
    QTest::newRow("no probe") << 0x00 << 0 << false << "- - -" << false
                              << QByteArray("corvilab_probe_present{channel=\"1\",type=\"K\"} 0");
    QTest::newRow("stale") << 0x08 << 3000 << false << "23.0" << false
                           << QByteArray("corvilab_reading_fresh{channel=\"1\",type=\"K\"} 0");
    QTest::newRow("link lost") << 0x08 << 0 << true << "23.0" << false
                               << QByteArray("corvilab_link_up 0");
}

void TestServe::truth() {
    QFETCH(int, flags);
    QFETCH(int, ageMs);
    QFETCH(bool, linkLost);
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(QByteArray, metric);
    LocalServer local({});
    // T1, type K, 73.4 °F, shown in °C.
    QByteArray packet = QByteArray::fromHex("020000080049040000000003");
    packet[3] = char(flags);
    local.live.DecodePacket(packet);
    local.live.MarkRead(0, local.clock.now.addMSecs(-ageMs));
    local.link.SetLinkLost(linkLost);
    const ServeCounters counters;
    const std::deque<NumberedSample> history;
    const LiveSources sources{local.live, local.link,      {},        nullptr, counters,
                              history,    local.clock.now, "corvilab"};
    const QJsonObject t1 =
        QJsonDocument::fromJson(LiveJson(sources)).object()["channels"].toArray()[0].toObject();
    QCOMPARE(t1["text"].toString(), text);
    QCOMPARE(!t1["value"].isNull(), number);
    QCOMPARE(t1["fresh"].toBool(), ageMs < 3000 && !linkLost);
    const QByteArrayList lines = MetricsText(sources).split('\n');
    QVERIFY2(lines.contains(metric), MetricsText(sources).constData());
    QCOMPARE(MetricsText(sources).contains("corvilab_temperature_celsius{"), number);
}

void TestServe::requests_data() {
    QTest::addColumn<QByteArrayList>("pieces"); // each sent on its own, a moment apart
    QTest::addColumn<QByteArray>("statusLine");
    QTest::addColumn<bool>("closes");
    const QByteArray bearer = "Authorization: Bearer " + kToken + "\r\n";
    const auto row = [](const char* name, const QByteArrayList& pieces, const char* status,
                        bool closes) {
        QTest::newRow(name) << pieces << QByteArray("HTTP/1.1 ") + status << closes;
    };
    row("whole", {Get("/api/live")}, "200 OK", false);
    row("in two pieces", {"GET /api/live HTTP/1.1\r\n" + bearer + "Ho", "st: x\r\n\r\n"}, "200 OK",
        false);
    row("cut in its line ends", {"GET /metrics HTTP/1.1\r", "\n" + bearer + "\r", "\n"}, "200 OK",
        false);
    row("HEAD", {Get("/api/live", kToken, "HEAD")}, "200 OK", false);
    row("Connection: close",
        {"GET /metrics HTTP/1.1\r\nConnection: keep-alive, close\r\n" + bearer + "\r\n"}, "200 OK",
        true);
    row("HTTP/1.0", {Get("/metrics", kToken, "GET", "HTTP/1.0")}, "200 OK", true);
    row("token in the address, encoded", {Get("/api/live?token=" + kToken.toPercentEncoding(), {})},
        "200 OK", false);
    row("no token", {Get("/api/live", {})}, "401 Unauthorized", false);
    row("wrong token", {Get("/metrics", "r4nd+om/tok=en%42")}, "401 Unauthorized", false);
    row("token in another item", {Get("/metrics?x=" + kToken.toPercentEncoding(), {})},
        "401 Unauthorized", false);
    row("unknown path", {Get("/etc/passwd")}, "404 Not Found", false);
    row("no file served", {Get("/../live_page.html")}, "404 Not Found", false);
    row("bad since", {Get("/api/samples?since=x")}, "400 Bad Request", false);
    row("POST", {"POST /api/live HTTP/1.1\r\n" + bearer + "Content-Length: 2\r\n\r\n{}"},
        "405 Method Not Allowed", false);
    row("garbage", {"HELLO THERE\r\n\r\n"}, "400 Bad Request", true);
    row("bad header", {"GET / HTTP/1.1\r\nno colon here\r\n\r\n"}, "400 Bad Request", true);
    row("HTTP/2.0", {Get("/", kToken, "GET", "HTTP/2.0")}, "505 HTTP Version Not Supported", true);
    row("head over 64 KiB", {"GET / HTTP/1.1\r\nX: " + QByteArray(70000, 'a') + "\r\n\r\n"},
        "431 Request Header Fields Too Large", true);
    row("body over 1 KiB", {"GET / HTTP/1.1\r\nContent-Length: 1025\r\n\r\n"},
        "413 Content Too Large", true);
    row("chunked body", {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"},
        "413 Content Too Large", true);
    row("head not whole in time", {"GET / HTTP/1.1\r\n"}, "408 Request Timeout", true);
}

void TestServe::requests() {
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArray, statusLine);
    QFETCH(bool, closes);
    LiveServer::Settings settings;
    settings.token = kToken;
    settings.limits.requestMs = 300;
    LocalServer local(settings);
    const Reply reply = Exchange(local.port, pieces);
    QCOMPARE(reply.statusLine, statusLine);
    QCOMPARE(reply.closed, closes);
    // HEAD: the head of the GET answer, with its length, and no body.
    if (pieces.first().startsWith("HEAD")) {
        QVERIFY(reply.head.contains("Content-Length: ") && !reply.head.contains("Length: 0"));
        QCOMPARE(reply.body, QByteArray());
    }
}

void TestServe::slowClientsMakeRoom() {
    LiveServer::Settings settings;
    settings.limits.maxConnections = 2;
    LocalServer local(settings);
    // Two clients that never finish their requests fill the server.
    std::array<QTcpSocket, 2> slow;
    for (QTcpSocket& c : slow) {
        c.connectToHost(QHostAddress::LocalHost, local.port);
        c.write("GET / HTTP/1.1\r\n");
        QTest::qWait(50);
    }
    // A new client is answered; the oldest unfinished one made room.
    QCOMPARE(Exchange(local.port, Get("/api/live", {})).statusLine, QByteArray("HTTP/1.1 200 OK"));
    QCOMPARE(slow[0].state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(slow[1].state(), QAbstractSocket::ConnectedState);
}

void TestServe::corrected_data() {
    QTest::addColumn<int>("flags"); // of T1's packet: 0x08 probe, 0x20 over
    QTest::addColumn<QString>("calibration");
    QTest::addColumn<QByteArray>("json"); // what /api/live says of T1's reading
    QTest::addColumn<QByteArray>("metric");
    const auto row = [](const char* name, int flags, const char* calibration, const char* json,
                        const char* metric) {
        QTest::newRow(name) << flags << QString(calibration) << QByteArray(json)
                            << QByteArray(metric);
    };
    row("as read", 0x08, "",
        R"({"beyondCalibration":false,"corrected":false,"text":"23.0","value":23})",
        "corvilab_temperature_celsius{channel=\"1\",type=\"K\"} 23.0");
    row("offset", 0x08, "T1 C offset -0.3",
        R"({"beyondCalibration":false,"corrected":true,"raw":23,"rawText":"23.0","text":"22.7",)"
        R"("value":22.7})",
        "corvilab_temperature_celsius{channel=\"1\",type=\"K\"} 22.7");
    row("raw beside it", 0x08, "T1 F offset -0.5",
        R"({"beyondCalibration":false,"corrected":true,"raw":23,"rawText":"23.0","text":"22.7",)"
        R"("value":22.7})",
        "corvilab_reading_raw_celsius{channel=\"1\",type=\"K\"} 23.0");
    row("beyond the table", 0x08, "T1 C table 0 0.5 20 0.4",
        R"({"beyondCalibration":true,"corrected":true,"raw":23,"rawText":"23.0","text":"23.4",)"
        R"("value":23.4})",
        "corvilab_reading_beyond_calibration{channel=\"1\",type=\"K\"} 1");
    row("Over is never corrected", 0x28, "T1 C offset -0.3",
        R"({"beyondCalibration":false,"corrected":false,"text":"Over","value":null})",
        "corvilab_over_range{channel=\"1\",type=\"K\"} 1");
}

// The live state and the metrics of T1 reading 23.0 °C under a calibration correction.
void TestServe::corrected() {
    QFETCH(int, flags);
    QFETCH(QString, calibration);
    QFETCH(QByteArray, json);
    QFETCH(QByteArray, metric);
    LocalServer local({});
    QByteArray packet = QByteArray::fromHex("020000080049040000000003");
    packet[3] = char(flags);
    local.live.DecodePacket(packet);
    local.live.MarkRead(0, local.clock.now);
    local.link.SetLinkLost(false);
    QString error;
    const std::optional<Calibration> corrections = Calibration::Parse(calibration, &error);
    QVERIFY2(corrections, qPrintable(error));
    const ServeCounters counters;
    const std::deque<NumberedSample> history;
    const LiveSources sources{local.live, local.link,      {},         nullptr,      counters,
                              history,    local.clock.now, "corvilab", &*corrections};
    QJsonObject t1 =
        QJsonDocument::fromJson(LiveJson(sources)).object()["channels"].toArray()[0].toObject();
    QJsonObject shown;
    for (const char* key : {"text", "value", "corrected", "beyondCalibration", "rawText", "raw"}) {
        if (t1.contains(key))
            shown.insert(key, t1[key]);
    }
    QCOMPARE(QJsonDocument(shown).toJson(QJsonDocument::Compact), json);
    const QByteArray metrics = MetricsText(sources);
    QVERIFY2(metrics.split('\n').contains(metric), metrics.constData());
    QCOMPARE(metrics.contains("corvilab_reading_raw_celsius{"), json.contains("\"raw\""));
}

void TestServe::marks_data() {
    QTest::addColumn<bool>("markable"); // --mark-token given
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("statusLine");
    QTest::addColumn<QByteArray>("body");
    const auto post = [](const QByteArray& token, const QByteArray& type, const QByteArray& body) {
        return "POST /api/mark HTTP/1.1\r\n" +
               (token.isEmpty() ? QByteArray() : "Authorization: Bearer " + token + "\r\n") +
               "Content-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\n\r\n" + body;
    };
    const QByteArray json = "application/json", form = "application/x-www-form-urlencoded";
    const auto row = [](const char* name, bool markable, const QByteArray& request,
                        const char* status, const char* body) {
        QTest::newRow(name) << markable << request << QByteArray("HTTP/1.1 ") + status
                            << QByteArray(body);
    };
    row("JSON", true, post(kToken, json, R"({"text": "load in"})"), "201 Created",
        R"({"channel":null,"text":"load in","time":"2026/12/06 10:00:00"})");
    row("form, one channel", true, post(kToken, form, "text=door+opened&channel=T2"), "201 Created",
        R"({"channel":2,"text":"door opened","time":"2026/12/06 10:00:00"})");
    row("wrong token", true, post("r4nd+om/tok=en%42", json, R"({"text": "x"})"), "403 Forbidden",
        "placing a mark needs the mark token: Authorization: Bearer TOKEN\n");
    row("no token", true, post({}, json, R"({"text": "x"})"), "403 Forbidden",
        "placing a mark needs the mark token: Authorization: Bearer TOKEN\n");
    row("no text", true, post(kToken, form, "text=+"), "400 Bad Request", "a mark needs a text\n");
    row("body over 1 KiB", true, post(kToken, form, "text=" + QByteArray(1100, 'a')),
        "413 Content Too Large", "request too large\n");
    row("no mark token set", false, post(kToken, json, R"({"text": "x"})"),
        "405 Method Not Allowed", "only GET and HEAD are served\n");
}

// POST /api/mark places a mark only with the mark token; the live state lists it.
void TestServe::marks() {
    QFETCH(bool, markable);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, statusLine);
    QFETCH(QByteArray, body);
    LiveServer::Settings settings;
    settings.markToken = markable ? kToken : QByteArray();
    LocalServer local(settings);
    QList<Mark> marks;
    local.server.SetMarks(&marks, [&](const Mark& mark, QString*, Mark* placed) {
        marks.append(mark);
        marks.last().time = local.clock.now;
        *placed = marks.last();
        return true;
    });
    const Reply reply = Exchange(local.port, request);
    QCOMPARE(reply.statusLine, statusLine);
    QCOMPARE(reply.body, body);
    const QJsonArray listed =
        QJsonDocument::fromJson(Exchange(local.port, Get("/api/live", {})).body)
            .object()["marks"]
            .toArray();
    QCOMPARE(QJsonDocument(listed).toJson(QJsonDocument::Compact),
             statusLine.contains("201") ? "[" + body + "]" : QByteArray("[]"));
}

QTEST_GUILESS_MAIN(TestServe)
#include "tst_serve.moc"
