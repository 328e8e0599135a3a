#include "graphs/graph_commands.h"

#include "graphs/histogram_window.h"
#include "graphs/plot_window.h"
#include "graphs/realtime_graph_window.h"
#include "link/live_state.h"
#include "link/meter_timers.h"
#include "recording/column_plot.h"
#include "recording/reading_series.h"
#include "recording/sampler.h"
#include "recording/six_column_model.h"
#include "session/meter_session.h"

#include <QCoreApplication>
#include <QWidget>

#include <algorithm>

GraphCommands::GraphCommands(MeterSession& session, Dialogs& dialogs, QWidget* mainWindow,
                             QObject* parent)
    : QObject(parent)
    , session_(session)
    , dialogs_(dialogs)
    , mainWindow_(mainWindow) {}

GraphCommands::~GraphCommands() {
    delete graph_.data();
    delete plot_.data();
    delete histogram_.data();
}

PlotWindow* GraphCommands::Plot() const {
    return plot_;
}

RealtimeGraphWindow* GraphCommands::Graph() const {
    return graph_;
}

HistogramWindow* GraphCommands::HistogramShown() const {
    return histogram_;
}

PlotWindow& GraphCommands::PlotShown() {
    if (!plot_) {
        plot_ = new PlotWindow(dialogs_);
        plot_->setAttribute(Qt::WA_DeleteOnClose);
        connect(plot_, &PlotWindow::CompareRequested, this, &GraphCommands::CompareRequested);
        if (mainWindow_)
            plot_->move(mainWindow_->pos());
    }
    plot_->show();
    plot_->raise();
    return *plot_;
}

void GraphCommands::PlotChannel(int channel, bool fahrenheit) {
    if (channel < 0 || channel > 3 || plotting_)
        return;
    const LiveState& live = session_.Live();
    const Sampler& sampler = session_.GetSampler();
    const std::optional<PlotSetup> setup = SetupForChannel(
        live.Channel(channel), channel, fahrenheit, sampler.SampleIndex(), lastSetup_);
    if (!setup)
        return;
    plotting_ = true;
    QVector<double> values;
    ReadingSeries readings;
    {
        // The copy is one pass with no event in between, so no sample lands in the middle of
        // it, and the caption shows the count once, not per sample.
        LocalWork busy(session_.Timers());
        const QString caption = mainWindow_ ? mainWindow_->windowTitle() : QString();
        values = sampler.Buffers().Copy(channel, fahrenheit).values;
        // The buffers keep no times: the samples are taken as one sampling time apart. Their
        // type is the channel's now, as a change of type starts them over.
        const ChannelState& state = live.Channel(channel);
        readings = SeriesFromBuffers(
            sampler.Buffers(), channel, fahrenheit, qint64(std::max(1.0, sampler.SamplingTime())),
            fahrenheit ? state.LowerF : state.LowerC, fahrenheit ? state.UpperF : state.UpperC);
        if (mainWindow_) {
            mainWindow_->setWindowTitle(QStringLiteral(" %1 Completed").arg(values.size()));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (mainWindow_)
                mainWindow_->setWindowTitle(caption);
        }
    }
    lastSetup_ = *setup;
    PlotWindow& shown = PlotShown();
    shown.ShowPlot(*setup, values, readings);
    // The buffers hold the readings as the panel showed them, corrected where a channel is.
    if (session_.GetCalibration().InForce(channel, fahrenheit).kind != CorrectionKind::None)
        shown.SetCaption(setup->GraphCaption() + QStringLiteral(" corrected"));
    shown.SetMarks(LiveMarks(channel));
    plotting_ = false;
}

QList<PlotMark> GraphCommands::LiveMarks(int channel) const {
    // Drawn just after the sample each one follows; marks from before the samples started
    // over have none.
    // A full buffer drops its oldest samples: a mark moves back with the samples it follows.
    const qint64 dropped = session_.GetSampler().Buffers().Dropped();
    QList<PlotMark> marks;
    for (const Mark& m : session_.Marks()) {
        if (m.sample && *m.sample >= dropped && (!m.channel || *m.channel == channel))
            marks.append(PlotMark{double(*m.sample - dropped) + 0.5, m.Label()});
    }
    return marks;
}

void GraphCommands::PlotColumn(const ColumnPlot& plot) {
    PlotWindow& shown = PlotShown();
    const PlotSetup setup = SetupForColumn(plot);
    shown.ShowPlot(setup, plot.Values, plot.Readings);
    if (plot.Corrected)
        shown.SetCaption(setup.GraphCaption() + QStringLiteral(" corrected"));
    shown.SetMarks(plot.Marks);
}

void GraphCommands::ShowHistogram(const SixColumnModel& grid, int column) {
    if (column < SixColumnModel::FirstChannelColumn || column >= SixColumnModel::ColumnCount)
        return;
    const Histogram histogram =
        MakeHistogram(grid.Heading(column), grid.Heading(0), grid.rowCount(),
                      [&](qint64 row) { return grid.ShownText(int(row), column); });
    if (!histogram_) {
        histogram_ = new HistogramWindow;
        histogram_->setAttribute(Qt::WA_DeleteOnClose);
    }
    histogram_->ShowHistogram(histogram);
    histogram_->show();
    histogram_->raise();
}

void GraphCommands::ShowGraph() {
    if (graph_)
        return;
    graph_ = new RealtimeGraphWindow(dialogs_, session_, session_.Live().UnitF());
    graph_->setAttribute(Qt::WA_DeleteOnClose);
    // Closed now, whenever the window itself goes.
    connect(graph_, &RealtimeGraphWindow::Closed, this, [this] { graph_.clear(); });
    // The graph opens to the right of the main window.
    if (mainWindow_)
        graph_->move(mainWindow_->frameGeometry().right() + 1, mainWindow_->y());
    graph_->show();
}

void GraphCommands::CloseGraph() {
    if (graph_)
        graph_->close();
}

void GraphCommands::OnSample(const SampleRecord& record) {
    if (!graph_)
        return;
    const bool fahrenheit = session_.Live().UnitF();
    graph_->ShowSample(fahrenheit ? record.ChartedF : record.ChartedC, fahrenheit);
}
