// corvilab-cli as a user runs it: a subprocess talking to corvilab-sim over a real
// pseudo-terminal, checked by its exit status, what it prints and the bytes of its files.

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// Two sets (the second in °C with T2 and T3 only, crossing the new year), one manual entry, and
// live channels with a reading, no probe, over range and a negative reading.
const char* const kScenario = "unit F\n"
                              "clock 2013/08/08 14:05:09\n"
                              "interval 7\n"
                              "poweroff 1\n"
                              "channel 1 type K reading 734\n"
                              "channel 2 type J reading 0 probe off\n"
                              "channel 3 type T reading 652 over on\n"
                              "channel 4 type E reading -53\n"
                              "set start 2013/08/08 14:00:00 interval 5 unit F mask 1 "
                              "types K,K,K,K offsets 0,0,0,0\n"
                              "record 734\n"
                              "set start 2013/12/31 23:59:55 interval 10 unit C mask 0b0110 "
                              "types K,J,T,K offsets 0,0,-5,0\n"
                              "record 700 652\n"
                              "record - over\n"
                              "manual at 2013/08/08 14:01:00 unit F types K,J,T,E "
                              "offsets 0,0,0,0 values 734 - over 662\n";

// Set 2 as the data list saves it in its own unit: Windows-1252, CR LF, a TAB after each field,
// a blank for the channels the set did not record.
const QByteArray kSet2File = QByteArray("\xB0"
                                        "C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\t\r\n"
                                        "1\t2013/12/31 23:59:55\t \t21.1\t18.2\t \t\r\n"
                                        "2\t2014/01/01 00:00:05\t \t- - -\tOver\t \t\r\n");

const QRegularExpression kDateTime(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}$"));

struct Result {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void helpAndVersion();
    void badUsage_data();
    void badUsage();
    void noPort();
    void portFromEnvironment();
    void silentMeter_data();
    void silentMeter();

    void status();
    void settings_data();
    void settings();
    void clock();
    void loggerSetsAndManual();
    void loggerGet();
    void loggerAll();
    void unwritableFile_data();
    void unwritableFile();
    void erase();

    void liveFollowsKeyAndUnit();
    void record();
    void recordStoppedBySigterm();

    void convertUnderDecimalComma();
    void convertStopsAtBadLine();

    void desktopEntry();

private:
    bool StartMeter();
    bool Control(const QByteArray& lines);
    Result Run(const QStringList& args, const QStringList& extraEnvironment = {});
    QString Path(const QString& name) const { return dir_->filePath(name); }
    QByteArray ReadAll(const QString& path) const;

    QString cli_;
    QString sim_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> meter_;
    QString port_;
};

void TestCli::initTestCase() {
    cli_ = QStringLiteral(CORVILAB_CLI);
    sim_ = qEnvironmentVariable("CORVILAB_SIM", QStringLiteral(CORVILAB_SIM_PATH));
    QVERIFY2(QFileInfo(cli_).isExecutable(), qPrintable(cli_));
    QVERIFY2(QFileInfo(sim_).isExecutable(), qPrintable(sim_));
}

void TestCli::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QFile scenario(Path(QStringLiteral("meter.txt")));
    QVERIFY(scenario.open(QIODevice::WriteOnly));
    scenario.write(kScenario);
    scenario.close();
    QVERIFY(StartMeter());
}

void TestCli::cleanup() {
    if (meter_ && meter_->state() != QProcess::NotRunning) {
        meter_->terminate();
        if (!meter_->waitForFinished(5000))
            meter_->kill();
    }
    meter_.reset();
    dir_.reset();
}

bool TestCli::StartMeter() {
    meter_ = std::make_unique<QProcess>();
    meter_->start(sim_, {QStringLiteral("--fast"), QStringLiteral("--scenario"),
                         Path(QStringLiteral("meter.txt"))});
    if (!meter_->waitForStarted(10000))
        return false;
    QDeadlineTimer deadline(10000);
    while (!meter_->canReadLine() && !deadline.hasExpired())
        meter_->waitForReadyRead(int(deadline.remainingTime()));
    port_ = QString::fromLocal8Bit(meter_->readLine()).trimmed();
    return QFileInfo::exists(port_);
}

// Writes control lines to the simulator and waits until it has applied them.
bool TestCli::Control(const QByteArray& lines) {
    meter_->write(lines + "\necho applied\n");
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (meter_->canReadLine() && meter_->readLine().trimmed() == "applied")
            return true;
        meter_->waitForReadyRead(50);
    }
    return false;
}

Result TestCli::Run(const QStringList& args, const QStringList& extraEnvironment) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("CORVILAB_PORT"));
    for (const QString& entry : extraEnvironment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    process.start(cli_, args);
    Result result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QByteArray TestCli::ReadAll(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// ---- Usage -------------------------------------------------------------------------------------

void TestCli::helpAndVersion() {
    const Result help = Run({QStringLiteral("--help")});
    QCOMPARE(help.code, 0);
    QVERIFY(help.out.startsWith("Usage: corvilab-cli "));
    QVERIFY(help.out.contains("convert FILE"));
    QVERIFY(help.err.isEmpty());
    const Result version = Run({QStringLiteral("--version")});
    QCOMPARE(version.code, 0);
    QVERIFY2(version.out.startsWith("corvilab-cli (Corvilab) "), version.out.constData());
}

void TestCli::badUsage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("said");
    const auto row = [](const char* name, const char* args, const char* said) {
        QTest::newRow(name) << QString::fromLatin1(args).split(QLatin1Char(' ')) << said;
    };
    row("no command", "--timeout 5", "no command given");
    row("unknown command", "fly", "unknown command 'fly'");
    row("unknown option", "status --loud", "unknown option '--loud'");
    row("option of another command", "live --output x", "live does not take --output");
    row("extra argument", "status now", "unexpected argument 'now'");
    row("timeout not a number", "--timeout soon status", "--timeout");
    row("timeout zero", "--timeout 0 status", "--timeout");
    row("missing value", "live --samples", "needs a value");
    row("interval 0", "live --interval 0", "--interval is whole seconds");
    row("interval fraction", "record f.4ch --interval 1.5", "--interval is whole seconds");
    row("unit K", "live --unit K", "--unit is C or F");
    row("record without file", "record", "record needs FILE");
    row("logger alone", "logger", "logger needs sets, get, all or manual");
    row("set not a number", "logger get two", "set number");
    row("meter interval 256", "interval 256", "from 1 to 255");
    row("power-off 10", "poweroff 10", "5, 15 or 30");
    row("unknown key", "key PLAY", "unknown key 'PLAY'");
    row("long READ", "key READ --long", "READ has no long press");
    row("erase without yes", "erase auto", "Not erased: add --yes");
    row("erase what", "erase all --yes", "erase needs auto or manual");
    row("convert without to", "convert a.4ch", "convert needs --to csv");
    row("convert to xls", "convert a.4ch --to xls", "only --to csv");
}

void TestCli::badUsage() {
    QFETCH(QStringList, args);
    QFETCH(QString, said);
    // The port is given: wrong usage is found before the meter is asked anything.
    const Result r = Run(QStringList{QStringLiteral("--port"), port_} + args);
    QCOMPARE(r.code, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.startsWith("corvilab-cli: ") && r.err.contains(said.toUtf8()),
             r.err.constData());
    QCOMPARE(r.err.count('\n'), 1);
    // Nothing reached the meter: its logger still holds both sets.
    if (args.contains(QStringLiteral("erase"))) {
        const Result status = Run({QStringLiteral("--port"), port_, QStringLiteral("status")});
        QVERIFY(status.out.contains("AutomaticDataBytes\t67\n"));
    }
}

void TestCli::noPort() {
    const Result none = Run({QStringLiteral("status")});
    QCOMPARE(none.code, 2);
    QVERIFY2(none.err.contains("no port given"), none.err.constData());

    const QString missing = Path(QStringLiteral("ttyUSB9"));
    const Result gone = Run({QStringLiteral("--port"), missing, QStringLiteral("status")});
    QCOMPARE(gone.code, 1);
    QVERIFY2(gone.err.startsWith("corvilab-cli: cannot open " + missing.toUtf8() + ": "),
             gone.err.constData());
}

void TestCli::portFromEnvironment() {
    const Result r = Run({QStringLiteral("status")}, {QStringLiteral("CORVILAB_PORT=") + port_});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.startsWith("MemoryAddress\t"));
}

void TestCli::silentMeter_data() {
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("said");
    const QByteArray noAnswer = "no meter answers on %1 within 1 s";
    QTest::newRow("status") << QByteArray("silent on") << QStringList{QStringLiteral("status")}
                            << noAnswer;
    QTest::newRow("clock") << QByteArray("silent on") << QStringList{QStringLiteral("clock")}
                           << noAnswer;
    QTest::newRow("interval") << QByteArray("silent on") << QStringList{QStringLiteral("interval")}
                              << noAnswer;
    QTest::newRow("logger") << QByteArray("silent on")
                            << QStringList{QStringLiteral("logger"), QStringLiteral("sets")}
                            << noAnswer;
    QTest::newRow("live") << QByteArray("silent on") << QStringList{QStringLiteral("live")}
                          << noAnswer;
    QTest::newRow("dump cut short")
        << QByteArray("cut 12") << QStringList{QStringLiteral("logger"), QStringLiteral("sets")}
        << QByteArray("on %1"); // a transfer that stopped, or sets that end early
}

void TestCli::silentMeter() {
    QFETCH(QByteArray, fault);
    QFETCH(QStringList, args);
    QFETCH(QByteArray, said);
    QVERIFY(Control(fault));
    const Result r = Run(QStringList{QStringLiteral("--port"), port_, QStringLiteral("--timeout"),
                                     QStringLiteral("1")} +
                         args);
    QCOMPARE(r.code, 1);
    if (fault == "silent on")
        QVERIFY(r.out.isEmpty());
    const QByteArray expected = QString::fromUtf8(said).arg(port_).toUtf8();
    QVERIFY2(r.err.contains(expected), r.err.constData());
    QCOMPARE(r.err.count('\n'), 1);
}

// ---- Meter commands ------------------------------------------------------------------------

void TestCli::status() {
    const Result r = Run({QStringLiteral("--port"), port_, QStringLiteral("status")});
    QCOMPARE(r.code, 0);
    // Set 1: 23 + 1 x 5 bytes; set 2: 23 + 2 x 8 bytes.
    QCOMPARE(r.out, QByteArray("MemoryAddress\t8259\nManualCount\t1\nAutomaticDataBytes\t67\n"));
    QVERIFY(r.err.isEmpty());
}

void TestCli::settings_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("value");
    QTest::newRow("interval") << "interval"
                              << "7"
                              << "12";
    QTest::newRow("power-off") << "poweroff"
                               << "15"
                               << "30";
    QTest::newRow("power-off 5") << "poweroff"
                                 << "15"
                                 << "5";
}

void TestCli::settings() {
    QFETCH(QString, command);
    QFETCH(QString, before);
    QFETCH(QString, value);
    const QStringList base{QStringLiteral("--port"), port_, command};
    Result r = Run(base);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, before.toUtf8() + '\n');
    r = Run(base + QStringList{value});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.isEmpty());
    // The command reached the meter although the program ended right after writing it.
    r = Run(base);
    QCOMPARE(r.out, value.toUtf8() + '\n');
}

void TestCli::clock() {
    const QStringList base{QStringLiteral("--port"), port_, QStringLiteral("clock")};
    Result r = Run(base);
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith("2013/08/08 14:0") && r.out.endsWith('\n') && r.out.size() == 20,
             r.out.constData());

    const QDate today = QDate::currentDate();
    r = Run(base + QStringList{QStringLiteral("set")});
    QCOMPARE(r.code, 0);
    r = Run(base);
    QCOMPARE(r.code, 0);
    const QDate read = QDate::fromString(QString::fromUtf8(r.out.left(10)), u"yyyy/MM/dd");
    QVERIFY2(read == today || read == today.addDays(1), r.out.constData());

    // A meter without a date is said so, not shown as a date.
    QVERIFY(Control("quit"));
    QVERIFY(meter_->waitForFinished(5000));
    QFile scenario(Path(QStringLiteral("meter.txt")));
    QVERIFY(scenario.open(QIODevice::Append));
    scenario.write("clock none\n");
    scenario.close();
    QVERIFY(StartMeter());
    r = Run({QStringLiteral("--port"), port_, QStringLiteral("clock")});
    QCOMPARE(r.code, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains("holds no date"), r.err.constData());
}

void TestCli::loggerSetsAndManual() {
    Result r =
        Run({QStringLiteral("--port"), port_, QStringLiteral("logger"), QStringLiteral("sets")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QByteArray("Set\tDate Time\tIntv.\tRec.s\n"
                               "1\t2013/08/08 14:00:00\t5\t1\n"
                               "2\t2013/12/31 23:59:55\t10\t2\n"));
    r = Run({QStringLiteral("--port"), port_, QStringLiteral("logger"), QStringLiteral("manual")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QByteArray("\tDate Time\tT1\tT2\tT3\tT4\n"
                               "\xC2\xB0"
                               "F\t2013/08/08 14:01:00\tK: 73.4\tJ: - - -\tT: Over\tE: 66.2\n"));
}

void TestCli::loggerGet() {
    const QStringList get{QStringLiteral("--port"), port_, QStringLiteral("logger"),
                          QStringLiteral("get")};
    const QString file = Path(QStringLiteral("set2.4ch"));
    Result r = Run(get + QStringList{QStringLiteral("2"), QStringLiteral("-o"), file});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(ReadAll(file), kSet2File);

    // Printed: the same fields in UTF-8, LF, no TAB after the last field; here in °F, which
    // the °C set converts back from its °C texts.
    r = Run(get + QStringList{QStringLiteral("2"), QStringLiteral("--unit"), QStringLiteral("F")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QByteArray("\xC2\xB0"
                               "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\n"
                               "1\t2013/12/31 23:59:55\t \t69.9\t64.7\t \n"
                               "2\t2014/01/01 00:00:05\t \t- - -\tOver\t \n"));

    r = Run(get + QStringList{QStringLiteral("3")});
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains("there is no set 3") && r.err.contains("holds 2"), r.err.constData());
}

void TestCli::loggerAll() {
    const QString folder = Path(QStringLiteral("sets/new"));
    const Result r = Run(
        {QStringLiteral("--port"), port_, QStringLiteral("logger"), QStringLiteral("all"), folder});
    QCOMPARE(r.code, 0);
    const QString set1 = folder + QStringLiteral("/set-1.4ch");
    const QString set2 = folder + QStringLiteral("/set-2.4ch");
    QCOMPARE(QString::fromUtf8(r.out), set1 + QLatin1Char('\n') + set2 + QLatin1Char('\n'));
    QCOMPARE(ReadAll(set1), QByteArray("\xB0"
                                       "F\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n"
                                       "1\t2013/08/08 14:00:00\t73.4\t \t \t \t\r\n"));
    QCOMPARE(ReadAll(set2), kSet2File);
}

void TestCli::unwritableFile_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("target");
    QTest::newRow("set to a full disk") << "get" << QStringLiteral("/dev/full");
    QTest::newRow("set into a missing folder") << "get" << QStringLiteral("missing/set.4ch");
    QTest::newRow("recording to a full disk") << "record" << QStringLiteral("/dev/full");
}

void TestCli::unwritableFile() {
    QFETCH(QString, command);
    QFETCH(QString, target);
    const QString path = target.startsWith(QLatin1Char('/')) ? target : Path(target);
    const QStringList args = command == QLatin1String("get")
                                 ? QStringList{QStringLiteral("logger"), QStringLiteral("get"),
                                               QStringLiteral("1"), QStringLiteral("-o"), path}
                                 : QStringList{QStringLiteral("record"), path,
                                               QStringLiteral("--samples"), QStringLiteral("1")};
    const Result r = Run(QStringList{QStringLiteral("--port"), port_} + args);
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.startsWith("corvilab-cli: cannot write " + path.toUtf8() + ": "),
             r.err.constData());
    QCOMPARE(r.err.count('\n'), 1);
}

void TestCli::erase() {
    const QStringList base{QStringLiteral("--port"), port_};
    Result r = Run(base + QStringList{QStringLiteral("erase"), QStringLiteral("manual"),
                                      QStringLiteral("--yes")});
    QCOMPARE(r.code, 0);
    r = Run(base + QStringList{QStringLiteral("status")});
    QCOMPARE(r.out, QByteArray("MemoryAddress\t8259\nManualCount\t0\nAutomaticDataBytes\t67\n"));
    r = Run(base +
            QStringList{QStringLiteral("erase"), QStringLiteral("auto"), QStringLiteral("--yes")});
    QCOMPARE(r.code, 0);
    r = Run(base + QStringList{QStringLiteral("logger"), QStringLiteral("sets")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QByteArray("Set\tDate Time\tIntv.\tRec.s\n"));
}

// ---- Live readings and recording ---------------------------------------------------------------

void TestCli::liveFollowsKeyAndUnit() {
    const QStringList base{QStringLiteral("--port"), port_};
    // C / F switches the meter to °C; live follows the meter's unit.
    Result r = Run(base + QStringList{QStringLiteral("key"), QStringLiteral("cf")});
    QCOMPARE(r.code, 0);
    r = Run(base +
            QStringList{QStringLiteral("live"), QStringLiteral("--samples"), QStringLiteral("2")});
    QCOMPARE(r.code, 0);
    QList<QByteArray> lines = r.out.split('\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QByteArray("\xC2\xB0"
                                  "C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E"));
    for (int n = 1; n <= 2; ++n) {
        const QList<QByteArray> fields = lines[n].split('\t');
        QCOMPARE(fields.size(), 6);
        QCOMPARE(fields[0], QByteArray::number(n));
        QVERIFY2(kDateTime.match(QString::fromUtf8(fields[1])).hasMatch(), fields[1].constData());
        // 73.4 °F is 23.0 °C; -5.3 °F is -20.72 °C, cut towards zero.
        QCOMPARE(fields.mid(2), (QList<QByteArray>{"23.0", "- - -", "Over", "-20.7"}));
    }
    QVERIFY(lines[3].isEmpty());

    r = Run(base + QStringList{QStringLiteral("live"), QStringLiteral("--samples"),
                               QStringLiteral("1"), QStringLiteral("--unit"), QStringLiteral("F")});
    QCOMPARE(r.code, 0);
    lines = r.out.split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QByteArray("\xC2\xB0"
                                  "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E"));
    QVERIFY2(lines[1].endsWith("\t73.4\t- - -\tOver\t-5.3"), lines[1].constData());
}

void TestCli::record() {
    const QString file = Path(QStringLiteral("run.4ch"));
    const Result r = Run({QStringLiteral("--port"), port_, QStringLiteral("record"), file,
                          QStringLiteral("--samples"), QStringLiteral("2")});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.isEmpty());
    QVERIFY(r.err.isEmpty());
    const QByteArray bytes = ReadAll(file);
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.size(), 4);
    // The date and time come from the clock; everything else is known to the byte.
    QByteArray expected = "\xB0"
                          "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\t\r\n";
    for (int n = 1; n <= 2; ++n) {
        const QByteArray when = lines[n].split('\t').value(1);
        QVERIFY2(kDateTime.match(QString::fromLatin1(when)).hasMatch(), lines[n].constData());
        expected += QByteArray::number(n) + '\t' + when + "\t73.4\t- - -\tOver\t-5.3\t\r\n";
    }
    QCOMPARE(bytes, expected);
}

void TestCli::recordStoppedBySigterm() {
    const QString file = Path(QStringLiteral("long.4ch"));
    QProcess process;
    process.start(cli_, {QStringLiteral("--port"), port_, QStringLiteral("record"), file});
    QVERIFY(process.waitForStarted());
    // Until the recording has written its heading and a record line.
    QTRY_VERIFY_WITH_TIMEOUT(ReadAll(file).count('\n') >= 2, 20000);
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(process.readAllStandardError().isEmpty());

    const QByteArray bytes = ReadAll(file);
    QVERIFY(bytes.endsWith("\t\r\n"));
    const QList<QByteArray> lines = bytes.left(bytes.size() - 2).split('\n');
    QVERIFY(lines.size() >= 2);
    for (int i = 0; i < lines.size(); ++i) {
        QVERIFY2(lines[i].endsWith("\t\r") || i == lines.size() - 1, lines[i].constData());
        QCOMPARE(lines[i].count('\t'), 6);
        if (i > 0)
            QCOMPARE(lines[i].split('\t').first(), QByteArray::number(i));
    }
}

// ---- Conversion ----------------------------------------------------------------------------

void TestCli::convertUnderDecimalComma() {
    const QString source = Path(QStringLiteral("in.4ch"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xB0"
               "C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\t\r\n"
               "1\t2013/08/08 14:05:09\t23.4\t-.5\t- - -\tOver\t\r\n"
               "2\t2013/08/08 14:05:10\t1234.5\tUnder\t \t0.0\t\r\n"
               "3\t2013/08/08 14:05:11\t-17.7\t7,5 \"x\"\t100\t-0.5\t\r\n");
    file.close();

    // The CSV: value and flag column per channel, ISO dates, "." whatever the locale, quoting
    // of a cell with a comma or a quote.
    const QByteArray csv = "Record,Date Time,T1 - K (\xC2\xB0"
                           "C),T1 - K flag,T2 - J (\xC2\xB0"
                           "C),T2 - J flag,T3 - T (\xC2\xB0"
                           "C),T3 - T flag,T4 - E (\xC2\xB0"
                           "C),T4 - E flag\r\n"
                           "1,2013-08-08T14:05:09,23.4,,-0.5,,,,,Over\r\n"
                           "2,2013-08-08T14:05:10,1234.5,,,Under,,,0.0,\r\n"
                           "3,2013-08-08T14:05:11,-17.7,,,\"7,5 \"\"x\"\"\",100,,-0.5,\r\n";
    const QStringList comma{QStringLiteral("LC_ALL=de_DE.UTF-8"),
                            QStringLiteral("LC_NUMERIC=de_DE.UTF-8"),
                            QStringLiteral("LANG=de_DE.UTF-8")};
    const QString target = Path(QStringLiteral("out.csv"));
    Result r = Run({QStringLiteral("convert"), source, QStringLiteral("-o"), target,
                    QStringLiteral("--to"), QStringLiteral("csv")},
                   comma);
    QCOMPARE(r.code, 0);
    QVERIFY(r.err.isEmpty());
    QCOMPARE(ReadAll(target), csv);

    // On standard output the same lines end in LF.
    r = Run({QStringLiteral("convert"), source, QStringLiteral("--to=csv")}, comma);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QByteArray(csv).replace("\r\n", "\n"));

    r = Run({QStringLiteral("convert"), source, QStringLiteral("--to"), QStringLiteral("csv"),
             QStringLiteral("-o"), Path(QStringLiteral("missing/out.csv"))});
    QCOMPARE(r.code, 3);
    r = Run({QStringLiteral("convert"), Path(QStringLiteral("none.4ch")), QStringLiteral("--to"),
             QStringLiteral("csv")});
    QCOMPARE(r.code, 3);
    QVERIFY(r.out.isEmpty());
}

void TestCli::convertStopsAtBadLine() {
    const QString source = Path(QStringLiteral("cut.4ch"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xB0"
               "F\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n"
               "1\t2013/08/08 14:05:09\t73.4\t73.4\t73.4\t73.4\t\r\n"
               "2\t2013/08/08 14:05:10\t73.4\t73.4\r\n"
               "3\t2013/08/08 14:05:11\t73.4\t73.4\t73.4\t73.4\t\r\n");
    file.close();
    const Result r =
        Run({QStringLiteral("convert"), source, QStringLiteral("--to"), QStringLiteral("csv")});
    QCOMPARE(r.code, 3);
    QCOMPARE(r.out.count('\n'), 2); // the heading and record 1
    QVERIFY2(r.err.contains("line 3"), r.err.constData());
}

// ---- Installing ----------------------------------------------------------------------------

void TestCli::desktopEntry() {
    const QString prefix = Path(QStringLiteral("prefix"));
    QProcess install;
    install.start(QStringLiteral(CORVILAB_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(CORVILAB_BUILD_DIR),
                   QStringLiteral("--prefix"), prefix, QStringLiteral("--component"),
                   QStringLiteral("desktop")});
    QVERIFY(install.waitForFinished(30000));
    QCOMPARE(install.exitCode(), 0);

    const QString entry = prefix + QStringLiteral("/share/applications/corvilab.desktop");
    const QString icon = prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/corvilab.svg");
    const QByteArray text = ReadAll(entry);
    QVERIFY(text.contains("\nExec=corvilab\n"));
    QVERIFY(text.contains("\nIcon=corvilab\n"));
    QXmlStreamReader svg(ReadAll(icon));
    QVERIFY(svg.readNextStartElement());
    QCOMPARE(svg.name(), QStringLiteral("svg"));
    while (!svg.atEnd())
        svg.readNext();
    QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));

    const QString validate =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validate.isEmpty())
        QSKIP("desktop-file-validate is not installed");
    QProcess check;
    check.start(validate, {entry});
    QVERIFY(check.waitForFinished(30000));
    const QByteArray said = check.readAllStandardOutput() + check.readAllStandardError();
    QVERIFY2(check.exitCode() == 0 && said.trimmed().isEmpty(), said.constData());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
