#include "config/meter_settings.h"

#include "link/clock.h"
#include "link/delay.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"

#include <algorithm>
#include <array>

namespace {

constexpr double kLongPressSeconds = 2.0;
// The "U" and "V" replies have to begin within this after their command.
constexpr double kShortReplySeconds = 0.1;

struct KeyRow {
    MeterKey key;
    KeyMask shortMask;
    std::optional<KeyMask> longMask;
};

// The meter's key masks.
constexpr std::array<KeyRow, 14> kKeys{{
    {MeterKey::Read, {0x01, 0x00, 0x00}, std::nullopt},
    {MeterKey::Alarm, {0x02, 0x00, 0x00}, std::nullopt},
    {MeterKey::CF, {0x04, 0x00, 0x00}, std::nullopt},
    {MeterKey::Set, {0x08, 0x00, 0x00}, std::nullopt},
    {MeterKey::Time, {0x10, 0x00, 0x00}, std::nullopt},
    {MeterKey::MaxMin, {0x20, 0x00, 0x00}, KeyMask{0x00, 0x00, 0x04}},
    {MeterKey::Mem, {0x40, 0x00, 0x00}, KeyMask{0x00, 0x80, 0x00}},
    {MeterKey::Type, {0x80, 0x00, 0x00}, std::nullopt},
    {MeterKey::Hold, {0x00, 0x01, 0x00}, std::nullopt},
    {MeterKey::Up, {0x00, 0x02, 0x00}, std::nullopt},
    {MeterKey::Left, {0x00, 0x04, 0x00}, std::nullopt},
    {MeterKey::Enter, {0x00, 0x08, 0x00}, std::nullopt},
    {MeterKey::Right, {0x00, 0x10, 0x00}, std::nullopt},
    {MeterKey::Down, {0x00, 0x20, 0x00}, std::nullopt},
}};

const KeyRow& RowOf(MeterKey key) {
    return *std::find_if(kKeys.begin(), kKeys.end(),
                         [key](const KeyRow& row) { return row.key == key; });
}

} // namespace

KeyMask KeyMaskOf(MeterKey key, bool longPress) {
    const KeyRow& row = RowOf(key);
    return longPress && row.longMask ? *row.longMask : row.shortMask;
}

bool HasLongPress(MeterKey key) {
    return RowOf(key).longMask.has_value();
}

bool IsLongPress(double pressedAt, double releasedAt) {
    return SecondsSince(pressedAt, releasedAt) > kLongPressSeconds; // across midnight too
}

MeterSettings::MeterSettings(MeterLink& link, const Clock& pressClock)
    : link_(link)
    , pressClock_(pressClock) {}

QString MeterSettings::NoAnswerText() {
    return QStringLiteral("The meter did not answer.");
}

void MeterSettings::SendCommandBytes(char letter, quint8 a, quint8 b, quint8 c) {
    // The four bytes go out in one write.
    const char bytes[] = {letter, char(a), char(b), char(c)};
    link_.SendCommand(QByteArray(bytes, sizeof bytes));
}

double MeterSettings::ElapsedSince(double start) const {
    return SecondsSince(start, link_.GetClock().SecondsSinceMidnight());
}

std::optional<int> MeterSettings::ReadInterval() {
    ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::Polling);
    const double start = link_.GetClock().SecondsSinceMidnight();
    for (;;) {
        if (!link_.QueryStatus())
            return std::nullopt;
        SendCommandBytes('U', 0x00, 0x00, 0x00);
        if (const std::optional<QByteArray> reply = AwaitShortReply())
            return quint8(reply->at(1));
        if (link_.IsCancelled() || ElapsedSince(start) >= replyWaitSeconds_)
            return std::nullopt;
    }
}

bool MeterSettings::WriteInterval(int seconds) {
    ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::Polling);
    if (!link_.QueryStatus())
        return false;
    SendCommandBytes('U', 0x01, quint8(std::clamp(seconds, 1, 255)), 0x00);
    return true;
}

MeterSettings::SizeReply MeterSettings::ReadMemorySize() {
    ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::PollingAndSampling);
    if (!link_.QueryStatus())
        return SizeReply::Cancelled;
    link_.SendCommand(QByteArray("Y\x00", 2));
    const std::optional<QByteArray> reply = link_.AwaitReply(ReplyShape::Short(), 0.2);
    if (!reply)
        return SizeReply::None;
    link_.SetMemorySizeCode(quint8(reply->at(1)));
    return SizeReply::Read;
}

bool MeterSettings::WriteMemorySize(int code) {
    if (code != 1 && code != 2 && code != 4 && code != 8)
        code = 1;
    ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::PollingAndSampling);
    if (!link_.QueryStatus())
        return false;
    link_.SendCommand(QByteArray("Y\x01", 2) + char(code));
    return true;
}

std::optional<int> MeterSettings::ReadPowerOff() {
    ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::Polling);
    if (!link_.QueryStatus())
        return std::nullopt;
    SendCommandBytes('V', 0x00, 0x00, 0x00);
    if (const std::optional<QByteArray> reply = AwaitShortReply())
        return quint8(reply->at(1));
    return std::nullopt;
}

std::optional<QByteArray> MeterSettings::AwaitShortReply() {
    return link_.AwaitReply(ReplyShape::Short(), kShortReplySeconds);
}

bool MeterSettings::WritePowerOff(int code) {
    ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::Polling);
    if (!link_.QueryStatus())
        return false;
    SendCommandBytes('V', 0x01, quint8(code), 0x00);
    return true;
}

void MeterSettings::KeyDown() {
    pressTime_ = pressClock_.SecondsSinceMidnight();
}

std::optional<KeyMask> MeterSettings::PressKey(MeterKey key) {
    ExchangeGuard guard(link_.Timers(), key == MeterKey::Mem
                                            ? ExchangeGuard::Pause::PollingAndSampling
                                            : ExchangeGuard::Pause::Polling);
    if (!link_.QueryStatus())
        return std::nullopt;
    const bool longPress =
        HasLongPress(key) && IsLongPress(pressTime_, pressClock_.SecondsSinceMidnight());
    const KeyMask mask = KeyMaskOf(key, longPress);
    SendCommandBytes('W', mask.b1, mask.b2, mask.b3);
    // Rapid clicks reach the meter spaced by at least this.
    link_.Wait(0.2);
    return mask;
}

bool MeterSettings::SendCommand1() {
    ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::Polling);
    if (!link_.QueryStatus())
        return false;
    SendCommandBytes('W', 0x00, 0x00, 0x01);
    return true;
}
