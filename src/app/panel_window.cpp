#include "app/panel_window.h"

#include "app/channel_card.h"
#include "app/toolbar_images.h"
#include "config/alarm_frame.h"
#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "recording/marks.h"
#include "recording/recorder.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("Panel  V8.03");
const QString kBuildCode = QStringLiteral("130808");

struct ToolbarButtonSpec {
    const char* key;
    const char* tooltip;
};
constexpr ToolbarButtonSpec kButtons[] = {
    {"Save", "Save As"},
    {"Open", "Open File"},
    {"Sampling", "Sampling Rate"},
    {"List", "List Display"},
    {"Graph", "Graphic Display"},
    {"RTC", "Set Meter Time to System (PC) Time"},
    {"Memory", "Data Logger"},
    {"Buttons", "Meter Control Panel"},
    {"Erase", "Erase Data Logger"},
    {"Poweroff", "Power Off Time"},
    {"CF", "Celsius/Fahrenheit"},
    {"Alarm", "Alarm Range"},
};

// Colours of the instrument panel: a dark face; the cards say each unit's bright colour.
const QColor kFace(21, 24, 28);
const QColor kCard(35, 40, 46);

QLabel* MakeLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

Panel::Panel(LiveState& live, AlarmSettings& alarms, const Recorder& recorder, QWidget* parent)
    : QMainWindow(parent)
    , live_(live)
    , alarms_(alarms)
    , recorder_(recorder) {
    setObjectName(QStringLiteral("Panel"));
    setWindowTitle(kCaption);
    setAccessibleName(QStringLiteral("Panel"));

    QPalette face = palette();
    face.setColor(QPalette::Window, kFace);
    face.setColor(QPalette::WindowText, QColor(225, 228, 232));
    face.setColor(QPalette::Base, QColor(16, 19, 23));
    face.setColor(QPalette::AlternateBase, kCard);
    face.setColor(QPalette::Text, QColor(235, 238, 242));
    face.setColor(QPalette::Button, QColor(48, 54, 62));
    face.setColor(QPalette::ButtonText, QColor(230, 232, 235));
    face.setColor(QPalette::Highlight, QColor(255, 176, 0));
    face.setColor(QPalette::HighlightedText, Qt::black);
    face.setColor(QPalette::ToolTipBase, QColor(250, 250, 235));
    face.setColor(QPalette::ToolTipText, Qt::black);
    setPalette(face);
    setAutoFillBackground(true);

    BuildToolbar();

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("PanelFace"));
    central->setStyleSheet(QStringLiteral(
        // Every text on the face reads at a contrast of 4.5:1 or more against what is behind it.
        "QLabel, QGroupBox, QRadioButton, QCheckBox { color: #e6e8eb; }"
        "QGroupBox { font: bold 14px 'DejaVu Sans'; }"
        "QFrame#ChannelCard { background: #23282e; border: 1px solid #3a4048;"
        "  border-radius: 8px; }"
        "QFrame#ChannelCard QLabel { background: transparent; }"
        "QLabel[role=\"name\"] { font: bold 22px 'DejaVu Sans'; color: #e6e8eb; }"
        "QFrame#ChannelCard QLabel[role=\"type\"] { font: bold 18px 'DejaVu Sans'; color: #15181c;"
        "  background: #c8ccd2; border-radius: 4px; padding: 0px 6px; }"
        "QLabel[role=\"value\"] { font: bold 44px 'DejaVu Sans Mono'; }"
        "QLabel[role=\"unit\"] { font: 20px 'DejaVu Sans'; color: #aab0b8; }"
        "QFrame#ChannelCard QLabel[role=\"alarm\"] { font: bold 16px 'DejaVu Sans'; color: white;"
        "  background: #d8342a; border-radius: 4px; padding: 1px 8px; }"
        "QLabel[role=\"caption\"] { font: 12px 'DejaVu Sans'; color: #aab0b8; }"
        "QLabel[role=\"corrected\"] { font: bold 12px 'DejaVu Sans'; color: #f0c674; }"
        "QLabel[role=\"badge\"] { font: bold 72px 'DejaVu Sans'; }"
        "QLabel[role=\"degree\"] { font: bold 30px 'DejaVu Sans'; }"
        "QLabel[role=\"status\"] { font: 14px 'DejaVu Sans'; color: #c8ccd2; }"
        "QLabel#LblCOM { font: bold 14px 'DejaVu Sans'; color: #15181c; background: #7fd67f;"
        "  border-radius: 4px; padding: 2px 10px; }"
        "QLabel#LblRec { font: bold 14px 'DejaVu Sans'; color: white; background: #d8342a;"
        "  border-radius: 4px; padding: 2px 10px; }"
        "QDoubleSpinBox { font: bold 16px 'DejaVu Sans Mono'; padding: 2px 4px; }"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(6);

    c_.frame = BuildUnitPanel(false);
    f_.frame = BuildUnitPanel(true);
    layout->addWidget(c_.frame, 1);
    layout->addWidget(f_.frame, 1);
    f_.frame->hide();

    // The in-window frames: one at a time, all hidden at start.
    frameArea_ = new QWidget(central);
    frameArea_->setObjectName(QStringLiteral("FrameArea"));
    auto* frames = new QHBoxLayout(frameArea_);
    frames->setContentsMargins(0, 0, 0, 0);
    loggerFrameHost_ = new QFrame(frameArea_);
    loggerFrameHost_->setObjectName(QStringLiteral("PicLogger"));
    loggerFrameHost_->setAccessibleName(QStringLiteral("Data Logger"));
    loggerFrameHost_->setFrameShape(QFrame::StyledPanel);
    eraseFrameHost_ = new QFrame(frameArea_);
    eraseFrameHost_->setObjectName(QStringLiteral("PicErase"));
    eraseFrameHost_->setAccessibleName(QStringLiteral("Erase Data Logger"));
    eraseFrameHost_->setFrameShape(QFrame::StyledPanel);
    powerOffChoice_ = new QComboBox(frameArea_);
    powerOffChoice_->setObjectName(QStringLiteral("ComboP"));
    powerOffChoice_->setAccessibleName(QStringLiteral("Power Off Time"));
    alarmRangeFrame_ = new AlarmFrame(
        alarms_, live_, [this] { return panelCelsius_; }, frameArea_);
    for (QWidget* w :
         {static_cast<QWidget*>(loggerFrameHost_), static_cast<QWidget*>(eraseFrameHost_),
          static_cast<QWidget*>(powerOffChoice_), static_cast<QWidget*>(alarmRangeFrame_)}) {
        w->hide();
        frames->addWidget(w);
    }
    frames->addStretch();
    layout->addWidget(frameArea_);

    auto* status = new QHBoxLayout;
    linkCaption_ = MakeLabel(QStringLiteral("LblCOM"), QStringLiteral("No COM"), central);
    linkCaption_->setAccessibleName(QStringLiteral("Port"));
    linkCaption_->setToolTip(QStringLiteral("Serial port"));
    linkCaption_->installEventFilter(this);
    recordingMark_ = MakeLabel(QStringLiteral("LblRec"), QStringLiteral("Rec."), central);
    recordingMark_->setAccessibleName(QStringLiteral("Recording"));
    recordingMark_->hide();
    recordsWritten_ = MakeLabel(QStringLiteral("LblCount"), QString(), central);
    recordsWritten_->setAccessibleName(QStringLiteral("Records written"));
    recordsWritten_->setProperty("role", QStringLiteral("status"));
    recordingFile_ = MakeLabel(QStringLiteral("LblFileName"), QString(), central);
    recordingFile_->setAccessibleName(QStringLiteral("Data file"));
    recordingFile_->setProperty("role", QStringLiteral("status"));
    shareStatus_ = MakeLabel(QStringLiteral("LblShare"), QString(), central);
    shareStatus_->setAccessibleName(QStringLiteral("Live view shared on"));
    shareStatus_->setProperty("role", QStringLiteral("status"));
    shareStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status->addWidget(linkCaption_);
    status->addSpacing(12);
    status->addWidget(recordingMark_);
    status->addWidget(recordsWritten_);
    status->addSpacing(12);
    status->addWidget(recordingFile_, 1);
    markStatus_ = MakeLabel(QStringLiteral("LblMark"), QString(), central);
    markStatus_->setAccessibleName(QStringLiteral("Last mark"));
    markStatus_->setProperty("role", QStringLiteral("status"));
    status->addWidget(markStatus_);
    status->addSpacing(12);
    status->addWidget(shareStatus_);
    layout->addLayout(status);

    setCentralWidget(central);

    SetCommand(QStringLiteral("CF"), [this] { SwapUnitPanels(); });
    SetCommand(QStringLiteral("Alarm"), [this] { alarmRangeFrame_->ToggleAndFill(); });
    connect(&alarms_, &AlarmSettings::AlarmChanged, this, &Panel::ShowAlarm);
    connect(&recorder_, &Recorder::Started, this, &Panel::ShowRecordingStarted);
    connect(&recorder_, &Recorder::Stopped, this, &Panel::ShowRecordingState);
    connect(&recorder_, &Recorder::Recorded, this, &Panel::ShowRecorded);
    connect(&recorder_, &Recorder::WritingChanged, this, &Panel::ShowWritingState);
    connect(&recorder_, &Recorder::Continued, this, &Panel::ShowWritingState);

    setMinimumSize(900, 560);
    resize(1024, 720);
}

Panel::~Panel() = default;

QStringList Panel::ToolbarKeys() {
    QStringList keys;
    for (const ToolbarButtonSpec& b : kButtons)
        keys << QString::fromLatin1(b.key);
    return keys;
}

void Panel::BuildToolbar() {
    toolbar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    toolbar_->setAccessibleName(QStringLiteral("Toolbar"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setIconSize(QSize(32, 32));
    toolbar_->setStyleSheet(QStringLiteral(
        "QToolBar { background: #2b3037; border: none; border-bottom: 1px solid #3a4048;"
        "  spacing: 4px; padding: 3px; }"
        "QToolButton { border-radius: 6px; padding: 3px; color: #c8ccd2; }"
        "QToolButton:hover { background: #3d444d; }"
        "QToolButton:pressed { background: #525b66; }"));
    int image = 1;
    for (const ToolbarButtonSpec& b : kButtons) {
        const QString key = QString::fromLatin1(b.key);
        const QString tip = QString::fromLatin1(b.tooltip);
        auto* action = toolbar_->addAction(ToolbarImage(image++), tip);
        action->setObjectName(QStringLiteral("Toolbar1_") + key);
        action->setToolTip(tip);
        action->setData(key);
        if (QWidget* button = toolbar_->widgetForAction(action)) {
            button->setObjectName(QStringLiteral("Toolbar1_") + key);
            button->setAccessibleName(tip);
        }
        connect(action, &QAction::triggered, this, [this, key] { ToolbarClick(key); });
        buttons_.insert(key, action);
        // Separators group recording, windows, logger and display commands.
        if (key == QLatin1String("Open") || key == QLatin1String("Graph") ||
            key == QLatin1String("Poweroff"))
            toolbar_->addSeparator();
    }
    // The tooltip of button 1 changes with the recording; its button follows.
    connect(buttons_.value(QStringLiteral("Save")), &QAction::changed, this, [this] {
        QAction* save = buttons_.value(QStringLiteral("Save"));
        if (QWidget* button = toolbar_->widgetForAction(save))
            button->setAccessibleName(save->toolTip());
    });
    addToolBar(Qt::TopToolBarArea, toolbar_);
}

QFrame* Panel::BuildUnitPanel(bool fahrenheit) {
    const QColor colour = ChannelCard::UnitColour(fahrenheit);
    auto* frame = new QFrame(this);
    frame->setObjectName(fahrenheit ? QStringLiteral("PicF") : QStringLiteral("PicC"));
    frame->setAccessibleName(fahrenheit ? QStringLiteral("Fahrenheit panel")
                                        : QStringLiteral("Celsius panel"));
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    // The large unit badge: a raised "o" as the degree sign, then the letter.
    auto* badge = new QWidget(frame);
    auto* badgeLayout = new QHBoxLayout(badge);
    badgeLayout->setContentsMargins(0, 0, 0, 0);
    badgeLayout->setSpacing(0);
    auto* degree = MakeLabel(fahrenheit ? QStringLiteral("DF") : QStringLiteral("DC"),
                             QStringLiteral("o"), badge);
    degree->setProperty("role", QStringLiteral("degree"));
    auto* letter = MakeLabel(fahrenheit ? QStringLiteral("Fah") : QStringLiteral("Cel"),
                             fahrenheit ? QStringLiteral("F") : QStringLiteral("C"), badge);
    letter->setProperty("role", QStringLiteral("badge"));
    const QString badgeColour = QStringLiteral("color: %1;").arg(colour.name());
    degree->setStyleSheet(badgeColour);
    letter->setStyleSheet(badgeColour);
    degree->setAccessibleName(QStringLiteral("degree"));
    letter->setAccessibleName(fahrenheit ? QStringLiteral("Fahrenheit")
                                         : QStringLiteral("Celsius"));
    badgeLayout->addWidget(degree, 0, Qt::AlignTop);
    badgeLayout->addWidget(letter, 0, Qt::AlignTop);
    layout->addWidget(badge, 0, Qt::AlignTop);

    auto* grid = new QGridLayout;
    grid->setSpacing(8);
    for (int i = 0; i < 4; ++i) {
        auto* card = new ChannelCard(fahrenheit, i, alarms_, frame);
        connect(card, &ChannelCard::ChartClicked, this,
                [this, i, fahrenheit] { Q_EMIT StripChartClicked(i, fahrenheit); });
        PanelOf(fahrenheit).cards[size_t(i)] = card;
        grid->addWidget(card, i / 2, i % 2);
    }
    layout->addLayout(grid, 1);
    return frame;
}

void Panel::SetCommand(const QString& key, std::function<void()> command) {
    commands_.insert(key, std::move(command));
}

QAction* Panel::ToolbarButton(const QString& key) const {
    return buttons_.value(key);
}

void Panel::ToolbarClick(const QString& key) {
    // At most one of the in-window frames is open: any other button closes it.
    if (key != QLatin1String("Memory"))
        loggerFrameHost_->hide();
    if (key != QLatin1String("Erase"))
        eraseFrameHost_->hide();
    if (key != QLatin1String("Poweroff"))
        powerOffChoice_->hide();
    if (key != QLatin1String("Alarm"))
        alarmRangeFrame_->hide();
    const auto command = commands_.constFind(key);
    if (command != commands_.constEnd() && *command)
        (*command)();
}

void Panel::SwapUnitPanels() {
    panelCelsius_ = !panelCelsius_;
    c_.frame->setVisible(c_.frame->isHidden());
    f_.frame->setVisible(f_.frame->isHidden());
    panelUnitText_ = ChannelCard::UnitText(!panelCelsius_);
    for (UnitPanel* panel : {&c_, &f_}) {
        if (!panel->frame->isHidden()) {
            for (ChannelCard* card : panel->cards)
                card->Replot();
        }
    }
}

void Panel::RebuildDisplay() {
    f_.frame->setVisible(live_.UnitF());
    c_.frame->setVisible(!live_.UnitF());
    for (int i = 0; i < 4; ++i)
        RebuildChannel(i);
}

void Panel::RebuildChannel(int i) {
    for (bool fahrenheit : {false, true})
        PanelOf(fahrenheit).cards[size_t(i)]->Rebuild(live_.Channel(i).TypeLetter);
}

void Panel::ShowAlarm(bool fahrenheit, int i) {
    PanelOf(fahrenheit).cards[size_t(i)]->ShowAlarm();
}

void Panel::ShowSample(const SampleRecord& record) {
    for (bool fahrenheit : {false, true}) {
        const UnitPanel& panel = PanelOf(fahrenheit);
        const bool shown = !panel.frame->isHidden();
        for (ChannelCard* card : panel.cards)
            card->ShowSample(record, shown, linked_);
    }
}

void Panel::ShowRecordingStarted() {
    const QString path = recorder_.DataFileName();
    recordingFile_->setText(QFileInfo(path).fileName());
    recordingFile_->setToolTip(QDir::toNativeSeparators(path));
    recordingMark_->setText(QStringLiteral("Rec."));
    ShowRecordingState();
}

void Panel::ShowRecordingState() {
    QAction* button = ToolbarButton(QStringLiteral("Save"));
    const bool recording = recorder_.Recording();
    button->setIcon(ToolbarImage(recording ? 16 : 1));
    button->setToolTip(recording ? QStringLiteral("Stop Recording") : QStringLiteral("Save As"));
    recordingMark_->setVisible(recording);
    if (!recording) {
        recordsWritten_->clear();
        recordingFile_->clear();
        recordingFile_->setToolTip(QString());
    }
    ShowWritingState();
}

void Panel::ShowRecorded() {
    if (recorder_.Recording()) {
        recordsWritten_->setText(QString::number(recorder_.RecordCount()));
        recordingMark_->setText(recorder_.Writing() ? QStringLiteral("Rec")
                                                    : QStringLiteral("Not writing"));
        ShowWritingState();
    } else {
        recordingFile_->clear();
        recordsWritten_->clear();
        recordingMark_->clear();
    }
}

void Panel::ShowWritingState() {
    // While lines do not reach the file the labels say so, plainly and in red.
    const bool failing = recorder_.Recording() && !recorder_.Writing();
    recordingMark_->setStyleSheet(failing ? QStringLiteral("color: #15181c; background: #ff6b6b;")
                                          : QString());
    recordingFile_->setStyleSheet(failing ? QStringLiteral("color: #ff6b6b;") : QString());
    if (!recorder_.Recording())
        return;
    if (failing) {
        recordingMark_->setText(QStringLiteral("Not writing"));
        recordingFile_->setText(recorder_.StatusText());
    } else {
        // The file the lines go to now, and why it is not the one chosen when the set-up changed.
        const QString file = recorder_.CurrentFileName();
        const QString because = recorder_.ContinuedBecause();
        recordingFile_->setText(
            QFileInfo(file).fileName() +
            (because.isEmpty() ? QString() : QStringLiteral(": new file since ") + because));
        recordingFile_->setToolTip(QDir::toNativeSeparators(file));
    }
}

void Panel::SetLinkCaption(const QString& caption) {
    linked_ = caption != QLatin1String("No COM");
    linkCaption_->setText(caption);
    linkCaption_->setAccessibleDescription(caption);
    linkCaption_->setStyleSheet(linked_ ? QString() : QStringLiteral("background: #d8a02a;"));
    if (!linked_) {
        for (UnitPanel* panel : {&c_, &f_}) {
            for (ChannelCard* card : panel->cards)
                card->ShowStale(true);
        }
    }
}

void Panel::ShowStaleReadings(const std::array<bool, 4>& fresh) {
    for (size_t i = 0; i < 4; ++i) {
        if (!fresh[i]) {
            c_.cards[i]->ShowStale(true);
            f_.cards[i]->ShowStale(true);
        }
    }
}

void Panel::ShowCorrections(const std::array<QString, 4>& celsius,
                            const std::array<QString, 4>& fahrenheit) {
    for (size_t i = 0; i < 4; ++i) {
        c_.cards[i]->SetCorrection(celsius[i]);
        f_.cards[i]->SetCorrection(fahrenheit[i]);
    }
}

void Panel::ShowMark(const Mark& mark) {
    for (UnitPanel* panel : {&c_, &f_}) {
        for (int i = 0; i < 4; ++i) {
            if (!mark.channel || *mark.channel == i)
                panel->cards[size_t(i)]->AddMark(mark.Label());
        }
    }
}

ChannelCard* Panel::Card(bool fahrenheit, int channel) const {
    return (fahrenheit ? f_ : c_).cards[size_t(channel)];
}

void Panel::ShowMarkStatus(const QString& text, bool failed) {
    markStatus_->setText(text);
    markStatus_->setStyleSheet(failed ? QStringLiteral("color: #ff6b6b;") : QString());
}

void Panel::ToggleCaption() {
    if (windowTitle().contains(kBuildCode))
        setWindowTitle(kCaption);
    else
        setWindowTitle(kCaption + QStringLiteral("   ") + kBuildCode);
}

bool Panel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == linkCaption_ && event->type() == QEvent::MouseButtonRelease) {
        ToggleCaption();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Panel::closeEvent(QCloseEvent* event) {
    event->accept();
    Q_EMIT Closing();
}
