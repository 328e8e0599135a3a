#include <QProcess>
#include <QtTest>

// The desktop program started as over SSH: no display, no platform chosen. Help and version
// must still answer instead of Qt aborting for want of a platform plugin.
class TestStart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersWithoutDisplay_data();
    void answersWithoutDisplay();
};

void TestStart::answersWithoutDisplay_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("help") << "--help"
                          << QByteArray("Usage: " CORVILAB_APP " [options]\n"
                                        "Corvilab: live display, recording and logger read-out "
                                        "of a four-channel thermocouple thermometer.\n");
    QTest::newRow("version") << "--version" << QByteArray("corvilab " CORVILAB_VERSION "\n");
}

void TestStart::answersWithoutDisplay() {
    QFETCH(QString, option);
    QFETCH(QByteArray, expected);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString());
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(CORVILAB_APP), {option});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(process.readAllStandardOutput().startsWith(expected), qPrintable(option));
}

QTEST_GUILESS_MAIN(TestStart)
#include "tst_start.moc"
