#include "recording/column_plot.h"
#include "recording/grid_file.h"
#include "recording/six_column_model.h"
#include "support/test_files.h"

#include <QTemporaryDir>
#include <QtTest>

using Fields = QStringList;
using Rows = QList<QStringList>;

namespace {

void Fill(SixColumnModel& grid, const QStringList& heading, const Rows& rows) {
    grid.SetHeadings(ToFields(heading));
    for (const QStringList& r : rows)
        grid.AppendRow(ToFields(r));
}

const Fields kHeadingC{DegC, "Date Time", "T1 - K", "T2 - K", "T3 - J", "T4 - J"};
const QByteArray kHeadingCBytes = "\xB0"
                                  "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n";

} // namespace

class TestGridFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saveBytesAndProgress();
    void readReplacesRowsAndHeadings();
    void printLines_data();
    void printLines();
    void leadingNumber_data();
    void leadingNumber();
    void columnPlot_data();
    void columnPlot();
};

// A list saved right after it was opened (the heading only) is checked with the live list.
void TestGridFile::saveBytesAndProgress() {
    SixColumnModel grid;
    Fill(grid, kHeadingC,
         {{"1", "2013/08/08 14:05:09", "23.4", "23.6", "- - -", "Over"},
          {"2", "2013/08/08 14:05:10", "-.5", "23.6", "- - -", "Under"},
          {"3", "2013/08/08 14:05:11", "-.5", "23.7", "- - -", "Under"}});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.4ch"));
    QVERIFY(WriteFile(path, QByteArray(5000, 'x'))); // replaced, not appended to
    QList<qint64> progress;
    QString error = QStringLiteral("stale");
    QVERIFY(SaveGridToFile(
        grid, path, &error, [&](qint64 i) { progress.append(i); }, 2));
    QCOMPARE(error, QString());
    // Grid row index after each block of two, the last one being the number of records written.
    QCOMPARE(progress, (QList<qint64>{1, 3}));
    QCOMPARE(FileBytes(path), kHeadingCBytes +
                                  "1\t2013/08/08 14:05:09\t23.4\t23.6\t- - -\tOver\t\r\n"
                                  "2\t2013/08/08 14:05:10\t-.5\t23.6\t- - -\tUnder\t\r\n"
                                  "3\t2013/08/08 14:05:11\t-.5\t23.7\t- - -\tUnder\t\r\n");
}

void TestGridFile::readReplacesRowsAndHeadings() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("five.4ch"));
    QByteArray bytes = "\xB0"
                       "F\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n";
    for (int n = 1; n <= 5; ++n)
        bytes += QByteArray::number(n) + "\t2013/08/08 14:05:09\t23.4\t\r\n";
    QVERIFY(WriteFile(path, bytes));
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
    QCOMPARE(grid.rowCount(), 5);
    QCOMPARE(grid.Heading(0), DegF);
    QCOMPARE(ToList(grid.RowTexts(4)),
             (Fields{"5", "2013/08/08 14:05:09", "23.4", "23.4", "23.4", "23.4"}));
}

void TestGridFile::printLines_data() {
    QTest::addColumn<QStringList>("heading");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("stoppedAtRow");
    const Fields top =
        Fields(4, " ") +
        Fields{"      " + DegC + "            Date Time  T1 - K  T2 - K  T3 - J  T4 - J",
               " " + QString(62, QLatin1Char('-'))};
    QTest::newRow("rows right-aligned in 61 characters")
        << kHeadingC
        << Rows{{"1", "2013/08/08 14:05:09", "23.4", "-.5", "- - -", "Over"},
                {"12345678", "2013/08/08 14:05:10", "1370.0", "Under", "", "0.0"}}
        << top + Fields{"       1  2013/08/08 14:05:09    23.4     -.5   - - -    Over",
                        "12345678  2013/08/08 14:05:10  1370.0   Under             0.0"}
        << -1;
    QTest::newRow("a nine-digit record number stops before its row")
        << kHeadingC
        << Rows{{"99999999", "2013/08/08 14:05:09", "1.0", "1.0", "1.0", "1.0"},
                {"100000000", "2013/08/08 14:05:10", "1.0", "1.0", "1.0", "1.0"},
                {"1", "2013/08/08 14:05:11", "1.0", "1.0", "1.0", "1.0"}}
        << top + Fields{"99999999  2013/08/08 14:05:09     1.0     1.0     1.0     1.0"} << 2;
    QTest::newRow("a date of 22 characters stops")
        << kHeadingC << Rows{{"1", "12013/08/08 14:05:09 x", "1.0", "1.0", "1.0", "1.0"}} << top
        << 1;
    QTest::newRow("a long heading stops before anything but the blank lines")
        << Fields{DegC, "Date Time", "T1 - K", "T2 - K", "T3 - J", "Channel 4"}
        << Rows{{"1", "", "", "", "", ""}} << top.mid(0, 4) << 0;
}

void TestGridFile::printLines() {
    QFETCH(QStringList, heading);
    QFETCH(Rows, rows);
    SixColumnModel grid;
    Fill(grid, heading, rows);
    qint64 stoppedAtRow = 99;
    QTEST(PrintGridLines(grid, &stoppedAtRow), "lines");
    QTEST(int(stoppedAtRow), "stoppedAtRow");
}

void TestGridFile::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("blanks inside are ignored") << " 1 2.5" << 12.5;
    QTest::newRow("stops at the first other character") << "12.5abc" << 12.5;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
}

void TestGridFile::leadingNumber() {
    QFETCH(QString, text);
    QTEST(LeadingNumber(text), "value");
}

void TestGridFile::columnPlot_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("plot"); // column text, y range, axis: the points plotted
    const auto row = [](const char* name, const QString& unit, const char* heading, int column,
                        const QString& plot) {
        QTest::newRow(name) << unit << QString(heading) << column << plot;
    };
    row("T2 of a F file, type J", DegF, "T2 - J", 3,
        "2" + DegF + " -328..1832 Fahrenheit: -0.5 12");
    row("T1 of a C file, type K", DegC, "T1 - K", 2, "1" + DegC + " -200..1370 Celsius: 23.4 gap");
    row("T4 of a C file, type B", DegC, "T4 - B", 5, "4" + DegC + " 600..1820 Celsius: gap 100");
    // "Over", "Under" and "- - -" are gaps in the line, as in the statistics, not points at 0.
    row("T3 of a C file, type T", DegC, "T3 - T", 4, "3" + DegC + " -200..400 Celsius: gap 7");
    // Only exactly "°C" is Celsius; a heading never set by the C/F toggle reads as °F.
    row("empty unit heading is F", "", "T1 - R", 2, "1" + DegF + " 32..2912 Fahrenheit: 23.4 gap");
    // A heading without a known type letter keeps the range the last click left.
    row("no type letter keeps the range", DegC, "T2", 3, "2" + DegC + " -22..11 Celsius: -0.5 12");
    row("unknown type letter keeps the range", DegC, "T4 - X", 5,
        "4" + DegC + " -22..11 Celsius: gap 100");
}

void TestGridFile::columnPlot() {
    QFETCH(QString, unit);
    QFETCH(QString, heading);
    QFETCH(int, column);
    SixColumnModel grid;
    DataFields headings{unit, "Date Time", "T1", "T2", "T3", "T4"};
    headings[size_t(column)] = heading;
    grid.SetHeadings(headings);
    grid.AppendRow({"1", "2013/08/08 14:05:09", "23.4", "-.5", "- - -", "Over"});
    grid.AppendRow({"2", "2013/08/08 14:05:10", "Under", "12.0", "7", "1e2"});

    ColumnPlot previous;
    previous.PlotYMax = 11;
    previous.PlotYMin = -22;
    QList<qint64> progress;
    const std::optional<ColumnPlot> plot = PlotGridColumn(
        grid, column, previous, [&](qint64 row) { progress.append(row); }, 1);
    QVERIFY(plot);
    QStringList points;
    for (double value : plot->Values)
        points << (std::isnan(value) ? QStringLiteral("gap") : QString::number(value));
    QTEST(QStringLiteral("%1 %2..%3 %4: %5")
              .arg(plot->PlotColumnText)
              .arg(plot->PlotYMin)
              .arg(plot->PlotYMax)
              .arg(plot->YAxisCaption(), points.join(' ')),
          "plot");
    QCOMPARE(plot->PlotRowCount, 2);
    QCOMPARE(progress, (QList<qint64>{1, 2}));

    // The record-number and date-time columns plot nothing.
    QVERIFY(!PlotGridColumn(grid, 0, *plot) && !PlotGridColumn(grid, 1, *plot));
}

QTEST_GUILESS_MAIN(TestGridFile)
#include "tst_grid_file.moc"
