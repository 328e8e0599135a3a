#include "config/buttons_window.h"

#include "link/meter_link.h"
#include "link/meter_timers.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 32;

struct PictureKey {
    const char* name;
    const char* accessibleName;
    MeterKey key;
    ButtonsWindow::Picture picture;
    int row, column;
};

// The arrow cross with enter in its middle, as on the meter.
constexpr PictureKey kPictureKeys[] = {
    {"CmdUp", "Up arrow", MeterKey::Up, ButtonsWindow::Picture::Up, 0, 1},
    {"CmdLeft", "Left arrow", MeterKey::Left, ButtonsWindow::Picture::Left, 1, 0},
    {"CmdEnter", "Enter", MeterKey::Enter, ButtonsWindow::Picture::Enter, 1, 1},
    {"CmdRight", "Right arrow", MeterKey::Right, ButtonsWindow::Picture::Right, 1, 2},
    {"CmdDown", "Down arrow", MeterKey::Down, ButtonsWindow::Picture::Down, 2, 1},
};

// An arrow pointing up, centred in a square of side `s`.
QPainterPath UpArrow(double s) {
    QPainterPath path;
    path.moveTo(s * 0.5, s * 0.12);
    path.lineTo(s * 0.85, s * 0.5);
    path.lineTo(s * 0.62, s * 0.5);
    path.lineTo(s * 0.62, s * 0.88);
    path.lineTo(s * 0.38, s * 0.88);
    path.lineTo(s * 0.38, s * 0.5);
    path.lineTo(s * 0.15, s * 0.5);
    path.closeSubpath();
    return path;
}

} // namespace

QIcon ButtonsWindow::KeyIcon(Picture picture, const QColor& color) {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const double s = kIconSize;
    if (picture == Picture::Enter) {
        // The return sign: a stem down from the top right, then an arrow pointing left.
        QPen pen(color, s * 0.12, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        QPainterPath stem;
        stem.moveTo(s * 0.8, s * 0.15);
        stem.lineTo(s * 0.8, s * 0.62);
        stem.lineTo(s * 0.35, s * 0.62);
        painter.drawPath(stem);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        QPainterPath head;
        head.moveTo(s * 0.1, s * 0.62);
        head.lineTo(s * 0.4, s * 0.4);
        head.lineTo(s * 0.4, s * 0.84);
        head.closeSubpath();
        painter.drawPath(head);
    } else {
        const int turns = picture == Picture::Up      ? 0
                          : picture == Picture::Right ? 1
                          : picture == Picture::Down  ? 2
                                                      : 3;
        painter.translate(s / 2, s / 2);
        painter.rotate(90.0 * turns);
        painter.translate(-s / 2, -s / 2);
        painter.drawPath(UpArrow(s));
    }
    painter.end();
    return QIcon(pixmap);
}

ButtonsWindow::ButtonsWindow(MeterSettings& meter, QWidget* panel)
    : QWidget(panel, Qt::Window)
    , meter_(meter) {
    setObjectName(QStringLiteral("Buttons"));
    setWindowTitle(QStringLiteral("Meter Buttons"));
    setAccessibleName(QStringLiteral("Meter buttons"));

    keys_ = new QWidget(this);
    auto* grid = new QGridLayout(keys_);
    const auto place = [grid](QWidget* w, int row, int column) { grid->addWidget(w, row, column); };

    place(AddKey(QStringLiteral("CmdRead"), QStringLiteral("READ"), MeterKey::Read), 0, 0);
    place(AddKey(QStringLiteral("CmdAlarm"), QStringLiteral("ALARM"), MeterKey::Alarm), 0, 1);
    place(AddKey(QStringLiteral("CmdCF"), QStringLiteral("C / F"), MeterKey::CF), 0, 2);
    place(AddKey(QStringLiteral("CmdSet"), QStringLiteral("SET"), MeterKey::Set), 0, 3);
    place(AddKey(QStringLiteral("CmdTime"), QStringLiteral("TIME"), MeterKey::Time), 1, 0);

    // MAX/MIN is a panel on the meter's face; its press and release are watched directly.
    maxMinKey_ = new QLabel(QStringLiteral("  MAX    MIN"), keys_);
    maxMinKey_->setObjectName(QStringLiteral("CmdMaxMin"));
    maxMinKey_->setAccessibleName(QStringLiteral("MAX MIN key; hold more than 2 seconds for its "
                                                 "long function"));
    maxMinKey_->setFrameShape(QFrame::Panel);
    maxMinKey_->setFrameShadow(QFrame::Raised);
    maxMinKey_->setLineWidth(2);
    maxMinKey_->setAlignment(Qt::AlignCenter);
    maxMinKey_->installEventFilter(this);
    place(maxMinKey_, 1, 1);

    // MEM: the time held runs from the press to the click, so that a press dragged off the key
    // sends nothing.
    auto* cmdMem = new QPushButton(QStringLiteral("MEM"), keys_);
    cmdMem->setObjectName(QStringLiteral("CmdMem"));
    cmdMem->setAccessibleName(
        QStringLiteral("MEM key; hold more than 2 seconds for its long function"));
    connect(cmdMem, &QPushButton::pressed, this, [this] { meter_.KeyDown(); });
    connect(cmdMem, &QPushButton::clicked, this, [this] { Press(MeterKey::Mem); });
    place(cmdMem, 1, 2);

    place(AddKey(QStringLiteral("CmdType"), QStringLiteral("TYPE"), MeterKey::Type), 1, 3);
    place(AddKey(QStringLiteral("CmdHold"), QStringLiteral("HOLD"), MeterKey::Hold), 2, 0);

    auto* cross = new QGridLayout;
    const QColor ink = palette().color(QPalette::ButtonText);
    for (const PictureKey& k : kPictureKeys) {
        QAbstractButton* button = AddKey(QString::fromLatin1(k.name), QString(), k.key);
        button->setIcon(KeyIcon(k.picture, ink));
        button->setIconSize(QSize(kIconSize, kIconSize));
        button->setAccessibleName(QString::fromLatin1(k.accessibleName));
        button->setToolTip(QString::fromLatin1(k.accessibleName));
        cross->addWidget(button, k.row, k.column);
    }
    grid->addLayout(cross, 2, 1, 1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(keys_);
}

QAbstractButton* ButtonsWindow::AddKey(const QString& name, const QString& caption, MeterKey key) {
    auto* button = new QPushButton(caption, keys_);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    connect(button, &QPushButton::clicked, this, [this, key] { Press(key); });
    return button;
}

void ButtonsWindow::Press(MeterKey key) {
    // Another command owns the line; a key sent now would interleave with its exchange.
    if (meter_.Link().Timers().ExchangeInProgress())
        return;
    keys_->setEnabled(false);
    meter_.PressKey(key);
    keys_->setEnabled(true);
}

bool ButtonsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == maxMinKey_ && keys_->isEnabled()) {
        if (event->type() == QEvent::MouseButtonPress) {
            maxMinKey_->setFrameShadow(QFrame::Sunken);
            meter_.KeyDown();
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            maxMinKey_->setFrameShadow(QFrame::Raised);
            Press(MeterKey::MaxMin);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ButtonsWindow::PlaceUnder(const QWidget* panel) {
    const QRect outer = panel->frameGeometry();
    move(outer.left() + (outer.width() - frameGeometry().width()) / 2, outer.bottom() + 1);
}

void ButtonsWindow::showEvent(QShowEvent* event) {
    // Placed once, when first shown; later the user may move it.
    if (!placed_ && parentWidget()) {
        adjustSize();
        PlaceUnder(parentWidget());
        placed_ = true;
    }
    QWidget::showEvent(event);
}
