#include "logger/logger_set.h"

#include "link/reading_text.h"
#include "link/thermocouple.h"

#include <QDate>
#include <QHash>

namespace {

constexpr char kMarker[4] = {'\x00', '\x55', '\xAA', '\x00'};

quint8 ByteAt(const QByteArray& data, qsizetype i) {
    return quint8(data[i]);
}

LoggedSet ReadHeader(const QByteArray& data, qsizetype p) {
    LoggedSet set;
    set.position = p;
    const quint8 maskByte = ByteAt(data, p + 4);
    set.channelMask = maskByte & 0x0F;
    set.fahrenheit = maskByte & 0x10;
    for (int n = 0; n < 4; ++n) {
        set.typeCodes[size_t(n)] = ByteAt(data, p + 5 + n);
        set.offsetTenths[size_t(n)] = SignedTenths(ByteAt(data, p + 9 + n));
    }
    for (int i = 0; i < 6; ++i)
        set.start[size_t(i)] = ByteAt(data, p + 13 + i);
    set.startText = LoggerDateTimeText(set.start);
    set.interval = ByteAt(data, p + 19);
    set.headerRecordCount =
        ByteAt(data, p + 20) << 16 | ByteAt(data, p + 21) << 8 | ByteAt(data, p + 22);
    return set;
}

} // namespace

SetSplit SplitSets(const QByteArray& data) {
    SetSplit split;
    split.dataSize = data.size();
    qsizetype p = 0;
    while (p < data.size()) {
        const qsizetype left = data.size() - p;
        if (left < 4 || memcmp(data.constData() + p, kMarker, 4) != 0) {
            split.status = SplitStatus::MarkerMissing;
            break;
        }
        if (left < LoggedSet::HeaderSize) {
            split.status = SplitStatus::HeaderCutShort;
            break;
        }
        LoggedSet set = ReadHeader(data, p);
        set.number = int(split.sets.size()) + 1;
        const qsizetype size = set.recordSize();
        const qsizetype whole = (left - LoggedSet::HeaderSize) / size;
        set.recordCount = int(std::min<qsizetype>(set.headerRecordCount, whole));
        set.cutShort = set.recordCount < set.headerRecordCount;
        const qsizetype taken = LoggedSet::HeaderSize + set.recordCount * size;
        set.bytes = data.mid(p, taken);
        split.sets.append(std::move(set));
        p += taken;
        if (split.sets.last().cutShort) {
            split.status = SplitStatus::SetCutShort;
            break;
        }
    }
    split.stoppedAt = p;
    return split;
}

QString SplitStatusText(const SetSplit& split) {
    switch (split.status) {
    case SplitStatus::Complete:
        return {};
    case SplitStatus::MarkerMissing:
    case SplitStatus::HeaderCutShort:
        return QStringLiteral("The logger data after byte %1 of %2 could not be read; "
                              "only the sets before it are listed.")
            .arg(split.stoppedAt)
            .arg(split.dataSize);
    case SplitStatus::SetCutShort: {
        const LoggedSet& last = split.sets.last();
        return QStringLiteral("Set %1 ends after %2 of its %3 records; "
                              "the rest was not in the logger data.")
            .arg(last.number)
            .arg(last.recordCount)
            .arg(last.headerRecordCount);
    }
    }
    return {};
}

std::array<QString, 4> SetTableRow::cells() const {
    return {QString::number(number), dateTime, QString::number(interval),
            QString::number(recordCount)};
}

SetTableRow SetTableRowOf(const LoggedSet& set) {
    return {set.number, set.startText, set.interval, set.recordCount, set.cutShort};
}

std::array<QString, 4> SetTableHeadings() {
    return {QStringLiteral("Set"), QStringLiteral("    Date----Time"), QStringLiteral("Intv."),
            QStringLiteral("Rec.s")};
}

std::array<QString, 6> DataListRow::cells(bool fahrenheit) const {
    const auto& t = fahrenheit ? f : c;
    return {QString::number(record), dateTime, t[0], t[1], t[2], t[3]};
}

namespace {

// Record times are plain calendar arithmetic from the set's start: no time zone, no daylight
// saving. A damaged start (day 30 of February, hour 25) carries over into the next field
// instead of failing.
class RecordClock {
public:
    explicit RecordClock(const LoggedSet& set)
        : interval_(set.interval) {
        const auto& s = set.start;
        const QDate date = QDate(2000 + s[0], 1, 1)
                               .addMonths(std::max(1, int(s[1])) - 1)
                               .addDays(std::max(1, int(s[2])) - 1);
        startDay_ = date.toJulianDay();
        startSeconds_ = s[3] * 3600 + s[4] * 60 + s[5];
    }

    QString text(int record) {
        const qint64 total = startSeconds_ + qint64(record - 1) * interval_;
        const qint64 day = startDay_ + total / 86400;
        int secs = int(total % 86400);
        if (day != cachedDay_) {
            cachedDay_ = day;
            cachedDate_ = QDate::fromJulianDay(day).toString(QStringLiteral("yyyy/MM/dd"));
        }
        QString text(cachedDate_.size() + 9, Qt::Uninitialized);
        QChar* out = text.data();
        for (QChar ch : cachedDate_)
            *out++ = ch;
        const int fields[3] = {secs / 3600, secs / 60 % 60, secs % 60};
        const char seps[3] = {' ', ':', ':'};
        for (int i = 0; i < 3; ++i) {
            *out++ = QLatin1Char(seps[i]);
            *out++ = QLatin1Char(char('0' + fields[i] / 10));
            *out++ = QLatin1Char(char('0' + fields[i] % 10));
        }
        return text;
    }

private:
    int interval_;
    qint64 startDay_ = 0;
    qint64 startSeconds_ = 0;
    qint64 cachedDay_ = -1;
    QString cachedDate_;
};

} // namespace

QVector<DataListRow> DecodeSetRows(const LoggedSet& set, int first, int count) {
    QVector<DataListRow> rows;
    first = std::max(first, 1);
    const int last = std::min<qint64>(qint64(first) + std::max(count, 0) - 1, set.recordCount);
    if (last < first)
        return rows;
    rows.reserve(last - first + 1);

    const int size = set.recordSize();
    const QString blank = QStringLiteral(" ");
    // Logged temperatures repeat a lot; decode each distinct value of a channel once.
    std::array<QHash<quint32, ValueTexts>, 4> decoded;
    RecordClock clock(set);
    const auto* data = reinterpret_cast<const quint8*>(set.bytes.constData());

    for (int r = first; r <= last; ++r) {
        const quint8* record = data + LoggedSet::HeaderSize + qsizetype(r - 1) * size;
        DataListRow& row = rows.emplaceBack();
        row.record = r;
        row.dateTime = clock.text(r);
        const quint8 valid = record[0];
        const quint8 range = record[1];
        const quint8* value = record + 2;
        for (int n = 0; n < 4; ++n) {
            if (!(set.channelMask & 1 << n)) {
                row.c[size_t(n)] = blank;
                row.f[size_t(n)] = blank;
                continue;
            }
            const ValueTexts texts =
                ChannelTexts(valid & 1 << n, range & 1 << n, range & 1 << (4 + n), [&] {
                    const quint32 key = quint32(value[0]) << 16 | quint32(value[1]) << 8 | value[2];
                    auto it = decoded[size_t(n)].constFind(key);
                    if (it == decoded[size_t(n)].constEnd())
                        it = decoded[size_t(n)].insert(
                            key, DecodeSetValue(value[0], value[1], value[2], set.fahrenheit,
                                                set.offsetTenths[size_t(n)]));
                    return it.value();
                });
            row.c[size_t(n)] = texts.c;
            row.f[size_t(n)] = texts.f;
            value += 3;
        }
    }
    return rows;
}

QVector<DataListRow> DecodeSetRows(const LoggedSet& set) {
    return DecodeSetRows(set, 1, set.recordCount);
}

std::array<QString, 6> DataListHeadings(const LoggedSet& set, bool fahrenheit) {
    std::array<QString, 6> h{fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C"),
                             QStringLiteral("Date Time")};
    for (int n = 0; n < 4; ++n)
        h[size_t(n + 2)] =
            QStringLiteral("T%1 - ").arg(n + 1) + TypeLetterOf(set.typeCodes[size_t(n)]);
    return h;
}
