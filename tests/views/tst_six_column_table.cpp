#include "views/six_column_table.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {

void AddRows(SixColumnTable& table, int from, int to) {
    for (int n = from; n <= to; ++n) {
        table.Model()->AppendRow(RecordFields(n, QStringLiteral("2013/08/08 14:05:09"),
                                              {QStringLiteral("23.4"), QStringLiteral("- - -"),
                                               QStringLiteral("Over"), QStringLiteral("Under")}));
    }
}

} // namespace

class TestSixColumnTable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void followsNewestAfterTenRows_data();
    void followsNewestAfterTenRows();
    void columnClicks();
    void columnWidths();
};

void TestSixColumnTable::followsNewestAfterTenRows_data() {
    QTest::addColumn<bool>("follow");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("atBottom");
    QTest::newRow("live list, 10 rows: no scroll") << true << 10 << false;
    QTest::newRow("live list, 11th row scrolls") << true << 11 << true;
    QTest::newRow("live list, many rows") << true << 500 << true;
    QTest::newRow("other lists never follow") << false << 500 << false;
}

void TestSixColumnTable::followsNewestAfterTenRows() {
    QFETCH(bool, follow);
    QFETCH(int, rows);
    SixColumnTable table;
    table.SetFollowNewest(follow);
    // Room for about three rows, so that ten rows already need a scroll bar.
    table.resize(600, table.horizontalHeader()->height() +
                          3 * table.verticalHeader()->defaultSectionSize());
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    AddRows(table, 1, rows);
    QCoreApplication::processEvents();
    QScrollBar* bar = table.verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QFETCH(bool, atBottom);
    QCOMPARE(bar->value() == bar->maximum(), atBottom);
    QCOMPARE(bar->value() == 0, !atBottom);
}

void TestSixColumnTable::columnClicks() {
    SixColumnTable table;
    AddRows(table, 1, 3);
    table.resize(600, 300);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QSignalSpy clicks(&table, &SixColumnTable::ColumnClicked);
    const QRect cell = table.visualRect(table.Model()->index(1, 3));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, cell.center());
    QHeaderView* header = table.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(5) + 5, header->height() / 2));
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(clicks[0][0].toInt(), 3);
    QCOMPARE(clicks[1][0].toInt(), 5);
}

void TestSixColumnTable::columnWidths() {
    SixColumnTable table;
    const QFontMetrics fm(table.font());
    QVERIFY(table.columnWidth(1) > table.columnWidth(0));
    QVERIFY(table.columnWidth(1) >= fm.horizontalAdvance(QStringLiteral("2013/08/08 14:05:09")));
    for (int k : {0, 2, 3, 4, 5}) {
        QCOMPARE(table.columnWidth(k), table.columnWidth(0));
        QVERIFY(table.columnWidth(k) >= fm.horizontalAdvance(QStringLiteral("-1234.5")));
    }
}

QTEST_MAIN(TestSixColumnTable)
#include "tst_six_column_table.moc"
