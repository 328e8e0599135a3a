#include "app/panel_window.h"

#include "app/toolbar_images.h"
#include "config/alarm_frame.h"
#include "config/alarm_settings.h"
#include "link/live_state.h"
#include "recording/recorder.h"
#include "recording/sampler.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDial>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>

namespace {

const QString kCaption = QStringLiteral("Panel  V8.03");
const QString kBuildCode = QStringLiteral("130808");
constexpr int kChartWidth = 300; // points on a strip chart's x axis

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

// Colours of the instrument panel: a dark face, one bright colour per unit.
const QColor kFace(21, 24, 28);
const QColor kCard(35, 40, 46);
const QColor kCelsius(255, 196, 64);
const QColor kFahrenheit(96, 208, 255);
const QColor kGrid(52, 58, 66);
const QColor kAxisText(170, 176, 184);
// Readings no longer current (the link lost, or no packet for a while): grey, yet still 4.5:1
// on a channel card.
const QColor kStale(140, 147, 156);

QString UnitOf(bool fahrenheit) {
    return fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
}

QString Prefix(bool fahrenheit) {
    return fahrenheit ? QStringLiteral("F") : QStringLiteral("C");
}

QLabel* MakeLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

void StyleChart(QCustomPlot* chart, const QColor& line) {
    chart->setBackground(QBrush(QColor(16, 19, 23)));
    chart->setNoAntialiasingOnDrag(true);
    for (QCPAxis* axis : {chart->xAxis, chart->yAxis}) {
        axis->setBasePen(QPen(kGrid));
        axis->setTickPen(QPen(kGrid));
        axis->setSubTickPen(QPen(kGrid));
        axis->setTickLabelColor(kAxisText);
        axis->grid()->setPen(QPen(kGrid, 1, Qt::DotLine));
        QFont font = axis->tickLabelFont();
        font.setPixelSize(10);
        axis->setTickLabelFont(font);
    }
    chart->xAxis->ticker()->setTickCount(4);
    chart->yAxis->ticker()->setTickCount(4);
    chart->axisRect()->setMinimumMargins(QMargins(0, 0, 0, 0));
    chart->axisRect()->setAutoMargins(QCP::msLeft | QCP::msBottom);
    chart->axisRect()->setMargins(QMargins(0, 6, 8, 0));
    QCPGraph* graph = chart->addGraph();
    graph->setPen(QPen(line, 2));
    graph->setAdaptiveSampling(true);
    graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, line, 3.5));
    chart->xAxis->setRange(1, kChartWidth);
    chart->yAxis->setRange(0, 100);
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
    picLogger_ = new QFrame(frameArea_);
    picLogger_->setObjectName(QStringLiteral("PicLogger"));
    picLogger_->setAccessibleName(QStringLiteral("Data Logger"));
    picLogger_->setFrameShape(QFrame::StyledPanel);
    picErase_ = new QFrame(frameArea_);
    picErase_->setObjectName(QStringLiteral("PicErase"));
    picErase_->setAccessibleName(QStringLiteral("Erase Data Logger"));
    picErase_->setFrameShape(QFrame::StyledPanel);
    comboP_ = new QComboBox(frameArea_);
    comboP_->setObjectName(QStringLiteral("ComboP"));
    comboP_->setAccessibleName(QStringLiteral("Power Off Time"));
    picAlmRange_ = new AlarmFrame(
        alarms_, live_, [this] { return panelCelsius_; }, frameArea_);
    for (QWidget* w : {static_cast<QWidget*>(picLogger_), static_cast<QWidget*>(picErase_),
                       static_cast<QWidget*>(comboP_), static_cast<QWidget*>(picAlmRange_)}) {
        w->hide();
        frames->addWidget(w);
    }
    frames->addStretch();
    layout->addWidget(frameArea_);

    auto* status = new QHBoxLayout;
    lblCom_ = MakeLabel(QStringLiteral("LblCOM"), QStringLiteral("No COM"), central);
    lblCom_->setAccessibleName(QStringLiteral("Port"));
    lblCom_->setToolTip(QStringLiteral("Serial port"));
    lblCom_->installEventFilter(this);
    lblRec_ = MakeLabel(QStringLiteral("LblRec"), QStringLiteral("Rec."), central);
    lblRec_->setAccessibleName(QStringLiteral("Recording"));
    lblRec_->hide();
    lblCount_ = MakeLabel(QStringLiteral("LblCount"), QString(), central);
    lblCount_->setAccessibleName(QStringLiteral("Records written"));
    lblCount_->setProperty("role", QStringLiteral("status"));
    lblFileName_ = MakeLabel(QStringLiteral("LblFileName"), QString(), central);
    lblFileName_->setAccessibleName(QStringLiteral("Data file"));
    lblFileName_->setProperty("role", QStringLiteral("status"));
    lblShare_ = MakeLabel(QStringLiteral("LblShare"), QString(), central);
    lblShare_->setAccessibleName(QStringLiteral("Live view shared on"));
    lblShare_->setProperty("role", QStringLiteral("status"));
    lblShare_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status->addWidget(lblCom_);
    status->addSpacing(12);
    status->addWidget(lblRec_);
    status->addWidget(lblCount_);
    status->addSpacing(12);
    status->addWidget(lblFileName_, 1);
    status->addWidget(lblShare_);
    layout->addLayout(status);

    setCentralWidget(central);

    SetCommand(QStringLiteral("CF"), [this] { SwapUnitPanels(); });
    SetCommand(QStringLiteral("Alarm"), [this] { picAlmRange_->ToggleAndFill(); });
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
    const QColor colour = fahrenheit ? kFahrenheit : kCelsius;
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Pic") + Prefix(fahrenheit));
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
    for (int i = 0; i < 4; ++i)
        grid->addWidget(BuildChannel(fahrenheit, i, frame), i / 2, i % 2);
    layout->addLayout(grid, 1);
    return frame;
}

QWidget* Panel::BuildChannel(bool fahrenheit, int i, QWidget* parent) {
    const QString p = Prefix(fahrenheit);
    const QString unit = UnitOf(fahrenheit);
    const QString channel = QStringLiteral("T%1").arg(i + 1);
    const QColor colour = fahrenheit ? kFahrenheit : kCelsius;
    ChannelControls& c = PanelOf(fahrenheit).channels[size_t(i)];

    auto* card = new QFrame(parent);
    card->setObjectName(QStringLiteral("ChannelCard"));
    card->setAccessibleName(QStringLiteral("%1 %2").arg(channel, unit));
    auto* grid = new QGridLayout(card);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);

    const auto name = [&](const QString& base) {
        return QStringLiteral("%1%2%3").arg(p, base).arg(i);
    };
    c.name = MakeLabel(name(QStringLiteral("LblTChanel")), channel, card);
    c.name->setProperty("role", QStringLiteral("name"));
    c.name->setAccessibleName(QStringLiteral("%1 channel").arg(channel));
    c.type = MakeLabel(name(QStringLiteral("LblType")), QStringLiteral("K"), card);
    c.type->setProperty("role", QStringLiteral("type"));
    c.type->setAccessibleName(QStringLiteral("%1 thermocouple type").arg(channel));
    c.type->setToolTip(QStringLiteral("Thermocouple type"));
    c.alarm = MakeLabel(name(QStringLiteral("LblAlarm")), QStringLiteral("Alarm"), card);
    c.alarm->setProperty("role", QStringLiteral("alarm"));
    c.alarm->setAccessibleName(QStringLiteral("%1 alarm %2").arg(channel, unit));
    // The blinking label must not move its neighbours when it hides.
    QSizePolicy keep = c.alarm->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    c.alarm->setSizePolicy(keep);
    c.alarm->hide();
    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    header->addWidget(c.name);
    header->addWidget(c.type);
    header->addStretch();
    header->addWidget(c.alarm);
    grid->addLayout(header, 0, 0, 1, 2);

    c.value = MakeLabel(name(QStringLiteral("LblValue")), QStringLiteral("- - -"), card);
    c.value->setProperty("role", QStringLiteral("value"));
    c.value->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
    c.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    c.value->setMinimumWidth(c.value->fontMetrics().horizontalAdvance(QStringLiteral("-0000.0")));
    c.value->setAccessibleName(QStringLiteral("%1 value %2").arg(channel, unit));
    c.unit = MakeLabel(name(QStringLiteral("LblCF")), unit, card);
    c.unit->setProperty("role", QStringLiteral("unit"));
    c.unit->setAccessibleName(QStringLiteral("%1 unit").arg(channel));
    auto* valueRow = new QHBoxLayout;
    valueRow->setSpacing(4);
    valueRow->addWidget(c.value, 1);
    valueRow->addWidget(c.unit, 0, Qt::AlignTop);
    grid->addLayout(valueRow, 1, 0);

    c.knob = new QDial(card);
    c.knob->setObjectName(name(QStringLiteral("CWK")));
    c.knob->setAccessibleName(QStringLiteral("%1 alarm knob %2").arg(channel, unit));
    c.knob->setNotchesVisible(true);
    c.knob->setWrapping(false);
    c.knob->setFixedSize(72, 72);
    c.knob->setSingleStep(10); // one degree
    c.entry = new QDoubleSpinBox(card);
    c.entry->setObjectName(name(QStringLiteral("CWE")));
    c.entry->setAccessibleName(QStringLiteral("%1 alarm value %2").arg(channel, unit));
    c.entry->setDecimals(1);
    c.entry->setSingleStep(1.0);
    c.entry->setKeyboardTracking(false);
    c.entry->setSuffix(QStringLiteral(" ") + unit);
    c.entry->setMinimumWidth(110);
    auto* caption = new QLabel(QStringLiteral("Alarm at"), card);
    caption->setProperty("role", QStringLiteral("caption"));
    caption->setBuddy(c.entry);
    auto* entryColumn = new QVBoxLayout;
    entryColumn->setSpacing(2);
    entryColumn->addStretch();
    entryColumn->addWidget(caption);
    entryColumn->addWidget(c.entry);
    entryColumn->addStretch();
    auto* alarmRow = new QHBoxLayout;
    alarmRow->addWidget(c.knob);
    alarmRow->addLayout(entryColumn);
    alarmRow->addStretch();
    grid->addLayout(alarmRow, 2, 0);

    c.chart = new QCustomPlot(card);
    c.chart->setObjectName(name(QStringLiteral("CWG")));
    c.chart->setAccessibleName(QStringLiteral("%1 strip chart %2").arg(channel, unit));
    c.chart->setToolTip(QStringLiteral("Click to plot %1").arg(channel));
    c.chart->setMinimumSize(160, 90);
    c.chart->setCursor(Qt::PointingHandCursor);
    StyleChart(c.chart, colour);
    grid->addWidget(c.chart, 1, 1, 2, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);

    connect(c.chart, &QCustomPlot::mouseRelease, this,
            [this, i, fahrenheit](QMouseEvent*) { Q_EMIT StripChartClicked(i, fahrenheit); });
    connect(c.knob, &QDial::valueChanged, this,
            [this, i, fahrenheit](int tenths) { alarms_.SetAlarm(fahrenheit, i, tenths); });
    connect(c.entry, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            [this, i, fahrenheit](double degrees) {
                alarms_.SetAlarm(fahrenheit, i, int(std::lround(degrees * 10.0)));
            });
    return card;
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
        picLogger_->hide();
    if (key != QLatin1String("Erase"))
        picErase_->hide();
    if (key != QLatin1String("Poweroff"))
        comboP_->hide();
    if (key != QLatin1String("Alarm"))
        picAlmRange_->hide();
    const auto command = commands_.constFind(key);
    if (command != commands_.constEnd() && *command)
        (*command)();
}

void Panel::SwapUnitPanels() {
    panelCelsius_ = !panelCelsius_;
    c_.frame->setVisible(c_.frame->isHidden());
    f_.frame->setVisible(f_.frame->isHidden());
    panelUnitText_ = UnitOf(!panelCelsius_);
    for (UnitPanel* panel : {&c_, &f_}) {
        if (!panel->frame->isHidden()) {
            for (ChannelControls& c : panel->channels)
                c.chart->replot();
        }
    }
}

void Panel::RebuildDisplay() {
    f_.frame->setVisible(live_.UnitF);
    c_.frame->setVisible(!live_.UnitF);
    for (int i = 0; i < 4; ++i)
        RebuildChannel(i);
}

void Panel::RebuildChannel(int i) {
    for (bool fahrenheit : {false, true}) {
        ChannelControls& c = PanelOf(fahrenheit).channels[size_t(i)];
        ClearChart(c);
        c.type->setText(live_.Channels[size_t(i)].TypeLetter);
        ShowAlarm(fahrenheit, i);
    }
}

void Panel::ShowAlarm(bool fahrenheit, int i) {
    ChannelControls& c = PanelOf(fahrenheit).channels[size_t(i)];
    const AlarmRange range = alarms_.Range(fahrenheit, i);
    const int alarm = alarms_.Alarm(fahrenheit, i);
    const QSignalBlocker knobQuiet(c.knob);
    const QSignalBlocker entryQuiet(c.entry);
    c.knob->setRange(range.min, range.max);
    c.knob->setPageStep(std::max(10, (range.max - range.min) / 10));
    c.knob->setValue(alarm);
    c.entry->setRange(range.min / 10.0, range.max / 10.0);
    c.entry->setValue(alarm / 10.0);
    c.knob->setToolTip(
        QStringLiteral("Alarm at %1 %2").arg(c.entry->cleanText(), UnitOf(fahrenheit)));
}

void Panel::ClearChart(ChannelControls& c) {
    c.chart->graph(0)->data()->clear();
    c.points = 0;
    c.chart->xAxis->setRange(1, kChartWidth);
    if (c.chart->isVisible())
        c.chart->replot();
}

void Panel::AppendPoint(ChannelControls& c, double value) {
    ++c.points;
    QCPGraphDataContainer& data = *c.chart->graph(0)->data();
    data.add(QCPGraphData(c.points, value));
    // The chart keeps its last 300 points and scrolls once it is full.
    const int first = std::max(1, c.points - kChartWidth + 1);
    data.removeBefore(first);
    c.chart->xAxis->setRange(first, std::max(kChartWidth, c.points));
    double lo = value, hi = value;
    for (const QCPGraphData& point : data) {
        lo = std::min(lo, point.value);
        hi = std::max(hi, point.value);
    }
    const double pad = std::max(1.0, (hi - lo) * 0.1);
    c.chart->yAxis->setRange(lo - pad, hi + pad);
}

void Panel::ShowSample(const SampleRecord& record) {
    for (bool fahrenheit : {false, true}) {
        UnitPanel& panel = PanelOf(fahrenheit);
        const bool shown = !panel.frame->isHidden();
        for (size_t i = 0; i < 4; ++i) {
            ChannelControls& c = panel.channels[i];
            if (record.Fresh[i])
                c.value->setText(fahrenheit ? record.TextF[i] : record.TextC[i]);
            c.alarm->setVisible(fahrenheit ? record.AlarmShownF[i] : record.AlarmShownC[i]);
            const std::optional<int>& charted =
                fahrenheit ? record.ChartedF[i] : record.ChartedC[i];
            if (charted) {
                AppendPoint(c, *charted / 10.0);
                // Only what is on screen is drawn; a hidden panel draws when it is shown.
                if (shown)
                    c.chart->replot(QCustomPlot::rpQueuedReplot);
            }
        }
    }
    const QString time = record.TimeText.section(QLatin1Char(' '), 1);
    for (size_t i = 0; i < 4; ++i) {
        // A sample taken while "No COM" shows stays marked as old.
        const bool current = linked_ && record.Fresh[i];
        if (current)
            lastReadTime_[i] = time;
        ShowStale(i, !current);
    }
}

void Panel::ShowRecordingStarted() {
    const QString path = recorder_.DataFileName();
    lblFileName_->setText(QFileInfo(path).fileName());
    lblFileName_->setToolTip(QDir::toNativeSeparators(path));
    lblRec_->setText(QStringLiteral("Rec."));
    ShowRecordingState();
}

void Panel::ShowRecordingState() {
    QAction* button = ToolbarButton(QStringLiteral("Save"));
    const bool recording = recorder_.Recording();
    button->setIcon(ToolbarImage(recording ? 16 : 1));
    button->setToolTip(recording ? QStringLiteral("Stop Recording") : QStringLiteral("Save As"));
    lblRec_->setVisible(recording);
    if (!recording) {
        lblCount_->clear();
        lblFileName_->clear();
        lblFileName_->setToolTip(QString());
    }
    ShowWritingState();
}

void Panel::ShowRecorded() {
    if (recorder_.Recording()) {
        lblCount_->setText(QString::number(recorder_.RecordCount()));
        lblRec_->setText(recorder_.Writing() ? QStringLiteral("Rec")
                                             : QStringLiteral("Not writing"));
        ShowWritingState();
    } else {
        lblFileName_->clear();
        lblCount_->clear();
        lblRec_->clear();
    }
}

void Panel::ShowWritingState() {
    // While lines do not reach the file the labels say so, plainly and in red.
    const bool failing = recorder_.Recording() && !recorder_.Writing();
    lblRec_->setStyleSheet(failing ? QStringLiteral("color: #15181c; background: #ff6b6b;")
                                   : QString());
    lblFileName_->setStyleSheet(failing ? QStringLiteral("color: #ff6b6b;") : QString());
    if (!recorder_.Recording())
        return;
    if (failing) {
        lblRec_->setText(QStringLiteral("Not writing"));
        lblFileName_->setText(recorder_.StatusText());
    } else {
        // The file the lines go to now, and why it is not the one chosen when the set-up changed.
        const QString file = recorder_.CurrentFileName();
        const QString because = recorder_.ContinuedBecause();
        lblFileName_->setText(
            QFileInfo(file).fileName() +
            (because.isEmpty() ? QString() : QStringLiteral(": new file since ") + because));
        lblFileName_->setToolTip(QDir::toNativeSeparators(file));
    }
}

void Panel::SetLinkCaption(const QString& caption) {
    linked_ = caption != QLatin1String("No COM");
    lblCom_->setText(caption);
    lblCom_->setAccessibleDescription(caption);
    lblCom_->setStyleSheet(linked_ ? QString() : QStringLiteral("background: #d8a02a;"));
    if (!linked_) {
        for (size_t i = 0; i < 4; ++i)
            ShowStale(i, true);
    }
}

void Panel::ShowStaleReadings(const std::array<bool, 4>& fresh) {
    for (size_t i = 0; i < 4; ++i) {
        if (!fresh[i])
            ShowStale(i, true);
    }
}

void Panel::ShowStale(size_t channel, bool stale) {
    const bool changed = stale != stale_[channel];
    stale_[channel] = stale;
    const QString tip = lastReadTime_[channel].isEmpty()
                            ? QStringLiteral("No reading yet")
                            : QStringLiteral("Last read %1").arg(lastReadTime_[channel]);
    for (bool fahrenheit : {false, true}) {
        QLabel* value = PanelOf(fahrenheit).channels[channel].value;
        if (changed) {
            const QColor colour = stale ? kStale : fahrenheit ? kFahrenheit : kCelsius;
            value->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
        }
        value->setToolTip(stale ? tip : QString());
        // A screen reader says it is old too.
        value->setAccessibleDescription(stale ? QStringLiteral("%1, %2").arg(value->text(), tip)
                                              : value->text());
    }
}

void Panel::ToggleCaption() {
    if (windowTitle().contains(kBuildCode))
        setWindowTitle(kCaption);
    else
        setWindowTitle(kCaption + QStringLiteral("   ") + kBuildCode);
}

bool Panel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblCom_ && event->type() == QEvent::MouseButtonRelease) {
        ToggleCaption();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Panel::closeEvent(QCloseEvent* event) {
    event->accept();
    Q_EMIT Closing();
}
