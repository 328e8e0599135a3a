#include "link/meter_link.h"

#include "link/clock.h"
#include "link/delay.h"
#include "link/live_state.h"
#include "link/meter_timers.h"

#include "link/serial_line.h"
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>

namespace {

constexpr double kStatusAttemptSeconds = 0.02; // what one attempt of the meter's count stands for
constexpr double kStatusReplySeconds = 0.1;    // a status reply has to begin within this
constexpr qint64 kReplyCompletionMs = 500;     // a reply that has begun is awaited this much longer
// The meter's pace is the longest of the gaps between its last packets: two rounds of the four
// channels, so that an uneven stream is judged by its slow gaps.
constexpr size_t kPaceGaps = 8;
// A gap longer than this is the program held up, not a meter's pace.
constexpr qint64 kLongestIntervalMs = 30000;
constexpr qsizetype kSnapshotSize = 4 * LiveState::kPacketSize;

} // namespace

std::optional<StatusReply> ParseStatusReply(const QByteArray& read) {
    if (read.size() < 7)
        return std::nullopt;
    const QByteArray last = read.right(7);
    if (last[0] != 0x02 || quint8(last[5]) != 0xFF || last[6] != 0x03)
        return std::nullopt;
    StatusReply reply;
    reply.memoryAddress =
        quint32(quint8(last[1])) << 16 | quint32(quint8(last[2])) << 8 | quint8(last[3]);
    reply.manualCount = quint8(last[4]);
    return reply;
}

bool ClockNeedsSetting(const QByteArray& reply) {
    if (reply.size() < 8)
        return true;
    const auto at = [&](int k) { return quint8(reply[k]); };
    const bool inRange = at(1) <= 99 && at(2) >= 1 && at(2) <= 12 && at(3) >= 1 && at(3) <= 31 &&
                         at(4) < 24 && at(5) < 60 && at(6) < 60;
    return !inRange;
}

MeterLink::MeterLink(const Clock& clock, MeterTimers& timers, LiveState& live, QObject* parent)
    : QObject(parent)
    , clock_(clock)
    , timers_(timers)
    , live_(live)
    , lastByte_(0) {
    lastPacket_.start();
}

void MeterLink::SetDevice(QIODevice* device, const QString& caption) {
    if (device_)
        disconnect(device_, nullptr, this, nullptr);
    device_ = device;
    caption_ = caption;
    reader_.Clear();
    if (auto* port = qobject_cast<SerialLine*>(device))
        connect(port, &SerialLine::Failed, this, &MeterLink::OnDeviceFailed);
}

void MeterLink::OnDeviceFailed(const QString& reason) {
    // A pulled adapter or a closed pseudo-terminal: the line has closed itself; the recovery
    // opens it again.
    SetLinkLost(true);
    Q_EMIT DeviceFailed(reason);
}

void MeterLink::SendCommand(const QByteArray& bytes) {
    if (DeviceOpen())
        device_->write(bytes);
}

bool MeterLink::Pull() {
    if (!DeviceOpen())
        return false;
    // Read on the stack: a pass that finds nothing (most of them) allocates nothing.
    char chunk[4096];
    bool came = false;
    for (;;) {
        const qint64 n = device_->read(chunk, sizeof chunk);
        if (n <= 0)
            break;
        reader_.Append(QByteArray(chunk, qsizetype(n)));
        came = true;
    }
    if (!came)
        return false;
    lastByte_.setRemainingTime(limits_.quietMs);
    // The packets of one pass came within its few milliseconds: one time for all of them.
    readAt_.reset();
    return true;
}

void MeterLink::TakePacket(const QByteArray& packet) {
    NotePace();
    lastPacket_.restart();
    if (snapshot_) {
        // Four packets in a row hold every channel once; newer ones replace the oldest.
        *snapshot_ = (*snapshot_ + packet).right(kSnapshotSize);
        return;
    }
    live_.DecodePacket(packet);
    if (!readAt_)
        readAt_ = clock_.NowUtc();
    live_.MarkRead(live_.CurrentChannel(), *readAt_);
}

void MeterLink::NotePace() {
    // A gap counts only between packets read while no command held the line, with none begun
    // in between: a meter that pauses for a reply or a dump is not slower for it. The recovery
    // holds the line too, but it is where the stream is first measured.
    const quint64 exchanges = timers_.ExchangesBegun();
    if (paceFrom_.isValid() && exchanges == paceExchanges_) {
        const qint64 gap = paceFrom_.elapsed();
        if (gap <= kLongestIntervalMs) {
            recentGaps_.push_back(gap);
            if (recentGaps_.size() > kPaceGaps)
                recentGaps_.pop_front();
            intervalMs_ = *std::max_element(recentGaps_.begin(), recentGaps_.end());
            live_.SetPacketInterval(intervalMs_);
        }
    }
    if (inResync_ || !timers_.ExchangeInProgress()) {
        paceFrom_.start();
        paceExchanges_ = exchanges;
    } else {
        paceFrom_.invalidate();
    }
}

void MeterLink::ForgetPace() {
    recentGaps_.clear();
    intervalMs_ = 0;
    paceFrom_.invalidate();
    live_.SetPacketInterval(std::nullopt);
}

qint64 MeterLink::GiveUpMs() const {
    // One packet late or lost is no lost link.
    return std::max<qint64>(limits_.streamGiveUpMs, 2 * intervalMs_);
}

bool MeterLink::CatchUp() {
    const qint64 before = reader_.Packets();
    Pull();
    NextReply(nullptr, Quiet());
    return reader_.Packets() > before;
}

std::optional<QByteArray> MeterLink::NextReply(const ReplyShape* shape, bool quiet) {
    while (std::optional<LineReader::Frame> frame = reader_.Next(shape, quiet)) {
        if (!frame->packet)
            return frame->bytes;
        TakePacket(frame->bytes);
    }
    return std::nullopt;
}

QByteArray MeterLink::TakeLine() {
    Pull();
    return reader_.TakeAll();
}

void MeterLink::WaitForInput(int ms) {
    if (DeviceOpen() && device_->bytesAvailable() > 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    QMetaObject::Connection input;
    if (device_)
        input = connect(device_, &QIODevice::readyRead, &loop, &QEventLoop::quit);
    loop.exec();
    // The line wakes the program only while somebody waits.
    disconnect(input);
}

void MeterLink::Wait(double seconds) {
    Delay(seconds, clock_, [this] { return cancelled_; });
}

void MeterLink::Cancel() {
    cancelled_ = true;
}

void MeterLink::SetLinkLost(bool lost) {
    linkLost_ = lost;
    Q_EMIT LinkCaptionChanged(lost ? QStringLiteral("No COM") : caption_);
}

std::optional<QByteArray> MeterLink::AwaitReply(const ReplyShape& shape, double seconds) {
    const double start = clock_.SecondsSinceMidnight();
    QElapsedTimer overdue; // runs once the reply's time is up
    bool waited = false;   // the device had at least one chance to deliver
    for (;;) {
        Pull();
        const bool quiet = Quiet();
        if (std::optional<QByteArray> reply = NextReply(&shape, quiet))
            return reply;
        if (cancelled_ || !DeviceOpen())
            return std::nullopt;
        if (waited && !overdue.isValid() && WaitOver(start, seconds, clock_.SecondsSinceMidnight()))
            overdue.start();
        // Bytes that may still become the reply are waited for while they keep coming.
        if (overdue.isValid() &&
            (reader_.IsEmpty() || quiet || overdue.hasExpired(kReplyCompletionMs)))
            return std::nullopt;
        WaitForInput(limits_.passWaitMs);
        waited = true;
    }
}

bool MeterLink::DumpStarted(const ReplyShape& shape) {
    Pull();
    return NextReply(&shape, Quiet()).has_value();
}

MeterLink::StatusResult MeterLink::QueryStatusSeries() {
    CatchUp();
    const double start = clock_.SecondsSinceMidnight();
    const double budget = limits_.statusAttempts * kStatusAttemptSeconds;
    for (;;) {
        if (cancelled_)
            return StatusResult::Cancelled;
        if (!ReopenIfClosed()) {
            // The port is gone (adapter pulled): wait quietly for it to come back.
            Wait(limits_.reopenIntervalMs / 1000.0);
        } else {
            SendCommand(QByteArrayLiteral("A"));
            if (const std::optional<QByteArray> reply =
                    AwaitReply(ReplyShape::Status(), kStatusReplySeconds)) {
                const std::optional<StatusReply> status = ParseStatusReply(*reply);
                memoryAddress_ = status->memoryAddress;
                manualCount_ = status->manualCount;
                return StatusResult::Valid;
            }
        }
        if (cancelled_)
            return StatusResult::Cancelled;
        if (SecondsSince(start, clock_.SecondsSinceMidnight()) >= budget)
            return StatusResult::LimitReached;
    }
}

bool MeterLink::ReopenIfClosed() {
    if (DeviceOpen())
        return true;
    auto* port = qobject_cast<SerialLine*>(device_.data());
    if (!port)
        return false;
    if (lastReopen_.isValid() && lastReopen_.elapsed() < limits_.reopenIntervalMs)
        return false;
    lastReopen_.start();
    if (!port->open(QIODevice::ReadWrite))
        return false;
    port->Clear();
    reader_.Clear();
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

bool MeterLink::AwaitPackets(qint64 giveUpMs) {
    QElapsedTimer elapsed; // since the wait began or the last packet came
    elapsed.start();
    quint64 exchanges = timers_.ExchangesBegun();
    bool came = false;
    for (;;) {
        if (CatchUp()) {
            came = true;
            elapsed.restart();
        }
        if (snapshot_->size() == kSnapshotSize || cancelled_ || !DeviceOpen() ||
            elapsed.hasExpired(giveUpMs))
            return came;
        WaitForInput(limits_.passWaitMs);
        if (timers_.ExchangesBegun() != exchanges) {
            // A command clicked during the wait had the line: its time says nothing about
            // the meter's stream.
            exchanges = timers_.ExchangesBegun();
            elapsed.restart();
        }
    }
}

std::optional<QByteArray> MeterLink::QueryMeterClock(double waitSeconds) {
    if (!QueryStatus())
        return std::nullopt;
    return RequestMeterClock(waitSeconds);
}

std::optional<QByteArray> MeterLink::RequestMeterClock(double waitSeconds) {
    SendCommand(QByteArrayLiteral("X"));
    return AwaitReply(ReplyShape::Clock(), waitSeconds);
}

bool MeterLink::WriteMeterClock(const QDateTime& when) {
    const QDate date = when.date();
    const QTime time = when.time();
    if (!QueryStatus())
        return false;
    SendCommand(QByteArray{"S"} + char(date.year() % 100) + char(date.month()) + char(date.day()));
    Wait(0.02);
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
    // A meter back set up differently is a configuration change for the next polling tick,
    // which starts sampling once it is handled: no sample is taken under the old set-up.
    if (linked && !timers_.ExchangeInProgress()) {
        if (backAsBefore_) {
            timers_.StartBoth();
        } else {
            timers_.StopSampling(); // the guard may have switched it on again
            timers_.StartPolling();
        }
    }
    return linked;
}

bool MeterLink::RunResync() {
    // What the display showed before the link was lost (nothing at start-up).
    const std::optional<MeterSetup> shown = live_.ShownSetup();
    for (;;) { // each pass starts the recovery over
        if (cancelled_)
            return false;
        tickCount_ = 0;
        SetLinkLost(true);
        live_.ClearForResync();
        ForgetPace();

        // Packets go to the recovery's snapshot, not the live state, for the whole pass: no
        // reading shows while the link is still lost, and packets that come during the status
        // queries count too (a slow meter's four may take several of them).
        snapshot_.emplace();
        // The meter's clock is checked before the last packets are awaited, so that the
        // readings are current when the link comes up.
        std::optional<QByteArray> clockReply;
        while (!clockReply) {
            if (!QueryStatus())
                break;
            clockReply = RequestMeterClock(2.0);
        }
        // A clock without a valid date or time gets the PC's.
        if (!clockReply || (ClockNeedsSetting(*clockReply) && !WriteMeterClock(clock_.Now()))) {
            snapshot_.reset();
            continue;
        }

        bool answered = true;
        int askedInVain = 0; // status queries in a row that no packet followed
        while (answered && snapshot_->size() < kSnapshotSize) {
            answered = QueryStatus();
            // A meter that answers but does not stream is asked again, each time a while
            // later, so that a meter whose stream starts over after every reply is not kept
            // from sending by being asked.
            const qint64 waitMs =
                std::min(GiveUpMs() << std::min(askedInVain, 6), kLongestIntervalMs);
            if (answered)
                askedInVain = AwaitPackets(waitMs) ? 0 : askedInVain + 1;
        }
        const QByteArray packets = *snapshot_;
        snapshot_.reset();
        if (!answered)
            continue;
        const std::array<int, 4> order = live_.DecodeSnapshot(packets);
        for (int ch : order)
            live_.MarkRead(ch, clock_.NowUtc());
        const bool asBefore = shown && live_.CurrentSetup() == *shown;
        if (asBefore) {
            live_.RememberConfiguration();
        } else {
            Q_EMIT LiveWindowsMustClose();
            for (int ch : order) {
                live_.RememberChannel(ch);
                Q_EMIT ChannelRebuilt(ch);
            }
        }

        SetLinkLost(false);
        lastPacket_.restart();
        backAsBefore_ = asBefore;
        Q_EMIT Resynced(asBefore);
        return true;
    }
}

MeterLink::PollResult MeterLink::PollTick() {
    if (inTick_)
        return PollResult::Busy;
    QScopedValueRollback<bool> ticking(inTick_, true);
    // Inside work of the program's own, nothing that waits for the meter runs: the work would
    // wait with it.
    const bool mayWait = !timers_.LocalWorkInProgress();
    if (linkLost_) {
        if (!mayWait)
            return PollResult::Busy;
        return Resync() ? PollResult::Resynced : PollResult::Cancelled;
    }

    if (++tickCount_ >= 100 && mayWait) {
        if (!QueryStatus())
            return PollResult::Cancelled;
        tickCount_ = 0;
    }
    if (timers_.ExchangesBegun() != exchangesSeen_) {
        // An exchange had the line since the last tick; the stream's silence is its doing.
        exchangesSeen_ = timers_.ExchangesBegun();
        lastPacket_.restart();
    }
    const bool decoded = CatchUp();
    if (!decoded && (!DeviceOpen() || lastPacket_.hasExpired(GiveUpMs()))) {
        if (cancelled_)
            return PollResult::Cancelled;
        if (!mayWait)
            return PollResult::Busy;
        return Resync() ? PollResult::Lost : PollResult::Cancelled;
    }
    if (!live_.ConfigurationChanged()) {
        if (decoded && !timers_.SamplingActive() && !timers_.ExchangeInProgress())
            timers_.StartSampling();
        return PollResult::Unchanged;
    }
    timers_.StopSampling();
    const int channel = live_.CurrentChannel();
    // Packets read during a command may have changed other channels than the last one.
    for (int ch = 0; ch < 4; ++ch) {
        if (ch == channel || live_.ChannelChanged(ch))
            live_.SetRangesFromType(ch);
    }
    live_.RememberConfiguration();
    Q_EMIT ConfigurationChanged(channel);
    return PollResult::Changed;
}
