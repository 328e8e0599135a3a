#pragma once

#include "link/live_state.h"
#include "recording/sampler.h"

#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class ConsoleOutput;
class CliSession;

// The desktop program's main loop without its window, for `live`, `record` and `serve`: the
// polling timer reads the meter (linking up first), the sampling timer takes a sample every
// `interval` seconds on the clock's whole seconds, of the readings that are current (none
// current: no sample). It ends after the samples or the duration asked for, or on a stop
// request. A change of the meter's set-up (a probe, a type, the unit) does not end it: the run
// goes on under the new set-up, as the desktop program's recording does. A lost link is ridden
// through as the desktop program rides it: no sample while it is lost, numbering goes on when
// the meter is back; a notice on standard error says each.
class SamplingRun : public QObject {
    Q_OBJECT
public:
    struct Settings {
        int interval = 1;             // seconds between samples, 1 .. 86400
        qint64 samples = 0;           // 0: no limit
        double durationSeconds = 0.0; // 0: no limit
        double giveUpSeconds = 0.0;   // a link lost this long ends the run; 0: never
        QString goesOn;               // what the notice of a link that is back says goes on
    };

    SamplingRun(CliSession& session, ConsoleOutput& out, const Settings& settings);

    // Once the link is up and the first packet read: the unit and type letters are known. An
    // exit status other than success ends the run with it.
    std::function<int()> OnLinked;
    // Each sample taken after that; an exit status other than success ends the run with it.
    std::function<int(const SampleRecord&)> OnSample;
    // Each later change of the meter's set-up, with what changed and when ("T1 probe unplugged
    // at 14:05:09"); an exit status other than success ends the run with it. Unset: a notice on
    // standard error says what changed and that the run goes on.
    std::function<int(const QString& change)> OnChanged;

    // Runs until the end; the exit status. A stop request ends it with success. The reason of
    // any other end has been written to standard error.
    int Run();
    qint64 SamplesTaken() const { return samples_; }

private:
    enum class End { None, Done, Status, GaveUp, MeterFailed };
    void Linked();
    void Sampled(const SampleRecord& record);
    void Finish(End end, int status = 0);
    void LinkLost();
    void LinkBack();
    void SetupChanged(const QString& change);
    QString TimeNow() const;

    CliSession& session_;
    ConsoleOutput& out_;
    Settings settings_;
    QEventLoop loop_;
    QTimer duration_;
    QTimer giveUp_;
    QString lostAt_; // the local time the link was lost; empty while linked
    bool started_ = false;
    qint64 samples_ = 0;
    End end_ = End::None;
    int status_ = 0;
};
