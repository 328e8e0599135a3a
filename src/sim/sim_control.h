#pragma once

#include "sim/meter_protocol.h"

#include <QString>

// Control lines that a test writes to a running simulator to change the meter or inject a
// fault. Lines that concern the program itself (unplug, plug, quit) come back as an action.
enum class ControlAction { None, Unplug, Plug, Quit, Echo };

struct ControlResult {
    ControlAction action = ControlAction::None;
    QString error; // empty when the line was understood
    QString echo;  // the text of an echo line
};

ControlResult ApplyControlLine(const QString& line, MeterProtocol& protocol);

// One line per control command, for --help.
QString ControlHelpText();
