#include "recording/sampler.h"

#include "link/clock.h"
#include "link/live_state.h"
#include "recording/data_file.h"

#include <algorithm>

ChannelSample SampleChannel(const ChannelState& channel, int alarmC, int alarmF,
                            std::optional<int> overC) {
    ChannelSample s;
    if (!channel.ProbeValid) {
        s.TextC = s.TextF = QStringLiteral("- - -");
    } else if (channel.OverRange) {
        s.TextC = s.TextF = QStringLiteral("Over");
        s.ChartedC = overC.value_or(channel.UpperC);
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

Sampler::Sampler(const Clock& clock, const LiveState& live, const AlarmValues& alarms, int capacity,
                 QObject* parent)
    : QObject(parent)
    , clock_(clock)
    , live_(live)
    , alarms_(alarms)
    , buffers_(capacity) {}

ChannelFreshness Sampler::Freshness() const {
    const QDateTime now = clock_.Now();
    ChannelFreshness fresh;
    for (int i = 0; i < 4; ++i)
        fresh[size_t(i)] = live_.IsFresh(i, now);
    return fresh;
}

bool Sampler::SampleTick() {
    const ChannelFreshness fresh = Freshness();
    const auto current = std::count(fresh.begin(), fresh.end(), true);
    if (current < 4)
        Q_EMIT ReadingsStale(fresh);
    if (sampleTickCount_ < samplingTime_) {
        sampleTickCount_ += 1;
        return false;
    }
    // Nothing current: a hole. The count stays, so the sample comes as soon as a reading does.
    if (current == 0)
        return false;
    TakeSample(fresh);
    sampleTickCount_ = 1;
    return true;
}

SampleRecord Sampler::TakeSample(const ChannelFreshness& fresh) {
    SampleRecord record;
    record.Fresh = fresh;
    for (int i = 0; i < 4; ++i) {
        const size_t k = size_t(i);
        ChannelSample s;
        if (fresh[k])
            s = SampleChannel(live_.Channel(k), alarms_.AlarmC(i), alarms_.AlarmF(i),
                              alarms_.OverC(i));
        else
            s.TextC = s.TextF = QStringLiteral("- - -"); // a reading not seen is not recorded
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
