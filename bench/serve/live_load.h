#pragma once

// Crowds on one served meter: `clients` connections to `corvilab-cli record --http` that each
// ask /api/live `perSecond` times a second while the program records once a second; slow
// clients that trickle a request a byte a second beside one normal client; and nobody at all,
// as through most of a long recording.

#include "recording/data_file.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

#include <QElapsedTimer>

#include <list>
#include <memory>
#include <unistd.h>

struct LiveLoad {
    qint64 answered = 0;           // replies of 200 with the four channels
    qint64 bad = 0;                // any other reply, or a connection lost
    QList<qint64> recordNumbers;   // the record lines of the file, in order
    QList<QDateTime> recordTimes;  // and their times
    bool fileWhole = false;        // every line of the file read, none broken
    int exitCode = -1;             // of corvilab-cli, stopped by SIGTERM
    QByteArray errors;             // its standard error
    double processorSeconds = 0.0; // its processor time while loaded
    QString failure;               // what kept the run from starting
};

struct QuietRun {
    double processorSeconds = 0.0;    // corvilab-cli's own, user and system
    double simProcessorSeconds = 0.0; // corvilab-sim's, which is not the program's
    qint64 wakeups = 0;               // times corvilab-cli went to sleep and was woken
    double seconds = 0.0;             // measured
    qint64 records = 0;               // lines recorded meanwhile
    QString failure;
};

struct SlowLoad {
    QList<double> answerMs;        // the normal client's answers, whole, in milliseconds
    qint64 unanswered = 0;         // its requests without a whole answer within 5 s
    qint64 slowClosed = 0;         // slow connections the server closed
    double processorSeconds = 0.0; // corvilab-cli's processor time while measured
    QString failure;
};

namespace live_load {

inline void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Processor time of a running process, all its threads, from /proc: their time on the processor
// to the nanosecond where the kernel keeps it (a quiet program uses a few 10 ms ticks of user and
// system time in 10 s, too few to count by), else user and system time.
inline double ProcessorSecondsOf(qint64 pid) {
    const QString task = QStringLiteral("/proc/%1/task").arg(pid);
    qint64 onProcessorNs = 0;
    bool counted = false;
    for (const QString& thread : QDir(task).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(task + QLatin1Char('/') + thread + QStringLiteral("/schedstat"));
        if (schedstat.open(QIODevice::ReadOnly)) {
            onProcessorNs += schedstat.readAll().split(' ').value(0).toLongLong();
            counted = true;
        }
    }
    if (counted)
        return double(onProcessorNs) / 1e9;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1.0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
           double(sysconf(_SC_CLK_TCK));
}

// How often a running process has given up the processor to wait (each wait ends in a wakeup),
// from /proc.
inline qint64 WakeupsOf(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("voluntary_ctxt_switches:"))
            return line.mid(24).trimmed().toLongLong();
    }
    return -1;
}

// One keep-alive connection asking on a timer; a request still unanswered skips its turn.
class Client : public QObject {
public:
    Client(quint16 port, int perSecond, LiveLoad& load)
        : load_(load) {
        connect(&socket_, &QTcpSocket::readyRead, this, [this] { Read(); });
        connect(&socket_, &QTcpSocket::disconnected, this, [this] {
            if (asking_)
                ++load_.bad;
            asking_ = false;
        });
        connect(&timer_, &QTimer::timeout, this, [this] { Ask(); });
        socket_.connectToHost(QHostAddress::LocalHost, port_ = port);
        timer_.start(1000 / perSecond);
    }
    void Stop() { timer_.stop(); }

private:
    void Ask() {
        if (asking_)
            return;
        if (socket_.state() == QAbstractSocket::UnconnectedState)
            socket_.connectToHost(QHostAddress::LocalHost, port_);
        asking_ = true;
        got_.clear();
        socket_.write("GET /api/live HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    }
    void Read() {
        got_ += socket_.readAll();
        const qsizetype end = got_.indexOf("\r\n\r\n");
        if (!asking_ || end < 0)
            return;
        static const QRegularExpression length(QStringLiteral("Content-Length: *(\\d+)"),
                                               QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = length.match(QString::fromLatin1(got_.left(end)));
        const qsizetype size = m.hasMatch() ? m.captured(1).toLongLong() : 0;
        if (got_.size() < end + 4 + size)
            return;
        const bool ok =
            got_.startsWith("HTTP/1.1 200 ") &&
            QJsonDocument::fromJson(got_.mid(end + 4, size))["channels"].toArray().size() == 4;
        ++(ok ? load_.answered : load_.bad);
        got_.remove(0, end + 4 + size);
        asking_ = false;
    }

    LiveLoad& load_;
    QTcpSocket socket_;
    QTimer timer_;
    QByteArray got_;
    quint16 port_ = 0;
    bool asking_ = false;
};

// A client that sends a request a byte a second and never ends it; when the server closes
// the connection, it connects again at its next byte.
class Trickler : public QObject {
public:
    Trickler(quint16 port, SlowLoad& load)
        : port_(port)
        , load_(load) {
        connect(&socket_, &QTcpSocket::readyRead, this, [this] { socket_.readAll(); });
        connect(&socket_, &QTcpSocket::disconnected, this, [this] { ++load_.slowClosed; });
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        socket_.connectToHost(QHostAddress::LocalHost, port_);
        timer_.start(1000);
    }
    void Stop() {
        timer_.stop();
        socket_.disconnect(this);
    }

private:
    void Tick() {
        static const QByteArray request = "GET /api/live HTTP/1.1\r\nX-Slow: ";
        if (socket_.state() == QAbstractSocket::UnconnectedState) {
            socket_.connectToHost(QHostAddress::LocalHost, port_);
            sent_ = 0;
            return;
        }
        socket_.write(sent_ < request.size() ? request.mid(sent_, 1) : QByteArray("a"));
        ++sent_;
    }

    quint16 port_;
    SlowLoad& load_;
    QTcpSocket socket_;
    QTimer timer_;
    qsizetype sent_ = 0;
};

// A normal client: every `everyMs` a new connection asks /api/live once; the time to the
// whole answer is kept.
class Asker : public QObject {
public:
    Asker(quint16 port, int everyMs, SlowLoad& load)
        : port_(port)
        , load_(load) {
        connect(&timer_, &QTimer::timeout, this, [this] { Ask(); });
        timer_.start(everyMs);
    }
    void Stop() { timer_.stop(); }

private:
    void Ask() {
        if (socket_) {
            if (clock_.elapsed() < 5000)
                return;
            ++load_.unanswered;
        }
        socket_ = std::make_unique<QTcpSocket>();
        got_.clear();
        clock_.start();
        connect(socket_.get(), &QTcpSocket::connected, this,
                [this] { socket_->write("GET /api/live HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"); });
        connect(socket_.get(), &QTcpSocket::readyRead, this, [this] { Read(); });
        socket_->connectToHost(QHostAddress::LocalHost, port_);
    }
    void Read() {
        got_ += socket_->readAll();
        const qsizetype end = got_.indexOf("\r\n\r\n");
        static const QRegularExpression length(QStringLiteral("Content-Length: *(\\d+)"));
        const QRegularExpressionMatch m = length.match(QString::fromLatin1(got_.left(end)));
        if (end < 0 || !m.hasMatch() || got_.size() < end + 4 + m.captured(1).toLongLong())
            return;
        if (got_.startsWith("HTTP/1.1 200 "))
            load_.answerMs << double(clock_.nsecsElapsed()) / 1e6;
        else
            ++load_.unanswered;
        socket_.release()->deleteLater();
    }

    quint16 port_;
    SlowLoad& load_;
    QTimer timer_;
    std::unique_ptr<QTcpSocket> socket_;
    QByteArray got_;
    QElapsedTimer clock_;
};

} // namespace live_load

// Starts corvilab-sim (with `simArguments`) and `corvilab-cli ARGUMENTS --port ...` serving on a
// free port; the port served, or 0 with the reason in `failure`.
inline quint16 StartServing(const QString& cli, const QString& sim, const QStringList& arguments,
                            QProcess& meter, QProcess& program, QString* failure,
                            const QStringList& simArguments = {"--fast"}) {
    meter.start(sim, simArguments);
    while (!meter.canReadLine() && meter.waitForReadyRead(10000)) {
    }
    const QString port = QString::fromLocal8Bit(meter.readLine()).trimmed();
    program.start(cli, QStringList{"--port", port} + arguments);
    program.setReadChannel(QProcess::StandardError);
    while (!program.canReadLine() && program.waitForReadyRead(10000)) {
    }
    const QString said = QString::fromLocal8Bit(program.readLine());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("serving the live view at http://127.0.0.1:(\\d+)/"))
            .match(said);
    if (port.isEmpty() || !m.hasMatch()) {
        *failure = QStringLiteral("no server: ") + said;
        return 0;
    }
    return quint16(m.captured(1).toUInt());
}

// Ends the programs, politely first.
inline void StopPrograms(QProcess& program, QProcess& meter) {
    for (QProcess* p : {&program, &meter}) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(10000))
                p->kill();
        }
    }
}

// Runs the crowd for `seconds` against corvilab-cli recording to `file` from corvilab-sim.
inline LiveLoad RunLiveLoad(const QString& cli, const QString& sim, const QString& file,
                            int clients, int perSecond, int seconds) {
    LiveLoad load;
    QProcess meter, program;
    const quint16 served = StartServing(cli, sim, {"record", file, "--http", "127.0.0.1:0"}, meter,
                                        program, &load.failure);
    if (!served) {
        StopPrograms(program, meter);
        return load;
    }
    std::list<live_load::Client> crowd;
    for (int i = 0; i < clients; ++i)
        crowd.emplace_back(served, perSecond, load);
    const double before = live_load::ProcessorSecondsOf(program.processId());
    live_load::Wait(seconds * 1000);
    load.processorSeconds = live_load::ProcessorSecondsOf(program.processId()) - before;
    for (live_load::Client& c : crowd)
        c.Stop();
    live_load::Wait(500);
    crowd.clear();
    program.terminate();
    program.waitForFinished(10000);
    load.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    load.errors = program.readAllStandardError();
    StopPrograms(program, meter);
    const DataFileReadResult read =
        ReadDataFile(file, [&load](qint64 lineNumber, const DataFields& fields) {
            if (lineNumber > 1) {
                load.recordNumbers << fields[0].toLongLong();
                load.recordTimes << QDateTime::fromString(fields[1],
                                                          QStringLiteral("yyyy/MM/dd HH:mm:ss"));
            }
            return true;
        });
    load.fileWhole = read.opened && read.complete;
    return load;
}

// `corvilab-cli record --http` from corvilab-sim at its own pace (19200 baud, packets back to
// back), with no client: the processor time and wakeups of corvilab-cli alone over `seconds`,
// from 3 s after it serves, when the link is up.
inline QuietRun RunQuiet(const QString& cli, const QString& sim, const QString& file, int seconds) {
    QuietRun run;
    QProcess meter, program;
    const quint16 served = StartServing(cli, sim, {"record", file, "--http", "127.0.0.1:0"}, meter,
                                        program, &run.failure, {});
    if (served) {
        live_load::Wait(3000);
        const qint64 pid = program.processId();
        const double before = live_load::ProcessorSecondsOf(pid);
        const double simBefore = live_load::ProcessorSecondsOf(meter.processId());
        const qint64 wakeupsBefore = live_load::WakeupsOf(pid);
        QElapsedTimer wall;
        wall.start();
        live_load::Wait(seconds * 1000);
        run.processorSeconds = live_load::ProcessorSecondsOf(pid) - before;
        run.simProcessorSeconds = live_load::ProcessorSecondsOf(meter.processId()) - simBefore;
        run.wakeups = live_load::WakeupsOf(pid) - wakeupsBefore;
        run.seconds = double(wall.elapsed()) / 1000.0;
    }
    StopPrograms(program, meter);
    ReadDataFile(file, [&run](qint64 lineNumber, const DataFields&) {
        run.records += lineNumber > 1;
        return true;
    });
    return run;
}

// `slow` clients trickling a request a byte a second at `corvilab-cli serve`, and one normal
// client asking four times a second, for `seconds` after the slow ones have come.
inline SlowLoad RunSlowClients(const QString& cli, const QString& sim, int slow, int seconds) {
    SlowLoad load;
    QProcess meter, program;
    const quint16 served =
        StartServing(cli, sim, {"serve", "--listen", "127.0.0.1:0"}, meter, program, &load.failure);
    if (served) {
        std::list<live_load::Trickler> slowOnes;
        for (int i = 0; i < slow; ++i)
            slowOnes.emplace_back(served, load);
        live_load::Wait(3000);
        live_load::Asker normal(served, 250, load);
        const double before = live_load::ProcessorSecondsOf(program.processId());
        live_load::Wait(seconds * 1000);
        load.processorSeconds = live_load::ProcessorSecondsOf(program.processId()) - before;
        normal.Stop();
        for (live_load::Trickler& t : slowOnes)
            t.Stop();
    }
    StopPrograms(program, meter);
    return load;
}
