#include "config/alarm_settings.h"

#include "link/live_state.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

// Far beyond any thermocouple, well inside an int of tenths.
constexpr double kLargestDegrees = 1.0e6;

} // namespace

AlarmSettings::AlarmSettings(const LiveState& live, QObject* parent)
    : QObject(parent)
    , live_(live) {}

int AlarmSettings::Alarm(bool fahrenheit, int channel) const {
    return fahrenheit ? AlarmF(channel) : AlarmC(channel);
}

AlarmRange AlarmSettings::Range(bool fahrenheit, int channel) const {
    return fahrenheit ? rangeF_[Index(channel)] : rangeC_[Index(channel)];
}

void AlarmSettings::SetAlarm(bool fahrenheit, int channel, int tenths) {
    const size_t i = Index(channel);
    const AlarmRange range = Range(fahrenheit, channel);
    const int value = std::clamp(tenths, range.min, range.max);
    if (fahrenheit) {
        alarmF_[i] = value;
    } else {
        alarmC_[i] = value;
        overC_[i] = value;
    }
    Q_EMIT AlarmChanged(fahrenheit, channel);
}

void AlarmSettings::ApplyRange(bool fahrenheit, int channel, AlarmRange range) {
    const size_t i = Index(channel);
    (fahrenheit ? rangeF_ : rangeC_)[i] = range;
    const int value = Alarm(fahrenheit, channel);
    const int inside = std::clamp(value, range.min, range.max);
    if (inside != value)
        SetAlarm(fahrenheit, channel, inside); // the control moved its value: its handler runs
    else
        Q_EMIT AlarmChanged(fahrenheit, channel);
}

void AlarmSettings::SetRangeMax(bool fahrenheit, int channel, int tenths) {
    AlarmRange range = Range(fahrenheit, channel);
    range.max = tenths;
    range.min = std::min(range.min, tenths);
    ApplyRange(fahrenheit, channel, range);
}

void AlarmSettings::SetRangeMin(bool fahrenheit, int channel, int tenths) {
    AlarmRange range = Range(fahrenheit, channel);
    range.min = tenths;
    range.max = std::max(range.max, tenths);
    ApplyRange(fahrenheit, channel, range);
}

void AlarmSettings::RebuildChannel(int channel) {
    const ChannelState& ch = live_.Channel(Index(channel));
    overC_[Index(channel)] = ch.UpperC;
    ApplyRange(false, channel, {ch.LowerC, ch.UpperC});
    ApplyRange(true, channel, {ch.LowerF, ch.UpperF});
}

void AlarmSettings::ResetChannel(int channel) {
    RebuildChannel(channel);
    SetAlarm(false, channel, rangeC_[Index(channel)].max);
    SetAlarm(true, channel, rangeF_[Index(channel)].max);
}

bool AlarmSettings::FahrenheitSetOf(const QString& unitText) {
    return unitText != QStringLiteral("°C");
}

AlarmSettings::FrameTexts AlarmSettings::FillTexts(const QString& unitText) const {
    const bool fahrenheit = FahrenheitSetOf(unitText);
    FrameTexts texts;
    for (int i = 0; i < 4; ++i) {
        texts.max[size_t(i)] = RangeText(Range(fahrenheit, i).max);
        texts.min[size_t(i)] = RangeText(Range(fahrenheit, i).min);
    }
    return texts;
}

void AlarmSettings::ApplyFrame(const QString& unitText, const FrameTexts& texts) {
    const bool fahrenheit = FahrenheitSetOf(unitText);
    for (int i = 0; i < 4; ++i) {
        SetRangeMax(fahrenheit, i, ValueOfText(texts.max[size_t(i)]));
        SetRangeMin(fahrenheit, i, ValueOfText(texts.min[size_t(i)]));
    }
}

QString AlarmSettings::RangeText(int tenths) {
    if (tenths % 10 == 0)
        return QString::number(tenths / 10);
    return QString::number(tenths / 10.0, 'f', 1);
}

int AlarmSettings::ValueOfText(const QString& text) {
    static const QRegularExpression kLeadingNumber(
        QStringLiteral("^\\s*([-+]?(\\d+\\.?\\d*|\\.\\d+))"));
    const QRegularExpressionMatch match = kLeadingNumber.match(text);
    if (!match.hasMatch())
        return 0;
    const double degrees =
        std::clamp(match.captured(1).toDouble(), -kLargestDegrees, kLargestDegrees);
    return int(std::lround(degrees * 10.0));
}

bool AlarmSettings::IsRangeKey(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           c == QLatin1Char('.') || c == QChar(8) || c == QChar(13);
}
