#include "logger/manual_entry.h"

#include "link/reading_text.h"
#include "link/thermocouple.h"

std::array<QString, 6> ManualRecord::cells() const {
    const auto& texts = fahrenheit ? f : c;
    std::array<QString, 6> cells{fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C"),
                                 dateTime};
    for (size_t n = 0; n < 4; ++n)
        cells[n + 2] = typeLetters[n] + QStringLiteral(": ") + texts[n];
    return cells;
}

ManualRecord DecodeManualEntry(const char* bytes) {
    const auto* b = reinterpret_cast<const quint8*>(bytes);
    ManualRecord entry;
    entry.fahrenheit = b[0] & 0x10;
    const std::array<bool, 4> valid = DecodeValidBits(b[1]);
    const RangeFlags range = DecodeOverUnderBits(b[2]);
    entry.dateTime = LoggerDateTimeText({b[11], b[12], b[13], b[14], b[15], b[16]});
    for (size_t n = 0; n < 4; ++n) {
        entry.typeLetters[n] = TypeLetterOf(b[3 + n]);
        const quint8* v = b + 17 + 3 * n;
        const ValueTexts texts = ChannelTexts(valid[n], range.over[n], range.under[n], [&] {
            return DecodeManualValue(v[0], v[1], v[2], SignedTenths(b[7 + n]));
        });
        entry.c[n] = texts.c;
        entry.f[n] = texts.f;
    }
    return entry;
}

ManualSplit SplitManualEntries(const QByteArray& entryBytes, int count) {
    ManualSplit split;
    const qsizetype whole = entryBytes.size() / ManualRecord::Size;
    const qsizetype n = std::min<qsizetype>(std::max(count, 0), whole);
    split.cutShort = n < count;
    split.entries.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        split.entries.append(DecodeManualEntry(entryBytes.constData() + i * ManualRecord::Size));
    return split;
}

std::array<QString, 6> ManualListHeadings() {
    return {QString(),
            QStringLiteral("    Date Time"),
            QStringLiteral("T1"),
            QStringLiteral("T2"),
            QStringLiteral("T3"),
            QStringLiteral("T4")};
}
