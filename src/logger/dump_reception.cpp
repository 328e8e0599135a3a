#include "logger/dump_reception.h"

#include <algorithm>

namespace {

constexpr qint64 kPacket = 12;
constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;

// A status reply can announce up to 16 MB; memory is taken as the bytes come, beyond this.
constexpr qint64 kLargestReservation = 1 << 20;

} // namespace

DumpReception::DumpReception(qint64 expected)
    : expected_(std::max<qint64>(expected, 0)) {
    bytes_.reserve(std::min(expected_, kLargestReservation));
}

DumpReception::State DumpReception::Append(const QByteArray& chunk, bool afterPause) {
    if (state_ != State::Receiving || chunk.isEmpty())
        return state_;
    // A pause before the first byte is only the wait for the dump to begin.
    if (afterPause && !bytes_.isEmpty() && bytes_.size() < expected_)
        pauses_.append(bytes_.size());
    bytes_.append(chunk);
    return Judge(false);
}

DumpReception::State DumpReception::Finish() {
    if (state_ != State::Receiving)
        return state_;
    return Judge(true);
}

qint64 DumpReception::Received() const {
    if (state_ == State::Cut)
        return cutAt_;
    qint64 received = std::min<qint64>(bytes_.size(), expected_);
    for (const qint64 pause : pauses_)
        received = std::min(received, pause);
    return received;
}

DumpReception::Verdict DumpReception::PacketsAt(qint64 at, bool final) const {
    const std::pair<qint64, char> marks[] = {
        {0, kStx}, {kPacket - 1, kEtx}, {kPacket, kStx}, {2 * kPacket - 1, kEtx}};
    for (const auto& [offset, mark] : marks) {
        if (at + offset >= bytes_.size()) {
            if (!final)
                return Verdict::Undecided;
            // Nothing more comes: one whole packet after the pause has to do.
            return offset >= kPacket ? Verdict::Packets : Verdict::NotPackets;
        }
        if (bytes_[at + offset] != mark)
            return Verdict::NotPackets;
    }
    return Verdict::Packets;
}

DumpReception::State DumpReception::Judge(bool final) {
    bool undecided = false;
    for (int i = 0; i < pauses_.size();) {
        const Verdict verdict = PacketsAt(pauses_[i], final);
        if (verdict == Verdict::Packets) {
            cutAt_ = pauses_[i];
            pauses_.clear();
            return state_ = State::Cut;
        }
        if (verdict == Verdict::NotPackets) {
            pauses_.removeAt(i);
            continue;
        }
        undecided = true;
        ++i;
    }
    // Bytes after a pause that may yet turn out to be packets hold the verdict back.
    if (undecided)
        return state_;
    if (bytes_.size() >= expected_)
        return state_ = State::Complete;
    if (final) {
        cutAt_ = bytes_.size();
        return state_ = State::Cut;
    }
    return state_;
}
