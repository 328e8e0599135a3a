#pragma once

#include "config/meter_settings.h"
#include "config/sampling_time_command.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "support/fake_clock.h"
#include "tampered_meter.h"

#include <QList>
#include <QStringList>
#include <QtTest>

// Each command as hex, after the status query the link sends before it.
inline QStringList WithStatus(const QStringList& commands) {
    QStringList out;
    for (const QString& c : commands)
        out << QStringLiteral("41") << c;
    return out;
}

// The configuration commands over the simulated meter. The link's clock advances 250 ms a
// reading, so the meter's waits cost next to no real time; key presses have a clock of their
// own. The PC's sampling time starts at 7 s.
struct ConfigRig {
    struct TimersAtWrite {
        QByteArray bytes;
        bool polling, sampling;
    };

    FakeClock clock, pressClock;
    MeterTimers timers;
    LiveState live;
    MeterLink link{clock, timers, live};
    TamperedMeter meter;
    MeterSettings settings{link, pressClock};
    QList<TimersAtWrite> writes;
    int pcTime = 7;
    SamplingTimeCommand command{settings, [this] { return pcTime; }, [this](int t) { pcTime = t; }};

    ConfigRig() {
        clock.step = 0.25;
        link.SetDevice(&meter, QStringLiteral("COM3"));
        link.SetLinkLost(false);
        meter.onWrite = [this](const QByteArray& bytes) {
            writes.append(
                {bytes, timers.PollingTimer().isActive(), timers.SamplingTimer().isActive()});
        };
        timers.StartBoth();
    }
    QStringList Sent() {
        QStringList out;
        for (const QByteArray& c : meter.Sent())
            out << QString::fromLatin1(c.toHex());
        return out;
    }
    // Whether every write found polling (and, if `sampling`, the sampling timer) off.
    bool PausedAtEveryWrite(bool sampling) const {
        for (const TimersAtWrite& w : writes) {
            if (w.polling || (sampling && w.sampling))
                return false;
        }
        return true;
    }
    bool Restored() const {
        return timers.PollingTimer().isActive() && timers.SamplingTimer().isActive();
    }
    double FakeSecondsSpent() const { return clock.readCount * clock.step; }
    // A reply that never came: `command` was asked again, each time after a status query, for
    // about the 5 s of the reply wait, and then polling went on.
    void CheckAskedAgain(const QString& command) {
        QVERIFY2(FakeSecondsSpent() >= 5.0 && FakeSecondsSpent() < 7.0,
                 qPrintable(QString::number(FakeSecondsSpent())));
        const QStringList sent = Sent();
        QVERIFY(sent.size() > 4);
        for (int i = 0; i < sent.size(); ++i)
            QCOMPARE(sent[i], i % 2 == 0 ? QStringLiteral("41") : command);
        QVERIFY(timers.PollingTimer().isActive());
    }
};

// Input boxes answered from a queue (Cancel when it runs dry, or for "<cancel>").
class ScriptedPrompts : public CommandPrompts {
public:
    QStringList answers, prompts, defaults, refusals;

    std::optional<QString> Ask(const QString&, const QString& prompt,
                               const QString& defaultText) override {
        prompts << prompt;
        defaults << defaultText;
        const QString a = answers.isEmpty() ? QStringLiteral("<cancel>") : answers.takeFirst();
        return a == QLatin1String("<cancel>") ? std::nullopt : std::optional<QString>(a);
    }
    void Refuse(const QString& text) override { refusals << text; }
};
