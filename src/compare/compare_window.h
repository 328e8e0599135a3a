#pragma once

// The window `Compare` ("Compare"): runs (data files, downloaded logger sets, the recording in
// progress) on one channel in °C or °F, lined up by start, by a level crossing or shifted by
// hand, drawn over the reference and its tolerance band, a second view of each run minus the
// reference, and the table of figures with a verdict per run. The table and the aligned series
// export as CSV, the plots save as PNG or PDF, and the whole prints as one report.

#include "compare/comparison.h"

#include <QPointer>
#include <QVector>
#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class Dialogs;
class QCPGraph;
class QComboBox;
class QCustomPlot;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class Recorder;
class Sampler;
struct LoggedSet;
struct RunLoad;
struct SampleRecord;

class CompareWindow : public QWidget {
    Q_OBJECT
public:
    // `recorder` and `sampler` give the recording in progress; either may be null.
    CompareWindow(Dialogs& dialogs, const Recorder* recorder, const Sampler* sampler,
                  QWidget* parent = nullptr);
    ~CompareWindow() override;

    // The runs' colours on the plots and in the table; the reference is drawn in black.
    static QColor RunColour(int index);

    // Adds runs; one already shown is not added twice. A run that cannot be read or compared
    // (not a data file, no reading on the channel, the level never crossed) is named in a
    // message and nothing changes. False then.
    bool AddFiles(const QStringList& paths);
    bool AddSets(const QVector<LoggedSet>& sets);
    // The PC recording in progress, growing with each line it records.
    bool AddRecording();
    // "Add Files...": the Open dialog.
    bool ChooseFiles();
    // Takes run `index` out (the reference too: the first run then takes its place).
    void RemoveRun(int index);

    // The controls' settings, applied at once; settings that cannot be compared are refused
    // with a message and the controls go back.
    bool SetChannel(int channel);
    bool SetFahrenheit(bool fahrenheit);
    bool SetReference(int index);
    bool SetAlignment(const Alignment& alignment);
    bool SetBand(const Band& band);
    // The shift by hand of run `index`, in tenths of a second.
    bool SetShift(int index, qint64 tenths);

    // "Export Table...", "Export Series...": CSV files chosen in the Save dialog.
    bool ExportTable();
    bool ExportSeries();
    // "Save Image...": both plots into a PNG, or a PDF of vectors for a name ending in ".pdf".
    bool SaveImage();
    // "Print...": one report, the plots and the table.
    bool Print();

    // The comparison on show; null while there is no run.
    const Comparison* Current() const { return comparison_.get(); }
    int RunCount() const { return int(runs_.size()); }

    QCustomPlot* GraphRuns() const { return graphRuns_; }
    QCustomPlot* GraphDifference() const { return graphDifference_; }
    QTableWidget* ResultTable() const { return resultTable_; }
    // The runs' marks ("run.4ch: 10:05:09 T2 load in") and what was compared as corrected.
    QListWidget* MarkList() const { return markList_; }
    QLabel* CorrectedNotes() const { return correctedNotes_; }
    QComboBox* AlignmentChoice() const { return alignmentChoice_; }

private:
    bool AddLoaded(std::vector<RunLoad> loads);
    bool Apply(const Comparison::Runs& runs, const std::vector<qint64>& shifts,
               const CompareSettings& settings);
    CompareSettings SettingsFromControls() const;
    void ShowSettings();
    void ShowPlots();
    // A line on a plot, drawn with all its points when zoomed in and with an outline of them
    // when its whole span is in view.
    QCPGraph* AddLine(QCustomPlot* plot, const PlotSeries& series, const QPen& pen);
    void ChooseDetail(const QCustomPlot* plot);
    void ShowTable();
    void ShowMarks();
    // The texts of the runs' marks, each once, in the order first found: the alignment
    // choices after the fixed ones.
    QStringList MarkTexts() const;
    void OnSample(const SampleRecord& record);
    QString WriteFile(const QString& title, const QByteArray& bytes);
    QString Caption() const;

    Dialogs& dialogs_;
    const Recorder* recorder_;
    Comparison::Runs runs_;
    std::vector<qint64> shifts_;
    CompareSettings settings_;
    std::unique_ptr<Comparison> comparison_;
    std::shared_ptr<Run> recording_; // the run of the recording in progress, while it grows
    QString recordingPath_;
    qint64 recordedLines_ = 0;

    QPushButton* addFilesButton_;
    QPushButton* addRecordingButton_;
    QPushButton* removeButton_;
    std::array<QPushButton*, 4> outputButtons_{}; // export, image, print: need a comparison
    QComboBox* referenceChoice_;
    QComboBox* channelChoice_;
    QComboBox* unitChoice_;
    QComboBox* alignmentChoice_;
    QComboBox* alignmentChannelChoice_;
    QDoubleSpinBox* levelEntry_;
    QDoubleSpinBox* bandAboveEntry_;
    QDoubleSpinBox* bandBelowEntry_;
    QDoubleSpinBox* shiftEntry_;
    QCustomPlot* graphRuns_;
    QCustomPlot* graphDifference_;
    QTableWidget* resultTable_;
    QListWidget* markList_;
    QLabel* correctedNotes_;
    QStringList markChoices_; // the mark texts offered after the fixed alignment entries
    struct PlottedLine;
    std::vector<PlottedLine> lines_;
    bool showing_ = false; // the controls are being set from the settings
};
