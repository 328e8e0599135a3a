#include "config/alarm_setup_window.h"

#include "config/alarm_settings.h"
#include "config/alarm_watch.h"
#include "ui/dialogs.h"
#include "ui/remembered.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

QString Key(const char* name) {
    return QStringLiteral("alarms/") + QLatin1String(name);
}

QString LowKey(int channel) {
    return QStringLiteral("alarms/low%1").arg(channel + 1);
}

QLineEdit* NamedBox(const QString& name, const QString& accessible, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessible);
    return box;
}

} // namespace

QString AlarmSetupWindow::DefaultLogPath() {
    const QSettings settings(QStringLiteral("Corvilab"), QStringLiteral("Corvilab"));
    return QFileInfo(settings.fileName()).dir().filePath(QStringLiteral("alarm-log.csv"));
}

AlarmSetupWindow::AlarmSetupWindow(AlarmWatch& watch, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , watch_(watch)
    , dialogs_(dialogs) {
    setObjectName(QStringLiteral("AlarmActions"));
    setWindowTitle(QStringLiteral("Alarm Actions"));
    setAccessibleName(QStringLiteral("Alarm actions"));
    auto* layout = new QVBoxLayout(this);

    auto* lows = new QGroupBox(QStringLiteral("Low alarm (at or below)"), this);
    auto* lowGrid = new QGridLayout(lows);
    for (int i = 0; i < 4; ++i) {
        const QString channel = QStringLiteral("T%1").arg(i + 1);
        auto* check = new QCheckBox(channel, lows);
        check->setObjectName(QStringLiteral("ChkLow%1").arg(i));
        check->setAccessibleName(channel + QStringLiteral(" low alarm on"));
        auto* box = NamedBox(QStringLiteral("TxtLow%1").arg(i),
                             channel + QStringLiteral(" low alarm limit"), lows);
        connect(check, &QCheckBox::toggled, box, &QWidget::setEnabled);
        lowGrid->addWidget(check, i / 2, (i % 2) * 2);
        lowGrid->addWidget(box, i / 2, (i % 2) * 2 + 1);
        chkLow_[size_t(i)] = check;
        txtLow_[size_t(i)] = box;
    }
    layout->addWidget(lows);

    auto* form = new QFormLayout;
    txtHysteresis_ = NamedBox(QStringLiteral("TxtHysteresis"), QStringLiteral("Hysteresis"), this);
    form->addRow(QStringLiteral("Hysteresis (degrees)"), txtHysteresis_);
    txtLinkLost_ = NamedBox(QStringLiteral("TxtLinkLost"),
                            QStringLiteral("Seconds before a lost link is an alarm"), this);
    form->addRow(QStringLiteral("Link lost after (s)"), txtLinkLost_);
    chkNotify_ = new QCheckBox(QStringLiteral("Desktop notification"), this);
    chkNotify_->setObjectName(QStringLiteral("ChkNotify"));
    form->addRow(chkNotify_);
    chkSound_ = new QCheckBox(QStringLiteral("Sound until acknowledged"), this);
    chkSound_->setObjectName(QStringLiteral("ChkSound"));
    form->addRow(chkSound_);
    txtCommand_ = NamedBox(QStringLiteral("TxtCommand"),
                           QStringLiteral("Command run for each alarm event"), this);
    form->addRow(QStringLiteral("Command"), txtCommand_);
    txtLog_ = NamedBox(QStringLiteral("TxtAlarmLog"), QStringLiteral("Alarm log file"), this);
    form->addRow(QStringLiteral("Alarm log file"), txtLog_);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("CmdActOK"));
    ok->setAccessibleName(QStringLiteral("OK: apply the alarm actions"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CmdActCancel"));
    cancel->setAccessibleName(QStringLiteral("Cancel the alarm actions"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &AlarmSetupWindow::Accept);
    connect(cancel, &QPushButton::clicked, this, [this] {
        Fill();
        hide();
    });

    Fill();
    Apply();
}

void AlarmSetupWindow::Fill() {
    for (int i = 0; i < 4; ++i) {
        const QVariant low = Remembered(LowKey(i));
        chkLow_[size_t(i)]->setChecked(low.isValid());
        txtLow_[size_t(i)]->setEnabled(low.isValid());
        txtLow_[size_t(i)]->setText(low.toString());
    }
    txtHysteresis_->setText(Remembered(Key("hysteresis")).toString());
    if (txtHysteresis_->text().isEmpty())
        txtHysteresis_->setText(QStringLiteral("1.0"));
    txtLinkLost_->setText(QString::number(Remembered(Key("linkLostSeconds")).toInt()));
    if (txtLinkLost_->text() == QLatin1String("0"))
        txtLinkLost_->setText(QStringLiteral("30"));
    chkNotify_->setChecked(Remembered(Key("notify")).value<bool>() ||
                           !Remembered(Key("notify")).isValid());
    chkSound_->setChecked(Remembered(Key("sound")).value<bool>() ||
                          !Remembered(Key("sound")).isValid());
    txtCommand_->setText(Remembered(Key("command")).toString());
    const QVariant log = Remembered(Key("log"));
    txtLog_->setText(log.isValid() ? log.toString() : DefaultLogPath());
}

void AlarmSetupWindow::Accept() {
    const auto refuse = [this](const QString& text) { dialogs_.Critical(this, text); };
    for (int i = 0; i < 4; ++i) {
        const QString text = txtLow_[size_t(i)]->text();
        if (chkLow_[size_t(i)]->isChecked() && !DegreesInTenths(text))
            return refuse(
                QStringLiteral("The low limit of T%1 is not a number: '%2'").arg(i + 1).arg(text));
    }
    const std::optional<int> hysteresis = DegreesInTenths(txtHysteresis_->text());
    if (!hysteresis || *hysteresis < 0)
        return refuse(QStringLiteral("The hysteresis is degrees from 0, not '%1'")
                          .arg(txtHysteresis_->text()));
    bool ok = false;
    const int seconds = txtLinkLost_->text().trimmed().toInt(&ok);
    if (!ok || seconds < 1 || seconds > 86400)
        return refuse(QStringLiteral("A lost link is an alarm after 1 to 86400 seconds, not '%1'")
                          .arg(txtLinkLost_->text()));

    for (int i = 0; i < 4; ++i) {
        Remember(LowKey(i), chkLow_[size_t(i)]->isChecked()
                                ? QVariant(txtLow_[size_t(i)]->text().trimmed())
                                : QVariant());
    }
    Remember(Key("hysteresis"), txtHysteresis_->text().trimmed());
    Remember(Key("linkLostSeconds"), seconds);
    Remember(Key("notify"), chkNotify_->isChecked());
    Remember(Key("sound"), chkSound_->isChecked());
    Remember(Key("command"), txtCommand_->text());
    Remember(Key("log"), txtLog_->text());
    Apply();
    hide();
}

void AlarmSetupWindow::Apply() {
    AlarmLimits limits = watch_.Limits();
    for (size_t i = 0; i < 4; ++i) {
        limits.low[i] =
            chkLow_[i]->isChecked() ? DegreesInTenths(txtLow_[i]->text()) : std::nullopt;
    }
    limits.hysteresis = DegreesInTenths(txtHysteresis_->text()).value_or(10);
    limits.linkLostSeconds = txtLinkLost_->text().toInt();
    notify_ = chkNotify_->isChecked();
    sound_ = chkSound_->isChecked();
    watch_.SetLimits(limits);
    watch_.SetCommandLine(txtCommand_->text());
    watch_.SetLogPath(txtLog_->text());
}
