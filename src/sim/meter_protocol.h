#pragma once

#include "sim/meter_model.h"

#include <QByteArray>
#include <QVector>

#include <random>

// The simulated meter's side of the serial line, with no knowledge of ports: bytes from the
// program go in with the time they arrive, and the bytes due on the line by a given time come
// out. Times are nanoseconds on any steady clock that starts at 0.
//
// By default the meter streams live packets back to back. A command pauses the stream after the
// packet in progress; the reply follows, and the stream resumes after a quiet time, so a reply
// is the last thing the program reads when it reads after its usual short wait. The model's
// pace can space the packets out, make them uneven, and keep the stream going around replies.
// Whatever the pace, a reply or dump goes out whole between two packets, never inside one.
class MeterProtocol {
public:
    static constexpr qint64 kMs = 1000000;

    struct LoggedCommand {
        QByteArray bytes;
        qint64 atNs = 0;
        bool answered = true; // false while the meter was silent
    };

    explicit MeterProtocol(MeterModel& model);

    MeterModel& Model() { return model_; }
    const MeterModel& Model() const { return model_; }

    // Line rate by default (19200 baud, 10 bits a byte). Fast: bytes are due at once, the
    // stream goes out one packet every 2 ms (or every packet interval, if that is longer), and
    // the quiet time after a command is shorter.
    void SetFast(bool fast);
    bool Fast() const { return fast_; }
    // Quiet time after a command, and after the memory size query, whose reply the program
    // reads after a fixed 0.2 s wait and expects to be exactly 3 bytes.
    void SetQuietTimes(qint64 afterCommandNs, qint64 afterSizeQueryNs);

    // The stream's pace; it lives in the model, so a scenario can set it too.
    void SetPacketInterval(int ms) { model_.pace.intervalMs = ms; }
    void SetJitter(int ms) { model_.pace.jitterMs = ms; }
    void SetPauseForReplies(bool on) { model_.pace.pauseForReplies = on; }

    void Receive(const QByteArray& bytes, qint64 nowNs);
    QByteArray Produce(qint64 nowNs);
    // True when bytes are queued on the line (a reply or dump in progress).
    bool Busy() const { return !line_.isEmpty(); }

    // Faults for tests.
    void SetSilent(bool on) { silent_ = on; }
    bool Silent() const { return silent_; }
    void SetStreaming(bool on) { streaming_ = on; }
    bool Streaming() const { return streaming_; }
    void SetGarbage(bool on) { garbage_ = on; }
    bool Garbage() const { return garbage_; }
    // The next "R" or "Q" reply stops after this many bytes (leading bytes included).
    void CutNextDump(int afterBytes) { cutAfter_ = afterBytes; }
    // Unplugged: nothing reaches the meter and nothing comes from it.
    void SetPlugged(bool on, qint64 nowNs);
    bool Plugged() const { return plugged_; }

    // Every complete command that reached the meter, in order.
    const QVector<LoggedCommand>& CommandLog() const { return log_; }
    QVector<QByteArray> ReceivedCommands() const;
    void ClearCommandLog() { log_.clear(); }
    // Bytes that started no known command, or a command whose parameters never came.
    int IgnoredBytes() const { return ignored_; }

private:
    void Advance(qint64 nowNs);
    void Parse(qint64 nowNs);
    void Execute(const QByteArray& cmd, qint64 nowNs);
    void Answer(const QByteArray& reply, qint64 nowNs, qint64 quietNs);
    QByteArray GarbageBytes();
    qint64 PacketGapNs();
    qint64 ByteNs() const;

    MeterModel& model_;
    bool fast_ = false;
    qint64 quietNs_ = 100 * kMs;
    qint64 sizeQueryQuietNs_ = 400 * kMs;

    QByteArray line_;     // committed to the line, not yet sent
    int pauseAfter_ = -1; // quiet starts once this many bytes of line_ are sent
    qint64 pauseQuietNs_ = 0;
    qint64 lineFreeNs_ = 0; // when the last sent byte finished
    qint64 quietUntilNs_ = 0;
    qint64 nextPacketNs_ = 0;
    int nextChannel_ = 0;
    QByteArray ready_;

    QByteArray pending_; // a command still waiting for its parameter bytes
    qint64 pendingSinceNs_ = 0;
    int ignored_ = 0;

    bool silent_ = false;
    bool streaming_ = true;
    bool garbage_ = false;
    bool plugged_ = true;
    int cutAfter_ = -1;
    std::minstd_rand random_{20261206};

    QVector<LoggedCommand> log_;
};
