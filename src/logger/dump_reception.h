#pragma once

#include <QByteArray>
#include <QVector>

// The bytes of one logger dump ("R" or "Q") from its first byte on, and where the dump ended.
//
// A dump is complete when its expected count has come; what follows it is the meter's stream.
// A dump that stops short is cut: the meter fell silent (`Finish`), or its flow paused and
// live packets came after the pause (two back to back, STX first and ETX last in each 12
// bytes; one when nothing follows it), which must not be taken for memory.
class DumpReception {
public:
    enum class State { Receiving, Complete, Cut };

    explicit DumpReception(qint64 expected);

    // Adds bytes read from the port; `afterPause` when nothing had come for a while before them.
    State Append(const QByteArray& chunk, bool afterPause);
    // Nothing more comes (the meter fell silent): complete or cut, as the bytes show.
    State Finish();

    State Status() const { return state_; }
    qint64 Expected() const { return expected_; }
    // Dump bytes so far: never above the expected count, never past a pause still being
    // judged; where the dump stopped once it is cut.
    qint64 Received() const;
    // The dump's bytes, without what came after its end.
    QByteArray Dump() const { return bytes_.left(Received()); }
    // What came after the dump's end: the stream, to be read as such.
    QByteArray Rest() const {
        return state_ == State::Receiving ? QByteArray() : bytes_.mid(Received());
    }

private:
    enum class Verdict { Packets, NotPackets, Undecided };
    // Two live packets back to back at `at` (one when nothing more comes: `final`), or not,
    // or too few bytes yet to tell.
    Verdict PacketsAt(qint64 at, bool final) const;
    State Judge(bool final);

    qint64 expected_;
    QByteArray bytes_;
    QVector<qint64> pauses_; // where bytes came after a pause, not yet judged
    qint64 cutAt_ = -1;
    State state_ = State::Receiving;
};
