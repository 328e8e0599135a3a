#pragma once

#include <QHash>
#include <QMainWindow>
#include <array>
#include <functional>

class AlarmFrame;
class AlarmSettings;
class ChannelCard;
class LiveState;
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QToolBar;
class Recorder;
struct Mark;
struct SampleRecord;

// The main window "Panel  V8.03": the °C and °F channel panels, the toolbar, the in-window
// frames and the status labels. It shows what the core objects hold; it reads no bytes and
// formats no readings. The recording's labels and the "Save" button follow the recorder's
// signals.
class Panel : public QMainWindow {
    Q_OBJECT
public:
    Panel(LiveState& live, AlarmSettings& alarms, const Recorder& recorder,
          QWidget* parent = nullptr);
    ~Panel() override;

    // The toolbar buttons' keys, in their order on the bar.
    static QStringList ToolbarKeys();
    // The command run when the button with this key is clicked (replaces an earlier one).
    // "CF" and "Alarm" are set by the window itself.
    void SetCommand(const QString& key, std::function<void()> command);
    // The button click of `Toolbar1`: hides the in-window frames that the key does not own,
    // then runs the key's command, if it has one.
    void ToolbarClick(const QString& key);
    QAction* ToolbarButton(const QString& key) const;
    QToolBar* Toolbar() const { return toolbar_; }

    // The C/F toggle of the toolbar; false at start.
    bool PanelCelsius() const { return panelCelsius_; }
    // "°C" or "°F" after the first toggle, empty before.
    QString PanelUnitText() const { return panelUnitText_; }
    // "CF": swaps the visible unit panel.
    void SwapUnitPanels();

    // Whole-window rebuild after a configuration change: the panel of the meter's unit, and
    // every channel.
    void RebuildDisplay();
    // One channel's part of the rebuild: chart cleared, type letter, alarm controls.
    void RebuildChannel(int channel);
    // Refreshes both panels from a sample: value texts, blinking alarm labels, chart points. A
    // channel the sample left out as stale keeps the reading on show, dimmed.
    void ShowSample(const SampleRecord& record);
    // Marks the readings of the channels that are no longer current as stale: dimmed, with the
    // time each was last read ("Last read 14:05:09") in its tooltip and accessible description,
    // until a sample brings a current reading of that channel.
    void ShowStaleReadings(const std::array<bool, 4>& fresh);
    // `LblCOM`: the port caption or "No COM". While it shows "No COM" every reading on show is
    // marked as stale until the next sample after the link is back.
    void SetLinkCaption(const QString& caption);
    // The click of `LblCOM`: toggles the build code in the window caption.
    void ToggleCaption();
    // The corrections in force per channel ("T1 offset -0.3 °C", empty for none) in °C and °F,
    // which the cards name on hover of a corrected reading.
    void ShowCorrections(const std::array<QString, 4>& celsius,
                         const std::array<QString, 4>& fahrenheit);
    // A mark on the strip charts: its channel's, or every chart for a mark of all channels.
    void ShowMark(const Mark& mark);
    ChannelCard* Card(bool fahrenheit, int channel) const;

    // In-window frames (only one shows at a time) and status labels, for the commands that
    // fill them.
    QFrame* LoggerFrameHost() const { return loggerFrameHost_; }
    QFrame* EraseFrameHost() const { return eraseFrameHost_; }
    QComboBox* PowerOffChoice() const { return powerOffChoice_; }
    AlarmFrame* AlarmRangeFrame() const { return alarmRangeFrame_; }
    QLabel* RecordingMark() const { return recordingMark_; }
    QLabel* RecordsWritten() const { return recordsWritten_; }
    QLabel* RecordingFile() const { return recordingFile_; }
    QLabel* LinkCaption() const { return linkCaption_; }
    // What became of sharing the live view: the address it is shared on, or why it is not;
    // empty while it is not asked for.
    QLabel* ShareStatus() const { return shareStatus_; }
    // The last mark placed, or why it did not reach the disk (then in red).
    QLabel* MarkStatus() const { return markStatus_; }
    void ShowMarkStatus(const QString& text, bool failed);
    // The frames area under the panels, where later frames may add their controls.
    QWidget* FrameArea() const { return frameArea_; }

Q_SIGNALS:
    // The user clicked a channel's strip chart (the plot of that channel's samples).
    void StripChartClicked(int channel, bool fahrenheit);
    // The window is closing: the program ends.
    void Closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct UnitPanel {
        QFrame* frame = nullptr;
        std::array<ChannelCard*, 4> cards{};
    };

    QFrame* BuildUnitPanel(bool fahrenheit);
    void BuildToolbar();
    void ShowAlarm(bool fahrenheit, int channel);
    void ShowRecordingStarted();
    void ShowRecordingState();
    void ShowRecorded();
    void ShowWritingState();
    UnitPanel& PanelOf(bool fahrenheit) { return fahrenheit ? f_ : c_; }

    LiveState& live_;
    AlarmSettings& alarms_;
    const Recorder& recorder_;
    UnitPanel c_, f_;
    QToolBar* toolbar_ = nullptr;
    QHash<QString, QAction*> buttons_;
    QHash<QString, std::function<void()>> commands_;
    bool panelCelsius_ = false;
    QString panelUnitText_;
    QWidget* frameArea_ = nullptr;
    QFrame* loggerFrameHost_ = nullptr;
    QFrame* eraseFrameHost_ = nullptr;
    QComboBox* powerOffChoice_ = nullptr;
    AlarmFrame* alarmRangeFrame_ = nullptr;
    QLabel* linkCaption_ = nullptr;
    QLabel* recordingMark_ = nullptr;
    QLabel* recordsWritten_ = nullptr;
    QLabel* recordingFile_ = nullptr;
    QLabel* shareStatus_ = nullptr;
    QLabel* markStatus_ = nullptr;
    bool linked_ = true; // the caption is not "No COM"
};
