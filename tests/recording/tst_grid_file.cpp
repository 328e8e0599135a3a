#include "recording/grid_file.h"
#include "views/six_column_model.h"

#include <QTemporaryDir>
#include <QtTest>

using Fields = QStringList;

namespace {

const QString Deg = QStringLiteral("\u00B0");

DataFields ToFields(const QStringList& list) {
    DataFields f;
    for (int k = 0; k < 6; ++k)
        f[size_t(k)] = list.value(k);
    return f;
}

QStringList ToList(const DataFields& f) {
    return QStringList(f.begin(), f.end());
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}

void Fill(SixColumnModel& grid, const QStringList& heading, const QList<QStringList>& rows) {
    grid.SetHeadings(ToFields(heading));
    for (const QStringList& r : rows)
        grid.AppendRow(ToFields(r));
}

QList<QStringList> Rows(const SixColumnModel& grid) {
    QList<QStringList> rows;
    for (int r = 0; r < grid.rowCount(); ++r)
        rows.append(ToList(grid.RowTexts(r)));
    return rows;
}

const QStringList HeadingC{Deg + "C", "Date Time", "T1 - K", "T2 - K", "T3 - J", "T4 - J"};

} // namespace

class TestGridFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saveBytesAndProgress();
    void saveHeadingOnly();
    void saveFailures();
    void roundTrip_data();
    void roundTrip();
    void readReplacesRowsAndHeadings();
    void readStopsHalfWay();
    void printLines_data();
    void printLines();
};

void TestGridFile::saveBytesAndProgress() {
    SixColumnModel grid;
    Fill(grid, HeadingC,
         {{"1", "2013/08/08 14:05:09", "23.4", "23.6", "- - -", "Over"},
          {"2", "2013/08/08 14:05:10", "-.5", "23.6", "- - -", "Under"},
          {"3", "2013/08/08 14:05:11", "-.5", "23.7", "- - -", "Under"}});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.4ch"));
    QList<qint64> progress;
    QString error = QStringLiteral("stale");
    QVERIFY(SaveGridToFile(
        grid, path, &error, [&](qint64 i) { progress.append(i); }, 2));
    QCOMPARE(error, QString());
    // Grid row index after each block, the last one being the number of records written.
    QCOMPARE(progress, (QList<qint64>{1, 3}));
    QCOMPARE(FileBytes(path), QByteArray("\xB0"
                                         "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n"
                                         "1\t2013/08/08 14:05:09\t23.4\t23.6\t- - -\tOver\t\r\n"
                                         "2\t2013/08/08 14:05:10\t-.5\t23.6\t- - -\tUnder\t\r\n"
                                         "3\t2013/08/08 14:05:11\t-.5\t23.7\t- - -\tUnder\t\r\n"));
}

void TestGridFile::saveHeadingOnly() {
    SixColumnModel grid;
    Fill(grid, HeadingC, {});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.4ch"));
    QList<qint64> progress;
    QVERIFY(SaveGridToFile(grid, path, nullptr, [&](qint64 i) { progress.append(i); }));
    QCOMPARE(progress, (QList<qint64>{0}));
    QCOMPARE(FileBytes(path), QByteArray("\xB0"
                                         "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n"));
}

void TestGridFile::saveFailures() {
    SixColumnModel grid;
    Fill(grid, HeadingC, {{"1", "2013/08/08 14:05:09", "23.4", "23.6", "- - -", "Over"}});
    QString error;
    QVERIFY(!SaveGridToFile(grid, QStringLiteral("/nonexistent-folder/list.4ch"), &error));
    QVERIFY(!error.isEmpty());
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    error.clear();
    QList<qint64> progress;
    QVERIFY(!SaveGridToFile(grid, QStringLiteral("/dev/full"), &error,
                            [&](qint64 i) { progress.append(i); }));
    QVERIFY2(error.contains(QStringLiteral("space"), Qt::CaseInsensitive), qPrintable(error));
    QVERIFY(progress.isEmpty()); // nothing was reported as written
}

void TestGridFile::roundTrip_data() {
    QTest::addColumn<QStringList>("heading");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QList<QStringList>>("readBack");
    const QStringList headingF{Deg + "F", "Date Time", "T1 - K", "T2 - ", "T3 - C", "T4 - B"};
    const QList<QStringList> kinds{
        {"1", "2013/08/08 14:05:09", "-.5", "- - -", "Over", "Under"},
        {"2", "2013/08/08 14:05:10", "0.0", "-17.7", "2498.0", "73.4"},
    };
    QTest::newRow("degrees C") << HeadingC << kinds << kinds;
    QTest::newRow("degrees F, a channel without type letter") << headingF << kinds << kinds;
    QTest::newRow("logger cell holding a TAB reads back from its first six fields")
        << HeadingC << QList<QStringList>{{"1", "2013/08/08 14:05:09", "\t", "1.0", "2.0", "3.0"}}
        << QList<QStringList>{{"1", "2013/08/08 14:05:09", "", "", "1.0", "2.0"}};
    QTest::newRow("text outside the code page becomes ?")
        << HeadingC << QList<QStringList>{{"1", QStringLiteral("\u03A9"), "", "", "", ""}}
        << QList<QStringList>{{"1", "?", "", "", "", ""}};
}

void TestGridFile::roundTrip() {
    QFETCH(QStringList, heading);
    QFETCH(QList<QStringList>, rows);
    SixColumnModel grid;
    Fill(grid, heading, rows);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("round.4ch"));
    QString error;
    QVERIFY2(SaveGridToFile(grid, path, &error), qPrintable(error));

    SixColumnModel loaded;
    const DataFileReadResult r = ReadFileIntoGrid(path, loaded);
    QVERIFY(r.complete);
    QCOMPARE(r.linesRead, qint64(rows.size() + 1));
    QCOMPARE(ToList(loaded.Headings()), heading);
    QTEST(Rows(loaded), "readBack");
}

void TestGridFile::readReplacesRowsAndHeadings() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("five.4ch"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xB0"
                   "F\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n");
        for (int n = 1; n <= 5; ++n)
            file.write(QByteArray::number(n) + "\t2013/08/08 14:05:09\t23.4\t\r\n");
    }
    SixColumnModel grid;
    Fill(grid, {"", "Date Time", "T1 - ", "T2 - ", "T3 - ", "T4 - "},
         {{"old", "", "", "", "", ""}});
    QList<qint64> progress;
    const DataFileReadResult r = ReadFileIntoGrid(
        path, grid,
        [&](qint64 lines) {
            // Rows are in the table by the time the caption says they were read.
            QCOMPARE(qint64(grid.rowCount()), lines - 1);
            progress.append(lines);
        },
        2);
    QVERIFY(r.complete);
    QCOMPARE(progress, (QList<qint64>{2, 4, 6, 6}));
    QCOMPARE(grid.Heading(0), Deg + "F");
    QCOMPARE(grid.rowCount(), 5);
    QCOMPARE(ToList(grid.RowTexts(4)),
             (Fields{"5", "2013/08/08 14:05:09", "23.4", "23.4", "23.4", "23.4"}));
}

void TestGridFile::readStopsHalfWay() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.4ch"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xC2\xB0"
                   "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n"); // UTF-8
        file.write("1\t2013/08/08 14:05:09\t23.4\t23.6\t- - -\tOver\t\r\n");
        file.write("2\t2013/08/08 14:05:10\t23.4\t23.6\t- - -\tOver\r\n"); // lacks its last TAB
        file.write("3\t2013/08/08 14:05:11\t23.4\t23.6\t- - -\tOver\t\r\n");
    }
    SixColumnModel grid;
    const DataFileReadResult r = ReadFileIntoGrid(path, grid);
    QVERIFY(r.opened);
    QVERIFY(!r.complete);
    QCOMPARE(r.stoppedAtLine, qint64(3));
    QCOMPARE(r.linesRead, qint64(2));
    QCOMPARE(ToList(grid.Headings()), HeadingC);
    QCOMPARE(grid.rowCount(), 1);
    QCOMPARE(grid.Text(0, 5), QStringLiteral("Over"));

    const DataFileReadResult missing =
        ReadFileIntoGrid(dir.filePath(QStringLiteral("missing.4ch")), grid);
    QVERIFY(!missing.opened);
    QVERIFY(!missing.error.isEmpty());
}

void TestGridFile::printLines_data() {
    QTest::addColumn<QStringList>("heading");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("stoppedAtRow");
    const QString blank = QStringLiteral(" ");
    const QString separator = blank + QString(62, QLatin1Char('-'));
    const QString headingLine =
        "      " + Deg + "C" + "            Date Time  T1 - K  T2 - K  T3 - J  T4 - J";
    QTest::newRow("heading only") << HeadingC << QList<QStringList>{}
                                  << Fields{blank, blank, blank, blank, headingLine, separator}
                                  << -1;
    QTest::newRow("rows right-aligned in 61 characters")
        << HeadingC
        << QList<QStringList>{{"1", "2013/08/08 14:05:09", "23.4", "-.5", "- - -", "Over"},
                              {"12345678", "2013/08/08 14:05:10", "1370.0", "Under", "", "0.0"}}
        << Fields{blank,
                  blank,
                  blank,
                  blank,
                  headingLine,
                  separator,
                  "       1  2013/08/08 14:05:09    23.4     -.5   - - -    Over",
                  "12345678  2013/08/08 14:05:10  1370.0   Under             0.0"}
        << -1;
    QTest::newRow("a nine-digit record number stops before its row")
        << HeadingC
        << QList<QStringList>{{"99999999", "2013/08/08 14:05:09", "1.0", "1.0", "1.0", "1.0"},
                              {"100000000", "2013/08/08 14:05:10", "1.0", "1.0", "1.0", "1.0"},
                              {"1", "2013/08/08 14:05:11", "1.0", "1.0", "1.0", "1.0"}}
        << Fields{blank,
                  blank,
                  blank,
                  blank,
                  headingLine,
                  separator,
                  "99999999  2013/08/08 14:05:09     1.0     1.0     1.0     1.0"}
        << 2;
    QTest::newRow("a date of 22 characters stops")
        << HeadingC
        << QList<QStringList>{{"1", "12013/08/08 14:05:09 x", "1.0", "1.0", "1.0", "1.0"}}
        << Fields{blank, blank, blank, blank, headingLine, separator} << 1;
    QTest::newRow("a long heading stops before anything but the blank lines")
        << Fields{Deg + "C", "Date Time", "T1 - K", "T2 - K", "T3 - J", "Channel 4"}
        << QList<QStringList>{{"1", "", "", "", "", ""}} << Fields{blank, blank, blank, blank} << 0;
}

void TestGridFile::printLines() {
    QFETCH(QStringList, heading);
    QFETCH(QList<QStringList>, rows);
    SixColumnModel grid;
    Fill(grid, heading, rows);
    qint64 stoppedAtRow = 99;
    const QStringList lines = PrintGridLines(grid, &stoppedAtRow);
    QTEST(lines, "lines");
    QTEST(int(stoppedAtRow), "stoppedAtRow");
    for (int i = 6; i < lines.size(); ++i)
        QCOMPARE(lines[i].size(), 61);
}

QTEST_GUILESS_MAIN(TestGridFile)
#include "tst_grid_file.moc"
