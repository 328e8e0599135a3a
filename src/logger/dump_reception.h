#pragma once

#include <QByteArray>
#include <QVector>

// The bytes of one logger dump ("R" or "Q") as they come in, and where the dump ended.
//
// The meter sends a dump in one unbroken flow and goes back to its live packets only after it.
// A dump that stops short is therefore followed by live packets, which must not be taken for
// memory (they would make a cut dump look complete). Two live packets back to back (STX first
// and ETX last in each 12 bytes) mark where the dump stopped when they stand
//   - right where the flow paused (one packet there does when nothing follows it), or
//   - at the start of a run of packets that fills the end of what came and began at least two
//     packets before the dump's expected end (the pause was not seen: the reads were held up).
// A dump whose last bytes merely look like one packet is not taken for cut.
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

private:
    enum class Verdict { Packets, NotPackets, Undecided };
    // Two live packets back to back at `at` (one when nothing more comes: `final`), or not,
    // or too few bytes yet to tell.
    Verdict PacketsAt(qint64 at, bool final) const;
    // Where the run of live packets back to back that fills the end of the bytes begins (its
    // last packet may still be coming); the size of the bytes when they end in none.
    qint64 PacketRunStart() const;
    State Judge(bool final);

    qint64 expected_;
    QByteArray bytes_;
    QVector<qint64> pauses_; // where bytes came after a pause, not yet judged
    qint64 cutAt_ = -1;
    State state_ = State::Receiving;
};
