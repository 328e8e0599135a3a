#pragma once

#include <QColor>
#include <QFrame>
#include <QList>
#include <QString>

class AlarmSettings;
class QCustomPlot;
class QDial;
class QDoubleSpinBox;
class QLabel;
struct SampleRecord;

// One channel's card on a unit panel: its name, reading, thermocouple type, unit, blinking
// alarm label, strip chart, and the alarm's knob and numeric entry. The knob and the entry set
// the channel's alarm in the settings; everything else shows what the panel hands it.
class ChannelCard : public QFrame {
    Q_OBJECT
public:
    ChannelCard(bool fahrenheit, int channel, AlarmSettings& alarms, QWidget* parent = nullptr);

    // The colour a unit's readings and badge are drawn in.
    static QColor UnitColour(bool fahrenheit);
    // "°C" or "°F".
    static QString UnitText(bool fahrenheit);

    // The card's part of a rebuild: chart cleared, type letter, alarm controls.
    void Rebuild(const QString& typeLetter);
    // The knob and the entry at the alarm value held in the settings, within its range.
    void ShowAlarm();
    // Shows this card's part of a sample: the reading if the sample holds a current one, the
    // alarm label, and the charted point (drawn only when `drawn`). A reading is current when
    // the meter is `linked` and the sample did not leave it out as stale.
    void ShowSample(const SampleRecord& record, bool drawn, bool linked);
    // Marks the reading on show as old (dimmed, "Last read 14:05:09" in its tooltip and
    // accessible description) or as current.
    void ShowStale(bool stale);
    void Replot();
    // The correction in force on this channel in the card's unit ("T1 offset -0.3 °C"), empty
    // for none: a corrected reading says so under the value and names it on hover.
    void SetCorrection(const QString& inForce);
    // A mark after the latest point of the strip chart, drawn with its label until it scrolls
    // out of the chart; none on a chart without points.
    void AddMark(const QString& label);
    // The labels of the marks on the strip chart, oldest first.
    QStringList MarkLabels() const;

    // Under the value of a corrected reading.
    static QString CorrectedCaption(bool beyond);

Q_SIGNALS:
    // The user clicked the strip chart.
    void ChartClicked();

private:
    void ClearChart();
    void AppendPoint(double value);
    void RemoveMarksBefore(double x);
    void PlaceMarkLabels();

    struct ChartMark {
        double x = 0;
        class QCPItemStraightLine* line = nullptr;
        class QCPItemText* text = nullptr;
    };

    const bool fahrenheit_;
    const int channel_;
    AlarmSettings& alarms_;
    QLabel* name_ = nullptr;
    QLabel* value_ = nullptr;
    QLabel* type_ = nullptr;
    QLabel* unit_ = nullptr;
    QLabel* alarm_ = nullptr;
    QLabel* corrected_ = nullptr;
    QCustomPlot* chart_ = nullptr;
    QDial* knob_ = nullptr;
    QDoubleSpinBox* entry_ = nullptr;
    int points_ = 0;       // points charted since the last rebuild
    bool stale_ = false;   // the reading on show is marked as old
    QString lastReadTime_; // "14:05:09" of the channel's last current sample
    QString inForce_;      // the correction in force, empty for none
    QString readTip_;      // "read 23.4 °C; T1 offset -0.3 °C" while a corrected reading shows
    QList<ChartMark> marks_;
};
