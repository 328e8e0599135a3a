#include "logger/erase_frame.h"

#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "ui/dialogs.h"

#include <QFrame>
#include <QPushButton>
#include <QRadioButton>

EraseOutcome ConfirmAndEraseLogger(Dialogs& dialogs, QWidget* parent, MeterLink& link,
                                   EraseKind kind) {
    if (link.Timers().ExchangeInProgress()) {
        dialogs.Information(parent, QStringLiteral("The meter is busy with another command. "
                                                   "Nothing was erased; try again when it ends."));
        return EraseOutcome::Refused;
    }
    if (!dialogs.ConfirmWarning(parent, EraseWarningText(kind)) || !EraseLoggerMemory(link, kind))
        return EraseOutcome::Declined;
    return EraseOutcome::Erased;
}

EraseFrame::EraseFrame(MeterLink& link, Dialogs& dialogs, QFrame* host)
    : QWidget(host)
    , link_(link)
    , dialogs_(dialogs)
    , host_(host)
    , choice_(AddDataKindChoice(this, QStringLiteral("Erase"),
                                {QStringLiteral("SSFrame2"), QStringLiteral("EraseAuto"),
                                 QStringLiteral("EraseManual"), QStringLiteral("CmdEraseOK")},
                                QStringLiteral("Erase"))) {
    connect(choice_.ok, &QPushButton::clicked, this, &EraseFrame::OnEraseOK);
    HostIn(host_, this);
}

void EraseFrame::OnEraseOK() {
    const EraseOutcome outcome = ConfirmAndEraseLogger(
        dialogs_, this, link_,
        choice_.automatic->isChecked() ? EraseKind::Automatic : EraseKind::Manual);
    if (host_ && outcome != EraseOutcome::Refused)
        host_->hide();
}
