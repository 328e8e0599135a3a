#include "cli/sampling_run.h"

#include "cli/command_line.h"
#include "cli/console_output.h"
#include "cli/meter_session.h"
#include "config/alarm_settings.h"
#include "recording/recorder.h"

#include <cmath>

SamplingRun::SamplingRun(MeterSession& session, ConsoleOutput& out, const Settings& settings)
    : session_(session)
    , out_(out)
    , settings_(settings) {
    duration_.setSingleShot(true);
    connect(&duration_, &QTimer::timeout, this, [this] { Finish(End::Done); });
    giveUp_.setSingleShot(true);
    connect(&giveUp_, &QTimer::timeout, this, [this] { Finish(End::GaveUp); });
}

int SamplingRun::Run() {
    MeterTimers& timers = session_.Timers();
    MeterLink& link = session_.Link();
    Sampler& sampler = session_.GetSampler();
    AlarmSettings& alarms = session_.Alarms();
    sampler.SetSamplingTime(settings_.interval);
    sampler.RestartTickCount();
    // Samples on the clock's whole seconds, as in the desktop program.
    timers.AlignSamplingTo(session_.GetClock());

    // The same wiring as the desktop program's, less the windows.
    connect(&timers.PollingTimer(), &QTimer::timeout, this, &SamplingRun::Poll);
    connect(&timers.SamplingTimer(), &QTimer::timeout, this, &SamplingRun::Sample);
    connect(&sampler, &Sampler::SampleTaken, this, &SamplingRun::Sampled);
    connect(&link, &MeterLink::ChannelRebuilt, this, [&](int channel) {
        alarms.ResetChannel(channel);
        sampler.StartOver();
    });
    connect(&link, &MeterLink::ConfigurationChanged, this, [&] {
        for (int i = 0; i < 4; ++i)
            alarms.RebuildChannel(i);
        sampler.StartOver();
    });
    connect(&link, &MeterLink::Resynced, this, [&](bool asBefore) {
        // A meter set up as before goes on where it was.
        if (!asBefore)
            sampler.StartOver();
        if (started_ && end_ == End::None)
            LinkBack();
    });
    // The recovery shows "No COM" on each of its passes; the first one after linking up is the
    // moment the link was lost.
    connect(&link, &MeterLink::LinkCaptionChanged, this, [this](const QString& caption) {
        if (started_ && end_ == End::None && caption == QLatin1String("No COM") &&
            lostAt_.isEmpty())
            LinkLost();
    });
    connect(&session_, &MeterSession::Interrupting, this, [this] { Finish(End::Done); });
    connect(&session_, &MeterSession::DeadlinePassed, this, [this] { Finish(End::MeterFailed); });

    // Linking up waits for the meter; after that every packet read is bounded by the link's own
    // limits, and a meter that goes quiet loses the link, which the recovery waits out.
    session_.ArmDeadline();
    timers.StartBoth();
    if (end_ == End::None)
        loop_.exec();

    timers.PollingTimer().stop();
    timers.SamplingTimer().stop();
    duration_.stop();
    giveUp_.stop();
    session_.DisarmDeadline();
    disconnect(&timers.PollingTimer(), nullptr, this, nullptr);
    disconnect(&timers.SamplingTimer(), nullptr, this, nullptr);
    disconnect(&sampler, nullptr, this, nullptr);

    switch (end_) {
    case End::None:
    case End::Done:
        return ExitSuccess;
    case End::Status:
        return status_;
    case End::GaveUp:
        out_.Error(QStringLiteral("the meter on %1 did not come back within %2 s of losing the "
                                  "link at %3; stopped after %4 samples")
                       .arg(session_.PortName(), QString::number(settings_.giveUpSeconds), lostAt_)
                       .arg(samples_));
        return ExitMeterFailed;
    case End::MeterFailed:
        out_.Error(session_.FailureText(QStringLiteral("linking up")));
        return ExitMeterFailed;
    }
    return ExitMeterFailed;
}

void SamplingRun::Poll() {
    if (end_ != End::None)
        return;
    const MeterLink::PollResult result = session_.Link().PollTick();
    if (end_ != End::None)
        return;
    switch (result) {
    case MeterLink::PollResult::Cancelled:
        Finish(session_.Interrupted() ? End::Done : End::MeterFailed);
        return;
    case MeterLink::PollResult::Unchanged:
    case MeterLink::PollResult::Changed:
        break;
    case MeterLink::PollResult::Busy:
    case MeterLink::PollResult::Resynced:
    case MeterLink::PollResult::Lost:
        return;
    }
    if (started_) {
        if (result == MeterLink::PollResult::Changed)
            SetupChanged();
        return;
    }
    // The first packet after linking up is always taken as a change (the recovery forgets the
    // unit); from here on the unit and type letters are the meter's.
    started_ = true;
    setup_ = session_.Live().CurrentSetup();
    session_.DisarmDeadline();
    if (settings_.durationSeconds > 0)
        duration_.start(int(std::ceil(settings_.durationSeconds * 1000.0)));
    const int status = OnLinked ? OnLinked() : ExitSuccess;
    if (status != ExitSuccess)
        Finish(End::Status, status);
}

void SamplingRun::Sample() {
    if (end_ != End::None)
        return;
    session_.Timers().SamplingTicked();
    // The port may fail between two polls, before the recovery stops the sampling timer.
    if (lostAt_.isEmpty())
        session_.GetSampler().SampleTick();
}

void SamplingRun::Sampled(const SampleRecord& record) {
    // Samples of a link that is still coming up are the desktop panel's business only.
    if (end_ != End::None || !started_)
        return;
    ++samples_;
    const int status = OnSample ? OnSample(record) : ExitSuccess;
    if (status != ExitSuccess)
        Finish(End::Status, status);
    else if (settings_.samples > 0 && samples_ >= settings_.samples)
        Finish(End::Done);
}

void SamplingRun::LinkLost() {
    lostAt_ = TimeNow();
    out_.Error(QStringLiteral("lost the link to the meter on %1 at %2; waiting for it to come back")
                   .arg(session_.PortName(), lostAt_));
    if (settings_.giveUpSeconds > 0)
        giveUp_.start(int(std::ceil(settings_.giveUpSeconds * 1000.0)));
}

void SamplingRun::LinkBack() {
    // A meter back with another set-up goes on too: the next poll finds the change.
    giveUp_.stop();
    lostAt_.clear();
    out_.Error(QStringLiteral("the link to the meter on %1 is back at %2; %3")
                   .arg(session_.PortName(), TimeNow(), settings_.goesOn));
}

void SamplingRun::SetupChanged() {
    const MeterSetup now = session_.Live().CurrentSetup();
    const QString change = QStringLiteral("%1 at %2").arg(SetupChangeText(setup_, now), TimeNow());
    setup_ = now;
    if (!OnChanged) {
        out_.Error(
            QStringLiteral("the meter's set-up changed: %1; %2").arg(change, settings_.goesOn));
        return;
    }
    const int status = OnChanged(change);
    if (status != ExitSuccess)
        Finish(End::Status, status);
}

QString SamplingRun::TimeNow() const {
    return session_.GetClock().Now().toString(QStringLiteral("HH:mm:ss"));
}

void SamplingRun::Finish(End end, int status) {
    if (end_ != End::None)
        return;
    end_ = end;
    status_ = status;
    session_.Timers().PollingTimer().stop();
    session_.Timers().SamplingTimer().stop();
    // Any wait still running inside a poll returns now.
    session_.Link().Cancel();
    loop_.quit();
}
