#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// One set of mask 1 with one record (28 bytes) and two manual entries.
const char* const kScenario = "unit F\n"
                              "clock 2013/08/08 14:05:09\n"
                              "set start 2013/08/08 14:00:00 interval 5 mask 1\n"
                              "record 734\n"
                              "manual at 2013/08/08 14:01:00 values 1 2 3 4\n"
                              "manual at 2013/08/08 14:02:00 values 1 2 3 4\n";

} // namespace

class TestSimProgram : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void answersAndSurvivesUnplug();
    void endsCleanlyOnSigterm();
    void scenarioErrorNamesTheLine();

private:
    bool Start(const QStringList& extra);
    QString ReadLine();
    bool OpenPort(QSerialPort& port, const QString& path);
    QByteArray Ask(QSerialPort& port, const QByteArray& command, const QByteArray& reply);

    QString program_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> sim_;
};

void TestSimProgram::init() {
    program_ = qEnvironmentVariable("CORVILAB_SIM");
    if (program_.isEmpty())
        QSKIP("CORVILAB_SIM is not set");
    dir_ = std::make_unique<QTemporaryDir>();
    QFile file(dir_->filePath(QStringLiteral("meter.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(kScenario);
}

void TestSimProgram::cleanup() {
    if (sim_ && sim_->state() != QProcess::NotRunning) {
        sim_->kill();
        sim_->waitForFinished(5000);
    }
    sim_.reset();
}

bool TestSimProgram::Start(const QStringList& extra) {
    sim_ = std::make_unique<QProcess>();
    sim_->setProcessChannelMode(QProcess::SeparateChannels);
    sim_->start(program_, QStringList{QStringLiteral("--fast"), QStringLiteral("--scenario"),
                                      dir_->filePath(QStringLiteral("meter.txt"))} +
                              extra);
    return sim_->waitForStarted(10000);
}

QString TestSimProgram::ReadLine() {
    QDeadlineTimer deadline(10000);
    while (!sim_->canReadLine() && !deadline.hasExpired())
        sim_->waitForReadyRead(int(deadline.remainingTime()));
    return QString::fromLocal8Bit(sim_->readLine()).trimmed();
}

bool TestSimProgram::OpenPort(QSerialPort& port, const QString& path) {
    port.setPortName(path);
    port.setBaudRate(QSerialPort::Baud19200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    return port.open(QIODevice::ReadWrite);
}

// Writes the command and collects what comes back until the reply has arrived.
QByteArray TestSimProgram::Ask(QSerialPort& port, const QByteArray& command,
                               const QByteArray& reply) {
    port.readAll();
    port.write(command);
    QByteArray got;
    QDeadlineTimer deadline(10000);
    while (!got.contains(reply) && !deadline.hasExpired()) {
        port.waitForReadyRead(50);
        got += port.readAll();
    }
    return got;
}

void TestSimProgram::answersAndSurvivesUnplug() {
    const QString link = dir_->filePath(QStringLiteral("port"));
    QVERIFY(Start({QStringLiteral("--link"), link}));
    const QString first = ReadLine();
    QVERIFY2(QFileInfo::exists(first), qPrintable(first));
    QCOMPARE(QFileInfo(link).symLinkTarget(), first);
    QSerialPort port;
    QVERIFY2(OpenPort(port, link), qPrintable(port.errorString()));
    const QByteArray status = Hex("02 00 20 1C 02 FF 03");
    const QByteArray got = Ask(port, "A", status);
    // Taken from the end after the program's short wait, the reply is what it reads.
    port.waitForReadyRead(20);
    QVERIFY2((got + port.readAll()).endsWith(status), got.toHex(' ').constData());
    port.close();

    sim_->write("unplug\n");
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(first) && !QFileInfo(link).isSymLink(), 10000);
    sim_->write("plug\n");
    const QString second = ReadLine();
    QVERIFY2(QFileInfo::exists(second), qPrintable(second));
    QCOMPARE(QFileInfo(link).symLinkTarget(), second);
    QVERIFY2(OpenPort(port, link), qPrintable(port.errorString()));
    QVERIFY(Ask(port, "X", Hex("02 0D 08 08 0E 05")).contains(Hex("02 0D 08 08 0E 05")));

    // Faults go in the same way: a cut dump stops after the bytes asked for.
    port.close();
    sim_->write("stream off\ncut 6\necho applied\n");
    QCOMPARE(ReadLine(), QStringLiteral("applied"));
    QVERIFY(OpenPort(port, link));
    const QByteArray cut = Ask(port, "R", Hex("02 00 20 1C 00 55"));
    QVERIFY2(cut.endsWith(Hex("02 00 20 1C 00 55")), cut.toHex(' ').constData());
}

void TestSimProgram::endsCleanlyOnSigterm() {
    const QString link = dir_->filePath(QStringLiteral("port"));
    QVERIFY(Start({QStringLiteral("--link"), link}));
    QVERIFY(!ReadLine().isEmpty());
    ::kill(pid_t(sim_->processId()), SIGTERM);
    QVERIFY(sim_->waitForFinished(10000));
    QCOMPARE(sim_->exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim_->exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSimProgram::scenarioErrorNamesTheLine() {
    QFile file(dir_->filePath(QStringLiteral("meter.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("unit F\nchannel 9 type K\n");
    file.close();
    QVERIFY(Start({}));
    QVERIFY(sim_->waitForFinished(10000));
    QCOMPARE(sim_->exitCode(), 1);
    const QString error = QString::fromLocal8Bit(sim_->readAllStandardError());
    QVERIFY2(error.contains(QLatin1String("line 2: channel 9 is outside 1..4")), qPrintable(error));
    QVERIFY(sim_->readAllStandardOutput().isEmpty());
}

QTEST_GUILESS_MAIN(TestSimProgram)
#include "tst_sim_program.moc"
