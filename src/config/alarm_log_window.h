#pragma once

#include "config/alarm_events.h"

#include <QTimer>
#include <QWidget>

class QPushButton;
class QTableWidget;

// "Alarm Log": the events of this run, newest last, and what went wrong with an action. An
// alarm that starts while the sound is on beeps until "Acknowledge" is pressed.
class AlarmLogWindow : public QWidget {
    Q_OBJECT
public:
    explicit AlarmLogWindow(QWidget* parent = nullptr);

    void AddEvent(const AlarmEvent& event, bool sound);
    void AddNote(const QDateTime& time, const QString& text);
    bool Sounding() const { return beep_.isActive(); }
    void Acknowledge();

private:
    int NewRow();

    QTableWidget* grid_;
    QPushButton* acknowledgeButton_;
    QTimer beep_;
};
