#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class Clock;
class MeterLink;

// The meter's front-panel keys as the keypad window reproduces them.
enum class MeterKey {
    Read,
    Alarm,
    CF,
    Set,
    Time,
    MaxMin,
    Mem,
    Type,
    Hold,
    Up,
    Left,
    Enter,
    Right,
    Down
};

// The three mask bytes of the key command "W"; one bit per key, the third byte carries the
// long-press functions.
struct KeyMask {
    quint8 b1 = 0, b2 = 0, b3 = 0;
    bool operator==(const KeyMask& o) const { return b1 == o.b1 && b2 == o.b2 && b3 == o.b3; }
};

// The mask of a key; `longPress` only matters for MAX/MIN and MEM, the two keys with a long
// function.
KeyMask KeyMaskOf(MeterKey key, bool longPress = false);
bool HasLongPress(MeterKey key);
// A press counts as long when held more than 2 s. Times are seconds since midnight; a release
// after midnight is measured across it.
bool IsLongPress(double pressedAt, double releasedAt);

// The meter's settings commands: logger interval "U", memory size "Y", power-off time "V" and
// the key command "W". Each command pauses the timers for its exchange and restores them on
// every exit path; replies that never come end the command after the reply wait instead of
// holding the program in a loop.
class MeterSettings {
public:
    // `pressClock` measures how long a key is held; waits use the link's clock.
    MeterSettings(MeterLink& link, const Clock& pressClock);

    MeterLink& Link() { return link_; }

    // What the user is told when a reply did not come within the reply wait.
    static QString NoAnswerText();

    // How long a command keeps asking for a reply the meter does not give (5 s unless set).
    void SetReplyWait(double seconds) { replyWaitSeconds_ = seconds; }

    // "U" 00 00 00, asked again until a framed reply comes: the logger interval in seconds.
    // Empty when the meter gave none within the reply wait or the link was cancelled.
    std::optional<int> ReadInterval();
    // "U" 01 t 00, t clamped to 1..255. False when the status query was cancelled.
    bool WriteInterval(int seconds);

    enum class SizeReply { Read, None, Cancelled };
    // "Y" 00, its reply awaited for 0.2 s. `Read` updates the link's `MemorySizeCode`, which the
    // logger download sets too; no reply leaves it.
    SizeReply ReadMemorySize();
    // "Y" 01 n; n other than 1, 2, 4 or 8 is sent as 1. The pause covers both timers.
    bool WriteMemorySize(int code);

    // "V" 00 00 00: the power-off code (possibly out of range), or empty when no reply came.
    std::optional<int> ReadPowerOff();
    // "V" 01 code 00.
    bool WritePowerOff(int code);

    // Remembers when MAX/MIN or MEM went down.
    void KeyDown();
    // The key command for a released (or clicked) key: status query, "W" and the key's mask
    // (long or short from the time held, measured after the status query), then 0.2 s before
    // polling resumes. MEM pauses sampling too. Returns the mask sent.
    std::optional<KeyMask> PressKey(MeterKey key);
    // The fixed key code of the panel's `Command1`: "W" 00 00 01.
    bool SendCommand1();

private:
    std::optional<QByteArray> AwaitShortReply();
    // Writes a 4-byte command in one write.
    void SendCommandBytes(char letter, quint8 a, quint8 b, quint8 c);
    double ElapsedSince(double start) const;

    MeterLink& link_;
    const Clock& pressClock_;
    double pressTime_ = 0.0;
    double replyWaitSeconds_ = 5.0;
};
