#include "views/six_column_model.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

DataFields Row(int n) {
    return RecordFields(n, QStringLiteral("2013/08/08 14:05:09"),
                        {QStringLiteral("-.5"), QStringLiteral("- - -"), QStringLiteral("Over"),
                         QString::number(n % 1000) + QStringLiteral(".4")});
}

QStringList ToList(const DataFields& f) {
    return QStringList(f.begin(), f.end());
}

} // namespace

class TestSixColumnModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cellTexts_data();
    void cellTexts();
    void headingsAreHeaderData();
    void appendNotifiesOncePerCall();
    void clearKeepsHeadings();
    void outOfRangeIsEmpty();
    void liveListFitsInMemory();
};

void TestSixColumnModel::cellTexts_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("a record") << QStringList{"1",    "2013/08/08 14:05:09", "23.4", "-.5", "- - -",
                                             "Under"};
    QTest::newRow("empty cells") << QStringList{"", "", "", "", "", ""};
    QTest::newRow("non-ASCII and a TAB") << QStringList{QStringLiteral("\u00B0F"),
                                                        QStringLiteral("\u20AC\t\u03A9"),
                                                        QString::fromUtf8("\xF0\x9F\x98\x80"),
                                                        "x",
                                                        "",
                                                        "T4 - K"};
}

void TestSixColumnModel::cellTexts() {
    QFETCH(QStringList, texts);
    SixColumnModel model;
    DataFields fields;
    for (int k = 0; k < 6; ++k)
        fields[size_t(k)] = texts[k];
    // Between two other rows, so that an offset slip would show.
    QVERIFY(model.AppendRow(Row(1)));
    QVERIFY(model.AppendRow(fields));
    QVERIFY(model.AppendRow(Row(3)));
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(ToList(model.RowTexts(1)), texts);
    for (int k = 0; k < 6; ++k) {
        QCOMPARE(model.Text(1, k), texts[k]);
        QCOMPARE(model.data(model.index(1, k)).toString(), texts[k]);
    }
    QCOMPARE(ToList(model.RowTexts(0)), ToList(Row(1)));
    QCOMPARE(ToList(model.RowTexts(2)), ToList(Row(3)));
}

void TestSixColumnModel::headingsAreHeaderData() {
    SixColumnModel model;
    QSignalSpy changed(&model, &QAbstractItemModel::headerDataChanged);
    model.SetHeadings(
        HeadingFields(QStringLiteral("\u00B0C"), {QStringLiteral("K"), QStringLiteral("J"),
                                                  QStringLiteral("T"), QStringLiteral("E")}));
    model.SetHeading(0, QStringLiteral("\u00B0F"));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(model.columnCount(), 6);
    QCOMPARE(model.rowCount(), 0); // grid row 0 is the heading, not a data row
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("\u00B0F"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Date Time"));
    QCOMPARE(model.headerData(5, Qt::Horizontal).toString(), QStringLiteral("T4 - E"));
    QCOMPARE(model.Heading(2), QStringLiteral("T1 - K"));
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
}

void TestSixColumnModel::appendNotifiesOncePerCall() {
    SixColumnModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QVERIFY(model.AppendRow(Row(1)));
    QVERIFY(model.AppendRows({Row(2), Row(3), Row(4)}));
    QVERIFY(model.AppendRows({}));
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(inserted[1][1].toInt(), 1);
    QCOMPARE(inserted[1][2].toInt(), 3);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.Text(3, 0), QStringLiteral("4"));
}

void TestSixColumnModel::clearKeepsHeadings() {
    SixColumnModel model;
    model.SetHeading(1, QStringLiteral("Date Time"));
    for (int n = 1; n <= 100; ++n)
        model.AppendRow(Row(n));
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.Clear();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.Heading(1), QStringLiteral("Date Time"));
    QCOMPARE(model.MemoryBytes(), qint64(0));
    // Numbering is the caller's: rows after a dump carry on from where the list was.
    model.AppendRow(Row(320001));
    QCOMPARE(model.Text(0, 0), QStringLiteral("320001"));
}

void TestSixColumnModel::outOfRangeIsEmpty() {
    SixColumnModel model;
    model.AppendRow(Row(1));
    QCOMPARE(model.Text(1, 0), QString());
    QCOMPARE(model.Text(0, 6), QString());
    QCOMPARE(model.Text(-1, 0), QString());
    QCOMPARE(model.Heading(6), QString());
    QVERIFY(!model.data(model.index(5, 0)).isValid());
}

void TestSixColumnModel::liveListFitsInMemory() {
    SixColumnModel model;
    QList<DataFields> batch;
    for (int n = 1; n <= RecordsPerDataFile; ++n) {
        batch.append(Row(n));
        if (batch.size() == 4000) {
            QVERIFY(model.AppendRows(batch));
            batch.clear();
        }
    }
    QCOMPARE(model.rowCount(), RecordsPerDataFile);
    QVERIFY2(model.MemoryBytes() < 64 * 1024 * 1024,
             qPrintable(QString::number(model.MemoryBytes())));
    QCOMPARE(model.Text(RecordsPerDataFile - 1, 0), QStringLiteral("320000"));
    QCOMPARE(model.Text(RecordsPerDataFile - 1, 5), QStringLiteral("0.4"));
}

QTEST_GUILESS_MAIN(TestSixColumnModel)
#include "tst_six_column_model.moc"
