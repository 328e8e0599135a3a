#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// What a command's reply looks like on the line: its length from STX to ETX and the bytes that
// are fixed in it. A dump is only framed at its start; its length is counted, not framed.
struct ReplyShape {
    enum class Kind { Status, Clock, Short, AutomaticDump, ManualDump };
    Kind kind = Kind::Short;
    // For the manual dump: the entry count the status reply announced, which a meter may repeat
    // in the dump's second byte.
    int manualCount = -1;

    static ReplyShape Status() { return {Kind::Status}; } // 02 a a a n FF 03
    static ReplyShape Clock() { return {Kind::Clock}; }   // 02 y m d h n s 03
    static ReplyShape Short() { return {Kind::Short}; }   // 02 x 03 ("Y", "U", "V")
    static ReplyShape AutomaticDump() { return {Kind::AutomaticDump}; }
    static ReplyShape ManualDump(int count) { return {Kind::ManualDump, count}; }

    bool IsDump() const { return kind == Kind::AutomaticDump || kind == Kind::ManualDump; }
    // Frame length; 0 for a dump.
    int Size() const;
};

// The bytes received from the meter, consumed from the front in the order they came. The line
// carries live packets (12 bytes, STX first, ETX last) back to back, with a command's reply
// between two of them. A whole packet is taken where it stands when it follows the last frame
// taken, when it carries the offsets of the last packet, when the next packet confirms it, or
// when nothing more is coming for now (`quiet`); a reply, when the next frame starts after it. A
// frame still coming is waited for until the line is quiet, never judged by where a read ended. A
// byte that starts no frame is stray and dropped; the reader is then out of step until a frame is
// confirmed by the next one.
class LineReader {
public:
    struct Frame {
        bool packet = false; // a live packet; otherwise the awaited reply (for a dump: its start)
        QByteArray bytes;    // the frame; for a dump, nothing (its bytes stay at the front)
    };

    void Append(const QByteArray& bytes);
    // Forgets everything (the port was reopened).
    void Clear();
    bool IsEmpty() const { return Size() == 0; }
    qsizetype Size() const { return buffer_.size() - front_; }

    // The next whole frame at the front: a live packet, or, when `awaited` is given, that reply.
    // Stray bytes before it are dropped. Empty when more bytes are needed to tell. `quiet` says
    // that no more bytes are coming for now: what stands at the end is judged as it is.
    std::optional<Frame> Next(const ReplyShape* awaited, bool quiet);

    // Everything at the front, taken out (a dump's bytes once its start was found).
    QByteArray TakeAll();
    // Puts bytes back at the front: what came after a dump's end belongs to the stream.
    void Unread(const QByteArray& bytes);

    // Bytes dropped because they started no frame; packets and replies taken.
    qint64 StrayBytes() const { return stray_; }
    qint64 Packets() const { return packets_; }

private:
    enum class Verdict { Yes, No, Undecided };
    char At(qsizetype i) const { return buffer_[front_ + i]; }
    // The four offset bytes of the packet at `i`, where they stand: every packet is compared by
    // them, so they are not copied out.
    QByteArrayView OffsetsAt(qsizetype i) const {
        return QByteArrayView(buffer_).sliced(front_ + i + 7, 4);
    }
    Verdict PacketAt(qsizetype i, bool quiet) const;
    Verdict ReplyAt(qsizetype i, const ReplyShape& shape, bool quiet) const;
    // After a frame that ends at `i`: the next one (packet or reply) or the end of what came.
    Verdict FollowedAt(qsizetype i, const ReplyShape* awaited, bool quiet) const;
    bool Distinct(const ReplyShape& shape) const;
    Frame Take(bool packet, qsizetype size);
    void Drop(qsizetype n);

    QByteArray buffer_;
    qsizetype front_ = 0;
    bool inStep_ = false;    // the front is where a frame starts
    QByteArray lastOffsets_; // of the last packet taken
    qint64 stray_ = 0;
    qint64 packets_ = 0;
};
