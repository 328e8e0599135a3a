// Times an alarm from the sample that crosses a limit to the user's command having started,
// and what watching for alarms adds to taking a sample.

#include "config/alarm_settings.h"
#include "config/alarm_watch.h"
#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "link/reading_text.h"
#include "recording/sampler.h"
#include "support/live_packet.h"

#include "bench_measure.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SystemClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link(clock, timers, live);
    link.SetLinkLost(false);
    AlarmSettings alarms(live);
    Sampler sampler(clock, live, alarms);
    AlarmWatch watch(clock, link, sampler);
    AlarmLimits limits;
    limits.high[0] = 2500;
    watch.SetLimits(limits);
    watch.SetCommandLine(QStringLiteral("true"));

    int started = 0;
    QElapsedTimer timer;
    double startedAfter = 0; // ms from the crossing sample
    QObject::connect(&watch.Command(), &AlarmCommand::Started, [&] {
        startedAfter = timer.nsecsElapsed() / 1e6;
        ++started;
    });
    std::vector<double> toStart, sampling;
    for (int n = 0; n < 40; ++n) {
        // Crossing up and falling back: each sample is an event and starts the command.
        FeedLivePacket(live, 0, 0, FahrenheitTenths(n % 2 == 0 ? 2600 : 2000));
        const int before = started;
        timer.start();
        sampler.TakeSample();
        sampling.push_back(timer.nsecsElapsed() / 1e6);
        if (!RunEventsUntil([&] { return started > before; }, 5000)) {
            std::fprintf(stderr, "the alarm command did not start\n");
            return 1;
        }
        toStart.push_back(startedAfter);
        watch.Finish();
    }
    std::printf("crossing sample to command started: median %.2f ms, worst %.2f ms\n",
                Median(toStart), *std::max_element(toStart.begin(), toStart.end()));
    std::printf("taking a sample with alarms watched: median %.3f ms, worst %.3f ms\n",
                Median(sampling), *std::max_element(sampling.begin(), sampling.end()));
    std::printf("BENCH\talarm: crossing sample to command started (worst)\t< 100 ms\t%.1f ms\n",
                *std::max_element(toStart.begin(), toStart.end()));
    return 0;
}
