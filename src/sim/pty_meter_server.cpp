#include "sim/pty_meter_server.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A program that stops reading must not make the simulator hoard its output forever.
constexpr int kMaxPending = 4 * 1024 * 1024;

} // namespace

PtyMeterServer::PtyMeterServer(MeterProtocol& protocol, const QElapsedTimer& clock, QObject* parent)
    : QObject(parent)
    , protocol_(protocol)
    , clock_(clock) {
    tick_.setInterval(10);
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, &PtyMeterServer::Tick);
}

PtyMeterServer::~PtyMeterServer() {
    Close();
}

bool PtyMeterServer::Open(QString& error) {
    Close();
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) {
        error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    termios raw{};
    if (tcgetattr(fd, &raw) == 0) {
        cfmakeraw(&raw);
        cfsetispeed(&raw, B19200);
        cfsetospeed(&raw, B19200);
        tcsetattr(fd, TCSANOW, &raw);
    }
    const char* name = ptsname(fd);
    if (!name) {
        error = QStringLiteral("cannot name the pseudo-terminal: %1").arg(strerror(errno));
        ::close(fd);
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    // Opening and closing the slave once puts the master in its "nobody there" state, which
    // poll reports as a hang-up; before that it would silently buffer everything written.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave >= 0)
        ::close(slave);
    master_ = fd;
    readable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    readable_->setEnabled(false);
    connect(readable_.get(), &QSocketNotifier::activated, this, &PtyMeterServer::ReadMaster);
    writable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    writable_->setEnabled(false);
    connect(writable_.get(), &QSocketNotifier::activated, this, &PtyMeterServer::WritePending);
    pending_.clear();
    protocol_.SetPlugged(true, clock_.nsecsElapsed());
    tick_.start();
    return true;
}

void PtyMeterServer::Close() {
    tick_.stop();
    readable_.reset();
    writable_.reset();
    pending_.clear();
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
        protocol_.SetPlugged(false, clock_.nsecsElapsed());
    }
}

bool PtyMeterServer::SlaveClosed() const {
    pollfd p{master_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
}

void PtyMeterServer::Tick() {
    if (master_ < 0)
        return;
    const qint64 now = clock_.nsecsElapsed();
    if (SlaveClosed()) {
        // Nobody listens: the meter talks into the void.
        readable_->setEnabled(false);
        writable_->setEnabled(false);
        pending_.clear();
        protocol_.Produce(now);
        return;
    }
    readable_->setEnabled(true);
    pending_.append(protocol_.Produce(now));
    if (pending_.size() > kMaxPending)
        pending_.clear();
    WritePending();
}

void PtyMeterServer::ReadMaster() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            protocol_.Receive(QByteArray(buffer, int(n)), clock_.nsecsElapsed());
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        // EIO: the slave was closed. The tick turns reading back on once it is open again.
        readable_->setEnabled(false);
        break;
    }
    // A reply may be due at once in fast mode.
    pending_.append(protocol_.Produce(clock_.nsecsElapsed()));
    WritePending();
}

void PtyMeterServer::WritePending() {
    while (!pending_.isEmpty()) {
        const ssize_t n = ::write(master_, pending_.constData(), size_t(pending_.size()));
        if (n > 0) {
            pending_.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            // The program reads slower than we write (a fast dump): go on when it has room.
            writable_->setEnabled(true);
            return;
        }
        pending_.clear();
        break;
    }
    writable_->setEnabled(false);
}
