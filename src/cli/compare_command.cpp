#include "cli/compare_command.h"

#include "cli/cli_session.h"
#include "cli/command_line.h"
#include "cli/console_output.h"
#include "compare/band_watch.h"
#include "compare/compare_csv.h"
#include "compare/compare_options.h"
#include "compare/run_loading.h"
#include "config/alarm_watch.h"

#include <QSaveFile>

namespace {

// The exit statuses of `compare`.
constexpr int kAllPass = 0;
constexpr int kOneFails = 1;
constexpr int kBadInput = 2;
constexpr int kNotWritten = 3;

int Bad(ConsoleOutput& out, const QString& text) {
    out.Error(text);
    return kBadInput;
}

} // namespace

int CompareRuns(const CommandLine& line, ConsoleOutput& out) {
    QString error;
    CompareSettings settings;
    const std::optional<int> channel =
        ParseChannel(line.Has(QStringLiteral("channel")) ? line.Value(QStringLiteral("channel"))
                                                         : QStringLiteral("T1"),
                     &error);
    if (!channel)
        return Bad(out, QStringLiteral("--channel: ") + error);
    settings.channel = *channel;
    if (line.Has(QStringLiteral("align"))) {
        const std::optional<Alignment> alignment =
            ParseAlignment(line.Value(QStringLiteral("align")), &error, true);
        if (!alignment)
            return Bad(out, QStringLiteral("--align: ") + error);
        settings.alignment = *alignment;
    }
    if (line.Has(QStringLiteral("band"))) {
        settings.band = ParseBand(line.Value(QStringLiteral("band")), &error);
        if (!settings.band)
            return Bad(out, QStringLiteral("--band: ") + error);
    }
    std::optional<bool> unit;
    if (line.Has(QStringLiteral("unit"))) {
        unit = ParseUnit(line.Value(QStringLiteral("unit")), &error);
        if (!unit)
            return Bad(out, QStringLiteral("--unit: ") + error);
    }

    Comparison::Runs runs;
    for (const QString& path : line.arguments) {
        RunLoad load = LoadRunFile(path, path);
        if (!load.run)
            return Bad(out, load.error);
        runs.push_back(std::make_shared<const Run>(std::move(*load.run)));
    }
    settings.fahrenheit = unit.value_or(runs.front()->Fahrenheit());
    const Comparison comparison(runs, settings);
    if (!comparison.Ok())
        return Bad(out, comparison.Error());

    out.Fields(Comparison::TableHeadings());
    for (int i = 0; i < int(runs.size()); ++i)
        out.Fields(comparison.TableCells(i));
    for (const auto& run : runs) {
        if (run->CorrectedReadings() > 0)
            out.Line(CorrectedNote(*run));
    }

    if (line.Has(QStringLiteral("output"))) {
        const QString target = line.Value(QStringLiteral("output"));
        QSaveFile file(target);
        const QByteArray csv = AlignedSeriesCsv(comparison, "\r\n");
        if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
            out.Error(QStringLiteral("cannot write %1: %2").arg(target, file.errorString()));
            return kNotWritten;
        }
    }
    return comparison.AllPass() ? kAllPass : kOneFails;
}

bool ReadBandReference(const CommandLine& line, ConsoleOutput& out, int* usage,
                       std::shared_ptr<const BandReference>* reference) {
    const auto bad = [&](const QString& text) {
        out.Error(text + QStringLiteral(" (try 'corvilab-cli --help')"));
        *usage = kBadInput;
        return false;
    };
    if (!line.Has(QStringLiteral("reference"))) {
        for (const char* option : {"band", "channel", "align"}) {
            if (line.Has(QLatin1String(option)))
                return bad(
                    QStringLiteral("--%1 needs --reference FILE").arg(QLatin1String(option)));
        }
        return true;
    }
    if (!line.Has(QStringLiteral("band")))
        return bad(QStringLiteral("--reference needs --band D or --band +D1/-D2"));
    auto result = std::make_shared<BandReference>();
    QString error;
    const std::optional<Band> band = ParseBand(line.Value(QStringLiteral("band")), &error);
    if (!band)
        return bad(QStringLiteral("--band: ") + error);
    result->band = *band;
    const std::optional<int> channel =
        ParseChannel(line.Has(QStringLiteral("channel")) ? line.Value(QStringLiteral("channel"))
                                                         : QStringLiteral("T1"),
                     &error);
    if (!channel)
        return bad(QStringLiteral("--channel: ") + error);
    result->channel = *channel;
    if (line.Has(QStringLiteral("align"))) {
        const std::optional<Alignment> alignment =
            ParseAlignment(line.Value(QStringLiteral("align")), &error);
        if (!alignment)
            return bad(QStringLiteral("--align: ") + error);
        result->alignment = *alignment;
    }
    RunLoad load = LoadRunFile(line.Value(QStringLiteral("reference")));
    if (!load.run)
        return bad(load.error);
    result->run = std::make_shared<const Run>(std::move(*load.run));
    // The reference must have the channel and cross the level, in the unit asked for or its own.
    std::optional<bool> unit;
    if (line.Has(QStringLiteral("unit")))
        unit = ParseUnit(line.Value(QStringLiteral("unit")), &error);
    const bool fahrenheit = unit.value_or(result->run->Fahrenheit());
    if (!result->run->HasReadings(result->channel)) {
        return bad(QStringLiteral("%1 has no readings on %2")
                       .arg(result->run->Name(), ChannelName(result->channel)));
    }
    if (!AlignmentTime(*result->run, result->alignment, fahrenheit, &error))
        return bad(error);
    *reference = result;
    return true;
}

void WatchBand(const std::shared_ptr<const BandReference>& reference, CliSession& session,
               bool alarms, ConsoleOutput& out) {
    if (!reference || !alarms)
        return;
    MeterSession& meter = session.Meter();
    meter.SetReference(std::make_unique<BandWatch>(reference->run, reference->channel,
                                                   reference->band, reference->alignment));
    QObject::connect(
        &meter, &MeterSession::ReferenceUnusable, &session,
        [&out](const QString& problem) { out.Error(QStringLiteral("no band: ") + problem); });
}
