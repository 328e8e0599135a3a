#include "config/alarm_frame.h"

#include "config/alarm_settings.h"
#include "link/live_state.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AlarmFrame::AlarmFrame(AlarmSettings& alarms, const LiveState& live,
                       std::function<bool()> panelCelsius, QWidget* parent)
    : QFrame(parent)
    , alarms_(alarms)
    , live_(live)
    , panelCelsius_(std::move(panelCelsius)) {
    setObjectName(QStringLiteral("PicAlmRange"));
    setAccessibleName(QStringLiteral("Alarm Range"));
    setFrameShape(QFrame::StyledPanel);

    auto* layout = new QHBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Alarm\nRange"), this);
    title->setObjectName(QStringLiteral("LblAlmRange"));
    layout->addWidget(title);
    for (int i = 0; i < 4; ++i) {
        const QString channel = QStringLiteral("T%1").arg(i + 1);
        auto* frame = new QGroupBox(channel, this);
        frame->setObjectName(QStringLiteral("FrameAlm%1").arg(i));
        frame->setAccessibleName(channel + QStringLiteral(" alarm range"));
        auto* grid = new QGridLayout(frame);
        const auto makeBox = [&](const QString& name, const QString& caption, int row) {
            auto* label = new QLabel(caption, frame);
            auto* box = new QLineEdit(frame);
            box->setObjectName(QStringLiteral("%1%2").arg(name).arg(i));
            box->setAccessibleName(QStringLiteral("%1 %2").arg(channel, caption));
            box->setMaxLength(12);
            box->setMinimumWidth(70);
            box->installEventFilter(this);
            label->setBuddy(box);
            grid->addWidget(label, row, 0);
            grid->addWidget(box, row, 1);
            return box;
        };
        maxText_[size_t(i)] = makeBox(QStringLiteral("MaxText"), QStringLiteral("Max"), 0);
        minText_[size_t(i)] = makeBox(QStringLiteral("MinText"), QStringLiteral("Min"), 1);
        layout->addWidget(frame, 1);
    }
    auto* buttons = new QVBoxLayout;
    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("CmdAlmOK"));
    okButton_->setAccessibleName(QStringLiteral("OK: apply the alarm ranges"));
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("CmdAlmCancel"));
    cancelButton_->setAccessibleName(QStringLiteral("Cancel the alarm ranges"));
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);
    auto* more = new QVBoxLayout;
    auto* actions = new QPushButton(QStringLiteral("Actions..."), this);
    actions->setObjectName(QStringLiteral("CmdAlmActions"));
    actions->setAccessibleName(QStringLiteral("Alarm actions: low limits, notification, sound, "
                                              "command, log"));
    auto* log = new QPushButton(QStringLiteral("Log..."), this);
    log->setObjectName(QStringLiteral("CmdAlmLog"));
    log->setAccessibleName(QStringLiteral("Alarm log"));
    more->addWidget(actions);
    more->addWidget(log);
    layout->addLayout(more);
    connect(actions, &QPushButton::clicked, this, &AlarmFrame::ActionsRequested);
    connect(log, &QPushButton::clicked, this, &AlarmFrame::LogRequested);

    connect(okButton_, &QPushButton::clicked, this, &AlarmFrame::ApplyAll);
    connect(cancelButton_, &QPushButton::clicked, this, &QWidget::hide);
    hide();
}

void AlarmFrame::ToggleAndFill() {
    setVisible(isHidden());
    const AlarmSettings::FrameTexts texts = alarms_.FillTexts(live_.UnitText());
    for (size_t i = 0; i < 4; ++i) {
        maxText_[i]->setText(texts.max[i]);
        minText_[i]->setText(texts.min[i]);
    }
}

bool AlarmFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        for (int i = 0; i < 4; ++i) {
            if (watched == maxText_[size_t(i)])
                ApplyOne(i, true);
            else if (watched == minText_[size_t(i)])
                ApplyOne(i, false);
        }
        return true;
    }
    // Keys that type a character must be one of the range characters; editing and moving keys
    // (arrows, Delete, Tab) type none and pass.
    const QString text = key->text();
    if (!text.isEmpty() && !(key->modifiers() & Qt::ControlModifier)) {
        for (const QChar c : text) {
            if (!AlarmSettings::IsRangeKey(c))
                return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void AlarmFrame::ApplyOne(int channel, bool isMax) {
    // Enter works on the set of the panel toggle, whatever the meter's unit.
    const bool fahrenheit = !panelCelsius_();
    if (isMax)
        alarms_.SetRangeMax(fahrenheit, channel,
                            AlarmSettings::ValueOfText(MaxText(channel)->text()));
    else
        alarms_.SetRangeMin(fahrenheit, channel,
                            AlarmSettings::ValueOfText(MinText(channel)->text()));
}

void AlarmFrame::ApplyAll() {
    AlarmSettings::FrameTexts texts;
    for (size_t i = 0; i < 4; ++i) {
        texts.max[i] = maxText_[i]->text();
        texts.min[i] = minText_[i]->text();
    }
    alarms_.ApplyFrame(live_.UnitText(), texts);
    hide();
}
