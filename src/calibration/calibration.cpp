#include "calibration/calibration.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLargestNumber = 10000;

// The shortest text that reads back as the same number.
QString Number(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString SignedNumber(double value) {
    return value < 0 ? Number(value) : QStringLiteral("+") + Number(value);
}

QString UnitSign(bool fahrenheit) {
    return fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
}

QString KindWord(CorrectionKind kind) {
    switch (kind) {
    case CorrectionKind::None:
        return QStringLiteral("none");
    case CorrectionKind::Offset:
        return QStringLiteral("offset");
    case CorrectionKind::TwoPoints:
        return QStringLiteral("two-point");
    case CorrectionKind::Table:
        return QStringLiteral("table");
    }
    return {};
}

// The numbers of a line form, without the channel, unit and kind.
QStringList NumberTexts(const ChannelCorrection& c) {
    QStringList texts;
    for (const CorrectionPoint& p : c.points) {
        if (c.kind == CorrectionKind::Offset)
            texts << Number(p.value);
        else
            texts << Number(p.reading) << Number(p.value);
    }
    return texts;
}

} // namespace

std::pair<double, bool> ChannelCorrection::Apply(double reading) const {
    if (kind == CorrectionKind::None || points.isEmpty())
        return {reading, false};
    if (kind == CorrectionKind::Offset)
        return {reading + points.first().value, false};
    const CorrectionPoint& first = points.first();
    const CorrectionPoint& last = points.last();
    if (reading < first.reading)
        return {reading + CorrectionAt(first), true};
    if (reading > last.reading)
        return {reading + CorrectionAt(last), true};
    for (qsizetype i = 0; i + 1 < points.size(); ++i) {
        const CorrectionPoint& a = points[i];
        const CorrectionPoint& b = points[i + 1];
        if (reading <= b.reading) {
            const double share = (reading - a.reading) / (b.reading - a.reading);
            const double ca = CorrectionAt(a);
            return {reading + ca + share * (CorrectionAt(b) - ca), false};
        }
    }
    return {reading + CorrectionAt(last), false}; // a single point, read exactly
}

ChannelCorrection ChannelCorrection::Converted() const {
    ChannelCorrection other = *this;
    other.fahrenheit = !fahrenheit;
    // Readings and true temperatures convert as temperatures, corrections as differences.
    const auto temperature = [&](double t) { return fahrenheit ? (t - 32) / 1.8 : t * 1.8 + 32; };
    const auto difference = [&](double d) { return fahrenheit ? d / 1.8 : d * 1.8; };
    for (CorrectionPoint& p : other.points) {
        p.reading = temperature(p.reading);
        p.value = kind == CorrectionKind::TwoPoints ? temperature(p.value) : difference(p.value);
    }
    return other;
}

QString ChannelCorrection::Describe() const {
    QStringList parts;
    for (const CorrectionPoint& p : points) {
        if (kind == CorrectionKind::Offset)
            parts << SignedNumber(p.value);
        else if (kind == CorrectionKind::TwoPoints)
            parts << QStringLiteral("%1 → %2").arg(Number(p.reading), Number(p.value));
        else
            parts << QStringLiteral("%1 %2").arg(Number(p.reading), SignedNumber(p.value));
    }
    if (kind == CorrectionKind::None)
        return KindWord(kind);
    return QStringLiteral("%1 %2 %3")
        .arg(KindWord(kind), parts.join(QStringLiteral(", ")), UnitSign(fahrenheit));
}

std::optional<Calibration> Calibration::Parse(const QString& text, QString* error) {
    Calibration calibration;
    std::array<std::array<int, 2>, 4> givenOn{};
    const QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const int lineNo = int(n) + 1;
        const auto fail = [&](const QString& why) {
            *error = QStringLiteral("line %1: %2").arg(lineNo).arg(why);
            return std::nullopt;
        };
        QString line = lines[n];
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList words = line.split(blanks, Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        static const QRegularExpression channelWord(QStringLiteral("^[Tt]([1-4])$"));
        const QRegularExpressionMatch channelMatch = channelWord.match(words[0]);
        if (!channelMatch.hasMatch())
            return fail(QStringLiteral("expected a channel T1 to T4, found \"%1\"").arg(words[0]));
        const int channel = channelMatch.captured(1).toInt() - 1;
        const QString unit = words.value(1).toUpper().remove(QStringLiteral("°"));
        if (unit != QLatin1String("C") && unit != QLatin1String("F"))
            return fail(QStringLiteral("expected the unit C or F after %1, found \"%2\"")
                            .arg(words[0].toUpper(), words.value(1)));
        ChannelCorrection c;
        c.fahrenheit = unit == QLatin1String("F");
        const QString kind = words.value(2).toLower();
        QList<double> numbers;
        for (qsizetype i = 3; i < words.size(); ++i) {
            bool ok = false;
            const double value = words[i].toDouble(&ok);
            if (!ok || !std::isfinite(value))
                return fail(QStringLiteral("\"%1\" is not a number").arg(words[i]));
            // No thermocouple reads near this; a larger number is a typing slip.
            if (std::abs(value) > kLargestNumber)
                return fail(QStringLiteral("%1 is out of range (-%2 to %2)")
                                .arg(words[i])
                                .arg(kLargestNumber));
            numbers << value;
        }
        if (kind == QLatin1String("none")) {
            if (!numbers.isEmpty())
                return fail(QStringLiteral("none takes no numbers"));
        } else if (kind == QLatin1String("offset")) {
            if (numbers.size() != 1)
                return fail(QStringLiteral("offset takes one number, the correction"));
            c.kind = CorrectionKind::Offset;
            c.points << CorrectionPoint{0, numbers[0]};
        } else if (kind == QLatin1String("two-point")) {
            if (numbers.size() != 4)
                return fail(
                    QStringLiteral("two-point takes four numbers: reading true reading true"));
            c.kind = CorrectionKind::TwoPoints;
            c.points << CorrectionPoint{numbers[0], numbers[1]}
                     << CorrectionPoint{numbers[2], numbers[3]};
        } else if (kind == QLatin1String("table")) {
            if (numbers.isEmpty() || numbers.size() % 2 != 0)
                return fail(QStringLiteral("table takes pairs of numbers: reading correction ..."));
            c.kind = CorrectionKind::Table;
            for (qsizetype i = 0; i < numbers.size(); i += 2)
                c.points << CorrectionPoint{numbers[i], numbers[i + 1]};
        } else {
            return fail(
                QStringLiteral("unknown correction \"%1\" (none, offset, two-point or table)")
                    .arg(words.value(2)));
        }
        std::sort(c.points.begin(), c.points.end(),
                  [](const CorrectionPoint& a, const CorrectionPoint& b) {
                      return a.reading < b.reading;
                  });
        for (qsizetype i = 0; c.kind != CorrectionKind::Offset && i + 1 < c.points.size(); ++i) {
            if (c.points[i].reading == c.points[i + 1].reading)
                return fail(QStringLiteral("two points read %1").arg(Number(c.points[i].reading)));
        }
        int& seen = givenOn[size_t(channel)][c.fahrenheit ? 1 : 0];
        if (seen != 0)
            return fail(QStringLiteral("T%1 %2 is already corrected on line %3")
                            .arg(channel + 1)
                            .arg(UnitSign(c.fahrenheit))
                            .arg(seen));
        seen = lineNo;
        calibration.given_[size_t(channel)][c.fahrenheit ? 1 : 0] = c;
    }
    error->clear();
    return calibration;
}

std::optional<Calibration> Calibration::ReadFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    // A calibration file is a few lines; anything far larger was chosen by mistake.
    const QByteArray bytes = file.read(1 << 20);
    std::optional<Calibration> calibration = Parse(QString::fromUtf8(bytes), error);
    if (!calibration)
        *error = QStringLiteral("%1 %2").arg(path, *error);
    return calibration;
}

QString Calibration::Text() const {
    QString text;
    for (int channel = 0; channel < 4; ++channel) {
        for (const ChannelCorrection& c : given_[size_t(channel)]) {
            if (c.kind == CorrectionKind::None)
                continue;
            text += QStringLiteral("T%1 %2 %3 %4\n")
                        .arg(channel + 1)
                        .arg(c.fahrenheit ? QLatin1Char('F') : QLatin1Char('C'))
                        .arg(KindWord(c.kind), NumberTexts(c).join(QLatin1Char(' ')));
        }
    }
    return text;
}

bool Calibration::IsEmpty() const {
    for (const auto& units : given_) {
        for (const ChannelCorrection& c : units) {
            if (c.kind != CorrectionKind::None)
                return false;
        }
    }
    return true;
}

const ChannelCorrection& Calibration::Given(int channel, bool fahrenheit) const {
    return given_[size_t(channel)][fahrenheit ? 1 : 0];
}

void Calibration::Set(int channel, const ChannelCorrection& correction) {
    given_[size_t(channel)][correction.fahrenheit ? 1 : 0] = correction;
}

void Calibration::Clear(int channel, bool fahrenheit) {
    ChannelCorrection none;
    none.fahrenheit = fahrenheit;
    given_[size_t(channel)][fahrenheit ? 1 : 0] = none;
}

ChannelCorrection Calibration::InForce(int channel, bool fahrenheit) const {
    const ChannelCorrection& own = Given(channel, fahrenheit);
    if (own.kind != CorrectionKind::None)
        return own;
    const ChannelCorrection& other = Given(channel, !fahrenheit);
    if (other.kind != CorrectionKind::None)
        return other.Converted();
    return own;
}

std::optional<CorrectedTenths> Calibration::Correct(int channel, bool fahrenheit,
                                                    int tenths) const {
    const ChannelCorrection c = InForce(channel, fahrenheit);
    if (c.kind == CorrectionKind::None)
        return std::nullopt;
    const auto [value, beyond] = c.Apply(tenths / 10.0);
    // Rounded half away from zero, as every figure of the program.
    return CorrectedTenths{int(std::llround(value * 10)), beyond};
}

QString Calibration::InForceLine(int channel, bool fahrenheit) const {
    const ChannelCorrection c = InForce(channel, fahrenheit);
    if (c.kind == CorrectionKind::None)
        return QString();
    return QStringLiteral("T%1 %2").arg(channel + 1).arg(c.Describe());
}

QStringList Calibration::InForceLines(bool fahrenheit) const {
    QStringList lines;
    for (int channel = 0; channel < 4; ++channel) {
        const QString line = InForceLine(channel, fahrenheit);
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}
