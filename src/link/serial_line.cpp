#include "link/serial_line.h"

#include <QDeadlineTimer>
#include <QMetaMethod>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Raw 19200 8N1 without flow control. The descriptor does not block, and with VMIN 1 a read that
// finds nothing says so (EAGAIN), so that a read of nothing at all is the end of the line (hung
// up) and not an empty pass.
bool SetLineSettings(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS | CSIZE);
    settings.c_cflag |= CS8;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return ::cfsetispeed(&settings, B19200) == 0 && ::cfsetospeed(&settings, B19200) == 0 &&
           ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

} // namespace

SerialLine::SerialLine(const QString& path, QObject* parent)
    : QIODevice(parent)
    , path_(path) {}

SerialLine::~SerialLine() {
    if (isOpen())
        close();
}

bool SerialLine::open(OpenMode mode) {
    if (isOpen())
        return true;
    const int fd =
        ::open(path_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        setErrorString(ErrorText(errno));
        return false;
    }
    // One program at a time on the line: a second one would take half of every reply.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !SetLineSettings(fd)) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        setErrorString(ErrorText(error));
        return false;
    }
    ::ioctl(fd, TIOCEXCL);
    fd_ = fd;
    readNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, [this] {
        // Nobody waits any more, or the line went away: no more wake-ups for nothing.
        if (!isSignalConnected(QMetaMethod::fromSignal(&SerialLine::readyRead))) {
            readNotifier_->setEnabled(false);
            return;
        }
        if (bytesAvailable() == 0) {
            // Readable with nothing to read: the line was hung up.
            Fail(EIO);
            return;
        }
        Q_EMIT readyRead();
    });
    writeNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, [this] { Flush(); });
    readNotifier_->setEnabled(isSignalConnected(QMetaMethod::fromSignal(&SerialLine::readyRead)));
    return QIODevice::open(mode | QIODevice::Unbuffered);
}

void SerialLine::close() {
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    pending_.clear();
    QIODevice::close();
}

qint64 SerialLine::bytesAvailable() const {
    int count = 0;
    if (fd_ >= 0 && ::ioctl(fd_, FIONREAD, &count) != 0)
        count = 0;
    return QIODevice::bytesAvailable() + count;
}

qint64 SerialLine::readData(char* data, qint64 maxSize) {
    if (fd_ < 0)
        return -1;
    const ssize_t n = ::read(fd_, data, size_t(maxSize));
    if (n > 0)
        return n;
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return 0;
    // A terminal that was hung up reads as its end; a pseudo-terminal whose other end closed, or
    // a pulled adapter, as an error.
    Fail(n == 0 ? EIO : errno);
    return 0;
}

qint64 SerialLine::writeData(const char* data, qint64 size) {
    if (fd_ < 0)
        return -1;
    pending_.append(data, qsizetype(size));
    Flush();
    return size;
}

bool SerialLine::Flush() {
    while (!pending_.isEmpty() && fd_ >= 0) {
        const ssize_t n = ::write(fd_, pending_.constData(), size_t(pending_.size()));
        if (n > 0) {
            pending_.remove(0, qsizetype(n));
            Q_EMIT bytesWritten(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            writeNotifier_->setEnabled(true);
            return true;
        }
        Fail(n < 0 ? errno : EIO);
        return false;
    }
    if (writeNotifier_)
        writeNotifier_->setEnabled(false);
    return true;
}

bool SerialLine::waitForBytesWritten(int msecs) {
    const QDeadlineTimer limit(msecs);
    while (!pending_.isEmpty() && fd_ >= 0) {
        pollfd wanted{fd_, POLLOUT, 0};
        const int ready = ::poll(&wanted, 1, int(limit.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || !Flush())
            break;
    }
    return pending_.isEmpty() && fd_ >= 0;
}

void SerialLine::Clear() {
    if (fd_ >= 0)
        ::tcflush(fd_, TCIOFLUSH);
    pending_.clear();
}

void SerialLine::Fail(int error) {
    if (fd_ < 0)
        return;
    const QString reason = ErrorText(error);
    setErrorString(reason);
    if (readNotifier_)
        readNotifier_->setEnabled(false);
    if (writeNotifier_)
        writeNotifier_->setEnabled(false);
    ::close(fd_);
    fd_ = -1;
    // The device itself is closed once the read that found it has returned.
    QMetaObject::invokeMethod(
        this,
        [this, reason] {
            if (isOpen())
                close();
            Q_EMIT Failed(reason);
        },
        Qt::QueuedConnection);
}

// Both run with the signals' lock held, so neither may ask who is connected: a new listener
// switches the wake-ups on, and the first wake-up that finds no listener switches them off.
void SerialLine::connectNotify(const QMetaMethod& signal) {
    if (signal == QMetaMethod::fromSignal(&SerialLine::readyRead) && readNotifier_ && fd_ >= 0)
        readNotifier_->setEnabled(true);
}
