#include "serve/live_report.h"

#include "calibration/calibration.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/reading_text.h"
#include "recording/data_file.h"
#include "recording/recorder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

QJsonValue Degrees(const std::optional<int>& tenths) {
    return tenths ? QJsonValue(*tenths / 10.0) : QJsonValue(QJsonValue::Null);
}

// "Over", "Under" and "- - -" stand for no number, whatever is charted for them.
bool IsNumberText(const QString& text) {
    return !text.isEmpty() && text != QLatin1String("Over") && text != QLatin1String("Under") &&
           text != QLatin1String("- - -");
}

QJsonArray DegreesArray(const std::array<QString, 4>& texts,
                        const std::array<std::optional<int>, 4>& tenths) {
    QJsonArray values;
    for (size_t i = 0; i < texts.size(); ++i)
        values.append(Degrees(IsNumberText(texts[i]) ? tenths[i] : std::nullopt));
    return values;
}

QJsonArray TextArray(const std::array<QString, 4>& texts) {
    QJsonArray values;
    for (const QString& t : texts)
        values.append(t);
    return values;
}

// One channel as every view reports it.
struct ChannelView {
    ChannelSample shown;               // the panel's texts, corrected where the channel is
    bool fresh = false;                // its packet came within LiveState::FreshForMs()
    std::optional<int> valueC, valueF; // the current reading; none for a text or when stale
    bool alarm = false;                // at or beyond one of its alarm limits
    ReadingCorrection correction = ReadingCorrection::None;
    ChannelSample read;                        // what the meter read, where it was corrected
    std::optional<int> readValueC, readValueF; // its number while current
};

ChannelView View(const LiveSources& s, int channel) {
    const ChannelState& state = s.live.Channel(channel);
    ChannelView v;
    v.shown = SampleChannel(state, 0, 0);
    if (s.calibration)
        v.correction = CorrectChannel(v.shown, *s.calibration, channel, 0, 0, &v.read);
    v.fresh = !s.link.LinkLost() && s.live.IsFresh(channel, s.now);
    if (v.fresh && IsNumberText(v.shown.TextC)) {
        v.valueC = v.shown.ChartedC;
        v.valueF = v.shown.ChartedF;
        if (v.correction != ReadingCorrection::None) {
            v.readValueC = v.read.ChartedC;
            v.readValueF = v.read.ChartedF;
        }
    }
    const std::optional<int>& reading = s.limits.fahrenheit ? v.valueF : v.valueC;
    const std::optional<int>& high = s.limits.high[size_t(channel)];
    const std::optional<int>& low = s.limits.low[size_t(channel)];
    v.alarm = reading && ((high && *reading >= *high) || (low && *reading <= *low));
    return v;
}

// A limit in °F or °C, whichever unit it was set in.
std::optional<int> LimitIn(const LiveSources& s, bool fahrenheit, const std::optional<int>& limit) {
    if (!limit || fahrenheit == s.limits.fahrenheit)
        return limit;
    return fahrenheit ? FahrenheitTenths(*limit) : CelsiusTenths(*limit);
}

bool Recording(const LiveSources& s) {
    return s.recorder && s.recorder->Recording();
}

// A label value with the format's three escapes.
QByteArray LabelValue(const QString& text) {
    QByteArray out;
    for (const char c : text.toUtf8()) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c == '\n' ? QByteArray("\\n") : QByteArray(1, c);
    }
    return out;
}

QJsonObject MarkObject(const Mark& mark) {
    return {{"time", DateTimeText(mark.time)},
            {"channel", mark.channel ? QJsonValue(*mark.channel + 1) : QJsonValue()},
            {"text", mark.text}};
}

} // namespace

QByteArray MarkJson(const Mark& mark) {
    return QJsonDocument(MarkObject(mark)).toJson(QJsonDocument::Compact);
}

QByteArray DecimalText(int tenths) {
    const int whole = std::abs(tenths) / 10;
    return (tenths < 0 ? "-" : "") + QByteArray::number(whole) + '.' +
           QByteArray::number(std::abs(tenths) % 10);
}

QByteArray LiveJson(const LiveSources& s) {
    const bool unitF = s.live.UnitF();
    QJsonArray channels;
    for (int i = 0; i < 4; ++i) {
        const ChannelState& state = s.live.Channel(i);
        const ChannelView v = View(s, i);
        const auto limit = [&](bool fahrenheit, const auto& limits) {
            return Degrees(LimitIn(s, fahrenheit, limits[size_t(i)]));
        };
        channels.append(QJsonObject{
            {"channel", i + 1},
            {"type", state.TypeLetter},
            {"probe", state.ProbeValid},
            {"over", state.ProbeValid && state.OverRange},
            {"under", state.ProbeValid && !state.OverRange && state.UnderRange},
            // The panel's text in the meter's unit, and the number it stands for while current.
            {"text", unitF ? v.shown.TextF : v.shown.TextC},
            {"value", Degrees(unitF ? v.valueF : v.valueC)},
            {"fresh", v.fresh},
            // In local time however the link stamped it: a stamp in UTC needs no time-zone look-up
            // for each packet.
            {"lastRead", state.LastRead ? QJsonValue(DateTimeText(state.LastRead->toLocalTime()))
                                        : QJsonValue()},
            {"textC", v.shown.TextC},
            {"textF", v.shown.TextF},
            {"valueC", Degrees(v.valueC)},
            {"valueF", Degrees(v.valueF)},
            {"alarm", v.alarm},
            {"alarmC", limit(false, s.limits.high)},
            {"alarmF", limit(true, s.limits.high)},
            {"alarmLowC", limit(false, s.limits.low)},
            {"alarmLowF", limit(true, s.limits.low)},
            {"corrected", v.correction != ReadingCorrection::None},
            {"beyondCalibration", v.correction == ReadingCorrection::Beyond},
        });
        // What the meter read, beside the corrected reading.
        if (v.correction != ReadingCorrection::None) {
            QJsonObject channel = channels.last().toObject();
            channel.insert("rawText", unitF ? v.read.TextF : v.read.TextC);
            channel.insert("raw", Degrees(unitF ? v.readValueF : v.readValueC));
            channels.replace(channels.size() - 1, channel);
        }
    }
    QJsonArray marks;
    if (s.marks) {
        for (qsizetype i = std::max<qsizetype>(0, s.marks->size() - kMarksListed);
             i < s.marks->size(); ++i)
            marks.append(MarkObject(s.marks->at(i)));
    }
    QJsonObject last;
    if (!s.history.empty()) {
        last = {{"number", s.history.back().number}, {"time", s.history.back().record.TimeText}};
    }
    const QJsonObject root{
        {"program", s.program},
        {"port", s.link.PortCaption()},
        {"unit", s.live.UnitText()},
        {"link", QJsonObject{{"up", !s.link.LinkLost()},
                             {"text", s.link.LinkLost() ? QStringLiteral("No COM")
                                                        : s.link.PortCaption()}}},
        {"recording",
         QJsonObject{{"on", Recording(s)},
                     {"file", Recording(s) ? s.recorder->CurrentFileName() : QString()}}},
        {"lastSample", last.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(last)},
        {"channels", channels},
        {"marks", marks},
        {"markable", s.markable},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QByteArray SamplesJson(const LiveSources& s, qint64 since) {
    QJsonArray samples;
    // Numbers rise by one from the front of the history.
    const qint64 first = s.history.empty() ? 0 : s.history.front().number;
    const size_t skip = since < first ? 0 : size_t(since - first + 1);
    for (size_t i = skip; i < s.history.size(); ++i) {
        const NumberedSample& n = s.history[i];
        samples.append(QJsonObject{
            {"number", n.number},
            {"time", n.record.TimeText},
            {"textC", TextArray(n.record.TextC)},
            {"textF", TextArray(n.record.TextF)},
            {"valueC", DegreesArray(n.record.TextC, n.record.ChartedC)},
            {"valueF", DegreesArray(n.record.TextF, n.record.ChartedF)},
        });
    }
    const QJsonObject root{{"last", s.counters.samples}, {"samples", samples}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QByteArray MetricsText(const LiveSources& s) {
    QByteArray out;
    const auto family = [&out](const char* name, const char* type, const char* help) {
        out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    };
    // One line per channel; a channel without a value has no line (no number to alert on).
    const auto perChannel = [&](const char* name, const char* help,
                                const std::function<std::optional<QByteArray>(int)>& value) {
        family(name, "gauge", help);
        for (int i = 0; i < 4; ++i) {
            const std::optional<QByteArray> v = value(i);
            if (v) {
                out += name + QByteArray("{channel=\"") + QByteArray::number(i + 1) + "\",type=\"" +
                       LabelValue(s.live.Channel(i).TypeLetter) + "\"} " + *v + '\n';
            }
        }
    };
    const auto flag = [](bool on) { return std::optional<QByteArray>(on ? "1" : "0"); };
    const auto decimal = [](const std::optional<int>& tenths) {
        return tenths ? std::optional<QByteArray>(DecimalText(*tenths)) : std::nullopt;
    };
    std::array<ChannelView, 4> views;
    for (int i = 0; i < 4; ++i)
        views[size_t(i)] = View(s, i);
    // What the channel's last packet said, while it is current; nothing once it is stale.
    const auto current = [&](int i, bool on) {
        return views[size_t(i)].fresh ? flag(on) : std::nullopt;
    };
    const auto state = [&s](int i) -> const ChannelState& { return s.live.Channel(i); };

    // Prometheus wants base units (its lint refuses "fahrenheit" in a name); the °F series
    // are there for dashboards of labs that read °F, named so as not to pass for a base unit.
    // "Over", "Under", "- - -" and a stale reading have no temperature line.
    perChannel("corvilab_temperature_celsius",
               "Reading of the channel in degrees Celsius, with the channel's calibration "
               "correction applied where it has one.",
               [&](int i) { return decimal(views[size_t(i)].valueC); });
    perChannel("corvilab_temperature_degrees_f",
               "Reading of the channel in degrees Fahrenheit, with the channel's calibration "
               "correction applied where it has one.",
               [&](int i) { return decimal(views[size_t(i)].valueF); });
    // Only corrected channels have these: elsewhere the reading is what the meter read.
    perChannel("corvilab_reading_raw_celsius",
               "What the meter read on a corrected channel, in degrees Celsius, before its "
               "calibration correction.",
               [&](int i) { return decimal(views[size_t(i)].readValueC); });
    perChannel("corvilab_reading_raw_degrees_f",
               "What the meter read on a corrected channel, in degrees Fahrenheit, before its "
               "calibration correction.",
               [&](int i) { return decimal(views[size_t(i)].readValueF); });
    perChannel("corvilab_reading_beyond_calibration",
               "1 when a corrected channel reads outside its calibrated points (the nearest "
               "point's correction holds).",
               [&](int i) {
                   return views[size_t(i)].valueC &&
                                  views[size_t(i)].correction != ReadingCorrection::None
                              ? flag(views[size_t(i)].correction == ReadingCorrection::Beyond)
                              : std::nullopt;
               });
    perChannel(
        "corvilab_reading_fresh",
        "1 when the channel's reading is current: its packet came within the last 3 seconds, "
        "or five packet intervals of a meter that sends more slowly.",
        [&](int i) { return flag(views[size_t(i)].fresh); });
    perChannel("corvilab_probe_present", "1 when a thermocouple is plugged into the channel.",
               [&](int i) { return current(i, state(i).ProbeValid); });
    perChannel("corvilab_over_range", "1 when the channel reads Over.",
               [&](int i) { return current(i, views[size_t(i)].shown.TextC == "Over"); });
    perChannel("corvilab_under_range", "1 when the channel reads Under.",
               [&](int i) { return current(i, views[size_t(i)].shown.TextC == "Under"); });
    perChannel("corvilab_alarm_active",
               "1 when the reading is at or above the channel's alarm limit, or at or below its "
               "low alarm limit.",
               [&](int i) { return current(i, views[size_t(i)].alarm); });
    const auto limit = [&](const std::array<std::optional<int>, 4>& limits, bool fahrenheit) {
        return
            [&, fahrenheit](int i) { return decimal(LimitIn(s, fahrenheit, limits[size_t(i)])); };
    };
    perChannel("corvilab_alarm_limit_celsius", "Alarm limit of the channel in degrees Celsius.",
               limit(s.limits.high, false));
    perChannel("corvilab_alarm_limit_degrees_f",
               "Alarm limit of the channel in degrees Fahrenheit.", limit(s.limits.high, true));
    perChannel("corvilab_alarm_low_limit_celsius",
               "Low alarm limit of the channel in degrees Celsius.", limit(s.limits.low, false));
    perChannel("corvilab_alarm_low_limit_degrees_f",
               "Low alarm limit of the channel in degrees Fahrenheit.", limit(s.limits.low, true));

    const auto single = [&](const char* name, const char* type, const char* help, qint64 value) {
        family(name, type, help);
        out += name + QByteArray(" ") + QByteArray::number(value) + '\n';
    };
    single("corvilab_link_up", "gauge", "1 while the meter is linked.", s.link.LinkLost() ? 0 : 1);
    single("corvilab_recording", "gauge", "1 while a recording is being written.",
           Recording(s) ? 1 : 0);
    single("corvilab_samples_total", "counter", "Samples taken since serving started.",
           s.counters.samples);
    single("corvilab_link_losses_total", "counter", "Times the link to the meter was lost.",
           s.counters.linkLosses);
    single("corvilab_marks_total", "counter", "Marks placed since serving started.",
           s.counters.marks);
    single("corvilab_packets_decoded_total", "counter", "Live packets and replies read whole.",
           s.link.Reader().Packets());
    single("corvilab_rejected_bytes_total", "counter",
           "Received bytes dropped because they started no frame.", s.link.Reader().StrayBytes());
    return out;
}
