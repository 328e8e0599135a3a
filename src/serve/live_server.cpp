#include "serve/live_server.h"

#include "config/alarm_settings.h"
#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrlQuery>

#include <cctype>

namespace {

// Whether two secrets are the same, in a time that tells nothing of where they differ.
bool SameSecret(const QByteArray& given, const QByteArray& secret) {
    unsigned difference = given.size() == secret.size() ? 0U : 1U;
    for (qsizetype i = 0; i < given.size(); ++i) {
        const char expected = secret.isEmpty() ? '\0' : secret[i % secret.size()];
        difference |= unsigned(static_cast<unsigned char>(given[i] ^ expected));
    }
    return difference == 0;
}

// %XX decoded; a "%" that starts no such escape stands for itself. With `plusIsBlank`, "+" is a
// blank, as forms write it.
QByteArray UrlDecoded(const QByteArray& text, bool plusIsBlank) {
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) && hex(text[i + 2])) {
            out += QByteArray::fromHex(text.mid(i + 1, 2));
            i += 2;
        } else {
            out += plusIsBlank && text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

// The token raw in "Authorization: Bearer TOKEN", or URL-encoded in ?token=TOKEN. A "+" in
// the address is taken as itself and as a blank, so that a token pasted unencoded works too.
bool TokenGiven(const HttpRequest& request, const QByteArray& token) {
    const QByteArray authorization = request.Header("authorization");
    const qsizetype blank = authorization.indexOf(' ');
    bool given = blank > 0 &&
                 authorization.left(blank).compare("Bearer", Qt::CaseInsensitive) == 0 &&
                 SameSecret(authorization.mid(blank + 1).trimmed(), token);
    for (const QByteArray& item : request.Query().split('&')) {
        if (!item.startsWith("token="))
            continue;
        const QByteArray value = item.mid(6);
        // Both are compared, always: which one matched is not told by the time taken.
        const bool plusKept = SameSecret(UrlDecoded(value, false), token);
        const bool plusBlank = SameSecret(UrlDecoded(value, true), token);
        given = given | plusKept | plusBlank;
    }
    return given;
}

// The mark token raw in "Authorization: Bearer TOKEN"; never in the address, where it would
// be kept in a browser's history and a proxy's log.
bool MarkTokenGiven(const HttpRequest& request, const QByteArray& token) {
    const QByteArray authorization = request.Header("authorization");
    const qsizetype blank = authorization.indexOf(' ');
    return blank > 0 && authorization.left(blank).compare("Bearer", Qt::CaseInsensitive) == 0 &&
           SameSecret(authorization.mid(blank + 1).trimmed(), token);
}

// The text and channel of a mark's body: JSON {"text": "load in", "channel": "T2"} or a form,
// text=load+in&channel=T2. The channel is optional ("T2", "2" or 2); "T2: load in" as the text
// says the same.
std::optional<QString> MarkInput(const HttpRequest& request, QString* error) {
    QString text, channel;
    if (request.Header("content-type").startsWith("application/json")) {
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        text = body.value("text").toString();
        const QJsonValue c = body.value("channel");
        channel = c.isDouble() ? QString::number(c.toInt()) : c.toString();
    } else {
        for (const QByteArray& item : request.body.split('&')) {
            const QString value =
                QString::fromUtf8(UrlDecoded(item.mid(item.indexOf('=') + 1), true));
            if (item.startsWith("text="))
                text = value;
            else if (item.startsWith("channel="))
                channel = value;
        }
    }
    channel = channel.trimmed();
    if (channel.startsWith(QLatin1Char('T'), Qt::CaseInsensitive))
        channel.remove(0, 1);
    if (channel.isEmpty())
        return text;
    if (channel.size() != 1 || channel[0] < QLatin1Char('1') || channel[0] > QLatin1Char('4')) {
        *error = QStringLiteral("the channel is T1 to T4");
        return std::nullopt;
    }
    return QStringLiteral("T%1: %2").arg(channel, text);
}

HttpAnswer Text(int status, const QByteArray& text) {
    return {status,
            text + '\n',
            {{"Content-Type", "text/plain; charset=utf-8"}, {"Cache-Control", "no-store"}}};
}

} // namespace

LiveServer::LiveServer(const LiveState& live, const MeterLink& link, const AlarmSettings& alarms,
                       const Sampler& sampler, QObject* parent)
    : QObject(parent)
    , live_(live)
    , link_(link)
    , alarms_(alarms)
    , http_([this](const HttpRequest& request) { return Answer(request); }) {
    connect(&sampler, &Sampler::SampleTaken, this, &LiveServer::Sampled);
    connect(&link, &MeterLink::LinkCaptionChanged, this, [this](const QString& caption) {
        const bool lost = caption == QLatin1String("No COM");
        if (lost && !linkWasLost_)
            ++counters_.linkLosses;
        linkWasLost_ = lost;
    });
    linkWasLost_ = link.LinkLost();
}

LiveServer::~LiveServer() = default;

void LiveServer::SetMarks(const QList<Mark>* marks, MarkPlacer placer) {
    marks_ = marks;
    placeMark_ = std::move(placer);
}

void LiveServer::SetAlarmLimits(const AlarmLimits& limits, std::optional<bool> fahrenheit) {
    cliLimits_ = limits;
    cliLimitsF_ = fahrenheit;
}

bool LiveServer::Start(const Settings& settings, QString* error) {
    settings_ = settings;
    if (!http_.Listen(settings.address, settings.port, settings.limits, error)) {
        *error = QStringLiteral("cannot serve on %1:%2: %3")
                     .arg(settings.address.toString())
                     .arg(settings.port)
                     .arg(*error);
        return false;
    }
    return true;
}

bool LiveServer::Listening() const {
    return http_.IsListening();
}

QString LiveServer::Url() const {
    if (!Listening())
        return {};
    const QHostAddress address = http_.Address();
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return QStringLiteral("http://%1:%2/").arg(host).arg(http_.Port());
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
    ServedLimits limits;
    if (cliLimits_) {
        limits.high = cliLimits_->high;
        limits.low = cliLimits_->low;
        limits.fahrenheit = cliLimitsF_.value_or(live_.UnitF());
    } else {
        // The panel's alarm values of the unit shown.
        limits.fahrenheit = live_.UnitF();
        for (int i = 0; i < 4; ++i)
            limits.high[size_t(i)] = alarms_.Alarm(live_.UnitF(), i);
    }
    return {live_,
            link_,
            limits,
            recorder_,
            counters_,
            history_,
            link_.GetClock().Now(),
            QCoreApplication::applicationName(),
            calibration_,
            marks_,
            Markable()};
}

bool LiveServer::Markable() const {
    return !settings_.markToken.isEmpty() && placeMark_;
}

HttpAnswer LiveServer::PlaceMark(const HttpRequest& request) {
    if (request.method != "POST") {
        return {405,
                "a mark is placed with POST\n",
                {{"Content-Type", "text/plain; charset=utf-8"}, {"Allow", "POST"}}};
    }
    if (!settings_.token.isEmpty() && !TokenGiven(request, settings_.token)) {
        HttpAnswer refused = Text(401, "a token is needed: add ?token=... to the address");
        refused.headers.append(std::pair<QByteArray, QByteArray>("WWW-Authenticate", "Bearer"));
        return refused;
    }
    if (!MarkTokenGiven(request, settings_.markToken))
        return Text(403, "placing a mark needs the mark token: Authorization: Bearer TOKEN");
    QString error;
    const std::optional<QString> input = MarkInput(request, &error);
    const std::optional<Mark> mark = input ? ParseMarkInput(*input, &error) : std::nullopt;
    if (!mark)
        return Text(400, error.toUtf8());
    Mark placed;
    if (!placeMark_(*mark, &error, &placed)) {
        return Text(
            500,
            QStringLiteral("the mark is placed but could not be written: %1").arg(error).toUtf8());
    }
    return {201,
            MarkJson(placed),
            {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}}};
}

HttpAnswer LiveServer::Answer(const HttpRequest& request) {
    if (request.Path() == "/api/mark" && Markable())
        return PlaceMark(request);
    if (request.method != "GET" && request.method != "HEAD") {
        return {405,
                "only GET and HEAD are served\n",
                {{"Content-Type", "text/plain; charset=utf-8"}, {"Allow", "GET, HEAD"}}};
    }
    if (!settings_.token.isEmpty() && !TokenGiven(request, settings_.token)) {
        HttpAnswer refused = Text(401, "a token is needed: add ?token=... to the address");
        refused.headers.append(std::pair<QByteArray, QByteArray>("WWW-Authenticate", "Bearer"));
        return refused;
    }
    const QByteArray path = request.Path();
    const auto json = [](const QByteArray& body) {
        return HttpAnswer{
            200, body, {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}}};
    };
    if (path == "/") {
        QFile page(QStringLiteral(":/serve/live_page.html"));
        page.open(QIODevice::ReadOnly);
        // Everything the page needs is in it; it may only talk back to this server.
        return {200,
                page.readAll(),
                {{"Content-Type", "text/html; charset=utf-8"},
                 {"Cache-Control", "no-store"},
                 {"Content-Security-Policy",
                  "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                  "connect-src 'self'; img-src data:"}}};
    }
    if (path == "/api/live")
        return json(LiveJson(Sources()));
    if (path == "/api/samples") {
        const QUrlQuery query(QString::fromLatin1(request.Query()));
        bool number = true;
        const qint64 since = query.hasQueryItem(QStringLiteral("since"))
                                 ? query.queryItemValue(QStringLiteral("since")).toLongLong(&number)
                                 : 0;
        if (!number || since < 0)
            return Text(400, "since is a sample number from 0");
        return json(SamplesJson(Sources(), since));
    }
    if (path == "/metrics") {
        return {200,
                MetricsText(Sources()),
                {{"Content-Type", "text/plain; version=0.0.4; charset=utf-8"},
                 {"Cache-Control", "no-store"}}};
    }
    return Text(404, "not found");
}
