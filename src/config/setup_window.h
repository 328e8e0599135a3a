#pragma once

#include <QDialog>
#include <QTimer>
#include <optional>

class Clock;
class Dialogs;
class MeterLink;
class QLabel;
class QPushButton;

// The "Setup" window: the meter's clock beside the PC's, and setting the meter's clock to the
// PC's. Modal; the main window's polling pauses only while one of its exchanges runs.
class SetupWindow : public QDialog {
    Q_OBJECT
public:
    SetupWindow(MeterLink& link, Dialogs& dialogs, const Clock& clock, QWidget* parent = nullptr);

    bool ShowMeterTime() const { return showMeterTime_; }
    bool ShowPCTime() const { return showPCTime_; }

    // The tick of the window's own `Timer1`: refreshes both labels.
    void Tick();
    // `CmdSetTime`: the meter's date and time from the PC's clock.
    void SetMeterTime();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    std::optional<QByteArray> QueryClock();

    MeterLink& link_;
    Dialogs& dialogs_;
    const Clock& clock_;
    QLabel* meterTime_;
    QLabel* pcTime_;
    QPushButton* setTimeButton_;
    QTimer clockTimer_;
    bool showMeterTime_ = false;
    bool showPCTime_ = false;
    bool busy_ = false;   // a meter exchange of this window runs
    bool closed_ = false; // an exchange still running stops asking
};

// The toolbar's "RTC": refused while the meter's logger records; otherwise the modal Setup
// window.
void RunRtcCommand(QWidget* panel, MeterLink& link, Dialogs& dialogs, const Clock& clock);

// A position given in twips (1/1440 inch) as pixels of `widget`'s screen.
int TwipsToPixels(const QWidget* widget, int twips);
