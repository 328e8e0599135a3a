// The logger download against the simulated meter: a full 512 K memory in fast mode (time to
// download and split, then to fill a data list's two tables with its largest set), and a
// line-rate download of a few seconds (processor time against wall time).

#include "link/clock.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "logger/logger_download.h"
#include "logger/logger_memory.h"
#include "recording/six_column_model.h"
#include "sim/meter_scenario.h"
#include "sim/simulated_meter_device.h"

#include "bench_measure.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

struct Rig {
    SystemClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link{clock, timers, live};
    SimulatedMeterDevice device;
    LoggerMemory memory;
    LoggerDownload download{link, memory};

    Rig(const QString& scenario, bool fast) {
        device.SetFast(fast);
        if (const QString error = LoadScenario(scenario, device.Model()); !error.isEmpty())
            qFatal("scenario: %s", qPrintable(error));
        device.open(QIODevice::ReadWrite);
        link.SetDevice(&device, QStringLiteral("SIM"));
        link.SetLinkLost(false);
    }
};

// A full memory of `bytes` of automatic data: a first set of one channel (5 bytes a record)
// with `firstRecords` records, then sets of four channels (14 bytes a record).
QString Memory(qint64 bytes, int firstRecords) {
    QString text = QStringLiteral("set start 2013/12/31 23:00:00 interval 5 unit C mask 1\n"
                                  "records %1 from 700 step 1\n")
                       .arg(firstRecords);
    qint64 used = 23 + qint64(firstRecords) * 5;
    for (int s = 0; used + 23 + 14 < bytes; ++s) {
        const int records = int(std::min<qint64>(1000, (bytes - used - 23) / 14));
        text += QStringLiteral("set start 2014/01/01 00:00:00 interval 1 unit %1 mask 15\n"
                               "records %2 from 700 step 1\n")
                    .arg(s % 2 ? 'C' : 'F')
                    .arg(records);
        used += 23 + qint64(records) * 14;
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double lineSeconds = argc > 1 ? QByteArray(argv[1]).toDouble() : 5.0;

    {
        Rig rig(Memory(520185 - 8192 - 1, 100000), true);
        QElapsedTimer timer;
        timer.start();
        const auto outcome = rig.download.DownloadAutomatic();
        const qint64 downloadNs = timer.nsecsElapsed();
        if (outcome != LoggerDownload::Outcome::Completed)
            return 1;
        const LoggedSet* big = &rig.memory.Sets().first();
        std::printf("fast mode: %lld bytes downloaded and split into %d sets in %.1f ms "
                    "(0.2 s of it the fixed wait after \"Y\")\n",
                    rig.download.Received(), int(rig.memory.Sets().size()), downloadNs / 1e6);
        // BENCH<TAB>figure<TAB>target<TAB>measured: collected into one table by scripts/bench.sh.
        std::printf("BENCH\tdownload of a full 512 K memory in fast mode\t< 5 s\t%.2f s\n",
                    downloadNs / 1e9);

        // What the Memory window and a click on its largest set do with the data.
        const QByteArray data =
            AutomaticDataOfDump(QByteArray(4, '\0') + rig.device.Model().AutomaticData() + '\0',
                                rig.memory.MemoryAddress());
        const double cpuBefore = ProcessorSeconds();
        timer.restart();
        const SetSplit split = SplitSets(data);
        const qint64 splitNs = timer.nsecsElapsed();
        timer.restart();
        SixColumnModel c, f;
        c.SetHeadings(DataListHeadings(*big, false));
        f.SetHeadings(DataListHeadings(*big, true));
        for (int first = 1; first <= big->recordCount; first += 2000) {
            const QVector<DataListRow> rows = DecodeSetRows(*big, first, 2000);
            QList<DataFields> cellsC, cellsF;
            cellsC.reserve(rows.size());
            cellsF.reserve(rows.size());
            for (const DataListRow& row : rows) {
                cellsC.append(row.cells(false));
                cellsF.append(row.cells(true));
            }
            c.AppendRows(cellsC);
            f.AppendRows(cellsF);
        }
        const qint64 fillNs = timer.nsecsElapsed();
        const double cpu = ProcessorSeconds() - cpuBefore;
        std::printf("split %d sets: %.1f ms; set %d of %d records into both tables of a data "
                    "list: %.1f ms; together %.1f ms (processor %.1f ms)\n",
                    int(split.sets.size()), splitNs / 1e6, big->number, big->recordCount,
                    fillNs / 1e6, (splitNs + fillNs) / 1e6, cpu * 1e3);
        std::printf("BENCH\tsplit a full logger memory and fill a data list with its largest "
                    "set\t< 1 s\t%.0f ms\n",
                    (splitNs + fillNs) / 1e6);
    }

    {
        const int records = int(lineSeconds * 1920 / 14);
        Rig rig(QStringLiteral("set start 2013/12/31 23:00:00 interval 5 mask 15\n"
                               "records %1 from 700 step 1\n")
                    .arg(records),
                false);
        QElapsedTimer wall;
        wall.start();
        const double cpuBefore = ProcessorSeconds();
        int progress = 0;
        QObject::connect(&rig.download, &LoggerDownload::Progress, [&] { ++progress; });
        const auto outcome = rig.download.DownloadAutomatic();
        const double cpu = ProcessorSeconds() - cpuBefore;
        const double seconds = wall.nsecsElapsed() / 1e9;
        if (outcome != LoggerDownload::Outcome::Completed)
            return 1;
        std::printf("line rate: %lld bytes in %.2f s, processor %.3f s = %.2f %% of one core "
                    "(simulated meter included), %d progress texts\n",
                    rig.download.Received(), seconds, cpu, 100.0 * cpu / seconds, progress);
        std::printf("BENCH\tprocessor use of a line-rate download (simulated meter "
                    "included)\t< 5 %% of one core\t%.2f %% of one core\n",
                    100.0 * cpu / seconds);
    }
    return 0;
}
