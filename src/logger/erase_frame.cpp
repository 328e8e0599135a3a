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

DataKindChoice AddDataKindChoice(QWidget* owner, const QString& title, const DataKindNames& names,
                                 const QString& verb) {
    auto* box = new QGroupBox(title, owner);
    box->setObjectName(names.box);
    DataKindChoice choice;
    choice.automatic = new QRadioButton(QStringLiteral("Automatically Recorded Data"), box);
    choice.automatic->setObjectName(names.automatic);
    choice.automatic->setAccessibleName(verb + QStringLiteral(" the automatically recorded data"));
    choice.automatic->setChecked(true);
    choice.manual = new QRadioButton(QStringLiteral("Manually Recorded Data"), box);
    choice.manual->setObjectName(names.manual);
    choice.manual->setAccessibleName(verb + QStringLiteral(" the manually recorded data"));
    choice.ok = new QPushButton(QStringLiteral("OK"), box);
    choice.ok->setObjectName(names.ok);
    choice.ok->setAccessibleName(verb + QStringLiteral(" the chosen data"));

    auto* inner = new QVBoxLayout(box);
    inner->addWidget(choice.automatic);
    inner->addWidget(choice.manual);
    inner->addWidget(choice.ok, 0, Qt::AlignRight);
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box);
    return choice;
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
