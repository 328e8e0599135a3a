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
// is reported, never more.
class AlarmCommand : public QObject {
    Q_OBJECT
public:
    explicit AlarmCommand(QObject* parent = nullptr);

    QString Command;         // empty: nothing runs
    int TimeLimitMs = 10000; // a command still running after this is ended

    void Run(const AlarmEvent& event);
    // Lets the commands still running end (each within its time limit) before the program
    // does; a program that ends kills them otherwise.
    void WaitForRunning();

Q_SIGNALS:
    void Started();
    // "the alarm command for T1 high could not be started: ..."
    void Failed(const QString& message);
};
