#pragma once

#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "sim/meter_scenario.h"
#include "sim/simulated_meter_device.h"
#include "support/hex.h"

#include <QtTest>

// The program's side of the line to a simulated meter in fast mode, loaded from a scenario;
// `otherDevice` puts another meter on the line instead.
struct MeterRig {
    SystemClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link{clock, timers, live};
    SimulatedMeterDevice device;

    explicit MeterRig(const QString& scenario, QIODevice* otherDevice = nullptr) {
        device.SetFast(true);
        if (const QString error = LoadScenario(scenario, device.Model()); !error.isEmpty())
            qFatal("scenario: %s", qPrintable(error));
        device.open(QIODevice::ReadWrite);
        link.SetDevice(otherDevice ? otherDevice : &device, QStringLiteral("SIM"));
        link.SetLinkLost(false);
    }
    QVector<QByteArray> Commands() { return device.Protocol().ReceivedCommands(); }
};
