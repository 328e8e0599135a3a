#include "config/power_off.h"

#include "config/meter_settings.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"

#include <QComboBox>

PowerOff::PowerOff(QComboBox* choice, MeterSettings& meter, QObject* parent)
    : QObject(parent)
    , choice_(choice)
    , meter_(meter) {
    if (choice_->count() == 0) {
        choice_->addItems({QStringLiteral(" 5 Minutes"), QStringLiteral("15 Minutes"),
                           QStringLiteral("30 Minutes")});
    }
    if (choice_->objectName().isEmpty())
        choice_->setObjectName(QStringLiteral("ComboP"));
    if (choice_->accessibleName().isEmpty())
        choice_->setAccessibleName(QStringLiteral("Power off time"));
    choice_->hide();
    connect(choice_, &QComboBox::activated, this, &PowerOff::OnActivated);
}

void PowerOff::Toggle() {
    if (!choice_->isHidden()) {
        choice_->hide();
        return;
    }
    MeterLink& link = meter_.Link();
    ExchangeGuard guard(link.Timers(), ExchangeGuard::Pause::Polling);
    const std::optional<int> code = meter_.ReadPowerOff();
    if (!code) {
        if (!link.IsCancelled())
            link.Resync();
        return;
    }
    choice_->setCurrentIndex(*code < choice_->count() ? *code : -1);
    choice_->show();
}

void PowerOff::OnActivated(int index) {
    if (index < 0 || meter_.Link().Timers().ExchangeInProgress())
        return;
    meter_.WritePowerOff(index);
    choice_->hide();
}
