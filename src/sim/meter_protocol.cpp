#include "sim/meter_protocol.h"

#include <algorithm>

namespace {

// 19200 baud, one start bit, eight data bits, one stop bit.
constexpr qint64 kLineByteNs = 1000000000LL * 10 / 19200;
constexpr qint64 kFastPacketNs = 2 * MeterProtocol::kMs;
// A reader that has not looked for a while gets at most this much of the old stream; a real
// port's buffer would have overflowed too.
constexpr qint64 kLineBacklogNs = 1000 * MeterProtocol::kMs;
constexpr qint64 kFastBacklogNs = 20 * MeterProtocol::kMs;
// Parameter bytes of one command arrive together; a command left incomplete this long is
// dropped so that a lost byte cannot swallow the next command.
constexpr qint64 kPartialCommandNs = 1000 * MeterProtocol::kMs;

int CommandLength(const QByteArray& pending) {
    switch (pending.at(0)) {
    case 'A':
    case 'X':
    case 'R':
    case 'Q':
        return 1;
    case 'S':
    case 'T':
    case 'W':
    case 'U':
    case 'V':
        return 4;
    case 'Y':
        if (pending.size() < 2)
            return 2;
        return pending.at(1) == 0x01 ? 3 : 2;
    default:
        return 0;
    }
}

quint8 At(const QByteArray& b, int i) {
    return quint8(b.at(i));
}

} // namespace

MeterProtocol::MeterProtocol(MeterModel& model)
    : model_(model) {}

void MeterProtocol::SetFast(bool fast) {
    fast_ = fast;
    quietNs_ = fast ? 50 * kMs : 100 * kMs;
}

void MeterProtocol::SetQuietTimes(qint64 afterCommandNs, qint64 afterSizeQueryNs) {
    quietNs_ = afterCommandNs;
    sizeQueryQuietNs_ = afterSizeQueryNs;
}

qint64 MeterProtocol::ByteNs() const {
    return fast_ ? 0 : kLineByteNs;
}

void MeterProtocol::SetPlugged(bool on, qint64 nowNs) {
    if (on == plugged_)
        return;
    Advance(nowNs);
    plugged_ = on;
    line_.clear();
    pending_.clear();
    pauseAfter_ = -1;
    ready_.clear();
    lineFreeNs_ = nowNs;
}

QVector<QByteArray> MeterProtocol::ReceivedCommands() const {
    QVector<QByteArray> out;
    for (const LoggedCommand& c : log_)
        out.append(c.bytes);
    return out;
}

void MeterProtocol::Receive(const QByteArray& bytes, qint64 nowNs) {
    Advance(nowNs);
    if (!plugged_)
        return;
    if (pending_.isEmpty())
        pendingSinceNs_ = nowNs;
    pending_.append(bytes);
    Parse(nowNs);
}

QByteArray MeterProtocol::Produce(qint64 nowNs) {
    Advance(nowNs);
    QByteArray out;
    out.swap(ready_);
    return out;
}

void MeterProtocol::Parse(qint64 nowNs) {
    while (!pending_.isEmpty()) {
        const int length = CommandLength(pending_);
        if (length == 0) {
            pending_.remove(0, 1);
            ++ignored_;
            continue;
        }
        if (pending_.size() < length)
            return;
        const QByteArray cmd = pending_.left(length);
        pending_.remove(0, length);
        pendingSinceNs_ = nowNs;
        Execute(cmd, nowNs);
    }
}

void MeterProtocol::Execute(const QByteArray& cmd, qint64 nowNs) {
    log_.append({cmd, nowNs, !silent_});
    if (silent_)
        return;
    MeterModel& m = model_;
    QByteArray reply;
    qint64 quiet = quietNs_;
    switch (cmd.at(0)) {
    case 'A':
        reply = m.StatusReply();
        break;
    case 'X':
        reply = m.ClockReply();
        break;
    case 'S':
        m.SetClockDate(At(cmd, 1), At(cmd, 2), At(cmd, 3));
        break;
    case 'T':
        m.SetClockTime(At(cmd, 1), At(cmd, 2), At(cmd, 3));
        break;
    case 'Y':
        if (At(cmd, 1) == 0x00) {
            reply = QByteArray("\x02", 1) + char(m.memorySizeCode) + char(0x03);
            quiet = std::max(quiet, sizeQueryQuietNs_);
        } else if (At(cmd, 1) == 0x01) {
            const int n = At(cmd, 2);
            if (n == 1 || n == 2 || n == 4 || n == 8)
                m.memorySizeCode = n;
        }
        break;
    case 'R':
    case 'Q':
        reply = cmd.at(0) == 'R' ? m.AutomaticDump() : m.ManualDump();
        if (cutAfter_ >= 0) {
            reply.truncate(cutAfter_);
            cutAfter_ = -1;
        }
        break;
    case 'W':
        // The two erase masks act on the memory; "C / F" switches the display unit; the
        // other keys only change what the meter's own display shows.
        if (At(cmd, 1) == 0 && At(cmd, 2) == 0 && At(cmd, 3) == 0x02)
            m.EraseAutomatic();
        else if (At(cmd, 1) == 0 && At(cmd, 2) == 0 && At(cmd, 3) == 0x01)
            m.EraseManual();
        else if (At(cmd, 1) == 0x04 && At(cmd, 2) == 0 && At(cmd, 3) == 0)
            m.ToggleUnit();
        break;
    case 'U':
        if (At(cmd, 1) == 0x00)
            reply = QByteArray("\x02", 1) + char(m.loggerInterval) + char(0x03);
        else if (At(cmd, 1) == 0x01 && At(cmd, 2) != 0)
            m.loggerInterval = At(cmd, 2);
        break;
    case 'V':
        if (At(cmd, 1) == 0x00)
            reply = QByteArray("\x02", 1) + char(m.powerOffCode) + char(0x03);
        else if (At(cmd, 1) == 0x01 && At(cmd, 2) <= 2)
            m.powerOffCode = At(cmd, 2);
        break;
    default:
        break;
    }
    Answer(reply, nowNs, quiet);
}

void MeterProtocol::Answer(const QByteArray& reply, qint64 nowNs, qint64 quietNs) {
    if (line_.isEmpty())
        lineFreeNs_ = std::max(lineFreeNs_, nowNs);
    // What is already on the line (the rest of the packet in progress, earlier replies)
    // goes out first; a pausing stream waits until the quiet time after this reply has passed.
    line_.append(reply);
    if (model_.pace.pauseForReplies) {
        pauseAfter_ = line_.size();
        pauseQuietNs_ = quietNs;
    }
    Advance(nowNs);
}

QByteArray MeterProtocol::GarbageBytes() {
    QByteArray junk;
    const int n = 1 + int(random_() % 6);
    for (int i = 0; i < n; ++i)
        junk.append(char(random_() & 0xFF));
    return junk;
}

qint64 MeterProtocol::PacketGapNs() {
    const StreamPace& pace = model_.pace;
    qint64 gap = std::max(pace.intervalMs * kMs, fast_ ? kFastPacketNs : 12 * kLineByteNs);
    if (pace.jitterMs > 0)
        gap += std::uniform_int_distribution<qint64>(0, pace.jitterMs * kMs)(random_);
    return gap;
}

void MeterProtocol::Advance(qint64 nowNs) {
    model_.AdvanceTo(nowNs / kMs);
    if (!pending_.isEmpty() && nowNs - pendingSinceNs_ > kPartialCommandNs) {
        ignored_ += pending_.size();
        pending_.clear();
    }
    if (!plugged_)
        return;
    const qint64 byteNs = ByteNs();
    for (;;) {
        if (pauseAfter_ == 0) {
            // The reply is out (or there was none): quiet starts now.
            quietUntilNs_ = std::max(quietUntilNs_, lineFreeNs_ + pauseQuietNs_);
            pauseAfter_ = -1;
        }
        if (line_.isEmpty()) {
            if (pauseAfter_ >= 0)
                return;
            if (!streaming_) {
                // The line lies idle; when the stream comes back it starts from now.
                lineFreeNs_ = std::max(lineFreeNs_, nowNs);
                return;
            }
            qint64 start = std::max({lineFreeNs_, quietUntilNs_, nextPacketNs_});
            if (start > nowNs)
                return;
            const qint64 backlog = fast_ ? kFastBacklogNs : kLineBacklogNs;
            start = std::max(start, nowNs - backlog);
            lineFreeNs_ = start;
            if (garbage_)
                line_.append(GarbageBytes());
            line_.append(model_.Packet(nextChannel_));
            nextChannel_ = (nextChannel_ + 1) % 4;
            nextPacketNs_ = start + PacketGapNs();
        }
        int due = line_.size();
        if (byteNs > 0)
            due = int(std::min<qint64>(line_.size(), (nowNs - lineFreeNs_) / byteNs));
        if (due <= 0)
            return;
        if (pauseAfter_ > 0 && due >= pauseAfter_) {
            // Stop exactly at the end of the reply so that the quiet time counts from there.
            due = pauseAfter_;
        }
        ready_.append(line_.left(due));
        line_.remove(0, due);
        lineFreeNs_ += due * byteNs;
        if (pauseAfter_ > 0)
            pauseAfter_ -= due;
    }
}
