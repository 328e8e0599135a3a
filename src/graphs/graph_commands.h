#pragma once

// The graph commands of the program: the plot of a channel's strip chart or of a saved-file
// column in the one `Plot` window, the histogram of a saved-file column, and the "Graph"
// button's real-time graph, fed with every sample while it is open (`GraphOpen`).

#include "graphs/plot_setup.h"
#include "recording/marks.h"

#include <QList>

#include <QObject>
#include <QPointer>

class Dialogs;
class HistogramWindow;
class MeterSession;
class PlotWindow;
class RealtimeGraphWindow;
class SixColumnModel;
class QWidget;
struct ColumnPlot;
struct SampleRecord;

class GraphCommands : public QObject {
    Q_OBJECT
public:
    // `mainWindow` places the windows and shows the progress of a plot in its caption.
    GraphCommands(MeterSession& session, Dialogs& dialogs, QWidget* mainWindow,
                  QObject* parent = nullptr);
    ~GraphCommands() override;

    // A click on channel `channel`'s strip chart of the °C or °F panel: its samples since the
    // last configuration change. Nothing for a channel without a probe.
    void PlotChannel(int channel, bool fahrenheit);
    // A click on a channel column of the saved-file list.
    void PlotColumn(const ColumnPlot& plot);
    // "Ln" of the saved-file list: the histogram of grid column `column` (2 to 5).
    void ShowHistogram(const SixColumnModel& grid, int column);

    // "Graph": opens the real-time graph unless it is open.
    void ShowGraph();
    // The lost-link recovery closes the real-time graph.
    void CloseGraph();
    bool GraphOpen() const { return !graph_.isNull(); }
    // Every sample: the real-time graph draws the latest one.
    void OnSample(const SampleRecord& record);

    PlotWindow* Plot() const;
    RealtimeGraphWindow* Graph() const;
    HistogramWindow* HistogramShown() const;

Q_SIGNALS:
    // "Compare..." of the Plot window.
    void CompareRequested();

private:
    PlotWindow& PlotShown();
    // The session's marks on the live buffers' plot of `channel`: its own and those of all.
    QList<PlotMark> LiveMarks(int channel) const;

    MeterSession& session_;
    Dialogs& dialogs_;
    QPointer<QWidget> mainWindow_;
    QPointer<PlotWindow> plot_;
    QPointer<RealtimeGraphWindow> graph_;
    QPointer<HistogramWindow> histogram_;
    PlotSetup lastSetup_; // what the last strip-chart plot left, for a type outside the table
    bool plotting_ = false;
};
