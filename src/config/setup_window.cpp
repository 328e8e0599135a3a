#include "config/setup_window.h"

#include "config/meter_settings.h"
#include "link/clock.h"
#include "link/delay.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "ui/dialogs.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// How long one refresh keeps asking for the meter's clock before it gives up.
constexpr double kReplyWaitSeconds = 5.0;
const QString kMeterTimeCaption = QStringLiteral("Meter Time");
const QString kPCTimeCaption = QStringLiteral("PC System Time");

QString TwoDigits(char byte) {
    return QStringLiteral("%1").arg(int(quint8(byte)), 2, 10, QLatin1Char('0'));
}

// "20yy/mm/dd hh:nn:ss" from the 8-byte clock reply.
QString MeterTimeText(const QByteArray& reply) {
    return QStringLiteral("20") + TwoDigits(reply[1]) + QLatin1Char('/') + TwoDigits(reply[2]) +
           QLatin1Char('/') + TwoDigits(reply[3]) + QLatin1Char(' ') + TwoDigits(reply[4]) +
           QLatin1Char(':') + TwoDigits(reply[5]) + QLatin1Char(':') + TwoDigits(reply[6]);
}

} // namespace

int TwipsToPixels(const QWidget* widget, int twips) {
    return twips * widget->logicalDpiX() / 1440;
}

SetupWindow::SetupWindow(MeterLink& link, Dialogs& dialogs, const Clock& clock, QWidget* parent)
    : QDialog(parent)
    , link_(link)
    , dialogs_(dialogs)
    , clock_(clock)
    , clockTimer_(this) {
    setObjectName(QStringLiteral("Setup"));
    setWindowTitle(QStringLiteral("Setup"));
    setAccessibleName(QStringLiteral("Meter clock"));

    auto* frameTime = new QGroupBox(QStringLiteral("Time"), this);
    frameTime->setObjectName(QStringLiteral("FrameTime"));
    meterTime_ = new QLabel(kMeterTimeCaption, frameTime);
    meterTime_->setObjectName(QStringLiteral("LblMeterTime"));
    meterTime_->setAccessibleName(QStringLiteral("Meter time; click to show or hide"));
    pcTime_ = new QLabel(kPCTimeCaption, frameTime);
    pcTime_->setObjectName(QStringLiteral("LblPCTime"));
    pcTime_->setAccessibleName(QStringLiteral("PC time; click to show or hide"));
    for (QLabel* label : {meterTime_, pcTime_}) {
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(180);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
    }
    auto* times = new QHBoxLayout(frameTime);
    times->addWidget(meterTime_);
    times->addWidget(pcTime_);

    setTimeButton_ = new QPushButton(QStringLiteral("Set Meter Time To System Time"), this);
    setTimeButton_->setObjectName(QStringLiteral("CmdSetTime"));
    setTimeButton_->setAccessibleName(setTimeButton_->text());
    auto* cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit->setObjectName(QStringLiteral("CmdExit"));
    cmdExit->setAccessibleName(QStringLiteral("Exit"));
    connect(setTimeButton_, &QPushButton::clicked, this, &SetupWindow::SetMeterTime);
    connect(cmdExit, &QPushButton::clicked, this, &SetupWindow::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(setTimeButton_);
    buttons->addWidget(cmdExit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frameTime);
    layout->addLayout(buttons);

    if (parent)
        move(parent->frameGeometry().topLeft() +
             QPoint(TwipsToPixels(parent, 1500), TwipsToPixels(parent, 1000)));

    clockTimer_.setObjectName(QStringLiteral("Timer1"));
    clockTimer_.setInterval(350);
    connect(&clockTimer_, &QTimer::timeout, this, &SetupWindow::Tick);
    clockTimer_.start();
}

bool SetupWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == meterTime_)
            showMeterTime_ = !showMeterTime_;
        else if (watched == pcTime_)
            showPCTime_ = !showPCTime_;
    }
    return QDialog::eventFilter(watched, event);
}

void SetupWindow::done(int result) {
    clockTimer_.stop();
    closed_ = true;
    QDialog::done(result);
}

std::optional<QByteArray> SetupWindow::QueryClock() {
    ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::Polling);
    const double start = clock_.SecondsSinceMidnight();
    for (;;) {
        if (std::optional<QByteArray> reply = link_.QueryMeterClock(0.5))
            return reply;
        if (link_.IsCancelled() || closed_ ||
            SecondsSince(start, clock_.SecondsSinceMidnight()) >= kReplyWaitSeconds)
            return std::nullopt;
    }
}

void SetupWindow::Tick() {
    // A tick that falls due while this window's exchange runs is skipped.
    if (busy_)
        return;
    if (link_.Live().MeterRecording()) {
        reject();
        return;
    }
    if (showMeterTime_) {
        busy_ = true;
        setTimeButton_->setEnabled(false);
        const std::optional<QByteArray> reply = QueryClock();
        setTimeButton_->setEnabled(true);
        busy_ = false;
        if (reply) {
            meterTime_->setText(MeterTimeText(*reply));
        } else {
            // Asking again at every tick would keep the window busy for good.
            showMeterTime_ = false;
            meterTime_->setText(kMeterTimeCaption);
            if (!link_.IsCancelled() && !closed_)
                dialogs_.Critical(this, MeterSettings::NoAnswerText());
        }
    } else {
        meterTime_->setText(kMeterTimeCaption);
    }
    if (showPCTime_)
        pcTime_->setText(clock_.Now().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    else
        pcTime_->setText(kPCTimeCaption);
}

void SetupWindow::SetMeterTime() {
    if (busy_)
        return;
    busy_ = true;
    clockTimer_.stop();
    {
        ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::Polling);
        link_.WriteMeterClock(clock_.Now());
    }
    busy_ = false;
    if (!closed_)
        clockTimer_.start();
}

void RunRtcCommand(QWidget* panel, MeterLink& link, Dialogs& dialogs, const Clock& clock) {
    if (link.Live().MeterRecording()) {
        dialogs.Critical(panel, QStringLiteral("Recording mode, stop record then try again !"));
        return;
    }
    // The window's clock queries pause polling for themselves; between them the meter is polled
    // as ever, so that the panel's readings stay current while the window is open.
    SetupWindow setup(link, dialogs, clock, panel);
    dialogs.Exec(setup);
}
