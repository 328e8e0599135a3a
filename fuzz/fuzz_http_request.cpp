// The web view's request reader on arbitrary bytes from a client, cut into pieces of one size
// (the first two bytes pick it, 1 to 65536), the rest being what the client sends. Whatever
// comes, the reader ends, never holds more than its bound, and takes only whole requests of
// the shape it accepts. A valid request made around the same bytes (in its target, a header
// and its body), sent twice in a row and cut the same way, is read whole, twice, as sent.

#include "fuzz_check.h"
#include "serve/http_request_reader.h"

#include <QByteArray>
#include <algorithm>

namespace {

using State = HttpRequestReader::State;

// Feeds `bytes` in pieces of `chunk`; the requests it completes, until a refusal.
QList<HttpRequest> Read(const QByteArray& bytes, qsizetype chunk, bool* refused) {
    HttpRequestReader reader;
    QList<HttpRequest> requests;
    *refused = false;
    for (qsizetype at = 0; at < bytes.size() && !*refused; at += chunk) {
        const QByteArrayView piece =
            QByteArrayView(bytes).sliced(at, std::min(chunk, bytes.size() - at));
        for (qsizetype fed = 0; fed < piece.size();) {
            const qsizetype n = reader.Feed(piece.sliced(fed));
            FUZZ_CHECK(n >= 0 && n <= piece.size() - fed);
            FUZZ_CHECK(reader.Held() <= HttpRequestReader::kMaxHeadBytes);
            fed += n;
            if (reader.GetState() == State::Complete) {
                requests.append(reader.TakeRequest());
            } else if (reader.GetState() == State::Refused) {
                FUZZ_CHECK(!reader.Refusal().text.isEmpty());
                *refused = true;
                break;
            } else {
                FUZZ_CHECK(fed == piece.size()); // all taken: the request goes on
            }
        }
    }
    return requests;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const qsizetype chunk = 1 + (data[0] | data[1] << 8);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));

    bool refused = false;
    for (const HttpRequest& r : Read(bytes, chunk, &refused)) {
        FUZZ_CHECK(!r.method.isEmpty() && r.target.startsWith('/'));
        FUZZ_CHECK(r.minorVersion == 0 || r.minorVersion == 1);
        for (const auto& [name, value] : r.headers)
            FUZZ_CHECK(!name.isEmpty() && name == name.toLower() && !value.contains('\n'));
    }

    // The same bytes inside a valid request: the target percent-encoded, the visible ones as a
    // header's value (within the head's bound), the first 1024 as its body.
    QByteArray value;
    for (const char c : bytes.left(60000)) {
        if (c > ' ' && c < 127)
            value += c;
    }
    const QByteArray target = "/" + bytes.left(1000).toPercentEncoding("/");
    const QByteArray body = bytes.left(HttpRequestReader::kMaxBodyBytes);
    const QByteArray request = "POST " + target + " HTTP/1.1\r\nX-Fuzz: " + value +
                               "\r\nContent-Length: " + QByteArray::number(body.size()) +
                               "\r\n\r\n" + body;
    const QList<HttpRequest> read = Read(request + request, chunk, &refused);
    FUZZ_CHECK(!refused && read.size() == 2);
    for (const HttpRequest& r : read) {
        FUZZ_CHECK(r.method == "POST" && r.target == target && r.minorVersion == 1);
        FUZZ_CHECK(r.Header("x-fuzz") == value && r.KeepAlive());
    }
    return 0;
}
