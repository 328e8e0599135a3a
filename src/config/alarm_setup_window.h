#pragma once

#include <QWidget>
#include <array>

class AlarmWatch;
class Dialogs;
class QCheckBox;
class QLineEdit;

// "Alarm Actions": what the alarms watch beyond the panel's alarm values (a low limit per
// channel, the hysteresis, how long a lost link is borne) and what they do (notify the
// desktop, sound until acknowledged, run a command, keep a log). Remembered from run to run.
class AlarmSetupWindow : public QWidget {
    Q_OBJECT
public:
    AlarmSetupWindow(AlarmWatch& watch, Dialogs& dialogs, QWidget* parent = nullptr);

    bool Notify() const { return notify_; }
    bool Sound() const { return sound_; }
    // The log the program keeps unless told otherwise: beside its remembered settings.
    static QString DefaultLogPath();

private:
    // Fills the controls from the remembered choices.
    void Fill();
    // Checks the controls; when all are right remembers them, applies them and closes. A wrong
    // entry is named and nothing changes.
    void Accept();
    // Applies the remembered choices to the watch.
    void Apply();

    AlarmWatch& watch_;
    Dialogs& dialogs_;
    std::array<QCheckBox*, 4> lowToggles_{};
    std::array<QLineEdit*, 4> lowEntries_{};
    QLineEdit* hysteresisEntry_;
    QLineEdit* linkLostEntry_;
    QCheckBox* notifyToggle_;
    QCheckBox* soundToggle_;
    QLineEdit* commandEntry_;
    QLineEdit* logEntry_;
    bool notify_ = true, sound_ = true;
};
