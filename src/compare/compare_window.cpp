#include "compare/compare_window.h"

#include "compare/compare_options.h"
#include "compare/compare_plots.h"
#include "compare/run_loading.h"
#include "link/reading_text.h"
#include "logger/logger_set.h"
#include "recording/data_file.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "ui/dialogs.h"
#include "ui/hourglass.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <cmath>

namespace {

// Twenty colours that tell apart on white, then more by the golden angle round the hue circle.
const QColor kRunColours[] = {
    QColor(31, 119, 180),  QColor(255, 127, 14), QColor(44, 160, 44),   QColor(214, 39, 40),
    QColor(148, 103, 189), QColor(140, 86, 75),  QColor(227, 119, 194), QColor(127, 127, 127),
    QColor(188, 189, 34),  QColor(23, 190, 207), QColor(0, 0, 139),     QColor(255, 187, 120),
    QColor(0, 100, 0),     QColor(255, 0, 255),  QColor(128, 0, 0),     QColor(0, 128, 128),
    QColor(255, 215, 0),   QColor(75, 0, 130),   QColor(205, 133, 63),  QColor(70, 130, 180),
};
constexpr int kPaletteSize = int(sizeof(kRunColours) / sizeof(kRunColours[0]));
const QColor kBandEdge(0, 150, 0);
const QColor kBandFill(0, 170, 0, 45);

const char* const kAlignEntries[] = {"Start", "Rising through", "Falling through"};
const Alignment::Kind kAlignKinds[] = {Alignment::Kind::Start, Alignment::Kind::Rising,
                                       Alignment::Kind::Falling};

QDoubleSpinBox* Spin(const QString& name, const QString& accessible, double min, double max,
                     double value, QWidget* parent) {
    auto* spin = new QDoubleSpinBox(parent);
    spin->setObjectName(name);
    spin->setAccessibleName(accessible);
    spin->setDecimals(1);
    spin->setRange(min, max);
    spin->setValue(value);
    // A value counts when it is entered or stepped, not at every key.
    spin->setKeyboardTracking(false);
    return spin;
}

QComboBox* Combo(const QString& name, const QString& accessible, const QStringList& entries,
                 QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setAccessibleName(accessible);
    combo->addItems(entries);
    return combo;
}

QPushButton* Button(const QString& name, const QString& text, const QString& accessible,
                    QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(accessible);
    return button;
}

qint64 TenthsOf(const QDoubleSpinBox* spin) {
    return std::llround(spin->value() * 10.0);
}

// A temperature difference in the other unit: 9/5 or 5/9 of it, rounded half away from zero.
int Difference(int tenths, bool toFahrenheit) {
    return int(toFahrenheit ? RoundHalfAway(qint64(tenths) * 9, 5)
                            : RoundHalfAway(qint64(tenths) * 5, 9));
}

QStringList ChannelNames() {
    return {QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("T3"), QStringLiteral("T4")};
}

} // namespace

struct CompareWindow::PlottedLine {
    QCPGraph* graph;
    QSharedPointer<QCPGraphDataContainer> full, outline;
    double span; // seconds from the first point to the last
};

QColor CompareWindow::RunColour(int index) {
    if (index < kPaletteSize)
        return kRunColours[index];
    return QColor::fromHsvF(std::fmod((index - kPaletteSize) * 0.618034, 1.0), 0.85, 0.75);
}

CompareWindow::CompareWindow(Dialogs& dialogs, const Recorder* recorder, const Sampler* sampler,
                             QWidget* parent)
    : QWidget(parent, Qt::Window)
    , dialogs_(dialogs)
    , recorder_(recorder) {
    // Until the user says otherwise: crossings of 100 degrees, a band of ±2 degrees.
    settings_.alignment.levelTenths = 1000;
    settings_.band = Band{20, 20};
    setObjectName(QStringLiteral("Compare"));
    setWindowTitle(QStringLiteral("Compare"));
    setAccessibleName(QStringLiteral("Compare runs"));

    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    addFilesButton_ = Button(QStringLiteral("CmdAddFiles"), QStringLiteral("Add Files..."),
                             QStringLiteral("Add data files to compare"), side);
    addRecordingButton_ = Button(QStringLiteral("CmdAddRecording"), QStringLiteral("Add Recording"),
                                 QStringLiteral("Add the recording in progress"), side);
    removeButton_ = Button(QStringLiteral("CmdRemove"), QStringLiteral("Remove"),
                           QStringLiteral("Remove the run chosen in the table"), side);
    for (QPushButton* b : {addFilesButton_, addRecordingButton_, removeButton_})
        sideLayout->addWidget(b);

    auto* form = new QFormLayout();
    referenceChoice_ =
        Combo(QStringLiteral("CboReference"), QStringLiteral("Reference run"), {}, side);
    channelChoice_ = Combo(QStringLiteral("CboChannel"), QStringLiteral("Channel compared"),
                           ChannelNames(), side);
    unitChoice_ = Combo(QStringLiteral("CboUnit"), QStringLiteral("Unit"),
                        {QStringLiteral("°C"), QStringLiteral("°F")}, side);
    QStringList alignEntries;
    for (const char* entry : kAlignEntries)
        alignEntries << QLatin1String(entry);
    alignmentChoice_ = Combo(QStringLiteral("CboAlign"), QStringLiteral("Line the runs up by"),
                             alignEntries, side);
    alignmentChannelChoice_ =
        Combo(QStringLiteral("CboAlignChannel"),
              QStringLiteral("Channel whose crossing lines the runs up"), ChannelNames(), side);
    levelEntry_ =
        Spin(QStringLiteral("SpnLevel"), QStringLiteral("Level crossed"), -1000, 5000, 100, side);
    bandAboveEntry_ =
        Spin(QStringLiteral("SpnBandAbove"), QStringLiteral("Band above the reference, degrees"),
             0.1, 10000, 2, side);
    bandBelowEntry_ =
        Spin(QStringLiteral("SpnBandBelow"), QStringLiteral("Band below the reference, degrees"),
             0.1, 10000, 2, side);
    shiftEntry_ =
        Spin(QStringLiteral("SpnShift"), QStringLiteral("Shift of the chosen run by hand, seconds"),
             -8640000, 8640000, 0, side);
    form->addRow(QStringLiteral("Reference"), referenceChoice_);
    form->addRow(QStringLiteral("Channel"), channelChoice_);
    form->addRow(QStringLiteral("Unit"), unitChoice_);
    form->addRow(QStringLiteral("Align"), alignmentChoice_);
    form->addRow(QStringLiteral("on"), alignmentChannelChoice_);
    form->addRow(QStringLiteral("Level"), levelEntry_);
    form->addRow(QStringLiteral("Band +"), bandAboveEntry_);
    form->addRow(QStringLiteral("Band -"), bandBelowEntry_);
    form->addRow(QStringLiteral("Shift s"), shiftEntry_);
    sideLayout->addLayout(form);
    correctedNotes_ = new QLabel(side);
    correctedNotes_->setObjectName(QStringLiteral("LblCorrected"));
    correctedNotes_->setAccessibleName(QStringLiteral("Corrected readings compared"));
    correctedNotes_->setWordWrap(true);
    correctedNotes_->hide();
    markList_ = new QListWidget(side);
    markList_->setObjectName(QStringLiteral("LstMarks"));
    markList_->setAccessibleName(QStringLiteral("Marks of the runs"));
    markList_->setMaximumHeight(100);
    markList_->hide();
    sideLayout->addWidget(correctedNotes_);
    sideLayout->addWidget(markList_);

    auto* cmdExportTable =
        Button(QStringLiteral("CmdExportTable"), QStringLiteral("Export Table..."),
               QStringLiteral("Export the table as CSV"), side);
    auto* cmdExportSeries =
        Button(QStringLiteral("CmdExportSeries"), QStringLiteral("Export Series..."),
               QStringLiteral("Export the aligned series as CSV"), side);
    auto* cmdSaveImage = Button(QStringLiteral("CmdSaveImage"), QStringLiteral("Save Image..."),
                                QStringLiteral("Save the plots as PNG or PDF"), side);
    auto* cmdPrint = Button(QStringLiteral("CmdPrint"), QStringLiteral("Print..."),
                            QStringLiteral("Print the plots and the table"), side);
    outputButtons_ = {cmdExportTable, cmdExportSeries, cmdSaveImage, cmdPrint};
    for (QPushButton* b : outputButtons_)
        sideLayout->addWidget(b);
    sideLayout->addStretch(1);

    graphRuns_ = ComparePlot(QStringLiteral("GraphRuns"),
                             QStringLiteral("The runs over the reference and its band"),
                             QStringLiteral("Time since alignment (s)"), this);
    graphDifference_ = ComparePlot(QStringLiteral("GraphDifference"),
                                   QStringLiteral("Each run minus the reference"),
                                   QStringLiteral("Time since alignment (s)"), this);
    resultTable_ = new QTableWidget(0, 8, this);
    resultTable_->setObjectName(QStringLiteral("GridResult"));
    resultTable_->setAccessibleName(QStringLiteral("Figures and verdict of each run"));
    resultTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    resultTable_->verticalHeader()->hide();
    const std::array<QString, 8> headings = Comparison::TableHeadings();
    resultTable_->setHorizontalHeaderLabels(QStringList(headings.begin(), headings.end()));
    resultTable_->horizontalHeader()->setStretchLastSection(true);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(graphRuns_);
    splitter->addWidget(graphDifference_);
    splitter->addWidget(resultTable_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setStretchFactor(2, 1);
    splitter->setSizes({430, 250, 220});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(side);
    layout->addWidget(splitter, 1);

    connect(addFilesButton_, &QPushButton::clicked, this, [this] { ChooseFiles(); });
    connect(addRecordingButton_, &QPushButton::clicked, this, [this] { AddRecording(); });
    connect(removeButton_, &QPushButton::clicked, this, [this] {
        if (resultTable_->currentRow() >= 0)
            RemoveRun(resultTable_->currentRow());
    });
    connect(cmdExportTable, &QPushButton::clicked, this, [this] { ExportTable(); });
    connect(cmdExportSeries, &QPushButton::clicked, this, [this] { ExportSeries(); });
    connect(cmdSaveImage, &QPushButton::clicked, this, [this] { SaveImage(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { Print(); });
    const auto apply = [this] {
        if (!showing_)
            Apply(runs_, shifts_, SettingsFromControls());
    };
    for (QComboBox* combo :
         {referenceChoice_, channelChoice_, alignmentChoice_, alignmentChannelChoice_})
        connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this, apply);
    for (QDoubleSpinBox* spin : {levelEntry_, bandAboveEntry_, bandBelowEntry_})
        connect(spin, qOverload<double>(&QDoubleSpinBox::valueChanged), this, apply);
    connect(unitChoice_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (!showing_)
            SetFahrenheit(index == 1);
    });
    connect(shiftEntry_, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this] {
        if (!showing_)
            SetShift(resultTable_->currentRow(), TenthsOf(shiftEntry_));
    });
    connect(resultTable_, &QTableWidget::itemSelectionChanged, this, [this] { ShowSettings(); });
    // Both plots show the same stretch of time: a pan or zoom of one moves the other.
    for (QCustomPlot* plot : {graphRuns_, graphDifference_}) {
        QCustomPlot* other = plot == graphRuns_ ? graphDifference_ : graphRuns_;
        connect(plot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                [this, plot, other](const QCPRange& range) {
                    ChooseDetail(plot);
                    if (other->xAxis->range() != range) {
                        other->xAxis->setRange(range);
                        other->replot(QCustomPlot::rpQueuedReplot);
                    }
                });
    }

    if (recorder_) {
        // A new recording is another run; the one added goes on no further.
        connect(recorder_, &Recorder::Started, this, [this] { recording_.reset(); });
        connect(recorder_, &Recorder::Stopped, this, [this] { ShowSettings(); });
        connect(recorder_, &Recorder::Started, this, [this] { ShowSettings(); });
    }
    if (sampler)
        connect(sampler, &Sampler::SampleTaken, this, &CompareWindow::OnSample);
    ShowSettings();
    resize(1180, 900);
}

CompareWindow::~CompareWindow() = default;

// ---- Runs -------------------------------------------------------------------------------------

bool CompareWindow::ChooseFiles() {
    const QStringList paths =
        dialogs_.OpenFileNames(this, QStringLiteral("Add Files"), DataFileDialogFilter());
    return !paths.isEmpty() && AddFiles(paths);
}

bool CompareWindow::AddFiles(const QStringList& paths) {
    const Hourglass hourglass;
    std::vector<RunLoad> loads;
    for (const QString& path : paths)
        loads.push_back(LoadRunFile(path));
    return AddLoaded(std::move(loads));
}

bool CompareWindow::AddSets(const QVector<LoggedSet>& sets) {
    const Hourglass hourglass;
    std::vector<RunLoad> loads;
    for (const LoggedSet& set : sets)
        loads.push_back(RunFromSet(set));
    return AddLoaded(std::move(loads));
}

bool CompareWindow::AddRecording() {
    if (!recorder_ || !recorder_->Recording()) {
        dialogs_.Information(this, QStringLiteral("No recording is running."));
        return false;
    }
    if (recorder_->RecordCount() == 0) {
        dialogs_.Information(this, QStringLiteral("The recording has no records yet."));
        return false;
    }
    const QString path = recorder_->DataFileName();
    std::vector<RunLoad> loads;
    loads.push_back(LoadRunFile(path, QFileInfo(path).fileName() + QStringLiteral(" (recording)")));
    const qint64 lines = recorder_->RecordCount();
    const QString key = loads.front().run ? loads.front().run->SourceKey() : QString();
    if (!AddLoaded(std::move(loads)))
        return false;
    for (const auto& run : runs_) {
        if (run->SourceKey() == key) {
            // Made as a Run that is not const: it grows with the recording.
            recording_ = std::const_pointer_cast<Run>(run);
            recordingPath_ = path;
            recordedLines_ = lines;
        }
    }
    return true;
}

bool CompareWindow::AddLoaded(std::vector<RunLoad> loads) {
    Comparison::Runs runs = runs_;
    std::vector<qint64> shifts = shifts_;
    for (RunLoad& load : loads) {
        if (!load.run) {
            dialogs_.Critical(this, load.error);
            return false;
        }
        const QString key = load.run->SourceKey();
        if (std::any_of(runs.begin(), runs.end(),
                        [&](const auto& run) { return run->SourceKey() == key; }))
            continue;
        runs.push_back(std::make_shared<Run>(std::move(*load.run)));
        shifts.push_back(0);
    }
    CompareSettings settings = settings_;
    if (runs_.empty() && !runs.empty()) {
        // The first run sets the unit, and the channel when it did not record the one chosen.
        const Run& first = *runs.front();
        settings.fahrenheit = first.Fahrenheit();
        settings.reference = 0;
        for (int n = 0; n < 4 && !first.HasReadings(settings.channel); ++n)
            settings.channel = n;
    }
    return runs.size() == runs_.size() || Apply(runs, shifts, settings);
}

void CompareWindow::RemoveRun(int index) {
    if (index < 0 || index >= RunCount())
        return;
    Comparison::Runs runs = runs_;
    std::vector<qint64> shifts = shifts_;
    if (runs[size_t(index)] == recording_)
        recording_.reset();
    runs.erase(runs.begin() + index);
    shifts.erase(shifts.begin() + index);
    CompareSettings settings = settings_;
    if (index == settings.reference)
        settings.reference = 0;
    else if (index < settings.reference)
        --settings.reference;
    Apply(runs, shifts, settings);
}

void CompareWindow::OnSample(const SampleRecord& record) {
    if (!recording_)
        return;
    if (!recorder_->Recording() || recorder_->DataFileName() != recordingPath_) {
        recording_.reset();
        return;
    }
    // Only what reached the file: a sample that could not be written is not in the recording.
    if (recorder_->RecordCount() <= recordedLines_)
        return;
    recordedLines_ = recorder_->RecordCount();
    if (!AppendRecordedSample(*recording_, record))
        return;
    auto comparison = std::make_unique<Comparison>(runs_, settings_, shifts_);
    if (!comparison->Ok())
        return; // the figures stay as they were until the recording can be compared
    comparison_ = std::move(comparison);
    ShowPlots();
    ShowTable();
}

// ---- Settings ---------------------------------------------------------------------------------

CompareSettings CompareWindow::SettingsFromControls() const {
    CompareSettings s;
    s.channel = channelChoice_->currentIndex();
    s.fahrenheit = unitChoice_->currentIndex() == 1;
    s.reference = std::max(0, referenceChoice_->currentIndex());
    const int align = std::max(0, alignmentChoice_->currentIndex());
    const int fixed = int(std::size(kAlignKinds));
    s.alignment.kind = align < fixed ? kAlignKinds[align] : Alignment::Kind::AtMark;
    if (align >= fixed)
        s.alignment.markText = markChoices_.value(align - fixed);
    s.alignment.channel = alignmentChannelChoice_->currentIndex();
    s.alignment.levelTenths = int(TenthsOf(levelEntry_));
    s.band = Band{int(TenthsOf(bandAboveEntry_)), int(TenthsOf(bandBelowEntry_))};
    return s;
}

bool CompareWindow::SetChannel(int channel) {
    CompareSettings s = settings_;
    s.channel = channel;
    return Apply(runs_, shifts_, s);
}

bool CompareWindow::SetFahrenheit(bool fahrenheit) {
    CompareSettings s = settings_;
    if (s.fahrenheit != fahrenheit) {
        // The same level and band, in the other unit.
        s.alignment.levelTenths = fahrenheit ? FahrenheitTenths(s.alignment.levelTenths)
                                             : CelsiusTenths(s.alignment.levelTenths);
        if (s.band)
            s.band = Band{std::max(1, Difference(s.band->above, fahrenheit)),
                          std::max(1, Difference(s.band->below, fahrenheit))};
        s.fahrenheit = fahrenheit;
    }
    return Apply(runs_, shifts_, s);
}

bool CompareWindow::SetReference(int index) {
    CompareSettings s = settings_;
    s.reference = index;
    return Apply(runs_, shifts_, s);
}

bool CompareWindow::SetAlignment(const Alignment& alignment) {
    CompareSettings s = settings_;
    s.alignment = alignment;
    return Apply(runs_, shifts_, s);
}

bool CompareWindow::SetBand(const Band& band) {
    CompareSettings s = settings_;
    s.band = band;
    return Apply(runs_, shifts_, s);
}

bool CompareWindow::SetShift(int index, qint64 tenths) {
    if (index < 0 || index >= RunCount())
        return false;
    std::vector<qint64> shifts = shifts_;
    shifts[size_t(index)] = tenths;
    return Apply(runs_, shifts, settings_);
}

bool CompareWindow::Apply(const Comparison::Runs& runs, const std::vector<qint64>& shifts,
                          const CompareSettings& settings) {
    std::unique_ptr<Comparison> comparison;
    if (!runs.empty()) {
        const Hourglass hourglass;
        comparison = std::make_unique<Comparison>(runs, settings, shifts);
        if (!comparison->Ok()) {
            dialogs_.Critical(this, comparison->Error());
            ShowSettings(); // the controls go back to what is shown
            return false;
        }
    }
    const int row = resultTable_->currentRow();
    const bool sameRuns = runs == runs_;
    runs_ = runs;
    shifts_ = shifts;
    settings_ = settings;
    if (runs_.empty()) {
        settings_.reference = 0;
        // No run holds the mark any more: the next runs need not have it.
        if (settings_.alignment.kind == Alignment::Kind::AtMark)
            settings_.alignment.kind = Alignment::Kind::Start;
    }
    comparison_ = std::move(comparison);
    ShowTable();
    ShowMarks();
    if (sameRuns && row >= 0)
        resultTable_->selectRow(row);
    ShowSettings();
    ShowPlots();
    return true;
}

void CompareWindow::ShowSettings() {
    showing_ = true;
    {
        const QSignalBlocker block(referenceChoice_);
        referenceChoice_->clear();
        for (const auto& run : runs_)
            referenceChoice_->addItem(run->Name());
        referenceChoice_->setCurrentIndex(runs_.empty() ? -1 : settings_.reference);
    }
    channelChoice_->setCurrentIndex(settings_.channel);
    unitChoice_->setCurrentIndex(settings_.fahrenheit ? 1 : 0);
    const Alignment& a = settings_.alignment;
    {
        // One entry per mark text the runs hold, after the fixed ones.
        const QSignalBlocker block(alignmentChoice_);
        markChoices_ = MarkTexts();
        if (a.kind == Alignment::Kind::AtMark && !markChoices_.contains(a.markText))
            markChoices_ << a.markText;
        while (alignmentChoice_->count() > int(std::size(kAlignKinds)))
            alignmentChoice_->removeItem(alignmentChoice_->count() - 1);
        for (const QString& text : std::as_const(markChoices_))
            alignmentChoice_->addItem(QStringLiteral("align at mark '%1'").arg(text));
        alignmentChoice_->setCurrentIndex(
            a.kind == Alignment::Kind::AtMark
                ? int(std::size(kAlignKinds)) + int(markChoices_.indexOf(a.markText))
                : int(std::find(std::begin(kAlignKinds), std::end(kAlignKinds), a.kind) -
                      std::begin(kAlignKinds)));
    }
    alignmentChannelChoice_->setCurrentIndex(a.channel);
    levelEntry_->setValue(a.levelTenths / 10.0);
    const bool crossing = a.kind == Alignment::Kind::Rising || a.kind == Alignment::Kind::Falling;
    alignmentChannelChoice_->setEnabled(crossing);
    levelEntry_->setEnabled(crossing);
    if (settings_.band) {
        bandAboveEntry_->setValue(settings_.band->above / 10.0);
        bandBelowEntry_->setValue(settings_.band->below / 10.0);
    }
    const QString unit = UnitName(settings_.fahrenheit);
    for (QDoubleSpinBox* spin : {levelEntry_, bandAboveEntry_, bandBelowEntry_})
        spin->setSuffix(QLatin1Char(' ') + unit);
    const int row = resultTable_->currentRow();
    const bool chosen = row >= 0 && row < RunCount();
    shiftEntry_->setEnabled(chosen);
    shiftEntry_->setValue(chosen ? shifts_[size_t(row)] / 10.0 : 0.0);
    removeButton_->setEnabled(chosen);
    addRecordingButton_->setEnabled(recorder_ && recorder_->Recording());
    for (QPushButton* b : outputButtons_)
        b->setEnabled(comparison_ != nullptr);
    showing_ = false;
}

// ---- Plots and table --------------------------------------------------------------------------

QStringList CompareWindow::MarkTexts() const {
    QStringList texts;
    for (const auto& run : runs_) {
        for (const Run::RunMark& mark : run->Marks()) {
            if (!texts.contains(mark.text))
                texts << mark.text;
        }
    }
    return texts;
}

void CompareWindow::ShowMarks() {
    markList_->clear();
    QStringList notes;
    for (const auto& run : runs_) {
        for (const Run::RunMark& mark : run->Marks())
            markList_->addItem(run->Name() + QStringLiteral(": ") + mark.label);
        if (run->CorrectedReadings() > 0)
            notes << CorrectedNote(*run).mid(2);
    }
    markList_->setVisible(markList_->count() > 0);
    correctedNotes_->setText(notes.join(QLatin1Char('\n')));
    correctedNotes_->setVisible(!notes.isEmpty());
}

void CompareWindow::ShowPlots() {
    lines_.clear();
    graphRuns_->clearItems();
    graphRuns_->clearGraphs();
    graphDifference_->clearGraphs();
    graphDifference_->clearItems();
    const QString unit = UnitName(settings_.fahrenheit);
    graphRuns_->yAxis->setLabel(ChannelName(settings_.channel) + QStringLiteral(" (") + unit +
                                QLatin1Char(')'));
    graphDifference_->yAxis->setLabel(QStringLiteral("Run - reference (") + unit +
                                      QLatin1Char(')'));
    if (!comparison_) {
        graphRuns_->replot();
        graphDifference_->replot();
        return;
    }
    const Comparison& c = *comparison_;
    const int reference = settings_.reference;
    if (settings_.band) {
        const PlotSeries lower = c.BandEdge(false);
        const PlotSeries upper = c.BandEdge(true);
        QCPGraph* low = AddLine(graphRuns_, lower, QPen(kBandEdge, 1, Qt::DashLine));
        QCPGraph* high = AddLine(graphRuns_, upper, QPen(kBandEdge, 1, Qt::DashLine));
        high->setBrush(kBandFill);
        high->setChannelFillGraph(low);
        high->setAntialiasedFill(false);
        for (const double y :
             {double(settings_.band->above) / 10.0, -double(settings_.band->below) / 10.0}) {
            auto* edge = new QCPItemStraightLine(graphDifference_);
            edge->point1->setCoords(0, y);
            edge->point2->setCoords(1, y);
            edge->setPen(QPen(kBandEdge, 1, Qt::DashLine));
        }
    }
    // Lines one pixel wide: wider ones cost the painter many times more, and twenty runs of a
    // day each must repaint within a frame. The reference is drawn last, on top.
    for (int i = 0; i < RunCount(); ++i) {
        if (i == reference)
            continue;
        AddLine(graphRuns_, c.Trace(i), QPen(RunColour(i), 1))->setName(runs_[size_t(i)]->Name());
        AddLine(graphDifference_, c.Difference(i), QPen(RunColour(i), 1))
            ->setName(runs_[size_t(i)]->Name());
    }
    AddLine(graphRuns_, c.Trace(reference), QPen(Qt::black, 1))
        ->setName(runs_[size_t(reference)]->Name());
    AddLine(graphDifference_, c.Difference(reference), QPen(Qt::black, 1));
    // Each run's marks as a dotted upright in its colour, labelled at the top. Aligned at a mark,
    // every run has one at the same time: the labels take four lines in turn, so none hides
    // another.
    int labels = 0;
    for (int i = 0; i < RunCount(); ++i) {
        const std::vector<double> times = c.MarkTimes(i);
        const auto& marks = runs_[size_t(i)]->Marks();
        const QColor colour = i == reference ? QColor(Qt::black) : RunColour(i);
        for (size_t m = 0; m < times.size(); ++m) {
            for (QCustomPlot* plot : {graphRuns_, graphDifference_}) {
                auto* upright = new QCPItemStraightLine(plot);
                upright->point1->setCoords(times[m], 0);
                upright->point2->setCoords(times[m], 1);
                upright->setPen(QPen(colour, 1, Qt::DotLine));
            }
            auto* label = new QCPItemText(graphRuns_);
            label->position->setTypeX(QCPItemPosition::ptPlotCoords);
            label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
            label->position->setCoords(times[m], 0.02 + 0.06 * (labels++ % 4));
            label->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setColor(colour);
            label->setText(marks[m].label);
        }
    }

    graphRuns_->rescaleAxes();
    graphDifference_->rescaleAxes();
    if (settings_.band) {
        // The band's edges stay in view on the difference plot.
        const QCPRange range = graphDifference_->yAxis->range();
        graphDifference_->yAxis->setRange(
            std::min(range.lower, -1.5 * settings_.band->below / 10.0),
            std::max(range.upper, 1.5 * settings_.band->above / 10.0));
    }
    // A little room above and below, so that no line runs along an axis.
    for (QCustomPlot* plot : {graphRuns_, graphDifference_})
        plot->yAxis->scaleRange(1.08, plot->yAxis->range().center());
    graphDifference_->xAxis->setRange(graphRuns_->xAxis->range());
    ChooseDetail(graphRuns_);
    ChooseDetail(graphDifference_);
    graphRuns_->replot();
    graphDifference_->replot();
}

QCPGraph* CompareWindow::AddLine(QCustomPlot* plot, const PlotSeries& series, const QPen& pen) {
    QVector<QCPGraphData> points(series.x.size());
    for (qsizetype k = 0; k < points.size(); ++k)
        points[k] = QCPGraphData(series.x[k], series.y[k]);
    PlottedLine line{plot->addGraph(), GraphData(points), nullptr,
                     series.x.isEmpty() ? 0.0 : series.x.back() - series.x.front()};
    const QVector<QCPGraphData> outline = LineOutline(series);
    // Worth keeping only when it spares many points.
    line.outline = outline.size() * 2 < points.size() ? GraphData(outline) : line.full;
    line.graph->setPen(pen);
    line.graph->setData(line.full);
    lines_.push_back(line);
    return line.graph;
}

void CompareWindow::ChooseDetail(const QCustomPlot* plot) {
    const double inView = plot->xAxis->range().size();
    for (PlottedLine& line : lines_) {
        if (line.graph->parentPlot() != plot)
            continue;
        // The outline while at least half the line's span is in view: a stretch of it is then
        // at most two in 4096 of the plot's width.
        const auto& wanted = inView * 2 >= line.span ? line.outline : line.full;
        if (line.graph->data() != wanted)
            line.graph->setData(wanted);
    }
}
