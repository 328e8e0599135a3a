#pragma once

#include "sim/meter_model.h"

#include <QDateTime>
#include <QString>

// A scenario is a small text that sets up the simulated meter: one statement a line, words
// separated by blanks, '#' starts a comment. Readings and record values are tenths of a
// degree Fahrenheit; dates are "yyyy/mm/dd hh:mm:ss".
//
//   unit C|F                      display unit
//   clock DATE TIME | now | none  the meter's clock (none: unset, it reads as zeros)
//   interval N                    logger interval, 1..255 s
//   poweroff 0|1|2                power-off code (5, 15, 30 minutes)
//   memsize 1|2|4|8               memory size code, units of 64 KB
//   recording on|off              the meter is recording into its logger
//   status7 on|off                status bit 7 of the live packet
//   mode normal|max|min|maxmin    display mode
//   stream [every MS] [jitter MS] [pause on|off]
//       the live stream's pace: a packet every MS ms (0: back to back at line rate), each
//       interval up to jitter MS longer at random, and whether the stream stops around a
//       reply (on, as it starts) or carries on; MS is 0..10000
//   channel N [type X] [reading T] [probe on|off] [offset O] [over on|off]
//             [under on|off] [heat T] [overevery S] [toward T] [settle S] [overshoot O]
//             [noise A]
//       N is 1..4; X a type letter (K J E T R S N L U B C) or a code 0..15; heat is a rise in
//       tenths per minute; overevery S puts the channel over range one second in every S;
//       toward T makes the reading approach T instead of rising, settling in about S seconds
//       (60 unless told) after passing T once by O tenths (0 unless told); noise A makes it
//       wander by up to A tenths either way.
//   set start DATE TIME [interval N] [unit C|F] [mask M] [types a,b,c,d] [offsets a,b,c,d]
//       starts an automatic set; M is 1..15 (decimal, 0b0101 or 0x5), bit 0 = T1
//   record V ...                  one record of the current set: one value per channel in its
//                                 mask, T1 first; a value is tenths, or - (no probe), over,
//                                 under
//   records N from V step S       N records at once; the k-th channel in the mask starts at
//                                 V + 10 k and each record adds S
//   manual at DATE TIME [unit C|F] [types a,b,c,d] [offsets a,b,c,d] values V V V V
//       one manual entry, always four values
//
// Returns an empty text when the whole scenario applied, otherwise "line N: what is wrong";
// on an error the model is left as it was. Statements apply on top of the model's state.
QString LoadScenario(const QString& text, MeterModel& model,
                     const QDateTime& now = QDateTime::currentDateTime());

// The scenario the simulator runs when it is given none: a meter on a bench, with a probe in an
// oven heating to 180 °C, one in the room's air, one in ice water and an empty socket, each of
// a different type; its logger holds a long heating profile, two shorter sets and a few
// manual entries.
QString DefaultScenarioText();
