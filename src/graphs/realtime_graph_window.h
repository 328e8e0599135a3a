#pragma once

// The window `RealTimeSLM` ("Real Time Graph"): a sweeping strip chart drawn on the window's
// surface. Once a second the pen steps right and draws a line to the latest sample of every
// channel with a probe; at the right edge it wraps to the left and draws over the old trace.
// "Limit" sets the value range and the steps across the width; "Print" prints the surface.

#include "config/alarm_events.h"
#include "graphs/sweep_layout.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class BandWatch;
class Dialogs;
class MeterSession;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolBar;
class SweepSurface;
struct Mark;
struct SampleRecord;

class RealtimeGraphWindow : public QWidget {
    Q_OBJECT
public:
    using Values = std::array<std::optional<int>, 4>; // tenths; empty: no probe

    // Opens with the start range of the meter's unit.
    // The reference run it loads is the session's: it is held against every sample, whether
    // this window is open or not.
    RealtimeGraphWindow(Dialogs& dialogs, MeterSession& session, bool fahrenheit,
                        QWidget* parent = nullptr);
    ~RealtimeGraphWindow() override;

    // The channel colours of the trace and the legend.
    static QColor ChannelColour(int channel);

    // The latest sample, in the meter's display unit. A change of unit starts the graph over in
    // the start range of the new unit.
    void ShowSample(const Values& tenths, bool fahrenheit);

    // `Timer1`'s tick: one step of the pen.
    void Tick();
    // The full redraw of every size change: frame, grid, labels, the pen back at the left edge.
    void Redraw();
    // Toolbar "Limit": the panel with the range and the counts; the sweep pauses.
    void ShowLimit();
    // `CmdOK`: checks the entries; refused entries leave everything as it was. True when taken.
    bool ConfirmLimit();
    // Toolbar "Print": the print dialog, then the surface on the page. False when nothing was
    // printed.
    bool Print();

    // Toolbar "Reference": the panel that loads a reference run for a channel, with its band
    // and how the live readings line up with it.
    void ShowReferencePanel();
    // `CmdReferenceOK`: loads the run in `TxtReferenceFile` and holds the channel against it.
    // A file that cannot be read, a band or an alignment that cannot be taken is refused with
    // a message and the reference stays as it was. True when taken.
    bool ConfirmReference();
    // `CmdReferenceClear`: no reference any more.
    void ClearReference();
    const BandWatch* Reference() const;

    bool Fahrenheit() const { return fahrenheit_; }
    double ValueMax() const { return valueMax_; }
    double ValueMin() const { return valueMin_; }
    double StepX() const { return stepX_; }
    double PenX() const { return penX_; }
    const SweepLayout& Layout() const { return layout_; }
    // The labels drawn at the axis, bottom to top.
    const QStringList& ValueLabels() const { return labels_; }
    const QImage& Surface() const { return image_; }
    // The labels of the marks drawn since the window opened, oldest first.
    const QStringList& MarksDrawn() const { return marksDrawn_; }
    QWidget* SurfaceWidget() const;
    QTimer& PenTimer() { return penTimer_; }
    QWidget* LimitPanel() const { return limitPanel_; }
    QLineEdit* SweepMaximumEntry() const { return sweepMaximumEntry_; }
    QLineEdit* SweepMinimumEntry() const { return sweepMinimumEntry_; }
    QLineEdit* SweepStepsEntry() const { return sweepStepsEntry_; }
    QPushButton* LimitOkButton() const { return limitOkButton_; }
    QToolBar* Toolbar() const { return toolbar_; }
    QWidget* ReferencePanel() const { return referencePanel_; }
    QLineEdit* ReferenceFileEntry() const { return referenceFileEntry_; }
    QComboBox* ReferenceChannelChoice() const { return referenceChannelChoice_; }
    QLineEdit* BandEntry() const { return bandEntry_; }
    QLineEdit* AlignmentEntry() const { return alignmentEntry_; }

Q_SIGNALS:
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class SweepSurface;
    QPointF PointAt(double x, double value) const;
    void DrawTimeMark(double x);
    void DrawMark(const Mark& mark);
    void DrawLegend();
    void DrawBand();

    Dialogs& dialogs_;
    bool fahrenheit_;
    double valueMax_;
    double valueMin_;
    double stepX_ = 1.0;
    double penX_ = 0;
    SweepLayout layout_;
    QStringList labels_;
    Values latest_{};
    std::array<std::optional<QPointF>, 4> last_{}; // the last point drawn per channel
    int legendShown_ = -1;                         // channels in the legend, one bit each
    double timeLabelEnd_ = 0;                      // right end of the last time label of this sweep
    double timeLabelX_ = -1;                       // the mark it belongs to
    QImage image_;
    QTimer penTimer_;
    QToolBar* toolbar_ = nullptr;
    SweepSurface* surface_ = nullptr;
    QWidget* limitPanel_ = nullptr;
    QLineEdit* sweepMaximumEntry_ = nullptr;
    QLineEdit* sweepMinimumEntry_ = nullptr;
    QLineEdit* sweepStepsEntry_ = nullptr;
    QPushButton* limitOkButton_ = nullptr;
    QWidget* referencePanel_ = nullptr;
    QLineEdit* referenceFileEntry_ = nullptr;
    QComboBox* referenceChannelChoice_ = nullptr;
    QLineEdit* bandEntry_ = nullptr;
    QLineEdit* alignmentEntry_ = nullptr;
    MeterSession& session_;
    // The band's lower edge, the reference and its upper edge where the pen drew them last.
    std::optional<std::array<QPointF, 3>> lastBand_;
    QStringList marksDrawn_;
};
