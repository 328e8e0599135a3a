#pragma once

#include "link/live_state.h"
#include "sim/meter_model.h"

#include <QByteArray>
#include <QString>

// Sets a channel of `live` the way the meter does, by decoding one of its packets: the type
// code, the reading in tenths of °F, and the flags in `what` ("p" probe, "o" over, "u" under,
// "F" unit °F, "r" meter recording, "7" status bit 7). The packet is the simulated meter's;
// over or under range it carries the type's range end, as the meter's does. The channel's
// ranges then follow its type, as after a configuration change.
inline void FeedLivePacket(LiveState& live, int channel, int typeCode, int tenthsF,
                           const QString& what = QStringLiteral("p")) {
    const auto has = [&what](char flag) { return what.contains(QLatin1Char(flag)); };
    MeterModel meter;
    meter.fahrenheit = has('F');
    meter.recording = has('r');
    meter.status7 = has('7');
    MeterChannel& c = meter.Channel(channel);
    c.typeCode = typeCode;
    c.probe = has('p');
    c.over = has('o');
    c.under = has('u');
    meter.SetReading(channel, tenthsF);
    QByteArray packet = meter.Packet(channel);
    if (c.over && c.under)
        packet[3] = char(packet[3] | 0x40); // the meter sends one flag at a time; both, made here
    live.DecodePacket(packet);
    live.SetRangesFromType(channel);
}
