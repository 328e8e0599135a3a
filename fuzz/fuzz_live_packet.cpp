// The live packet decoder on arbitrary bytes from the line: every 12-byte window that passes
// the STX/ETX framing check is decoded as a polling tick would, and every run of four framed
// packets as the recovery's snapshot would.

#include "fuzz_check.h"
#include "link/live_state.h"
#include "link/reading_text.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    constexpr int n = LiveState::kPacketSize;
    LiveState live;
    live.ClearForResync();
    for (qsizetype i = 0; i + n <= bytes.size(); ++i) {
        if (!IsFramedPacket(bytes, i))
            continue;
        live.DecodePacket(bytes.mid(i, n));
        FUZZ_CHECK(live.CurrentChannel() >= 0 && live.CurrentChannel() < 4);
        const ChannelState& channel = live.Channel(live.CurrentChannel());
        // A reading exists exactly when its value bytes (the packet's 5th to 7th) are not
        // damaged, that is when the tenths digit is 0 to 9.
        const auto byte = [&](int position) { return quint8(bytes[i + position - 1]); };
        const bool intact = DecodeRawReading(byte(5), byte(6), byte(7)).valid;
        FUZZ_CHECK(channel.ReadingF.has_value() == intact);
        FUZZ_CHECK(channel.ReadingC.has_value() == intact);
        FUZZ_CHECK(!intact || (!channel.ReadingFText.isEmpty() && !channel.ReadingCText.isEmpty()));
        if (live.ConfigurationChanged())
            live.RememberConfiguration();
        FUZZ_CHECK(!live.ConfigurationChanged());

        // The recovery reads four consecutive packets.
        const QByteArray four = bytes.mid(i, 4 * n);
        if (four.size() == 4 * n && IsFramedPacket(four, n) && IsFramedPacket(four, 2 * n) &&
            IsFramedPacket(four, 3 * n)) {
            LiveState recovered;
            recovered.ClearForResync();
            for (const int ch : recovered.DecodeSnapshot(four)) {
                FUZZ_CHECK(ch >= 0 && ch < 4);
                const ChannelState& c = recovered.Channel(ch);
                FUZZ_CHECK(c.ReadingF.has_value() == c.ReadingC.has_value());
            }
        }
    }
    return 0;
}
