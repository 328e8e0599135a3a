#pragma once

// The connections of the live web view: accepts them, reads each request whole with an
// HttpRequestReader, hands it to the handler and writes the answer. It bounds what one client
// may hold before anything else is looked at: bytes (the reader's bounds), time (a request has
// to be whole soon after its first byte, an idle connection is closed) and connections (at the
// bound, the oldest connection that is not being answered makes room for a new one, so slow or
// idle clients cannot lock others out).

#include "serve/http_request_reader.h"

#include <QHostAddress>
#include <QObject>

#include <functional>
#include <list>

class QTcpServer;

// The answer to one request. Content-Length and, when the connection closes after it,
// "Connection: close" are added; a HEAD request gets the same head without the body.
struct HttpAnswer {
    int status = 200;
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers; // Content-Type, Cache-Control, ...
};

class HttpListener : public QObject {
    Q_OBJECT
public:
    struct Limits {
        int maxConnections = 64;
        int idleMs = 30000;    // a connection that asks nothing this long is closed
        int requestMs = 10000; // a request has to be whole this long after its first byte
        // After its last answer a connection reads and drops what the client still sends, so
        // that the answer is not lost to a reset, for at most this long.
        int lingerMs = 2000;
        // A client that asks faster than it reads is dropped rather than buffered without end.
        qint64 maxUnsentBytes = 4 * 1024 * 1024;
    };
    using Handler = std::function<HttpAnswer(const HttpRequest&)>;

    explicit HttpListener(Handler handler, QObject* parent = nullptr);
    ~HttpListener() override;

    // False with the reason in `error` (the address is taken, not this machine's, ...).
    bool Listen(const QHostAddress& address, quint16 port, const Limits& limits, QString* error);
    bool IsListening() const;
    QHostAddress Address() const;
    quint16 Port() const;

    // The bytes of an answer: status line, headers, and the body when `withBody`.
    static QByteArray AnswerBytes(const HttpAnswer& answer, bool withBody, bool closing);

private:
    class Connection;
    void Accept();
    void Drop(Connection* connection);

    Handler handler_;
    Limits limits_;
    QTcpServer* tcp_ = nullptr;
    std::list<Connection*> connections_; // oldest first
};
