#pragma once

#include "config/alarm_events.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QString>

// The environment a user's alarm command sees for one event: the program's own environment
// plus CORVILAB_EVENT, CORVILAB_CHANNEL, CORVILAB_VALUE, CORVILAB_UNIT, CORVILAB_LIMIT and
// CORVILAB_TIME.
QProcessEnvironment AlarmEnvironment(const AlarmEvent& event);

// The user's command, run by the shell once per event. It starts without waiting for it,
// runs beside the program and is ended when it outlives its time limit; a command that fails
// is reported, never more. What it prints goes to the program's standard error, so that it
// never mixes with data on standard output. A command still running when the program ends is
// ended with all it started, without a report: it did not fail, the program went.
class AlarmCommand : public QObject {
    Q_OBJECT
public:
    explicit AlarmCommand(QObject* parent = nullptr);
    ~AlarmCommand() override;

    // The shell command line run at each event; empty: nothing runs.
    const QString& CommandLine() const { return commandLine_; }
    void SetCommandLine(const QString& commandLine) { commandLine_ = commandLine; }
    // A command still running this long after it started is ended.
    void SetTimeLimit(int ms) { timeLimitMs_ = ms; }

    void Run(const AlarmEvent& event);
    // Lets the commands still running end, within one time limit from now, before the program
    // does; those still running then are ended quietly.
    void WaitForRunning();
    // Ends every command still running, quietly.
    void EndRunning();

Q_SIGNALS:
    void Started();
    // "the alarm command for T1 high could not be started: ..."
    void Failed(const QString& message);

private:
    QString commandLine_;
    int timeLimitMs_ = 10000;
};
