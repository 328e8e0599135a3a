#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// Ctrl-C (SIGINT) and SIGTERM as an event: the signals are blocked and read from a descriptor
// that the event loop watches, so a stop request is handled between two events, by ordinary
// code, never inside a signal handler. Nested waits see it too.
class StopSignals : public QObject {
    Q_OBJECT
public:
    // Blocks the two signals for the whole process. Call before anything else runs.
    static bool Block();
    // Lets them act as they would without the program's help again (end the program).
    static void Unblock();

    StopSignals();
    ~StopSignals() override;
    bool IsValid() const { return fd_ >= 0; }

Q_SIGNALS:
    void StopRequested(int signal);

private:
    void Read();

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};
