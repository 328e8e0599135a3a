#include "recording/corrected_file.h"
#include "recording/csv_export.h"
#include "recording/grid_file.h"
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
    void companions_data();
    void companions();
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

// A file's ".corrected" and ".marks" companions add their columns; without them nothing changes.
void TestCsvExport::companions_data() {
    QTest::addColumn<QByteArray>("corrected"); // the companions' record lines; empty: none
    QTest::addColumn<QByteArray>("marks");
    QTest::addColumn<QByteArray>("csv");
    const QByteArray plain = "Record,Date Time,T1 - K (\xC2\xB0"
                             "C),T1 - K flag,T2 - K (\xC2\xB0"
                             "C),"
                             "T2 - K flag,T3 - K (\xC2\xB0"
                             "C),T3 - K flag,T4 - K (\xC2\xB0"
                             "C),"
                             "T4 - K flag";
    QTest::newRow("no companions") << QByteArray() << QByteArray()
                                   << plain + "\r\n1,2013-08-08T14:05:09,23.4,,-0.5,,,,,Over\r\n"
                                              "2,2013-08-08T14:05:10,25.0,,1.0,,,,,Over\r\n";
    QTest::newRow("corrected T1 and T2, one beyond")
        << QByteArray("2\t2013/08/08 14:05:10\t24.7\t1.2\t- - -\tOver\tT1 T2\tT2\n") << QByteArray()
        << plain + ",T1 corrected,T2 corrected\r\n"
                   "1,2013-08-08T14:05:09,23.4,,-0.5,,,,,Over,23.4,-0.5\r\n"
                   "2,2013-08-08T14:05:10,25.0,,1.0,,,,,Over,24.7,1.2\r\n";
    QTest::newRow("marks: before the first record, two after one, a channel's")
        << QByteArray()
        << QByteArray("2013/08/08 14:05:08\t0\t\tstart\n2013/08/08 14:05:10\t2\tT2\tload, in\n"
                      "2013/08/08 14:05:11\t2\t\tdoor\n")
        << plain + ",Mark\r\n1,2013-08-08T14:05:09,23.4,,-0.5,,,,,Over,start\r\n"
                   "2,2013-08-08T14:05:10,25.0,,1.0,,,,,Over,\"T2: load, in; door\"\r\n";
}

void TestCsvExport::companions() {
    QFETCH(QByteArray, corrected);
    QFETCH(QByteArray, marks);
    QTemporaryDir dir;
    const QString path = dir.filePath("in.4ch");
    QVERIFY(WriteFile(path, "\xB0"
                            "C\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n"
                            "1\t2013/08/08 14:05:09\t23.4\t-.5\t- - -\tOver\t\r\n"
                            "2\t2013/08/08 14:05:10\t25.0\t1.0\t- - -\tOver\t\r\n"));
    if (!corrected.isEmpty())
        QVERIFY(WriteFile(CorrectedFileName(path), "No.\tDate Time\n" + corrected));
    if (!marks.isEmpty())
        QVERIFY(WriteFile(MarksFileName(path), marks));
    QTEST(ConvertDataFileToCsv(path, "\r\n").csv, "csv");

    // The file shown in the saved-file list exports the same.
    SixColumnModel grid;
    ReadFileIntoGrid(path, grid);
    ShowCorrectedOf(path, grid);
    QTEST(ConvertGridToCsv(grid, "\r\n", ReadMarksOf(path)).csv, "csv");
}

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csv_export.moc"
