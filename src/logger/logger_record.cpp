#include "logger/logger_record.h"

#include "link/reading_text.h"

std::optional<int> ChannelCount(int mask) {
    if (mask <= 0 || mask > 15)
        return std::nullopt;
    return (mask & 1) + (mask >> 1 & 1) + (mask >> 2 & 1) + (mask >> 3 & 1);
}

std::array<bool, 4> DecodeValidBits(quint8 b) {
    return {bool(b & 1), bool(b & 2), bool(b & 4), bool(b & 8)};
}

RangeFlags DecodeOverUnderBits(quint8 b) {
    return {DecodeValidBits(b), DecodeValidBits(quint8(b >> 4))};
}

ValueTexts DecodeSetValue(quint8 high, quint8 low, quint8 tenthsByte, bool setFahrenheit,
                          int offsetTenths) {
    const RawReading raw = DecodeRawReading(high, low, tenthsByte);
    if (!raw.valid)
        return {raw.text, raw.text};
    if (setFahrenheit)
        return {TenthsText(CelsiusTenths(raw.tenths)), raw.text};
    const int celsius = CelsiusTenths(raw.tenths, offsetTenths);
    return {TenthsText(celsius), TenthsText(FahrenheitTenths(celsius))};
}

ValueTexts DecodeManualValue(quint8 high, quint8 low, quint8 tenthsByte, int offsetTenths) {
    const RawReading raw = DecodeRawReading(high, low, tenthsByte);
    if (!raw.valid)
        return {raw.text, raw.text};
    return {TenthsText(CelsiusTenths(raw.tenths, offsetTenths)), raw.text};
}

namespace {

void AppendTwoDigits(QChar*& out, int v) {
    *out++ = QLatin1Char(char('0' + v / 10 % 10));
    *out++ = QLatin1Char(char('0' + v % 10));
}

} // namespace

QString LoggerDateTimeText(const LoggerDateTime& b) {
    // A damaged header may hold bytes above 99: a two-digit field widens for them.
    if (b[0] > 99 || b[1] > 99 || b[2] > 99 || b[3] > 99 || b[4] > 99 || b[5] > 99) {
        auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
        return QStringLiteral("20") + two(b[0]) + QLatin1Char('/') + two(b[1] ? b[1] : 1) +
               QLatin1Char('/') + two(b[2] ? b[2] : 1) + QLatin1Char(' ') + two(b[3]) +
               QLatin1Char(':') + two(b[4]) + QLatin1Char(':') + two(b[5]);
    }
    QString text(19, Qt::Uninitialized);
    QChar* out = text.data();
    *out++ = QLatin1Char('2');
    *out++ = QLatin1Char('0');
    AppendTwoDigits(out, b[0]);
    *out++ = QLatin1Char('/');
    AppendTwoDigits(out, b[1] ? b[1] : 1);
    *out++ = QLatin1Char('/');
    AppendTwoDigits(out, b[2] ? b[2] : 1);
    *out++ = QLatin1Char(' ');
    AppendTwoDigits(out, b[3]);
    *out++ = QLatin1Char(':');
    AppendTwoDigits(out, b[4]);
    *out++ = QLatin1Char(':');
    AppendTwoDigits(out, b[5]);
    return text;
}
