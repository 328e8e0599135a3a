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
        lowToggles_[size_t(i)] = check;
        lowEntries_[size_t(i)] = box;
    }
    layout->addWidget(lows);

    auto* form = new QFormLayout;
    hysteresisEntry_ =
        NamedBox(QStringLiteral("TxtHysteresis"), QStringLiteral("Hysteresis"), this);
    form->addRow(QStringLiteral("Hysteresis (degrees)"), hysteresisEntry_);
    linkLostEntry_ = NamedBox(QStringLiteral("TxtLinkLost"),
                              QStringLiteral("Seconds before a lost link is an alarm"), this);
    form->addRow(QStringLiteral("Link lost after (s)"), linkLostEntry_);
    notifyToggle_ = new QCheckBox(QStringLiteral("Desktop notification"), this);
    notifyToggle_->setObjectName(QStringLiteral("ChkNotify"));
    form->addRow(notifyToggle_);
    soundToggle_ = new QCheckBox(QStringLiteral("Sound until acknowledged"), this);
    soundToggle_->setObjectName(QStringLiteral("ChkSound"));
    form->addRow(soundToggle_);
    commandEntry_ = NamedBox(QStringLiteral("TxtCommand"),
                             QStringLiteral("Command run for each alarm event"), this);
    form->addRow(QStringLiteral("Command"), commandEntry_);
    logEntry_ = NamedBox(QStringLiteral("TxtAlarmLog"), QStringLiteral("Alarm log file"), this);
    form->addRow(QStringLiteral("Alarm log file"), logEntry_);
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
        lowToggles_[size_t(i)]->setChecked(low.isValid());
        lowEntries_[size_t(i)]->setEnabled(low.isValid());
        lowEntries_[size_t(i)]->setText(low.toString());
    }
    hysteresisEntry_->setText(Remembered(Key("hysteresis")).toString());
    if (hysteresisEntry_->text().isEmpty())
        hysteresisEntry_->setText(QStringLiteral("1.0"));
    linkLostEntry_->setText(QString::number(Remembered(Key("linkLostSeconds")).toInt()));
    if (linkLostEntry_->text() == QLatin1String("0"))
        linkLostEntry_->setText(QStringLiteral("30"));
    notifyToggle_->setChecked(Remembered(Key("notify")).value<bool>() ||
                              !Remembered(Key("notify")).isValid());
    soundToggle_->setChecked(Remembered(Key("sound")).value<bool>() ||
                             !Remembered(Key("sound")).isValid());
    commandEntry_->setText(Remembered(Key("command")).toString());
    const QVariant log = Remembered(Key("log"));
    logEntry_->setText(log.isValid() ? log.toString() : DefaultLogPath());
}

void AlarmSetupWindow::Accept() {
    const auto refuse = [this](const QString& text) { dialogs_.Critical(this, text); };
    for (int i = 0; i < 4; ++i) {
        const QString text = lowEntries_[size_t(i)]->text();
        if (lowToggles_[size_t(i)]->isChecked() && !DegreesInTenths(text))
            return refuse(
                QStringLiteral("The low limit of T%1 is not a number: '%2'").arg(i + 1).arg(text));
    }
    const std::optional<int> hysteresis = DegreesInTenths(hysteresisEntry_->text());
    if (!hysteresis || *hysteresis < 0)
        return refuse(QStringLiteral("The hysteresis is degrees from 0, not '%1'")
                          .arg(hysteresisEntry_->text()));
    bool ok = false;
    const int seconds = linkLostEntry_->text().trimmed().toInt(&ok);
    if (!ok || seconds < 1 || seconds > 86400)
        return refuse(QStringLiteral("A lost link is an alarm after 1 to 86400 seconds, not '%1'")
                          .arg(linkLostEntry_->text()));

    for (int i = 0; i < 4; ++i) {
        Remember(LowKey(i), lowToggles_[size_t(i)]->isChecked()
                                ? QVariant(lowEntries_[size_t(i)]->text().trimmed())
                                : QVariant());
    }
    Remember(Key("hysteresis"), hysteresisEntry_->text().trimmed());
    Remember(Key("linkLostSeconds"), seconds);
    Remember(Key("notify"), notifyToggle_->isChecked());
    Remember(Key("sound"), soundToggle_->isChecked());
    Remember(Key("command"), commandEntry_->text());
    Remember(Key("log"), logEntry_->text());
    Apply();
    hide();
}

void AlarmSetupWindow::Apply() {
    AlarmLimits limits = watch_.Limits();
    for (size_t i = 0; i < 4; ++i) {
        limits.low[i] =
            lowToggles_[i]->isChecked() ? DegreesInTenths(lowEntries_[i]->text()) : std::nullopt;
    }
    limits.hysteresis = DegreesInTenths(hysteresisEntry_->text()).value_or(10);
    limits.linkLostSeconds = linkLostEntry_->text().toInt();
    notify_ = notifyToggle_->isChecked();
    sound_ = soundToggle_->isChecked();
    watch_.SetLimits(limits);
    watch_.SetCommandLine(commandEntry_->text());
    watch_.SetLogPath(logEntry_->text());
}
