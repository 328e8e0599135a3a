#include "serve/http_request_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

bool IsTokenChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr);
}

bool IsToken(const QByteArray& text) {
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (!IsTokenChar(c))
            return false;
    }
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The bytes a header value may hold: visible ones, blanks and any byte above 127.
bool IsValueText(const QByteArray& text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F)
            return false;
    }
    return true;
}

QByteArray TrimBlanks(const QByteArray& text) {
    qsizetype from = 0, to = text.size();
    while (from < to && IsBlank(text[from]))
        ++from;
    while (to > from && IsBlank(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

} // namespace

QByteArray HttpRequest::Header(QByteArrayView name) const {
    for (const auto& [key, value] : headers) {
        if (key == name)
            return value;
    }
    return {};
}

QByteArray HttpRequest::Path() const {
    const qsizetype mark = target.indexOf('?');
    return mark < 0 ? target : target.left(mark);
}

QByteArray HttpRequest::Query() const {
    const qsizetype mark = target.indexOf('?');
    return mark < 0 ? QByteArray() : target.mid(mark + 1);
}

bool HttpRequest::KeepAlive() const {
    if (minorVersion == 0)
        return false;
    for (const auto& [key, value] : headers) {
        if (key != "connection")
            continue;
        for (const QByteArray& option : value.split(',')) {
            if (TrimBlanks(option).compare("close", Qt::CaseInsensitive) == 0)
                return false;
        }
    }
    return true;
}

qsizetype HttpRequestReader::Feed(QByteArrayView bytes) {
    qsizetype taken = 0;
    while (taken < bytes.size()) {
        if (state_ == State::Complete || state_ == State::Refused)
            break;
        if (state_ == State::Body) {
            const qsizetype n = std::min(bodyLeft_, bytes.size() - taken);
            request_.body.append(bytes.data() + taken, n);
            bodyLeft_ -= n;
            taken += n;
            if (bodyLeft_ == 0)
                state_ = State::Complete;
            continue;
        }
        // The head is taken a line at a time, and never beyond its bound.
        const qsizetype room = kMaxHeadBytes - head_.size();
        if (room == 0) {
            Refuse(431, "the request line and headers are larger than 64 KiB");
            break;
        }
        const qsizetype size = std::min(room, bytes.size() - taken);
        const char* from = bytes.data() + taken;
        const auto* end = static_cast<const char*>(std::memchr(from, '\n', size_t(size)));
        const qsizetype n = end ? qsizetype(end - from) + 1 : size;
        head_.append(from, n);
        taken += n;
        state_ = State::Head;
        if (end) {
            QByteArray line = head_.mid(lineStart_, head_.size() - lineStart_ - 1);
            lineStart_ = head_.size();
            if (line.endsWith('\r'))
                line.chop(1);
            TakeLine(line);
        }
    }
    return taken;
}

void HttpRequestReader::TakeLine(QByteArrayView line) {
    if (!requestLineSeen_) {
        // Empty lines before a request line are left over from the one before: passed over.
        if (!line.isEmpty())
            TakeRequestLine(line);
    } else if (line.isEmpty()) {
        EndHead();
    } else {
        TakeHeader(line);
    }
}

void HttpRequestReader::TakeRequestLine(QByteArrayView view) {
    requestLineSeen_ = true;
    const QList<QByteArray> parts = view.toByteArray().split(' ');
    if (parts.size() != 3 || !IsToken(parts[0]) || !parts[1].startsWith('/')) {
        Refuse(400, "malformed request line");
        return;
    }
    for (const char c : parts[1]) {
        if (c < '!' || c > '~') {
            Refuse(400, "malformed request line");
            return;
        }
    }
    const QByteArray& version = parts[2];
    const bool shaped = version.size() == 8 && version.startsWith("HTTP/") &&
                        std::isdigit(static_cast<unsigned char>(version[5])) && version[6] == '.' &&
                        std::isdigit(static_cast<unsigned char>(version[7]));
    if (!shaped) {
        Refuse(400, "malformed request line");
        return;
    }
    if (version[5] != '1' || (version[7] != '0' && version[7] != '1')) {
        Refuse(505, "only HTTP/1.0 and HTTP/1.1 are served");
        return;
    }
    request_.method = parts[0];
    request_.target = parts[1];
    request_.minorVersion = version[7] - '0';
}

void HttpRequestReader::TakeHeader(QByteArrayView view) {
    const QByteArray line = view.toByteArray();
    const qsizetype colon = line.indexOf(':');
    // A line that starts with a blank continues the one before: an old form that is refused.
    const QByteArray name = line.left(colon).toLower();
    const QByteArray value = TrimBlanks(line.mid(colon + 1));
    if (colon < 0 || !IsToken(name) || !IsValueText(value)) {
        Refuse(400, "malformed header");
        return;
    }
    if (name == "content-length") {
        bool number = !value.isEmpty();
        for (const char c : value)
            number = number && c >= '0' && c <= '9';
        const QByteArray before = request_.Header("content-length");
        if (!number || (!before.isEmpty() && before != value)) {
            Refuse(400, "malformed Content-Length");
            return;
        }
        // Digits beyond the bound's are too large whatever they say.
        if (value.size() > 6 || value.toLongLong() > kMaxBodyBytes) {
            Refuse(413, "request too large");
            return;
        }
        bodyLeft_ = qsizetype(value.toLongLong());
    }
    if (name == "transfer-encoding") {
        Refuse(413, "request bodies are not taken");
        return;
    }
    request_.headers.append({name, value});
}

void HttpRequestReader::EndHead() {
    state_ = bodyLeft_ > 0 ? State::Body : State::Complete;
}

void HttpRequestReader::Refuse(int status, const char* text) {
    state_ = State::Refused;
    refusal_ = {status, text};
    head_.clear();
    lineStart_ = 0;
    request_ = {};
}

HttpRequest HttpRequestReader::TakeRequest() {
    HttpRequest request = std::move(request_);
    request_ = {};
    head_.clear();
    lineStart_ = 0;
    requestLineSeen_ = false;
    bodyLeft_ = 0;
    state_ = State::Waiting;
    return request;
}
