#include "session/meter_session.h"

#include "compare/band_watch.h"
#include "link/clock.h"

MeterSession::MeterSession(const Clock& clock)
    : MeterSession(clock, Settings()) {}

MeterSession::MeterSession(const Clock& clock, const Settings& settings)
    : clock_(clock)
    , link_(clock_, timers_, live_)
    , alarms_(live_)
    , sampler_(clock_, live_, alarms_, settings.sampleCapacity)
    , watch_(clock_, link_, sampler_)
    , recorder_(settings.recordsPerFile) {
    sampler_.SetCalibration(&calibration_);
    // Samples on the clock's whole seconds.
    timers_.AlignSamplingTo(clock_);
    connect(&timers_.PollingTimer(), &QTimer::timeout, this, &MeterSession::Poll);
    connect(&timers_.SamplingTimer(), &QTimer::timeout, this, &MeterSession::Sample);
    connect(&link_, &MeterLink::ConfigurationChanged, this, &MeterSession::OnConfigurationChanged);
    connect(&link_, &MeterLink::ChannelRebuilt, this, &MeterSession::OnChannelRebuilt);
    connect(&link_, &MeterLink::Resynced, this, &MeterSession::OnResynced);
    connect(&link_, &MeterLink::LinkCaptionChanged, this, &MeterSession::OnLinkCaption);
    connect(&link_, &MeterLink::LiveWindowsMustClose, this, &MeterSession::LiveWindowsMustClose);
    connect(&sampler_, &Sampler::SampleTaken, this, [this](const SampleRecord& record) {
        // Offered while idle too: the recorder's listeners hear of every sample.
        recorder_.RecordSample(record);
        Q_EMIT SampleTaken(record);
    });
    connect(&sampler_, &Sampler::ReadingsStale, this, &MeterSession::ReadingsStale);
    // Held against the reference after the sampling handler has returned, with the other
    // alarms, so that no alarm holds up polling, sampling or recording.
    connect(&sampler_, &Sampler::SampleTaken, this, &MeterSession::HoldAgainstReference,
            Qt::QueuedConnection);
    connect(&watch_, &AlarmWatch::EventFired, this, &MeterSession::AlarmFired);
    connect(&recorder_, &Recorder::Started, this, [this] {
        if (reference_)
            reference_->Restart();
    });
    connect(&recorder_, &Recorder::Continued, this,
            [this] { Q_EMIT RecordingFileChanged(recorder_.CurrentFileName()); });
}

MeterSession::~MeterSession() {
    // Nested waits must return before the objects they use go.
    Stop();
    server_.reset();
    link_.SetDevice(nullptr, QString());
}

void MeterSession::Attach(QIODevice* device, const QString& caption) {
    link_.SetLinkLost(true);
    link_.SetDevice(device, caption);
}

void MeterSession::Start() {
    if (!stopped_)
        timers_.StartBoth();
}

void MeterSession::Stop() {
    stopped_ = true;
    timers_.StopBoth();
    link_.Cancel();
}

void MeterSession::SetSamplingTime(double seconds) {
    sampler_.SetSamplingTime(seconds);
    sampler_.RestartTickCount();
}

std::array<QString, 4> MeterSession::TypeLetters() const {
    std::array<QString, 4> letters;
    for (size_t i = 0; i < letters.size(); ++i)
        letters[i] = live_.Channel(int(i)).TypeLetter;
    return letters;
}

bool MeterSession::StartRecording(const QString& path, QString* error) {
    if (recorder_.Start(path, live_.UnitText(), live_.UnitF(), TypeLetters()))
        return true;
    *error = recorder_.StartError();
    return false;
}

bool MeterSession::StopRecording(QString* error) {
    if (recorder_.Stop())
        return true;
    *error = recorder_.StopError();
    return false;
}

void MeterSession::SetAlarmUnit(std::optional<bool> fahrenheit) {
    alarmUnit_ = fahrenheit;
    watch_.SetUnit(fahrenheit);
}

void MeterSession::SetCalibration(const Calibration& calibration) {
    calibration_ = calibration;
    recorder_.SetCorrections(calibration_.InForceLines(false), calibration_.InForceLines(true));
    Q_EMIT CalibrationChanged();
}

bool MeterSession::PlaceMark(const Mark& mark, QString* error, Mark* placed) {
    Mark m = mark;
    m.time = clock_.Now();
    m.sample = sampler_.Buffers().Count() + sampler_.Buffers().Dropped();
    m.afterRecord = recorder_.Recording() ? recorder_.RecordCount() : 0;
    bool kept = true;
    const QString file = MarksFileName(recorder_.CurrentFileName());
    if (recorder_.Recording())
        kept = AppendMarkToFile(file, m, error);
    marks_.append(m);
    if (marks_.size() > kMarksKept)
        marks_.removeFirst();
    if (placed)
        *placed = m;
    Q_EMIT MarkPlaced(m);
    if (!kept) {
        Q_EMIT MarkNotWritten(
            QStringLiteral("the mark is placed but not written to %1: %2").arg(file, *error));
    }
    return kept;
}

void MeterSession::StartSamplesOver() {
    sampler_.StartOver();
    for (Mark& m : marks_)
        m.sample.reset();
}

void MeterSession::SetReference(std::unique_ptr<BandWatch> reference) {
    reference_ = std::move(reference);
    referenceProblem_.clear();
}

void MeterSession::ClearReference() {
    reference_.reset();
}

bool MeterSession::Serve(const LiveServer::Settings& settings, QString* error) {
    server_.reset();
    auto server = std::make_unique<LiveServer>(live_, link_, alarms_, sampler_);
    server->SetRecorder(&recorder_);
    server->SetCalibration(&calibration_);
    server->SetMarks(&marks_, [this](const Mark& mark, QString* error, Mark* placed) {
        return PlaceMark(mark, error, placed);
    });
    connect(this, &MeterSession::MarkPlaced, server.get(), &LiveServer::CountMark);
    if (!server->Start(settings, error))
        return false;
    server_ = std::move(server);
    return true;
}

void MeterSession::StopServing() {
    server_.reset();
}

void MeterSession::Poll() {
    if (stopped_)
        return;
    if (link_.PollTick() == MeterLink::PollResult::Cancelled)
        Q_EMIT PollCancelled();
}

void MeterSession::Sample() {
    if (stopped_)
        return;
    timers_.SamplingTicked();
    // The port may fail between two polls, before the recovery stops the sampling timer: what
    // the live state still holds was not read on a working link.
    if (!link_.LinkLost())
        sampler_.SampleTick();
}

void MeterSession::OnConfigurationChanged() {
    const MeterSetup now = live_.CurrentSetup();
    const bool first = !setup_;
    const QString change = QStringLiteral("%1 at %2")
                               .arg(first ? QStringLiteral("the meter's set-up changed")
                                          : SetupChangeText(*setup_, now),
                                    TimeNow());
    setup_ = now;
    // The channels still measuring go on being recorded; the next file's heading tells the new
    // set-up.
    if (recorder_.Recording())
        recorder_.Continue(live_.UnitText(), live_.UnitF(), TypeLetters(), change);
    for (int i = 0; i < 4; ++i)
        alarms_.RebuildChannel(i);
    StartSamplesOver();
    if (first)
        Q_EMIT LinkUp();
    else
        Q_EMIT SetupChanged(change);
}

void MeterSession::OnChannelRebuilt(int channel) {
    // The recovery starts a channel's alarm at the top of its type's range. A channel that came
    // back with the probe, type and unit it had keeps the user's alarm values and ranges: a
    // short break of the line must not quietly disarm an alarm set for a long run.
    const ChannelState& now = live_.Channel(channel);
    const size_t i = size_t(channel);
    const bool asBefore = setup_ && setup_->unit == live_.UnitText() &&
                          setup_->probes[i] == now.ProbeValid && setup_->types[i] == now.TypeCode;
    if (!asBefore)
        alarms_.ResetChannel(channel);
    StartSamplesOver();
    Q_EMIT ChannelRebuilt(channel);
}

void MeterSession::OnResynced(bool asBefore) {
    // A meter set up as before goes on where it was: charts, buffers and lists keep theirs.
    if (!asBefore)
        StartSamplesOver();
    if (lostAt_) {
        lostAt_.reset();
        Q_EMIT LinkBack(asBefore);
    }
}

void MeterSession::OnLinkCaption() {
    // The recovery shows "No COM" on each of its passes; the first one after linking up is the
    // moment the link was lost.
    if (link_.LinkLost() && setup_ && !lostAt_ && !stopped_) {
        lostAt_ = clock_.Now();
        Q_EMIT LinkLost(*lostAt_);
    }
}

void MeterSession::HoldAgainstReference(const SampleRecord& record) {
    if (!reference_)
        return;
    watch_.Fire(reference_->Sample(record, alarmUnit_.value_or(live_.UnitF()), clock_.Now()));
    if (reference_->Problem() != referenceProblem_) {
        referenceProblem_ = reference_->Problem();
        if (!referenceProblem_.isEmpty())
            Q_EMIT ReferenceUnusable(referenceProblem_);
    }
}

QString MeterSession::TimeNow() const {
    return clock_.Now().toString(QStringLiteral("HH:mm:ss"));
}
