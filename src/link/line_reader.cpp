#include "link/line_reader.h"

namespace {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr qsizetype kPacket = 12;
// Consumed bytes are cut off the buffer once this many have gathered at its front.
constexpr qsizetype kCompactAt = 4096;
// Stray bytes that may stand between two packets that confirm each other.
constexpr qsizetype kStrayBetween = 8;

} // namespace

int ReplyShape::Size() const {
    switch (kind) {
    case Kind::Status:
        return 7;
    case Kind::Clock:
        return 8;
    case Kind::Short:
        return 3;
    case Kind::AutomaticDump:
    case Kind::ManualDump:
        break;
    }
    return 0;
}

void LineReader::Append(const QByteArray& bytes) {
    buffer_ += bytes;
}

void LineReader::Clear() {
    lastOffsets_.clear();
    buffer_.clear();
    front_ = 0;
    inStep_ = false;
}

LineReader::Verdict LineReader::PacketAt(qsizetype i, bool quiet) const {
    const qsizetype size = Size();
    if (i >= size || At(i) != kStx)
        return Verdict::No;
    // The rest may be on its way: it is waited for, never judged by where a read ended.
    if (i + kPacket > size)
        return quiet ? Verdict::No : Verdict::Undecided;
    if (At(i + kPacket - 1) != kEtx)
        return Verdict::No;
    // Where the last frame ended, a framed packet is one. Every packet carries the offsets of
    // all four channels, so a packet with the offsets of the last one is one too.
    if ((i == 0 && inStep_) || (!lastOffsets_.isEmpty() && OffsetsAt(i) == lastOffsets_))
        return Verdict::Yes;
    // Elsewhere the next packet confirms it: framed, with the same offsets, after at most a
    // few stray bytes. An STX and an ETX that a packet's own bytes put 11 bytes apart do not
    // repeat with the same offsets.
    for (qsizetype next = i + kPacket; next <= i + kPacket + kStrayBetween; ++next) {
        if (next + kPacket > size)
            return quiet ? Verdict::Yes : Verdict::Undecided;
        if (At(next) == kStx && At(next + kPacket - 1) == kEtx && OffsetsAt(next) == OffsetsAt(i))
            return Verdict::Yes;
    }
    return Verdict::No;
}

LineReader::Verdict LineReader::ReplyAt(qsizetype i, const ReplyShape& shape, bool quiet) const {
    const qsizetype size = Size();
    if (i >= size || At(i) != kStx)
        return Verdict::No;
    if (shape.IsDump())
        return Verdict::Yes;
    const qsizetype n = shape.Size();
    if (shape.kind == ReplyShape::Kind::Status && i + 5 < size && quint8(At(i + 5)) != 0xFF)
        return Verdict::No;
    if (i + n > size)
        return quiet ? Verdict::No : Verdict::Undecided;
    if (At(i + n - 1) != kEtx)
        return Verdict::No;
    if (i + n < size)
        return At(i + n) == kStx ? Verdict::Yes : Verdict::No;
    return quiet ? Verdict::Yes : Verdict::Undecided;
}

LineReader::Verdict LineReader::FollowedAt(qsizetype i, const ReplyShape* awaited,
                                           bool quiet) const {
    if (i >= Size())
        return quiet ? Verdict::Yes : Verdict::Undecided;
    const Verdict packet = PacketAt(i, quiet);
    const Verdict reply = awaited ? ReplyAt(i, *awaited, quiet) : Verdict::No;
    if (packet == Verdict::Yes || reply == Verdict::Yes)
        return Verdict::Yes;
    if (packet == Verdict::Undecided || reply == Verdict::Undecided)
        return Verdict::Undecided;
    return Verdict::No;
}

bool LineReader::Distinct(const ReplyShape& shape) const {
    // The automatic data begins with a set's marker 00 55 AA 00; in a live packet those bytes
    // would be a reading with a tenths digit of 10, which no meter sends.
    return shape.kind == ReplyShape::Kind::AutomaticDump && Size() >= 8 && At(4) == 0x00 &&
           quint8(At(5)) == 0x55 && quint8(At(6)) == 0xAA && At(7) == 0x00;
}

std::optional<LineReader::Frame> LineReader::Next(const ReplyShape* awaited, bool quiet) {
    while (!IsEmpty()) {
        const Verdict packet = PacketAt(0, quiet);
        const Verdict reply = awaited ? ReplyAt(0, *awaited, quiet) : Verdict::No;
        if (packet == Verdict::No && reply == Verdict::No) {
            Drop(1);
            continue;
        }
        if (reply == Verdict::Yes && (packet == Verdict::No || Distinct(*awaited)))
            return Take(false, awaited->Size());
        if (packet == Verdict::Undecided || reply == Verdict::Undecided)
            return std::nullopt;
        if (reply == Verdict::No)
            return Take(true, kPacket);
        // Both fit: the one that the next frame confirms wins; a packet when both are.
        const Verdict afterPacket = FollowedAt(kPacket, awaited, quiet);
        const Verdict afterReply =
            awaited->IsDump() ? Verdict::Yes : FollowedAt(awaited->Size(), awaited, quiet);
        if (afterPacket == Verdict::Undecided || afterReply == Verdict::Undecided)
            return std::nullopt;
        const bool isReply = afterReply == Verdict::Yes && afterPacket == Verdict::No;
        return isReply ? Take(false, awaited->Size()) : Take(true, kPacket);
    }
    return std::nullopt;
}

LineReader::Frame LineReader::Take(bool packet, qsizetype size) {
    Frame frame;
    frame.packet = packet;
    frame.bytes = buffer_.mid(front_, size);
    if (packet) {
        ++packets_;
        // The offsets seldom change: they are copied only when they do.
        if (OffsetsAt(0) != lastOffsets_)
            lastOffsets_ = OffsetsAt(0).toByteArray();
    }
    front_ += size;
    inStep_ = true;
    if (front_ >= kCompactAt) {
        buffer_.remove(0, front_);
        front_ = 0;
    }
    return frame;
}

void LineReader::Drop(qsizetype n) {
    stray_ += n;
    front_ += n;
    inStep_ = false;
    if (front_ >= kCompactAt) {
        buffer_.remove(0, front_);
        front_ = 0;
    }
}

QByteArray LineReader::TakeAll() {
    QByteArray all = buffer_.mid(front_);
    buffer_.clear();
    front_ = 0;
    inStep_ = false;
    return all;
}

void LineReader::Unread(const QByteArray& bytes) {
    buffer_ = bytes + buffer_.mid(front_);
    front_ = 0;
    inStep_ = !bytes.isEmpty();
}
