#pragma once

#include <QString>

// Readings are whole numbers of tenths of a degree; every conversion here is exact integer
// arithmetic, and every text is made from the integers.

// A value as the meter sends it: integer part high byte, low byte, and a byte whose bit 7 is
// the sign and whose bits 0..3 are the tenths digit. Always in degrees Fahrenheit. A tenths
// digit of 10 to 15 comes only from a damaged value: it is no reading ("- - -", not valid).
struct RawReading {
    QString text;      // e.g. "73.4", "-5.3", "-0.4"; "- - -" when not valid
    int tenths = 0;    // the number in the text, in tenths; 0 when not valid
    bool valid = true; // false: the value is damaged and carries no number
};
RawReading DecodeRawReading(quint8 high, quint8 low, quint8 tenthsByte);

// A whole number of tenths as text: 234 -> "23.4", 5 -> "0.5", 0 -> "0.0", -177 -> "-17.7",
// -5 -> "-.5" (no zero before the point).
QString TenthsText(int tenths);

// A number of tenths with one decimal and a leading zero, for figures that are not readings:
// 234 -> "23.4", -5 -> "-0.5".
QString OneDecimalText(qint64 tenths);

// `num` / `den` (den above 0) rounded to a whole number, half away from zero: 15 / 10 -> 2,
// -15 / 10 -> -2. Worked from the quotient and remainder, so it cannot overflow; any integer
// type, including a 128-bit one for the comparison's sums of products.
template <typename Int> constexpr Int RoundHalfAway(Int num, Int den) {
    const Int quotient = num / den;
    const Int remainder = num % den;
    const Int away = remainder < 0 ? -remainder : remainder;
    if (away >= den - away)
        return num < 0 ? quotient - 1 : quotient + 1;
    return quotient;
}
inline qint64 RoundHalfAway(qint64 num, qint64 den) {
    return RoundHalfAway<qint64>(num, den);
}

// Degrees Fahrenheit to Celsius in tenths with the channel offset taken out before the
// conversion and added back after it; the conversion truncates toward zero.
int CelsiusTenths(int fahrenheitTenths, int offsetTenths = 0);

// Degrees Celsius to Fahrenheit in tenths, truncated toward zero.
int FahrenheitTenths(int celsiusTenths);

// A signed offset byte (two's complement) in tenths: 0xFB -> -5.
inline int SignedTenths(quint8 b) {
    return b > 127 ? int(b) - 256 : int(b);
}
