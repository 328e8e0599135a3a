#include "cli/stop_signals.h"

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

bool StopSignals::Block() {
    const sigset_t set = StopSet();
    return sigprocmask(SIG_BLOCK, &set, nullptr) == 0;
}

void StopSignals::Unblock() {
    const sigset_t set = StopSet();
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

StopSignals::StopSignals() {
    const sigset_t set = StopSet();
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignals::Read);
}

StopSignals::~StopSignals() {
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

void StopSignals::Read() {
    signalfd_siginfo info;
    while (::read(fd_, &info, sizeof info) == ssize_t(sizeof info))
        Q_EMIT StopRequested(int(info.ssi_signo));
}
