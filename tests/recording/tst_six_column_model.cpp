#include "recording/six_column_model.h"
#include "support/test_files.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

DataFields Row(int n) {
    return RecordFields(n, QStringLiteral("2013/08/08 14:05:09"),
                        {"-.5", "- - -", "Over", QString::number(n % 1000) + ".4"});
}

} // namespace

class TestSixColumnModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cellTexts_data();
    void cellTexts();
    void headingsAndInsertNotices();
    void liveListFitsInMemoryAndClears();
};

void TestSixColumnModel::cellTexts_data() {
    QTest::addColumn<QStringList>("texts");
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
    std::copy(texts.begin(), texts.end(), fields.begin());
    // Between two other rows, so that an offset slip would show.
    QVERIFY(model.AppendRow(Row(1)) && model.AppendRow(fields) && model.AppendRow(Row(3)));
    QCOMPARE(model.rowCount(), 3);
    QStringList shown;
    for (int k = 0; k < 6; ++k)
        shown << model.data(model.index(1, k)).toString();
    QCOMPARE(shown, texts);
    QCOMPARE(ToList(model.RowTexts(1)), texts);
    QCOMPARE(ToList(model.RowTexts(0)) + ToList(model.RowTexts(2)),
             ToList(Row(1)) + ToList(Row(3)));
    // Outside the rows and columns: empty, not a crash.
    QVERIFY((model.Text(3, 0) + model.Text(0, 6) + model.Text(-1, 0) + model.Heading(6)).isEmpty());
    QVERIFY(!model.data(model.index(5, 0)).isValid());
}

void TestSixColumnModel::headingsAndInsertNotices() {
    SixColumnModel model;
    QSignalSpy changed(&model, &QAbstractItemModel::headerDataChanged);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.SetHeadings(HeadingFields(QStringLiteral("\u00B0C"), {"K", "J", "T", "E"}));
    model.SetHeading(0, QStringLiteral("\u00B0F"));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(model.rowCount(), 0); // grid row 0 is the heading, not a data row
    QStringList headers;
    for (int k = 0; k < 6; ++k)
        headers << model.headerData(k, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{QStringLiteral("\u00B0F"), "Date Time", "T1 - K", "T2 - J",
                                   "T3 - T", "T4 - E"}));
    // One notice per call, however many rows it adds.
    QVERIFY(model.AppendRow(Row(1)));
    QVERIFY(model.AppendRows({Row(2), Row(3), Row(4)}));
    QVERIFY(model.AppendRows({}));
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(inserted[1].mid(1), (QVariantList{1, 3}));
    QCOMPARE(model.Text(3, 0), QStringLiteral("4"));
}

void TestSixColumnModel::liveListFitsInMemoryAndClears() {
    SixColumnModel model;
    model.SetHeading(1, QStringLiteral("Date Time"));
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
    QCOMPARE(ToList(model.RowTexts(RecordsPerDataFile - 1)), ToList(Row(RecordsPerDataFile)));

    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.Clear();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.Heading(1), QStringLiteral("Date Time"));
    QCOMPARE(model.MemoryBytes(), qint64(0));
    // Numbering is the caller's: rows after a dump carry on from where the list was.
    model.AppendRow(Row(RecordsPerDataFile + 1));
    QCOMPARE(ToList(model.RowTexts(0)), ToList(Row(RecordsPerDataFile + 1)));
}

QTEST_GUILESS_MAIN(TestSixColumnModel)
#include "tst_six_column_model.moc"
