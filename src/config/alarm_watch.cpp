#include "config/alarm_watch.h"

#include "config/alarm_log.h"
#include "config/alarm_settings.h"
#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "recording/sampler.h"

#include <QCoreApplication>

AlarmWatch::AlarmWatch(const Clock& clock, MeterLink& link, Sampler& sampler, QObject* parent)
    : QObject(parent)
    , clock_(clock)
    , link_(link) {
    connect(&sampler, &Sampler::SampleTaken, this, &AlarmWatch::Look, Qt::QueuedConnection);
    connect(&link, &MeterLink::LinkCaptionChanged, this, &AlarmWatch::LookAtLink);
    // A lost link becomes an event after some seconds, whether or not anything else happens.
    linkTimer_.setInterval(1000);
    connect(&linkTimer_, &QTimer::timeout, this, &AlarmWatch::LookAtLink);
    linkTimer_.start();
    connect(&command_, &AlarmCommand::Failed, this, &AlarmWatch::ActionFailed);
}

AlarmWatch::~AlarmWatch() = default;

void AlarmWatch::SetLogPath(const QString& path) {
    log_.reset(path.isEmpty() ? nullptr : new AlarmLog(path));
}

void AlarmWatch::Look(const SampleRecord& record) {
    const bool fahrenheit = fahrenheit_.value_or(link_.Live().UnitF());
    if (panelAlarms_) {
        for (int i = 0; i < 4; ++i)
            detector_.SetHighAlarm(i, panelAlarms_->Alarm(fahrenheit, i));
    }
    Fire(detector_.Sample(record, fahrenheit, clock_.Now()));
}

void AlarmWatch::Finish(bool wait) {
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    if (wait)
        command_.WaitForRunning();
    else
        command_.EndRunning();
}

void AlarmWatch::LookAtLink() {
    Fire(detector_.Link(link_.LinkLost(), clock_.Now()));
}

void AlarmWatch::Fire(const std::vector<AlarmEvent>& events) {
    for (const AlarmEvent& event : events) {
        command_.Run(event);
        if (log_ && !log_->Append(event))
            Q_EMIT ActionFailed(QStringLiteral("the alarm log %1 could not be written: %2")
                                    .arg(log_->Path(), log_->Error()));
        Q_EMIT EventFired(event);
    }
}
