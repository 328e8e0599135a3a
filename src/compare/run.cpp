#include "compare/run.h"

#include "link/reading_text.h"

#include <QDate>

#include <cstring>

Run::Run(const QString& name, const QString& startText, qint64 startSeconds, bool fahrenheit,
         const std::array<QString, 4>& typeLetters)
    : name_(name)
    , startText_(startText)
    , startSeconds_(startSeconds)
    , fahrenheit_(fahrenheit)
    , typeLetters_(typeLetters) {}

QString Run::UnitText() const {
    return fahrenheit_ ? QStringLiteral("°F") : QStringLiteral("°C");
}

namespace {

// A reading in the run's own unit converted into `fahrenheit`, as the files are converted: °F
// to °C with the conversion's truncation, °C to °F likewise.
qint32 Converted(qint32 own, bool ownFahrenheit, bool fahrenheit) {
    if (own == Run::Gap() || ownFahrenheit == fahrenheit)
        return own;
    return fahrenheit ? FahrenheitTenths(own) : CelsiusTenths(own);
}

} // namespace

std::optional<int> Run::Tenths(int channel, qsizetype i, bool fahrenheit) const {
    const qint32 v = Converted(tenths_[size_t(channel & 3)][size_t(i)], fahrenheit_, fahrenheit);
    if (v == kGap)
        return std::nullopt;
    return v;
}

std::vector<qint32> Run::Channel(int channel, bool fahrenheit) const {
    std::vector<qint32> values = tenths_[size_t(channel & 3)];
    if (fahrenheit != fahrenheit_) {
        for (qint32& v : values)
            v = Converted(v, fahrenheit_, fahrenheit);
    }
    return values;
}

bool Run::Append(qint64 seconds, const Readings& tenths) {
    if (!times_.empty() && seconds < times_.back())
        return false;
    times_.push_back(seconds);
    for (size_t c = 0; c < 4; ++c) {
        tenths_[c].push_back(tenths[c].value_or(kGap));
        hasReadings_[c] = hasReadings_[c] || tenths[c].has_value();
    }
    return true;
}

void Run::Reserve(qsizetype count) {
    times_.reserve(size_t(count));
    for (auto& channel : tenths_)
        channel.reserve(size_t(count));
}

// ---- Texts ------------------------------------------------------------------------------------

namespace {

// Readings stay far below this; a longer number is no reading.
constexpr int kMaxDigits = 7;

template <typename Char> std::optional<int> ParseTenths(const Char* s, qsizetype n) {
    qsizetype i = 0;
    bool negative = false;
    if (i < n && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    int value = 0;
    int digits = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
        if (++digits > kMaxDigits)
            return std::nullopt;
        value = value * 10 + int(s[i] - '0');
        ++i;
    }
    int tenths = 0;
    if (i < n && s[i] == '.') {
        ++i;
        if (i + 1 != n || s[i] < '0' || s[i] > '9')
            return std::nullopt; // exactly one digit after the point
        tenths = int(s[i] - '0');
        ++i;
    } else if (digits == 0) {
        return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    const int v = value * 10 + tenths;
    return negative ? -v : v;
}

template <typename Char> bool TwoDigits(const Char* s, int* out) {
    if (s[0] < '0' || s[0] > '9' || s[1] < '0' || s[1] > '9')
        return false;
    *out = int(s[0] - '0') * 10 + int(s[1] - '0');
    return true;
}

template <typename Char> std::optional<qint64> ParseCalendar(const Char* s, qsizetype n) {
    // yyyy/mm/dd hh:nn:ss
    if (n != 19 || s[4] != '/' || s[7] != '/' || s[10] != ' ' || s[13] != ':' || s[16] != ':')
        return std::nullopt;
    int century = 0, year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!TwoDigits(s, &century) || !TwoDigits(s + 2, &year) || !TwoDigits(s + 5, &month) ||
        !TwoDigits(s + 8, &day) || !TwoDigits(s + 11, &hour) || !TwoDigits(s + 14, &minute) ||
        !TwoDigits(s + 17, &second))
        return std::nullopt;
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const QDate date(century * 100 + year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date.toJulianDay() * 86400 + hour * 3600 + minute * 60 + second;
}

} // namespace

std::optional<int> ReadingTenths(QStringView text) {
    return ParseTenths(text.utf16(), text.size());
}

std::optional<int> ReadingTenths(const char* text, qsizetype size) {
    return ParseTenths(text, size);
}

std::optional<qint64> CalendarSeconds(QStringView text) {
    return ParseCalendar(text.utf16(), text.size());
}

std::optional<qint64> CalendarSeconds(const char* text, qsizetype size) {
    return ParseCalendar(text, size);
}

std::optional<qint64> CalendarReader::Seconds(const char* text, qsizetype size) {
    if (size == 19 && day_ >= 0 && std::memcmp(text, date_, sizeof(date_)) == 0 &&
        text[10] == ' ' && text[13] == ':' && text[16] == ':') {
        int hour = 0, minute = 0, second = 0;
        if (TwoDigits(text + 11, &hour) && TwoDigits(text + 14, &minute) &&
            TwoDigits(text + 17, &second) && hour <= 23 && minute <= 59 && second <= 59)
            return day_ * 86400 + hour * 3600 + minute * 60 + second;
    }
    const std::optional<qint64> seconds = ParseCalendar(text, size);
    if (seconds) {
        std::memcpy(date_, text, sizeof(date_));
        day_ = *seconds / 86400;
    }
    return seconds;
}

QString CalendarText(qint64 seconds) {
    const qint64 day = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const int secs = int(seconds - day * 86400);
    return QDate::fromJulianDay(day).toString(QStringLiteral("yyyy/MM/dd")) +
           QStringLiteral(" %1:%2:%3")
               .arg(secs / 3600, 2, 10, QLatin1Char('0'))
               .arg(secs / 60 % 60, 2, 10, QLatin1Char('0'))
               .arg(secs % 60, 2, 10, QLatin1Char('0'));
}
