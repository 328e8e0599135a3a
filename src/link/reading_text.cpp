#include "link/reading_text.h"

RawReading DecodeRawReading(quint8 high, quint8 low, quint8 tenthsByte) {
    int integer = high * 256 + low;
    const int digit = tenthsByte & 0x0F;
    if (digit > 9)
        return {QStringLiteral("- - -"), 0, false};
    if (tenthsByte & 0x80)
        integer -= 65536;
    // A negative value above -1 is sent with integer part 0 and the sign set: -65536 here.
    // Anything at -60000 or below is that case.
    const int tenths = integer < 0 ? integer * 10 - digit : integer * 10 + digit;
    if (tenths <= -600000)
        return {QStringLiteral("-0.%1").arg(digit), -digit};
    return {QStringLiteral("%1.%2").arg(integer).arg(digit), tenths};
}

QString TenthsText(int tenths) {
    const QString n = QString::number(tenths);
    if (n.size() == 1)
        return QStringLiteral("0.") + n;
    return n.left(n.size() - 1) + QLatin1Char('.') + n.right(1);
}

int CelsiusTenths(int fahrenheitTenths, int offsetTenths) {
    // C++ integer division truncates toward zero, exactly as the meter's own rule does.
    return (fahrenheitTenths - offsetTenths - 320) * 5 / 9 + offsetTenths;
}

int FahrenheitTenths(int celsiusTenths) {
    return (celsiusTenths * 9 + 5 * 320) / 5;
}

QString OneDecimalText(qint64 tenths) {
    const qint64 whole = tenths < 0 ? -tenths : tenths;
    return QStringLiteral("%1%2.%3")
        .arg(tenths < 0 ? QStringLiteral("-") : QString())
        .arg(whole / 10)
        .arg(whole % 10);
}
