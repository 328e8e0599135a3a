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
    void roundedInterval_data();
    void roundedInterval();
    void accessCode_data();
    void accessCode();
    void leadingNumber_data();
    void leadingNumber();
    void pcInterval_data();
    void pcInterval();
    void meterInterval_data();
    void meterInterval();
    void intervalQueryIsBounded_data();
    void intervalQueryIsBounded();
    void serviceMode_data();
    void serviceMode();
    void serviceModeReplies_data();
    void serviceModeReplies();
    void keyMasks_data();
    void keyMasks();
    void powerOff_data();
    void powerOff();
    void powerOffWrite();
    void command1();
};

void TestMeterSettings::roundedInterval_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("seconds"); // 0: not a number
    QTest::newRow("0 gives 1") << "0" << 86400 << 1;
    QTest::newRow("100000 gives 86400") << "100000" << 86400 << 86400;
    QTest::newRow("2.5 rounds to even 2") << "2.5" << 86400 << 2;
    QTest::newRow("3.5 rounds to even 4") << "3.5" << 86400 << 4;
    QTest::newRow("2.51 rounds up") << "2.51" << 86400 << 3;
    QTest::newRow("negative gives 1") << "-7" << 86400 << 1;
    QTest::newRow("meter 300 gives 255") << "300" << 255 << 255;
    QTest::newRow("blanks around") << " 12 " << 255 << 12;
    QTest::newRow("exponent") << "1e3" << 86400 << 1000;
    QTest::newRow("huge does not overflow") << "1e300" << 86400 << 86400;
    QTest::newRow("letters") << "abc" << 86400 << 0;
    QTest::newRow("number with letters") << "5s" << 86400 << 0;
    QTest::newRow("decimal comma") << "2,5" << 86400 << 0;
    QTest::newRow("infinity") << "inf" << 86400 << 0;
    QTest::newRow("not a number") << "nan" << 86400 << 0;
}

void TestMeterSettings::roundedInterval() {
    QFETCH(QString, answer);
    QFETCH(int, maximum);
    QFETCH(int, seconds);
    QCOMPARE(RoundedInterval(answer, maximum).value_or(0), seconds);
}

void TestMeterSettings::accessCode_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("opens");
    QTest::newRow("upper case") << "QXV5207" << true;
    QTest::newRow("lower case") << "qxv5207" << true;
    QTest::newRow("mixed case") << "Qxv5207" << false;
    QTest::newRow("other mix") << "qXV5207" << false;
    QTest::newRow("trailing blank") << "QXV5207 " << false;
    QTest::newRow("digits only") << "5207" << false;
}

void TestMeterSettings::accessCode() {
    QFETCH(QString, answer);
    QTEST(IsAccessCode(answer), "opens");
}

void TestMeterSettings::leadingNumber_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("number");
    QTest::newRow("plain") << "4" << 4;
    QTest::newRow("trailing letters") << "8 roms" << 8;
    QTest::newRow("leading blanks") << "  2" << 2;
    QTest::newRow("fraction rounds to even") << "2.5" << 2;
    QTest::newRow("fraction rounds up") << "3.7" << 4;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters first") << "x8" << 0;
    QTest::newRow("negative") << "-4" << -4;
    QTest::newRow("too many digits") << "99999999999999999999" << 1000000;
}

void TestMeterSettings::leadingNumber() {
    QFETCH(QString, answer);
    QTEST(LeadingNumber(answer), "number");
}

void TestMeterSettings::pcInterval_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("samplingTime");
    QTest::addColumn<QStringList>("refusals");
    const QStringList none;
    const QStringList notANumber{SamplingTimeCommand::NotANumberText()};
    QTest::newRow("0") << "0" << 1 << none;
    QTest::newRow("100000") << "100000" << 86400 << none;
    QTest::newRow("2.5") << "2.5" << 2 << none;
    QTest::newRow("3.5") << "3.5" << 4 << none;
    QTest::newRow("60") << "60" << 60 << none;
    QTest::newRow("cancel") << kCancel << 7 << none;
    QTest::newRow("empty") << "" << 7 << none;
    QTest::newRow("not a number") << "ten" << 7 << notANumber;
    QTest::newRow("access code in the wrong case") << "Qxv5207" << 7 << notANumber;
}

void TestMeterSettings::pcInterval() {
    QFETCH(QString, answer);
    ConfigRig rig;
    int samplingTime = 7;
    int setCount = 0;
    SamplingTimeCommand command(
        rig.settings, [&] { return samplingTime; },
        [&](int t) {
            samplingTime = t;
            ++setCount;
        });
    command.SamplingPC = true;
    ScriptedPrompts prompts;
    prompts.answers << Answer(answer);
    command.Run(prompts);

    QCOMPARE(prompts.titles, QStringList{"Input Sampling Time"});
    QCOMPARE(prompts.prompts,
             QStringList{"Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) "});
    QCOMPARE(prompts.defaults, QStringList{"7"});
    QTEST(samplingTime, "samplingTime");
    QTEST(prompts.refusals, "refusals");
    QCOMPARE(setCount, samplingTime == 7 ? 0 : 1);
    QVERIFY(rig.Sent().isEmpty()); // the PC's interval never reaches the meter
}

void TestMeterSettings::meterInterval_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<int>("meterInterval");
    QTest::addColumn<int>("modelInterval");
    QTest::addColumn<QStringList>("refusals");
    const QStringList query{"41", "55000000"};
    const QStringList none;
    QTest::newRow("300 is sent as 255")
        << "300" << query + QStringList{"41", "5501ff00"} << 255 << 255 << none;
    QTest::newRow("30") << "30" << query + QStringList{"41", "55011e00"} << 30 << 30 << none;
    QTest::newRow("0 is sent as 1")
        << "0" << query + QStringList{"41", "55010100"} << 1 << 1 << none;
    QTest::newRow("10.5 rounds to even")
        << "10.5" << query + QStringList{"41", "55010a00"} << 10 << 10 << none;
    QTest::newRow("cancel sends nothing more") << kCancel << query << 10 << 10 << none;
    QTest::newRow("not a number is refused")
        << "fast" << query << 10 << 10 << QStringList{SamplingTimeCommand::NotANumberText()};
}

void TestMeterSettings::meterInterval() {
    QFETCH(QString, answer);
    ConfigRig rig;
    rig.meter.Model().loggerInterval = 10;
    SamplingTimeCommand command(
        rig.settings, [] { return 1; }, [](int) {});
    ScriptedPrompts prompts;
    prompts.answers << Answer(answer);
    command.Run(prompts);

    // The input box offers the meter's own interval.
    QCOMPARE(prompts.defaults, QStringList{"10"});
    QCOMPARE(prompts.prompts,
             QStringList{"Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 255 ) "});
    QTEST(rig.Sent(), "sent");
    QTEST(command.MeterInterval.value_or(-1), "meterInterval");
    QTEST(rig.meter.Model().loggerInterval, "modelInterval");
    QTEST(prompts.refusals, "refusals");
    QVERIFY(rig.PausedAtEveryWrite(false));
    QVERIFY(rig.timers.Timer1.isActive());
    QVERIFY(rig.timers.Timer2.isActive());
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
    SamplingTimeCommand command(
        rig.settings, [] { return 1; }, [](int) {});
    ScriptedPrompts prompts;
    prompts.answers << QStringLiteral("20");
    command.Run(prompts);

    QVERIFY(prompts.titles.isEmpty()); // no value asked for without the meter's interval
    QCOMPARE(prompts.refusals, QStringList{MeterSettings::NoAnswerText()});
    QVERIFY(!command.MeterInterval);
    // About 5 s of the link's clock were spent asking, each ask after a status query.
    QVERIFY2(rig.FakeSecondsSpent() >= 5.0 && rig.FakeSecondsSpent() < 7.0,
             qPrintable(QString::number(rig.FakeSecondsSpent())));
    const QStringList sent = rig.Sent();
    QVERIFY(sent.size() > 4);
    for (int i = 0; i < sent.size(); ++i)
        QCOMPARE(sent[i], QString(i % 2 == 0 ? "41" : "55000000"));
    QVERIFY(rig.timers.Timer1.isActive());
}

void TestMeterSettings::serviceMode_data() {
    QTest::addColumn<bool>("fromPc");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("written"); // after the "Y" query
    QTest::addColumn<int>("modelCode");
    QTest::newRow("PC box, QXV5207, 3 is sent as 1") << true << "QXV5207"
                                                     << "3" << QStringList{"41", "590101"} << 1;
    QTest::newRow("PC box, qxv5207, 8") << true << "qxv5207"
                                        << "8" << QStringList{"41", "590108"} << 8;
    QTest::newRow("meter box, QXV5207, 2") << false << "QXV5207"
                                           << "2" << QStringList{"41", "590102"} << 2;
    QTest::newRow("meter box, qxv5207, 8 with text")
        << false << "qxv5207"
        << "8 roms" << QStringList{"41", "590108"} << 8;
    QTest::newRow("cancel sends nothing") << true << "QXV5207" << kCancel << QStringList() << 4;
    QTest::newRow("letters send nothing") << false << "qxv5207"
                                          << "all" << QStringList() << 4;
}

void TestMeterSettings::serviceMode() {
    QFETCH(bool, fromPc);
    QFETCH(QString, code);
    QFETCH(QString, answer);
    QFETCH(QStringList, written);
    ConfigRig rig;
    rig.meter.Model().memorySizeCode = 4;
    rig.meter.Model().loggerInterval = 10;
    SamplingTimeCommand command(
        rig.settings, [] { return 1; }, [](int) {});
    command.SamplingPC = fromPc;
    ScriptedPrompts prompts;
    prompts.answers << code << Answer(answer);
    command.Run(prompts);

    QCOMPARE(prompts.titles, (QStringList{"Input Sampling Time", "Input Rom No.s"}));
    QCOMPARE(prompts.prompts[1], QString("Update Rom No.s\r\n(Rom No.s = 1,2,4,8) "));
    QCOMPARE(prompts.defaults[1], QString("4"));
    const QStringList before =
        fromPc ? QStringList{"41", "5900"} : QStringList{"41", "55000000", "41", "5900"};
    QCOMPARE(rig.Sent(), before + written);
    QTEST(rig.meter.Model().memorySizeCode, "modelCode");
    QCOMPARE(rig.settings.MemorySizeCode, 4); // the next query reads the new value back
    // The meter's logger interval is left as it was.
    QCOMPARE(rig.meter.Model().loggerInterval, 10);
    for (const ConfigRig::TimersAtWrite& w : rig.writes) {
        if (w.bytes.startsWith('Y'))
            QVERIFY(!w.polling && !w.sampling);
    }
    QVERIFY(rig.timers.Timer1.isActive());
    QVERIFY(rig.timers.Timer2.isActive());
}

void TestMeterSettings::serviceModeReplies_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("defaultText"); // empty: not asked
    QTest::addColumn<int>("code");
    QTest::newRow("3 framed bytes") << QByteArray::fromHex("020803") << "8" << 8;
    QTest::newRow("2 bytes keep the previous code") << QByteArray::fromHex("0208") << "2" << 2;
    QTest::newRow("4 bytes keep the previous code") << QByteArray::fromHex("02080300") << "2" << 2;
    QTest::newRow("nothing keeps the previous code") << QByteArray() << "2" << 2;
    QTest::newRow("3 bytes without STX end it") << QByteArray::fromHex("000803") << "" << 2;
    QTest::newRow("3 bytes without ETX end it") << QByteArray::fromHex("020802") << "" << 2;
}

void TestMeterSettings::serviceModeReplies() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, defaultText);
    ConfigRig rig;
    rig.meter.replies['Y'] = reply;
    rig.meter.Protocol().SetStreaming(false); // the read holds the reply alone
    rig.settings.MemorySizeCode = 2;
    SamplingTimeCommand command(
        rig.settings, [] { return 1; }, [](int) {});
    ScriptedPrompts prompts;
    prompts.answers << QStringLiteral("4");
    command.RunServiceMode(prompts);

    QTEST(rig.settings.MemorySizeCode, "code");
    if (defaultText.isEmpty()) {
        QVERIFY(prompts.defaults.isEmpty());
        QCOMPARE(rig.Sent(), (QStringList{"41", "5900"}));
    } else {
        QCOMPARE(prompts.defaults, QStringList{defaultText});
        QCOMPARE(rig.Sent(), (QStringList{"41", "5900", "41", "590104"}));
    }
    QVERIFY(rig.PausedAtEveryWrite(true));
    QVERIFY(rig.timers.Timer1.isActive());
    QVERIFY(rig.timers.Timer2.isActive());
}

void TestMeterSettings::keyMasks_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<double>("pressedAt");
    QTest::addColumn<double>("releasedAt");
    QTest::addColumn<QString>("sent");
    const auto row = [](const char* name, MeterKey key, const char* hex) {
        QTest::newRow(name) << int(key) << 100.0 << 100.5 << QString(hex);
    };
    row("READ", MeterKey::Read, "57010000");
    row("ALARM", MeterKey::Alarm, "57020000");
    row("C / F", MeterKey::CF, "57040000");
    row("SET", MeterKey::Set, "57080000");
    row("TIME", MeterKey::Time, "57100000");
    row("TYPE", MeterKey::Type, "57800000");
    row("HOLD", MeterKey::Hold, "57000100");
    row("up", MeterKey::Up, "57000200");
    row("left", MeterKey::Left, "57000400");
    row("enter", MeterKey::Enter, "57000800");
    row("right", MeterKey::Right, "57001000");
    row("down", MeterKey::Down, "57002000");
    QTest::newRow("READ held 5 s is still READ")
        << int(MeterKey::Read) << 10.0 << 15.0 << "57010000";
    QTest::newRow("MAX/MIN held 1 s") << int(MeterKey::MaxMin) << 10.0 << 11.0 << "57200000";
    QTest::newRow("MAX/MIN held 2.0 s is short")
        << int(MeterKey::MaxMin) << 10.0 << 12.0 << "57200000";
    QTest::newRow("MAX/MIN held 2.25 s") << int(MeterKey::MaxMin) << 10.0 << 12.25 << "57000004";
    QTest::newRow("MAX/MIN held 3 s") << int(MeterKey::MaxMin) << 10.0 << 13.0 << "57000004";
    QTest::newRow("MEM short") << int(MeterKey::Mem) << 10.0 << 10.2 << "57400000";
    QTest::newRow("MEM held 5 s") << int(MeterKey::Mem) << 10.0 << 15.0 << "57008000";
    QTest::newRow("MEM held 3 s across midnight")
        << int(MeterKey::Mem) << 86399.0 << 2.0 << "57008000";
    QTest::newRow("MAX/MIN held 1 s across midnight")
        << int(MeterKey::MaxMin) << 86399.5 << 0.5 << "57200000";
}

void TestMeterSettings::keyMasks() {
    QFETCH(int, key);
    QFETCH(double, pressedAt);
    QFETCH(double, releasedAt);
    ConfigRig rig;
    rig.pressClock.readings = {pressedAt, releasedAt};
    rig.settings.KeyDown();
    rig.settings.PressKey(MeterKey(key));

    QFETCH(QString, sent);
    QCOMPARE(rig.Sent(), (QStringList{"41", sent}));
    // MEM pauses sampling as well as polling; the others leave sampling running.
    const bool mem = MeterKey(key) == MeterKey::Mem;
    QVERIFY(rig.PausedAtEveryWrite(mem));
    if (!mem) {
        for (const ConfigRig::TimersAtWrite& w : rig.writes)
            QVERIFY(w.sampling);
    }
    QVERIFY(rig.timers.Timer1.isActive());
    QVERIFY(rig.timers.Timer2.isActive());
    // The key waits after writing, before polling resumes.
    QVERIFY(rig.FakeSecondsSpent() >= 0.2);
}

void TestMeterSettings::powerOff_data() {
    QTest::addColumn<bool>("tampered");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code"); // -1: no reply
    QTest::newRow("the meter's code 2") << false << QByteArray() << 2;
    QTest::newRow("frame bytes are not checked") << true << QByteArray::fromHex("000103") << 1;
    QTest::newRow("code above 2 is passed on") << true << QByteArray::fromHex("020503") << 5;
    QTest::newRow("reply after stream bytes")
        << true << QByteArray::fromHex("0400000000000003 020103") << 1;
    QTest::newRow("empty read") << true << QByteArray() << -1;
    QTest::newRow("2 bytes") << true << QByteArray::fromHex("0201") << -1;
}

void TestMeterSettings::powerOff() {
    QFETCH(bool, tampered);
    QFETCH(QByteArray, reply);
    ConfigRig rig;
    rig.meter.Model().powerOffCode = 2;
    if (tampered)
        rig.meter.replies['V'] = reply;
    QTEST(rig.settings.ReadPowerOff().value_or(-1), "code");
    QCOMPARE(rig.Sent(), (QStringList{"41", "56000000"}));
    QVERIFY(rig.PausedAtEveryWrite(false));
    QVERIFY(rig.timers.Timer1.isActive());
}

void TestMeterSettings::powerOffWrite() {
    ConfigRig rig;
    QVERIFY(rig.settings.WritePowerOff(1));
    QCOMPARE(rig.Sent(), (QStringList{"41", "56010100"}));
    QCOMPARE(rig.meter.Model().powerOffCode, 1);
    QCOMPARE(rig.link.CmdBytes.toHex(), QByteArray("56010100")); // the shared command buffer
    QVERIFY(rig.PausedAtEveryWrite(false));
}

void TestMeterSettings::command1() {
    ConfigRig rig;
    rig.meter.Model().manual.append(ManualEntry{});
    QVERIFY(rig.settings.SendCommand1());
    QCOMPARE(rig.Sent(), (QStringList{"41", "57000001"}));
    QVERIFY(rig.meter.Model().manual.isEmpty()); // the code erases the manual entries
    QVERIFY(rig.PausedAtEveryWrite(false));
}

QTEST_GUILESS_MAIN(TestMeterSettings)
#include "tst_meter_settings.moc"
