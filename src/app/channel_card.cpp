#include "app/channel_card.h"

#include <QPainter>
#include <QPixmap>

#include "config/alarm_settings.h"
#include "recording/sampler.h"

#include <QDial>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>
#include <utility>

namespace {

constexpr int kChartWidth = 300; // points on a strip chart's x axis

const QColor kCelsius(255, 196, 64);
const QColor kFahrenheit(96, 208, 255);
const QColor kGrid(52, 58, 66);
const QColor kAxisText(170, 176, 184);
// Readings no longer current (the link lost, or no packet for a while): grey, yet still 4.5:1
// on a channel card.
const QColor kStale(140, 147, 156);
// Marks on the strip charts: light enough to read on the chart's near-black.
const QColor kMark(235, 238, 242);

QLabel* MakeLabel(const QString& name, const QString& text, const QString& role, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setProperty("role", role);
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
    // Each point's disc drawn once: painting 300 ellipses a chart every second was most of the
    // program's processor time.
    QPixmap disc(6, 6);
    disc.fill(Qt::transparent);
    {
        QPainter painter(&disc);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(line);
        painter.drawEllipse(QRectF(1.25, 1.25, 3.5, 3.5));
    }
    graph->setScatterStyle(QCPScatterStyle(disc));
    chart->xAxis->setRange(1, kChartWidth);
    chart->yAxis->setRange(0, 100);
}

} // namespace

QColor ChannelCard::UnitColour(bool fahrenheit) {
    return fahrenheit ? kFahrenheit : kCelsius;
}

QString ChannelCard::UnitText(bool fahrenheit) {
    return fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
}

ChannelCard::ChannelCard(bool fahrenheit, int channel, AlarmSettings& alarms, QWidget* parent)
    : QFrame(parent)
    , fahrenheit_(fahrenheit)
    , channel_(channel)
    , alarms_(alarms) {
    const QString unit = UnitText(fahrenheit);
    const QString title = QStringLiteral("T%1").arg(channel + 1);
    const QColor colour = UnitColour(fahrenheit);

    setObjectName(QStringLiteral("ChannelCard"));
    setAccessibleName(QStringLiteral("%1 %2").arg(title, unit));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);

    // The controls' system names: unit prefix, base name, channel index ("CLblValue0").
    const auto name = [&](const QString& base) {
        return QStringLiteral("%1%2%3")
            .arg(fahrenheit ? QStringLiteral("F") : QStringLiteral("C"), base)
            .arg(channel);
    };
    name_ = MakeLabel(name(QStringLiteral("LblTChanel")), title, QStringLiteral("name"), this);
    name_->setAccessibleName(QStringLiteral("%1 channel").arg(title));
    type_ = MakeLabel(name(QStringLiteral("LblType")), QStringLiteral("K"), QStringLiteral("type"),
                      this);
    type_->setAccessibleName(QStringLiteral("%1 thermocouple type").arg(title));
    type_->setToolTip(QStringLiteral("Thermocouple type"));
    alarm_ = MakeLabel(name(QStringLiteral("LblAlarm")), QStringLiteral("Alarm"),
                       QStringLiteral("alarm"), this);
    alarm_->setAccessibleName(QStringLiteral("%1 alarm %2").arg(title, unit));
    // The blinking label must not move its neighbours when it hides.
    QSizePolicy keep = alarm_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    alarm_->setSizePolicy(keep);
    alarm_->hide();
    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    header->addWidget(name_);
    header->addWidget(type_);
    header->addStretch();
    header->addWidget(alarm_);
    grid->addLayout(header, 0, 0, 1, 2);

    value_ = MakeLabel(name(QStringLiteral("LblValue")), QStringLiteral("- - -"),
                       QStringLiteral("value"), this);
    value_->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
    value_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value_->setMinimumWidth(value_->fontMetrics().horizontalAdvance(QStringLiteral("-0000.0")));
    value_->setAccessibleName(QStringLiteral("%1 value %2").arg(title, unit));
    unit_ = MakeLabel(name(QStringLiteral("LblCF")), unit, QStringLiteral("unit"), this);
    unit_->setAccessibleName(QStringLiteral("%1 unit").arg(title));
    auto* valueRow = new QHBoxLayout;
    valueRow->setSpacing(4);
    valueRow->addWidget(value_, 1);
    valueRow->addWidget(unit_, 0, Qt::AlignTop);
    corrected_ = MakeLabel(name(QStringLiteral("LblCorrected")), QString(),
                           QStringLiteral("corrected"), this);
    corrected_->setAccessibleName(QStringLiteral("%1 correction").arg(title));
    corrected_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    // A reading that becomes corrected must not move the card's other controls.
    QSizePolicy keepCaption = corrected_->sizePolicy();
    keepCaption.setRetainSizeWhenHidden(true);
    corrected_->setSizePolicy(keepCaption);
    corrected_->hide();
    auto* valueColumn = new QVBoxLayout;
    valueColumn->setSpacing(0);
    valueColumn->addLayout(valueRow);
    valueColumn->addWidget(corrected_);
    grid->addLayout(valueColumn, 1, 0);

    knob_ = new QDial(this);
    knob_->setObjectName(name(QStringLiteral("CWK")));
    knob_->setAccessibleName(QStringLiteral("%1 alarm knob %2").arg(title, unit));
    knob_->setNotchesVisible(true);
    knob_->setWrapping(false);
    knob_->setFixedSize(72, 72);
    knob_->setSingleStep(10); // one degree
    entry_ = new QDoubleSpinBox(this);
    entry_->setObjectName(name(QStringLiteral("CWE")));
    entry_->setAccessibleName(QStringLiteral("%1 alarm value %2").arg(title, unit));
    entry_->setDecimals(1);
    entry_->setSingleStep(1.0);
    entry_->setKeyboardTracking(false);
    entry_->setSuffix(QStringLiteral(" ") + unit);
    entry_->setMinimumWidth(110);
    auto* caption = new QLabel(QStringLiteral("Alarm at"), this);
    caption->setProperty("role", QStringLiteral("caption"));
    caption->setBuddy(entry_);
    auto* entryColumn = new QVBoxLayout;
    entryColumn->setSpacing(2);
    entryColumn->addStretch();
    entryColumn->addWidget(caption);
    entryColumn->addWidget(entry_);
    entryColumn->addStretch();
    auto* alarmRow = new QHBoxLayout;
    alarmRow->addWidget(knob_);
    alarmRow->addLayout(entryColumn);
    alarmRow->addStretch();
    grid->addLayout(alarmRow, 2, 0);

    chart_ = new QCustomPlot(this);
    chart_->setObjectName(name(QStringLiteral("CWG")));
    chart_->setAccessibleName(QStringLiteral("%1 strip chart %2").arg(title, unit));
    chart_->setToolTip(QStringLiteral("Click to plot %1").arg(title));
    chart_->setMinimumSize(160, 90);
    chart_->setCursor(Qt::PointingHandCursor);
    StyleChart(chart_, colour);
    grid->addWidget(chart_, 1, 1, 2, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);

    connect(chart_, &QCustomPlot::mouseRelease, this,
            [this](QMouseEvent*) { Q_EMIT ChartClicked(); });
    connect(knob_, &QDial::valueChanged, this,
            [this](int tenths) { alarms_.SetAlarm(fahrenheit_, channel_, tenths); });
    connect(entry_, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this](double degrees) {
        alarms_.SetAlarm(fahrenheit_, channel_, int(std::lround(degrees * 10.0)));
    });
}

void ChannelCard::Rebuild(const QString& typeLetter) {
    ClearChart();
    type_->setText(typeLetter);
    ShowAlarm();
}

void ChannelCard::ShowAlarm() {
    const AlarmRange range = alarms_.Range(fahrenheit_, channel_);
    const int alarm = alarms_.Alarm(fahrenheit_, channel_);
    const QSignalBlocker knobQuiet(knob_);
    const QSignalBlocker entryQuiet(entry_);
    knob_->setRange(range.min, range.max);
    knob_->setPageStep(std::max(10, (range.max - range.min) / 10));
    knob_->setValue(alarm);
    entry_->setRange(range.min / 10.0, range.max / 10.0);
    entry_->setValue(alarm / 10.0);
    knob_->setToolTip(
        QStringLiteral("Alarm at %1 %2").arg(entry_->cleanText(), UnitText(fahrenheit_)));
}

void ChannelCard::ShowSample(const SampleRecord& record, bool drawn, bool linked) {
    const auto i = size_t(channel_);
    if (record.Fresh[i]) {
        value_->setText(fahrenheit_ ? record.TextF[i] : record.TextC[i]);
        const ReadingCorrection correction = record.Corrected[i];
        corrected_->setVisible(correction != ReadingCorrection::None);
        corrected_->setText(CorrectedCaption(correction == ReadingCorrection::Beyond));
        readTip_ = correction == ReadingCorrection::None
                       ? QString()
                       : QStringLiteral("read %1 %2; %3")
                             .arg(record.ReadText(i, fahrenheit_), UnitText(fahrenheit_), inForce_);
    }
    alarm_->setVisible(fahrenheit_ ? record.AlarmShownF[i] : record.AlarmShownC[i]);
    const std::optional<int>& charted = fahrenheit_ ? record.ChartedF[i] : record.ChartedC[i];
    if (charted) {
        AppendPoint(*charted / 10.0);
        // Only what is on screen is drawn; a hidden panel draws when it is shown.
        if (drawn)
            chart_->replot(QCustomPlot::rpQueuedReplot);
    }
    // A sample taken while "No COM" shows stays marked as old.
    const bool current = linked && record.Fresh[i];
    if (current)
        lastReadTime_ = record.TimeText.section(QLatin1Char(' '), 1);
    ShowStale(!current);
}

void ChannelCard::ShowStale(bool stale) {
    if (stale != stale_) {
        const QColor colour = stale ? kStale : UnitColour(fahrenheit_);
        value_->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
    }
    stale_ = stale;
    const QString tip = lastReadTime_.isEmpty() ? QStringLiteral("No reading yet")
                                                : QStringLiteral("Last read %1").arg(lastReadTime_);
    value_->setToolTip(stale ? (readTip_.isEmpty() ? tip : tip + QStringLiteral("; ") + readTip_)
                             : readTip_);
    // A screen reader says it is old too.
    value_->setAccessibleDescription(stale ? QStringLiteral("%1, %2").arg(value_->text(), tip)
                                           : value_->text());
    corrected_->setAccessibleDescription(readTip_);
}

QString ChannelCard::CorrectedCaption(bool beyond) {
    return beyond ? QStringLiteral("corrected, beyond calibrated points")
                  : QStringLiteral("corrected");
}

void ChannelCard::SetCorrection(const QString& inForce) {
    inForce_ = inForce;
}

void ChannelCard::AddMark(const QString& label) {
    // A chart with nothing charted yet (no probe) has no point for it to follow.
    if (points_ == 0)
        return;
    ChartMark mark;
    mark.x = points_ + 0.5;
    mark.line = new QCPItemStraightLine(chart_);
    mark.line->setPen(QPen(kMark, 1, Qt::DashLine));
    mark.line->point1->setCoords(mark.x, 0);
    mark.line->point2->setCoords(mark.x, 1);
    mark.text = new QCPItemText(chart_);
    mark.text->position->setTypeX(QCPItemPosition::ptPlotCoords);
    mark.text->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    // Marks close together put their labels on three lines in turn.
    mark.text->position->setCoords(mark.x, 0.08 * double(marks_.size() % 3));
    mark.text->setPadding(QMargins(3, 0, 3, 0));
    mark.text->setColor(kMark);
    QFont font = mark.text->font();
    font.setPixelSize(10);
    mark.text->setFont(font);
    mark.text->setText(label);
    marks_.append(mark);
    PlaceMarkLabels();
    if (chart_->isVisible())
        chart_->replot(QCustomPlot::rpQueuedReplot);
}

QStringList ChannelCard::MarkLabels() const {
    QStringList labels;
    for (const ChartMark& m : marks_)
        labels << m.text->text();
    return labels;
}

void ChannelCard::PlaceMarkLabels() {
    // A label stands on the side of its line where the chart has room.
    const QCPRange x = chart_->xAxis->range();
    for (const ChartMark& m : std::as_const(marks_)) {
        m.text->setPositionAlignment(m.x > x.center() ? Qt::AlignRight | Qt::AlignTop
                                                      : Qt::AlignLeft | Qt::AlignTop);
    }
}

void ChannelCard::RemoveMarksBefore(double x) {
    while (!marks_.isEmpty() && marks_.first().x < x) {
        chart_->removeItem(marks_.first().line);
        chart_->removeItem(marks_.first().text);
        marks_.removeFirst();
    }
}

void ChannelCard::Replot() {
    chart_->replot();
}

void ChannelCard::ClearChart() {
    chart_->graph(0)->data()->clear();
    RemoveMarksBefore(std::numeric_limits<double>::infinity());
    points_ = 0;
    chart_->xAxis->setRange(1, kChartWidth);
    if (chart_->isVisible())
        chart_->replot();
}

void ChannelCard::AppendPoint(double value) {
    ++points_;
    QCPGraphDataContainer& data = *chart_->graph(0)->data();
    data.add(QCPGraphData(points_, value));
    // The chart keeps its last 300 points and scrolls once it is full.
    const int first = std::max(1, points_ - kChartWidth + 1);
    data.removeBefore(first);
    RemoveMarksBefore(first);
    chart_->xAxis->setRange(first, std::max(kChartWidth, points_));
    PlaceMarkLabels();
    double lo = value, hi = value;
    for (const QCPGraphData& point : data) {
        lo = std::min(lo, point.value);
        hi = std::max(hi, point.value);
    }
    const double pad = std::max(1.0, (hi - lo) * 0.1);
    chart_->yAxis->setRange(lo - pad, hi + pad);
}
