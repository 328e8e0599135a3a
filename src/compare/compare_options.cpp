#include "compare/compare_options.h"

#include <QRegularExpression>

std::optional<int> ParseChannel(const QString& text, QString* error) {
    static const QRegularExpression kChannel(QStringLiteral("^[Tt]([1-4])$"));
    const QRegularExpressionMatch m = kChannel.match(text.trimmed());
    if (!m.hasMatch()) {
        *error = QStringLiteral("there is no channel '%1'; the channels are T1 to T4").arg(text);
        return std::nullopt;
    }
    return m.captured(1).toInt() - 1;
}

std::optional<int> ParseDegrees(const QString& text) {
    static const QRegularExpression kDegrees(QStringLiteral("^([-+]?)(\\d{1,6})(?:\\.(\\d))?$"));
    const QRegularExpressionMatch m = kDegrees.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const int tenths = m.captured(2).toInt() * 10 + (m.hasCaptured(3) ? m.captured(3).toInt() : 0);
    return m.captured(1) == QLatin1String("-") ? -tenths : tenths;
}

std::optional<Band> ParseBand(const QString& text, QString* error) {
    static const QRegularExpression kAsymmetric(QStringLiteral("^\\+([^/]*)/-(.*)$"));
    const QString trimmed = text.trimmed();
    const QRegularExpressionMatch m = kAsymmetric.match(trimmed);
    std::optional<int> above, below;
    if (m.hasMatch()) {
        above = ParseDegrees(m.captured(1));
        below = ParseDegrees(m.captured(2));
    } else if (!trimmed.startsWith(QLatin1Char('+'))) {
        above = below = ParseDegrees(trimmed);
    }
    if (!above || !below) {
        *error = QStringLiteral("the band '%1' is not D or +D1/-D2 in degrees with at most one "
                                "decimal")
                     .arg(text);
        return std::nullopt;
    }
    if (*above <= 0 || *below <= 0) {
        *error = QStringLiteral("the band '%1' is zero or less; it must be wider than 0").arg(text);
        return std::nullopt;
    }
    return Band{*above, *below};
}

std::optional<Alignment> ParseAlignment(const QString& text, QString* error, bool marks) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("start"), Qt::CaseInsensitive) == 0)
        return Alignment{};
    static const QLatin1String kMarkPrefix("mark:");
    if (marks && trimmed.startsWith(kMarkPrefix, Qt::CaseInsensitive)) {
        Alignment alignment;
        alignment.kind = Alignment::Kind::AtMark;
        alignment.markText = trimmed.mid(kMarkPrefix.size()).trimmed();
        if (alignment.markText.isEmpty()) {
            *error = QStringLiteral("the alignment '%1' names no mark: mark:TEXT").arg(text);
            return std::nullopt;
        }
        return alignment;
    }
    static const QRegularExpression kCrossing(QStringLiteral("^([Tt]\\w*)\\s*(>=|<=)\\s*(\\S*)$"));
    const QRegularExpressionMatch m = kCrossing.match(trimmed);
    if (!m.hasMatch()) {
        *error = marks ? QStringLiteral("the alignment '%1' is not start, T1>=LEVEL, T1<=LEVEL "
                                        "or mark:TEXT")
                             .arg(text)
                       : QStringLiteral("the alignment '%1' is not start, T1>=LEVEL or T1<=LEVEL")
                             .arg(text);
        return std::nullopt;
    }
    const std::optional<int> channel = ParseChannel(m.captured(1), error);
    if (!channel)
        return std::nullopt;
    const std::optional<int> level = ParseDegrees(m.captured(3));
    if (!level) {
        *error = QStringLiteral("the level '%1' of the alignment '%2' is not degrees with at most "
                                "one decimal")
                     .arg(m.captured(3), text);
        return std::nullopt;
    }
    Alignment alignment;
    alignment.kind =
        m.captured(2) == QLatin1String(">=") ? Alignment::Kind::Rising : Alignment::Kind::Falling;
    alignment.channel = *channel;
    alignment.levelTenths = *level;
    return alignment;
}

std::optional<bool> ParseUnit(const QString& text, QString* error) {
    if (text.compare(QLatin1String("C"), Qt::CaseInsensitive) == 0)
        return false;
    if (text.compare(QLatin1String("F"), Qt::CaseInsensitive) == 0)
        return true;
    *error = QStringLiteral("the unit '%1' is not C or F").arg(text);
    return std::nullopt;
}

QString BandText(const Band& band) {
    if (band.above == band.below)
        return QStringLiteral("±") + OneDecimalText(band.above);
    return QStringLiteral("+%1/-%2").arg(OneDecimalText(band.above), OneDecimalText(band.below));
}

QString CorrectedNote(const Run& run) {
    return QStringLiteral("# readings of %1 as corrected by calibration: %2")
        .arg(run.Name())
        .arg(run.CorrectedReadings());
}
