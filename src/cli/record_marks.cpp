#include "cli/record_marks.h"

#include "cli/command_line.h"
#include "cli/console_output.h"
#include "compare/compare_options.h"
#include "recording/marks.h"
#include "session/meter_session.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A mark is one short line; a line far longer is cut, a request far longer is no mark.
constexpr qsizetype kMaxLineBytes = 4096;
// A client of the marks socket that says nothing this long is dropped.
constexpr int kClientMs = 5000;
constexpr int kMaxClients = 8;

// The marks socket of this user. In $XDG_RUNTIME_DIR, which is the user's alone; else in a
// folder of the user's own in the temporary folder, made if missing and refused when anyone
// else could put a socket there. Empty with the reason in `error`.
QString MarksSocketPath(QString* error) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return runtime + QStringLiteral("/corvilab-marks");
    const QString folder = QDir::tempPath() + QStringLiteral("/corvilab-%1").arg(::getuid());
    const QByteArray name = QFile::encodeName(folder);
    ::mkdir(name.constData(), 0700);
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
        *error = QStringLiteral("%1 is not a folder of this user's alone").arg(folder);
        return {};
    }
    return folder + QStringLiteral("/marks");
}

QString Notice(const Mark& mark) {
    return QStringLiteral("mark at %1: %2")
        .arg(mark.time.toString(QStringLiteral("HH:mm:ss")), mark.What());
}

} // namespace

StandardInputLines::StandardInputLines(std::function<void(const QString& line)> onLine)
    : onLine_(std::move(onLine)) {}

StandardInputLines::~StandardInputLines() = default;

void StandardInputLines::Start() {
    // A closed standard input gives nothing to read. A run in the background of a terminal must
    // not be stopped for reading it: a read there fails instead, and ends the reading.
    if (notifier_ || ::fcntl(STDIN_FILENO, F_GETFD) < 0)
        return;
    if (::isatty(STDIN_FILENO) && ::tcgetpgrp(STDIN_FILENO) != ::getpgrp())
        return;
    std::signal(SIGTTIN, SIG_IGN);
    notifier_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StandardInputLines::Read);
}

void StandardInputLines::Read() {
    char bytes[4096];
    const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        // The end: a last line without its line end is a line too.
        if (!partial_.isEmpty())
            onLine_(QString::fromUtf8(std::exchange(partial_, {})));
        Stop();
        return;
    }
    partial_.append(bytes, n);
    for (qsizetype end; (end = partial_.indexOf('\n')) >= 0 || partial_.size() > kMaxLineBytes;) {
        const qsizetype size = end >= 0 ? end : kMaxLineBytes;
        const QByteArray line = partial_.left(size);
        partial_.remove(0, end >= 0 ? end + 1 : size);
        onLine_(QString::fromUtf8(line));
    }
}

void StandardInputLines::Stop() {
    if (notifier_)
        notifier_->setEnabled(false);
}

RecordMarks::RecordMarks(MeterSession& meter, ConsoleOutput& out)
    : meter_(meter)
    , out_(out)
    , input_([this](const QString& line) {
        // A blank line is no mark; anything else is, or is said to be none.
        if (line.trimmed().isEmpty())
            return;
        // A mark not written is told with every other source's (TellMarks).
        const QByteArray answer = Place(line);
        if (answer.startsWith("refused"))
            out_.Error(QString::fromUtf8(answer.mid(answer.indexOf(' ') + 1)));
    }) {}

RecordMarks::~RecordMarks() = default;

void RecordMarks::Start() {
    input_.Start();
    QString error;
    const QString path = MarksSocketPath(&error);
    if (!path.isEmpty()) {
        server_ = std::make_unique<QLocalServer>();
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_.get(), &QLocalServer::newConnection, this, &RecordMarks::Accept);
        bool listening = server_->listen(path);
        if (!listening && server_->serverError() == QAbstractSocket::AddressInUseError) {
            // A socket that answers is another recording's; one that does not was left behind.
            QLocalSocket other;
            other.connectToServer(path);
            if (other.waitForConnected(1000)) {
                error = QStringLiteral("another recording of this user takes them");
            } else {
                QLocalServer::removeServer(path);
                listening = server_->listen(path);
            }
        }
        if (!listening && error.isEmpty())
            error = server_->errorString();
        if (!listening)
            server_.reset();
    }
    if (!server_) {
        out_.Error(QStringLiteral("this recording does not take the marks of 'corvilab-cli "
                                  "mark': %1; standard input still takes them")
                       .arg(error));
    }
}

QByteArray RecordMarks::Place(const QString& input) {
    QString error;
    const std::optional<Mark> mark = ParseMarkInput(input, &error);
    if (!mark)
        return "refused " + QStringLiteral("no mark placed: %1").arg(error).toUtf8();
    const QString file = MarksFileName(meter_.GetRecorder().CurrentFileName());
    if (!meter_.PlaceMark(*mark, &error)) {
        return "failed " + QStringLiteral("the mark is placed but not written to %1: %2")
                               .arg(file, error)
                               .toUtf8();
    }
    return "placed";
}

void RecordMarks::Accept() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        client->setParent(this);
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        if (findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly).size() > kMaxClients) {
            client->abort();
            continue;
        }
        QTimer::singleShot(kClientMs, client, [client] { client->abort(); });
        // One line asks for one mark; the answer is one line, and the connection ends.
        connect(client, &QLocalSocket::readyRead, client, [this, client] {
            if (client->property("answered").toBool()) {
                client->readAll();
                return;
            }
            if (!client->canReadLine()) {
                if (client->bytesAvailable() > kMaxLineBytes)
                    client->abort();
                return;
            }
            const QByteArray line = client->readLine(kMaxLineBytes).trimmed();
            client->setProperty("answered", true);
            client->write(Place(QString::fromUtf8(line)) + '\n');
            client->disconnectFromServer();
        });
    }
}

void TellMarks(MeterSession& meter, QObject* scope, ConsoleOutput& out) {
    QObject::connect(&meter, &MeterSession::MarkPlaced, scope,
                     [&out](const Mark& mark) { out.Error(Notice(mark)); });
    QObject::connect(&meter, &MeterSession::MarkNotWritten, scope,
                     [&out](const QString& why) { out.Error(why); });
}

int MarkCommand(const CommandLine& line, ConsoleOutput& out) {
    QString input = line.arguments.join(QLatin1Char(' '));
    QString error;
    if (line.Has(QStringLiteral("channel"))) {
        const std::optional<int> channel =
            ParseChannel(line.Value(QStringLiteral("channel")), &error);
        if (!channel) {
            out.Error(QStringLiteral("--channel: %1 (try 'corvilab-cli --help')").arg(error));
            return ExitUsage;
        }
        input = QStringLiteral("T%1: ").arg(*channel + 1) + input;
    }
    if (!ParseMarkInput(input, &error)) {
        out.Error(QStringLiteral("%1 (try 'corvilab-cli --help')").arg(error));
        return ExitUsage;
    }
    const QString path = MarksSocketPath(&error);
    QLocalSocket socket;
    if (!path.isEmpty())
        socket.connectToServer(path);
    if (path.isEmpty() || !socket.waitForConnected(2000)) {
        out.Error(QStringLiteral("no recording of this user is running to take the mark; start "
                                 "one with 'corvilab-cli record FILE'"));
        return ExitMeterFailed;
    }
    socket.write(input.toUtf8() + '\n');
    const QDeadlineTimer deadline(qint64(std::ceil(line.timeoutSeconds * 1000.0)));
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState &&
           !deadline.hasExpired())
        socket.waitForReadyRead(int(deadline.remainingTime()));
    const QByteArray answer = socket.readLine(kMaxLineBytes).trimmed();
    if (answer == "placed")
        return ExitSuccess;
    if (answer.isEmpty()) {
        out.Error(QStringLiteral("the recording did not answer within %1 s; the mark may not be "
                                 "placed")
                      .arg(line.timeoutSeconds));
        return ExitMeterFailed;
    }
    out.Error(QString::fromUtf8(answer.mid(answer.indexOf(' ') + 1)));
    return answer.startsWith("refused") ? int(ExitUsage) : int(ExitFileFailed);
}
