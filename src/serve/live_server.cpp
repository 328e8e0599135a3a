#include "serve/live_server.h"

#include "link/meter_link.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

namespace {

using Status = QHttpServerResponder::StatusCode;

// A response a socket gets before Qt HTTP Server sees its request: the request is refused, so
// the connection closes after it.
void Refuse(QTcpSocket* socket, const QByteArray& status, const QByteArray& text) {
    // The server's own reading of this socket stops here.
    QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/plain; charset=utf-8\r\n" +
                  "Content-Length: " + QByteArray::number(text.size() + 1) +
                  "\r\nConnection: close\r\n\r\n" + text + '\n');
    socket->disconnectFromHost();
}

// Qt HTTP Server 6.4 has no bound on connections or request sizes and does not answer a
// malformed request. This listener adds them: it counts the open connections, closes idle ones,
// and looks at every request's head before the server reads it.
class GuardedListener : public QTcpServer {
public:
    GuardedListener(int maxConnections, int idleMs, QObject* parent)
        : QTcpServer(parent)
        , maxConnections_(maxConnections)
        , idleMs_(idleMs) {}

protected:
    void incomingConnection(qintptr handle) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            return;
        }
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (open_ >= maxConnections_) {
            Refuse(socket, "503 Service Unavailable", "too many connections");
            return;
        }
        ++open_;
        connect(socket, &QObject::destroyed, this, [this] { --open_; });
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        connect(idle, &QTimer::timeout, socket, &QObject::deleteLater);
        idle->start(idleMs_);
        // Connected before the server's own handler, so this runs first.
        connect(socket, &QTcpSocket::readyRead, socket, [socket, idle] {
            idle->start();
            Check(socket);
        });
        addPendingConnection(socket);
        Q_EMIT newConnection();
    }

private:
    static void Check(QTcpSocket* socket) {
        const QByteArray head = socket->peek(LiveServer::kMaxHeaderBytes + 4);
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0) {
            if (head.size() > LiveServer::kMaxHeaderBytes)
                Refuse(socket, "413 Content Too Large", "request too large");
            else if (head.contains('\n') && !RequestLineOk(head.left(head.indexOf('\n'))))
                Refuse(socket, "400 Bad Request", "malformed request");
            return;
        }
        const QList<QByteArray> lines = head.left(end).split('\n');
        static const QRegularExpression header(QStringLiteral("^[!#$%&'*+.^_`|~0-9A-Za-z-]+:"));
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].chopped(lines[i].endsWith('\r') ? 1 : 0);
            if (!header.match(QString::fromLatin1(line)).hasMatch()) {
                Refuse(socket, "400 Bad Request", "malformed request");
                return;
            }
            const QByteArray name = line.left(line.indexOf(':')).toLower();
            const QByteArray value = line.mid(line.indexOf(':') + 1).trimmed();
            bool number = false;
            if (name == "content-length" &&
                (value.toLongLong(&number) > LiveServer::kMaxBodyBytes || !number)) {
                Refuse(socket, number ? "413 Content Too Large" : "400 Bad Request",
                       number ? "request too large" : "malformed request");
                return;
            }
            if (name == "transfer-encoding") {
                Refuse(socket, "413 Content Too Large", "request bodies are not taken");
                return;
            }
        }
        if (!RequestLineOk(lines.first()))
            Refuse(socket, "400 Bad Request", "malformed request");
    }

    static bool RequestLineOk(const QByteArray& line) {
        static const QRegularExpression shape(QStringLiteral("^[A-Z]+ [!-~]+ HTTP/1\\.[01]\\r?$"));
        return shape.match(QString::fromLatin1(line)).hasMatch();
    }

    const int maxConnections_;
    const int idleMs_;
    int open_ = 0;
};

// A client that asks faster than it reads is dropped rather than buffered without end.
constexpr qint64 kMaxUnsentBytes = 4 * 1024 * 1024;

bool TokenGiven(const QHttpServerRequest& request, const QByteArray& token) {
    if (request.query().queryItemValue(QStringLiteral("token")).toUtf8() == token)
        return true;
    return request.value("Authorization") == "Bearer " + token;
}

} // namespace

LiveServer::LiveServer(const LiveState& live, const MeterLink& link, const AlarmSettings& alarms,
                       const Sampler& sampler, QObject* parent)
    : QAbstractHttpServer(parent)
    , live_(live)
    , link_(link)
    , alarms_(alarms) {
    connect(&sampler, &Sampler::SampleTaken, this, &LiveServer::Sampled);
    connect(&link, &MeterLink::LinkCaptionChanged, this, [this](const QString& caption) {
        const bool lost = caption == QLatin1String("No COM");
        if (lost && !linkWasLost_)
            ++counters_.linkLosses;
        linkWasLost_ = lost;
    });
    linkWasLost_ = link.LinkLost;
}

LiveServer::~LiveServer() = default;

bool LiveServer::Start(const Settings& settings, QString* error) {
    settings_ = settings;
    auto* tcp = new GuardedListener(settings.maxConnections, settings.idleMs, this);
    if (!tcp->listen(settings.address, settings.port)) {
        *error = QStringLiteral("cannot serve on %1:%2: %3")
                     .arg(settings.address.toString())
                     .arg(settings.port)
                     .arg(tcp->errorString());
        delete tcp;
        return false;
    }
    bind(tcp);
    tcp_ = tcp;
    return true;
}

bool LiveServer::Listening() const {
    return tcp_ && tcp_->isListening();
}

QString LiveServer::Url() const {
    if (!Listening())
        return {};
    const QHostAddress address = tcp_->serverAddress();
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return QStringLiteral("http://%1:%2/").arg(host).arg(tcp_->serverPort());
}

bool LiveServer::ParseListen(const QString& text, QHostAddress* address, quint16* port,
                             QString* error) {
    static const QRegularExpression shape(
        QStringLiteral("^(\\[(.+)\\]|([^:\\[\\]]+)):(\\d{1,5})$"));
    const QRegularExpressionMatch m = shape.match(text);
    const uint number = m.hasMatch() ? m.captured(4).toUInt() : 0;
    const QString host = m.captured(2).isEmpty() ? m.captured(3) : m.captured(2);
    if (!m.hasMatch() || number > 65535 || !address->setAddress(host)) {
        *error = QStringLiteral("'%1' is not ADDRESS:PORT (for example 127.0.0.1:8080 or "
                                "0.0.0.0:8080)")
                     .arg(text);
        return false;
    }
    *port = quint16(number);
    return true;
}

bool LiveServer::ReadTokenFile(const QString& path, QByteArray* token, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    *token = file.readLine().trimmed();
    if (token->isEmpty()) {
        *error = QStringLiteral("%1 holds no token on its first line").arg(path);
        return false;
    }
    return true;
}

void LiveServer::Sampled(const SampleRecord& record) {
    history_.push_back({++counters_.samples, record});
    while (int(history_.size()) > settings_.historySamples)
        history_.pop_front();
}

LiveSources LiveServer::Sources() const {
    return {live_, link_, alarms_, recorder_, counters_, history_};
}

bool LiveServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    if (socket->bytesToWrite() > kMaxUnsentBytes) {
        socket->abort();
        return true;
    }
    QHttpServerResponder responder = makeResponder(request, socket);
    const auto text = [&responder](const QByteArray& body, Status status) {
        responder.write(
            body + '\n',
            {{"Content-Type", "text/plain; charset=utf-8"}, {"Cache-Control", "no-store"}}, status);
    };
    if (request.method() != QHttpServerRequest::Method::Get) {
        responder.write(QByteArray("only GET is served\n"),
                        {{"Content-Type", "text/plain; charset=utf-8"}, {"Allow", "GET"}},
                        Status::MethodNotAllowed);
        return true;
    }
    if (!settings_.token.isEmpty() && !TokenGiven(request, settings_.token)) {
        text("a token is needed: add ?token=... to the address", Status::Unauthorized);
        return true;
    }
    const QString path = request.url().path();
    const auto json = [&responder](const QByteArray& body) {
        responder.write(body, {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}},
                        Status::Ok);
    };
    if (path == QLatin1String("/")) {
        QFile page(QStringLiteral(":/serve/live_page.html"));
        page.open(QIODevice::ReadOnly);
        // Everything the page needs is in it; it may only talk back to this server.
        responder.write(page.readAll(),
                        {{"Content-Type", "text/html; charset=utf-8"},
                         {"Cache-Control", "no-store"},
                         {"Content-Security-Policy",
                          "default-src 'none'; script-src 'unsafe-inline'; "
                          "style-src 'unsafe-inline'; connect-src 'self'; img-src data:"}},
                        Status::Ok);
    } else if (path == QLatin1String("/api/live")) {
        json(LiveJson(Sources()));
    } else if (path == QLatin1String("/api/samples")) {
        const QUrlQuery query = request.query();
        bool number = true;
        const qint64 since = query.hasQueryItem(QStringLiteral("since"))
                                 ? query.queryItemValue(QStringLiteral("since")).toLongLong(&number)
                                 : 0;
        if (!number || since < 0)
            text("since is a sample number from 0", Status::BadRequest);
        else
            json(SamplesJson(Sources(), since));
    } else if (path == QLatin1String("/metrics")) {
        responder.write(MetricsText(Sources()),
                        {{"Content-Type", "text/plain; version=0.0.4; charset=utf-8"},
                         {"Cache-Control", "no-store"}},
                        Status::Ok);
    } else {
        text("not found", Status::NotFound);
    }
    return true;
}

void LiveServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    makeResponder(request, socket).write(Status::NotFound);
}
