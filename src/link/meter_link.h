#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QIODevice>
#include <QObject>
#include <QPointer>
#include <optional>

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

// The clock reply in what was read after "X": the first 8-byte frame (STX, year, month, day,
// hour, minute, second, ETX) that starts where a frame can start and whose fields are in
// range; month or day 0 is the meter's "no date". Whole live packets are skipped, so packets
// before or after the reply are never taken for it. Empty when no reply is there (yet).
std::optional<QByteArray> FindClockReply(const QByteArray& read);

// The line to the meter: the byte device, the link state and every exchange. One exchange runs
// at a time; waits keep the user interface alive without spinning the processor.
class MeterLink : public QObject {
    Q_OBJECT
public:
    // Bounds of the waits. The defaults are the meter's; tests lower them to stay quick.
    struct Limits {
        int statusAttempts = 1000;   // status queries of 20 ms before the link counts as lost
        int streamPasses = 200000;   // read passes of a stream read
        int streamGiveUpMs = 2000;   // a stream read without a whole packet gives up after this
        int passWaitMs = 10;         // a pass waits this long for input before the next pass
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

    // Link state.
    bool LinkLost = true;
    int TickCount = 0;
    quint32 MemoryAddress = 0;
    int ManualCount = 0;
    QByteArray CmdBytes = QByteArray(4, '\0');

    // Writes exactly these bytes; nothing is appended.
    void SendCommand(const QByteArray& bytes);
    // Everything received so far (possibly nothing); removes it from the device's buffer.
    QByteArray ReadInput();
    void FlushInput() { ReadInput(); }
    // Waits until input is buffered or `ms` have passed, processing events meanwhile.
    void WaitForInput(int ms);

    // The status query "A": returns when a valid reply came and `MemoryAddress` and
    // `ManualCount` are set. A meter that stops answering runs `Resync` and the query goes on.
    // False only when the link was cancelled (or, inside `Resync`, the attempts ran out).
    bool QueryStatus();

    // Reads the newest `packets` whole consecutive live packets that arrive, a run that the
    // packet before it confirms (or, with stray bytes on the line, the framed run at the end of
    // a longer read). Empty when the read gave up (no packets within the pass and time bounds)
    // or was cancelled.
    std::optional<QByteArray> ReadStream(int packets);

    // One clock query: status query, "X", then reads until the reply (`FindClockReply`) is in,
    // for at most `waitSeconds`. Empty when it did not come.
    std::optional<QByteArray> QueryMeterClock(double waitSeconds);
    // Sets the meter's date with "S" and its time with "T", each after a status query.
    bool WriteMeterClock(const QDateTime& when);

    // The lost-link recovery: shows "No COM", closes the live windows, clears the live state,
    // waits for the meter, rebuilds every channel from four packets, checks the meter's clock,
    // and links again. False only when cancelled.
    bool Resync();

    enum class PollResult { Busy, Resynced, Lost, Unchanged, Changed, Cancelled };
    // The polling tick: reads and decodes one packet and detects configuration changes.
    PollResult PollTick();

    // Makes every wait return at once, for good (the program is ending or a deadline passed).
    void Cancel();
    bool IsCancelled() const { return cancelled_; }

Q_SIGNALS:
    void LinkCaptionChanged(const QString& caption); // the port caption or "No COM"
    void LiveWindowsMustClose();                     // the live list and graph close
    void ChannelRebuilt(int channel);                // a channel's display is rebuilt
    void ConfigurationChanged(int channel);          // probe, type or unit changed
    void Resynced();                                 // linked again; samples start over
    void DeviceFailed(const QString& reason);        // the port reported a fatal error
    void DeviceReopened();                           // the port that went away is back

private:
    enum class StatusResult { Valid, LimitReached, Cancelled };
    StatusResult QueryStatusSeries();
    // A serial port closed after a fatal error is opened again, at most once a reopen
    // interval. True when the device is open.
    bool ReopenIfClosed();
    std::optional<QByteArray> RequestMeterClock(double waitSeconds);
    bool RunResync();
    void SetLinkLost(bool lost);
    void OnDeviceError(int error);

    const Clock& clock_;
    MeterTimers& timers_;
    LiveState& live_;
    QPointer<QIODevice> device_;
    QString caption_;
    Limits limits_;
    QElapsedTimer lastReopen_;
    bool cancelled_ = false;
    bool inResync_ = false;
    bool inTick_ = false;
};
