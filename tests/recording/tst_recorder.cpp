#include "recording/recorder.h"
#include "recording/sampler.h"
#include "support/test_files.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Texts = std::array<QString, 4>;

const Texts KKJJ{"K", "K", "J", "J"};
const Texts kValues{"1.0", "2.0", "3.0", "4.0"};

// The record numbers of a file's record lines (its heading left out).
QList<int> RecordNumbers(const QString& path) {
    QList<int> numbers;
    const QList<QByteArray> lines = FileLines(path);
    for (qsizetype i = 1; i < lines.size(); ++i)
        numbers.append(lines[i].left(lines[i].indexOf('\t')).toInt());
    return numbers;
}

QString TimeText(int second) {
    return QStringLiteral("2013/08/08 14:05:%1").arg(second, 2, 10, QLatin1Char('0'));
}

// Records samples `first` to `last`, each timed at its number of seconds; true if all were written.
bool RecordLines(Recorder& recorder, int first, int last) {
    bool all = true;
    for (int i = first; i <= last; ++i)
        all = recorder.RecordLine(TimeText(i), kValues) && all;
    return all;
}

} // namespace

class TestRecorder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void recordingBytes();
    void continuationFiles_data();
    void continuationFiles();
    void secondRecordingContinuesTheCounter();
    void setupChangeThenFullFile();
    void startFailures_data();
    void startFailures();
    void writeFailureHalfWayIsShownAndRecovers();
    void continuationOntoAFullDevice();
};

// The C recording's bytes are checked with the "Save" command; this one takes the F texts.
void TestRecorder::recordingBytes() {
    QTemporaryDir dir;
    const QString path = dir.filePath("run.4ch");
    const QByteArray heading = "\xB0"
                               "F\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n";
    Recorder recorder;
    QVERIFY(recorder.Start(path, DegF, true, KKJJ));
    QCOMPARE(FileBytes(path), heading);
    SampleRecord s;
    s.TimeText = TimeText(9);
    s.TextC = {"23.4", "-.5", "- - -", "Over"};
    s.TextF = {"74.1", "31.1", "- - -", "Under"};
    QVERIFY(recorder.RecordSample(s));
    // Each line is in the file before the next sample, not only when the file closes.
    QCOMPARE(FileBytes(path), heading + "1\t2013/08/08 14:05:09\t74.1\t31.1\t- - -\tUnder\t\r\n");
    QVERIFY(RecordLines(recorder, 10, 10));
    QCOMPARE(recorder.RecordCount(), 2);
    QSignalSpy stopped(&recorder, &Recorder::Stopped);
    QVERIFY(recorder.Stop());
    QCOMPARE(stopped.size(), 1);
    QCOMPARE(recorder.RecordCount(), 0);
    QVERIFY(!RecordLines(recorder, 11, 11)); // a stopped recording takes no more lines
    QCOMPARE(FileLines(path).size(), 3);
    // The file is closed: a new recording replaces it at once.
    QVERIFY(recorder.Start(path, DegF, true, KKJJ));
    QCOMPARE(FileBytes(path), heading);
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
    QVERIFY(recorder.Start(dir.filePath(chosen), DegF, true, KKJJ));
    QVERIFY(RecordLines(recorder, 1, 7));
    QCOMPARE(recorder.ContinuationNo(), 2);
    QCOMPARE(recorder.CurrentFileName(), dir.filePath(files[2]));
    QCOMPARE(recorder.DataFileName(), dir.filePath(chosen));
    QVERIFY(recorder.Stop());

    const QList<QList<int>> numbers{{1, 2, 3}, {4, 5, 6}, {7}};
    for (int f = 0; f < files.size(); ++f) {
        const QString path = dir.filePath(files[f]);
        // Every file of the set has the first file's heading; numbering runs on.
        QCOMPARE(FileLines(path).value(0), QByteArray("\xB0"
                                                      "F\tDate Time\tT1 - K\tT2 - K\t"
                                                      "T3 - J\tT4 - J\t\r"));
        QCOMPARE(RecordNumbers(path), numbers[f]);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), chosen.contains('/') ? 0 : 3);
}

void TestRecorder::secondRecordingContinuesTheCounter() {
    QTemporaryDir dir;
    Recorder recorder(2);
    QVERIFY(recorder.Start(dir.filePath("a.4ch"), DegC, false, KKJJ));
    QVERIFY(RecordLines(recorder, 1, 3));
    QVERIFY(recorder.Stop());
    QVERIFY(recorder.Start(dir.filePath("b.4ch"), DegC, false, KKJJ));
    QVERIFY(RecordLines(recorder, 1, 3));
    QVERIFY(recorder.Stop());
    QCOMPARE(RecordNumbers(dir.filePath("a-1.4ch")), QList<int>{3});
    QVERIFY(!QFile::exists(dir.filePath("b-1.4ch")));
    // The new recording numbers its records from 1 and its continuation files from 2.
    QCOMPARE(RecordNumbers(dir.filePath("b.4ch")), (QList<int>{1, 2}));
    QCOMPARE(RecordNumbers(dir.filePath("b-2.4ch")), QList<int>{3});
}

// After a change of set-up every later file of the set has the new heading; the count of
// records still decides where the set moves on.
void TestRecorder::setupChangeThenFullFile() {
    QTemporaryDir dir;
    Recorder recorder(3);
    QVERIFY(recorder.Start(dir.filePath("run.4ch"), DegC, false, KKJJ));
    QVERIFY(RecordLines(recorder, 1, 2));
    QVERIFY(recorder.Continue(DegF, true, {"K", "K", "J", "E"}, "T4 type J to E"));
    QVERIFY(RecordLines(recorder, 3, 4));
    QVERIFY(recorder.Stop());
    for (const char* name : {"run-1.4ch", "run-2.4ch"}) {
        QCOMPARE(FileLines(dir.filePath(name)).value(0),
                 QByteArray("\xB0"
                            "F\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - E\t\r"));
    }
    QCOMPARE(RecordNumbers(dir.filePath("run-2.4ch")), QList<int>{4});
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
    QVERIFY(!recorder.Start(path, DegC, false, KKJJ));
    QVERIFY(!recorder.Recording() && started.isEmpty());
    QVERIFY(recorder.StartError().contains(path));
}

void TestRecorder::writeFailureHalfWayIsShownAndRecovers() {
    QTemporaryDir dir;
    const QString path = dir.filePath("half.4ch");
    Recorder recorder;
    QSignalSpy writing(&recorder, &Recorder::WritingChanged);
    QVERIFY(recorder.Start(path, DegC, false, KKJJ));
    QVERIFY(RecordLines(recorder, 1, 1));
    const qint64 whole = QFileInfo(path).size();
    {
        // Room for half a line: the system takes a part of it and then fails.
        FileSizeLimit limit(whole + 10);
        QVERIFY(!RecordLines(recorder, 2, 2));
        QVERIFY(!recorder.Writing());
        QVERIFY(recorder.StatusText().startsWith("not writing: "));
        QVERIFY2(recorder.StatusText().contains(path), qPrintable(recorder.StatusText()));
        QVERIFY(recorder.Recording());
        QVERIFY(!RecordLines(recorder, 3, 3));
        // No half line is left behind.
        QCOMPARE(QFileInfo(path).size(), whole);
    }
    QVERIFY(RecordLines(recorder, 4, 4));
    QVERIFY(recorder.StatusText().isEmpty());
    QCOMPARE(QList<QVariantList>(writing), (QList<QVariantList>{{false}, {true}}));
    QCOMPARE(recorder.MissedSamples(), 2);
    QVERIFY(recorder.Stop());
    // The next record numbered on from the last written one, and the file ends on a whole line.
    QCOMPARE(RecordNumbers(path), (QList<int>{1, 2}));
    QVERIFY(FileBytes(path).endsWith("14:05:04\t1.0\t2.0\t3.0\t4.0\t\r\n"));
}

void TestRecorder::continuationOntoAFullDevice() {
    QTemporaryDir dir;
    const QString path = dir.filePath("dev.4ch");
    QVERIFY(QFile::link("/dev/full", dir.filePath("dev-1.4ch")));
    Recorder recorder(2);
    QVERIFY(recorder.Start(path, DegC, false, KKJJ));
    // The second line fills the first file; its continuation cannot take the heading.
    QVERIFY(RecordLines(recorder, 1, 2));
    QVERIFY(!recorder.Writing());
    QVERIFY(recorder.StatusText().contains("dev-1.4ch"));
    QVERIFY(!RecordLines(recorder, 3, 3));
    QCOMPARE(recorder.MissedSamples(), 1);
    recorder.Stop();
    QCOMPARE(RecordNumbers(path), (QList<int>{1, 2}));
}

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
