#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QVector>

#include <array>
#include <optional>

// The state of the simulated four-channel meter and the byte layouts it sends: live packets,
// the status reply, the clock reply, the automatic logger data and the manual entries.
// Readings are tenths of a degree Fahrenheit, as the meter always sends them.

struct MeterChannel {
    int typeCode = 0;
    int readingF = 700;
    bool probe = true;
    bool over = false;
    bool under = false;
    int offset = 0; // signed tenths, -128..127
    // Behaviour over time, so that a running simulator looks alive: a rise in tenths per
    // minute, and one second over range in every overEvery seconds (0 = never).
    int heatPerMinute = 0;
    int overEvery = 0;
    // Instead of the rise, an approach like an oven's to its set point: from the reading
    // toward this target, settling within about 1 % of the step after settleSeconds, and
    // passing the target once by overshoot tenths on the way.
    std::optional<int> towardF;
    int settleSeconds = 60;
    int overshoot = 0;
    // The reading wanders by up to noise tenths either way, a new draw every half second.
    int noise = 0;
};

// How the meter streams its live packets. A real meter's pace is not known, so the link must
// cope with any: packets back to back or far apart, uneven, and a stream that may or may not
// stop while the meter answers a command.
struct StreamPace {
    static constexpr int kMaxMs = 10000;
    // From one packet's start to the next; below a packet's own time on the line the packets
    // go back to back.
    int intervalMs = 0;
    // Each interval gets an extra random delay of 0..jitterMs.
    int jitterMs = 0;
    // Around a reply the stream stops, and resumes after a quiet time. Off: the reply goes out
    // after the packet in progress and the stream carries on at its pace.
    bool pauseForReplies = true;
};

// One record of an automatic set. values[n] is the reading of channel T(n+1); only the
// channels in the set's mask are stored.
struct SetRecord {
    quint8 valid = 0; // bit n: channel T(n+1) has a reading
    quint8 range = 0; // bit n over range, bit 4+n under range
    std::array<int, 4> values{};
};

struct LoggerSet {
    int mask = 1; // bits 0..3: channels recorded
    bool fahrenheit = true;
    std::array<int, 4> types{};
    std::array<int, 4> offsets{};
    QDateTime start;
    int interval = 1;
    QVector<SetRecord> records;
};

struct ManualEntry {
    bool fahrenheit = true;
    quint8 valid = 0x0F;
    quint8 range = 0;
    std::array<int, 4> types{};
    std::array<int, 4> offsets{};
    QDateTime at;
    std::array<int, 4> values{};
};

// The three bytes of a stored or streamed value: integer part high and low byte, then the
// sign in bit 7 and the tenths digit in bits 0..3. A value between -1 and 0 goes out with
// integer part 0 and the sign set.
QByteArray EncodeReading(int tenthsF);
int ChannelCountOf(int mask);
QByteArray EncodeSet(const LoggerSet& set);
QByteArray EncodeManualEntry(const ManualEntry& entry);

class MeterModel {
public:
    static constexpr int kFirstAddress = 8192;
    static constexpr int kManualEntrySize = 29;
    static constexpr int kMaxManualEntries = 255;

    MeterModel();

    // Time since the simulator started, in milliseconds. The clock and the readings that
    // change over time follow it.
    void AdvanceTo(qint64 ms);
    qint64 NowMs() const { return nowMs_; }

    MeterChannel& Channel(int ch) { return channels_[size_t(ch & 3)]; }
    const MeterChannel& Channel(int ch) const { return channels_[size_t(ch & 3)]; }
    // Sets the reading and restarts the channel's rise from it.
    void SetReading(int ch, int tenthsF);
    int CurrentReading(int ch) const;
    bool CurrentlyOver(int ch) const;

    bool fahrenheit = true;
    bool recording = false;
    bool status7 = false;
    int displayMode = 0; // 0 Normal, 1 Max, 2 Min, 3 Max-Min
    int loggerInterval = 2;
    int powerOffCode = 0;
    int memorySizeCode = 8;
    StreamPace pace;

    // The meter's clock: settable, and running from the moment it was set. An unset clock
    // reads as all zeros.
    void SetClock(const QDateTime& at);
    void ClearClock();
    bool ClockValid() const { return clockSet_.isValid(); }
    QDateTime ClockNow() const;
    // "S" and "T": each changes one half and keeps the other running.
    void SetClockDate(int year2, int month, int day);
    void SetClockTime(int hour, int minute, int second);

    QVector<LoggerSet> sets;
    QVector<ManualEntry> manual;

    int AutomaticSize() const;
    int MemoryAddress() const { return kFirstAddress + AutomaticSize(); }
    // Bytes the automatic data may fill for the current memory size code.
    int Capacity() const;
    void EraseAutomatic() { sets.clear(); }
    void EraseManual() { manual.clear(); }
    void ToggleUnit() { fahrenheit = !fahrenheit; }

    QByteArray Packet(int ch) const;
    QByteArray StatusReply() const;
    QByteArray ClockReply() const;
    QByteArray AutomaticData() const;
    QByteArray ManualData() const;
    QByteArray AutomaticDump() const; // "R": 4 leading bytes, the data, 1 trailing byte
    QByteArray ManualDump() const;    // "Q": 2 leading bytes, the entries, 1 trailing byte

private:
    std::array<MeterChannel, 4> channels_;
    std::array<qint64, 4> readingSetAt_{};
    qint64 nowMs_ = 0;
    QDateTime clockSet_;
    qint64 clockSetAtMs_ = 0;
};
