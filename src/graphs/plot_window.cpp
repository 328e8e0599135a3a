#include "graphs/plot_window.h"

#include "graphs/plot_stats_panel.h"
#include "ui/dialogs.h"
#include "ui/print_lines.h"

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QList>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// `Combo1`'s entries: what each one lets the mouse do on the graph.
struct TrackModeSpec {
    const char* entry;
    const char* description;
    Qt::Orientations pan;
    Qt::Orientations zoom;
    bool select = false; // a drag chooses the stretch the statistics cover
};
const TrackModeSpec kTrackModes[] = {
    {"Normal", "Normal mode", {}, {}},
    {"Cursor Coordinates",
     "Drag the cursor with your mouse to get X (Count) and Y (Temperature) position.",
     {},
     {}},
    {"PanXY",
     "Click anywhere on the plot area and drag to pan the graph both horizontally and "
     "vertically.",
     Qt::Horizontal | Qt::Vertical,
     {}},
    {"PanX",
     "Click anywhere on the plot area and drag to pan the graph horizontally.",
     Qt::Horizontal,
     {}},
    {"PanY",
     "Click anywhere on the plot area and drag to pan the graph vertically.",
     Qt::Vertical,
     {}},
    {"ZoomXY",
     "Select a region on the graph to zoom both horizontally and vertically.",
     {},
     Qt::Horizontal | Qt::Vertical},
    {"ZoomX", "Select a region on the graph to zoom horizontally.", {}, Qt::Horizontal},
    {"ZoomY", "Select a region on the graph to zoom vertically.", {}, Qt::Vertical},
    {"Select Stretch",
     "Drag across the plot to take the statistics over that stretch; a click takes them over "
     "the whole view again.",
     {},
     {},
     true},
};
constexpr int kTrackModeCount = int(std::size(kTrackModes));

constexpr double kFieldLimit = 1e9;
const QColor kCurve(0, 0, 255);
const QColor kCursor(220, 0, 0);
const QColor kRateCurve(200, 110, 0);
const QColor kSelection(0, 120, 215, 40);
const QColor kMark(0, 128, 0);

QLabel* MakeLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QDoubleSpinBox* MakeRangeField(const QString& name, const QString& accessible, int decimals,
                               QWidget* parent) {
    auto* field = new QDoubleSpinBox(parent);
    field->setObjectName(name);
    field->setAccessibleName(accessible);
    field->setDecimals(decimals);
    field->setRange(-kFieldLimit, kFieldLimit);
    field->setButtonSymbols(QAbstractSpinBox::NoButtons);
    field->setMinimumWidth(90);
    return field;
}

QString OneDecimal(double value) {
    QString text = QString::number(value, 'f', 1);
    return text == QLatin1String("-0.0") ? QStringLiteral("0.0") : text;
}

} // namespace

QStringList PlotWindow::TrackModeEntries() {
    QStringList entries;
    for (const TrackModeSpec& mode : kTrackModes)
        entries << QString::fromLatin1(mode.entry);
    return entries;
}

QString PlotWindow::TrackModeDescription(int index) {
    return index >= 0 && index < kTrackModeCount
               ? QString::fromLatin1(kTrackModes[index].description)
               : QString();
}

PlotWindow::PlotWindow(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , dialogs_(dialogs) {
    setObjectName(QStringLiteral("Plot"));
    setWindowTitle(QStringLiteral("Plot"));
    setAccessibleName(QStringLiteral("Plot of one channel"));

    graph_ = new QCustomPlot(this);
    graph_->setObjectName(QStringLiteral("CWGraph1"));
    graph_->setAccessibleName(QStringLiteral("Temperature against sample number"));
    graph_->setMinimumSize(480, 320);
    graph_->setBackground(Qt::white);
    graph_->plotLayout()->insertRow(0);
    auto* title = new QCPTextElement(graph_, QString(), QFont(font().family(), 12, QFont::Bold));
    title->setObjectName(QStringLiteral("GraphCaption"));
    graph_->plotLayout()->addElement(0, 0, title);
    QCPGraph* curve = graph_->addGraph();
    curve->setPen(QPen(kCurve, 1.5));
    curve->setAdaptiveSampling(true);
    graph_->xAxis->grid()->setSubGridVisible(false);
    graph_->xAxis->setLabel(QString());
    graph_->setNoAntialiasingOnDrag(true);
    cursor_ = new QCPItemTracer(graph_);
    cursor_->setStyle(QCPItemTracer::tsCrosshair);
    cursor_->setPen(QPen(kCursor, 1, Qt::DashLine));
    cursor_->position->setType(QCPItemPosition::ptPlotCoords);
    cursor_->setVisible(false);
    rateCurve_ = graph_->addGraph(graph_->xAxis, graph_->yAxis2);
    rateCurve_->setPen(QPen(kRateCurve, 1.2));
    rateCurve_->setAdaptiveSampling(true);
    rateCurve_->setVisible(false);
    selectionBand_ = new QCPItemRect(graph_);
    selectionBand_->topLeft->setTypeX(QCPItemPosition::ptPlotCoords);
    selectionBand_->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
    selectionBand_->bottomRight->setTypeX(QCPItemPosition::ptPlotCoords);
    selectionBand_->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
    selectionBand_->setPen(Qt::NoPen);
    selectionBand_->setBrush(kSelection);
    selectionBand_->setVisible(false);
    stats_ = new PlotStatsPanel(this);
    statsTimer_ = new QTimer(this);
    statsTimer_->setSingleShot(true);
    statsTimer_->setInterval(0);

    auto* frmGraphic = new QGroupBox(QStringLiteral("Graphic Plot"), this);
    frmGraphic->setObjectName(QStringLiteral("FrmGraphic"));
    auto* side = new QVBoxLayout(frmGraphic);

    auto* ssFrame4 = new QGroupBox(QStringLiteral("Graph Range"), frmGraphic);
    ssFrame4->setObjectName(QStringLiteral("SSFrame4"));
    auto* rangeGrid = new QGridLayout(ssFrame4);
    rangeGrid->addWidget(MakeLabel(QStringLiteral("Label6"), QStringLiteral("Min"), ssFrame4), 0, 1,
                         Qt::AlignCenter);
    rangeGrid->addWidget(MakeLabel(QStringLiteral("Label5"), QStringLiteral("Max"), ssFrame4), 0, 2,
                         Qt::AlignCenter);
    rangeGrid->addWidget(MakeLabel(QStringLiteral("Label3"), QStringLiteral("No.s"), ssFrame4), 1,
                         0);
    label4_ = MakeLabel(QStringLiteral("Label4"), QString(), ssFrame4);
    rangeGrid->addWidget(label4_, 2, 0);
    for (int axis = 1; axis <= 2; ++axis) {
        const QString which = axis == 1 ? QStringLiteral("X") : QStringLiteral("Y");
        const int decimals = axis == 1 ? 0 : 1;
        axisMin_[size_t(axis - 1)] =
            MakeRangeField(QStringLiteral("AxisMin%1").arg(axis),
                           QStringLiteral("Lowest %1 shown").arg(which), decimals, ssFrame4);
        axisMax_[size_t(axis - 1)] =
            MakeRangeField(QStringLiteral("AxisMax%1").arg(axis),
                           QStringLiteral("Highest %1 shown").arg(which), decimals, ssFrame4);
        rangeGrid->addWidget(AxisMin(axis), axis, 1);
        rangeGrid->addWidget(AxisMax(axis), axis, 2);
        for (QDoubleSpinBox* field : {AxisMin(axis), AxisMax(axis)})
            connect(field, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
                    [this] { ApplyRangeFields(); });
    }
    side->addWidget(ssFrame4);

    auto* ssFrame3 = new QGroupBox(QStringLiteral("Track Mode"), frmGraphic);
    ssFrame3->setObjectName(QStringLiteral("SSFrame3"));
    auto* modeBox = new QVBoxLayout(ssFrame3);
    combo1_ = new QComboBox(ssFrame3);
    combo1_->setObjectName(QStringLiteral("Combo1"));
    combo1_->setAccessibleName(QStringLiteral("Track mode"));
    description_ = new QPlainTextEdit(ssFrame3);
    description_->setObjectName(QStringLiteral("txtDescription"));
    description_->setAccessibleName(QStringLiteral("What the track mode does"));
    description_->setReadOnly(true);
    description_->setFixedHeight(70);
    description_->setMinimumWidth(220);
    modeBox->addWidget(combo1_);
    modeBox->addWidget(description_);
    side->addWidget(ssFrame3);

    auto* ssFrame2 = new QGroupBox(QStringLiteral("Cursor Information"), frmGraphic);
    ssFrame2->setObjectName(QStringLiteral("SSFrame2"));
    auto* cursorGrid = new QGridLayout(ssFrame2);
    cursorGrid->addWidget(
        MakeLabel(QStringLiteral("Label1"), QStringLiteral("No.s ( X ) :"), ssFrame2), 0, 0);
    xPosition_ = MakeLabel(QStringLiteral("XPosition"), QString(), ssFrame2);
    xPosition_->setAccessibleName(QStringLiteral("Cursor sample number"));
    label2_ = MakeLabel(QStringLiteral("Label2"), QString(), ssFrame2);
    yPosition_ = MakeLabel(QStringLiteral("YPosition"), QString(), ssFrame2);
    yPosition_->setAccessibleName(QStringLiteral("Cursor temperature"));
    for (QLabel* readout : {xPosition_, yPosition_}) {
        readout->setMinimumWidth(90);
        readout->setFrameShape(QFrame::StyledPanel);
        readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    cursorGrid->addWidget(xPosition_, 0, 1);
    cursorGrid->addWidget(label2_, 1, 0);
    cursorGrid->addWidget(yPosition_, 1, 1);
    side->addWidget(ssFrame2);

    resetButton_ = new QPushButton(QStringLiteral("Reset Scale"), frmGraphic);
    resetButton_->setObjectName(QStringLiteral("CmdReset"));
    printButton_ = new QPushButton(QStringLiteral("Print Graph"), frmGraphic);
    printButton_->setObjectName(QStringLiteral("CmdPrint"));
    saveImageButton_ = new QPushButton(QStringLiteral("Save Image..."), frmGraphic);
    saveImageButton_->setObjectName(QStringLiteral("CmdSaveImage"));
    saveImageButton_->setAccessibleName(QStringLiteral("Save the graph as PNG or PDF"));
    side->addWidget(resetButton_);
    side->addWidget(printButton_);
    side->addWidget(saveImageButton_);
    auto* cmdCompare = new QPushButton(QStringLiteral("Compare..."), frmGraphic);
    cmdCompare->setObjectName(QStringLiteral("CmdCompare"));
    cmdCompare->setAccessibleName(QStringLiteral("Compare runs from files"));
    connect(cmdCompare, &QPushButton::clicked, this, &PlotWindow::CompareRequested);
    side->addWidget(cmdCompare);
    side->addStretch(1);

    auto* plotColumn = new QVBoxLayout;
    plotColumn->addWidget(graph_, 1);
    plotColumn->addWidget(stats_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(plotColumn, 1);
    layout->addWidget(frmGraphic);

    connect(resetButton_, &QPushButton::clicked, this, &PlotWindow::ResetScale);
    connect(printButton_, &QPushButton::clicked, this, [this] { PrintGraph(); });
    connect(saveImageButton_, &QPushButton::clicked, this, [this] { SaveImage(); });
    connect(combo1_, qOverload<int>(&QComboBox::activated), this, &PlotWindow::SelectTrackMode);
    connect(graph_, &QCustomPlot::mousePress, this, &PlotWindow::OnMousePress);
    connect(graph_, &QCustomPlot::mouseMove, this, &PlotWindow::OnMouseMove);
    connect(graph_, &QCustomPlot::mouseRelease, this, [this] { draggingCursor_ = false; });
    connect(graph_->selectionRect(), &QCPSelectionRect::accepted, this,
            [this](const QRect& rect) { OnZoomRect(rect); });
    // A pan or a zoom by mouse shows its ranges in the fields.
    connect(graph_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this] { ShowRangesInFields(); });
    connect(graph_->yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this] { ShowRangesInFields(); });
    // The figures follow what is in view, counted once the view stops changing.
    connect(graph_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), statsTimer_,
            qOverload<>(&QTimer::start));
    connect(statsTimer_, &QTimer::timeout, this, &PlotWindow::ShowStatistics);
    connect(stats_, &PlotStatsPanel::RateCurveChanged, this, &PlotWindow::ShowRateCurve);
    connect(stats_, &PlotStatsPanel::WholeViewRequested, this, &PlotWindow::ClearSelection);

    combo1_->addItems(TrackModeEntries());
    combo1_->setCurrentIndex(Normal);
    SelectTrackMode(Normal);
    resize(960, 700);
}

PlotWindow::~PlotWindow() = default;

void PlotWindow::ShowPlot(const PlotSetup& setup, const QVector<double>& values,
                          const ReadingSeries& readings) {
    setup_ = setup;
    label4_->setText(setup.UnitText());
    label2_->setText(setup.CursorYCaption());
    SetCaption(setup.GraphCaption());
    SetMarks({});
    graph_->yAxis->setLabel(setup.YAxisCaption());

    QVector<double> keys(values.size());
    for (qsizetype i = 0; i < keys.size(); ++i)
        keys[i] = double(i + 1);
    graph_->graph(0)->setData(keys, values, true);
    graph_->yAxis2->setLabel(setup.UnitText() + QStringLiteral("/min"));
    selection_.reset();
    selectionBand_->setVisible(false);
    stats_->SetSeries(readings.Size() == values.size() ? readings : ReadingSeries(),
                      setup.UnitText());
    if (cursor_->visible())
        MoveCursor(cursor_->position->key(), cursor_->position->value());
    ResetScale();
    ShowStatistics();
}

void PlotWindow::SetCaption(const QString& caption) {
    if (auto* title = qobject_cast<QCPTextElement*>(graph_->plotLayout()->element(0, 0)))
        title->setText(caption);
    graph_->replot(QCustomPlot::rpQueuedReplot);
}

QString PlotWindow::Caption() const {
    auto* title = qobject_cast<QCPTextElement*>(graph_->plotLayout()->element(0, 0));
    return title ? title->text() : QString();
}

void PlotWindow::SetMarks(const QList<PlotMark>& marks) {
    for (QCPAbstractItem* item : std::as_const(markItems_))
        graph_->removeItem(item);
    markItems_.clear();
    marks_ = marks;
    for (const PlotMark& mark : marks) {
        auto* line = new QCPItemStraightLine(graph_);
        line->setPen(QPen(kMark, 1, Qt::DashLine));
        line->point1->setCoords(mark.x, 0);
        line->point2->setCoords(mark.x, 1);
        // The label reads upwards along its line, from the top of the plot.
        auto* label = new QCPItemText(graph_);
        label->position->setTypeX(QCPItemPosition::ptPlotCoords);
        label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
        label->position->setCoords(mark.x, 0.02);
        label->setRotation(-90);
        label->setPositionAlignment(Qt::AlignRight | Qt::AlignBottom);
        label->setPadding(QMargins(2, 0, 2, 2));
        label->setColor(kMark);
        label->setText(mark.label);
        label->setClipToAxisRect(true);
        markItems_ << line << label;
    }
    graph_->replot(QCustomPlot::rpQueuedReplot);
}

void PlotWindow::SelectTrackMode(int index) {
    if (index < 0 || index >= kTrackModeCount)
        return;
    if (combo1_->currentIndex() != index)
        combo1_->setCurrentIndex(index);
    const TrackModeSpec& mode = kTrackModes[index];
    description_->setPlainText(QString::fromLatin1(mode.description));
    draggingCursor_ = false;

    QCP::Interactions interactions;
    if (mode.pan)
        interactions |= QCP::iRangeDrag;
    graph_->setInteractions(interactions);
    graph_->axisRect()->setRangeDrag(mode.pan);
    graph_->setSelectionRectMode(mode.zoom || mode.select ? QCP::srmCustom : QCP::srmNone);
    graph_->setCursor(mode.pan                     ? Qt::OpenHandCursor
                      : mode.zoom                  ? Qt::CrossCursor
                      : mode.select                ? Qt::SplitHCursor
                      : index == CursorCoordinates ? Qt::SizeAllCursor
                                                   : Qt::ArrowCursor);

    if (index == CursorCoordinates) {
        cursor_->setVisible(true);
        const QCPRange x = graph_->xAxis->range();
        const QCPRange y = graph_->yAxis->range();
        MoveCursor((x.lower + x.upper) / 2, (y.lower + y.upper) / 2);
    } else {
        cursor_->setVisible(false);
        stats_->ShowCursor(std::nullopt);
        graph_->replot();
    }
}

int PlotWindow::TrackModeIndex() const {
    return combo1_->currentIndex();
}

void PlotWindow::MoveCursor(double x, double y) {
    cursor_->position->setCoords(x, y);
    xPosition_->setText(QString::number(x, 'g', 10));
    yPosition_->setText(OneDecimal(y));
    // The rate of rise is read at the sample nearest the cursor.
    const double sample = std::round(x) - 1;
    stats_->ShowCursor(sample >= 0 && sample < double(graph_->graph(0)->dataCount())
                           ? std::optional<qsizetype>(qsizetype(sample))
                           : std::nullopt);
    graph_->replot(QCustomPlot::rpQueuedReplot);
}

bool PlotWindow::CursorVisible() const {
    return cursor_->visible();
}

QPointF PlotWindow::CursorPosition() const {
    return cursor_->position->coords();
}

void PlotWindow::ResetScale() {
    {
        const QSignalBlocker bx(graph_->xAxis);
        const QSignalBlocker by(graph_->yAxis);
        graph_->xAxis->setRange(setup_.XMin(), setup_.XMax());
        graph_->yAxis->setRange(setup_.YMin(), setup_.YMax());
    }
    ShowRangesInFields();
    statsTimer_->start();
    graph_->replot();
}

void PlotWindow::ApplyRangeFields() {
    if (fillingFields_)
        return;
    // Every field acts at once, for both axes, as the user types; the fields are the source
    // here, so the one being typed in is left alone.
    fillingFields_ = true;
    graph_->xAxis->setRange(AxisMin(1)->value(), AxisMax(1)->value());
    graph_->yAxis->setRange(AxisMin(2)->value(), AxisMax(2)->value());
    fillingFields_ = false;
    graph_->replot(QCustomPlot::rpQueuedReplot);
}

void PlotWindow::ShowRangesInFields() {
    if (fillingFields_)
        return;
    fillingFields_ = true;
    const QCPRange x = graph_->xAxis->range();
    const QCPRange y = graph_->yAxis->range();
    AxisMin(1)->setValue(x.lower);
    AxisMax(1)->setValue(x.upper);
    AxisMin(2)->setValue(y.lower);
    AxisMax(2)->setValue(y.upper);
    fillingFields_ = false;
}

void PlotWindow::OnMousePress(QMouseEvent* event) {
    if (TrackModeIndex() != CursorCoordinates || event->button() != Qt::LeftButton)
        return;
    if (!graph_->axisRect()->rect().contains(event->pos()))
        return;
    draggingCursor_ = true;
    OnMouseMove(event);
}

void PlotWindow::OnMouseMove(QMouseEvent* event) {
    if (!draggingCursor_)
        return;
    const QRect area = graph_->axisRect()->rect();
    const double px =
        std::clamp(double(event->pos().x()), double(area.left()), double(area.right()));
    const double py =
        std::clamp(double(event->pos().y()), double(area.top()), double(area.bottom()));
    MoveCursor(graph_->xAxis->pixelToCoord(px), graph_->yAxis->pixelToCoord(py));
}

void PlotWindow::OnZoomRect(const QRect& rect) {
    const TrackModeSpec& mode = kTrackModes[std::clamp(TrackModeIndex(), 0, kTrackModeCount - 1)];
    if (mode.select) {
        if (rect.width() < 3)
            ClearSelection(); // a click
        else
            SelectSamples(graph_->xAxis->pixelToCoord(rect.left()),
                          graph_->xAxis->pixelToCoord(rect.right()));
        return;
    }
    if (rect.width() < 3 && rect.height() < 3)
        return; // a click, not a region
    if (mode.zoom & Qt::Horizontal && rect.width() >= 3)
        graph_->xAxis->setRange(graph_->xAxis->pixelToCoord(rect.left()),
                                graph_->xAxis->pixelToCoord(rect.right()));
    if (mode.zoom & Qt::Vertical && rect.height() >= 3)
        graph_->yAxis->setRange(graph_->yAxis->pixelToCoord(rect.bottom()),
                                graph_->yAxis->pixelToCoord(rect.top()));
    graph_->replot();
}

bool PlotWindow::PrintGraph() {
    // At screen resolution the graph's point-sized fonts keep their size against its pixels; the
    // page still gets vectors.
    QPrinter printer(QPrinter::ScreenResolution);
    QCPPainter painter;
    if (!BeginLandscapePrint(dialogs_, this, printer, painter, QStringLiteral("Plot ") + Caption(),
                             QStringLiteral("The graph could not be printed.")))
        return false;
    // The graph as drawn on screen, scaled onto the page as vectors, on white, with the
    // statistics the window shows below it, a line each.
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    const QStringList figures = stats_->FigureLines();
    const QFontMetrics metrics(font(), &printer);
    const int line = metrics.lineSpacing();
    const int width = graph_->width();
    const int height = graph_->height();
    const QRect page = painter.viewport();
    const double room = std::max(page.height() - (figures.size() + 1) * line, qsizetype(1));
    const double scale = std::min(page.width() / double(width), room / height);
    const int left = page.x() + int(page.width() - width * scale) / 2;
    painter.save();
    painter.setViewport(left, page.y(), int(width * scale), int(height * scale));
    painter.setWindow(0, 0, width, height);
    graph_->toPainter(&painter, width, height);
    painter.restore();
    painter.setFont(font());
    int y = page.y() + int(height * scale) + line + metrics.ascent();
    for (const QString& figure : figures) {
        painter.drawText(left, y, figure);
        y += line;
    }
    return painter.end();
}

bool PlotWindow::SaveImage() {
    const QString path = dialogs_.SaveFileName(this, QStringLiteral("Save Image"),
                                               QStringLiteral("PNG image (*.png);;PDF (*.pdf)"));
    if (path.isEmpty())
        return false;
    const bool pdf =
        QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
    // The size on screen; a PDF gets it as vectors, so it scales without steps.
    const bool saved = pdf ? graph_->savePdf(path, 0, 0, QCP::epAllowCosmetic,
                                             QStringLiteral("Corvilab"), Caption())
                           : graph_->savePng(path);
    if (!saved)
        dialogs_.Critical(
            this,
            QStringLiteral("The graph was not saved to %1.").arg(QDir::toNativeSeparators(path)));
    return saved;
}

// ---- Statistics ---------------------------------------------------------------------------

void PlotWindow::SelectSamples(double fromX, double toX) {
    if (fromX > toX)
        std::swap(fromX, toX);
    // The samples whose points lie in the stretch: sample k is drawn at X = k.
    const double count = double(graph_->graph(0)->dataCount());
    const double first = std::clamp(std::ceil(fromX), 1.0, count + 1);
    const double last = std::clamp(std::floor(toX), 0.0, count);
    selection_ = std::make_pair(qsizetype(first) - 1, qsizetype(last) - 1);
    selectionBand_->topLeft->setCoords(fromX, 0);
    selectionBand_->bottomRight->setCoords(toX, 1);
    selectionBand_->setVisible(true);
    graph_->replot(QCustomPlot::rpQueuedReplot);
    ShowStatistics();
}

void PlotWindow::ClearSelection() {
    selection_.reset();
    selectionBand_->setVisible(false);
    graph_->replot(QCustomPlot::rpQueuedReplot);
    ShowStatistics();
}

void PlotWindow::ShowStatistics() {
    statsTimer_->stop();
    if (selection_) {
        stats_->ShowStretch(selection_->first, selection_->second, true);
        return;
    }
    const QCPRange x = graph_->xAxis->range();
    const double count = double(graph_->graph(0)->dataCount());
    const double first = std::clamp(std::ceil(x.lower), 1.0, count + 1);
    const double last = std::clamp(std::floor(x.upper), 0.0, count);
    stats_->ShowStretch(qsizetype(first) - 1, qsizetype(last) - 1, false);
}

void PlotWindow::ShowRateCurve(const QVector<double>& degreesPerMinute) {
    const bool shown = !degreesPerMinute.isEmpty();
    graph_->yAxis2->setVisible(shown);
    rateCurve_->setVisible(shown);
    if (shown) {
        QVector<double> keys(degreesPerMinute.size());
        for (qsizetype i = 0; i < keys.size(); ++i)
            keys[i] = double(i + 1);
        rateCurve_->setData(keys, degreesPerMinute, true);
        bool found = false;
        QCPRange range = rateCurve_->getValueRange(found);
        if (!found)
            range = QCPRange(-1, 1);
        // Room above and below, and zero always in sight: rising and falling read at a glance.
        range.expand(0);
        const double margin = std::max(range.size() * 0.05, 0.5);
        graph_->yAxis2->setRange(range.lower - margin, range.upper + margin);
    } else {
        rateCurve_->data()->clear();
    }
    graph_->replot(QCustomPlot::rpQueuedReplot);
}
