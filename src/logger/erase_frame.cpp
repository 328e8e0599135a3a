#include "logger/erase_frame.h"

#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "ui/dialogs.h"

#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

void HostIn(QFrame* host, QWidget* contents) {
    if (!host)
        return;
    QLayout* layout = host->layout();
    if (!layout) {
        layout = new QVBoxLayout(host);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    layout->addWidget(contents);
}

EraseOutcome ConfirmAndEraseLogger(Dialogs& dialogs, QWidget* parent, MeterLink& link,
                                   EraseKind kind) {
    if (link.Timers().MeterExchangeInProgress()) {
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
    , host_(host) {
    auto* frame = new QGroupBox(QStringLiteral("Erase"), this);
    frame->setObjectName(QStringLiteral("SSFrame2"));
    eraseAuto_ = new QRadioButton(QStringLiteral("Automatically Recorded Data"), frame);
    eraseAuto_->setObjectName(QStringLiteral("EraseAuto"));
    eraseAuto_->setAccessibleName(QStringLiteral("Erase the automatically recorded data"));
    eraseAuto_->setChecked(true);
    eraseManual_ = new QRadioButton(QStringLiteral("Manually Recorded Data"), frame);
    eraseManual_->setObjectName(QStringLiteral("EraseManual"));
    eraseManual_->setAccessibleName(QStringLiteral("Erase the manually recorded data"));
    cmdEraseOK_ = new QPushButton(QStringLiteral("OK"), frame);
    cmdEraseOK_->setObjectName(QStringLiteral("CmdEraseOK"));
    cmdEraseOK_->setAccessibleName(QStringLiteral("Erase the chosen data"));
    connect(cmdEraseOK_, &QPushButton::clicked, this, &EraseFrame::OnEraseOK);

    auto* inner = new QVBoxLayout(frame);
    inner->addWidget(eraseAuto_);
    inner->addWidget(eraseManual_);
    inner->addWidget(cmdEraseOK_, 0, Qt::AlignRight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);
    HostIn(host_, this);
}

void EraseFrame::OnEraseOK() {
    const EraseOutcome outcome = ConfirmAndEraseLogger(
        dialogs_, this, link_, eraseAuto_->isChecked() ? EraseKind::Automatic : EraseKind::Manual);
    if (host_ && outcome != EraseOutcome::Refused)
        host_->hide();
}
