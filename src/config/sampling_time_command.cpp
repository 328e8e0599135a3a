#include "config/sampling_time_command.h"

#include "config/meter_settings.h"
#include "link/meter_link.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

const QString kIntervalTitle = QStringLiteral("Input Sampling Time");
const QString kIntervalPrompt = QStringLiteral("Enter the SAMPLING TIME in seconds\r\n");
const QString kSizeTitle = QStringLiteral("Input Rom No.s");
const QString kSizePrompt = QStringLiteral("Update Rom No.s\r\n(Rom No.s = 1,2,4,8) ");

// Whole number, a half to the even neighbour.
double RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5)
        return floor + 1;
    if (diff < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1;
}

} // namespace

bool IsAccessCode(const QString& answer) {
    return answer == QLatin1String("QXV5207") || answer == QLatin1String("qxv5207");
}

std::optional<int> RoundedInterval(const QString& answer, int maximum) {
    bool ok = false;
    const double value = answer.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    // Clamped before the conversion so that huge answers cannot overflow an int.
    return int(std::clamp(RoundHalfEven(value), 1.0, double(maximum)));
}

int LeadingNumber(const QString& answer) {
    const QRegularExpression leading(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
    const QRegularExpressionMatch match = leading.match(answer);
    if (!match.hasMatch())
        return 0;
    const double value = match.captured(0).trimmed().toDouble();
    // Larger values are not a memory size either; keep them inside an int.
    return int(std::clamp(RoundHalfEven(value), -1.0e6, 1.0e6));
}

SamplingTimeCommand::SamplingTimeCommand(MeterSettings& meter, std::function<int()> pcInterval,
                                         std::function<void(int)> setPcInterval)
    : meter_(meter)
    , pcInterval_(std::move(pcInterval))
    , setPcInterval_(std::move(setPcInterval)) {}

QString SamplingTimeCommand::NotANumberText() {
    return QStringLiteral("The sampling time must be a number of seconds.");
}

void SamplingTimeCommand::Run(CommandPrompts& prompts) {
    if (samplingPC_)
        RunPcInterval(prompts);
    else
        RunMeterInterval(prompts);
}

void SamplingTimeCommand::RunPcInterval(CommandPrompts& prompts) {
    if (const std::optional<int> t = AskInterval(prompts, kMaxPcInterval, pcInterval_()))
        setPcInterval_(*t);
}

void SamplingTimeCommand::RunMeterInterval(CommandPrompts& prompts) {
    MeterLink& link = meter_.Link();
    // The query and the write each pause polling for their exchange; the box in between waits
    // for the person while the meter is polled, so that what the panel shows stays current.
    const std::optional<int> read = meter_.ReadInterval();
    if (!read) {
        if (!link.IsCancelled())
            prompts.Refuse(MeterSettings::NoAnswerText());
        return;
    }
    meterInterval_ = *read;
    const std::optional<int> t = AskInterval(prompts, kMaxMeterInterval, *meterInterval_);
    if (t && meter_.WriteInterval(*t))
        meterInterval_ = *t;
}

std::optional<int> SamplingTimeCommand::AskInterval(CommandPrompts& prompts, int max, int current) {
    const std::optional<QString> answer =
        prompts.Ask(kIntervalTitle, kIntervalPrompt + QStringLiteral("(1 <= t <= %1 ) ").arg(max),
                    QString::number(current));
    if (!answer || answer->isEmpty())
        return std::nullopt;
    if (IsAccessCode(*answer)) {
        RunServiceMode(prompts);
        return std::nullopt;
    }
    const std::optional<int> t = RoundedInterval(*answer, max);
    if (!t)
        prompts.Refuse(NotANumberText());
    return t;
}

void SamplingTimeCommand::RunServiceMode(CommandPrompts& prompts) {
    // As with the interval: the exchanges pause the timers, the box does not.
    const MeterSettings::SizeReply reply = meter_.ReadMemorySize();
    if (reply == MeterSettings::SizeReply::Cancelled)
        return;
    const std::optional<QString> answer =
        prompts.Ask(kSizeTitle, kSizePrompt, QString::number(meter_.Link().MemorySizeCode()));
    const int n = answer ? LeadingNumber(*answer) : 0;
    if (n == 0)
        return;
    meter_.WriteMemorySize(n);
}
