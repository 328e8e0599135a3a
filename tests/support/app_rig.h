#pragma once

#include "app/application.h"
#include "link/meter_timers.h"
#include "session/meter_session.h"
#include "sim/simulated_meter_device.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"

#include <QSignalSpy>
#include <QtTest>

// The running program for tests: a fake clock, dialogs answered from a script, and the
// configuration changes it has announced since it was made.
struct AppRig {
    static constexpr int kDayMs = 24 * 3600 * 1000;

    FakeClock clock;
    ScriptedDialogs dialogs;
    Application app;
    QSignalSpy changes{&app, &Application::ConfigurationChanged};

    // Every reading of the clock comes `clockStep` seconds after the one before.
    AppRig(double clockStep, int sampleCapacity)
        : app(Overrides(clockStep, sampleCapacity)) {}

    // The main window on the built-in simulated meter in fast mode, sampling every `samplingMs`
    // (by default never: the test takes the samples). It polls every 10 ms rather than the
    // program's 50: each poll does the same, and linking takes less of the tests' time.
    bool Start(int samplingMs = kDayMs) {
        app.Timers().SetSamplingPeriod(samplingMs);
        app.Timers().PollingTimer().setInterval(10);
        if (!app.StartPanel({true, QString()}))
            return false;
        app.Simulator()->SetFast(true);
        return true;
    }
    // Until the first tick has found the meter's set-up and built the display for it.
    bool WaitLinked() {
        return QTest::qWaitFor([this] { return !changes.isEmpty(); }, 10000);
    }
    bool StartLinked() { return Start() && WaitLinked(); }

private:
    Application::Overrides Overrides(double clockStep, int sampleCapacity) {
        clock.step = clockStep;
        Application::Overrides o;
        o.dialogs = &dialogs;
        o.clock = &clock;
        o.sampleCapacity = sampleCapacity;
        return o;
    }
};
