#pragma once

// Marks placed in a running `record`: a line typed on its standard input, or `corvilab-cli
// mark TEXT` run beside it, which reaches it through a local socket of the user's own (one per
// user, in $XDG_RUNTIME_DIR or else in a folder of the user's own under /tmp). Both end in the
// session's PlaceMark, which writes the mark to the recording's marks file.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class ConsoleOutput;
class MeterSession;
class QLocalServer;
class QSocketNotifier;
struct CommandLine;

// The lines of standard input as they come, without a wake-up while nothing comes. Its end (or
// /dev/null, or a terminal the run is in the background of) ends the reading, nothing else.
class StandardInputLines : public QObject {
    Q_OBJECT
public:
    explicit StandardInputLines(std::function<void(const QString& line)> onLine);
    ~StandardInputLines() override;
    void Start();

private:
    void Read();
    void Stop();

    std::function<void(const QString&)> onLine_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QByteArray partial_; // a line not yet whole
};

// The marks of a running recording, from both sources; each one placed is told on standard
// error as the recording's other notices are.
class RecordMarks : public QObject {
    Q_OBJECT
public:
    RecordMarks(MeterSession& meter, ConsoleOutput& out);
    ~RecordMarks() override;

    // Once the recording runs: reads standard input and takes the marks of `corvilab-cli mark`.
    void Start();

private:
    // The answer to `corvilab-cli mark`: "placed", "refused TEXT" or "failed TEXT".
    QByteArray Place(const QString& input);
    void Accept();

    MeterSession& meter_;
    ConsoleOutput& out_;
    StandardInputLines input_;
    std::unique_ptr<QLocalServer> server_;
};

// Every sampling run: "mark at 10:05:09: T2 load in" on standard error for each mark placed,
// whoever placed it (standard input, `corvilab-cli mark`, the web page), and why a mark was not
// written.
void TellMarks(MeterSession& meter, QObject* scope, ConsoleOutput& out);

// `corvilab-cli mark TEXT [--channel T2]`: the exit status.
int MarkCommand(const CommandLine& line, ConsoleOutput& out);
