#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The desktop program started as over SSH: no display, no platform chosen. Help and version
// must still answer instead of Qt aborting for want of a platform plugin.
class TestStart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void answersWithoutDisplay_data();
    void answersWithoutDisplay();

private:
    QTemporaryDir dir_;
};

void TestStart::initTestCase() {
    QVERIFY(dir_.isValid());
    QFile bad(dir_.filePath("probes.cal"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("T1 C offset -0.3\nT2 C two-point 0 0.4\n");
}

void TestStart::answersWithoutDisplay_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("expected"); // the start of standard output, or of errors
    // A calibration file that cannot be read stops the program before any window.
    const QString cal = dir_.filePath("probes.cal");
    QTest::newRow("bad calibration")
        << QStringList{"--calibration", cal} << 1
        << ("corvilab: " + cal.toUtf8() +
            " line 2: two-point takes four numbers: reading true reading true\n");
    QTest::newRow("help") << QStringList{"--help"} << 0
                          << QByteArray("Usage: " CORVILAB_APP " [options]\n"
                                        "Corvilab: live display, recording and logger read-out "
                                        "of a four-channel thermocouple thermometer.\n");
    QTest::newRow("version") << QStringList{"--version"} << 0
                             << QByteArray("corvilab " CORVILAB_VERSION "\n");
}

void TestStart::answersWithoutDisplay() {
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, expected);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString());
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(CORVILAB_APP), options);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray out =
        exitCode == 0 ? process.readAllStandardOutput() : process.readAllStandardError();
    QVERIFY2(out.startsWith(expected), out.constData());
}

QTEST_GUILESS_MAIN(TestStart)
#include "tst_start.moc"
