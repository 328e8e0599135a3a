#pragma once

#include <QFrame>
#include <array>
#include <functional>

class AlarmSettings;
class LiveState;
class QLineEdit;
class QPushButton;

// The alarm frame `PicAlmRange` of the main window: the upper and lower end of each channel's
// alarm range, edited in text boxes and applied with Enter (one box) or OK (all eight).
class AlarmFrame : public QFrame {
    Q_OBJECT
public:
    // `panelCelsius` tells the toolbar's C/F toggle, which chooses the set that Enter changes.
    AlarmFrame(AlarmSettings& alarms, const LiveState& live, std::function<bool()> panelCelsius,
               QWidget* parent = nullptr);

    // The toolbar's "Alarm": shows or hides the frame, and fills the boxes on every click.
    void ToggleAndFill();
    QLineEdit* MaxText(int channel) const { return maxText_[size_t(channel & 3)]; }
    QLineEdit* MinText(int channel) const { return minText_[size_t(channel & 3)]; }

Q_SIGNALS:
    // The alarm actions' set-up and the alarm log, opened from beside the ranges.
    void ActionsRequested();
    void LogRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyOne(int channel, bool isMax);
    void ApplyAll();

    AlarmSettings& alarms_;
    const LiveState& live_;
    std::function<bool()> panelCelsius_;
    std::array<QLineEdit*, 4> maxText_{}, minText_{};
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};
