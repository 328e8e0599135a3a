#include "config_rig.h"

#include <QtTest>

class TestMeterSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void intervalCommand_data();
    void intervalCommand();
    void intervalQueryIsBounded_data();
    void intervalQueryIsBounded();
    void serviceMode_data();
    void serviceMode();
    void serviceModeReplies_data();
    void serviceModeReplies();
    void command1ErasesManualEntries();
};

void TestMeterSettings::intervalCommand_data() {
    QTest::addColumn<bool>("pc");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<int>("pcTime");
    QTest::addColumn<int>("meterInterval");
    QTest::addColumn<bool>("refused");
    // The PC's interval never reaches the meter.
    const auto pc = [](const QString& answer, int pcTime, bool refused = false) {
        QTest::addRow("PC '%s'", qPrintable(answer))
            << true << answer << QStringList() << pcTime << 20 << refused;
    };
    const auto meter = [](const QString& answer, const char* written, int interval,
                          bool refused = false) {
        QStringList sent = WithStatus({"55000000"});
        if (*written)
            sent += WithStatus({written});
        QTest::addRow("meter '%s'", qPrintable(answer))
            << false << answer << sent << 7 << interval << refused;
    };
    pc("100000", 86400);
    pc("0", 1);
    pc("-7", 1);
    pc("2.5", 2); // halves round to even
    pc("2.51", 3);
    pc(" 12 ", 12);
    pc("1e3", 1000);
    pc("1e300", 86400); // no overflow
    pc("<cancel>", 7);
    pc("", 7);
    for (const char* bad : {"ten", "5s", "2,5", "inf", "nan", "Qxv5207"})
        pc(bad, 7, true); // the access code only in capitals or lower case
    meter("300", "5501ff00", 255);
    meter("0", "55010100", 1);
    meter("10.5", "55010a00", 10);
    meter("<cancel>", "", 20);
    meter("fast", "", 20, true);
}

void TestMeterSettings::intervalCommand() {
    QFETCH(bool, pc);
    QFETCH(QString, answer);
    QFETCH(bool, refused);
    ConfigRig rig;
    rig.meter.Model().loggerInterval = 20;
    rig.command.SetSamplingPC(pc);
    ScriptedPrompts prompts;
    prompts.answers << answer;
    rig.command.Run(prompts);

    // The box offers the interval in force and the range of its target.
    QCOMPARE(prompts.defaults, QStringList{pc ? "7" : "20"});
    QVERIFY(prompts.prompts[0].contains(pc ? "86400" : "255"));
    QTEST(rig.Sent(), "sent");
    QTEST(rig.pcTime, "pcTime");
    QTEST(rig.meter.Model().loggerInterval, "meterInterval");
    QCOMPARE(prompts.refusals, refused
                                   ? QStringList{"The sampling time must be a number of seconds."}
                                   : QStringList());
    QVERIFY(rig.PausedAtEveryWrite(false));
    QVERIFY(rig.Restored());
}

void TestMeterSettings::intervalQueryIsBounded_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("silent") << QByteArray();
    QTest::newRow("two bytes") << QByteArray::fromHex("020a");
    QTest::newRow("unframed") << QByteArray::fromHex("0a0b0c");
}

void TestMeterSettings::intervalQueryIsBounded() {
    QFETCH(QByteArray, reply);
    ConfigRig rig;
    rig.meter.replies['U'] = reply;
    ScriptedPrompts prompts;
    prompts.answers << QStringLiteral("20");
    rig.command.Run(prompts);

    QVERIFY(prompts.defaults.isEmpty()); // no value asked for without the meter's interval
    QCOMPARE(prompts.refusals, QStringList{"The meter did not answer."});
    rig.CheckAskedAgain(QStringLiteral("55000000"));
}

void TestMeterSettings::serviceMode_data() {
    QTest::addColumn<bool>("pc");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("written"); // the "Y" 01 n command; empty: none
    const auto row = [](bool pc, const char* code, const QString& answer, const char* written) {
        QTest::addRow("%s %s '%s'", pc ? "PC" : "meter", code, qPrintable(answer))
            << pc << QString(code) << answer << QString(written);
    };
    row(true, "QXV5207", "8", "590108");
    row(false, "qxv5207", "2", "590102");
    row(true, "qxv5207", "3", "590101"); // 3 is no size: sent as 1
    row(false, "QXV5207", "8 roms", "590108");
    row(true, "QXV5207", "  7.6", "590108");
    row(true, "QXV5207", "-4", "590101");
    row(true, "QXV5207", "99999999999999999999", "590101");
    row(false, "qxv5207", "x8", "");
    row(true, "QXV5207", "", "");
    row(true, "QXV5207", "<cancel>", "");
}

void TestMeterSettings::serviceMode() {
    QFETCH(bool, pc);
    QFETCH(QString, code);
    QFETCH(QString, answer);
    QFETCH(QString, written);
    ConfigRig rig;
    rig.meter.Model().memorySizeCode = 4;
    rig.meter.Model().loggerInterval = 10;
    rig.command.SetSamplingPC(pc);
    ScriptedPrompts prompts;
    prompts.answers << code << answer;
    rig.command.Run(prompts);

    // The size box offers the meter's own code, read with "Y" 00.
    QCOMPARE(prompts.defaults.value(1), QString("4"));
    QStringList sent = WithStatus(pc ? QStringList{"5900"} : QStringList{"55000000", "5900"});
    if (!written.isEmpty())
        sent += WithStatus({written});
    QCOMPARE(rig.Sent(), sent);
    QCOMPARE(rig.meter.Model().memorySizeCode, written.isEmpty() ? 4 : written.right(1).toInt());
    QCOMPARE(rig.meter.Model().loggerInterval, 10);
    for (const ConfigRig::TimersAtWrite& w : rig.writes)
        QVERIFY(!w.bytes.startsWith('Y') || (!w.polling && !w.sampling));
    QVERIFY(rig.Restored());
}

void TestMeterSettings::serviceModeReplies_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code"); // the box's default
    QTest::newRow("3 framed bytes") << QByteArray::fromHex("020803") << 8;
    QTest::newRow("2 bytes keep the previous code") << QByteArray::fromHex("0208") << 2;
    QTest::newRow("4 bytes keep the previous code") << QByteArray::fromHex("02080300") << 2;
    QTest::newRow("nothing keeps the previous code") << QByteArray() << 2;
    QTest::newRow("3 bytes without STX keep it") << QByteArray::fromHex("000803") << 2;
    QTest::newRow("3 bytes without ETX keep it") << QByteArray::fromHex("020802") << 2;
}

void TestMeterSettings::serviceModeReplies() {
    QFETCH(QByteArray, reply);
    QFETCH(int, code);
    ConfigRig rig;
    rig.meter.replies['Y'] = reply;
    rig.meter.Protocol().SetStreaming(false); // the read holds the reply alone
    rig.link.SetMemorySizeCode(2);
    ScriptedPrompts prompts;
    prompts.answers << QStringLiteral("4");
    rig.command.RunServiceMode(prompts);

    QCOMPARE(prompts.defaults, QStringList{QString::number(code)});
    QCOMPARE(rig.link.MemorySizeCode(), code);
    QCOMPARE(rig.Sent(), WithStatus({"5900", "590104"}));
    QVERIFY(rig.PausedAtEveryWrite(true));
    QVERIFY(rig.Restored());
}

void TestMeterSettings::command1ErasesManualEntries() {
    ConfigRig rig;
    rig.meter.Model().manual.append(ManualEntry{});
    QVERIFY(rig.settings.SendCommand1());
    QCOMPARE(rig.Sent(), WithStatus({"57000001"}));
    QVERIFY(rig.meter.Model().manual.isEmpty());
    QVERIFY(rig.PausedAtEveryWrite(false));
}

QTEST_GUILESS_MAIN(TestMeterSettings)
#include "tst_meter_settings.moc"
