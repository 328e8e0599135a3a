#pragma once

// One HTTP/1.x request read from a connection's bytes, however the network cuts them: a byte at
// a time, a line in two pieces, or several requests in one read. Only bytes in, a whole request
// or a refusal out: no socket, no clock, so every way of cutting a request can be tried.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <utility>

struct HttpRequest {
    QByteArray method; // "GET", "HEAD", ...
    QByteArray target; // "/api/live?token=..."
    int minorVersion = 1;
    // In the order they came; names in lower case, values without the blanks around them.
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body; // at most HttpRequestReader::kMaxBodyBytes

    // The first value of the header `name` (lower case); empty when there is none.
    QByteArray Header(QByteArrayView name) const;
    // The target before "?", and after it.
    QByteArray Path() const;
    QByteArray Query() const;
    // HTTP/1.1 keeps the connection for the next request unless the client says "close";
    // HTTP/1.0 closes after the answer.
    bool KeepAlive() const;
};

// Why a request is not taken; the connection closes after the answer.
struct HttpRefusal {
    int status = 400;
    QByteArray text;
};

class HttpRequestReader {
public:
    // The request line and the headers together, and a body (only a mark's is looked at; a mark
    // is a short line, so anything larger is no mark).
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;
    static constexpr qsizetype kMaxBodyBytes = 1024;

    enum class State {
        Waiting,  // nothing of a request yet
        Head,     // the request line and headers are coming
        Body,     // the head is whole; its body is being read
        Complete, // a whole request waits to be taken
        Refused,  // the bytes are no request that is taken; nothing more is read
    };

    // Takes bytes from the front of `bytes` up to the end of one request, and no further:
    // returns how many it took. Takes nothing once a request is complete (until it is taken)
    // or refused.
    qsizetype Feed(QByteArrayView bytes);

    State GetState() const { return state_; }
    // Bytes of an unfinished request have come: the time a client has for its request runs.
    bool Begun() const { return state_ == State::Head || state_ == State::Body; }
    // The complete request; the reader then waits for the next one.
    HttpRequest TakeRequest();
    const HttpRefusal& Refusal() const { return refusal_; }
    // Bytes held now; never more than kMaxHeadBytes.
    qsizetype Held() const { return head_.size(); }

private:
    // A whole line of the head, without its line end.
    void TakeLine(QByteArrayView line);
    void TakeRequestLine(QByteArrayView line);
    void TakeHeader(QByteArrayView line);
    void EndHead();
    void Refuse(int status, const char* text);

    State state_ = State::Waiting;
    QByteArray head_;
    qsizetype lineStart_ = 0; // where the line being read begins in head_
    bool requestLineSeen_ = false;
    qsizetype bodyLeft_ = 0;
    HttpRequest request_;
    HttpRefusal refusal_;
};
