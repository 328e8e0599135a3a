#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class ButtonsWindow;
class Clock;
class Dialogs;
class MeterLink;
class MeterSettings;
class PowerOff;
class QComboBox;
class QWidget;
class SamplingTimeCommand;

// The main window's meter-configuration commands in one place: "Sampling", "RTC", "Buttons"
// and "Poweroff", with the objects they keep for the whole run.
class ConfigCommands : public QObject {
    Q_OBJECT
public:
    // `pcInterval` reads the PC's sampling time; `setPcInterval` sets it and restarts the count
    // towards the next sample.
    ConfigCommands(MeterLink& link, Dialogs& dialogs, const Clock& clock, QWidget* panel,
                   QComboBox* comboP, std::function<int()> pcInterval,
                   std::function<void(int)> setPcInterval, QObject* parent = nullptr);
    ~ConfigCommands() override;

    MeterSettings& Settings() { return *settings_; }
    SamplingTimeCommand& Sampling() { return *sampling_; }

    void RunSampling();
    void RunRtc();
    // Made on the first click, shown again by later ones.
    void ShowButtons();
    void TogglePowerOff();
    ButtonsWindow* Buttons() const;

private:
    MeterLink& link_;
    Dialogs& dialogs_;
    const Clock& clock_;
    QPointer<QWidget> panel_;
    std::unique_ptr<MeterSettings> settings_;
    std::unique_ptr<SamplingTimeCommand> sampling_;
    PowerOff* powerOff_;
    QPointer<ButtonsWindow> buttons_;
};
