#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

// The live state of one channel as the last packet for it left it. Readings are in tenths.
struct ChannelState {
    bool ProbeValid = false;
    bool OverRange = false;
    bool UnderRange = false;
    std::optional<int> TypeCode; // empty until the first packet
    QString TypeLetter;
    // The type's range: the values charted for "Over" and "Under".
    int UpperC = 0, LowerC = 0, UpperF = 0, LowerF = 0;
    int OffsetTenths = 0;
    QString ReadingFText, ReadingCText;
    std::optional<int> ReadingF, ReadingC; // tenths; empty after a lost link or a damaged value
    // When this channel's packet was last decoded, by the program's clock; empty: not since
    // the start or the last recovery.
    std::optional<QDateTime> LastRead;
};

// What the display is built for: each channel's probe and type, and the unit.
struct MeterSetup {
    std::array<bool, 4> probes{};
    std::array<std::optional<int>, 4> types{};
    QString unit;
    bool operator==(const MeterSetup& other) const {
        return probes == other.probes && types == other.types && unit == other.unit;
    }
};

// The per-channel live state and the meter's unit and status bits, decoded from the stream.
class LiveState {
public:
    static constexpr int kPacketSize = 12;
    // A reading counts as current for at least this long after its channel's packet was
    // decoded; longer for a meter that comes round to the channel more slowly (`FreshForMs`).
    static constexpr qint64 kFreshMs = 3000;

    const std::array<ChannelState, 4>& Channels() const { return channels_; }
    const ChannelState& Channel(int channel) const { return channels_[size_t(channel)]; }
    // The channel of the last packet.
    int CurrentChannel() const { return currentChannel_; }
    bool UnitF() const { return unitF_; }
    // "°C" or "°F"; empty before the first packet.
    const QString& UnitText() const { return unitText_; }
    bool MeterRecording() const { return meterRecording_; }
    bool MeterStatus7() const { return meterStatus7_; }
    const QString& ModeText() const { return modeText_; }

    // Decodes one 12-byte packet whose STX and ETX have been checked.
    void DecodePacket(const QByteArray& packet);
    // The recovery variant for four packets in a row: each is decoded whole, and its channel's
    // ranges are set from its type. Offsets and range flags are not left to later packets: a
    // slow meter's next packet of a channel may be a long way off. Returns the channels in the
    // order their packets came.
    std::array<int, 4> DecodeSnapshot(const QByteArray& packets);

    // Notes that the channel's packet was decoded at `when`.
    void MarkRead(int channel, const QDateTime& when) {
        channels_[size_t(channel)].LastRead = when;
    }
    // The time from one live packet to the next as the link measures it on the stream; empty:
    // not known yet (since the start or the last recovery).
    void SetPacketInterval(std::optional<qint64> ms) { packetIntervalMs_ = ms; }
    std::optional<qint64> PacketInterval() const { return packetIntervalMs_; }
    // How long a reading stays current after its packet: `kFreshMs`, or, when that is shorter,
    // the time the meter takes to come round to the channel again (one packet per channel in
    // turn: four intervals) and one interval more. A slow meter's readings stay current between
    // its packets; a stream that stopped goes stale an interval after the next packet was due.
    qint64 FreshForMs() const;
    // Whether the channel's reading is current at `now`: its packet came within `FreshForMs`.
    // A clock set back makes a reading stale rather than current for longer.
    bool IsFresh(int channel, const QDateTime& now) const;
    // Sets the range values of a channel from its type (unknown codes keep them).
    void SetRangesFromType(int channel);
    // Whether any probe flag, type code or the unit differs from the remembered ones.
    bool ConfigurationChanged() const;
    // Whether the channel's probe flag or type code differs from the remembered one.
    bool ChannelChanged(int channel) const;
    MeterSetup CurrentSetup() const;
    // The remembered setup; empty before the first display rebuild and during a recovery.
    std::optional<MeterSetup> ShownSetup() const;
    // Remembers the current probe flags, type codes and unit as those of the display.
    void RememberConfiguration();
    // The same for one channel's probe flag and type code only.
    void RememberChannel(int channel);
    // Empties the readings, forgets what the display showed, so that the next packet is taken
    // as a configuration change, and forgets the meter's pace.
    void ClearForResync();

private:
    std::array<ChannelState, 4> channels_;
    int currentChannel_ = 0;
    bool unitF_ = false;
    QString unitText_;
    bool meterRecording_ = false;
    bool meterStatus7_ = false;
    QString modeText_;
    std::optional<qint64> packetIntervalMs_;

    // A channel as the display was last built for it.
    struct ShownChannel {
        bool probe = false;
        std::optional<int> type;
    };
    // As of the last display rebuild; a difference is a configuration change. Empty: not
    // known (after a recovery began), which differs from everything.
    std::array<std::optional<ShownChannel>, 4> shownChannels_{ShownChannel{}, ShownChannel{},
                                                              ShownChannel{}, ShownChannel{}};
    std::optional<QString> shownUnit_ = QString(); // empty text: nothing shown yet

    void DecodeValue(ChannelState& channel, const char* valueBytes);
    void DecodeType(ChannelState& channel, int code);
};

// Whether `bytes` at `offset` holds a whole packet: STX first and ETX last.
bool IsFramedPacket(const QByteArray& bytes, qsizetype offset = 0);
