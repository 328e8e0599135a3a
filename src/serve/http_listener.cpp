#include "serve/http_listener.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

#include <sys/socket.h>

namespace {

QByteArray Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 413:
        return "Content Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Error";
    }
}

// What a socket reads from the system at a time; more waits there, not in memory.
constexpr qint64 kReadChunk = 16 * 1024;

} // namespace

// One client's connection: its bytes go through the reader, one request after another, and
// one timer holds whichever of its deadlines applies now.
class HttpListener::Connection : public QObject {
public:
    Connection(HttpListener& owner, QTcpSocket* socket)
        : QObject(&owner)
        , owner_(owner)
        , socket_(socket) {
        socket_->setParent(this);
        socket_->setReadBufferSize(kReadChunk);
        timer_.setSingleShot(true);
        connect(socket_, &QTcpSocket::readyRead, this, &Connection::Read);
        connect(socket_, &QTcpSocket::bytesWritten, this, &Connection::Written);
        connect(socket_, &QTcpSocket::disconnected, this, [this] { owner_.Drop(this); });
        connect(&timer_, &QTimer::timeout, this, &Connection::Expired);
        timer_.start(owner_.limits_.idleMs);
    }

    // Those done with their last answer give way first, then those that wait for a request or
    // are sending one, and last those whose answer is still being written.
    int EvictionRank() const { return socket_->bytesToWrite() > 0 ? 2 : closing_ ? 0 : 1; }
    // Closed at once; the place is free for another.
    void Abort() {
        socket_->abort();
        owner_.Drop(this);
    }

private:
    void Read() {
        while (socket_->bytesAvailable() > 0) {
            const QByteArray data = socket_->read(kReadChunk);
            if (closing_)
                continue; // what comes after the last answer is dropped
            for (qsizetype at = 0; !closing_;) {
                const bool begun = reader_.Begun();
                at += reader_.Feed(QByteArrayView(data).sliced(at));
                if (!begun && reader_.Begun())
                    timer_.start(owner_.limits_.requestMs);
                if (reader_.GetState() == HttpRequestReader::State::Complete)
                    Answer(reader_.TakeRequest());
                else if (reader_.GetState() == HttpRequestReader::State::Refused)
                    Refuse(reader_.Refusal().status, reader_.Refusal().text);
                else
                    break; // every byte taken; the rest of the request is still to come
            }
        }
    }

    void Answer(const HttpRequest& request) {
        const HttpAnswer answer = owner_.handler_(request);
        const bool close = !request.KeepAlive();
        socket_->write(AnswerBytes(answer, request.method != "HEAD", close));
        if (socket_->bytesToWrite() > owner_.limits_.maxUnsentBytes) {
            closing_ = true;
            Abort();
        } else if (close) {
            Finish();
        } else {
            timer_.start(owner_.limits_.idleMs);
        }
    }

    void Refuse(int status, const QByteArray& text) {
        socket_->write(
            AnswerBytes({status, text + '\n', {{"Content-Type", "text/plain"}}}, true, true));
        Finish();
    }

    // After the last answer: the answer goes out whole, then this side closes, and what the
    // client still sends is read and dropped until it closes too.
    void Finish() {
        closing_ = true;
        timer_.start(owner_.limits_.idleMs);
        Written();
    }

    // An answer that goes out keeps the connection from counting as idle.
    void Written() {
        if (!closing_) {
            if (!reader_.Begun())
                timer_.start(owner_.limits_.idleMs);
        } else if (socket_->bytesToWrite() > 0) {
            timer_.start(owner_.limits_.idleMs);
        } else if (!shutDown_) {
            shutDown_ = true;
            ::shutdown(int(socket_->socketDescriptor()), SHUT_WR);
            timer_.start(owner_.limits_.lingerMs);
        }
    }

    void Expired() {
        if (closing_ || socket_->state() != QAbstractSocket::ConnectedState ||
            (!reader_.Begun() && socket_->bytesToWrite() > 0)) {
            Abort(); // done, or a client that has read nothing for so long
        } else if (reader_.Begun()) {
            Refuse(408, "the request did not come whole in time");
        } else {
            socket_->disconnectFromHost();
            if (socket_->state() == QAbstractSocket::UnconnectedState)
                owner_.Drop(this);
        }
    }

    HttpListener& owner_;
    QTcpSocket* socket_;
    QTimer timer_;
    HttpRequestReader reader_;
    bool closing_ = false;
    bool shutDown_ = false;
};

HttpListener::HttpListener(Handler handler, QObject* parent)
    : QObject(parent)
    , handler_(std::move(handler)) {}

HttpListener::~HttpListener() = default;

bool HttpListener::Listen(const QHostAddress& address, quint16 port, const Limits& limits,
                          QString* error) {
    limits_ = limits;
    tcp_ = new QTcpServer(this);
    connect(tcp_, &QTcpServer::newConnection, this, &HttpListener::Accept);
    if (!tcp_->listen(address, port)) {
        *error = tcp_->errorString();
        delete tcp_;
        tcp_ = nullptr;
        return false;
    }
    return true;
}

bool HttpListener::IsListening() const {
    return tcp_ && tcp_->isListening();
}

QHostAddress HttpListener::Address() const {
    return tcp_ ? tcp_->serverAddress() : QHostAddress();
}

quint16 HttpListener::Port() const {
    return tcp_ ? tcp_->serverPort() : 0;
}

void HttpListener::Accept() {
    while (QTcpSocket* socket = tcp_->nextPendingConnection()) {
        if (int(connections_.size()) >= limits_.maxConnections) {
            Connection* victim = nullptr;
            for (Connection* c : connections_) {
                if (!victim || c->EvictionRank() < victim->EvictionRank())
                    victim = c;
            }
            victim->Abort();
        }
        connections_.push_back(new Connection(*this, socket));
    }
}

void HttpListener::Drop(Connection* connection) {
    const auto at = std::find(connections_.begin(), connections_.end(), connection);
    if (at == connections_.end())
        return;
    connections_.erase(at);
    connection->deleteLater();
}

QByteArray HttpListener::AnswerBytes(const HttpAnswer& answer, bool withBody, bool closing) {
    QByteArray bytes =
        "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + Reason(answer.status) + "\r\n";
    for (const auto& [name, value] : answer.headers)
        bytes += name + ": " + value + "\r\n";
    bytes += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    if (closing)
        bytes += "Connection: close\r\n";
    bytes += "\r\n";
    if (withBody)
        bytes += answer.body;
    return bytes;
}
