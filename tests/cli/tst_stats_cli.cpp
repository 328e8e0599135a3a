// `corvilab-cli stats` as a user runs it: the lines it prints for a data file and its exit
// status.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

class TestStatsCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stats_data();
    void stats();
    void continuationFiles();
    void correctedReadings();

private:
    struct Result {
        int code = -1;
        QByteArray out;
        QByteArray err;
    };
    Result Run(const QStringList& args);
    QString Write(const QString& name, const QByteArray& bytes);

    QTemporaryDir dir_;
};

TestStatsCli::Result TestStatsCli::Run(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(CORVILAB_CLI), QStringList{QStringLiteral("stats")} + args);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

QString TestStatsCli::Write(const QString& name, const QByteArray& bytes) {
    QFile file(dir_.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName()
                                                                                : QString();
}

void TestStatsCli::stats_data() {
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("said"); // on standard error; empty: nothing
    const QByteArray run = "\xB0"
                           "C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\t\r\n"
                           "1\t2013/08/08 14:05:09\t23.4\t-.5\t- - -\tOver\t\r\n"
                           "2\t2013/08/08 14:05:10\t25.0\tUnder\t- - -\t100.0\t\r\n"
                           "3\t2013/08/08 14:05:11\t24.1\t-1.5\t- - -\t100.1\t\r\n";
    QTest::newRow("gaps left out")
        << run << QStringList() << 0
        << QByteArray("T1\t23.4\t2013/08/08 14:05:09\t25.0\t2013/08/08 14:05:10\t24.2\t3\n"
                      "T2\t-1.5\t2013/08/08 14:05:11\t-0.5\t2013/08/08 14:05:09\t-1.0\t2\n"
                      "T3\t\t\t\t\t\t0\n"
                      "T4\t100.0\t2013/08/08 14:05:10\t100.1\t2013/08/08 14:05:11\t100.1\t2\n")
        << QByteArray();
    QTest::newRow("above a level, the level itself not")
        << run << QStringList{"--above", "24.1"} << 0
        << QByteArray("T1\t23.4\t2013/08/08 14:05:09\t25.0\t2013/08/08 14:05:10\t24.2\t3\t1\n"
                      "T2\t-1.5\t2013/08/08 14:05:11\t-0.5\t2013/08/08 14:05:09\t-1.0\t2\t0\n"
                      "T3\t\t\t\t\t\t0\t0\n"
                      "T4\t100.0\t2013/08/08 14:05:10\t100.1\t2013/08/08 14:05:11\t100.1\t2\t2\n")
        << QByteArray();
    QTest::newRow("logger set without T1, T3, T4, saved as UTF-8")
        << QByteArray("\xC2\xB0"
                      "F\tDate Time\tT1 - \tT2 - K\tT3 - \tT4 - \t\r\n"
                      "1\t2013/12/31 23:59:55\t \t70.0\t \t \t\r\n"
                      "2\t2014/01/01 00:00:05\t \t65.2\t \t \t\r\n")
        << QStringList{"--above=66"} << 0
        << QByteArray("T2\t65.2\t2014/01/01 00:00:05\t70.0\t2013/12/31 23:59:55\t67.6\t2\t10\n")
        << QByteArray();
    QTest::newRow("not a data file")
        << QByteArray("Record,Date Time,T1\r\n1,2,3\r\n") << QStringList() << 2 << QByteArray()
        << QByteArray("run.4ch is not a data file");
    QTest::newRow("level with two decimals")
        << run << QStringList{"--above", "24.15"} << 2 << QByteArray()
        << QByteArray("--above is degrees with at most one decimal (100, 37.5, -18), not "
                      "'24.15'");
    QTest::newRow("no such file") << QByteArray() << QStringList() << 3 << QByteArray()
                                  << QByteArray("cannot read");
    QTest::newRow("a damaged line: the lines before it count")
        << QByteArray(run).replace("\t100.0\t\r\n", "\r\n") << QStringList() << 3
        << QByteArray("T1\t23.4\t2013/08/08 14:05:09\t23.4\t2013/08/08 14:05:09\t23.4\t1\n"
                      "T2\t-0.5\t2013/08/08 14:05:09\t-0.5\t2013/08/08 14:05:09\t-0.5\t1\n"
                      "T3\t\t\t\t\t\t0\n"
                      "T4\t\t\t\t\t\t0\n")
        << QByteArray("run.4ch line 3: not six TAB-separated fields");
}

void TestStatsCli::stats() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, said);
    QFile::remove(dir_.filePath(QStringLiteral("run.4ch")));
    if (!file.isEmpty())
        QVERIFY(!Write(QStringLiteral("run.4ch"), file).isEmpty());
    const Result r = Run(QStringList{dir_.filePath(QStringLiteral("run.4ch"))} + options);
    QTEST(r.code, "code");
    QTEST(r.out, "out");
    QVERIFY2(said.isEmpty() ? r.err.isEmpty() : r.err.contains(said) && r.err.count('\n') == 1,
             r.err.constData());
}

// A recording of 320000 records goes on in run-1.4ch; a run-2.4ch left from an earlier, longer
// recording does not follow a short run-1.4ch and is not counted.
void TestStatsCli::continuationFiles() {
    const QByteArray heading = "\xB0"
                               "C\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n";
    QByteArray first = heading;
    first.reserve(320000 * 40);
    for (int n = 1; n <= 320000; ++n) {
        // One a second from 2013/08/08 14:05:09.
        const int second = 14 * 3600 + 5 * 60 + 9 + n - 1;
        char when[32];
        std::snprintf(when, sizeof when, "\t2013/08/%02d %02d:%02d:%02d", 8 + second / 86400,
                      second / 3600 % 24, second / 60 % 60, second % 60);
        first += QByteArray::number(n) + when +
                 (n == 200000 ? "\t19.5\t \t \t \t\r\n" : "\t20.0\t \t \t \t\r\n");
    }
    const QString path = Write(QStringLiteral("long.4ch"), first);
    Write(QStringLiteral("long-1.4ch"),
          heading + "320001\t2013/08/12 06:58:29\t30.0\t \t \t \t\r\n");
    Write(QStringLiteral("long-2.4ch"), heading + "1\t2013/08/12 06:58:30\t99.9\t \t \t \t\r\n");
    const Result r = Run({path, QStringLiteral("--above"), QStringLiteral("19.9")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QByteArray("T1\t19.5\t2013/08/10 21:38:28\t30.0\t2013/08/12 06:58:29\t20.0\t"
                               "320001\t320000\n"));
}

// Where a file has corrected readings beside it, those are counted, and the output says so.
void TestStatsCli::correctedReadings() {
    const QString path =
        Write(QStringLiteral("cal.4ch"), "\xB0"
                                         "C\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n"
                                         "1\t2013/08/08 14:05:09\t23.4\t \t \t \t\r\n"
                                         "2\t2013/08/08 14:05:10\t25.0\t \t \t \t\r\n");
    Write(QStringLiteral("cal.4ch.corrected"), "No.\tDate Time\tT1\tT2\tT3\tT4\tCorrected\tBeyond\n"
                                               "2\t2013/08/08 14:05:10\t24.6\t \t \t \tT1\t\n");
    const Result r = Run({path});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out,
             QByteArray("T1\t23.4\t2013/08/08 14:05:09\t24.6\t2013/08/08 14:05:10\t24.0\t2\n"
                        "# readings as corrected by calibration: 1 (from cal.4ch.corrected)\n"));
}

QTEST_GUILESS_MAIN(TestStatsCli)
#include "tst_stats_cli.moc"
