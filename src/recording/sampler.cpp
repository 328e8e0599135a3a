#include "recording/sampler.h"

#include "calibration/calibration.h"
#include "link/clock.h"
#include "link/live_state.h"
#include "link/reading_text.h"
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

ReadingCorrection CorrectChannel(ChannelSample& sample, const Calibration& calibration, int channel,
                                 int alarmC, int alarmF, ChannelSample* read) {
    const bool normal = sample.ChartedC && sample.ChartedF &&
                        sample.TextC != QLatin1String("Over") &&
                        sample.TextC != QLatin1String("Under");
    if (!normal)
        return ReadingCorrection::None;
    const std::optional<CorrectedTenths> c = calibration.Correct(channel, false, *sample.ChartedC);
    const std::optional<CorrectedTenths> f = calibration.Correct(channel, true, *sample.ChartedF);
    if (!c || !f)
        return ReadingCorrection::None;
    *read = sample;
    sample.ChartedC = c->tenths;
    sample.ChartedF = f->tenths;
    sample.TextC = TenthsText(c->tenths);
    sample.TextF = TenthsText(f->tenths);
    sample.AtAlarmC = c->tenths >= alarmC;
    sample.AtAlarmF = f->tenths >= alarmF;
    // Beyond is judged in the unit the points were given in: the other unit's readings are
    // converted and truncated, and would put a reading at an outermost point outside it.
    const bool givenInF = calibration.Given(channel, false).kind == CorrectionKind::None;
    const bool beyond = givenInF ? f->beyond : c->beyond;
    return beyond ? ReadingCorrection::Beyond : ReadingCorrection::Corrected;
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
        if (fresh[k]) {
            s = SampleChannel(live_.Channel(k), alarms_.AlarmC(i), alarms_.AlarmF(i),
                              alarms_.OverC(i));
            ChannelSample read;
            if (calibration_) {
                record.Corrected[k] = CorrectChannel(s, *calibration_, i, alarms_.AlarmC(i),
                                                     alarms_.AlarmF(i), &read);
                record.RawTextC[k] = read.TextC;
                record.RawTextF[k] = read.TextF;
            }
        } else
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
