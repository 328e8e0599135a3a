// Times the PC recording and the list windows at the sizes they reach: one sample while
// recording (the line's write to the system included), the move to a continuation file, the
// live list holding 320000 rows (memory) and its dump, and "Open" of a 320001-line file into the
// saved-file list (time, and the longest wait of the window between two event passes).

#include "app/panel_window.h"
#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "link/meter_timers.h"
#include "link/reading_text.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "session/meter_session.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"
#include "views/file_commands.h"
#include "views/file_list_window.h"
#include "views/list_window.h"
#include "views/six_column_table.h"

#include "bench_measure.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

SampleRecord Sample(qint64 n, const QDateTime& start) {
    const int t = int(n % 4000) - 500;
    SampleRecord s;
    s.TimeText = DateTimeText(start.addSecs(n));
    s.TextC = {TenthsText(t), TenthsText(t + 7), QStringLiteral("- - -"), QStringLiteral("Over")};
    s.TextF = s.TextC;
    return s;
}

void Report(const char* what, double ms) {
    std::printf("%-52s %10.3f ms\n", what, ms);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    const QDateTime start(QDate(2013, 8, 8), QTime(14, 5, 9));
    const std::array<QString, 4> letters{"K", "K", "J", "J"};
    const int rows = RecordsPerDataFile;

    // One sample while recording, each line written to the system before the next.
    {
        const int samples = 20000;
        QList<SampleRecord> made;
        for (int n = 1; n <= samples; ++n)
            made.append(Sample(n, start));
        Recorder recorder(samples / 2);
        recorder.Start(dir.filePath("rec.4ch"), QStringLiteral("\u00B0C"), false, letters);
        double worst = 0, atContinuation = 0;
        QElapsedTimer total;
        total.start();
        for (int n = 0; n < samples; ++n) {
            QElapsedTimer one;
            one.start();
            recorder.RecordSample(made[n]);
            const double ms = one.nsecsElapsed() / 1e6;
            if (n + 1 == samples / 2)
                atContinuation = ms;
            else
                worst = std::max(worst, ms);
        }
        const double all = total.nsecsElapsed() / 1e6;
        recorder.Stop();
        Report("one sample while recording (mean)", all / samples);
        Report("one sample while recording (worst)", worst);
        Report("the sample that moves to a continuation file", atContinuation);
        // BENCH<TAB>figure<TAB>target<TAB>measured: collected into one table by scripts/bench.sh.
        std::printf(
            "BENCH\tone sample while recording, its write included (mean)\t< 1 ms\t%.3f ms\n",
            all / samples);
        if (recorder.MissedSamples() != 0)
            std::printf("samples not written: %lld\n",
                        static_cast<long long>(recorder.MissedSamples()));
    }

    // The live list up to its dump.
    {
        ScriptedDialogs dialogs;
        MeterTimers timers;
        FakeClock clock;
        QList<SampleRecord> made;
        made.reserve(rows);
        for (int n = 1; n <= rows; ++n)
            made.append(Sample(n, start));
        ListWindow list(dialogs, timers, clock, QStringLiteral("\u00B0C"), false, letters);
        list.show();
        const qint64 rssBefore = ResidentKiB();
        QElapsedTimer timer;
        timer.start();
        // The event loop runs between samples in the program; here it runs every 1000 rows, so
        // that the list's scrolling and painting are in the figure without one pass per row.
        for (int n = 0; n + 1 < rows; ++n) {
            list.Append(made[n]);
            if (n % 1000 == 0)
                QCoreApplication::processEvents();
        }
        Report("live list: 319999 rows added one by one", timer.nsecsElapsed() / 1e6);
        const SixColumnModel& model = *list.RecordTable()->Model();
        std::printf("%-52s %10.1f MiB (resident grew by %.1f MiB)\n",
                    "live list memory at 319999 rows", model.MemoryBytes() / 1048576.0,
                    (ResidentKiB() - rssBefore) / 1024.0);
        std::printf("BENCH\tlive list holding 320,000 rows (resident growth)\t< 64 MB\t%.1f MiB\n",
                    (ResidentKiB() - rssBefore) / 1024.0);
        timer.restart();
        list.Append(made[rows - 1]); // the 320000th row: the dump
        Report("live list: the 320000th row and its dump", timer.nsecsElapsed() / 1e6);
        std::printf("BENCH\tlive list dump of 320,000 rows\t< 1 s\t%.0f ms\n",
                    timer.nsecsElapsed() / 1e6);
        std::printf("dump: %s; rows left %d\n", qPrintable(list.DumpStatus()), model.rowCount());
    }

    // "Open" of a 320001-line file into the saved-file list.
    {
        const QString path = dir.filePath("big.4ch");
        {
            DataFileWriter writer;
            writer.Open(path);
            QList<DataFields> lines{HeadingFields(QStringLiteral("\u00B0C"), letters)};
            for (int n = 1; n <= rows; ++n) {
                const SampleRecord s = Sample(n, start);
                lines.append(RecordFields(n, s.TimeText, s.TextC));
            }
            writer.WriteLines(lines);
            writer.Close();
        }
        ScriptedDialogs dialogs;
        FakeClock clock;
        MeterSession session(clock);
        Panel panel(session.Live(), session.Alarms(), session.GetRecorder());
        FileCommands commands(session, dialogs, &panel, [&panel] { return panel.PanelUnitText(); });
        dialogs.fileAnswers = {path};

        // How long the window waits for its events: the gaps between passes of a zero timer.
        QElapsedTimer gaps;
        double longestGap = 0;
        QTimer probe;
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, gaps.nsecsElapsed() / 1e6);
            gaps.restart();
        });
        QElapsedTimer timer;
        timer.start();
        gaps.start();
        probe.start();
        commands.Open();
        probe.stop();
        const double openMs = timer.nsecsElapsed() / 1e6;
        Report("Open of a 320001-line file into the saved-file list", openMs);
        std::printf("BENCH\tOpen of a 320,001-line file into the saved-file list\t< 1 s\t%.0f ms\n",
                    openMs);
        Report("  longest wait between two event passes", longestGap);
        std::printf("rows %d, caption %s\n",
                    commands.FileList()->RecordTable()->Model()->rowCount(),
                    qPrintable(commands.FileList()->windowTitle()));
    }
    return 0;
}
