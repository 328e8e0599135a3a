#pragma once

// The six-column table as a widget: one view over its own SixColumnModel, so that a window with
// two tables (the logger data list's °C and °F) just makes two. The six grids of the table scroll
// together by construction, being one view. The caller sets objectName ("GridN", "GridC",
// "GridF") and an accessible name.

#include "recording/six_column_model.h"

#include <QTableView>

#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QVBoxLayout;

class SixColumnTable : public QTableView {
    Q_OBJECT
public:
    // The live list keeps its newest row in view once it holds more rows than this.
    static constexpr int FollowAfterRows = 10;

    explicit SixColumnTable(QWidget* parent = nullptr);

    SixColumnModel* Model() const { return m_model; }

    // On for the live list: every added row beyond the tenth brings the newest row into view, as
    // soon as the event loop runs, while the view is at its bottom. Scrolled up to read older
    // rows, it stays where the user put it until they scroll back down.
    void SetFollowNewest(bool follow) { m_followNewest = follow; }
    bool FollowNewest() const { return m_followNewest; }

Q_SIGNALS:
    // A click on column k, on a cell or on its heading (the grid's Click event of `GridN(k)`).
    void ColumnClicked(int column);

protected:
    void changeEvent(QEvent* event) override;

private:
    void SetColumnWidths();
    void OnRowsInserted();

    SixColumnModel* m_model;
    bool m_followNewest = false;
    bool m_scrollPending = false;
    // The view was at its bottom when it last scrolled; new rows alone do not change this.
    bool m_atBottom = true;
};

// A command on a list window's toolbar: `text` on its button, `Toolbar1_<key>` its object name.
struct ListCommand {
    QString text;
    QString key;
    QString toolTip;
    std::function<void()> run;
};

// What every list window of one six-column table is built of, filling `window` top to bottom
// without margins: the toolbar `Toolbar1` with `commands`, then the grid `GridN` with
// `headings`, taking the room. A window adds what goes below the grid to `layout`.
struct ListParts {
    SixColumnTable* grid;
    QVBoxLayout* layout;
};
ListParts AddToolbarAndGrid(QWidget* window, const QString& toolbarAccessibleName,
                            const std::vector<ListCommand>& commands,
                            const QString& gridAccessibleName, const DataFields& headings);

// What a list of readings shows below its grid, each hidden until it has something to show:
// the legend of the corrected readings' markers (`LblLegend`) and the marks (`LstMarks`).
struct ReadingNotes {
    QLabel* legend;
    QListWidget* marks;
};
ReadingNotes AddReadingNotes(QWidget* window, QVBoxLayout* layout);
