#include "serve/live_report.h"

#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "recording/recorder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <functional>

namespace {

QJsonValue Degrees(const std::optional<int>& tenths) {
    return tenths ? QJsonValue(*tenths / 10.0) : QJsonValue(QJsonValue::Null);
}

QJsonArray DegreesArray(const std::array<std::optional<int>, 4>& tenths) {
    QJsonArray values;
    for (const std::optional<int>& t : tenths)
        values.append(Degrees(t));
    return values;
}

QJsonArray TextArray(const std::array<QString, 4>& texts) {
    QJsonArray values;
    for (const QString& t : texts)
        values.append(t);
    return values;
}

ChannelSample Now(const LiveSources& s, int channel) {
    return SampleChannel(s.live.Channels[size_t(channel)], s.alarms.AlarmC(channel),
                         s.alarms.AlarmF(channel));
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

} // namespace

QByteArray DecimalText(int tenths) {
    const int whole = std::abs(tenths) / 10;
    return (tenths < 0 ? "-" : "") + QByteArray::number(whole) + '.' +
           QByteArray::number(std::abs(tenths) % 10);
}

QByteArray LiveJson(const LiveSources& s) {
    const bool unitF = s.live.UnitF;
    QJsonArray channels;
    for (int i = 0; i < 4; ++i) {
        const ChannelState& state = s.live.Channels[size_t(i)];
        const ChannelSample now = Now(s, i);
        channels.append(QJsonObject{
            {"channel", i + 1},
            {"type", state.TypeLetter},
            {"probe", state.ProbeValid},
            {"over", state.ProbeValid && state.OverRange},
            {"under", state.ProbeValid && !state.OverRange && state.UnderRange},
            // The panel's text in the meter's unit, and the number it stands for.
            {"text", unitF ? now.TextF : now.TextC},
            {"value", Degrees(unitF ? now.ChartedF : now.ChartedC)},
            {"textC", now.TextC},
            {"textF", now.TextF},
            {"valueC", Degrees(now.ChartedC)},
            {"valueF", Degrees(now.ChartedF)},
            {"alarm", unitF ? now.AtAlarmF : now.AtAlarmC},
            {"alarmC", s.alarms.AlarmC(i) / 10.0},
            {"alarmF", s.alarms.AlarmF(i) / 10.0},
        });
    }
    QJsonObject last;
    if (!s.history.empty()) {
        last = {{"number", s.history.back().number}, {"time", s.history.back().record.TimeText}};
    }
    const QJsonObject root{
        {"unit", s.live.UnitText},
        {"link",
         QJsonObject{{"up", !s.link.LinkLost},
                     {"text", s.link.LinkLost ? QStringLiteral("No COM") : s.link.PortCaption()}}},
        {"recording",
         QJsonObject{{"on", Recording(s)},
                     {"file", Recording(s) ? s.recorder->CurrentFileName() : QString()}}},
        {"lastSample", last.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(last)},
        {"channels", channels},
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
            {"valueC", DegreesArray(n.record.ChartedC)},
            {"valueF", DegreesArray(n.record.ChartedF)},
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
                       LabelValue(s.live.Channels[size_t(i)].TypeLetter) + "\"} " + *v + '\n';
            }
        }
    };
    const auto flag = [](bool on) { return std::optional<QByteArray>(on ? "1" : "0"); };
    const auto decimal = [](const std::optional<int>& tenths) {
        return tenths ? std::optional<QByteArray>(DecimalText(*tenths)) : std::nullopt;
    };
    // Prometheus wants base units (its lint refuses "fahrenheit" in a name); the °F series
    // are there for dashboards of labs that read °F, named so as not to pass for a base unit.
    const auto state = [&s](int i) -> const ChannelState& { return s.live.Channels[size_t(i)]; };

    perChannel("corvilab_temperature_celsius", "Reading of the channel in degrees Celsius.",
               [&](int i) { return decimal(Now(s, i).ChartedC); });
    perChannel("corvilab_temperature_degrees_f", "Reading of the channel in degrees Fahrenheit.",
               [&](int i) { return decimal(Now(s, i).ChartedF); });
    perChannel("corvilab_probe_present", "1 when a thermocouple is plugged into the channel.",
               [&](int i) { return flag(state(i).ProbeValid); });
    perChannel("corvilab_over_range", "1 when the channel reads Over.",
               [&](int i) { return flag(Now(s, i).TextC == QLatin1String("Over")); });
    perChannel("corvilab_under_range", "1 when the channel reads Under.",
               [&](int i) { return flag(Now(s, i).TextC == QLatin1String("Under")); });
    perChannel("corvilab_alarm_active",
               "1 when the reading is at or above the channel's alarm value.", [&](int i) {
                   const ChannelSample now = Now(s, i);
                   return flag(s.live.UnitF ? now.AtAlarmF : now.AtAlarmC);
               });
    perChannel("corvilab_alarm_limit_celsius", "Alarm value of the channel in degrees Celsius.",
               [&](int i) { return decimal(s.alarms.AlarmC(i)); });
    perChannel("corvilab_alarm_limit_degrees_f",
               "Alarm value of the channel in degrees Fahrenheit.",
               [&](int i) { return decimal(s.alarms.AlarmF(i)); });

    const auto single = [&](const char* name, const char* type, const char* help, qint64 value) {
        family(name, type, help);
        out += name + QByteArray(" ") + QByteArray::number(value) + '\n';
    };
    single("corvilab_link_up", "gauge", "1 while the meter is linked.", s.link.LinkLost ? 0 : 1);
    single("corvilab_recording", "gauge", "1 while a recording is being written.",
           Recording(s) ? 1 : 0);
    single("corvilab_samples_total", "counter", "Samples taken since serving started.",
           s.counters.samples);
    single("corvilab_link_losses_total", "counter", "Times the link to the meter was lost.",
           s.counters.linkLosses);
    single("corvilab_packets_decoded_total", "counter", "Live packets and replies read whole.",
           s.link.Reader().Packets());
    single("corvilab_rejected_bytes_total", "counter",
           "Received bytes dropped because they started no frame.", s.link.Reader().StrayBytes());
    return out;
}
