#include "link/reading_text.h"
#include "sim/meter_model.h"
#include "sim/meter_protocol.h"
#include "sim/simulated_meter_device.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr qint64 kMs = MeterProtocol::kMs;

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// A meter with two sets and three manual entries, its clock at 2013/08/08 14:05:09.
void FillMemory(MeterModel& m) {
    LoggerSet a;
    a.mask = 0x05;
    a.fahrenheit = true;
    a.types = {0, 1, 3, 0};
    a.offsets = {0, -5, 0, 3};
    a.start = QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9));
    a.interval = 5;
    a.records.append({0x05, 0x00, {734, 0, -4, 0}});
    a.records.append({0x05, 0x04, {735, 0, 7520, 0}});
    m.sets.append(a);
    LoggerSet b = a;
    b.mask = 0x0F;
    b.fahrenheit = false;
    b.records = {{0x0F, 0x00, {1, 2, 3, 4}}};
    m.sets.append(b);
    for (int i = 0; i < 3; ++i) {
        ManualEntry e;
        e.at = QDateTime(QDate(2013, 8, 8), QTime(14, 5, i));
        e.values = {734, 700, -53, i};
        m.manual.append(e);
    }
    m.SetClock(QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9)));
}

// Splits automatic data the way the program does: marker, mask, record count, size.
QList<int> SplitRecordCounts(const QByteArray& data) {
    QList<int> counts;
    int p = 0;
    while (p < data.size()) {
        if (data.mid(p, 4) != Hex("00 55 AA 00"))
            return counts << -1;
        const int mask = quint8(data.at(p + 4)) % 16;
        const int n = quint8(data.at(p + 20)) * 65536 + quint8(data.at(p + 21)) * 256 +
                      quint8(data.at(p + 22));
        counts << n;
        p += 23 + n * (3 * ChannelCountOf(mask) + 2);
    }
    return p == data.size() ? counts : counts << -2;
}

QString Summary(const MeterModel& m) {
    return QStringLiteral("sets=%1 manual=%2 unit=%3 interval=%4 poweroff=%5 memsize=%6 clock=%7")
        .arg(m.sets.size())
        .arg(m.manual.size())
        .arg(m.fahrenheit ? "F" : "C")
        .arg(m.loggerInterval)
        .arg(m.powerOffCode)
        .arg(m.memorySizeCode)
        .arg(m.ClockNow().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
}

// Sends a command at the current time and returns everything the meter sent in the
// following waitMs, as a program that writes and then waits would see it.
QByteArray Exchange(MeterProtocol& p, qint64& t, const QByteArray& command, int waitMs) {
    p.Produce(t);
    p.Receive(command, t);
    t += waitMs * kMs;
    return p.Produce(t);
}

// Channel numbers of the well-formed packets found by scanning for STX .. ETX at 12 bytes.
QList<int> PacketChannels(const QByteArray& bytes) {
    QList<int> channels;
    for (int i = 0; i + 12 <= bytes.size();) {
        if (bytes.at(i) == 0x02 && bytes.at(i + 11) == 0x03) {
            channels << (bytes.at(i + 1) & 3);
            i += 12;
        } else {
            ++i;
        }
    }
    return channels;
}

} // namespace

class TestMeterProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readingRoundTrip_data();
    void readingRoundTrip();
    void packet_data();
    void packet();
    void statusReply_data();
    void statusReply();
    void setLayout();
    void manualEntryLayout();
    void splitsLikeTheProgram_data();
    void splitsLikeTheProgram();
    void replies_data();
    void replies();
    void replyIsLastThingRead_data();
    void replyIsLastThingRead();
    void dumpIsNotInterleaved();
    void settingCommands_data();
    void settingCommands();
    void eraseShowsInStatus();
    void parser_data();
    void parser();
    void streamCyclesChannels();
    void silentMeter();
    void cutDump();
    void garbageBetweenPackets();
    void streamOffStillAnswers();
    void unplugged();
    void channelOverTime();
    void deviceAnswersStatusQuery();
};

void TestMeterProtocol::readingRoundTrip_data() {
    QTest::addColumn<int>("tenths");
    QTest::addColumn<QString>("text");
    QTest::newRow("73.4") << 734 << "73.4";
    QTest::newRow("zero") << 0 << "0.0";
    QTest::newRow("0.5") << 5 << "0.5";
    QTest::newRow("-0.4 keeps integer part 0") << -4 << "-0.4";
    QTest::newRow("-1.0") << -10 << "-1.0";
    QTest::newRow("-1.5") << -15 << "-1.5";
    QTest::newRow("-5.3") << -53 << "-5.3";
    QTest::newRow("-12.3") << -123 << "-12.3";
    QTest::newRow("bottom of K") << -3280 << "-328.0";
    QTest::newRow("top of C") << 41900 << "4190.0";
    QTest::newRow("256.0 crosses the low byte") << 2560 << "256.0";
    QTest::newRow("-256.1") << -2561 << "-256.1";
}

void TestMeterProtocol::readingRoundTrip() {
    QFETCH(int, tenths);
    const QByteArray b = EncodeReading(tenths);
    QCOMPARE(b.size(), 3);
    const RawReading r = DecodeRawReading(quint8(b[0]), quint8(b[1]), quint8(b[2]));
    QTEST(r.text, "text");
    QCOMPARE(r.tenths, tenths);
}

void TestMeterProtocol::packet_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("reading");
    QTest::addColumn<QString>("state"); // probe / off / over / under
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("recordingAndStatus7");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("T2 in C, K, 73.4") << 1 << false << 0 << 734 << "probe" << 0 << false
                                      << Hex("02 01 00 08 00 49 04 00 00 00 00 03");
    QTest::newRow("T4 in F, recording, status 7, Max-Min")
        << 3 << true << 2 << -53 << "probe" << 3 << true
        << Hex("02 C7 02 0B FF FB 83 00 00 00 00 03");
    QTest::newRow("no probe sends no value") << 0 << true << 0 << 734 << "off" << 0 << false
                                             << Hex("02 04 00 00 00 00 00 00 00 00 00 03");
    QTest::newRow("over range shows the top of K") << 2 << true << 0 << 734 << "over" << 0 << false
                                                   << Hex("02 06 00 28 09 C2 00 00 00 00 00 03");
    QTest::newRow("under range shows the bottom of T")
        << 2 << true << 3 << 734 << "under" << 1 << false
        << Hex("02 06 03 49 FE B8 80 00 00 00 00 03");
    QTest::newRow("type code C") << 0 << false << 10 << 41900 << "probe" << 2 << false
                                 << Hex("02 00 0A 0A 10 5E 00 00 00 00 00 03");
}

void TestMeterProtocol::packet() {
    QFETCH(int, channel);
    QFETCH(QString, state);
    MeterModel m;
    QFETCH(bool, fahrenheit);
    QFETCH(int, type);
    QFETCH(int, reading);
    QFETCH(int, mode);
    QFETCH(bool, recordingAndStatus7);
    m.fahrenheit = fahrenheit;
    m.displayMode = mode;
    m.recording = m.status7 = recordingAndStatus7;
    MeterChannel& c = m.Channel(channel);
    c.typeCode = type;
    m.SetReading(channel, reading);
    c.probe = state != QLatin1String("off");
    c.over = state == QLatin1String("over");
    c.under = state == QLatin1String("under");
    for (int n = 0; n < 4; ++n)
        m.Channel(n).offset = 0;
    QTEST(m.Packet(channel), "expected");
}

void TestMeterProtocol::statusReply_data() {
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("manual");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty memory is address 8192") << -1 << 1 << 0 << Hex("02 00 20 00 00 FF 03");
    QTest::newRow("one set, mask 1, one record") << 1 << 1 << 0 << Hex("02 00 20 1C 00 FF 03");
    QTest::newRow("manual count") << -1 << 1 << 3 << Hex("02 00 20 00 03 FF 03");
    // 23 + 5000 * 14 = 70023 bytes: the address needs its third byte.
    QTest::newRow("address above 65535") << 5000 << 15 << 255 << Hex("02 01 31 87 FF FF 03");
}

void TestMeterProtocol::statusReply() {
    QFETCH(int, records);
    QFETCH(int, mask);
    QFETCH(int, manual);
    MeterModel m;
    if (records >= 0) {
        LoggerSet s;
        s.mask = mask;
        s.start = QDateTime(QDate(2026, 1, 1), QTime(0, 0));
        s.records.resize(records);
        m.sets.append(s);
    }
    m.manual.resize(manual);
    QTEST(m.StatusReply(), "expected");
    QCOMPARE(m.MemoryAddress(), 8192 + m.AutomaticData().size());
}

void TestMeterProtocol::setLayout() {
    MeterModel m;
    FillMemory(m);
    const QByteArray set = EncodeSet(m.sets.at(0));
    // Marker, mask 5 with the unit bit, types, offsets, 13/08/08 14:05:09, interval, count 2;
    // then records of 8 bytes: valid, range, T1, T3.
    QCOMPARE(set, Hex("00 55 AA 00 15 00 01 03 00 00 FB 00 03 0D 08 08 0E 05 09 05 00 00 02"
                      "05 00 00 49 04 00 00 84"
                      "05 04 00 49 05 02 F0 00"));
    QCOMPARE(EncodeSet(m.sets.at(1)).at(4), char(0x0F)); // a Celsius set has bit 4 clear
}

void TestMeterProtocol::manualEntryLayout() {
    ManualEntry e;
    e.fahrenheit = false;
    e.valid = 0x0D;
    e.range = 0x40;
    e.types = {0, 1, 0, 3};
    e.offsets = {0, 0, -5, 0};
    e.at = QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9));
    e.values = {234, 0, 24980, -53};
    const QByteArray b = EncodeManualEntry(e);
    QCOMPARE(b.size(), MeterModel::kManualEntrySize);
    QCOMPARE(b, Hex("00 0D 40 00 01 00 03 00 00 FB 00 0D 08 08 0E 05 09"
                    "00 17 04 00 00 00 09 C2 00 FF FB 83"));
}

void TestMeterProtocol::splitsLikeTheProgram_data() {
    QTest::addColumn<int>("mask");
    for (int mask = 1; mask <= 15; ++mask)
        QTest::addRow("mask %d", mask) << mask;
}

void TestMeterProtocol::splitsLikeTheProgram() {
    QFETCH(int, mask);
    MeterModel m;
    for (int n : {3, 0, 17}) {
        LoggerSet s;
        s.mask = mask;
        s.start = QDateTime(QDate(2026, 1, 1), QTime(0, 0));
        s.records.resize(n);
        m.sets.append(s);
        mask = (mask % 15) + 1; // the next set records other channels
    }
    QCOMPARE(SplitRecordCounts(m.AutomaticData()), (QList<int>{3, 0, 17}));
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
    QFETCH(QByteArray, reply);
    MeterModel m;
    FillMemory(m);
    MeterProtocol p(m);
    p.SetStreaming(false);
    qint64 t = 0;
    QCOMPARE(Exchange(p, t, command, 1000), reply);
    QCOMPARE(p.ReceivedCommands(), QVector<QByteArray>{command});
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
    MeterModel m;
    MeterProtocol p(m);
    p.SetFast(fast);
    qint64 t = 5 * kMs + 300000; // in the middle of a packet at line rate
    p.Produce(t);
    // Status query first, as every command is preceded by one.
    const QByteArray status = Exchange(p, t, "A", 20);
    QVERIFY(status.endsWith(m.StatusReply()));
    QVERIFY(status.size() < 7 + 12); // at most the rest of the packet in progress before it
    const QByteArray got = Exchange(p, t, command, waitMs);
    const QByteArray reply = command == "A" ? m.StatusReply() : Hex("02 08 03");
    QCOMPARE(got, reply); // nothing before it (the stream is paused), nothing after it
    // And the stream comes back afterwards.
    t += 500 * kMs;
    QVERIFY(!PacketChannels(p.Produce(t)).isEmpty());
}

void TestMeterProtocol::dumpIsNotInterleaved() {
    MeterModel m;
    LoggerSet s;
    s.mask = 15;
    s.start = QDateTime(QDate(2026, 1, 1), QTime(0, 0));
    s.records.resize(300); // about 2 s of dump at line rate
    m.sets.append(s);
    MeterProtocol p(m);
    qint64 t = 3 * kMs;
    p.Produce(t);
    QByteArray got;
    p.Receive("R", t);
    for (int i = 0; i < 300; ++i) { // read in 10 ms bites like the program
        t += 10 * kMs;
        got += p.Produce(t);
    }
    const QByteArray dump = m.AutomaticDump();
    const int start = got.indexOf(dump);
    QVERIFY(start >= 0);
    QVERIFY(start < 12);                       // at most the rest of one packet before it
    QVERIFY(got.size() > start + dump.size()); // the stream resumed after it
}

void TestMeterProtocol::settingCommands_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("expected");
    const QString before = QStringLiteral(
        "sets=2 manual=3 unit=F interval=2 poweroff=0 memsize=8 clock=2013/08/08 14:05:09");
    auto with = [&](const char* from, const char* to) {
        return QString(before).replace(QLatin1String(from), QLatin1String(to));
    };
    QTest::newRow("S sets the date") << Hex("53 1A 0C 06") << with("2013/08/08", "2026/12/06");
    QTest::newRow("T sets the time") << Hex("54 17 3B 00") << with("14:05:09", "23:59:00");
    QTest::newRow("S with month 13 clears the clock")
        << Hex("53 1A 0D 06") << with("2013/08/08 14:05:09", "");
    QTest::newRow("U sets the interval") << Hex("55 01 0A 00") << with("interval=2", "interval=10");
    QTest::newRow("U refuses 0 s") << Hex("55 01 00 00") << before;
    QTest::newRow("V sets power-off") << Hex("56 01 02 00") << with("poweroff=0", "poweroff=2");
    QTest::newRow("V refuses code 3") << Hex("56 01 03 00") << before;
    QTest::newRow("Y 01 4") << Hex("59 01 04") << with("memsize=8", "memsize=4");
    QTest::newRow("Y 01 3 is no size") << Hex("59 01 03") << before;
    QTest::newRow("erase automatic") << Hex("57 00 00 02") << with("sets=2", "sets=0");
    QTest::newRow("erase manual") << Hex("57 00 00 01") << with("manual=3", "manual=0");
    QTest::newRow("C / F switches the unit") << Hex("57 04 00 00") << with("unit=F", "unit=C");
    QTest::newRow("READ changes nothing") << Hex("57 01 00 00") << before;
    QTest::newRow("MAX/MIN long press changes nothing") << Hex("57 00 00 04") << before;
    QTest::newRow("MEM long press changes nothing") << Hex("57 00 80 00") << before;
}

void TestMeterProtocol::settingCommands() {
    QFETCH(QByteArray, command);
    MeterModel m;
    FillMemory(m);
    MeterProtocol p(m);
    p.Receive(command, 0);
    QTEST(Summary(m), "expected");
    QCOMPARE(p.CommandLog().size(), 1);
    QCOMPARE(p.CommandLog().at(0).bytes, command);
}

void TestMeterProtocol::eraseShowsInStatus() {
    MeterModel m;
    FillMemory(m);
    MeterProtocol p(m);
    p.SetStreaming(false);
    qint64 t = 0;
    Exchange(p, t, Hex("57 00 00 02"), 300);
    Exchange(p, t, Hex("57 00 00 01"), 300);
    QCOMPARE(Exchange(p, t, "A", 20), Hex("02 00 20 00 00 FF 03"));
    QCOMPARE(Exchange(p, t, "R", 50), Hex("02 00 20 00 03"));
    QCOMPARE(Exchange(p, t, "Q", 50), Hex("02 00 03"));
    // Switching the unit twice comes back to where it was, and the packets say so.
    Exchange(p, t, Hex("57 04 00 00"), 300);
    QCOMPARE(m.Packet(0).at(1) & 0x04, 0);
    Exchange(p, t, Hex("57 04 00 00"), 300);
    QCOMPARE(m.Packet(0).at(1) & 0x04, 0x04);
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
    MeterModel m;
    MeterProtocol p(m);
    qint64 t = 0;
    for (const QByteArray& w : writes) {
        p.Receive(w, t);
        t += gapMs * kMs;
    }
    QFETCH(QList<QByteArray>, commands);
    QCOMPARE(p.ReceivedCommands(), QVector<QByteArray>(commands.begin(), commands.end()));
    QTEST(p.IgnoredBytes(), "ignored");
}

void TestMeterProtocol::streamCyclesChannels() {
    MeterModel m;
    MeterProtocol p(m);
    // One second at 19200 baud is 1920 bytes: 160 packets back to back.
    const QByteArray second = p.Produce(1000 * kMs);
    QCOMPARE(second.size(), 1920);
    const QList<int> channels = PacketChannels(second);
    QCOMPARE(channels.size(), 160);
    for (int i = 0; i < channels.size(); ++i)
        QCOMPARE(channels.at(i), i % 4);
    // Fast: whole packets, one every 2 ms.
    MeterModel fm;
    MeterProtocol fast(fm);
    fast.SetFast(true);
    QByteArray got;
    for (int ms = 0; ms < 20; ms += 2)
        got += fast.Produce(ms * kMs);
    QCOMPARE(got.size(), 10 * 12);
    QCOMPARE(PacketChannels(got), (QList<int>{0, 1, 2, 3, 0, 1, 2, 3, 0, 1}));
}

void TestMeterProtocol::silentMeter() {
    MeterModel m;
    MeterProtocol p(m);
    p.SetFast(true);
    p.SetSilent(true);
    qint64 t = 0;
    const QByteArray got = Exchange(p, t, QByteArray("A") + Hex("57 00 00 02"), 20);
    QVERIFY(!got.contains(m.StatusReply()));
    QVERIFY(!PacketChannels(got).isEmpty()); // the stream goes on
    QCOMPARE(p.CommandLog().size(), 2);      // both reached the meter, neither was answered
    QVERIFY(!p.CommandLog().at(0).answered);
    p.SetSilent(false);
    QVERIFY(Exchange(p, t, "A", 20).endsWith(m.StatusReply()));
}

void TestMeterProtocol::cutDump() {
    MeterModel m;
    FillMemory(m);
    MeterProtocol p(m);
    p.SetFast(true);
    p.SetStreaming(false);
    p.CutNextDump(10);
    qint64 t = 0;
    QCOMPARE(Exchange(p, t, "R", 100), m.AutomaticDump().left(10));
    // Only the next dump is cut.
    QCOMPARE(Exchange(p, t, "Q", 100), m.ManualDump());
    p.CutNextDump(0);
    QCOMPARE(Exchange(p, t, "Q", 100), QByteArray());
}

void TestMeterProtocol::garbageBetweenPackets() {
    MeterModel m;
    MeterProtocol p(m);
    p.SetGarbage(true);
    const QByteArray got = p.Produce(200 * kMs);
    const QList<int> channels = PacketChannels(got);
    QVERIFY(got.size() > channels.size() * 12); // there is junk
    QVERIFY(channels.size() >= 20);
    // Every packet still arrives whole and in turn.
    for (int i = 1; i < channels.size(); ++i)
        QCOMPARE(channels.at(i), (channels.at(i - 1) + 1) % 4);
}

void TestMeterProtocol::streamOffStillAnswers() {
    MeterModel m;
    MeterProtocol p(m);
    p.SetStreaming(false);
    qint64 t = 0;
    QCOMPARE(p.Produce(500 * kMs), QByteArray());
    t = 500 * kMs;
    QCOMPARE(Exchange(p, t, "A", 20), m.StatusReply());
    // Switched back on, the stream starts from now, not with a backlog of the silent time.
    t += 1000 * kMs;
    QCOMPARE(p.Produce(t), QByteArray());
    p.SetStreaming(true);
    const QByteArray got = p.Produce(t + 10 * kMs);
    QVERIFY(got.size() <= 20);
}

void TestMeterProtocol::unplugged() {
    MeterModel m;
    MeterProtocol p(m);
    p.SetPlugged(false, 0);
    p.Receive("A", 10 * kMs);
    QCOMPARE(p.Produce(500 * kMs), QByteArray());
    QVERIFY(p.CommandLog().isEmpty()); // nothing reached the meter
    p.SetPlugged(true, 500 * kMs);
    qint64 t = 600 * kMs;
    QVERIFY(Exchange(p, t, "A", 30).endsWith(m.StatusReply()));
}

void TestMeterProtocol::channelOverTime() {
    MeterModel m;
    m.Channel(0).heatPerMinute = 6;
    m.SetReading(0, 734);
    m.Channel(1).overEvery = 10;
    m.AdvanceTo(60000);
    QCOMPARE(m.CurrentReading(0), 740);
    QVERIFY(!m.CurrentlyOver(1));
    m.SetReading(0, 100); // a new reading restarts the rise
    QCOMPARE(m.CurrentReading(0), 100);
    m.AdvanceTo(69500);
    QCOMPARE(m.CurrentReading(0), 100 + 0); // 9.5 s at 6 tenths a minute: still under one tenth
    QVERIFY(m.CurrentlyOver(1));
    QCOMPARE(m.Packet(1).at(3) & 0x20, 0x20);
    // The clock runs from the moment it was set.
    m.SetClock(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)));
    m.AdvanceTo(70500);
    QCOMPARE(m.ClockReply(), Hex("02 1B 01 01 00 00 00 03"));
}

void TestMeterProtocol::deviceAnswersStatusQuery() {
    SimulatedMeterDevice device;
    device.SetFast(true);
    device.Model().manual.resize(2);
    QVERIFY(device.open(QIODevice::ReadWrite));
    QByteArray got;
    connect(&device, &QIODevice::readyRead, this, [&] { got += device.readAll(); });
    QTRY_VERIFY_WITH_TIMEOUT(PacketChannels(got).size() >= 4, 5000);
    QSignalSpy written(&device, &QIODevice::bytesWritten);
    got.clear();
    QCOMPARE(device.write("A"), qint64(1));
    QTRY_VERIFY_WITH_TIMEOUT(got.contains(Hex("02 00 20 00 02 FF 03")), 5000);
    QCOMPARE(written.size(), 1);
    // The key "C / F" through the device reaches the model.
    device.write(Hex("57 04 00 00"));
    QTRY_VERIFY_WITH_TIMEOUT(!device.Model().fahrenheit, 5000);
    QCOMPARE(device.Protocol().ReceivedCommands(), (QVector<QByteArray>{"A", Hex("57 04 00 00")}));
    // Unplugged, the device goes quiet.
    device.SetPlugged(false);
    got.clear();
    QVERIFY(!device.waitForReadyRead(100));
    QVERIFY(got.isEmpty());
}

QTEST_GUILESS_MAIN(TestMeterProtocol)
#include "tst_meter_protocol.moc"
