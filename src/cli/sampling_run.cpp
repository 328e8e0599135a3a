#include "cli/sampling_run.h"

#include "cli/cli_session.h"
#include "cli/command_line.h"
#include "cli/console_output.h"
#include "recording/recorder.h"

#include <cmath>

SamplingRun::SamplingRun(CliSession& session, ConsoleOutput& out, const Settings& settings)
    : session_(session)
    , out_(out)
    , settings_(settings) {
    duration_.setSingleShot(true);
    connect(&duration_, &QTimer::timeout, this, [this] { Finish(End::Done); });
    giveUp_.setSingleShot(true);
    connect(&giveUp_, &QTimer::timeout, this, [this] { Finish(End::GaveUp); });
}

int SamplingRun::Run() {
    MeterSession& meter = session_.Meter();
    meter.SetSamplingTime(settings_.interval);

    QObject scope; // the run's connections end with it
    connect(&meter, &MeterSession::LinkUp, &scope, [this] { Linked(); });
    connect(&meter, &MeterSession::SetupChanged, &scope,
            [this](const QString& change) { SetupChanged(change); });
    connect(&meter, &MeterSession::SampleTaken, &scope,
            [this](const SampleRecord& record) { Sampled(record); });
    connect(&meter, &MeterSession::LinkLost, &scope, [this] { LinkLost(); });
    connect(&meter, &MeterSession::LinkBack, &scope, [this] { LinkBack(); });
    connect(&meter, &MeterSession::PollCancelled, &scope,
            [this] { Finish(session_.Interrupted() ? End::Done : End::MeterFailed); });
    connect(&session_, &CliSession::Interrupting, &scope, [this] { Finish(End::Done); });
    connect(&session_, &CliSession::DeadlinePassed, &scope, [this] { Finish(End::MeterFailed); });

    // Linking up waits for the meter; after that every packet read is bounded by the link's own
    // limits, and a meter that goes quiet loses the link, which the recovery waits out.
    session_.ArmDeadline();
    meter.Start();
    if (end_ == End::None)
        loop_.exec();

    meter.Stop();
    duration_.stop();
    giveUp_.stop();
    session_.DisarmDeadline();

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

void SamplingRun::Linked() {
    if (started_ || end_ != End::None)
        return;
    // From here on the unit and type letters are the meter's.
    started_ = true;
    session_.DisarmDeadline();
    if (settings_.durationSeconds > 0)
        duration_.start(int(std::ceil(settings_.durationSeconds * 1000.0)));
    const int status = OnLinked ? OnLinked() : ExitSuccess;
    if (status != ExitSuccess)
        Finish(End::Status, status);
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
    if (!started_ || end_ != End::None)
        return;
    lostAt_ = TimeNow();
    out_.Error(QStringLiteral("lost the link to the meter on %1 at %2; waiting for it to come back")
                   .arg(session_.PortName(), lostAt_));
    if (settings_.giveUpSeconds > 0)
        giveUp_.start(int(std::ceil(settings_.giveUpSeconds * 1000.0)));
}

void SamplingRun::LinkBack() {
    if (!started_ || end_ != End::None)
        return;
    // A meter back with another set-up goes on too: the next poll finds the change.
    giveUp_.stop();
    lostAt_.clear();
    out_.Error(QStringLiteral("the link to the meter on %1 is back at %2; %3")
                   .arg(session_.PortName(), TimeNow(), settings_.goesOn));
}

void SamplingRun::SetupChanged(const QString& change) {
    if (!started_ || end_ != End::None)
        return;
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
    // Any wait still running inside a poll returns now.
    session_.Meter().Stop();
    loop_.quit();
}
