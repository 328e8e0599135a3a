#include "sim/meter_model.h"
#include "sim/meter_protocol.h"
#include "support/hex.h"

#include <QtTest>

namespace {

constexpr qint64 kMs = MeterProtocol::kMs;

// A meter with two sets and three manual entries, its clock at 2013/08/08 14:05:09.
void FillMemory(MeterModel& m) {
    LoggerSet a;
    a.mask = 0x05;
    a.fahrenheit = true;
    a.types = {0, 1, 3, 0};
    a.start = QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9));
    a.interval = 5;
    a.records = {{0x05, 0x00, {734, 0, -4, 0}}, {0x05, 0x04, {735, 0, 7520, 0}}};
    m.sets.append(a);
    a.mask = 0x0F;
    a.records = {{0x0F, 0x00, {1, 2, 3, 4}}};
    m.sets.append(a);
    m.manual.resize(3);
    m.SetClock(a.start);
}

LoggerSet EmptySet(int mask, int records) {
    LoggerSet s;
    s.mask = mask;
    s.start = QDateTime(QDate(2026, 1, 1), QTime(0, 0));
    s.records.resize(records);
    return s;
}

// Channel numbers of the well-formed packets found by scanning for STX .. ETX at 12 bytes; the
// bytes between them go to `rest`.
QList<int> PacketChannels(const QByteArray& bytes, QByteArray* rest = nullptr) {
    QList<int> channels;
    for (int i = 0; i < bytes.size();) {
        if (i + 12 <= bytes.size() && bytes.at(i) == 0x02 && bytes.at(i + 11) == 0x03) {
            channels << (bytes.at(i + 1) & 3);
            i += 12;
        } else {
            if (rest)
                *rest += bytes.at(i);
            ++i;
        }
    }
    return channels;
}

enum MeterOption { kWithMemory = 1, kNoStream = 2, kFast = 4 };

// A model and the protocol in front of it, with the time of the line.
struct Meter {
    MeterModel m;
    MeterProtocol p{m};
    qint64 t = 0;

    explicit Meter(int options = 0) {
        if (options & kWithMemory)
            FillMemory(m);
        p.SetStreaming(!(options & kNoStream));
        p.SetFast(options & kFast);
    }
    // Sends a command now and returns everything the meter sent in the following waitMs, as a
    // program that writes and then waits would see it.
    QByteArray Ask(const QByteArray& command, int waitMs) {
        p.Produce(t);
        p.Receive(command, t);
        t += waitMs * kMs;
        return p.Produce(t);
    }
};

} // namespace

class TestMeterProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void packet_data();
    void packet();
    void statusReply_data();
    void statusReply();
    void replies_data();
    void replies();
    void replyIsLastThingRead_data();
    void replyIsLastThingRead();
    void dumpIsNotInterleaved();
    void pace_data();
    void pace();
    void replyWithoutPause_data();
    void replyWithoutPause();
    void settingCommands_data();
    void settingCommands();
    void parser_data();
    void parser();
    void streamCyclesChannels();
    void garbageBetweenPackets();
    void faults_data();
    void faults();
};

void TestMeterProtocol::packet_data() {
    QTest::addColumn<QString>("setting"); // channel, F/C, type, reading, probe/off/over/under, mode
    QTest::addColumn<QByteArray>("expected");
    const auto row = [](const char* name, const char* setting, const char* hex) {
        QTest::newRow(name) << QString(setting) << Hex(hex);
    };
    row("T2 in C, K, 73.4", "1 C 0 734 probe 0", "02 01 00 08 00 49 04 00 00 00 00 03");
    row("T4 in F, recording, status 7, Max-Min", "3 F 2 -53 probe 3 rec",
        "02 C7 02 0B FF FB 83 00 00 00 00 03");
    row("no probe sends no value", "0 F 0 734 off 0", "02 04 00 00 00 00 00 00 00 00 00 03");
    row("over range shows the top of K", "2 F 0 734 over 0", "02 06 00 28 09 C2 00 00 00 00 00 03");
    row("under range shows the bottom of T", "2 F 3 734 under 1",
        "02 06 03 49 FE B8 80 00 00 00 00 03");
    row("type code C", "0 C 10 41900 probe 2", "02 00 0A 0A 10 5E 00 00 00 00 00 03");
    row("-256.1 across the low byte", "0 C 0 -2561 probe 0", "02 00 00 08 FF 00 81 00 00 00 00 03");
}

void TestMeterProtocol::packet() {
    QFETCH(QString, setting);
    const QStringList s = setting.split(QLatin1Char(' '));
    const int channel = s[0].toInt();
    MeterModel m;
    m.fahrenheit = s[1] == QLatin1String("F");
    m.displayMode = s[5].toInt();
    m.recording = m.status7 = s.size() > 6;
    MeterChannel& c = m.Channel(channel);
    c.typeCode = s[2].toInt();
    c.offset = 0;
    m.SetReading(channel, s[3].toInt());
    c.probe = s[4] != QLatin1String("off");
    c.over = s[4] == QLatin1String("over");
    c.under = s[4] == QLatin1String("under");
    QTEST(m.Packet(channel), "expected");
}

void TestMeterProtocol::statusReply_data() {
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("manual");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty memory is address 8192") << -1 << 1 << 0 << Hex("02 00 20 00 00 FF 03");
    QTest::newRow("one set, mask 1, one record") << 1 << 1 << 0 << Hex("02 00 20 1C 00 FF 03");
    // 23 + 10 * 11 = 133 bytes for a set of three channels.
    QTest::newRow("mask 7, ten records") << 10 << 7 << 3 << Hex("02 00 20 85 03 FF 03");
    // 23 + 5000 * 14 = 70023 bytes: the address needs its third byte.
    QTest::newRow("address above 65535") << 5000 << 15 << 255 << Hex("02 01 31 87 FF FF 03");
}

void TestMeterProtocol::statusReply() {
    QFETCH(int, records);
    QFETCH(int, mask);
    QFETCH(int, manual);
    MeterModel m;
    if (records >= 0)
        m.sets.append(EmptySet(mask, records));
    m.manual.resize(manual);
    QTEST(m.StatusReply(), "expected");
    QCOMPARE(m.MemoryAddress(), 8192 + m.AutomaticData().size());
}

void TestMeterProtocol::replies_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    MeterModel m;
    FillMemory(m);
    QTest::newRow("A") << QByteArray("A") << m.StatusReply();
    QTest::newRow("X") << QByteArray("X") << Hex("02 0D 08 08 0E 05 09 03");
    QTest::newRow("Y 00") << Hex("59 00") << Hex("02 08 03");
    QTest::newRow("U 00 00 00") << Hex("55 00 00 00") << Hex("02 02 03");
    QTest::newRow("V 00 00 00") << Hex("56 00 00 00") << Hex("02 00 03");
    QTest::newRow("R") << QByteArray("R") << Hex("02 00 20 4C") + m.AutomaticData() + Hex("03");
    QTest::newRow("Q") << QByteArray("Q") << Hex("02 03") + m.ManualData() + Hex("03");
}

void TestMeterProtocol::replies() {
    QFETCH(QByteArray, command);
    Meter meter(kWithMemory | kNoStream);
    QTEST(meter.Ask(command, 1000), "reply");
    QCOMPARE(meter.p.ReceivedCommands(), QVector<QByteArray>{command});
}

// The program reads each reply after a fixed wait, from the end of what it received (status)
// or expecting exactly the reply (memory size): the stream must not have resumed by then.
void TestMeterProtocol::replyIsLastThingRead_data() {
    QTest::addColumn<bool>("fast");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("waitMs");
    QTest::newRow("line rate, A, 20 ms") << false << QByteArray("A") << 20;
    QTest::newRow("fast, A, 20 ms") << true << QByteArray("A") << 20;
    QTest::newRow("line rate, Y 00, 200 ms") << false << Hex("59 00") << 200;
    QTest::newRow("fast, Y 00, 200 ms") << true << Hex("59 00") << 200;
}

void TestMeterProtocol::replyIsLastThingRead() {
    QFETCH(bool, fast);
    QFETCH(QByteArray, command);
    QFETCH(int, waitMs);
    Meter meter(fast ? kFast : 0);
    meter.t = 5 * kMs + 300000; // in the middle of a packet at line rate
    meter.p.Produce(meter.t);
    // Status query first, as every command is preceded by one.
    const QByteArray status = meter.Ask("A", 20);
    QVERIFY(status.endsWith(meter.m.StatusReply()));
    QVERIFY(status.size() < 7 + 12); // at most the rest of the packet in progress before it
    const QByteArray reply = command == "A" ? meter.m.StatusReply() : Hex("02 08 03");
    QCOMPARE(meter.Ask(command, waitMs), reply);
    QVERIFY(!PacketChannels(meter.p.Produce(meter.t + 500 * kMs)).isEmpty());
}

void TestMeterProtocol::dumpIsNotInterleaved() {
    Meter meter;
    meter.m.sets.append(EmptySet(15, 300)); // about 2 s of dump at line rate
    meter.t = 3 * kMs;
    QByteArray got = meter.Ask("R", 0);
    for (int i = 1; i <= 300; ++i) // read in 10 ms bites like the program
        got += meter.p.Produce(meter.t + i * 10 * kMs);
    const QByteArray dump = meter.m.AutomaticDump();
    const int start = got.indexOf(dump);
    QVERIFY(start >= 0 && start < 12);         // at most the rest of one packet before it
    QVERIFY(got.size() > start + dump.size()); // the stream resumed after it
}

// The time from one packet's start to the next, in microseconds of the simulated line.
void TestMeterProtocol::pace_data() {
    QTest::addColumn<bool>("fast");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<int>("jitterMs");
    QTest::addColumn<int>("shortestUs");
    QTest::addColumn<int>("longestUs");
    QTest::newRow("below a packet's line time: back to back") << false << 5 << 0 << 6250 << 6250;
    QTest::newRow("every 50 ms") << false << 50 << 0 << 50000 << 50000;
    QTest::newRow("every 30 ms, up to 30 ms later") << false << 30 << 30 << 30000 << 60000;
    QTest::newRow("fast, every 50 ms, up to 20 ms later") << true << 50 << 20 << 50000 << 70000;
}

void TestMeterProtocol::pace() {
    QFETCH(bool, fast);
    QFETCH(int, intervalMs);
    QFETCH(int, jitterMs);
    QFETCH(int, shortestUs);
    QFETCH(int, longestUs);
    Meter meter(fast ? kFast : 0);
    meter.p.SetPacketInterval(intervalMs);
    meter.p.SetJitter(jitterMs);
    // Two seconds read in 0.1 ms bites: a packet's first byte is seen up to one bite late.
    QList<qint64> gaps;
    qint64 last = -1;
    int sent = 0;
    for (qint64 t = 0; t <= 2000 * kMs; t += kMs / 10) {
        const int before = sent;
        sent += meter.p.Produce(t).size();
        for (int k = (before + 11) / 12; 12 * k < sent; ++k, last = t) {
            if (last >= 0)
                gaps << (t - last) / 1000;
        }
    }
    const auto [shortest, longest] = std::minmax_element(gaps.cbegin(), gaps.cend());
    QVERIFY(gaps.size() >= 20 && *shortest >= shortestUs - 100 && *longest <= longestUs + 100);
    QVERIFY(jitterMs == 0 || *longest - *shortest > jitterMs * 500); // the delay varies
}

// A stream that does not pause: the reply goes out whole between two packets, and the packets
// go on at their pace with no quiet time (a pausing stream sends fewer in the same time).
void TestMeterProtocol::replyWithoutPause_data() {
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("packetsAfter"); // at least, in the 250 ms after the command
    MeterModel m;
    FillMemory(m);
    QTest::newRow("A, back to back") << 0 << QByteArray("A") << Hex("02 00 20 4C 03 FF 03") << 35;
    QTest::newRow("A, every 50 ms") << 50 << QByteArray("A") << Hex("02 00 20 4C 03 FF 03") << 4;
    QTest::newRow("R dump in one block") << 0 << QByteArray("R") << m.AutomaticDump() << 30;
}

void TestMeterProtocol::replyWithoutPause() {
    QFETCH(int, intervalMs);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    QFETCH(int, packetsAfter);
    Meter meter(kWithMemory);
    meter.p.SetPauseForReplies(false);
    meter.p.SetPacketInterval(intervalMs);
    meter.t = 5 * kMs + 300000; // in the middle of a packet
    QByteArray got = meter.p.Produce(meter.t);
    got += meter.Ask(command, 0);
    for (int i = 1; i <= 25; ++i) // read in 10 ms bites like the program
        got += meter.p.Produce(meter.t + i * 10 * kMs);
    const int at = got.indexOf(reply);
    const QByteArray after = got.mid(at + reply.size());
    QVERIFY(at >= 0 && at % 12 == 0 && PacketChannels(got.left(at)).size() == at / 12);
    QCOMPARE(PacketChannels(after).size(), after.size() / 12);
    QVERIFY(PacketChannels(after).size() >= packetsAfter);
}

void TestMeterProtocol::settingCommands_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("expected");
    const QString before = QStringLiteral(
        "sets=2 manual=3 unit=F interval=2 poweroff=0 memsize=8 clock=2013/08/08 14:05:09");
    // `from` replaced by `to` in the state before; no `from`: the command changes nothing.
    const auto row = [&](const char* name, const char* hex, const char* from = nullptr,
                         const char* to = nullptr) {
        QTest::newRow(name) << Hex(hex) << (from ? QString(before).replace(from, to) : before);
    };
    row("S sets the date", "53 1A 0C 06", "2013/08/08", "2026/12/06");
    row("T sets the time", "54 17 3B 00", "14:05:09", "23:59:00");
    row("S with month 13 clears the clock", "53 1A 0D 06", "2013/08/08 14:05:09", "");
    row("U sets the interval", "55 01 0A 00", "interval=2", "interval=10");
    row("U refuses 0 s", "55 01 00 00");
    row("V sets power-off", "56 01 02 00", "poweroff=0", "poweroff=2");
    row("V refuses code 3", "56 01 03 00");
    row("Y 01 4", "59 01 04", "memsize=8", "memsize=4");
    row("Y 01 3 is no size", "59 01 03");
    row("erase automatic", "57 00 00 02", "sets=2", "sets=0");
    row("erase manual", "57 00 00 01", "manual=3", "manual=0");
    row("C / F switches the unit", "57 04 00 00", "unit=F", "unit=C");
    row("MEM long press changes nothing", "57 00 80 00");
}

void TestMeterProtocol::settingCommands() {
    QFETCH(QByteArray, command);
    Meter meter(kWithMemory);
    meter.p.Receive(command, 0);
    const MeterModel& m = meter.m;
    QTEST(QStringLiteral("sets=%1 manual=%2 unit=%3 interval=%4 poweroff=%5 memsize=%6 clock=%7")
              .arg(m.sets.size())
              .arg(m.manual.size())
              .arg(m.fahrenheit ? "F" : "C")
              .arg(m.loggerInterval)
              .arg(m.powerOffCode)
              .arg(m.memorySizeCode)
              .arg(m.ClockNow().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))),
          "expected");
    QCOMPARE(meter.p.ReceivedCommands(), QVector<QByteArray>{command});
}

void TestMeterProtocol::parser_data() {
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<int>("ignored");
    using L = QList<QByteArray>;
    QTest::newRow("stray bytes before a command") << L{Hex("00 FF 41")} << 0 << L{"A"} << 2;
    QTest::newRow("parameters in a later write")
        << L{Hex("57 04"), Hex("00"), Hex("00")} << 5 << L{Hex("57 04 00 00")} << 0;
    QTest::newRow("Y 00 then A") << L{Hex("59 00 41")} << 0 << L{Hex("59 00"), "A"} << 0;
    QTest::newRow("Y 01 n then X") << L{Hex("59 01 08 58")} << 0 << L{Hex("59 01 08"), "X"} << 0;
    QTest::newRow("Y 01 waits for n") << L{Hex("59 01"), Hex("02")} << 5 << L{Hex("59 01 02")} << 0;
    QTest::newRow("parameters may be letters")
        << L{Hex("53 41 41 41 41")} << 0 << L{Hex("53 41 41 41"), "A"} << 0;
    QTest::newRow("a command left incomplete is dropped")
        << L{Hex("53 1A"), "A"} << 1500 << L{"A"} << 2;
    QTest::newRow("several commands in one write") << L{"AXRQ"} << 0 << L{"A", "X", "R", "Q"} << 0;
}

void TestMeterProtocol::parser() {
    QFETCH(QList<QByteArray>, writes);
    QFETCH(int, gapMs);
    QFETCH(QList<QByteArray>, commands);
    Meter meter;
    for (const QByteArray& w : writes) {
        meter.p.Receive(w, meter.t);
        meter.t += gapMs * kMs;
    }
    QCOMPARE(meter.p.ReceivedCommands(), QVector<QByteArray>(commands.begin(), commands.end()));
    QTEST(meter.p.IgnoredBytes(), "ignored");
}

void TestMeterProtocol::streamCyclesChannels() {
    // One second at 19200 baud is 1920 bytes: 160 packets back to back, channels in turn.
    Meter meter;
    const QByteArray second = meter.p.Produce(1000 * kMs);
    QCOMPARE(second.size(), 1920);
    QList<int> cycle;
    for (int i = 0; i < 160; ++i)
        cycle << i % 4;
    QCOMPARE(PacketChannels(second), cycle);
    // Fast: whole packets, one every 2 ms.
    Meter fast(kFast);
    QByteArray got;
    for (int ms = 0; ms < 20; ms += 2)
        got += fast.p.Produce(ms * kMs);
    QCOMPARE(got.size(), 10 * 12);
    QCOMPARE(PacketChannels(got), cycle.mid(0, 10));
}

void TestMeterProtocol::garbageBetweenPackets() {
    Meter meter;
    meter.p.SetGarbage(true);
    const QByteArray got = meter.p.Produce(200 * kMs);
    const QList<int> channels = PacketChannels(got);
    QVERIFY(got.size() > channels.size() * 12); // there is junk
    QVERIFY(channels.size() >= 20);
    // Every packet still arrives whole and in turn.
    for (int i = 1; i < channels.size(); ++i)
        QCOMPARE(channels.at(i), (channels.at(i - 1) + 1) % 4);
}

// A fault of the meter or the line: what the program hears to a command meanwhile (live packets
// left out) and whether each command that reached the meter was answered. Once the fault is
// gone the meter answers as usual, and the stream starts from then, not with a backlog.
void TestMeterProtocol::faults_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("heard");
    QTest::addColumn<bool>("streams"); // live packets go on during the fault
    QTest::addColumn<QList<bool>>("answered");
    QTest::addColumn<QByteArray>("reply"); // once the fault is gone
    const auto row = [](const char* fault, const QByteArray& command, const QByteArray& heard,
                        bool streams, const QList<bool>& answered, const QByteArray& reply) {
        QTest::newRow(fault) << QString(fault) << command << heard << streams << answered << reply;
    };
    MeterModel m;
    FillMemory(m);
    const QByteArray status = Hex("02 00 20 4C 03 FF 03");
    row("silent", "A" + Hex("57 00 80 00"), {}, true, {false, false}, status);
    row("cut 10", "R", m.AutomaticDump().left(10), true, {true}, m.AutomaticDump());
    row("cut 0", "Q", {}, true, {true}, m.ManualDump());
    row("stream off", "A", status, false, {true}, status);
    row("unplugged", "A", {}, false, {}, status);
}

void TestMeterProtocol::faults() {
    QFETCH(QString, fault);
    QFETCH(QByteArray, command);
    Meter meter(kWithMemory | kFast);
    const auto set = [&](bool on) {
        if (fault == QLatin1String("silent"))
            meter.p.SetSilent(on);
        else if (fault == QLatin1String("unplugged"))
            meter.p.SetPlugged(!on, meter.t);
        else if (fault == QLatin1String("stream off"))
            meter.p.SetStreaming(!on);
        else if (on) // only the next dump is cut
            meter.p.CutNextDump(fault.mid(4).toInt());
    };
    set(true);
    meter.t = 500 * kMs;
    QByteArray heard;
    QTEST(!PacketChannels(meter.Ask(command, 500), &heard).isEmpty(), "streams");
    QTEST(heard, "heard");
    QList<bool> answered;
    for (const MeterProtocol::LoggedCommand& c : meter.p.CommandLog())
        answered << c.answered;
    QTEST(answered, "answered");

    meter.t += 1000 * kMs;
    meter.p.Produce(meter.t);
    set(false);
    // At most the packets of the next 10 ms, one every 2 ms.
    QVERIFY(PacketChannels(meter.p.Produce(meter.t + 10 * kMs)).size() <= 6);
    meter.t += 10 * kMs;
    QFETCH(QByteArray, reply);
    QVERIFY(meter.Ask(command, 30).endsWith(reply));
}

QTEST_GUILESS_MAIN(TestMeterProtocol)
#include "tst_meter_protocol.moc"
