#include "recording/sampler.h"

#include "config/alarm_settings.h"
#include "link/clock.h"
#include "link/live_state.h"
#include "recording/data_file.h"

ChannelSample SampleChannel(const ChannelState& channel, int alarmC, int alarmF) {
    ChannelSample s;
    if (!channel.ProbeValid) {
        s.TextC = s.TextF = QStringLiteral("- - -");
    } else if (channel.OverRange) {
        s.TextC = s.TextF = QStringLiteral("Over");
        s.ChartedC = channel.UpperC;
        s.ChartedF = channel.UpperF;
    } else if (channel.UnderRange) {
        s.TextC = s.TextF = QStringLiteral("Under");
        s.ChartedC = channel.LowerC;
        s.ChartedF = channel.LowerF;
    } else if (!channel.ReadingC || !channel.ReadingF) {
        // A probe without a decoded reading yet (just after a link recovery) shows no value.
        s.TextC = s.TextF = QStringLiteral("- - -");
    } else {
        s.TextC = channel.ReadingCText;
        s.TextF = channel.ReadingFText;
        s.ChartedC = channel.ReadingC;
        s.ChartedF = channel.ReadingF;
        s.AtAlarmC = *channel.ReadingC >= alarmC;
        s.AtAlarmF = *channel.ReadingF >= alarmF;
    }
    return s;
}

Sampler::Sampler(const Clock& clock, const LiveState& live, const AlarmSettings& alarms,
                 int capacity, QObject* parent)
    : QObject(parent)
    , clock_(clock)
    , live_(live)
    , alarms_(alarms)
    , buffers_(capacity) {}

bool Sampler::SampleTick() {
    if (SampleTickCount < SamplingTime) {
        SampleTickCount += 1;
        return false;
    }
    TakeSample();
    SampleTickCount = 1;
    return true;
}

SampleRecord Sampler::TakeSample() {
    SampleRecord record;
    for (int i = 0; i < 4; ++i) {
        const size_t k = size_t(i);
        const ChannelSample s =
            SampleChannel(live_.Channels[k], alarms_.AlarmC(i), alarms_.AlarmF(i));
        record.TextC[k] = s.TextC;
        record.TextF[k] = s.TextF;
        record.ChartedC[k] = s.ChartedC;
        record.ChartedF[k] = s.ChartedF;
        // At or above the alarm value the label blinks: one change per sample.
        alarmShownC_[k] = s.AtAlarmC && !alarmShownC_[k];
        alarmShownF_[k] = s.AtAlarmF && !alarmShownF_[k];
    }
    record.AlarmShownC = alarmShownC_;
    record.AlarmShownF = alarmShownF_;
    buffers_.Append(record.ChartedC, record.ChartedF);
    record.SampleIndex = buffers_.Count();
    record.TimeText = DateTimeText(clock_.Now());
    Q_EMIT SampleTaken(record);
    return record;
}
