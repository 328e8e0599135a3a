#include "views/six_column_table.h"

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

SixColumnTable::SixColumnTable(QWidget* parent)
    : QTableView(parent)
    , m_model(new SixColumnModel(this)) {
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    // Fixed row heights keep a table of 320000 rows quick to lay out and to scroll.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    SetColumnWidths();

    connect(m_model, &QAbstractItemModel::rowsInserted, this, &SixColumnTable::OnRowsInserted);
    // Rows added grow the range without moving the value, so this keeps the user's position.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { m_atBottom = value >= verticalScrollBar()->maximum(); });
    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { Q_EMIT ColumnClicked(index.column()); });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &SixColumnTable::ColumnClicked);
}

void SixColumnTable::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        SetColumnWidths();
    }
}

// Wide enough for a record number or reading ("ABADEAA") and for a date-time text
// ("AAAAA/AA/AAHH:NN:SS"), in the window's font, plus the cell's margins.
void SixColumnTable::SetColumnWidths() {
    const QFontMetrics fm(font());
    const int margin = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 8;
    const int narrow = fm.horizontalAdvance(QStringLiteral("ABADEAA")) + margin;
    const int wide = fm.horizontalAdvance(QStringLiteral("AAAAA/AA/AAHH:NN:SS")) + margin;
    for (int k = 0; k < SixColumnModel::ColumnCount; ++k)
        setColumnWidth(k, k == SixColumnModel::DateTimeColumn ? wide : narrow);
}

// The scroll waits for the event loop, so that rows added in a burst (a loaded file, a filled
// list) lay the view out once rather than once a row.
void SixColumnTable::OnRowsInserted() {
    if (!m_followNewest || !m_atBottom || m_model->rowCount() <= FollowAfterRows || m_scrollPending)
        return;
    m_scrollPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_scrollPending = false;
            if (m_atBottom)
                scrollToBottom();
        },
        Qt::QueuedConnection);
}

ListParts AddToolbarAndGrid(QWidget* window, const QString& toolbarAccessibleName,
                            const std::vector<ListCommand>& commands,
                            const QString& gridAccessibleName, const DataFields& headings) {
    auto* toolbar = new QToolBar(window);
    toolbar->setObjectName(QStringLiteral("Toolbar1"));
    toolbar->setAccessibleName(toolbarAccessibleName);
    for (const ListCommand& command : commands) {
        QAction* action = toolbar->addAction(command.text, window, command.run);
        action->setObjectName(QStringLiteral("Toolbar1_") + command.key);
        action->setIconText(command.text); // a tool button drops a "..." unless told
        action->setToolTip(command.toolTip);
    }

    auto* grid = new SixColumnTable(window);
    grid->setObjectName(QStringLiteral("GridN"));
    grid->setAccessibleName(gridAccessibleName);
    grid->Model()->SetHeadings(headings);

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(grid, 1);
    return {grid, layout};
}

ReadingNotes AddReadingNotes(QWidget* window, QVBoxLayout* layout) {
    auto* legend = new QLabel(CorrectionLegend(), window);
    legend->setObjectName(QStringLiteral("LblLegend"));
    legend->setAccessibleName(QStringLiteral("Corrected readings"));
    legend->setWordWrap(true);
    legend->hide();
    auto* marks = new QListWidget(window);
    marks->setObjectName(QStringLiteral("LstMarks"));
    marks->setAccessibleName(QStringLiteral("Marks"));
    marks->setMaximumHeight(80);
    marks->hide();
    layout->addWidget(legend);
    layout->addWidget(marks);
    return {legend, marks};
}
