#pragma once

#include <QString>
#include <functional>
#include <optional>

class MeterSettings;

// The input and message boxes the sampling-time command needs; the windows answer them with
// real boxes, tests with scripted answers.
class CommandPrompts {
public:
    virtual ~CommandPrompts() = default;
    // An input box; empty when cancelled.
    virtual std::optional<QString> Ask(const QString& title, const QString& prompt,
                                       const QString& defaultText) = 0;
    // A refusal or failure, with the critical icon.
    virtual void Refuse(const QString& text) = 0;
};

// Only these two texts open the service mode; the comparison is case-sensitive.
bool IsAccessCode(const QString& answer);
// An answer to a sampling-time box as whole seconds: rounded (a half to the even neighbour)
// and clamped to 1..maximum. Empty when the answer is not a number.
std::optional<int> RoundedInterval(const QString& answer, int maximum);
// The answer's leading number, rounded to a whole number; 0 when it does not start with one.
int LeadingNumber(const QString& answer);

// The toolbar's "Sampling" command after the choice of target: the PC's sampling interval, the
// meter's logger interval, and the memory-size service mode behind the access code.
class SamplingTimeCommand {
public:
    static constexpr int kMaxPcInterval = 86400;
    static constexpr int kMaxMeterInterval = 255;

    // `pcInterval` reads the PC's sampling time; `setPcInterval` sets it and restarts the count
    // of seconds towards the next sample.
    SamplingTimeCommand(MeterSettings& meter, std::function<int()> pcInterval,
                        std::function<void(int)> setPcInterval);

    // Set by the choice window: true = the PC's interval, false = the meter's.
    bool SamplingPC() const { return samplingPC_; }
    void SetSamplingPC(bool pc) { samplingPC_ = pc; }

    void Run(CommandPrompts& prompts);
    void RunPcInterval(CommandPrompts& prompts);
    void RunMeterInterval(CommandPrompts& prompts);
    void RunServiceMode(CommandPrompts& prompts);

    static QString NotANumberText();

private:
    // Asks for an interval of 1 to `max` seconds. Empty when the user cancels, gives the access
    // code (the service mode has then run) or gives no number (refused with a message).
    std::optional<int> AskInterval(CommandPrompts& prompts, int max, int current);

    MeterSettings& meter_;
    bool samplingPC_ = false;
    // The meter's logger interval as last read or written; empty until the first exchange.
    std::optional<int> meterInterval_;
    std::function<int()> pcInterval_;
    std::function<void(int)> setPcInterval_;
};
