#pragma once

#include "recording/sample_record.h"

#include <QObject>
#include <QString>
#include <array>

class LiveState;

// The limits of one channel's alarm knob and numeric entry, in tenths.
struct AlarmRange {
    int min = 0;
    int max = 0;
};

// The high-temperature alarm of each channel, kept separately for °C and °F, with the range its
// knob and numeric entry offer. Values and ranges live only in the program: nothing of this goes
// to the meter or to disk. Everything is in tenths of a degree.
class AlarmSettings : public QObject, public AlarmValues {
    Q_OBJECT
public:
    explicit AlarmSettings(const LiveState& live, QObject* parent = nullptr);

    int AlarmC(int channel) const override { return alarmC_[Index(channel)]; }
    int AlarmF(int channel) const override { return alarmF_[Index(channel)]; }
    int OverC(int channel) const override { return overC_[Index(channel)]; }
    int Alarm(bool fahrenheit, int channel) const;
    AlarmRange Range(bool fahrenheit, int channel) const;

    // A knob turned or a value entered, by the user or by the program. The value is kept inside
    // the range, as the controls keep it. The °C value also becomes the value charted and
    // recorded while the channel reads "Over".
    void SetAlarm(bool fahrenheit, int channel, int tenths);
    // One end of a range. A minimum above the maximum pushes the maximum up with it (and the
    // reverse), as the controls do; the value follows into the new range.
    void SetRangeMax(bool fahrenheit, int channel, int tenths);
    void SetRangeMin(bool fahrenheit, int channel, int tenths);

    // The display rebuild after a configuration change: the ranges become the channel type's
    // range; the values stay where they are unless the new range excludes them. The value
    // charted for "Over" goes back to the top of the range until the °C value is set again.
    void RebuildChannel(int channel);
    // The link recovery rebuilt the channel: type range, and the values at its top.
    void ResetChannel(int channel);

    // The alarm frame's eight boxes.
    struct FrameTexts {
        std::array<QString, 4> max, min;
    };
    // The frame's fill and its OK work on the Fahrenheit set unless the meter's unit is "°C".
    static bool FahrenheitSetOf(const QString& unitText);
    FrameTexts FillTexts(const QString& unitText) const;
    // OK: for each channel the maximum, then the minimum, of the set chosen by the unit text.
    void ApplyFrame(const QString& unitText, const FrameTexts& texts);

    // A range end as the boxes show it: the shortest plain number (1370, -200, 32.5).
    static QString RangeText(int tenths);
    // The leading number of a box's text in tenths; 0 when it has none ("-", "", "abc").
    static int ValueOfText(const QString& text);
    // The characters a range box accepts: digits, "-", ".", Backspace and Enter.
    static bool IsRangeKey(QChar c);

Q_SIGNALS:
    // A value or a range changed; the controls of that unit and channel show it.
    void AlarmChanged(bool fahrenheit, int channel);

private:
    static size_t Index(int channel) { return size_t(channel & 3); }
    void ApplyRange(bool fahrenheit, int channel, AlarmRange range);

    const LiveState& live_;
    std::array<int, 4> alarmC_{}, alarmF_{}, overC_{};
    std::array<AlarmRange, 4> rangeC_{}, rangeF_{};
};
