#include "link/live_state.h"

#include "link/reading_text.h"
#include "link/thermocouple.h"

#include <algorithm>

namespace {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;

// The remembered type code that no packet can carry.

quint8 Byte(const char* p, int position) {
    return quint8(p[position - 1]);
}

QString ModeTextOf(int mode) {
    static const char* const kModes[] = {"Normal", "Max", "Min", "Max-Min"};
    return QString::fromLatin1(kModes[mode & 3]);
}

} // namespace

bool IsFramedPacket(const QByteArray& bytes, qsizetype offset) {
    return offset >= 0 && offset + LiveState::kPacketSize <= bytes.size() &&
           bytes[offset] == kStx && bytes[offset + LiveState::kPacketSize - 1] == kEtx;
}

void LiveState::DecodeType(ChannelState& channel, int code) {
    channel.TypeCode = code;
    if (const ThermocoupleType* type = TypeByCode(code))
        channel.TypeLetter = QString::fromLatin1(type->letter);
}

void LiveState::DecodeValue(ChannelState& channel, const char* p) {
    const RawReading raw = DecodeRawReading(Byte(p, 5), Byte(p, 6), Byte(p, 7));
    if (!raw.valid) {
        // A damaged value leaves the channel without a reading, as after a lost link, rather
        // than showing one number and charting another.
        channel.ReadingF.reset();
        channel.ReadingC.reset();
        channel.ReadingFText.clear();
        channel.ReadingCText.clear();
        return;
    }
    channel.ReadingFText = raw.text;
    channel.ReadingF = raw.tenths;
    channel.ReadingC = CelsiusTenths(raw.tenths, channel.OffsetTenths);
    channel.ReadingCText = TenthsText(*channel.ReadingC);
}

void LiveState::DecodePacket(const QByteArray& packet) {
    const char* p = packet.constData();
    const quint8 status = Byte(p, 2);
    currentChannel_ = status & 0x03;
    unitF_ = status & 0x04;
    unitText_ = unitF_ ? QStringLiteral("°F") : QStringLiteral("°C");
    meterRecording_ = status & 0x40;
    meterStatus7_ = status & 0x80;

    ChannelState& channel = channels_[size_t(currentChannel_)];
    DecodeType(channel, Byte(p, 3) & 0x0F);

    const quint8 flags = Byte(p, 4);
    modeText_ = ModeTextOf(flags);
    channel.ProbeValid = flags & 0x08;
    channel.OverRange = flags & 0x20;
    channel.UnderRange = flags & 0x40;

    for (int i = 0; i < 4; ++i)
        channels_[size_t(i)].OffsetTenths = SignedTenths(Byte(p, 8 + i));
    DecodeValue(channel, p);
}

std::array<int, 4> LiveState::DecodeSnapshot(const QByteArray& packets) {
    std::array<int, 4> order{};
    for (int k = 0; k < 4; ++k) {
        DecodePacket(packets.mid(k * kPacketSize, kPacketSize));
        order[size_t(k)] = currentChannel_;
        SetRangesFromType(currentChannel_);
    }
    return order;
}

void LiveState::SetRangesFromType(int ch) {
    ChannelState& channel = channels_[size_t(ch)];
    const ThermocoupleType* type = channel.TypeCode ? TypeByCode(*channel.TypeCode) : nullptr;
    if (!type)
        return;
    // Ranges are whole degrees; the channel state keeps everything in tenths.
    channel.UpperC = type->upperC * 10;
    channel.LowerC = type->lowerC * 10;
    channel.UpperF = type->upperF * 10;
    channel.LowerF = type->lowerF * 10;
}

bool LiveState::ChannelChanged(int channel) const {
    const size_t i = size_t(channel);
    const std::optional<ShownChannel>& shown = shownChannels_[i];
    return !shown || channels_[i].ProbeValid != shown->probe ||
           channels_[i].TypeCode != shown->type;
}

bool LiveState::ConfigurationChanged() const {
    for (int i = 0; i < 4; ++i) {
        if (ChannelChanged(i))
            return true;
    }
    return shownUnit_ != unitText_;
}

MeterSetup LiveState::CurrentSetup() const {
    MeterSetup setup;
    for (size_t i = 0; i < 4; ++i) {
        setup.probes[i] = channels_[i].ProbeValid;
        setup.types[i] = channels_[i].TypeCode;
    }
    setup.unit = unitText_;
    return setup;
}

std::optional<MeterSetup> LiveState::ShownSetup() const {
    if (!shownUnit_ || shownUnit_->isEmpty())
        return std::nullopt;
    MeterSetup setup;
    for (size_t i = 0; i < 4; ++i) {
        if (!shownChannels_[i])
            return std::nullopt;
        setup.probes[i] = shownChannels_[i]->probe;
        setup.types[i] = shownChannels_[i]->type;
    }
    setup.unit = *shownUnit_;
    return setup;
}

void LiveState::RememberConfiguration() {
    for (int i = 0; i < 4; ++i)
        RememberChannel(i);
    shownUnit_ = unitText_;
}

void LiveState::RememberChannel(int channel) {
    const ChannelState& c = channels_[size_t(channel)];
    shownChannels_[size_t(channel)] = ShownChannel{c.ProbeValid, c.TypeCode};
}

qint64 LiveState::FreshForMs() const {
    const qint64 round = packetIntervalMs_.value_or(0) * qint64(channels_.size());
    return std::max(kFreshMs, round + packetIntervalMs_.value_or(0));
}

bool LiveState::IsFresh(int channel, const QDateTime& now) const {
    const std::optional<QDateTime>& read = channels_[size_t(channel)].LastRead;
    if (!read)
        return false;
    const qint64 age = read->msecsTo(now);
    return age >= 0 && age < FreshForMs();
}

void LiveState::ClearForResync() {
    for (size_t i = 0; i < 4; ++i) {
        channels_[i].LastRead.reset();
        channels_[i].ReadingC.reset();
        channels_[i].ReadingF.reset();
        channels_[i].ReadingCText.clear();
        channels_[i].ReadingFText.clear();
        shownChannels_[i].reset();
    }
    shownUnit_.reset();
    packetIntervalMs_.reset();
}
