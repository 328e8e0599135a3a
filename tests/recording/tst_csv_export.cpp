#include "recording/csv_export.h"
#include "recording/six_column_model.h"
#include "support/test_files.h"

#include <QTemporaryDir>
#include <QtTest>

// How a data file's record line reads as CSV: the cells a spreadsheet gets for each kind of
// reading text, whichever way the line is converted.
class TestCsvExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void record_data();
    void record();
};

void TestCsvExport::record_data() {
    QTest::addColumn<QByteArray>("line"); // the fields after record number and date
    QTest::addColumn<QByteArray>("csv");  // the CSV line after "7,2013-08-08T14:05:09,"
    QTest::addColumn<QString>("error");

    QTest::newRow("readings, no reading, flags")
        << QByteArray("23.4\t-.5\t- - -\tOver") << QByteArray("23.4,,-0.5,,,,,Over") << "";
    QTest::newRow("numbers as written, a sign dropped or kept")
        << QByteArray("+7\t007\t-0\t0.50") << QByteArray("7,,007,,-0,,0.50,") << "";
    QTest::newRow("not numbers: a point without digits, a lone sign")
        << QByteArray("5.\t.\t-\t1e3") << QByteArray(",5.,,.,,-,,1e3") << "";
    QTest::newRow("blanks around a reading; a blank cell") << QByteArray(" 23.4 \t \t\x0B"
                                                                         "1\t")
                                                           << QByteArray("23.4,,,,1,,,") << "";
    QTest::newRow("Windows-1252 text and a no-break space")
        << QByteArray("\xA0"
                      "23.4\t\xB0\t7,5\t\"")
        << QByteArray("23.4,,,\xC2\xB0,,\"7,5\",,\"\"\"\"") << "";
    QTest::newRow("date and time not of the form")
        << QByteArray("1\t2\t3\t4") << QByteArray()
        << "the date and time \"2013/8/08 14:05:09\" is not yyyy/mm/dd hh:nn:ss";
}

void TestCsvExport::record() {
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, csv);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath("in.4ch");
    const QByteArray when = error.isEmpty() ? "2013/08/08 14:05:09" : "2013/8/08 14:05:09";
    QVERIFY(WriteFile(path, "\xB0"
                            "C\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n7\t" +
                                when + "\t" + line + "\t\r\n"));
    const CsvConversion result = ConvertDataFileToCsv(path, "\r\n");
    const QList<QByteArray> lines = result.csv.split('\n');
    QCOMPARE(lines.value(1), csv.isEmpty() ? QByteArray() : "7,2013-08-08T14:05:09," + csv + "\r");
    QCOMPARE(result.error, error.isEmpty() ? QString() : path + " line 2: " + error);

    // The same line shown in a list converts the same.
    SixColumnModel grid;
    ParseDataFile(FileBytes(path), [&](qint64 n, const DataFields& f) {
        return n == 1 ? (grid.SetHeadings(f), true) : grid.AppendRow(f);
    });
    const CsvConversion shown = ConvertGridToCsv(grid, "\r\n");
    QCOMPARE(shown.csv.split('\n'), result.csv.split('\n'));
    QCOMPARE(shown.error, error.isEmpty() ? QString() : "row 1: " + error);
}

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csv_export.moc"
