#include "config/alarm_events.h"

#include "config/alarm_settings.h"
#include "recording/sample_record.h"

#include <QRegularExpression>
#include <cmath>

namespace {

const char* const kEventNames[] = {
    "high",       "high-clear", "low",         "low-clear", "probe-lost", "probe-back", "over",
    "over-clear", "under",      "under-clear", "link-lost", "link-back",  "band-out",   "band-in",
};

} // namespace

std::optional<int> DegreesInTenths(const QString& text) {
    static const QRegularExpression kNumber(
        QStringLiteral("^\\s*[-+]?(\\d{1,6}(\\.\\d*)?|\\.\\d+)\\s*$"));
    if (!kNumber.match(text).hasMatch())
        return std::nullopt;
    return int(std::lround(text.trimmed().toDouble() * 10.0));
}

bool IsAlarmStart(AlarmEventKind kind) {
    return int(kind) % 2 == 0; // each start is followed by its end
}

QString AlarmEventName(AlarmEventKind kind) {
    return QString::fromLatin1(kEventNames[int(kind)]);
}

QString AlarmEvent::ChannelText() const {
    return channel < 0 ? QString() : QStringLiteral("T%1").arg(channel + 1);
}

QString AlarmEvent::TimeText() const {
    return time.toString(Qt::ISODate);
}

QString AlarmEvent::Describe() const {
    QString text = time.toString(QStringLiteral("HH:mm:ss"));
    if (channel >= 0)
        text += QLatin1Char(' ') + ChannelText();
    text += QLatin1Char(' ') + AlarmEventName(kind);
    if (!value.isEmpty())
        text += QLatin1Char(' ') + value;
    if (corrected)
        text += QStringLiteral(" corrected");
    if (!limit.isEmpty())
        text += QStringLiteral(" (limit %1 %2)").arg(limit, unit);
    return text;
}

std::vector<AlarmEvent> AlarmDetector::Sample(const SampleRecord& record, bool fahrenheit,
                                              const QDateTime& now) {
    std::vector<AlarmEvent> events;
    if (linkLost_)
        return events;
    const QString unit = fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
    for (int i = 0; i < 4; ++i) {
        const size_t k = size_t(i);
        Watch& w = watch_[k];
        const QString& text = fahrenheit ? record.TextF[k] : record.TextC[k];
        const std::optional<int>& charted = fahrenheit ? record.ChartedF[k] : record.ChartedC[k];
        const auto fire = [&](AlarmEventKind kind, const std::optional<int>& limit = {}) {
            events.push_back({kind, i, text, limit ? AlarmSettings::RangeText(*limit) : QString(),
                              unit, now, record.Corrected[k] != ReadingCorrection::None});
        };

        // A reading not current says nothing about the probe or the limits.
        if (!record.Fresh[k])
            continue;
        if (!charted) { // "- - -": no probe, or no reading
            if (w.probe) {
                w.probe = false;
                w.lost = true;
                fire(AlarmEventKind::ProbeLost);
            }
            continue;
        }
        w.probe = true;
        if (w.lost) {
            w.lost = false;
            fire(AlarmEventKind::ProbeBack);
        }
        const bool over = text == QLatin1String("Over");
        const bool under = text == QLatin1String("Under");
        if (over != w.over) {
            w.over = over;
            fire(over ? AlarmEventKind::Over : AlarmEventKind::OverClear);
        }
        if (under != w.under) {
            w.under = under;
            fire(under ? AlarmEventKind::Under : AlarmEventKind::UnderClear);
        }
        if (over || under)
            continue; // beyond the type's range the reading says nothing about the limits

        const int v = *charted;
        const std::optional<int>& high = limits_.high[k];
        if (!w.high && high && v >= *high) {
            w.high = true;
            fire(AlarmEventKind::High, high);
        } else if (w.high && (!high || v < *high - limits_.hysteresis)) {
            w.high = false;
            fire(AlarmEventKind::HighClear, high);
        }
        const std::optional<int>& low = limits_.low[k];
        if (!w.low && low && v <= *low) {
            w.low = true;
            fire(AlarmEventKind::Low, low);
        } else if (w.low && (!low || v > *low + limits_.hysteresis)) {
            w.low = false;
            fire(AlarmEventKind::LowClear, low);
        }
    }
    return events;
}

std::vector<AlarmEvent> AlarmDetector::Link(bool lost, const QDateTime& now) {
    std::vector<AlarmEvent> events;
    const QString limit = QString::number(limits_.linkLostSeconds);
    if (lost) {
        if (!linkLost_) {
            linkLost_ = true;
            lostSince_ = now;
        }
        if (!linkEvent_ && lostSince_.secsTo(now) >= limits_.linkLostSeconds) {
            linkEvent_ = true;
            events.push_back({AlarmEventKind::LinkLost, -1, {}, limit, QStringLiteral("s"), now});
        }
    } else if (linkLost_) {
        linkLost_ = false;
        if (linkEvent_) {
            linkEvent_ = false;
            events.push_back({AlarmEventKind::LinkBack, -1, {}, limit, QStringLiteral("s"), now});
        }
    }
    return events;
}
