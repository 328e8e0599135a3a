#pragma once

#include "recording/sampler.h"

#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class ConsoleOutput;
class MeterSession;

// The desktop program's main loop without its window, for `live` and `record`: the polling
// timer reads the meter (linking up first), the sampling timer takes a sample every `interval`
// seconds on the clock's whole seconds, of the readings that are current (none current: no
// sample). It ends after the samples or the duration asked for, on a stop request, or when the
// meter's configuration changes (the desktop program stops a recording then too). A lost link
// is ridden through as the desktop program rides it: no sample while it is lost, numbering
// goes on when the meter is back as it was; a notice on standard error says each.
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

    SamplingRun(MeterSession& session, ConsoleOutput& out, const Settings& settings);

    // Once the link is up and the first packet read: the unit and type letters are known. An
    // exit status other than success ends the run with it.
    std::function<int()> OnLinked;
    // Each sample taken after that; an exit status other than success ends the run with it.
    std::function<int(const SampleRecord&)> OnSample;

    // Runs until the end; the exit status. A stop request ends it with success. The reason of
    // any other end has been written to standard error.
    int Run();
    qint64 SamplesTaken() const { return samples_; }

private:
    enum class End { None, Done, Status, GaveUp, Changed, MeterFailed };
    void Poll();
    void Sample();
    void Sampled(const SampleRecord& record);
    void Finish(End end, int status = 0);
    void LinkLost();
    void LinkBack(bool asBefore);
    QString TimeNow() const;

    MeterSession& session_;
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
