#include "config/alarm_actions.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTimer>

#include <csignal>
#include <unistd.h>

namespace {

// The shell and whatever it started form one process group, so that a command ended at its
// time limit leaves nothing behind.
void EndGroup(QProcess* process) {
    if (process->processId() > 0)
        ::kill(-pid_t(process->processId()), SIGKILL);
    process->kill();
}

} // namespace

QProcessEnvironment AlarmEnvironment(const AlarmEvent& event) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CORVILAB_EVENT"), AlarmEventName(event.kind));
    env.insert(QStringLiteral("CORVILAB_CHANNEL"), event.ChannelText());
    env.insert(QStringLiteral("CORVILAB_VALUE"), event.value);
    env.insert(QStringLiteral("CORVILAB_UNIT"), event.unit);
    env.insert(QStringLiteral("CORVILAB_LIMIT"), event.limit);
    env.insert(QStringLiteral("CORVILAB_TIME"), event.TimeText());
    return env;
}

AlarmCommand::AlarmCommand(QObject* parent)
    : QObject(parent) {}

AlarmCommand::~AlarmCommand() {
    EndRunning();
}

void AlarmCommand::WaitForRunning() {
    const QDeadlineTimer deadline(timeLimitMs_);
    for (QProcess* process : findChildren<QProcess*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (process->state() != QProcess::NotRunning)
            process->waitForFinished(int(deadline.remainingTime()));
    }
    EndRunning();
}

void AlarmCommand::EndRunning() {
    for (QProcess* process : findChildren<QProcess*>(QString(), Qt::FindDirectChildrenOnly)) {
        // Nothing is reported of a command the program ends.
        process->disconnect(this);
        if (process->state() != QProcess::NotRunning) {
            EndGroup(process);
            process->waitForFinished();
        }
        delete process;
    }
}

void AlarmCommand::Run(const AlarmEvent& event) {
    if (commandLine_.isEmpty())
        return;
    const QString what =
        QStringLiteral("the alarm command for %1")
            .arg((event.ChannelText() + QLatin1Char(' ') + AlarmEventName(event.kind)).trimmed());
    auto* process = new QProcess(this);
    auto* limit = new QTimer(process);
    limit->setSingleShot(true);
    process->setProcessEnvironment(AlarmEnvironment(event));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
    });
    connect(process, &QProcess::started, this, [this, limit] {
        limit->start(timeLimitMs_);
        Q_EMIT Started();
    });
    connect(limit, &QTimer::timeout, process, [this, process, what] {
        Q_EMIT Failed(QStringLiteral("%1 was ended after %2 s")
                          .arg(what, QString::number(timeLimitMs_ / 1000.0)));
        EndGroup(process);
    });
    connect(
        process, &QProcess::errorOccurred, this,
        [this, process, limit, what](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return; // a crash or a kill ends in finished(), reported there
            Q_EMIT Failed(
                QStringLiteral("%1 could not be started: %2").arg(what, process->errorString()));
            limit->stop();
            process->deleteLater();
        });
    connect(process, &QProcess::finished, this,
            [this, process, limit, what](int code, QProcess::ExitStatus status) {
                if (limit->isActive() && status == QProcess::CrashExit)
                    Q_EMIT Failed(QStringLiteral("%1 crashed").arg(what));
                else if (status == QProcess::NormalExit && code != 0)
                    Q_EMIT Failed(QStringLiteral("%1 ended with status %2").arg(what).arg(code));
                limit->stop();
                process->deleteLater();
            });
    process->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), commandLine_});
}
