#include "config/config_commands.h"

#include "config/buttons_window.h"
#include "config/meter_settings.h"
#include "config/power_off.h"
#include "config/sampling_choice_window.h"
#include "config/sampling_time_command.h"
#include "config/setup_window.h"

ConfigCommands::ConfigCommands(MeterLink& link, Dialogs& dialogs, const Clock& clock,
                               QWidget* panel, QComboBox* comboP, std::function<int()> pcInterval,
                               std::function<void(int)> setPcInterval, QObject* parent)
    : QObject(parent)
    , link_(link)
    , dialogs_(dialogs)
    , clock_(clock)
    , panel_(panel)
    , settings_(std::make_unique<MeterSettings>(link, clock))
    , sampling_(std::make_unique<SamplingTimeCommand>(*settings_, std::move(pcInterval),
                                                      std::move(setPcInterval)))
    , powerOff_(new PowerOff(comboP, *settings_, this)) {}

ConfigCommands::~ConfigCommands() {
    // The keypad is a child window of the panel; it must not outlive the settings it drives.
    delete buttons_.data();
}

void ConfigCommands::RunSampling() {
    RunSamplingCommand(panel_, dialogs_, *sampling_);
}

void ConfigCommands::RunRtc() {
    RunRtcCommand(panel_, link_, dialogs_, clock_);
}

void ConfigCommands::ShowButtons() {
    if (!buttons_)
        buttons_ = new ButtonsWindow(*settings_, panel_);
    buttons_->show();
    buttons_->raise();
    buttons_->activateWindow();
}

ButtonsWindow* ConfigCommands::Buttons() const {
    return buttons_.data();
}

void ConfigCommands::TogglePowerOff() {
    powerOff_->Toggle();
}
