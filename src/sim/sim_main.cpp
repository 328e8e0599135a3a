// corvilab-sim: the simulated meter on a pseudo-terminal, for running Corvilab and its tests
// without an instrument.

#include "sim/meter_model.h"
#include "sim/meter_protocol.h"
#include "sim/meter_scenario.h"
#include "sim/pty_meter_server.h"
#include "sim/sim_control.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

QString Description() {
    return QStringLiteral(
               "The simulated four-channel thermocouple meter on a pseudo-terminal.\n"
               "Prints the path of the serial port to open on its first line of output,\n"
               "then serves until it is ended (SIGTERM, SIGINT or \"quit\").\n"
               "\n"
               "Control lines read from standard input:\n") +
           ControlHelpText() +
           QStringLiteral(
               "\n"
               "A scenario file holds one statement a line ('#' starts a comment); readings\n"
               "are tenths of a degree F, dates yyyy/mm/dd hh:mm:ss:\n"
               "  unit C|F   clock DATE TIME|now|none   interval N   poweroff 0..2\n"
               "  memsize 1|2|4|8   recording on|off   status7 on|off   mode "
               "normal|max|min|maxmin\n"
               "  stream [every MS] [jitter MS] [pause on|off]   (the live stream's pace, as\n"
               "                           --packet-interval, --jitter and --no-pause)\n"
               "  channel N [type X] [reading T] [probe on|off] [offset O] [over on|off]\n"
               "            [under on|off] [heat TENTHS_PER_MIN] [overevery S]\n"
               "            [toward T] [settle S] [overshoot TENTHS] [noise TENTHS]\n"
               "  set start DATE TIME [interval N] [unit C|F] [mask M] [types K,J,T,K]\n"
               "      [offsets 0,0,0,0]\n"
               "  record V ...            (one value per channel in the mask: tenths, -, over,\n"
               "                           under)\n"
               "  records N from V step S\n"
               "  manual at DATE TIME [unit C|F] [types ...] [offsets ...] values V V V V\n"
               "Without --scenario the simulator runs a built-in one.\n");
}

void PrintLine(const QString& text) {
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void PrintError(const QString& text) {
    std::fputs(qPrintable(QStringLiteral("corvilab-sim: ") + text + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

// Keeps PATH a symbolic link to the current port; replaced atomically, removed on unplug.
class PortLink {
public:
    explicit PortLink(QString path)
        : path_(std::move(path)) {}

    bool Point(const QString& target, QString& error) {
        if (path_.isEmpty())
            return true;
        const QFileInfo existing(path_);
        if (existing.exists() && !existing.isSymLink()) {
            error = QStringLiteral("%1 exists and is not a symbolic link").arg(path_);
            return false;
        }
        const QString temp = path_ + QStringLiteral(".new");
        QFile::remove(temp);
        if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(temp).constData()) !=
                0 ||
            ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path_).constData()) !=
                0) {
            error = QStringLiteral("cannot make the link %1: %2").arg(path_, strerror(errno));
            QFile::remove(temp);
            return false;
        }
        return true;
    }

    void Remove() {
        if (!path_.isEmpty() && QFileInfo(path_).isSymLink())
            QFile::remove(path_);
    }

private:
    QString path_;
};

} // namespace

int main(int argc, char** argv) {
    // SIGTERM and SIGINT arrive through a descriptor the event loop watches, so the simulator
    // ends between two events and removes its link.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvilab-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVILAB_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(Description());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption fast(QStringLiteral("fast"),
                                  QStringLiteral("Send bytes as fast as possible (for tests) "
                                                 "instead of at 19200 baud."));
    const QCommandLineOption scenario(QStringLiteral("scenario"),
                                      QStringLiteral("Set the meter up from a scenario file."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Keep a symbolic link PATH to the current port."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption interval(
        QStringLiteral("packet-interval"),
        QStringLiteral("Start a live packet every MS milliseconds (0..10000; 0 or less than a "
                       "packet's time on the line: back to back, the default)."),
        QStringLiteral("MS"));
    const QCommandLineOption jitter(
        QStringLiteral("jitter"),
        QStringLiteral("Make each packet interval up to MS milliseconds longer at random "
                       "(0..10000)."),
        QStringLiteral("MS"));
    const QCommandLineOption noPause(QStringLiteral("no-pause"),
                                     QStringLiteral("Keep streaming around replies: a reply goes "
                                                    "out between two packets, with no quiet "
                                                    "time after it."));
    parser.addOption(fast);
    parser.addOption(scenario);
    parser.addOption(link);
    parser.addOption(interval);
    parser.addOption(jitter);
    parser.addOption(noPause);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        PrintError(QStringLiteral("unexpected argument: %1\nTry 'corvilab-sim --help'.")
                       .arg(parser.positionalArguments().constFirst()));
        return 2;
    }

    MeterModel model;
    QString text = DefaultScenarioText();
    QString source = QStringLiteral("default scenario");
    if (parser.isSet(scenario)) {
        source = parser.value(scenario);
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            PrintError(QStringLiteral("%1: %2").arg(source, file.errorString()));
            return 1;
        }
        text = QString::fromUtf8(file.readAll());
    }
    const QString scenarioError = LoadScenario(text, model);
    if (!scenarioError.isEmpty()) {
        PrintError(QStringLiteral("%1: %2").arg(source, scenarioError));
        return 1;
    }

    // The command line's pace wins over the scenario's.
    const auto paceMs = [&](const QCommandLineOption& option, int& ms) {
        if (!parser.isSet(option))
            return true;
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        if (!ok || value < 0 || value > StreamPace::kMaxMs) {
            PrintError(QStringLiteral("--%1 needs 0..%2 milliseconds: %3")
                           .arg(option.names().constFirst())
                           .arg(StreamPace::kMaxMs)
                           .arg(parser.value(option)));
            return false;
        }
        ms = value;
        return true;
    };
    if (!paceMs(interval, model.pace.intervalMs) || !paceMs(jitter, model.pace.jitterMs))
        return 2;
    if (parser.isSet(noPause))
        model.pace.pauseForReplies = false;

    QElapsedTimer clock;
    clock.start();
    MeterProtocol protocol(model);
    protocol.SetFast(parser.isSet(fast));
    PtyMeterServer server(protocol, clock);
    PortLink portLink(parser.value(link));

    QString error;
    if (!server.Open(error) || !portLink.Point(server.SlavePath(), error)) {
        PrintError(error);
        return 1;
    }
    PrintLine(server.SlavePath());

    const int signalFd = signalfd(-1, &stopSignals, SFD_NONBLOCK | SFD_CLOEXEC);
    QSocketNotifier signalNotifier(signalFd, QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        signalfd_siginfo info;
        while (::read(signalFd, &info, sizeof info) > 0) {
        }
        QCoreApplication::quit();
    });

    QByteArray input;
    QSocketNotifier stdinNotifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinNotifier, &QSocketNotifier::activated, &app, [&] {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            if (n == 0 || errno != EINTR)
                stdinNotifier.setEnabled(false); // end of input: keep serving
            return;
        }
        input.append(buffer, int(n));
        int end;
        while ((end = input.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(input.left(end));
            input.remove(0, end + 1);
            const ControlResult result = ApplyControlLine(line, protocol);
            if (!result.error.isEmpty())
                PrintError(result.error);
            QString linkError;
            switch (result.action) {
            case ControlAction::Unplug:
                server.Close();
                portLink.Remove();
                break;
            case ControlAction::Plug:
                if (server.IsOpen())
                    break;
                if (!server.Open(linkError) || !portLink.Point(server.SlavePath(), linkError))
                    PrintError(linkError);
                else
                    PrintLine(server.SlavePath());
                break;
            case ControlAction::Echo:
                PrintLine(result.echo);
                break;
            case ControlAction::Quit:
                QCoreApplication::quit();
                break;
            case ControlAction::None:
                break;
            }
        }
    });

    const int status = app.exec();
    server.Close();
    portLink.Remove();
    ::close(signalFd);
    return status;
}
