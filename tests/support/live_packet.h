#pragma once

#include "link/live_state.h"
#include "sim/meter_model.h"

#include <QByteArray>
#include <QString>

// Sets a channel of `live` the way the meter does, by decoding one of its packets: the type
// code, the reading in tenths of °F as the meter sends it, and the flags in `what` ("p" probe,
// "o" over, "u" under, "F" unit °F, "r" meter recording, "7" status bit 7). The channel's ranges
// then follow its type, as after a configuration change.
inline void FeedLivePacket(LiveState& live, int channel, int typeCode, int tenthsF,
                           const QString& what = QStringLiteral("p")) {
    const auto has = [&what](char flag) { return what.contains(QLatin1Char(flag)); };
    QByteArray p(LiveState::kPacketSize, '\0');
    p[0] = 0x02;
    p[1] =
        char((channel & 3) | (has('F') ? 0x04 : 0) | (has('r') ? 0x40 : 0) | (has('7') ? 0x80 : 0));
    p[2] = char(typeCode & 0x0F);
    p[3] = char((has('p') ? 0x08 : 0) | (has('o') ? 0x20 : 0) | (has('u') ? 0x40 : 0));
    p.replace(4, 3, EncodeReading(tenthsF));
    p[11] = 0x03;
    live.DecodePacket(p);
    live.SetRangesFromType(channel);
}
