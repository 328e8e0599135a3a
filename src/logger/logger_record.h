#pragma once

#include <QString>

#include <array>
#include <optional>

// The byte-level decoders of the meter's logger memory: the values, flags and date-time of a
// set record or a manual entry. Every stored value is in degrees Fahrenheit; readings are
// whole tenths and every text is made from the integers.

// Number of channels a 4-bit channel mask records; no value for 0 or anything above 15.
std::optional<int> ChannelCount(int mask);

// One flag per channel T1..T4 from the valid byte of a record or entry.
std::array<bool, 4> DecodeValidBits(quint8 b);

// The range byte: bit n is channel T(n+1) over range, bit 4 + n under range.
struct RangeFlags {
    std::array<bool, 4> over{};
    std::array<bool, 4> under{};
};
RangeFlags DecodeOverUnderBits(quint8 b);

// The °C and °F texts of one decoded value.
struct ValueTexts {
    QString c;
    QString f;
};

// A value of an automatically recorded set. A set recorded in °F keeps the meter's text as
// the °F text; a set recorded in °C takes the channel offset out before the conversion and
// adds it back after, and derives its °F text from the °C one. A damaged value (a tenths digit
// above 9) is "- - -" in both units, here and for manual entries.
ValueTexts DecodeSetValue(quint8 high, quint8 low, quint8 tenthsByte, bool setFahrenheit,
                          int offsetTenths);

// A value of a manual entry: the °F text is the meter's own, the °C text is converted with the
// offset taken out and added back, whatever unit the entry was stored in.
ValueTexts DecodeManualValue(quint8 high, quint8 low, quint8 tenthsByte, int offsetTenths);

// The texts a channel shows: "- - -" without a reading, then "Over", then "Under", else the
// value. The value is only decoded when it is shown.
template <typename ValueFn>
ValueTexts ChannelTexts(bool valid, bool over, bool under, ValueFn&& value) {
    if (!valid)
        return {QStringLiteral("- - -"), QStringLiteral("- - -")};
    if (over)
        return {QStringLiteral("Over"), QStringLiteral("Over")};
    if (under)
        return {QStringLiteral("Under"), QStringLiteral("Under")};
    return value();
}

// The six date and time bytes of a set header or manual entry (year in the century, month,
// day, hour, minute, second) as "20yy/mm/dd hh:nn:ss". A month or day of 0 shows as 01; the
// time of day is shown as stored.
using LoggerDateTime = std::array<quint8, 6>;
QString LoggerDateTimeText(const LoggerDateTime& bytes);
