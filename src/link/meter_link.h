#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QIODevice>
#include <QObject>
#include <QPointer>
#include <deque>
#include <optional>

#include "link/line_reader.h"

class Clock;
class LiveState;
class MeterTimers;

// What a valid status reply ("A") says: the logger's next free address and the number of
// manual entries.
struct StatusReply {
    quint32 memoryAddress = 0;
    int manualCount = 0;
};

// The status reply in what one status attempt read: its last seven bytes, STX, three address
// bytes, the manual count, 0xFF and ETX. Empty when fewer bytes came or the frame is wrong.
std::optional<StatusReply> ParseStatusReply(const QByteArray& read);

// A clock reply whose date or time cannot be the meter's own: month or day 0 (the meter's "no
// date"), or any field out of range (a clock chip that lost its battery).
bool ClockNeedsSetting(const QByteArray& reply);

// The line to the meter: the byte device, the link state and every exchange. One exchange runs
// at a time; waits keep the user interface alive without spinning the processor.
class MeterLink : public QObject {
    Q_OBJECT
public:
    // Bounds of the waits. The defaults are the meter's; tests lower them to stay quick.
    struct Limits {
        int statusAttempts = 1000; // status queries of 20 ms before the link counts as lost
        // No whole packet for this long, or for two of the meter's packet intervals when that
        // is longer, loses the link; the recovery asks the meter again after as long.
        int streamGiveUpMs = 2000;
        int passWaitMs = 10;         // a read waits this long for input before it looks again
        int quietMs = 30;            // no byte for this long: what came is all there is for now
        int reopenIntervalMs = 1000; // a port that went away is opened again this often
    };

    MeterLink(const Clock& clock, MeterTimers& timers, LiveState& live, QObject* parent = nullptr);

    // The device is not owned. `caption` is what `LblCOM` shows while linked ("COM3",
    // "/dev/ttyUSB0").
    void SetDevice(QIODevice* device, const QString& caption);
    QIODevice* Device() const { return device_; }
    QString PortCaption() const { return caption_; }
    void SetLimits(const Limits& limits) { limits_ = limits; }
    const Limits& GetLimits() const { return limits_; }
    const Clock& GetClock() const { return clock_; }
    MeterTimers& Timers() { return timers_; }
    LiveState& Live() { return live_; }
    const LineReader& Reader() const { return reader_; }

    // Link state: lost until the recovery links up. Setting it shows "No COM" or the port.
    bool LinkLost() const { return linkLost_; }
    void SetLinkLost(bool lost);
    // What the last valid status reply said.
    quint32 MemoryAddress() const { return memoryAddress_; }
    int ManualCount() const { return manualCount_; }
    // The memory size in units of 64 KB as last read with "Y" (8 when the meter gave none);
    // the logger download and the service mode share it.
    int MemorySizeCode() const { return memorySizeCode_; }
    void SetMemorySizeCode(int code) { memorySizeCode_ = code; }

    // Writes exactly these bytes; nothing is appended.
    void SendCommand(const QByteArray& bytes);
    // Reads what has arrived and decodes every whole live packet in it, in order. True when
    // any came.
    bool CatchUp();
    // Waits until input is buffered or `ms` have passed, processing events meanwhile.
    void WaitForInput(int ms);
    // `Delay` that also ends when the link is cancelled.
    void Wait(double seconds);

    // The reply of `shape` to the command just sent: the first frame of that shape on the line.
    // Live packets before it are decoded. The reply has to begin within `seconds`; once it
    // has begun, the wait goes on until it is whole. Empty when none came, or on cancel.
    std::optional<QByteArray> AwaitReply(const ReplyShape& shape, double seconds);
    // After a dump command: decodes the packets before the dump and reports whether the dump's
    // first byte now stands at the front of the line. Its bytes are then taken with `TakeLine`.
    bool DumpStarted(const ReplyShape& shape);
    // Everything received and not yet taken, the device's new bytes included.
    QByteArray TakeLine();
    // Bytes that came after a dump's end: they are read again as the stream.
    void Unread(const QByteArray& bytes) { reader_.Unread(bytes); }

    // The status query "A": returns when a valid reply came and `MemoryAddress` and
    // `ManualCount` are set. A meter that stops answering runs `Resync` and the query goes on.
    // False only when the link was cancelled (or, inside `Resync`, the attempts ran out).
    bool QueryStatus();

    // One clock query: status query, "X", then the reply, for at most `waitSeconds`. Empty when
    // it did not come.
    std::optional<QByteArray> QueryMeterClock(double waitSeconds);
    // Sets the meter's date with "S" and its time with "T", each after a status query.
    bool WriteMeterClock(const QDateTime& when);

    // The lost-link recovery: shows "No COM", clears the live state, waits for the meter,
    // reads four packets in a row (asking the meter again while they are slow to come), checks
    // the meter's clock, and links again. A meter that comes back set up as it was shown
    // (probes, types, unit) is no configuration change: nothing on screen starts over. False
    // only when cancelled.
    bool Resync();

    enum class PollResult { Busy, Resynced, Lost, Unchanged, Changed, Cancelled };
    // The polling tick: decodes every packet that arrived since the last one and detects
    // configuration changes.
    PollResult PollTick();

    // Makes every wait return at once, for good (the program is ending or a deadline passed).
    void Cancel();
    bool IsCancelled() const { return cancelled_; }

Q_SIGNALS:
    void LinkCaptionChanged(const QString& caption); // the port caption or "No COM"
    void LiveWindowsMustClose();                     // the live list and graph close
    void ChannelRebuilt(int channel);                // a channel's display is rebuilt
    void ConfigurationChanged(int channel);          // probe, type or unit changed
    // Linked again; `asBefore` when the meter is set up as it was shown, so samples go on.
    void Resynced(bool asBefore);
    void DeviceFailed(const QString& reason); // the port reported a fatal error
    void DeviceReopened();                    // the port that went away is back

private:
    enum class StatusResult { Valid, LimitReached, Cancelled };
    StatusResult QueryStatusSeries();
    // A serial port closed after a fatal error is opened again, at most once a reopen
    // interval. True when the device is open.
    bool ReopenIfClosed();
    bool DeviceOpen() const { return device_ && device_->isOpen(); }
    // Moves the device's new bytes into the reader. True when any came.
    bool Pull();
    bool Quiet() const { return lastByte_.hasExpired(); }
    // A whole live packet taken from the line: decoded, or, while the recovery gathers its
    // four, kept for them.
    void TakePacket(const QByteArray& packet);
    // Measures the gap since the last packet as the meter's pace, where it can be one.
    void NotePace();
    void ForgetPace();
    // How long the stream may stay silent before the link counts as lost.
    qint64 GiveUpMs() const;
    // Takes the frames at the front: packets are decoded, up to the reply of `shape` (for a
    // dump, its start), which is returned. Empty when no reply stands there yet.
    std::optional<QByteArray> NextReply(const ReplyShape* shape, bool quiet);
    // Waits until the recovery has its four packets or the stream stays silent for
    // `giveUpMs`. True when any packet came.
    bool AwaitPackets(qint64 giveUpMs);
    std::optional<QByteArray> RequestMeterClock(double waitSeconds);
    bool RunResync();
    void OnDeviceFailed(const QString& reason);

    const Clock& clock_;
    MeterTimers& timers_;
    bool linkLost_ = true;
    int tickCount_ = 0; // polling ticks since the last status query
    quint32 memoryAddress_ = 0;
    int manualCount_ = 0;
    int memorySizeCode_ = 8;
    LiveState& live_;
    QPointer<QIODevice> device_;
    QString caption_;
    Limits limits_;
    LineReader reader_;
    QDeadlineTimer lastByte_;  // expires `quietMs` after the last byte came
    QElapsedTimer lastPacket_; // since the polling loop last decoded a packet
    // The meter's pace: the last gaps between packets and the longest of them.
    std::deque<qint64> recentGaps_;
    qint64 intervalMs_ = 0;
    QElapsedTimer paceFrom_;             // since the last packet that may begin a measured gap
    quint64 paceExchanges_ = 0;          // exchanges begun as of that packet
    std::optional<QByteArray> snapshot_; // the recovery's packets so far, while it gathers them
    quint64 exchangesSeen_ = 0;          // exchanges begun as of the last polling tick
    QElapsedTimer lastReopen_;
    std::optional<QDateTime> readAt_; // when the bytes of the last read pass came
    bool cancelled_ = false;
    bool inResync_ = false;
    bool backAsBefore_ = false; // the last recovery found the meter set up as shown
    bool inTick_ = false;
};
