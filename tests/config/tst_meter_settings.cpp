#include "config_rig.h"

#include <QtTest>

namespace {

const QString kCancel = QStringLiteral("<cancel>");

std::optional<QString> Answer(const QString& text) {
    if (text == kCancel)
        return std::nullopt;
    return text;
}

} // namespace

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
    const auto pc = [](const char* name, const QString& answer, int pcTime, bool refused = false) {
        QTest::newRow(name) << true << answer << QStringList() << pcTime << 20 << refused;
    };
    const auto meter = [](const char* name, const QString& answer, const char* written,
                          int interval, bool refused = false) {
        QStringList sent = WithStatus({"55000000"});
        if (*written)
            sent += WithStatus({written});
        QTest::newRow(name) << false << answer << sent << 7 << interval << refused;
    };
    pc("PC 100000 is 86400", "100000", 86400);
    pc("PC 0 is 1", "0", 1);
    pc("PC negative is 1", "-7", 1);
    pc("PC 2.5 rounds to even 2", "2.5", 2);
    pc("PC 3.5 rounds to even 4", "3.5", 4);
    pc("PC 2.51 rounds up", "2.51", 3);
    pc("PC blanks around", " 12 ", 12);
    pc("PC exponent", "1e3", 1000);
    pc("PC huge does not overflow", "1e300", 86400);
    pc("PC cancel", kCancel, 7);
    pc("PC empty", "", 7);
    pc("PC not a number", "ten", 7, true);
    pc("PC number with letters", "5s", 7, true);
    pc("PC decimal comma", "2,5", 7, true);
    pc("PC infinity", "inf", 7, true);
    pc("PC nan", "nan", 7, true);
    pc("PC access code in the wrong case", "Qxv5207", 7, true);
    meter("meter 300 is sent as 255", "300", "5501ff00", 255);
    meter("meter 0 is sent as 1", "0", "55010100", 1);
    meter("meter 10.5 rounds to even", "10.5", "55010a00", 10);
    meter("meter cancel sends nothing more", kCancel, "", 20);
    meter("meter not a number", "fast", "", 20, true);
}

void TestMeterSettings::intervalCommand() {
    QFETCH(bool, pc);
    QFETCH(QString, answer);
    QFETCH(bool, refused);
    ConfigRig rig;
    rig.meter.Model().loggerInterval = 20;
    rig.command.SamplingPC = pc;
    ScriptedPrompts prompts;
    prompts.answers << Answer(answer);
    rig.command.Run(prompts);

    // The box offers the interval in force and the range of its target.
    QCOMPARE(prompts.defaults, QStringList{pc ? "7" : "20"});
    QVERIFY(prompts.prompts[0].contains(pc ? "86400" : "255"));
    QTEST(rig.Sent(), "sent");
    QTEST(rig.pcTime, "pcTime");
    QCOMPARE(rig.pcSets, rig.pcTime == 7 ? 0 : 1);
    QTEST(rig.meter.Model().loggerInterval, "meterInterval");
    QCOMPARE(prompts.refusals,
             refused ? QStringList{SamplingTimeCommand::NotANumberText()} : QStringList());
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

    QVERIFY(prompts.titles.isEmpty()); // no value asked for without the meter's interval
    QCOMPARE(prompts.refusals, QStringList{MeterSettings::NoAnswerText()});
    rig.CheckAskedAgain(QStringLiteral("55000000"));
}

void TestMeterSettings::serviceMode_data() {
    QTest::addColumn<bool>("pc");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("written"); // the "Y" 01 n command; empty: none
    const auto row = [](const char* name, bool pc, const char* code, const QString& answer,
                        const char* written) {
        QTest::newRow(name) << pc << QString(code) << answer << QString(written);
    };
    row("PC box, 8", true, "QXV5207", "8", "590108");
    row("meter box, lower-case code, 2", false, "qxv5207", "2", "590102");
    row("3 is sent as 1", true, "qxv5207", "3", "590101");
    row("trailing text", false, "QXV5207", "8 roms", "590108");
    row("leading blanks, fraction rounds up", true, "QXV5207", "  7.6", "590108");
    row("a half rounds to even", true, "QXV5207", "2.5", "590102");
    row("negative is sent as 1", true, "QXV5207", "-4", "590101");
    row("too many digits are sent as 1", true, "QXV5207", "99999999999999999999", "590101");
    row("letters first send nothing", false, "qxv5207", "x8", "");
    row("empty sends nothing", true, "QXV5207", "", "");
    row("cancel sends nothing", true, "QXV5207", kCancel, "");
}

void TestMeterSettings::serviceMode() {
    QFETCH(bool, pc);
    QFETCH(QString, code);
    QFETCH(QString, answer);
    QFETCH(QString, written);
    ConfigRig rig;
    rig.meter.Model().memorySizeCode = 4;
    rig.meter.Model().loggerInterval = 10;
    rig.command.SamplingPC = pc;
    ScriptedPrompts prompts;
    prompts.answers << code << Answer(answer);
    rig.command.Run(prompts);

    // The size box offers the meter's own code, read with "Y" 00.
    QCOMPARE(prompts.defaults.value(1), QString("4"));
    QStringList sent = WithStatus(pc ? QStringList{"5900"} : QStringList{"55000000", "5900"});
    if (!written.isEmpty())
        sent += WithStatus({written});
    QCOMPARE(rig.Sent(), sent);
    QCOMPARE(rig.meter.Model().memorySizeCode, written.isEmpty() ? 4 : written.right(1).toInt());
    QCOMPARE(rig.meter.Model().loggerInterval, 10);
    for (const ConfigRig::TimersAtWrite& w : rig.writes) {
        if (w.bytes.startsWith('Y'))
            QVERIFY(!w.polling && !w.sampling);
    }
    QVERIFY(rig.Restored());
}

void TestMeterSettings::serviceModeReplies_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code"); // 0: the box is not shown
    QTest::newRow("3 framed bytes") << QByteArray::fromHex("020803") << 8;
    QTest::newRow("2 bytes keep the previous code") << QByteArray::fromHex("0208") << 2;
    QTest::newRow("4 bytes keep the previous code") << QByteArray::fromHex("02080300") << 2;
    QTest::newRow("nothing keeps the previous code") << QByteArray() << 2;
    QTest::newRow("3 bytes without STX end it") << QByteArray::fromHex("000803") << 0;
    QTest::newRow("3 bytes without ETX end it") << QByteArray::fromHex("020802") << 0;
}

void TestMeterSettings::serviceModeReplies() {
    QFETCH(QByteArray, reply);
    QFETCH(int, code);
    ConfigRig rig;
    rig.meter.replies['Y'] = reply;
    rig.meter.Protocol().SetStreaming(false); // the read holds the reply alone
    rig.settings.MemorySizeCode = 2;
    ScriptedPrompts prompts;
    prompts.answers << QStringLiteral("4");
    rig.command.RunServiceMode(prompts);

    QCOMPARE(prompts.defaults, code ? QStringList{QString::number(code)} : QStringList());
    QCOMPARE(rig.settings.MemorySizeCode, code ? code : 2);
    QCOMPARE(rig.Sent(), WithStatus(code ? QStringList{"5900", "590104"} : QStringList{"5900"}));
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
