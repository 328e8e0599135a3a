// corvilab-cli as a user runs it: a subprocess talking to corvilab-sim over a real
// pseudo-terminal, checked by its exit status, what it prints and the bytes of its files.

#include "support/test_files.h"

#include <QDate>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
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

const QRegularExpression kDateTime(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
const QRegularExpression
    kTime(QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d|\\b\\d\\d:\\d\\d:\\d\\d\\b"));

struct Result {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// `text` with the date and time field of each line checked and replaced by "WHEN".
QByteArray Undated(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& line : lines) {
        QList<QByteArray> fields = line.split('\t');
        if (fields.size() > 1 && kDateTime.match(QString::fromLatin1(fields[1])).hasMatch())
            fields[1] = "WHEN";
        line = fields.join('\t');
    }
    return lines.join('\n');
}

// `text` with each time (of day, or ISO date and time) replaced by "T".
QString Untimed(const QByteArray& text) {
    return QString::fromUtf8(text).replace(kTime, QStringLiteral("T"));
}

// Standard output of a run that succeeded quietly, else its status and standard error.
QByteArray Ok(const Result& r) {
    return r.code == 0 && r.err.isEmpty() ? r.out
                                          : "status " + QByteArray::number(r.code) + ": " + r.err;
}

// One line on standard error, "corvilab-cli: ...", saying `said`.
bool SaysOneLine(const Result& r, const QByteArray& said) {
    return r.err.startsWith("corvilab-cli: ") && r.err.contains(said) && r.err.count('\n') == 1;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void refused_data();
    void refused();
    void helpAndPortChoice();
    void prints_data();
    void prints();
    void clock();
    void lostLink_data();
    void lostLink();
    void setupChange_data();
    void setupChange();
    void convert();
    void alarms();
    void compare_data();
    void compare();
    void bandWhileRecording();
    void calibrated();
    void marks();

private:
    bool StartMeter();
    // The meter started again on the scenario with `more` lines at its end.
    bool RestartMeter(const QByteArray& more) {
        return Control("quit") && meter_->waitForFinished(5000) &&
               !WriteFile("meter.txt", kScenario + more).isEmpty() && StartMeter();
    }
    bool Control(const QByteArray& lines);
    Result Run(const QStringList& args, const QStringList& extraEnvironment = {});
    // corvilab-cli told the simulated meter's port.
    Result OnMeter(const QStringList& args) { return Run(QStringList{"--port", port_} + args); }
    // The path of the file written in the test's folder; empty if it could not be written.
    QString WriteFile(const QString& name, const QByteArray& bytes) const {
        return ::WriteFile(Path(name), bytes) ? Path(name) : QString();
    }
    QString Path(const QString& name) const { return dir_->filePath(name); }
    // Arguments written as one text, blanks between them; DIR stands for the test's folder.
    QStringList Args(const QString& line) const {
        return line.split(QLatin1Char(' ')).replaceInStrings(QStringLiteral("DIR"), dir_->path());
    }

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
    QVERIFY(!WriteFile("meter.txt", kScenario).isEmpty());
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
    // The link keeps the port's name when it is unplugged and plugged again, as udev does.
    meter_->start(sim_, {"--fast", "--scenario", Path("meter.txt"), "--link", Path("meter")});
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
    // The marks socket of a recording is the test's own.
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_->path());
    for (const QString& entry : extraEnvironment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir_->path()); // where names without a folder are found
    process.start(cli_, args);
    if (!process.waitForFinished(60000))
        process.kill(); // a run that hangs ends as a crash
    process.waitForFinished();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

void TestCli::refused_data() {
    // Wrong usage ends with status 2, a meter that does not answer with 1, a file that cannot be
    // written with 3. `control` goes to the simulated meter first; DIR is the test's folder, PORT
    // the meter's port.
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QByteArray>("control");
    const auto row = [](const char* name, const QString& args, const char* said, int code = 2,
                        const char* control = "") {
        QTest::newRow(name) << args << code << QString(said) << QByteArray(control);
    };
    row("no command", "--timeout 5", "no command given");
    row("unknown command", "fly", "unknown command 'fly'");
    row("unknown option", "status --loud", "unknown option '--loud'");
    row("option of another command", "live --output x", "live does not take --output");
    row("extra argument", "status now", "unexpected argument 'now'");
    row("timeout not a number", "--timeout soon status", "--timeout");
    row("missing value", "live --samples", "needs a value");
    row("record without file", "record", "record needs FILE");
    row("give up at 0", "record x.4ch --give-up-after 0", "--give-up-after is seconds above 0");
    row("set not a number", "logger get two", "set number");
    row("meter interval 256", "interval 256", "from 1 to 255");
    row("long READ", "key READ --long", "READ has no long press");
    row("erase without yes", "erase auto", "Not erased: add --yes");
    row("erase what", "erase all --yes", "erase needs auto or manual");
    row("convert without to", "convert a.4ch", "convert needs --to csv");
    row("alarm on T5", "live --alarm T5>=250", "there is no channel T5; the channels are T1 to T4");
    row("alarm limit not a number", "record x.4ch --alarm T1>=hot",
        "--alarm 'T1>=hot': the limit 'hot' is not a number");
    row("alarm without a comparison", "live --alarm T1=250",
        "--alarm 'T1=250' is not a limit: write T1>=250 for a maximum or T3<=-18 for a minimum");
    row("hysteresis below 0", "live --hysteresis -1", "--hysteresis is degrees from 0, not '-1'");
    row("alarm log in a missing folder", "live --alarm-log /nonexistent-folder/alarms.csv",
        "--alarm-log: cannot append to /nonexistent-folder/alarms.csv: ");
    row("alarm log a folder", "record x.4ch --alarm-log /", "--alarm-log: cannot append to /: ");
    row("band without reference", "live --band 2", "--band needs --reference FILE");
    row("reference not readable", "record x.4ch --reference none.4ch --band 2",
        "none.4ch cannot be read");
    row("no such set", "logger get 3",
        "there is no set 3 in the logger of the meter on PORT; it holds 2");
    row("set to a full disk", "logger get 1 -o /dev/full", "cannot write /dev/full: ", 3);
    row("set into a missing folder", "logger get 1 -o DIR/missing/set.4ch",
        "cannot write DIR/missing/set.4ch: ", 3);
    row("recording to a full disk", "record /dev/full --samples 1", "cannot write /dev/full: ", 3);
    row("converting a missing file", "convert DIR/none.4ch --to csv",
        "cannot read DIR/none.4ch: ", 3);
    for (const char* args : {"status", "clock", "interval", "logger sets", "live"}) {
        row(QByteArray("silent meter, ").append(args).constData(), QString("--timeout 1 ") + args,
            "no meter answers on PORT within 1 s", 1, "silent on");
    }
    // A transfer that stopped, or sets that end early.
    row("dump cut short", "--timeout 1 logger sets", "on PORT", 1, "cut 12");
    // A calibration file is read whole before anything starts.
    const char* badLine = "--calibration: DIR/bad.cal line 2: expected a channel T1 to T4, found "
                          "\"X1\"";
    row("bad calibration, live", "live --calibration DIR/bad.cal", badLine);
    row("bad calibration, record", "record DIR/run.4ch --calibration DIR/bad.cal", badLine);
    row("bad calibration, serve", "serve --listen 127.0.0.1:0 --calibration DIR/bad.cal", badLine);
    row("missing calibration", "live --calibration DIR/none.cal",
        "--calibration: DIR/none.cal: No such file or directory");
    row("mark token without web view", "record DIR/run.4ch --mark-token x",
        "--mark-token needs --http");
    row("mark without recording", "mark load in",
        "no recording of this user is running to take the mark; start one with 'corvilab-cli "
        "record FILE'",
        1);
    row("mark on T5", "mark x --channel T5", "--channel: there is no channel 'T5'");
}

void TestCli::refused() {
    QFETCH(QString, args);
    QFETCH(int, code);
    QFETCH(QString, said);
    QFETCH(QByteArray, control);
    if (!control.isEmpty())
        QVERIFY(Control(control));
    QVERIFY(!WriteFile("bad.cal", "T1 C offset -0.3\nX1 C offset 1\n").isEmpty());
    const QStringList files = QDir(dir_->path()).entryList(QDir::Files | QDir::System);
    // The port is given: wrong usage is found before the meter is asked anything.
    const Result r = OnMeter(Args(args));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::System), files);
    said.replace(QStringLiteral("DIR"), dir_->path()).replace(QStringLiteral("PORT"), port_);
    QVERIFY2(r.code == code && r.out.isEmpty() && SaysOneLine(r, said.toUtf8()), r.err.constData());
    if (args.contains("erase"))
        QVERIFY(OnMeter({"status"}).out.contains("AutomaticDataBytes\t67\n"));
}

void TestCli::helpAndPortChoice() {
    const Result help = Run({"--help"});
    QVERIFY(help.code == 0 && help.out.startsWith("Usage: corvilab-cli ") && help.err.isEmpty());
    const Result none = Run({"status"});
    QVERIFY2(none.code == 2 && none.err.contains("no port given"), none.err.constData());
    const QString missing = Path("ttyUSB9");
    const Result gone = Run({"--port", missing, "status"});
    QVERIFY2(gone.code == 1 && SaysOneLine(gone, "cannot open " + missing.toUtf8() + ": "),
             gone.err.constData());
    QVERIFY(Ok(Run({"status"}, {"CORVILAB_PORT=" + port_})).startsWith("MemoryAddress\t"));
}

void TestCli::prints_data() {
    // Commands run in turn, ";" between them (DIR is the test's folder): each ends quietly; what
    // they print together, and the bytes of the files they wrote, one after the other. Lines with
    // a date and time are compared as "WHEN" where the expected text says so.
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("files");
    QTest::addColumn<QByteArray>("bytes");
    const auto row = [](const char* name, const char* commands, const QByteArray& out,
                        const char* files = "", const QByteArray& bytes = {}) {
        QTest::newRow(name) << QString(commands) << out << QString(files) << bytes;
    };
    // A setting reaches the meter although the program ends right after writing it.
    row("interval set", "interval;interval 12;interval", "7\n12\n");
    row("power-off set", "poweroff;poweroff 30;poweroff", "15\n30\n");
    row("power-off set to 5", "poweroff;poweroff 5;poweroff", "15\n5\n");
    // Set 1: 23 + 1 x 5 bytes; set 2: 23 + 2 x 8 bytes.
    row("status, manual entries erased", "status;erase manual --yes;status",
        "MemoryAddress\t8259\nManualCount\t1\nAutomaticDataBytes\t67\n"
        "MemoryAddress\t8259\nManualCount\t0\nAutomaticDataBytes\t67\n");
    row("sets erased", "erase auto --yes;logger sets", "Set\tDate Time\tIntv.\tRec.s\n");
    row("sets and manual entries", "logger sets;logger manual",
        "Set\tDate Time\tIntv.\tRec.s\n"
        "1\t2013/08/08 14:00:00\t5\t1\n"
        "2\t2013/12/31 23:59:55\t10\t2\n"
        "\tDate Time\tT1\tT2\tT3\tT4\n"
        "\xC2\xB0"
        "F\t2013/08/08 14:01:00\tK: 73.4\tJ: - - -\tT: Over\tE: 66.2\n");
    // Printed (its file is the one "logger all" writes): the same fields in UTF-8, LF, no TAB after
    // the last field; here in °F, which the °C set converts back from its °C texts.
    row("a set printed in another unit", "logger get 2 --unit F",
        "\xC2\xB0"
        "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\n"
        "1\t2013/12/31 23:59:55\t \t69.9\t64.7\t \n"
        "2\t2014/01/01 00:00:05\t \t- - -\tOver\t \n");
    // Each set in its own unit: Windows-1252, CR LF, a TAB after each field, a blank for the
    // channels the set did not record.
    row("sets to files", "logger all DIR/sets/new",
        "DIR/sets/new/set-1.4ch\nDIR/sets/new/set-2.4ch\n", "sets/new/set-1.4ch sets/new/set-2.4ch",
        "\xB0"
        "F\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n"
        "1\t2013/08/08 14:00:00\t73.4\t \t \t \t\r\n"
        "\xB0"
        "C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - K\t\r\n"
        "1\t2013/12/31 23:59:55\t \t21.1\t18.2\t \t\r\n"
        "2\t2014/01/01 00:00:05\t \t- - -\tOver\t \t\r\n");
    // C / F switches the meter to °C; live follows the meter's unit. 73.4 °F is 23.0 °C;
    // -5.3 °F is -20.72 °C, cut towards zero.
    row("live after the unit key", "key cf;live --samples 2;live --samples 1 --unit F",
        "\xC2\xB0"
        "C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\n"
        "1\tWHEN\t23.0\t- - -\tOver\t-20.7\n"
        "2\tWHEN\t23.0\t- - -\tOver\t-20.7\n"
        "\xC2\xB0"
        "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\n"
        "1\tWHEN\t73.4\t- - -\tOver\t-5.3\n");
    row("record", "record DIR/run.4ch --samples 2", "", "run.4ch",
        "\xB0"
        "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\t\r\n"
        "1\tWHEN\t73.4\t- - -\tOver\t-5.3\t\r\n"
        "2\tWHEN\t73.4\t- - -\tOver\t-5.3\t\r\n");
}

void TestCli::prints() {
    QFETCH(QString, commands);
    QFETCH(QByteArray, out);
    QFETCH(QString, files);
    QFETCH(QByteArray, bytes);
    const auto dated = [](const QByteArray& text, const QByteArray& expected) {
        return expected.contains("\tWHEN\t") ? Undated(text) : text;
    };
    QByteArray printed;
    for (const QString& command : commands.split(QLatin1Char(';')))
        printed += Ok(OnMeter(Args(command)));
    QCOMPARE(dated(printed, out), out.replace("DIR", dir_->path().toUtf8()));
    QByteArray written;
    for (const QString& name : files.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        written += FileBytes(Path(name));
    QCOMPARE(dated(written, bytes), bytes);
}

void TestCli::clock() {
    QByteArray out = Ok(OnMeter({"clock"}));
    QVERIFY2(out.startsWith("2013/08/08 14:0") && out.endsWith('\n') && out.size() == 20,
             out.constData());

    const QDate today = QDate::currentDate();
    QCOMPARE(Ok(OnMeter({"clock", "set"})), QByteArray());
    out = Ok(OnMeter({"clock"}));
    const QDate read = QDate::fromString(QString::fromUtf8(out.left(10)), u"yyyy/MM/dd");
    QVERIFY2(read == today || read == today.addDays(1), out.constData());

    // A meter without a date is said so, not shown as a date.
    QVERIFY(RestartMeter("clock none\n"));
    const Result r = OnMeter({"clock"});
    QVERIFY2(r.code == 1 && r.out.isEmpty() && r.err.contains("holds no date"), r.err.constData());
}

void TestCli::lostLink_data() {
    QTest::addColumn<bool>("unplug");
    QTest::addColumn<QByteArray>("whileAway"); // control lines after a while away; none: stays
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("stop");   // SIGTERM (while away)
    QTest::addColumn<bool>("goesOn"); // records follow the gap
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said"); // standard error after the notice of the lost link
    // Stopped: a clean end with whole lines only, numbered from 1.
    QTest::newRow("stopped") << false << QByteArray() << QStringList() << true << false << 0 << "";
    QTest::newRow("back as before")
        << true << QByteArray("plug") << QStringList{"--duration", "9"} << false << true << 0
        << "corvilab-cli: the link to the meter on %1 is back at T; recording goes on\n";
    // The records that follow go to the next file (checked with the set-up changes).
    QTest::newRow("back in another unit")
        << true << QByteArray("unit C\nplug") << QStringList{"--duration", "9"} << false << false
        << 0
        << "corvilab-cli: the link to the meter on %1 is back at T; recording goes on\n"
           "corvilab-cli: the meter's set-up changed: unit °F to °C at T; recording goes on in "
           "FILE-1 from record N\n";
    QTest::newRow("gone for good")
        << true << QByteArray() << QStringList{"--give-up-after", "1"} << false << false << 1
        << "corvilab-cli: the meter on %1 did not come back within 1 s of losing the link at T; "
           "stopped after N samples\n";
    QTest::newRow("stopped while away")
        << true << QByteArray() << QStringList() << true << false << 0 << "";
}

void TestCli::lostLink() {
    QFETCH(bool, unplug);
    QFETCH(QByteArray, whileAway);
    QFETCH(QStringList, options);
    QFETCH(bool, stop);
    QFETCH(bool, goesOn);
    QFETCH(QString, said);
    const QString port = Path("meter");
    const QString file = Path("run.4ch");
    QProcess process;
    process.start(cli_, QStringList{"--port", port, "record", file} + options);
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(FileBytes(file).count('\n') >= 3, 20000);
    QByteArray err;
    if (unplug) {
        QVERIFY(Control("unplug"));
        QTRY_VERIFY_WITH_TIMEOUT((err += process.readAllStandardError()).contains("come back"),
                                 10000);
    }
    const qsizetype atLoss = FileBytes(file).count('\n');
    if (!whileAway.isEmpty()) {
        QTest::qWait(2000);
        QVERIFY(Control(whileAway));
    }
    if (stop)
        process.terminate();
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QTEST(process.exitCode(), "code");

    // Two notices at most, each one whole line; times and counts vary from run to run.
    const QString notices =
        Untimed(err + process.readAllStandardError())
            .replace(QRegularExpression("after \\d+ samples"), "after N samples")
            .replace(QRegularExpression("from record \\d+"), "from record N")
            .replace(Path("run-1.4ch"), "FILE-1");
    const QString lost = unplug ? "corvilab-cli: lost the link to the meter on %1 at T; waiting "
                                  "for it to come back\n"
                                : "";
    QCOMPARE(notices, QString(lost + said).replace(QStringLiteral("%1"), port));

    // Whole lines, numbered on across the gap.
    const QList<QByteArray> lines = Undated(FileBytes(file)).split('\n');
    QCOMPARE(lines.last(), QByteArray());
    for (int i = 1; i < lines.size() - 1; ++i)
        QCOMPARE(lines[i], QByteArray::number(i) + "\tWHEN\t73.4\t- - -\tOver\t-5.3\t\r");
    QCOMPARE(lines.size() - 1 > atLoss, goesOn);
}

void TestCli::setupChange_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("pace"); // the meter's stream; empty: packets back to back
    const QByteArray uneven = "stream every 300 jitter 300 pause off";
    QTest::newRow("record") << "record" << QByteArray();
    QTest::newRow("record, slow uneven stream") << "record" << uneven;
    QTest::newRow("live") << "live" << QByteArray();
    QTest::newRow("live, slow uneven stream") << "live" << uneven;
    QTest::newRow("serve") << "serve" << QByteArray();
}

// T1's probe pulled and plugged back: the run goes on, each set-up under its own heading (a
// file each for record), numbered on; a notice says each change, and live's alarm events come
// between; alarm commands still running at the end are ended quietly.
void TestCli::setupChange() {
    QFETCH(QString, command);
    QFETCH(QByteArray, pace);
    if (!pace.isEmpty())
        QVERIFY(RestartMeter(pace));
    const bool record = command == "record", live = command == "live";
    const QStringList files{Path("run.4ch"), Path("run-1.4ch"), Path("run-2.4ch")};
    QProcess process;
    process.start(cli_, QStringList{"--port", port_, command} +
                            (record ? QStringList{files[0]}
                             : live ? QStringList{"--alarm", "T1>=70", "--on-alarm", "sleep 60"}
                                    : QStringList{"--listen", "127.0.0.1:0"}));
    QByteArray out, err;
    QNetworkAccessManager web;
    const auto isHeading = [](const QByteArray& line) { return line.contains("Date Time"); };
    // Headings and record lines so far, undated; and whether two records are in under the
    // `headings`-th heading (for serve: it has sampled twice, and said each change).
    const auto lines = [&] {
        out += process.readAllStandardOutput();
        err += process.readAllStandardError();
        QByteArray text = out;
        for (const QString& file : files) {
            if (QFile::exists(file))
                text += FileBytes(file);
        }
        return Undated(text).split('\n').mid(0, text.count('\n'));
    };
    const auto reached = [&](int headings) {
        const QList<QByteArray> all = lines();
        if (!record && !live) {
            const QString url = QString::fromUtf8(err).section('\n', 0, 0).section(' ', -1);
            std::unique_ptr<QNetworkReply> reply(web.get(QNetworkRequest(url + "api/samples")));
            return err.count('\n') == headings &&
                   QSignalSpy(reply.get(), &QNetworkReply::finished).wait(5000) &&
                   reply->readAll().contains("\"number\":2");
        }
        return all.count() >= 3 && std::count_if(all.begin(), all.end(), isHeading) == headings &&
               !isHeading(all.last()) && !isHeading(all[all.size() - 2]);
    };
    QTRY_VERIFY_WITH_TIMEOUT(reached(1), 20000);
    QVERIFY(Control("probe 1 off"));
    QTRY_VERIFY_WITH_TIMEOUT(reached(2), 20000);
    QVERIFY(Control("probe 1 on"));
    QTRY_VERIFY_WITH_TIMEOUT(reached(3), 20000);
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    QVERIFY(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);

    const QList<QByteArray> all = lines();
    const QByteArray eol = record ? "\t\r" : "";
    QList<qsizetype> firsts; // the first record number under each heading
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (isHeading(all[i])) {
            firsts << i - firsts.size() + 1;
            QCOMPARE(all[i], QByteArray(record ? "\xB0" : "\xC2\xB0") +
                                 "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E" + eol);
        } else {
            QCOMPARE(all[i], QByteArray::number(i - firsts.size() + 1) + "\tWHEN\t" +
                                 (firsts.size() == 2 ? "- - -" : "73.4") + "\t- - -\tOver\t-5.3" +
                                 eol);
        }
    }
    QCOMPARE(firsts.size(), record || live ? 3 : 0);
    const auto notice = [&](const char* change, int file) {
        return QString("corvilab-cli: the meter's set-up changed: T1 probe %1 at T; %2\n")
            .arg(change, record ? QString("recording goes on in %1 from record %2")
                                      .arg(files[file], QString::number(firsts.value(file)))
                         : live ? QString("live readings go on under a new heading")
                                : QString("serving goes on"));
    };
    const auto event = [live](const char* what) {
        return live ? QString("corvilab-cli: alarm: T %1\n").arg(what) : QString();
    };
    QCOMPARE(Untimed(err).section('\n', record || live ? 0 : 1),
             event("T1 high 73.4 (limit 70 °F)") + event("T3 over Over") + notice("unplugged", 1) +
                 event("T1 probe-lost - - -") + notice("plugged in", 2) +
                 event("T1 probe-back 73.4"));
}

// Alarms fire on the first sample, print a line each, run the command with the event and go to
// the log; the readings and the exit status are as without them.
void TestCli::alarms() {
    const QString log = Path("alarms.csv");
    const QString ran = Path("ran.txt");
    const Result r =
        OnMeter({"live", "--samples", "2", "--alarm", "T1>=70", "--alarm", "T4<=-5.3",
                 "--alarm-log", log, "--on-alarm",
                 QString("echo \"$CORVILAB_CHANNEL $CORVILAB_EVENT $CORVILAB_VALUE $CORVILAB_LIMIT "
                         "$CORVILAB_UNIT\" >> '%1'; echo said $CORVILAB_CHANNEL")
                     .arg(ran)});
    QCOMPARE(r.code, 0);
    QCOMPARE(Undated(r.out), QByteArray("\xC2\xB0"
                                        "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\n"
                                        "1\tWHEN\t73.4\t- - -\tOver\t-5.3\n"
                                        "2\tWHEN\t73.4\t- - -\tOver\t-5.3\n"));
    // What the commands print goes to standard error, in any order, never among the readings.
    QStringList said = Untimed(r.err).split('\n', Qt::SkipEmptyParts);
    QStringList printed = said.filter(QRegularExpression("^said "));
    printed.sort();
    QCOMPARE(printed, QStringList({"said T1", "said T3", "said T4"}));
    said.removeIf([](const QString& line) { return line.startsWith("said "); });
    QCOMPARE(said, QStringList({"corvilab-cli: alarm: T T1 high 73.4 (limit 70 °F)",
                                "corvilab-cli: alarm: T T3 over Over",
                                "corvilab-cli: alarm: T T4 low -5.3 (limit -5.3 °F)"}));
    QCOMPARE(Untimed(FileBytes(log)), QString("time,channel,event,value,limit\n"
                                              "T,T1,high,73.4,70\n"
                                              "T,T3,over,Over,\n"
                                              "T,T4,low,-5.3,-5.3\n"));
    // The commands run side by side: their lines come in any order.
    QStringList lines = QString::fromUtf8(FileBytes(ran)).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    QCOMPARE(lines, QStringList({"T1 high 73.4 70 °F", "T3 over Over  °F", "T4 low -5.3 -5.3 °F"}));
}

void TestCli::convert() {
    const QString source =
        WriteFile("in.4ch", "\xB0"
                            "C\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\t\r\n"
                            "1\t2013/08/08 14:05:09\t23.4\t-.5\t- - -\tOver\t\r\n"
                            "2\t2013/08/08 14:05:10\t1234.5\tUnder\t \t0.0\t\r\n"
                            "3\t2013/08/08 14:05:11\t-17.7\t7,5 \"x\"\t100\t-0.5\t\r\n");
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
    const QStringList comma{"LC_ALL=de_DE.UTF-8", "LC_NUMERIC=de_DE.UTF-8", "LANG=de_DE.UTF-8"};
    const QString target = Path("out.csv");
    QCOMPARE(Ok(Run({"convert", source, "-o", target, "--to", "csv"}, comma)), QByteArray());
    QCOMPARE(FileBytes(target), csv);
    // On standard output the same lines end in LF.
    QCOMPARE(Ok(Run({"convert", source, "--to=csv"}, comma)),
             QByteArray(csv).replace("\r\n", "\n"));

    QCOMPARE(Run({"convert", source, "--to", "csv", "-o", Path("missing/out.csv")}).code, 3);
    // A damaged line ends the conversion there.
    const QString cut =
        WriteFile("cut.4ch", "\xB0"
                             "F\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n"
                             "1\t2013/08/08 14:05:09\t73.4\t73.4\t73.4\t73.4\t\r\n"
                             "2\t2013/08/08 14:05:10\t73.4\t73.4\r\n"
                             "3\t2013/08/08 14:05:11\t73.4\t73.4\t73.4\t73.4\t\r\n");
    const Result r = Run({"convert", cut, "--to", "csv"});
    QCOMPARE(r.code, 3);
    QCOMPARE(r.out.count('\n'), 2); // the heading and record 1
    QVERIFY2(r.err.contains("line 3"), r.err.constData());
}

void TestCli::compare_data() {
    QTest::addColumn<QString>("args"); // after "compare ref.4ch"
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("out"); // the lines after the heading; or what standard error says
    const auto row = [](const char* name, const char* args, int code, const QByteArray& out) {
        QTest::newRow(name) << QString(args) << code << out;
    };
    row("all pass", "good.4ch --band 0.5", 0,
        "ref.4ch\t2013/08/08 14:05:00\t0.0\t0.0\t0.0\t0.0\t0\tpass\n"
        "good.4ch\t2013/08/09 09:00:00\t0.0\t0.5\t0.5\t0.3\t0\tpass\n");
    row("one fails, in F, aligned at a crossing",
        "good.4ch --band=+0.9/-0.3 --unit f --align T1>=69.5", 1,
        "ref.4ch\t2013/08/08 14:05:00\t0.8\t0.0\t0.0\t0.0\t0\tpass\n"
        "good.4ch\t2013/08/09 09:00:00\t0.7\t0.0\t1.0\t0.5\t1\tfail\n");
    row("not a data file", "note.txt", 2, "note.txt is not a data file: its first line");
    row("unknown channel", "good.4ch --channel T0", 2, "--channel: there is no channel 'T0'");
    row("band of zero", "good.4ch --band -1", 2, "--band: the band '-1' is zero or less");
    row("no crossing", "good.4ch --align T1<=5", 2,
        "ref.4ch: T1 never falls to 5.0 \xC2\xB0"
        "C");
    row("run without the channel", "good.4ch --channel T3", 2, "ref.4ch has no readings on T3");
    row("corrected readings, aligned at a mark", "cal.4ch --band 0.5 --align=mark:door", 1,
        "ref.4ch\t2013/08/08 14:05:00\t1.0\t0.0\t0.0\t0.0\t0\tpass\n"
        "cal.4ch\t2013/08/09 09:00:00\t2.0\t1.0\t0.0\t1.0\t2\tfail\n"
        "# readings of cal.4ch as corrected by calibration: 1\n");
    row("a run without the mark", "good.4ch --align=mark:door", 2, "good.4ch has no mark 'door'");
}

// The table on standard output, the exit status by the verdicts, and one line naming what was
// wrong with bad input.
void TestCli::compare() {
    QFETCH(QString, args);
    QFETCH(int, code);
    QFETCH(QByteArray, out);
    const QByteArray heading = "\xB0"
                               "C\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n";
    WriteFile("ref.4ch", heading + "1\t2013/08/08 14:05:00\t20.0\t-\t \t \t\r\n"
                                   "2\t2013/08/08 14:05:01\t21.0\t-\t \t \t\r\n"
                                   "3\t2013/08/08 14:05:02\t22.0\t-\t \t \t\r\n");
    WriteFile("good.4ch", heading + "1\t2013/08/09 09:00:00\t20.5\t-\t \t \t\r\n"
                                    "2\t2013/08/09 09:00:01\t21.0\t-\t \t \t\r\n"
                                    "3\t2013/08/09 09:00:02\t21.5\t-\t \t \t\r\n");
    WriteFile("note.txt", "shopping list\n");
    // cal.4ch is good.4ch with its last T1 reading corrected, and a mark "door" in each.
    WriteFile("cal.4ch", FileBytes(Path("good.4ch")));
    WriteFile("cal.4ch.corrected", "3\t2013/08/09 09:00:02\t22.0\t-\t \t \tT1\t\n");
    WriteFile("cal.4ch.marks", "2013/08/09 09:00:02\t2\t\tdoor\n");
    WriteFile("ref.4ch.marks", "2013/08/08 14:05:01\t1\tT1\tdoor\n");
    const Result r = Run(Args("compare ref.4ch " + args + " -o al.csv"));
    QCOMPARE(r.code, code);
    if (code == 2) {
        QVERIFY2(r.err.startsWith("corvilab-cli: " + out) && r.err.count('\n') == 1,
                 r.err.constData());
        QVERIFY(r.out.isEmpty() && !QFile::exists(Path("al.csv")));
        return;
    }
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    QCOMPARE(r.out,
             "run\tstart\taligned at\tmax above\tmax below\tmean abs\toutside s\tverdict\n" + out);
    if (code == 0) {
        QCOMPARE(FileBytes(Path("al.csv")), QByteArray("time s,ref.4ch (\xC2\xB0"
                                                       "C),good.4ch (\xC2\xB0"
                                                       "C)\r\n0.0,20.0,20.5\r\n1.0,21.0,21.0\r\n"
                                                       "2.0,22.0,21.5\r\n"));
    }
}

// A recording held against a reference of a steady 73.4 °F, ±1: the reading jumps out of the
// band and back; each is an alarm event with its actions, beside the other alarms (T3 is Over).
void TestCli::bandWhileRecording() {
    QByteArray reference = "\xB0"
                           "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E\t\r\n";
    for (int i = 0; i < 60; ++i)
        reference += QByteArray::number(i + 1) +
                     "\t2026/01/01 10:00:" + QByteArray::number(i).rightJustified(2, '0') +
                     "\t73.4\t \t \t \t\r\n";
    const QString log = Path("band.csv");
    const QString file = Path("run.4ch");
    QProcess process;
    process.start(cli_, {"--port", port_, "record", file, "--samples", "6", "--reference",
                         WriteFile("ref.4ch", reference), "--band", "1", "--alarm-log", log});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(FileBytes(file).count('\n') >= 2, 20000);
    QVERIFY(Control("reading 1 800"));
    QByteArray err;
    QTRY_VERIFY2_WITH_TIMEOUT((err += process.readAllStandardError()).contains("band-out"),
                              err.constData() + FileBytes(file), 10000);
    QVERIFY(Control("reading 1 734"));
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 0);
    err += process.readAllStandardError();
    QCOMPARE(Untimed(err), QString("corvilab-cli: alarm: T T3 over Over\n"
                                   "corvilab-cli: alarm: T T1 band-out 80.0 (limit 74.4 °F)\n"
                                   "corvilab-cli: alarm: T T1 band-in 73.4 (limit 74.4 °F)\n"));
    QCOMPARE(Untimed(FileBytes(log)),
             QString("time,channel,event,value,limit\nT,T3,over,Over,\nT,T1,band-out,80.0,74.4\n"
                     "T,T1,band-in,73.4,74.4\n"));
}

// Corrected readings printed, the data file as the meter read it, and a notice of each.
void TestCli::calibrated() {
    const QString cal = WriteFile("probes.cal", "# T1's certificate\nT1 F offset -0.5\n");
    const QByteArray heading = "F\tDate Time\tT1 - K\tT2 - J\tT3 - T\tT4 - E";
    const Result live = OnMeter({"live", "--samples", "1", "--calibration", cal});
    QCOMPARE(live.code, 0);
    QCOMPARE(Undated(live.out), "\xC2\xB0" + heading + "\n1\tWHEN\t72.9\t- - -\tOver\t-5.3\n");
    QCOMPARE(live.err, QByteArray("corvilab-cli: corrected readings: T1 offset -0.5 \xC2\xB0"
                                  "F\n"));
    const QString file = Path("run.4ch");
    const Result record = OnMeter({"record", file, "--samples", "1", "--calibration", cal});
    QCOMPARE(record.code, 0);
    QCOMPARE(record.err, QString("corvilab-cli: corrected readings: T1 offset -0.5 °F; %1 keeps "
                                 "what the meter read, %1.corrected the corrected readings\n")
                             .arg(file)
                             .toUtf8());
    QCOMPARE(Undated(FileBytes(file)),
             "\xB0" + heading + "\t\r\n1\tWHEN\t73.4\t- - -\tOver\t-5.3\t\r\n");
}

// Marks typed on a recording's standard input and placed with `mark` land in its marks file,
// once each; standard input at its end leaves the recording running.
void TestCli::marks() {
    const QString file = Path("run.4ch");
    QProcess record;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_->path());
    record.setProcessEnvironment(env);
    record.start(cli_, {"--port", port_, "record", file});
    QVERIFY(record.waitForStarted());
    record.write("load in\n\nT2: door opened\n");
    QTRY_VERIFY_WITH_TIMEOUT(FileBytes(file + ".marks").count('\n') == 3, 20000);
    QCOMPARE(Ok(Run({"mark", "power", "cut", "--channel", "T4"})), QByteArray());
    record.closeWriteChannel();
    QCOMPARE(Ok(Run({"mark", "T1:", "back"})), QByteArray());
    record.terminate();
    QVERIFY(record.waitForFinished(10000));
    QCOMPARE(record.exitCode(), 0);
    const QString marks =
        QString::fromUtf8(FileBytes(file + ".marks"))
            .replace(QRegularExpression("\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\t\\d+"),
                     "WHEN\tN");
    QCOMPARE(marks, QString("# Corvilab marks: date time, record it follows, channel, text\n"
                            "WHEN\tN\t\tload in\nWHEN\tN\tT2\tdoor opened\nWHEN\tN\tT4\tpower cut\n"
                            "WHEN\tN\tT1\tback\n"));
    QCOMPARE(Untimed(record.readAllStandardError()),
             QString("corvilab-cli: mark at T: load in\ncorvilab-cli: mark at T: T2 door opened\n"
                     "corvilab-cli: mark at T: T4 power cut\ncorvilab-cli: mark at T: T1 back\n"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
