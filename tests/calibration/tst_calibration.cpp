#include "calibration/calibration.h"
#include "recording/corrected_file.h"
#include "recording/marks.h"
#include "recording/recorder.h"
#include "recording/sampler.h"
#include "support/test_files.h"

#include <QTemporaryDir>
#include <QtTest>

class TestCalibration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void correct_data();
    void correct();
    void badText_data();
    void badText();
    void neverCorrected_data();
    void neverCorrected();
    void beyondInTheGivenUnit();
    void recordKeepsRawBytes();
    void marks_data();
    void marks();
};

Q_DECLARE_METATYPE(std::optional<int>)

void TestCalibration::correct_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<int>("tenths");
    QTest::addColumn<std::optional<int>>("corrected");
    QTest::addColumn<bool>("beyond");
    const QString table = QStringLiteral("T1 C table 100 -0.5 0 0.5 200 -1.5 # certificate\n");
    QTest::newRow("none") << "T2 C offset 1" << false << 250 << std::optional<int>() << false;
    QTest::newRow("offset") << "T1 C offset -0.3" << false << 250 << std::optional(247) << false;
    QTest::newRow("offset far out")
        << "T1 C offset -0.3" << false << 9000 << std::optional(8997) << false;
    QTest::newRow("table first point") << table << false << 0 << std::optional(5) << false;
    QTest::newRow("table between") << table << false << 500 << std::optional(500) << false;
    QTest::newRow("table inner point") << table << false << 1000 << std::optional(995) << false;
    QTest::newRow("table last point") << table << false << 2000 << std::optional(1985) << false;
    QTest::newRow("table below") << table << false << -100 << std::optional(-95) << true;
    QTest::newRow("table above") << table << false << 3000 << std::optional(2985) << true;
    QTest::newRow("two points") << "T1 C two-point 0 0.4 100 99.2" << false << 500
                                << std::optional(498) << false;
    QTest::newRow("two points above")
        << "T1 C two-point 0 0.4 100 99.2" << false << 1500 << std::optional(1492) << true;
    QTest::newRow("C offset read in F")
        << "T1 C offset -1" << true << 770 << std::optional(752) << false;
    QTest::newRow("F table read in C")
        << "T1 F table 32 1.8 212 3.6" << false << 500 << std::optional(515) << false;
    QTest::newRow("own unit wins")
        << "T1 F offset 9\nT1 C offset 1" << false << 0 << std::optional(10) << false;
}

void TestCalibration::correct() {
    QFETCH(QString, text);
    QString error;
    const std::optional<Calibration> c = Calibration::Parse(text, &error);
    QVERIFY2(c, qPrintable(error));
    QFETCH(bool, fahrenheit);
    QFETCH(int, tenths);
    QFETCH(std::optional<int>, corrected);
    QFETCH(bool, beyond);
    const std::optional<CorrectedTenths> r = c->Correct(0, fahrenheit, tenths);
    QCOMPARE(r ? std::optional(r->tenths) : std::nullopt, corrected);
    QCOMPARE(r && r->beyond, beyond);
    // The text form reads back as the same corrections.
    QCOMPARE(Calibration::Parse(c->Text(), &error), c);
}

void TestCalibration::badText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("channel") << "# ok\nT5 C offset 1"
                             << R"(line 2: expected a channel T1 to T4, found "T5")";
    QTest::newRow("unit") << "T1 K offset 1"
                          << R"(line 1: expected the unit C or F after T1, found "K")";
    QTest::newRow("kind")
        << "T1 C scale 2"
        << R"(line 1: unknown correction "scale" (none, offset, two-point or table))";
    QTest::newRow("number") << "T1 C offset 0,5"
                            << R"(line 1: "0,5" is not a number)";
    QTest::newRow("too large") << "T1 F offset 1e9"
                               << "line 1: 1e9 is out of range (-10000 to 10000)";
    QTest::newRow("odd table") << "T1 C table 0 1 100"
                               << "line 1: table takes pairs of numbers: reading correction ...";
    QTest::newRow("same point") << "T1 C table 0 1 0 2"
                                << "line 1: two points read 0";
    QTest::newRow("twice") << "T1 C offset 1\n\nT1 °C offset 2"
                           << "line 3: T1 °C is already corrected on line 1";
}

void TestCalibration::badText() {
    QFETCH(QString, text);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("probes.cal"));
    QVERIFY(WriteFile(path, text.toUtf8()));
    QString got;
    QVERIFY(!Calibration::ReadFile(path, &got));
    QCOMPARE(got, path + QLatin1Char(' ') + error);
}

void TestCalibration::neverCorrected_data() {
    QTest::addColumn<QString>("shown");
    QTest::addColumn<std::optional<int>>("charted");
    QTest::newRow("over") << "Over" << std::optional(13720);
    QTest::newRow("under") << "Under" << std::optional(-2000);
    QTest::newRow("no probe") << "- - -" << std::optional<int>();
}

void TestCalibration::neverCorrected() {
    QFETCH(QString, shown);
    QFETCH(std::optional<int>, charted);
    QString error;
    const Calibration c =
        *Calibration::Parse(QStringLiteral("T1 C offset 5\nT1 F offset 9"), &error);
    ChannelSample s;
    s.TextC = s.TextF = shown;
    s.ChartedC = s.ChartedF = charted;
    ChannelSample read;
    QCOMPARE(CorrectChannel(s, c, 0, 0, 0, &read), ReadingCorrection::None);
    QCOMPARE(s.TextC, shown);
    QCOMPARE(s.ChartedC, charted);
}

// 31.9 °F reads as 0.0 °C (truncated toward zero): at the lowest point of a °C certificate, not
// beyond it, though 31.9 °F is below that point converted.
void TestCalibration::beyondInTheGivenUnit() {
    QString error;
    const Calibration c =
        *Calibration::Parse(QStringLiteral("T1 C two-point 0 0.2 10 10.1"), &error);
    ChannelSample s;
    s.TextC = QStringLiteral("0.0");
    s.TextF = QStringLiteral("31.9");
    s.ChartedC = 0;
    s.ChartedF = 319;
    ChannelSample read;
    QCOMPARE(CorrectChannel(s, c, 0, 0, 0, &read), ReadingCorrection::Corrected);
    QCOMPARE(s.TextC, QStringLiteral("0.2"));
    QCOMPARE(read.TextF, QStringLiteral("31.9"));
}

// The data file holds what the meter read, byte for byte; the corrected readings and the
// corrections in force go beside it.
void TestCalibration::recordKeepsRawBytes() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.4ch"));
    QVERIFY(WriteFile(MarksFileName(path), "stale marks of an older run\n"));
    Recorder recorder;
    recorder.SetCorrections({QStringLiteral("T1 offset -0.3 °C")}, {});
    QVERIFY(recorder.Start(path, DegC, false, {"K", "K", "J", "J"}));
    QVERIFY(!QFile::exists(MarksFileName(path)));
    SampleRecord s;
    s.TimeText = QStringLiteral("2013/08/08 14:05:09");
    s.TextC = {"23.1", "-.5", "- - -", "Over"};
    s.RawTextC = {"23.4", "", "", ""};
    s.Corrected = {ReadingCorrection::Beyond};
    QVERIFY(recorder.RecordSample(s));
    s.Corrected = {};
    s.TextC[0] = QStringLiteral("23.5");
    QVERIFY(recorder.RecordSample(s));
    QVERIFY(recorder.Stop());
    QCOMPARE(FileBytes(path), "\xB0"
                              "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n"
                              "1\t2013/08/08 14:05:09\t23.4\t-.5\t- - -\tOver\t\r\n"
                              "2\t2013/08/08 14:05:09\t23.5\t-.5\t- - -\tOver\t\r\n");
    QCOMPARE(FileBytes(CorrectedFileName(path)),
             "# Corvilab corrected readings; the data file keeps what the meter read\n"
             "No.\tDate Time\tT1\tT2\tT3\tT4\tCorrected\tBeyond\n"
             "# from record 1: T1 offset -0.3 \xC2\xB0"
             "C\n"
             "1\t2013/08/08 14:05:09\t23.1\t-.5\t- - -\tOver\tT1\tT1\n");
    const CorrectedReadings read = ReadCorrectedOf(path);
    QCOMPARE(read.Size(), 1);
    QCOMPARE(read.Row(1)->texts[0], "23.1");
    QVERIFY(read.Row(1)->beyond[0] && !read.Row(1)->corrected[1]);
    QCOMPARE(read.corrections, QStringList{QStringLiteral("from record 1: T1 offset -0.3 °C")});
}

void TestCalibration::marks_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("label");
    QTest::newRow("all channels") << "  load in "
                                  << "14:05:09 load in";
    QTest::newRow("one channel") << "t2:door\topened"
                                 << "14:05:09 T2 door opened";
    QTest::newRow("cut") << QString(100, QLatin1Char('x'))
                         << "14:05:09 " + QString(80, QLatin1Char('x'));
    QTest::newRow("empty") << "T3: "
                           << "";
}

void TestCalibration::marks() {
    QFETCH(QString, input);
    QFETCH(QString, label);
    QString error;
    std::optional<Mark> mark = ParseMarkInput(input, &error);
    QCOMPARE(bool(mark), !label.isEmpty());
    if (!mark) {
        QCOMPARE(error, QStringLiteral("a mark needs a text"));
        return;
    }
    mark->time = QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9));
    mark->afterRecord = 57;
    QCOMPARE(mark->Label(), label);
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("run.4ch"));
    QVERIFY(AppendMarkToFile(MarksFileName(data), *mark, &error));
    QVERIFY(AppendMarkToFile(MarksFileName(data), *mark, &error));
    QCOMPARE(ReadMarksOf(data), (QList<Mark>{*mark, *mark}));
    QCOMPARE(FileLines(MarksFileName(data)).size(), 3); // the heading once
}

QTEST_GUILESS_MAIN(TestCalibration)
#include "tst_calibration.moc"
