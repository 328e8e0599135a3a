#include "views/six_column_table.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {

void AddRows(SixColumnTable& table, int count) {
    for (int n = 1; n <= count; ++n)
        table.Model()->AppendRow(
            RecordFields(n, QStringLiteral("2013/08/08 14:05:09"), {"23.4", "- - -", "Over", ""}));
}

} // namespace

class TestSixColumnTable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void followsNewestAfterTenRows_data();
    void followsNewestAfterTenRows();
    void columnClicks();
};

void TestSixColumnTable::followsNewestAfterTenRows_data() {
    QTest::addColumn<bool>("follow");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("userScroll"); // where the user drags the bar before one more row
    QTest::addColumn<bool>("atBottom");
    QTest::newRow("live list, 10 rows: no scroll") << true << 10 << -1 << false;
    QTest::newRow("live list, 11th row scrolls") << true << 11 << -1 << true;
    QTest::newRow("live list, many rows") << true << 500 << -1 << true;
    QTest::newRow("other lists never follow") << false << 500 << -1 << false;
    // Reading older rows, the view stays put; back at the bottom, it follows again.
    QTest::newRow("scrolled up stays") << true << 500 << 100 << false;
    QTest::newRow("scrolled back down follows") << true << 500 << 100000 << true;
}

void TestSixColumnTable::followsNewestAfterTenRows() {
    QFETCH(bool, follow);
    QFETCH(int, rows);
    QFETCH(int, userScroll);
    QFETCH(bool, atBottom);
    SixColumnTable table;
    table.SetFollowNewest(follow);
    // Room for about three rows, so that ten rows already need a scroll bar.
    table.resize(600, table.horizontalHeader()->height() +
                          3 * table.verticalHeader()->defaultSectionSize());
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    AddRows(table, rows);
    QCoreApplication::processEvents();
    QScrollBar* bar = table.verticalScrollBar();
    int expectedTop = 0;
    if (userScroll >= 0) {
        bar->setValue(userScroll);
        expectedTop = bar->value();
        AddRows(table, 1);
        QCoreApplication::processEvents();
    }
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), atBottom ? bar->maximum() : expectedTop);
}

void TestSixColumnTable::columnClicks() {
    SixColumnTable table;
    AddRows(table, 3);
    table.resize(600, 300);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QSignalSpy clicks(&table, &SixColumnTable::ColumnClicked);
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {},
                      table.visualRect(table.Model()->index(1, 3)).center());
    QHeaderView* header = table.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(5) + 5, header->height() / 2));
    QCOMPARE(QList<QVariantList>(clicks), (QList<QVariantList>{{3}, {5}}));
}

QTEST_MAIN(TestSixColumnTable)
#include "tst_six_column_table.moc"
