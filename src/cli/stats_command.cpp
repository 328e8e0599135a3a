#include "cli/stats_command.h"

#include "cli/command_line.h"
#include "cli/console_output.h"
#include "cli/stop_signals.h"
#include "graphs/series_stats.h"
#include "link/reading_text.h"
#include "recording/corrected_file.h"
#include "recording/reading_series.h"

#include <QFileInfo>

int RunStats(const CommandLine& line, ConsoleOutput& out) {
    // Only a file is read: the signals end the program as they would any other.
    StopSignals::Unblock();
    std::optional<int> level;
    if (line.Has(QStringLiteral("above"))) {
        const QString text = line.Value(QStringLiteral("above"));
        level = ReadingTenths(text.toLatin1());
        if (!level || text.trimmed() != text) {
            out.Error(QStringLiteral("--above is degrees with at most one decimal (100, 37.5, "
                                     "-18), not '%1' (try 'corvilab-cli --help')")
                          .arg(text));
            return ExitUsage;
        }
    }

    const RecordedRun run = ReadRecordedRun(line.arguments.constFirst());
    if (run.failure == RecordedRun::CannotRead || run.failure == RecordedRun::NotDataFile) {
        out.Error(run.error);
        return run.failure == RecordedRun::NotDataFile ? ExitUsage : ExitFileFailed;
    }
    for (size_t c = 0; c < run.channels.size(); ++c) {
        const ReadingSeries& series = run.channels[c];
        if (!series.recorded)
            continue; // a channel the logger set left out: every cell blank
        const SeriesStats stats = StatsOver(series, 0, series.Size() - 1, level);
        const auto degrees = [](const std::optional<int>& tenths) {
            return tenths ? OneDecimalText(*tenths) : QString();
        };
        QStringList fields{QStringLiteral("T%1").arg(c + 1),     degrees(stats.minimum),
                           series.DateTimeText(stats.minimumAt), degrees(stats.maximum),
                           series.DateTimeText(stats.maximumAt), degrees(stats.mean),
                           QString::number(stats.samples)};
        if (stats.secondsAbove)
            fields << QString::number(*stats.secondsAbove);
        out.Fields(fields);
    }
    if (run.correctedReadings > 0) {
        QStringList companions;
        for (const QString& file : run.files) {
            if (QFileInfo::exists(CorrectedFileName(file)))
                companions << QFileInfo(CorrectedFileName(file)).fileName();
        }
        out.Line(QStringLiteral("# readings as corrected by calibration: %1 (from %2)")
                     .arg(run.correctedReadings)
                     .arg(companions.join(QStringLiteral(", "))));
    }
    int status = ExitSuccess;
    if (run.failure != RecordedRun::None) {
        out.Error(run.error);
        status = ExitFileFailed;
    }
    if (!out.Flush()) {
        out.Error(QStringLiteral("cannot write to standard output: %1").arg(out.WriteError()));
        return ExitFileFailed;
    }
    return status;
}
