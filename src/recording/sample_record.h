#pragma once

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

// Which channels' readings are current (decoded within `LiveState::FreshForMs()`).
using ChannelFreshness = std::array<bool, 4>;

// How a sample's reading relates to what the meter read.
enum class ReadingCorrection : quint8 {
    None,      // as read
    Corrected, // by the channel's calibration correction
    Beyond,    // likewise, read outside its calibrated points (the nearest point's correction held)
};

// One sample as every consumer sees it: the panels, the recording, the live list and the
// real-time graph.
struct SampleRecord {
    int SampleIndex = 0;
    QString TimeText; // "yyyy/mm/dd hh:nn:ss"
    // A stale channel is left out of the sample: "- - -", nothing charted, no alarm; the panel
    // keeps its last reading, dimmed.
    ChannelFreshness Fresh{true, true, true, true};
    std::array<QString, 4> TextC, TextF;
    std::array<std::optional<int>, 4> ChartedC, ChartedF;
    std::array<bool, 4> AlarmShownC{}, AlarmShownF{}; // the blinking labels' visibility
    // Texts and charted values above are the corrected ones where a channel is corrected; what
    // the meter read is kept here for those channels, and is what the data file records.
    std::array<ReadingCorrection, 4> Corrected{};
    std::array<QString, 4> RawTextC, RawTextF;

    const QString& ReadText(size_t channel, bool fahrenheit) const {
        if (Corrected[channel] == ReadingCorrection::None)
            return fahrenheit ? TextF[channel] : TextC[channel];
        return fahrenheit ? RawTextF[channel] : RawTextC[channel];
    }
    std::array<QString, 4> ReadTexts(bool fahrenheit) const {
        return {ReadText(0, fahrenheit), ReadText(1, fahrenheit), ReadText(2, fahrenheit),
                ReadText(3, fahrenheit)};
    }
    bool AnyCorrected() const {
        for (ReadingCorrection c : Corrected) {
            if (c != ReadingCorrection::None)
                return true;
        }
        return false;
    }
};

// The alarm value of each channel in tenths, as a sample compares its readings with it. The
// alarm settings hold them; the sampler only reads them.
class AlarmValues {
public:
    virtual ~AlarmValues() = default;
    virtual int AlarmC(int channel) const = 0;
    virtual int AlarmF(int channel) const = 0;
    // The value charted and stored in °C while the channel reads "Over": the top of its type's
    // range until the °C alarm value is set, then that value.
    virtual int OverC(int channel) const = 0;
};
