#include "config/power_off.h"

#include "config/meter_settings.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"

#include <QComboBox>

PowerOff::PowerOff(QComboBox* comboP, MeterSettings& meter, QObject* parent)
    : QObject(parent)
    , comboP_(comboP)
    , meter_(meter) {
    if (comboP_->count() == 0) {
        comboP_->addItems({QStringLiteral(" 5 Minutes"), QStringLiteral("15 Minutes"),
                           QStringLiteral("30 Minutes")});
    }
    if (comboP_->objectName().isEmpty())
        comboP_->setObjectName(QStringLiteral("ComboP"));
    if (comboP_->accessibleName().isEmpty())
        comboP_->setAccessibleName(QStringLiteral("Power off time"));
    comboP_->hide();
    connect(comboP_, &QComboBox::activated, this, &PowerOff::OnActivated);
}

void PowerOff::Toggle() {
    if (!comboP_->isHidden()) {
        comboP_->hide();
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
    comboP_->setCurrentIndex(*code < comboP_->count() ? *code : -1);
    comboP_->show();
}

void PowerOff::OnActivated(int index) {
    if (index < 0 || meter_.Link().Timers().ExchangeInProgress())
        return;
    meter_.WritePowerOff(index);
    comboP_->hide();
}
