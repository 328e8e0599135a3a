#include "graphs/plot_stats_panel.h"

#include "graphs/series_stats.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

namespace {

// The captions of the figures, on screen and on paper.
const char kStretch[] = "Stretch:";
const char kMinimum[] = "Minimum:";
const char kMaximum[] = "Maximum:";
const char kMean[] = "Mean:";
const char kLevel[] = "Level:";
const char kAbove[] = "Time above:";
const char kSpan[] = "Rate span:";
const char kRate[] = "Rate at cursor:";

QLabel* Caption(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLabel* Readout(const QString& name, const QString& accessible, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAccessibleName(accessible);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(120);
    return label;
}

} // namespace

PlotStatsPanel::PlotStatsPanel(QWidget* parent)
    : QGroupBox(QStringLiteral("Statistics"), parent) {
    setObjectName(QStringLiteral("SSFrameStats"));
    setAccessibleName(QStringLiteral("Statistics over the samples in view or selected"));

    stretch_ = Readout(QStringLiteral("LblStretch"), QStringLiteral("Samples counted"), this);
    wholeView_ = new QPushButton(QStringLiteral("Whole View"), this);
    wholeView_->setObjectName(QStringLiteral("CmdWholeView"));
    wholeView_->setAccessibleName(QStringLiteral("Count every sample in view again"));
    wholeView_->setEnabled(false);
    minimum_ = Readout(QStringLiteral("LblMinimum"), QStringLiteral("Lowest reading"), this);
    maximum_ = Readout(QStringLiteral("LblMaximum"), QStringLiteral("Highest reading"), this);
    mean_ = Readout(QStringLiteral("LblMean"), QStringLiteral("Mean reading"), this);
    above_ = Readout(QStringLiteral("LblAbove"), QStringLiteral("Time above the level"), this);
    rate_ = Readout(QStringLiteral("LblRate"), QStringLiteral("Rate of rise at the cursor"), this);

    // Degrees as the readings are written: one decimal at most.
    level_ = new QLineEdit(this);
    level_->setObjectName(QStringLiteral("TxtLevel"));
    level_->setAccessibleName(QStringLiteral("Level for the time above"));
    level_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("-?[0-9]{0,5}(\\.[0-9])?")), level_));
    level_->setMaximumWidth(80);
    levelUnit_ = new QLabel(this);
    levelUnit_->setObjectName(QStringLiteral("LblLevelUnit"));
    span_ = new QSpinBox(this);
    span_->setObjectName(QStringLiteral("TxtSpan"));
    span_->setAccessibleName(QStringLiteral("Span of the rate of rise in seconds"));
    span_->setRange(1, 86400);
    span_->setValue(30);
    span_->setSuffix(QStringLiteral(" s"));
    rateCurve_ = new QCheckBox(QStringLiteral("Rate of Rise Curve"), this);
    rateCurve_->setObjectName(QStringLiteral("ChkRateCurve"));
    rateCurve_->setAccessibleName(QStringLiteral("Draw the rate of rise on a second axis"));

    auto* levelBox = new QHBoxLayout;
    levelBox->addWidget(level_);
    levelBox->addWidget(levelUnit_);
    levelBox->addStretch(1);

    // The two readings with their times take a whole row each; the rest go in pairs.
    auto* grid = new QGridLayout(this);
    grid->addWidget(Caption(kStretch, this), 0, 0);
    grid->addWidget(stretch_, 0, 1, 1, 2);
    grid->addWidget(wholeView_, 0, 3, Qt::AlignLeft);
    grid->addWidget(Caption(kMinimum, this), 1, 0);
    grid->addWidget(minimum_, 1, 1, 1, 3);
    grid->addWidget(Caption(kMaximum, this), 2, 0);
    grid->addWidget(maximum_, 2, 1, 1, 3);
    grid->addWidget(Caption(kMean, this), 3, 0);
    grid->addWidget(mean_, 3, 1);
    grid->addWidget(Caption(kLevel, this), 3, 2);
    grid->addLayout(levelBox, 3, 3);
    grid->addWidget(Caption(kAbove, this), 4, 0);
    grid->addWidget(above_, 4, 1);
    grid->addWidget(Caption(kSpan, this), 4, 2);
    grid->addWidget(span_, 4, 3, Qt::AlignLeft);
    grid->addWidget(Caption(kRate, this), 5, 0);
    grid->addWidget(rate_, 5, 1);
    grid->addWidget(rateCurve_, 5, 2, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    connect(level_, &QLineEdit::textChanged, this, [this] { ShowFigures(); });
    connect(span_, qOverload<int>(&QSpinBox::valueChanged), this, [this] {
        ShowRate();
        EmitRateCurve();
    });
    connect(rateCurve_, &QCheckBox::toggled, this, [this] { EmitRateCurve(); });
    connect(wholeView_, &QPushButton::clicked, this, &PlotStatsPanel::WholeViewRequested);
}

void PlotStatsPanel::SetSeries(const ReadingSeries& series, const QString& unitText) {
    series_ = series;
    unitText_ = unitText;
    levelUnit_->setText(unitText);
    first_ = 0;
    last_ = -1;
    selected_ = false;
    cursor_.reset();
    ShowFigures();
    ShowRate();
    EmitRateCurve();
}

void PlotStatsPanel::ShowStretch(qsizetype first, qsizetype last, bool selected) {
    first_ = first;
    last_ = last;
    selected_ = selected;
    ShowFigures();
}

void PlotStatsPanel::ShowCursor(std::optional<qsizetype> sample) {
    cursor_ = sample;
    ShowRate();
}

bool PlotStatsPanel::RateCurveShown() const {
    return rateCurve_->isChecked();
}

QStringList PlotStatsPanel::FigureLines() const {
    QStringList lines;
    const auto add = [&lines](const char* caption, const QString& text) {
        if (!text.isEmpty())
            lines << QString::fromLatin1(caption) + QLatin1Char(' ') + text;
    };
    add(kStretch, stretch_->text());
    add(kMinimum, minimum_->text());
    add(kMaximum, maximum_->text());
    add(kMean, mean_->text());
    if (!above_->text().isEmpty()) {
        add(kLevel, level_->text() + QLatin1Char(' ') + levelUnit_->text());
        add(kAbove, above_->text());
    }
    if (!rate_->text().isEmpty()) {
        add(kSpan, span_->text());
        add(kRate, rate_->text());
    }
    return lines;
}

void PlotStatsPanel::ShowFigures() {
    wholeView_->setEnabled(selected_);
    const std::optional<int> level = ReadingTenths(level_->text().toLatin1());
    const SeriesStats stats = StatsOver(series_, first_, last_, level);
    const StatsTexts texts = DescribeStats(stats, series_, unitText_, selected_);
    stretch_->setText(texts.stretch);
    minimum_->setText(texts.minimum);
    maximum_->setText(texts.maximum);
    mean_->setText(texts.mean);
    above_->setText(texts.above);
}

void PlotStatsPanel::ShowRate() {
    if (!cursor_) {
        rate_->clear();
        return;
    }
    const QString rate = RateText(RateOfRise(series_, *cursor_, span_->value()), unitText_);
    rate_->setText(rate.isEmpty() ? QStringLiteral("none over the span here") : rate);
}

void PlotStatsPanel::EmitRateCurve() {
    Q_EMIT RateCurveChanged(RateCurveShown() ? RateOfRiseCurve(series_, span_->value())
                                             : QVector<double>());
}
