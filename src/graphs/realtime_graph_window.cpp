#include "graphs/realtime_graph_window.h"

#include "compare/band_watch.h"
#include "compare/compare_options.h"
#include "compare/run_loading.h"
#include "link/clock.h"
#include "recording/data_file.h"
#include "session/meter_session.h"
#include "ui/dialogs.h"
#include "ui/print_lines.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QColor kGridColor(192, 192, 192); // colour 7 of the 16-colour palette: light grey
const QColor kBandFill(200, 240, 200);  // the reference's band, under the traces
const QColor kReferenceColour(0, 0, 0);
const QColor kChannelColours[4] = {QColor(0, 0, 255), QColor(200, 0, 0), QColor(0, 140, 0),
                                   QColor(220, 120, 0)};
constexpr int kTickInterval = 1000;

QFont SurfaceFont() {
    QFont font;
    font.setPixelSize(11);
    return font;
}

// The Limit and Reference panels open at the same place: inside the plot's top left corner.
void ShowOverPlot(QWidget* panel, const SweepLayout& layout) {
    panel->adjustSize();
    panel->move(SweepLayout::LeftMargin + 10,
                std::max(layout.PlotBottom - layout.PlotHeight + 10, 0));
    panel->show();
    panel->raise();
}

} // namespace

// The drawing surface: shows the image the graph draws on, and redraws it whole on a size
// change.
class SweepSurface : public QWidget {
public:
    explicit SweepSurface(RealtimeGraphWindow& graph, QWidget* parent)
        : QWidget(parent)
        , graph_(graph) {
        setObjectName(QStringLiteral("Surface"));
        setAccessibleName(QStringLiteral("Real time graph"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(300, 220);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.drawImage(
            event->rect(), graph_.image_,
            QRectF(QPointF(event->rect().topLeft()) * graph_.image_.devicePixelRatio(),
                   QSizeF(event->rect().size()) * graph_.image_.devicePixelRatio()));
    }
    void resizeEvent(QResizeEvent*) override { graph_.Redraw(); }

private:
    RealtimeGraphWindow& graph_;
};

QColor RealtimeGraphWindow::ChannelColour(int channel) {
    return kChannelColours[std::clamp(channel, 0, 3)];
}

RealtimeGraphWindow::RealtimeGraphWindow(Dialogs& dialogs, MeterSession& session, bool fahrenheit,
                                         QWidget* parent)
    : QWidget(parent, Qt::Window)
    , dialogs_(dialogs)
    , fahrenheit_(fahrenheit)
    , valueMax_(SweepStartMax(fahrenheit))
    , valueMin_(SweepStartMin(fahrenheit))
    , session_(session) {
    setObjectName(QStringLiteral("RealTimeSLM"));
    setWindowTitle(QStringLiteral("Real Time Graph"));
    setAccessibleName(QStringLiteral("Real time graph"));

    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    toolbar_->setAccessibleName(QStringLiteral("Real time graph toolbar"));
    QAction* limit = toolbar_->addAction(QStringLiteral("Limit"), this, [this] { ShowLimit(); });
    limit->setObjectName(QStringLiteral("Toolbar1_Limit"));
    limit->setToolTip(QStringLiteral("Limit"));
    QAction* print = toolbar_->addAction(QStringLiteral("Print"), this, [this] { Print(); });
    print->setObjectName(QStringLiteral("Toolbar1_Print"));
    print->setToolTip(QStringLiteral("Print"));
    QAction* reference =
        toolbar_->addAction(QStringLiteral("Reference"), this, [this] { ShowReferencePanel(); });
    reference->setObjectName(QStringLiteral("Toolbar1_Reference"));
    reference->setToolTip(QStringLiteral("Hold a channel against a reference run"));

    surface_ = new SweepSurface(*this, this);

    limitPanel_ = new QFrame(surface_);
    limitPanel_->setObjectName(QStringLiteral("PMessage"));
    limitPanel_->setAccessibleName(QStringLiteral("Range and counts"));
    static_cast<QFrame*>(limitPanel_)->setFrameShape(QFrame::Panel);
    static_cast<QFrame*>(limitPanel_)->setFrameShadow(QFrame::Raised);
    limitPanel_->setAutoFillBackground(true);
    auto* panel = new QGridLayout(limitPanel_);
    const auto addEntry = [&](int row, const QString& caption, const QString& panelName,
                              const QString& name, const QString& accessible) {
        auto* label = new QLabel(caption, limitPanel_);
        label->setObjectName(panelName);
        auto* edit = new QLineEdit(limitPanel_);
        edit->setObjectName(name);
        edit->setAccessibleName(accessible);
        edit->setMaximumWidth(90);
        label->setBuddy(edit);
        panel->addWidget(label, row, 0);
        panel->addWidget(edit, row, 1);
        return edit;
    };
    sweepMaximumEntry_ = addEntry(0, QStringLiteral("Max"), QStringLiteral("SSPanel3"),
                                  QStringLiteral("TxtMax"), QStringLiteral("Value at the top"));
    sweepMinimumEntry_ = addEntry(1, QStringLiteral("Min"), QStringLiteral("SSPanel1"),
                                  QStringLiteral("TxtMin"), QStringLiteral("Value at the bottom"));
    sweepStepsEntry_ =
        addEntry(2, QStringLiteral("Counts"), QStringLiteral("SSPanel2"),
                 QStringLiteral("TxtCounts"), QStringLiteral("Steps across the width"));
    limitOkButton_ = new QPushButton(QStringLiteral("OK"), limitPanel_);
    limitOkButton_->setObjectName(QStringLiteral("CmdOK"));
    panel->addWidget(limitOkButton_, 3, 0, 1, 2);
    // The value entries take digits, "-" and "."; the counts digits only.
    const QRegularExpression value(QStringLiteral("[-0-9.]*"));
    sweepMaximumEntry_->setValidator(new QRegularExpressionValidator(value, sweepMaximumEntry_));
    sweepMinimumEntry_->setValidator(new QRegularExpressionValidator(value, sweepMinimumEntry_));
    sweepStepsEntry_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]*")), sweepStepsEntry_));
    connect(sweepMaximumEntry_, &QLineEdit::returnPressed, sweepMinimumEntry_,
            [this] { sweepMinimumEntry_->setFocus(); });
    connect(sweepMinimumEntry_, &QLineEdit::returnPressed, sweepStepsEntry_,
            [this] { sweepStepsEntry_->setFocus(); });
    connect(sweepStepsEntry_, &QLineEdit::returnPressed, this, [this] { ConfirmLimit(); });
    connect(limitOkButton_, &QPushButton::clicked, this, [this] { ConfirmLimit(); });
    // A recording that starts lines the live readings up with the reference anew.
    connect(&session.GetRecorder(), &Recorder::Started, this, [this] { lastBand_.reset(); });
    connect(&session, &MeterSession::MarkPlaced, this, &RealtimeGraphWindow::DrawMark);
    connect(&session, &MeterSession::CalibrationChanged, this, [this] {
        legendShown_ = -1;
        DrawLegend();
    });
    limitPanel_->adjustSize();
    limitPanel_->hide();

    // The reference: a run from a data file, the channel, the band and the alignment, written
    // as corvilab-cli takes them ("2" or "+2/-1.5"; "start" or "T1>=100").
    auto* referencePanel = new QFrame(surface_);
    referencePanel->setFrameShape(QFrame::Panel);
    referencePanel->setFrameShadow(QFrame::Raised);
    referencePanel_ = referencePanel;
    referencePanel_->setObjectName(QStringLiteral("PReference"));
    referencePanel_->setAccessibleName(QStringLiteral("Reference run"));
    referencePanel_->setAutoFillBackground(true);
    auto* referenceGrid = new QGridLayout(referencePanel_);
    const auto addRow = [&](int row, const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, referencePanel_);
        label->setBuddy(field);
        referenceGrid->addWidget(label, row, 0);
        referenceGrid->addWidget(field, row, 1);
    };
    referenceFileEntry_ = new QLineEdit(referencePanel_);
    referenceFileEntry_->setObjectName(QStringLiteral("TxtReferenceFile"));
    referenceFileEntry_->setAccessibleName(QStringLiteral("Data file of the reference run"));
    referenceFileEntry_->setMinimumWidth(220);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), referencePanel_);
    browse->setObjectName(QStringLiteral("CmdReferenceBrowse"));
    browse->setAccessibleName(QStringLiteral("Choose the data file of the reference run"));
    referenceChannelChoice_ = new QComboBox(referencePanel_);
    referenceChannelChoice_->setObjectName(QStringLiteral("CboReferenceChannel"));
    referenceChannelChoice_->setAccessibleName(
        QStringLiteral("Channel held against the reference"));
    referenceChannelChoice_->addItems(
        {QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("T3"), QStringLiteral("T4")});
    bandEntry_ = new QLineEdit(QStringLiteral("2"), referencePanel_);
    bandEntry_->setObjectName(QStringLiteral("TxtBand"));
    bandEntry_->setAccessibleName(QStringLiteral("Band around the reference: D or +D1/-D2"));
    alignmentEntry_ = new QLineEdit(QStringLiteral("start"), referencePanel_);
    alignmentEntry_->setObjectName(QStringLiteral("TxtAlign"));
    alignmentEntry_->setAccessibleName(
        QStringLiteral("Line up at the start, or where a channel reaches a level: T1>=100"));
    addRow(0, QStringLiteral("Run"), referenceFileEntry_);
    referenceGrid->addWidget(browse, 0, 2);
    addRow(1, QStringLiteral("Channel"), referenceChannelChoice_);
    addRow(2, QStringLiteral("Band"), bandEntry_);
    addRow(3, QStringLiteral("Align"), alignmentEntry_);
    auto* referenceOk = new QPushButton(QStringLiteral("OK"), referencePanel_);
    referenceOk->setObjectName(QStringLiteral("CmdReferenceOK"));
    referenceOk->setAccessibleName(QStringLiteral("Hold the channel against the reference"));
    auto* referenceClear = new QPushButton(QStringLiteral("Clear"), referencePanel_);
    referenceClear->setObjectName(QStringLiteral("CmdReferenceClear"));
    referenceClear->setAccessibleName(QStringLiteral("No reference"));
    referenceGrid->addWidget(referenceOk, 4, 1);
    referenceGrid->addWidget(referenceClear, 4, 2);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path =
            dialogs_.OpenFileName(this, QStringLiteral("Reference Run"), DataFileDialogFilter());
        if (!path.isEmpty())
            referenceFileEntry_->setText(path);
    });
    connect(referenceOk, &QPushButton::clicked, this, [this] { ConfirmReference(); });
    connect(referenceClear, &QPushButton::clicked, this, [this] { ClearReference(); });
    referencePanel_->adjustSize();
    referencePanel_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(surface_, 1);

    penTimer_.setInterval(kTickInterval);
    connect(&penTimer_, &QTimer::timeout, this, &RealtimeGraphWindow::Tick);
    surface_->resize(700, 440);
    resize(700, 440 + toolbar_->sizeHint().height());
}

RealtimeGraphWindow::~RealtimeGraphWindow() = default;

QWidget* RealtimeGraphWindow::SurfaceWidget() const {
    return surface_;
}

void RealtimeGraphWindow::ShowSample(const Values& tenths, bool fahrenheit) {
    latest_ = tenths;
    if (fahrenheit != fahrenheit_) {
        fahrenheit_ = fahrenheit;
        valueMax_ = SweepStartMax(fahrenheit);
        valueMin_ = SweepStartMin(fahrenheit);
        Redraw();
    }
}

QPointF RealtimeGraphWindow::PointAt(double x, double value) const {
    return {SweepLayout::LeftMargin + x,
            layout_.PlotBottom - layout_.ValueHeight(value, valueMin_, valueMax_)};
}

void RealtimeGraphWindow::Redraw() {
    const QSize size = surface_->size();
    const qreal ratio = surface_->devicePixelRatioF();
    image_ = QImage(size * ratio, QImage::Format_RGB32);
    image_.setDevicePixelRatio(ratio);
    image_.fill(Qt::white);
    layout_ = SweepLayout::ForSize(size.width(), size.height());
    labels_ = SweepValueLabels(valueMin_, valueMax_);
    penTimer_.stop();
    limitPanel_->hide();

    const int left = SweepLayout::LeftMargin;
    const double bottom = layout_.PlotBottom;
    const double height = layout_.PlotHeight;
    const double right = left + layout_.PlotWidth;
    QPainter painter(&image_);
    painter.setFont(SurfaceFont());

    // The horizontal grid, with a mark at the axis for each line and a longer one where a label
    // stands.
    for (int i = 0; i <= 16; ++i) {
        const double y = bottom - i * height / 16;
        painter.setPen(QPen(kGridColor, 1, Qt::DotLine));
        if (i > 0)
            painter.drawLine(QPointF(left, y), QPointF(right, y));
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(QPointF(left - (i % 2 == 0 ? 10 : 6), y), QPointF(left - 2, y));
    }
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(QPointF(left - 2, bottom + 5), QPointF(left - 2, bottom - height - 5));
    painter.drawLine(QPointF(left - 2, bottom), QPointF(right, bottom));

    const QFontMetrics metrics(painter.font());
    painter.setPen(Qt::black);
    for (int i = 0; i <= 8; ++i) {
        const double y = bottom - i * height / 8;
        const QRectF box(0, y - metrics.height() / 2.0, left - 12, metrics.height());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, labels_[i]);
    }
    const QString unit = fahrenheit_ ? QStringLiteral("°F") : QStringLiteral("°C");
    painter.drawText(QPointF(left - 40, bottom - height - 12), unit);
    painter.end();

    legendShown_ = -1;
    DrawLegend();
    last_ = {};
    lastBand_.reset();
    timeLabelEnd_ = 0;
    timeLabelX_ = -1;
    penX_ = -stepX_;
    surface_->update();
    penTimer_.start();
}

void RealtimeGraphWindow::DrawLegend() {
    int shown = 0;
    int corrected = 0;
    const Calibration& calibration = session_.GetCalibration();
    for (int c = 0; c < 4; ++c) {
        shown |= latest_[size_t(c)] ? 1 << c : 0;
        if (calibration.InForce(c, fahrenheit_).kind != CorrectionKind::None)
            corrected |= 1 << c;
    }
    if ((shown | corrected << 4) == legendShown_ || image_.isNull())
        return;
    legendShown_ = shown | corrected << 4;
    QPainter painter(&image_);
    painter.setFont(SurfaceFont());
    const QFontMetrics metrics(painter.font());
    const double top = layout_.PlotBottom - layout_.PlotHeight - 12 - metrics.ascent();
    const QRectF strip(SweepLayout::LeftMargin + 20, top - 2, layout_.PlotWidth - 20,
                       metrics.height() + 4);
    painter.fillRect(strip, Qt::white);
    double x = strip.left();
    for (int c = 0; c < 4; ++c) {
        if (!(shown & (1 << c)))
            continue;
        const double y = top + metrics.height() / 2.0;
        painter.setPen(QPen(ChannelColour(c), 2));
        painter.drawLine(QPointF(x, y), QPointF(x + 18, y));
        painter.setPen(Qt::black);
        const QString name = corrected & (1 << c) ? QStringLiteral("T%1 corrected").arg(c + 1)
                                                  : QStringLiteral("T%1").arg(c + 1);
        painter.drawText(QPointF(x + 22, top + metrics.ascent()), name);
        x += std::max(60, 22 + metrics.horizontalAdvance(name) + 16);
    }
    if (const BandWatch* band = Reference()) {
        painter.fillRect(QRectF(x, top + 1, 18, metrics.height() - 2), kBandFill);
        painter.setPen(QPen(kReferenceColour, 1, Qt::DashLine));
        painter.drawLine(QPointF(x, top + metrics.height() / 2.0),
                         QPointF(x + 18, top + metrics.height() / 2.0));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x + 22, top + metrics.ascent()),
                         QStringLiteral("T%1 against %2 %3")
                             .arg(band->Channel() + 1)
                             .arg(band->Reference().Name(), BandText(band->GetBand())));
    }
    surface_->update(strip.toAlignedRect());
}

void RealtimeGraphWindow::DrawMark(const Mark& mark) {
    if (image_.isNull() || layout_.PlotWidth <= 0)
        return;
    // Where the pen drew the latest sample, which the mark follows.
    const double x = SweepLayout::LeftMargin + std::max(penX_, 0.0);
    const double bottom = layout_.PlotBottom;
    const double top = bottom - layout_.PlotHeight;
    QPainter painter(&image_);
    painter.setFont(SurfaceFont());
    const QFontMetrics metrics(painter.font());
    const QColor colour = mark.channel ? ChannelColour(*mark.channel) : QColor(60, 60, 60);
    painter.setPen(QPen(colour, 1, Qt::DashLine));
    painter.drawLine(QPointF(x, bottom - 1), QPointF(x, top));
    const QString label = mark.Label();
    const double width = metrics.horizontalAdvance(label) + 4;
    // Beside its line at the top of the plot, turned back at the right edge.
    const double right = SweepLayout::LeftMargin + layout_.PlotWidth;
    const QRectF box(x + width + 2 <= right ? x + 2 : x - width - 2, top + 2, width,
                     metrics.height());
    painter.fillRect(box, Qt::white);
    painter.setPen(colour);
    painter.drawText(box, Qt::AlignCenter, label);
    marksDrawn_ << label;
    surface_->update(QRectF(std::min(box.left(), x) - 1, top - 1, width + 4, layout_.PlotHeight + 2)
                         .toAlignedRect());
}

void RealtimeGraphWindow::DrawTimeMark(double x) {
    QPainter painter(&image_);
    painter.setFont(SurfaceFont());
    const double bottom = layout_.PlotBottom;
    painter.setPen(QPen(kGridColor, 1, Qt::DotLine));
    painter.drawLine(QPointF(x, bottom - 1), QPointF(x, bottom - layout_.PlotHeight));
    const QString time = session_.GetClock().Now().toString(QStringLiteral("hh:mm:ss"));
    const QFontMetrics metrics(painter.font());
    const double width = metrics.horizontalAdvance(time) + 4;
    // Centred below the line, inside the surface, and never over the label of an earlier mark
    // (the wrap comes 30 units after the last mark when the width is no multiple of 60). A mark
    // drawn again at the same place renews its label.
    const QRectF box(std::clamp(x - width / 2, 0.0, std::max(surface_->width() - width, 0.0)),
                     bottom + 4, width, metrics.height());
    if (x == timeLabelX_ || box.left() >= timeLabelEnd_) {
        painter.fillRect(box, Qt::white);
        painter.setPen(Qt::black);
        painter.drawText(box, Qt::AlignCenter, time);
        timeLabelEnd_ = box.right();
        timeLabelX_ = x;
    }
    surface_->update(QRectF(x - width - 1, bottom - layout_.PlotHeight - 1, 2 * width + 2,
                            layout_.PlotHeight + 6 + metrics.height())
                         .toAlignedRect());
}

void RealtimeGraphWindow::Tick() {
    if (image_.isNull() || layout_.PlotWidth <= 0)
        return;
    penX_ += stepX_;
    const int left = SweepLayout::LeftMargin;
    if (penX_ >= layout_.PlotWidth) {
        DrawTimeMark(left + layout_.PlotWidth);
        timeLabelEnd_ = 0;
        timeLabelX_ = -1;
        penX_ = 0;
        last_ = {}; // the pen lifts across the wrap
    } else {
        const int whole = int(penX_);
        if (whole % SweepLayout::TimeStep == 0) {
            DrawTimeMark(left + penX_);
        } else if (whole % SweepLayout::HalfTimeStep == 0) {
            QPainter painter(&image_);
            painter.setPen(QPen(kGridColor, 1));
            const double bottom = layout_.PlotBottom;
            const QPointF from(left + penX_, bottom - layout_.PlotHeight * 3.8 / 8);
            const QPointF to(left + penX_, bottom - layout_.PlotHeight * 4.2 / 8);
            painter.drawLine(from, to);
            surface_->update(QRectF(from, to).normalized().adjusted(-1, -1, 1, 1).toAlignedRect());
        }
    }

    DrawLegend();
    DrawBand();
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int c = 0; c < 4; ++c) {
        const std::optional<int>& value = latest_[size_t(c)];
        if (!value) {
            last_[size_t(c)].reset();
            continue;
        }
        const QPointF point = PointAt(penX_, *value / 10.0);
        if (last_[size_t(c)]) {
            painter.setPen(QPen(ChannelColour(c), 1.5));
            painter.drawLine(*last_[size_t(c)], point);
            surface_->update(QRectF(*last_[size_t(c)], point)
                                 .normalized()
                                 .adjusted(-2, -2, 2, 2)
                                 .toAlignedRect());
        }
        last_[size_t(c)] = point;
    }
}

void RealtimeGraphWindow::DrawBand() {
    const std::optional<BandWatch::Point> point = Reference() ? Reference()->Last() : std::nullopt;
    if (!point) {
        lastBand_.reset();
        return;
    }
    const std::array<QPointF, 3> now{PointAt(penX_, point->lower), PointAt(penX_, point->reference),
                                     PointAt(penX_, point->upper)};
    if (lastBand_) {
        const std::array<QPointF, 3>& was = *lastBand_;
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kBandFill);
        painter.drawPolygon(QPolygonF({was[0], now[0], now[2], was[2]}));
        painter.setPen(QPen(kReferenceColour, 1, Qt::DashLine));
        painter.drawLine(was[1], now[1]);
        surface_->update(QPolygonF({was[0], now[0], now[2], was[2]})
                             .boundingRect()
                             .adjusted(-2, -2, 2, 2)
                             .toAlignedRect());
    }
    lastBand_ = now;
}

void RealtimeGraphWindow::ShowReferencePanel() {
    if (const BandWatch* band = Reference()) {
        referenceFileEntry_->setText(band->Reference().Name());
        referenceChannelChoice_->setCurrentIndex(band->Channel());
    }
    ShowOverPlot(referencePanel_, layout_);
    referenceFileEntry_->setFocus();
}

bool RealtimeGraphWindow::ConfirmReference() {
    QString error;
    const std::optional<Band> band = ParseBand(bandEntry_->text(), &error);
    std::optional<Alignment> alignment;
    if (band)
        alignment = ParseAlignment(alignmentEntry_->text(), &error);
    std::optional<Run> run;
    if (alignment) {
        RunLoad load = LoadRunFile(referenceFileEntry_->text().trimmed());
        run = std::move(load.run);
        error = load.error;
    }
    const int channel = referenceChannelChoice_->currentIndex();
    if (run && !run->HasReadings(channel))
        error = QStringLiteral("%1 has no readings on T%2").arg(run->Name()).arg(channel + 1);
    else if (run)
        AlignmentTime(*run, *alignment, fahrenheit_, &error);
    if (!error.isEmpty()) {
        dialogs_.Critical(this, error);
        return false;
    }
    session_.SetReference(std::make_unique<BandWatch>(std::make_shared<const Run>(std::move(*run)),
                                                      channel, *band, *alignment));
    referencePanel_->hide();
    Redraw();
    return true;
}

const BandWatch* RealtimeGraphWindow::Reference() const {
    return session_.Reference();
}

void RealtimeGraphWindow::ClearReference() {
    session_.ClearReference();
    referencePanel_->hide();
    Redraw();
}

void RealtimeGraphWindow::ShowLimit() {
    penTimer_.stop();
    sweepStepsEntry_->setText(QString::number(layout_.Counts(stepX_)));
    sweepMaximumEntry_->setText(QString::number(valueMax_));
    sweepMinimumEntry_->setText(QString::number(valueMin_));
    ShowOverPlot(limitPanel_, layout_);
    sweepMaximumEntry_->setFocus();
    sweepMaximumEntry_->selectAll();
}

bool RealtimeGraphWindow::ConfirmLimit() {
    const SweepLimitCheck check =
        CheckSweepLimit(sweepMaximumEntry_->text(), sweepMinimumEntry_->text(),
                        sweepStepsEntry_->text(), fahrenheit_);
    if (!check.Accepted) {
        dialogs_.Critical(this, check.Refusal);
        return false;
    }
    valueMax_ = check.Accepted->ValueMax;
    valueMin_ = check.Accepted->ValueMin;
    stepX_ = double(layout_.PlotWidth) / check.Accepted->Counts;
    Redraw();
    return true;
}

bool RealtimeGraphWindow::Print() {
    QPrinter printer(QPrinter::HighResolution);
    QPainter painter;
    if (!BeginLandscapePrint(dialogs_, this, printer, painter, windowTitle(),
                             QStringLiteral("The graph could not be printed.")))
        return false;
    const QRect page = painter.viewport();
    const QSizeF size = QSizeF(image_.size()) / image_.devicePixelRatio();
    const double scale = std::min(page.width() / size.width(), page.height() / size.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(page.topLeft(), size * scale), image_);
    return painter.end();
}

void RealtimeGraphWindow::closeEvent(QCloseEvent* event) {
    penTimer_.stop();
    event->accept();
    Q_EMIT Closed();
}
