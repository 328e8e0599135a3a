#include "views/list_window.h"

#include "link/clock.h"
#include "recording/grid_file.h"
#include "recording/marks.h"
#include "recording/sampler.h"
#include "ui/hourglass.h"
#include "views/grid_commands.h"
#include "views/six_column_table.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

// Commands that wait on a dialog or the printer let events run; a close asked for meanwhile
// waits until they end, so that they never work on a window that is gone.
class ListWindow::BusyScope {
public:
    explicit BusyScope(ListWindow& window)
        : window_(window) {
        ++window_.busy_;
    }
    ~BusyScope() {
        if (--window_.busy_ == 0 && window_.closing_)
            window_.close();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    ListWindow& window_;
};

ListWindow::ListWindow(Dialogs& dialogs, MeterTimers& timers, const Clock& clock,
                       const QString& unitText, bool unitF,
                       const std::array<QString, 4>& typeLetters, qint64 dumpEvery, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , dialogs_(dialogs)
    , timers_(timers)
    , clock_(clock)
    , listUnitText_(unitText)
    , listUnitF_(unitF)
    , dumpEvery_(qMax<qint64>(dumpEvery, 1)) {
    setObjectName(QStringLiteral("List"));
    setWindowTitle(QStringLiteral("List"));
    setAccessibleName(QStringLiteral("Live list"));

    const ListParts parts =
        AddToolbarAndGrid(this, QStringLiteral("List toolbar"),
                          {{QStringLiteral("Save"), QStringLiteral("Save"),
                            QStringLiteral("Save As"), [this] { Save(); }},
                           {QStringLiteral("Print"), QStringLiteral("Print"),
                            QStringLiteral("Print"), [this] { Print(); }}},
                          QStringLiteral("Live readings"), HeadingFields(unitText, typeLetters));
    grid_ = parts.grid;
    grid_->SetFollowNewest(true);

    dumpLabel_ = new QLabel(this);
    dumpLabel_->setObjectName(QStringLiteral("LblDump"));
    dumpLabel_->setAccessibleName(QStringLiteral("Last dump"));
    dumpLabel_->setWordWrap(true);
    dumpLabel_->hide();

    const ReadingNotes notes = AddReadingNotes(this, parts.layout);
    legend_ = notes.legend;
    marks_ = notes.marks;
    parts.layout->addWidget(dumpLabel_);
    resize(grid_->horizontalHeader()->length() + 40, 360);
}

ListWindow::~ListWindow() = default;

void ListWindow::Append(const SampleRecord& sample) {
    if (closing_)
        return;
    ++listRowCount_;
    SixColumnModel& model = *grid_->Model();
    // The rows hold what the meter read, which is what a save or a dump writes.
    model.AppendRow(RecordFields(listRowCount_, sample.TimeText, sample.ReadTexts(listUnitF_)));
    if (sample.AnyCorrected()) {
        model.SetCorrected(model.rowCount() - 1,
                           {listUnitF_ ? sample.TextF : sample.TextC, sample.Corrected});
        legend_->show();
    }
    if (listRowCount_ % dumpEvery_ == 0)
        Dump();
}

bool ListWindow::Dump() {
    SixColumnModel& model = *grid_->Model();
    const QString fileName = DumpFileName(clock_.Now());
    const QString caption = windowTitle();
    QString error;
    bool saved = false;
    {
        Hourglass hourglass;
        // The dump runs inside one sample; no events run until it is written.
        saved = SaveGridToFile(
            model, fileName, &error,
            [this](qint64 row) {
                setWindowTitle(QString::number(row) + QStringLiteral(" Records Completed"));
            },
            10000);
    }
    setWindowTitle(caption);
    const QString where = QDir::toNativeSeparators(QDir::current().absoluteFilePath(fileName));
    if (saved) {
        dumpLabel_->setText(QStringLiteral("Records %1 to %2 saved to %3")
                                .arg(listRowCount_ - model.rowCount() + 1)
                                .arg(listRowCount_)
                                .arg(where));
        model.Clear();
    } else {
        // The rows stay, so that the next dump still holds them.
        dumpLabel_->setText(
            QStringLiteral("Not saved to %1 (%2); the list keeps its rows.").arg(where, error));
    }
    dumpLabel_->show();
    return saved;
}

void ListWindow::AddMark(const Mark& mark) {
    if (closing_)
        return;
    marks_->addItem(mark.Label());
    marks_->scrollToBottom();
    marks_->show();
}

QString ListWindow::DumpStatus() const {
    return dumpLabel_->text();
}

void ListWindow::Save() {
    BusyScope busy(*this);
    SaveGridAs(this, *grid_->Model(), dialogs_);
}

void ListWindow::Print() {
    BusyScope busy(*this);
    PrintGrid(this, *grid_->Model(), dialogs_, timers_);
}

void ListWindow::RequestClose() {
    if (closing_)
        return;
    closing_ = true;
    if (busy_ == 0)
        close();
}

void ListWindow::closeEvent(QCloseEvent* event) {
    closing_ = true;
    if (busy_ > 0) {
        event->ignore();
        return;
    }
    event->accept();
    Q_EMIT Closed();
}
