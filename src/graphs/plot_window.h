#pragma once

// The window `Plot` ("Plot"): one temperature series of one channel against the sample number,
// with range fields, mouse track modes, a cursor readout, "Reset Scale", "Print Graph" and
// "Save Image...", and statistics over the samples in view or a stretch dragged across the plot.

#include "graphs/plot_setup.h"
#include "recording/marks.h"
#include "recording/reading_series.h"

#include <QVector>
#include <QWidget>

#include <array>
#include <optional>
#include <utility>

class Dialogs;
class PlotStatsPanel;
class QCPGraph;
class QCPAbstractItem;
class QCPItemRect;
class QCPItemTracer;
class QComboBox;
class QCustomPlot;
class QDoubleSpinBox;
class QLabel;
class QMouseEvent;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class PlotWindow : public QWidget {
    Q_OBJECT
public:
    // The entries of `Combo1`, in list order.
    enum TrackMode {
        Normal,
        CursorCoordinates,
        PanXY,
        PanX,
        PanY,
        ZoomXY,
        ZoomX,
        ZoomY,
        SelectStretch
    };
    static QStringList TrackModeEntries();
    static QString TrackModeDescription(int index);

    explicit PlotWindow(Dialogs& dialogs, QWidget* parent = nullptr);
    ~PlotWindow() override;

    // Replaces the curve, the captions and the ranges with a new plot; `values` are the points
    // 1, 2, 3, ... (NaN: no value there, a gap in the line). `readings` are the same samples as
    // tenths with their times, for the statistics; none when they are not of the same length.
    void ShowPlot(const PlotSetup& setup, const QVector<double>& values,
                  const ReadingSeries& readings = {});
    const PlotSetup& Setup() const { return setup_; }
    // The marks of the plot: a vertical line at each `x` with its label. A new plot has none
    // until they are set.
    void SetMarks(const QList<PlotMark>& marks);
    const QList<PlotMark>& Marks() const { return marks_; }
    // The graph's caption over the setup's ("T1 corrected").
    void SetCaption(const QString& caption);
    QString Caption() const;

    // The click of `Combo1`: the mouse mode of the graph.
    void SelectTrackMode(int index);
    int TrackModeIndex() const;
    // Cursor 1, moved as the mouse drags it; the readouts follow.
    void MoveCursor(double x, double y);
    bool CursorVisible() const;
    QPointF CursorPosition() const;
    // "Reset Scale": the ranges of the last plot, on the axes and in the fields.
    void ResetScale();
    // "Print Graph": the print dialog, then the graph as vectors on a white page with the
    // statistics as the window shows them below it. False when nothing was printed.
    bool PrintGraph();
    // "Save Image...": the Save dialog, then the graph as drawn on screen into a PDF of vectors
    // (a name ending in ".pdf") or else a PNG image. False when nothing was saved; a file that
    // could not be written is reported.
    bool SaveImage();

    QCustomPlot* Graph() const { return graph_; } // `CWGraph1`
    // Axis 1 is X (sample numbers), axis 2 is Y (temperature).
    QDoubleSpinBox* AxisMin(int axis) const { return axisMin_[size_t(axis - 1)]; }
    QDoubleSpinBox* AxisMax(int axis) const { return axisMax_[size_t(axis - 1)]; }
    QLabel* XPosition() const { return xPosition_; }
    QLabel* YPosition() const { return yPosition_; }
    QLabel* UnitLabel() const { return label4_; }    // `Label4`
    QLabel* CursorYLabel() const { return label2_; } // `Label2`
    QComboBox* TrackModeList() const { return combo1_; }

    // ---- Statistics -----------------------------------------------------------------------
    PlotStatsPanel* Statistics() const { return stats_; }
    // A stretch dragged across the plot in "Select Stretch" mode, sample numbers from 1; the
    // figures then cover it rather than what is in view. ClearSelection goes back to the view.
    void SelectSamples(double fromX, double toX);
    void ClearSelection();
    std::optional<std::pair<qsizetype, qsizetype>> Selection() const { return selection_; }
    QCPGraph* RateCurve() const { return rateCurve_; }

Q_SIGNALS:
    // "Compare...": runs from files, compared in the Compare window.
    void CompareRequested();

private:
    void ApplyRangeFields();
    void ShowRangesInFields();
    void OnMousePress(QMouseEvent* event);
    void OnMouseMove(QMouseEvent* event);
    void OnZoomRect(const QRect& rect);
    void ShowStatistics();
    void ShowRateCurve(const QVector<double>& degreesPerMinute);

    Dialogs& dialogs_;
    PlotSetup setup_;
    QCustomPlot* graph_ = nullptr;
    QCPItemTracer* cursor_ = nullptr;
    std::array<QDoubleSpinBox*, 2> axisMin_{};
    std::array<QDoubleSpinBox*, 2> axisMax_{};
    QLabel* label4_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* xPosition_ = nullptr;
    QLabel* yPosition_ = nullptr;
    QComboBox* combo1_ = nullptr;
    QPlainTextEdit* description_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* saveImageButton_ = nullptr;
    bool fillingFields_ = false;
    bool draggingCursor_ = false;

    PlotStatsPanel* stats_ = nullptr;
    QCPGraph* rateCurve_ = nullptr;        // on the second Y axis, when switched on
    QCPItemRect* selectionBand_ = nullptr; // shades the selected stretch
    std::optional<std::pair<qsizetype, qsizetype>> selection_; // samples from 0
    QTimer* statsTimer_ = nullptr; // one count per burst of range changes (a pan drag)
    QList<PlotMark> marks_;
    QList<QCPAbstractItem*> markItems_; // the lines and labels drawn for them
};
