#include "link/meter_link.h"

#include "link/clock.h"
#include "link/delay.h"
#include "link/live_state.h"
#include "link/meter_timers.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QScopedValueRollback>
#include <QSerialPort>
#include <QTimer>

namespace {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr int kStatusReplySize = 7;
constexpr int kClockReplySize = 8;

bool IsClockFrame(const QByteArray& b, qsizetype i) {
    if (i + kClockReplySize > b.size() || b[i] != kStx || b[i + kClockReplySize - 1] != kEtx)
        return false;
    const auto at = [&](int k) { return quint8(b[i + k]); };
    return at(1) <= 99 && at(2) <= 12 && at(3) <= 31 && at(4) < 24 && at(5) < 60 && at(6) < 60;
}

// A whole live packet, followed by the next frame's STX or by the end of what was read.
bool IsLivePacketAt(const QByteArray& b, qsizetype i) {
    const qsizetype next = i + LiveState::kPacketSize;
    return IsFramedPacket(b, i) && (next == b.size() || b[next] == kStx);
}

// Where the newest run of `packets` framed packets starts that the packet just before it
// confirms: a 12-byte window that merely starts with STX and ends with ETX may be the end of
// one packet and the start of the next, but two framed windows back to back are the stream's
// own packet boundaries. -1 when there is none.
// `packets` framed packets back to back from `at`.
bool IsFramedRun(const QByteArray& buffer, qsizetype at, int packets) {
    for (int k = 0; k < packets; ++k) {
        if (!IsFramedPacket(buffer, at + qsizetype(k) * LiveState::kPacketSize))
            return false;
    }
    return true;
}

qsizetype NewestConfirmedRun(const QByteArray& buffer, int packets) {
    constexpr int n = LiveState::kPacketSize;
    for (qsizetype at = buffer.size() - qsizetype(packets) * n; at >= n; --at) {
        if (IsFramedRun(buffer, at - n, packets + 1))
            return at;
    }
    return -1;
}

} // namespace

std::optional<StatusReply> ParseStatusReply(const QByteArray& read) {
    if (read.size() < kStatusReplySize)
        return std::nullopt;
    const QByteArray last = read.right(kStatusReplySize);
    if (last[0] != kStx || quint8(last[5]) != 0xFF || last[6] != kEtx)
        return std::nullopt;
    StatusReply reply;
    reply.memoryAddress =
        quint32(quint8(last[1])) << 16 | quint32(quint8(last[2])) << 8 | quint8(last[3]);
    reply.manualCount = quint8(last[4]);
    return reply;
}

std::optional<QByteArray> FindClockReply(const QByteArray& read) {
    qsizetype i = 0;
    while (i + kClockReplySize <= read.size()) {
        if (IsLivePacketAt(read, i)) {
            i += LiveState::kPacketSize;
            continue;
        }
        // A frame starts at the start of the read or right after another frame's ETX; a
        // framed-looking run inside a packet (a high byte of 2, an offset of 0.2) does not.
        if ((i == 0 || read[i - 1] == kEtx) && IsClockFrame(read, i))
            return read.mid(i, kClockReplySize);
        ++i;
    }
    return std::nullopt;
}

MeterLink::MeterLink(const Clock& clock, MeterTimers& timers, LiveState& live, QObject* parent)
    : QObject(parent)
    , clock_(clock)
    , timers_(timers)
    , live_(live) {}

void MeterLink::SetDevice(QIODevice* device, const QString& caption) {
    if (device_)
        disconnect(device_, nullptr, this, nullptr);
    device_ = device;
    caption_ = caption;
    if (auto* port = qobject_cast<QSerialPort*>(device)) {
        connect(port, &QSerialPort::errorOccurred, this,
                [this](QSerialPort::SerialPortError error) { OnDeviceError(int(error)); });
    }
}

void MeterLink::OnDeviceError(int error) {
    // A pulled adapter or a closed pseudo-terminal keeps reporting errors until the port is
    // closed; left open it would flood the event loop.
    auto* port = qobject_cast<QSerialPort*>(device_.data());
    if (!port || (error != QSerialPort::ReadError && error != QSerialPort::ResourceError &&
                  error != QSerialPort::WriteError))
        return;
    const QString reason = port->errorString();
    if (port->isOpen())
        port->close();
    SetLinkLost(true);
    Q_EMIT DeviceFailed(reason);
}

void MeterLink::SendCommand(const QByteArray& bytes) {
    if (device_ && device_->isOpen())
        device_->write(bytes);
}

QByteArray MeterLink::ReadInput() {
    if (!device_ || !device_->isOpen())
        return {};
    return device_->readAll();
}

void MeterLink::WaitForInput(int ms) {
    if (device_ && device_->isOpen() && device_->bytesAvailable() > 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (device_)
        connect(device_, &QIODevice::readyRead, &loop, &QEventLoop::quit);
    loop.exec();
}

void MeterLink::Cancel() {
    cancelled_ = true;
}

void MeterLink::SetLinkLost(bool lost) {
    LinkLost = lost;
    Q_EMIT LinkCaptionChanged(lost ? QStringLiteral("No COM") : caption_);
}

MeterLink::StatusResult MeterLink::QueryStatusSeries() {
    FlushInput();
    for (;;) {
        QByteArray reply;
        int attempts = 0;
        while (attempts < limits_.statusAttempts && reply.size() < kStatusReplySize) {
            if (cancelled_)
                return StatusResult::Cancelled;
            ++attempts;
            if (!ReopenIfClosed()) {
                // The port is gone (adapter pulled): wait quietly for it to come back.
                Delay(limits_.reopenIntervalMs / 1000.0, clock_);
                continue;
            }
            SendCommand(QByteArrayLiteral("A"));
            Delay(0.02, clock_);
            reply = ReadInput();
        }
        if (reply.size() < kStatusReplySize)
            return StatusResult::LimitReached;
        if (const auto status = ParseStatusReply(reply)) {
            MemoryAddress = status->memoryAddress;
            ManualCount = status->manualCount;
            return StatusResult::Valid;
        }
    }
}

bool MeterLink::ReopenIfClosed() {
    if (device_ && device_->isOpen())
        return true;
    auto* port = qobject_cast<QSerialPort*>(device_.data());
    if (!port)
        return false;
    if (lastReopen_.isValid() && lastReopen_.elapsed() < limits_.reopenIntervalMs)
        return false;
    lastReopen_.start();
    if (!port->open(QIODevice::ReadWrite))
        return false;
    port->clear();
    Q_EMIT DeviceReopened();
    return true;
}

bool MeterLink::QueryStatus() {
    for (;;) {
        switch (QueryStatusSeries()) {
        case StatusResult::Valid:
            return true;
        case StatusResult::Cancelled:
            return false;
        case StatusResult::LimitReached:
            // Inside the recovery its own loop starts over; anywhere else the recovery runs
            // once and the query goes on.
            if (inResync_ || !Resync())
                return false;
        }
    }
}

std::optional<QByteArray> MeterLink::ReadStream(int packets) {
    const int size = packets * LiveState::kPacketSize;
    // Stray bytes between packets keep a run from being confirmed by its neighbour; with this
    // much read and still no confirmed run, the run at the very end is taken if it is framed.
    const int enough = size + 4 * LiveState::kPacketSize;
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        FlushInput();
        QByteArray buffer;
        quint64 exchanges = timers_.ExchangesBegun();
        for (int passes = 0; buffer.size() < enough; ++passes) {
            if (cancelled_ || !device_ || !device_->isOpen() || passes >= limits_.streamPasses ||
                elapsed.elapsed() >= limits_.streamGiveUpMs)
                return std::nullopt;
            buffer += ReadInput();
            if (const qsizetype at = NewestConfirmedRun(buffer, packets); at >= 0)
                return buffer.mid(at, size);
            if (buffer.size() < enough)
                WaitForInput(limits_.passWaitMs);
            if (timers_.ExchangesBegun() != exchanges) {
                // A command clicked during the wait used the line: what was read is stale and
                // the time it took says nothing about the meter. Start the read afresh.
                exchanges = timers_.ExchangesBegun();
                FlushInput();
                buffer.clear();
                passes = 0;
                elapsed.restart();
            }
        }
        if (IsFramedRun(buffer, buffer.size() - size, packets))
            return buffer.right(size);
    }
}

std::optional<QByteArray> MeterLink::QueryMeterClock(double waitSeconds) {
    if (!QueryStatus())
        return std::nullopt;
    return RequestMeterClock(waitSeconds);
}

std::optional<QByteArray> MeterLink::RequestMeterClock(double waitSeconds) {
    // No flush: the status query's read ended with its reply, so what comes next starts with a
    // whole frame. The meter resumes its stream soon after the reply, so the wait ends as soon
    // as the reply is in rather than reading packets for the rest of it.
    SendCommand(QByteArrayLiteral("X"));
    const double end = DelayEnd(clock_.SecondsSinceMidnight(), waitSeconds);
    QByteArray read;
    for (;;) {
        read += ReadInput();
        if (std::optional<QByteArray> reply = FindClockReply(read))
            return reply;
        if (cancelled_ || clock_.SecondsSinceMidnight() >= end)
            return std::nullopt;
        WaitForInput(limits_.passWaitMs);
    }
}

bool MeterLink::WriteMeterClock(const QDateTime& when) {
    const QDate date = when.date();
    const QTime time = when.time();
    if (!QueryStatus())
        return false;
    SendCommand(QByteArray{"S"} + char(date.year() % 100) + char(date.month()) + char(date.day()));
    Delay(0.02, clock_);
    if (!QueryStatus())
        return false;
    SendCommand(QByteArray{"T"} + char(time.hour()) + char(time.minute()) + char(time.second()));
    return true;
}

bool MeterLink::Resync() {
    if (inResync_)
        return !cancelled_;
    bool linked;
    {
        ExchangeGuard guard(timers_, ExchangeGuard::Pause::PollingAndSampling);
        QScopedValueRollback<bool> resyncing(inResync_, true);
        linked = RunResync();
    }
    // A recovery inside another command's exchange leaves the timers to that command's guard.
    if (linked && !timers_.ExchangeInProgress())
        timers_.StartBoth();
    return linked;
}

bool MeterLink::RunResync() {
    for (;;) { // each pass starts the recovery over
        if (cancelled_)
            return false;
        TickCount = 0;
        SetLinkLost(true);
        Q_EMIT LiveWindowsMustClose();
        live_.ClearForResync();

        std::optional<QByteArray> packets;
        while (!packets) {
            if (!QueryStatus())
                break;
            packets = ReadStream(4); // a meter that answers but does not stream: ask again
        }
        if (!packets)
            continue;
        for (int ch : live_.DecodeSnapshot(*packets)) {
            live_.PrevProbeValid[size_t(ch)] = live_.Channels[size_t(ch)].ProbeValid;
            live_.PrevTypeCode[size_t(ch)] = live_.Channels[size_t(ch)].TypeCode;
            Q_EMIT ChannelRebuilt(ch);
        }

        std::optional<QByteArray> clockReply;
        while (!clockReply) {
            if (!QueryStatus())
                break;
            clockReply = RequestMeterClock(2.0);
        }
        if (!clockReply)
            continue;
        // Month or day 0: the meter's clock holds no valid date; give it the PC's.
        if ((*clockReply)[2] == 0 || (*clockReply)[3] == 0) {
            if (!WriteMeterClock(clock_.Now()))
                continue;
        }

        SetLinkLost(false);
        Q_EMIT Resynced();
        return true;
    }
}

MeterLink::PollResult MeterLink::PollTick() {
    if (inTick_)
        return PollResult::Busy;
    QScopedValueRollback<bool> ticking(inTick_, true);
    if (LinkLost)
        return Resync() ? PollResult::Resynced : PollResult::Cancelled;

    if (++TickCount >= 100) {
        if (!QueryStatus())
            return PollResult::Cancelled;
        TickCount = 0;
    }
    const std::optional<QByteArray> packet = ReadStream(1);
    if (!packet) {
        if (cancelled_)
            return PollResult::Cancelled;
        FlushInput();
        return Resync() ? PollResult::Lost : PollResult::Cancelled;
    }
    live_.DecodePacket(*packet);
    if (!live_.ConfigurationChanged()) {
        if (!timers_.Timer2.isActive() && !timers_.ExchangeInProgress())
            timers_.Timer2.start();
        return PollResult::Unchanged;
    }
    timers_.Timer2.stop();
    const int channel = live_.CurrentChannel;
    live_.SetRangesFromType(channel);
    live_.RememberConfiguration();
    Q_EMIT ConfigurationChanged(channel);
    return PollResult::Changed;
}
