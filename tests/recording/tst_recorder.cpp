#include "recording/column_plot.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "views/six_column_model.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

using Texts = std::array<QString, 4>;

const std::array<QString, 4> KKJJ{"K", "K", "J", "J"};

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}

QList<QByteArray> FileLines(const QString& path) {
    QList<QByteArray> lines = FileBytes(path).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The record numbers of a file's record lines (its heading left out).
QList<int> RecordNumbers(const QString& path) {
    QList<int> numbers;
    QList<QByteArray> lines = FileLines(path);
    for (qsizetype i = 1; i < lines.size(); ++i)
        numbers.append(lines[i].left(lines[i].indexOf('\t')).toInt());
    return numbers;
}

QString TimeText(int second) {
    return QStringLiteral("2013/08/08 14:05:%1").arg(second, 2, 10, QLatin1Char('0'));
}

SampleRecord Sample(int second, const Texts& c, const Texts& f) {
    SampleRecord s;
    s.TimeText = TimeText(second);
    s.TextC = c;
    s.TextF = f;
    return s;
}

// Lets this process write files only up to `bytes` (writes beyond fail with EFBIG), until it
// goes out of scope. A real failure of the system's write, unlike a read-only folder, which
// the tests' root user would ignore.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        Set(bytes);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
    void Set(rlim_t bytes) {
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    void Lift() { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};

} // namespace

class TestRecorder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void recordingBytes_data();
    void recordingBytes();
    void roundTrip();
    void continuationFiles_data();
    void continuationFiles();
    void secondRecordingContinuesTheCounter();
    void stopSyncsClosesAndResets();
    void startFailures_data();
    void startFailures();
    void writeFailureHalfWayIsShownAndRecovers();
    void continuationOntoAFullDevice();
    void leadingNumber_data();
    void leadingNumber();
    void columnPlot_data();
    void columnPlot();
    void columnPlotKeepsRangeWithoutTypeLetter();
};

void TestRecorder::recordingBytes_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("unitF");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("celsius writes the C texts")
        << QStringLiteral("\u00B0C") << false
        << QByteArray("\xB0"
                      "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n"
                      "1\t2013/08/08 14:05:09\t23.4\t-.5\t- - -\tOver\t\r\n"
                      "2\t2013/08/08 14:05:10\tUnder\t0.0\t- - -\tOver\t\r\n");
    QTest::newRow("fahrenheit writes the F texts")
        << QStringLiteral("\u00B0F") << true
        << QByteArray("\xB0"
                      "F\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n"
                      "1\t2013/08/08 14:05:09\t74.1\t31.1\t- - -\tOver\t\r\n"
                      "2\t2013/08/08 14:05:10\tUnder\t32.0\t- - -\tOver\t\r\n");
}

void TestRecorder::recordingBytes() {
    QFETCH(QString, unit);
    QFETCH(bool, unitF);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("run.4ch");
    Recorder recorder;
    QVERIFY(recorder.Start(path, unit, unitF, KKJJ));
    QCOMPARE(FileBytes(path), expected.left(expected.indexOf('\n') + 1));
    QVERIFY(recorder.RecordSample(
        Sample(9, {"23.4", "-.5", "- - -", "Over"}, {"74.1", "31.1", "- - -", "Over"})));
    // Each line is in the file before the next sample, not only when the file closes.
    QCOMPARE(FileLines(path).size(), 2);
    QVERIFY(recorder.RecordSample(
        Sample(10, {"Under", "0.0", "- - -", "Over"}, {"Under", "32.0", "- - -", "Over"})));
    QCOMPARE(recorder.RecordCount(), 2);
    QVERIFY(recorder.Stop());
    QCOMPARE(FileBytes(path), expected);
}

void TestRecorder::roundTrip() {
    QTemporaryDir dir;
    const QString path = dir.filePath("trip.4ch");
    const QList<Texts> values{{"23.4", "-.5", "- - -", "Over"},
                              {"Under", "-200.0", "1370.0", "0.0"},
                              {"- - -", "- - -", "- - -", "- - -"}};
    Recorder recorder;
    QVERIFY(recorder.Start(path, QStringLiteral("\u00B0C"), false, KKJJ));
    for (int i = 0; i < values.size(); ++i)
        QVERIFY(recorder.RecordLine(TimeText(i), values[i]));
    QVERIFY(recorder.Stop());

    QList<DataFields> read;
    const DataFileReadResult result = ReadDataFile(path, [&](qint64, const DataFields& f) {
        read.append(f);
        return true;
    });
    QVERIFY(result.complete);
    QCOMPARE(read.size(), values.size() + 1);
    QCOMPARE(read[0], HeadingFields(QStringLiteral("\u00B0C"), KKJJ));
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(read[i + 1], RecordFields(i + 1, TimeText(i), values[i]));
}

void TestRecorder::continuationFiles_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("extension") << QStringLiteral("run.4ch")
                               << QStringList{"run.4ch", "run-1.4ch", "run-2.4ch"};
    QTest::newRow("no extension") << QStringLiteral("run") << QStringList{"run", "run-1", "run-2"};
    QTest::newRow("two dots") << QStringLiteral("run.final.4ch")
                              << QStringList{"run.final.4ch", "run-1.final.4ch", "run-2.final.4ch"};
    // A dot in a folder name stays where it is: the files stay in the chosen folder.
    QTest::newRow("dot in folder")
        << QStringLiteral("my.data/run.4ch")
        << QStringList{"my.data/run.4ch", "my.data/run-1.4ch", "my.data/run-2.4ch"};
}

void TestRecorder::continuationFiles() {
    QFETCH(QString, chosen);
    QFETCH(QStringList, files);
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("my.data");
    Recorder recorder(3);
    QVERIFY(recorder.Start(dir.filePath(chosen), QStringLiteral("\u00B0F"), true, KKJJ));
    for (int i = 1; i <= 7; ++i)
        QVERIFY(recorder.RecordLine(TimeText(i), {"1.0", "2.0", "3.0", "4.0"}));
    QCOMPARE(recorder.ContinuationNo(), 2);
    QCOMPARE(recorder.CurrentFileName(), dir.filePath(files[2]));
    QCOMPARE(recorder.DataFileName(), dir.filePath(chosen));
    QVERIFY(recorder.Stop());

    const QList<QList<int>> numbers{{1, 2, 3}, {4, 5, 6}, {7}};
    for (int f = 0; f < files.size(); ++f) {
        const QString path = dir.filePath(files[f]);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        // Every file of the set has the first file's heading; numbering runs on.
        QCOMPARE(FileLines(path).first(), QByteArray("\xB0"
                                                     "F\tDate Time\tT1 - K\tT2 - K\t"
                                                     "T3 - J\tT4 - J\t\r"));
        QCOMPARE(RecordNumbers(path), numbers[f]);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), chosen.contains('/') ? 0 : 3);
}

void TestRecorder::secondRecordingContinuesTheCounter() {
    QTemporaryDir dir;
    Recorder recorder(2);
    QVERIFY(recorder.Start(dir.filePath("a.4ch"), QStringLiteral("\u00B0C"), false, KKJJ));
    for (int i = 1; i <= 3; ++i)
        recorder.RecordLine(TimeText(i), {"1.0", "2.0", "3.0", "4.0"});
    QVERIFY(recorder.Stop());
    QCOMPARE(recorder.RecordCount(), 0);

    QVERIFY(recorder.Start(dir.filePath("b.4ch"), QStringLiteral("\u00B0C"), false, KKJJ));
    for (int i = 1; i <= 3; ++i)
        recorder.RecordLine(TimeText(i), {"1.0", "2.0", "3.0", "4.0"});
    QVERIFY(recorder.Stop());
    QCOMPARE(RecordNumbers(dir.filePath("a-1.4ch")), QList<int>{3});
    QVERIFY(!QFile::exists(dir.filePath("b-1.4ch")));
    // The new recording numbers its records from 1 and its continuation files from 2.
    QCOMPARE(RecordNumbers(dir.filePath("b.4ch")), (QList<int>{1, 2}));
    QCOMPARE(RecordNumbers(dir.filePath("b-2.4ch")), QList<int>{3});
}

void TestRecorder::stopSyncsClosesAndResets() {
    QTemporaryDir dir;
    const QString path = dir.filePath("s.4ch");
    Recorder recorder;
    QSignalSpy stopped(&recorder, &Recorder::Stopped);
    QVERIFY(recorder.Stop()); // idle: nothing to do
    QCOMPARE(stopped.size(), 0);
    QVERIFY(recorder.Start(path, QStringLiteral("\u00B0C"), false, KKJJ));
    recorder.RecordLine(TimeText(1), {"1.0", "2.0", "3.0", "4.0"});
    QVERIFY(recorder.Stop());
    QCOMPARE(stopped.size(), 1);
    QVERIFY(!recorder.Recording());
    QCOMPARE(recorder.RecordCount(), 0);
    // A stopped recording takes no more lines.
    QVERIFY(!recorder.RecordLine(TimeText(2), {"1.0", "2.0", "3.0", "4.0"}));
    QCOMPARE(FileLines(path).size(), 2);
    // The file is closed: it can be replaced by a new recording at once.
    QVERIFY(recorder.Start(path, QStringLiteral("\u00B0F"), true, KKJJ));
    QCOMPARE(FileLines(path).size(), 1);
}

void TestRecorder::startFailures_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("full device") << QStringLiteral("/dev/full");
    QTest::newRow("missing folder") << QStringLiteral("/nonexistent-folder/run.4ch");
}

void TestRecorder::startFailures() {
    QFETCH(QString, path);
    Recorder recorder;
    QSignalSpy started(&recorder, &Recorder::Started);
    QVERIFY(!recorder.Start(path, QStringLiteral("\u00B0C"), false, KKJJ));
    QVERIFY(!recorder.Recording());
    QVERIFY(recorder.StartError().contains(path));
    QCOMPARE(started.size(), 0);
}

void TestRecorder::writeFailureHalfWayIsShownAndRecovers() {
    QTemporaryDir dir;
    const QString path = dir.filePath("half.4ch");
    Recorder recorder;
    QSignalSpy writing(&recorder, &Recorder::WritingChanged);
    QVERIFY(recorder.Start(path, QStringLiteral("\u00B0C"), false, KKJJ));
    QVERIFY(recorder.RecordLine(TimeText(1), {"1.0", "2.0", "3.0", "4.0"}));
    QVERIFY(recorder.Writing());
    const qint64 whole = QFileInfo(path).size();
    {
        // Room for half a line: the system takes a part of it and then fails.
        FileSizeLimit limit(rlim_t(whole + 10));
        QVERIFY(!recorder.RecordLine(TimeText(2), {"1.0", "2.0", "3.0", "4.0"}));
        QVERIFY(!recorder.Writing());
        QVERIFY(recorder.StatusText().startsWith("not writing: "));
        QVERIFY2(recorder.StatusText().contains(path), qPrintable(recorder.StatusText()));
        QVERIFY(recorder.Recording());
        QVERIFY(!recorder.RecordLine(TimeText(3), {"1.0", "2.0", "3.0", "4.0"}));
        QCOMPARE(writing.size(), 1);
        QCOMPARE(writing.at(0).at(0).toBool(), false);
        // No half line is left behind.
        QCOMPARE(QFileInfo(path).size(), whole);
        limit.Lift();
        QVERIFY(recorder.RecordLine(TimeText(4), {"1.0", "2.0", "3.0", "4.0"}));
    }
    QVERIFY(recorder.Writing());
    QVERIFY(recorder.StatusText().isEmpty());
    QCOMPARE(writing.size(), 2);
    QCOMPARE(writing.at(1).at(0).toBool(), true);
    QCOMPARE(recorder.MissedSamples(), 2);
    QCOMPARE(recorder.RecordCount(), 2);
    QVERIFY(recorder.Stop());
    const QList<QByteArray> lines = FileLines(path);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[2].startsWith("2\t2013/08/08 14:05:04\t"));
    QVERIFY(FileBytes(path).endsWith("\t\r\n"));
}

void TestRecorder::continuationOntoAFullDevice() {
    QTemporaryDir dir;
    const QString path = dir.filePath("dev.4ch");
    QVERIFY(QFile::link("/dev/full", dir.filePath("dev-1.4ch")));
    Recorder recorder(2);
    QVERIFY(recorder.Start(path, QStringLiteral("\u00B0C"), false, KKJJ));
    QVERIFY(recorder.RecordLine(TimeText(1), {"1.0", "2.0", "3.0", "4.0"}));
    // The second line fills the first file; its continuation cannot take the heading.
    QVERIFY(recorder.RecordLine(TimeText(2), {"1.0", "2.0", "3.0", "4.0"}));
    QVERIFY(!recorder.Writing());
    QVERIFY(recorder.StatusText().contains("dev-1.4ch"));
    QVERIFY(!recorder.RecordLine(TimeText(3), {"1.0", "2.0", "3.0", "4.0"}));
    QCOMPARE(recorder.MissedSamples(), 1);
    recorder.Stop();
    QCOMPARE(RecordNumbers(path), (QList<int>{1, 2}));
}

void TestRecorder::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("decimal") << "23.4" << 23.4;
    QTest::newRow("no zero before the point") << "-.5" << -0.5;
    QTest::newRow("negative") << "-200.0" << -200.0;
    QTest::newRow("no probe") << "- - -" << 0.0;
    QTest::newRow("over") << "Over" << 0.0;
    QTest::newRow("under") << "Under" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks inside are ignored") << " 1 2.5" << 12.5;
    QTest::newRow("stops at the first other character") << "12.5abc" << 12.5;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent without digits") << "7e" << 7.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
}

void TestRecorder::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(LeadingNumber(text), value);
}

void TestRecorder::columnPlot_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("columnText");
    QTest::addColumn<int>("yMax");
    QTest::addColumn<int>("yMin");
    QTest::addColumn<QString>("axis");
    QTest::newRow("T2 of a F file, type J")
        << "\u00B0F"
        << "T2 - J" << 3 << "2\u00B0F" << 1832 << -328 << "Fahrenheit";
    QTest::newRow("T1 of a C file, type K")
        << "\u00B0C"
        << "T1 - K" << 2 << "1\u00B0C" << 1370 << -200 << "Celsius";
    QTest::newRow("T4 of a C file, type B")
        << "\u00B0C"
        << "T4 - B" << 5 << "4\u00B0C" << 1820 << 600 << "Celsius";
    QTest::newRow("T3 type C in F") << "\u00B0F"
                                    << "T3 - C" << 4 << "3\u00B0F" << 4190 << 32 << "Fahrenheit";
    // Only exactly "°C" is Celsius; a heading never set by the C/F toggle reads as °F.
    QTest::newRow("empty unit heading is F")
        << ""
        << "T1 - R" << 2 << "1\u00B0F" << 2912 << 32 << "Fahrenheit";
}

void TestRecorder::columnPlot() {
    QFETCH(QString, unit);
    QFETCH(QString, heading);
    QFETCH(int, column);
    QFETCH(QString, columnText);
    QFETCH(int, yMax);
    QFETCH(int, yMin);
    QFETCH(QString, axis);
    SixColumnModel grid;
    DataFields headings{unit, "Date Time", "T1", "T2", "T3", "T4"};
    headings[size_t(column)] = heading;
    grid.SetHeadings(headings);
    grid.AppendRow({"1", "2013/08/08 14:05:09", "23.4", "-.5", "- - -", "Over"});
    grid.AppendRow({"2", "2013/08/08 14:05:10", "Under", "12.0", "7", "1e2"});

    QList<qint64> progress;
    const std::optional<ColumnPlot> plot = PlotGridColumn(
        grid, column, ColumnPlot{}, [&](qint64 row) { progress.append(row); }, 1);
    QVERIFY(plot);
    QCOMPARE(plot->PlotRowCount, 2);
    QCOMPARE(plot->PlotColumnText, columnText);
    QCOMPARE(plot->PlotYMax, yMax);
    QCOMPARE(plot->PlotYMin, yMin);
    QCOMPARE(plot->YAxisCaption(), axis);
    QCOMPARE(plot->GraphCaption(), QStringLiteral("T%1").arg(column - 1));
    QCOMPARE(plot->UnitText(), columnText.right(2));
    const QList<QVector<double>> values{{23.4, 0.0}, {-0.5, 12.0}, {0.0, 7.0}, {0.0, 100.0}};
    QCOMPARE(plot->Values, values[column - 2]);
    QCOMPARE(progress, (QList<qint64>{1, 2}));

    // The record-number and date-time columns plot nothing.
    QVERIFY(!PlotGridColumn(grid, 0, *plot));
    QVERIFY(!PlotGridColumn(grid, 1, *plot));
}

void TestRecorder::columnPlotKeepsRangeWithoutTypeLetter() {
    SixColumnModel grid;
    grid.SetHeadings({"\u00B0C", "Date Time", "T1 - J", "T2", "T3 - T", "T4 - X"});
    const std::optional<ColumnPlot> first = PlotGridColumn(grid, 2, ColumnPlot{});
    QVERIFY(first);
    QCOMPARE(first->PlotYMax, 1000);
    QVERIFY(first->Values.isEmpty()); // a file with only its heading has nothing to plot
    for (int column : {3, 5}) {
        const std::optional<ColumnPlot> next = PlotGridColumn(grid, column, *first);
        QVERIFY(next);
        QCOMPARE(next->PlotYMax, 1000);
        QCOMPARE(next->PlotYMin, -200);
    }
    QCOMPARE(PlotGridColumn(grid, 4, *first)->PlotYMax, 400);
}

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
