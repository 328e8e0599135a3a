// The meter link without a port: reading and packet decoding, Delay, and the exchanges against
// a scripted meter.
#include "link/delay.h"
#include "link/line_reader.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "link/reading_text.h"
#include "support/fake_clock.h"
#include "support/hex.h"
#include "support/scripted_device.h"

#include <QtTest>

namespace {

using Bytes = QByteArray;
const Bytes kClock = Hex("02 0D0808 0E0509 03"); // 2013/08/08 14:05:09
const Bytes kPacket = Hex("02 00 00 08 0049 04 00000000 03");
// 600.4 F: the high byte is STX, so the packet's last eight bytes look like a clock reply.
const Bytes kHot = Hex("02 00 03 08 0258 04 00000000 03");
// An offset of 0.3 on T1 ends the first eight bytes with ETX, every field in a clock's range.
const Bytes kOffset = Hex("02 00 03 08 0020 04 03000000 03");
const Bytes kSetFromPc = Hex("41 53 1A 0C 06 41 54 0A 00 00");

// A link to a scripted meter that answers "A" with a valid status and "X" with `clockReply`.
struct Rig {
    FakeClock clock;
    MeterTimers timers;
    LiveState live;
    MeterLink link{clock, timers, live};
    ScriptedDevice device;
    Bytes clockReply;
    Rig() {
        clock.step = 0.05;
        device.answer = [this](const Bytes& c) {
            return c == "A" ? Hex("02 002000 00 FF 03") : c == "X" ? clockReply : Bytes();
        };
        link.SetDevice(&device, QStringLiteral("COM3"));
        link.SetLinkLost(false);
    }
    void SetLimits(void (*set)(MeterLink::Limits&)) {
        MeterLink::Limits limits;
        set(limits);
        link.SetLimits(limits);
    }
};

} // namespace

class TestLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rawReading_data() {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("sign");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("tenths");
        const auto row = [](const char* name, int h, int l, int s, const char* text, int tenths) {
            QTest::newRow(name) << h << l << s << text << tenths;
        };
        row("-0.4 sent as integer 0 with sign", 0x00, 0x00, 0x84, "-0.4", -4);
        row("-0.0", 0x00, 0x00, 0x80, "-0.0", 0);
        row("-5.3", 0xFF, 0xFB, 0x83, "-5.3", -53);
        row("small integer with sign set", 0x00, 0x05, 0x82, "-0.2", -2);
        row("unused bits ignored", 0x00, 0x17, 0x74, "23.4", 234);
        row("largest positive", 0xFF, 0xFF, 0x09, "65535.9", 655359);
        row("tenths 10 is damaged", 0x00, 0x49, 0x0A, "- - -", 0);
        row("tenths 15, negative", 0xFF, 0xFB, 0x8F, "- - -", 0);
        row("tenths 12 above -1", 0x00, 0x00, 0x8C, "- - -", 0);
    }
    void rawReading() {
        QFETCH(int, high);
        QFETCH(int, low);
        QFETCH(int, sign);
        const RawReading r = DecodeRawReading(quint8(high), quint8(low), quint8(sign));
        QTEST(r.text, "text");
        QTEST(r.tenths, "tenths");
        QCOMPARE(r.valid, r.text != QStringLiteral("- - -"));
    }

    void celsiusText_data() {
        QTest::addColumn<int>("fahrenheit");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("text");
        QTest::newRow("73.4, offset -0.5") << 734 << -5 << "22.7";
        QTest::newRow("0.0 truncates toward zero") << 0 << 0 << "-17.7";
        // Exact results that floating point truncation gets one tenth low.
        QTest::newRow("212.0") << 2120 << 0 << "100.0";
        QTest::newRow("98.6") << 986 << 0 << "37.0";
        QTest::newRow("-40.0") << -400 << 0 << "-40.0";
        QTest::newRow("2498.0") << 24980 << 0 << "1370.0";
    }
    void celsiusText() {
        QFETCH(int, fahrenheit);
        QFETCH(int, offset);
        QTEST(TenthsText(CelsiusTenths(fahrenheit, offset)), "text");
    }

    void decode_data() {
        QTest::addColumn<Bytes>("packet");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QStringList>("texts"); // °F, °C
        QTest::addColumn<bool>("valid");
        const auto row = [](const char* name, const char* hex, int channel, QStringList texts,
                            bool valid) {
            QTest::newRow(name) << Hex(hex) << channel << texts << valid;
        };
        row("own offset -0.5", "02 03 00 08 0049 04 000000FB 03", 3, {"73.4", "22.7"}, true);
        row("other channel's offset ignored", "02 03 00 08 0049 04 FB000000 03", 3,
            {"73.4", "23.0"}, true);
        row("probe absent", "02 00 0A 00 0049 04 00000000 03", 0, {"73.4", "23.0"}, false);
        row("damaged tenths: no reading", "02 00 00 08 0049 0B 00000000 03", 0, {"", ""}, true);
    }
    void decode() {
        QFETCH(Bytes, packet);
        QFETCH(int, channel);
        LiveState live;
        live.DecodePacket(packet);
        QCOMPARE(live.CurrentChannel(), channel);
        const ChannelState& ch = live.Channel(channel);
        QTEST((QStringList{ch.ReadingFText, ch.ReadingCText}), "texts");
        QTEST(ch.ProbeValid, "valid");
        QCOMPARE(ch.ReadingF.has_value(), !ch.ReadingFText.isEmpty());
        QCOMPARE(ch.ReadingC.has_value(), !ch.ReadingCText.isEmpty());
    }

    void snapshotAndChanges() {
        LiveState live;
        live.ClearForResync();
        const Bytes four = Hex("02 02 02 08 0049 04 00000000 03"   // T3, type E
                               "02 03 03 08 0049 04 00000000 03"   // T4, type T
                               "02 00 00 08 0049 04 00000000 03"   // T1, type K
                               "02 01 01 00 0049 04 00000000 03"); // T2, type J, no probe
        QCOMPARE(live.DecodeSnapshot(four), (std::array<int, 4>{2, 3, 0, 1}));
        QVERIFY(!live.Channel(1).ProbeValid);
        // The remembered unit "X" makes the next packet a change, whatever it says.
        QVERIFY(live.ConfigurationChanged());
        live.RememberConfiguration();
        QVERIFY(!live.ConfigurationChanged());
        // °F, recording, status bit 7, over and under on T3; type code 13 keeps its type E.
        live.DecodePacket(Hex("02 C6 0D 68 0049 04 00000000 03"));
        QVERIFY(live.UnitF() && live.MeterRecording() && live.MeterStatus7());
        QVERIFY(live.Channel(2).OverRange && live.Channel(2).UnderRange);
        live.SetRangesFromType(2);
        QCOMPARE(live.Channel(2).TypeLetter, QStringLiteral("E"));
        QCOMPARE(live.Channel(2).UpperF, 14000);
        QVERIFY(live.ConfigurationChanged());
    }

    void lineInOrder_data() {
        // The line as it comes, the reply awaited (or none), and the frames taken from it:
        // "P" for a packet, the reply's bytes in hex otherwise. Each row is read whole and in
        // chunks of every size, so where a read happens to end changes nothing.
        QTest::addColumn<Bytes>("line");
        QTest::addColumn<int>("awaited"); // -1: none, else a ReplyShape::Kind
        QTest::addColumn<QStringList>("frames");
        const Bytes status = Hex("02 002000 03 FF 03");
        const Bytes shortReply = Hex("02 01 03");
        const auto row = [](const char* name, const Bytes& line, int awaited, QStringList frames) {
            QTest::newRow(name) << line << awaited << frames;
        };
        const int none = -1;
        const int st = int(ReplyShape::Kind::Status);
        const int clock = int(ReplyShape::Kind::Clock);
        const int three = int(ReplyShape::Kind::Short);
        row("stream only: every packet", kPacket + kHot + kOffset + kPacket, none,
            {"P", "P", "P", "P"});
        row("stray bytes before and between",
            Hex("55 03 02") + kPacket + kHot + Hex("AA 02") + kPacket + kHot, none,
            {"P", "P", "P", "P"});
        row("cut packet skipped", kPacket + kHot.left(7) + kPacket + kHot, none, {"P", "P", "P"});
        row("status between packets, stream goes on", kPacket + status + kHot + kPacket, st,
            {"P", "02002000 03ff03", "P", "P"});
        row("status at the end, stream paused", kHot + kPacket + status, st,
            {"P", "P", "02002000 03ff03"});
        row("a late status reply is not a packet", status + kPacket, none, {"P"});
        row("clock after a packet that ends like one", kOffset + kClock + kOffset, clock,
            {"P", "020d0808 0e0509 03", "P"});
        row("clock with month 13", kHot + Hex("02 0D0D08 0E0509 03") + kHot, clock,
            {"P", "020d0d08 0e0509 03", "P"});
        row("3-byte reply then a packet", shortReply + kHot, three, {"020103", "P"});
        // A T-type packet starts 02 xx 03: it is no 3-byte reply.
        row("packet of type T before the reply", kOffset + shortReply + kOffset, three,
            {"P", "020103", "P"});
    }
    void lineInOrder() {
        QFETCH(Bytes, line);
        QFETCH(int, awaited);
        const ReplyShape shape{ReplyShape::Kind(std::max(awaited, 0))};
        QFETCH(QStringList, frames);
        QStringList expected;
        for (const QString& f : frames)
            expected << QString(f).remove(' ');
        for (int chunk = 1; chunk <= line.size(); ++chunk) {
            LineReader reader;
            QStringList taken;
            const auto take = [&](bool quiet) {
                while (const auto frame = reader.Next(awaited < 0 ? nullptr : &shape, quiet))
                    taken << (frame->packet ? QStringLiteral("P") : QString(frame->bytes.toHex()));
            };
            for (int at = 0; at < line.size(); at += chunk) {
                reader.Append(line.mid(at, chunk));
                take(false);
            }
            take(true);
            QCOMPARE(taken, expected);
        }
    }

    void delayMidnightRule_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QList<double>>("readings");
        QTest::addColumn<int>("reads"); // the clock's answers up to the one that ends the wait
        QTest::newRow("2 s from 100.5 ends at the first reading >= 102.5")
            << 2.0 << QList<double>{100.5, 101.0, 102.49, 102.5, 200.0} << 4;
        QTest::newRow("0.02 s just before midnight ends at once")
            << 0.02 << QList<double>{86399.99, 86399.995} << 2;
        QTest::newRow("a negative wait reads the clock again") << -1.0 << QList<double>{50.0} << 2;
        QTest::newRow("ending just before midnight, read after it")
            << 0.02 << QList<double>{86399.97, 0.001, 0.5} << 2;
    }
    void delayMidnightRule() {
        QFETCH(double, seconds);
        QFETCH(QList<double>, readings);
        FakeClock clock;
        clock.readings = readings;
        Delay(seconds, clock);
        QTEST(clock.readCount, "reads");
    }

    void statusReply_data() {
        QTest::addColumn<QList<Bytes>>("replies");
        QTest::addColumn<QList<int>>("got"); // address, manual count, queries sent
        QTest::newRow("10-byte read, reply at the end")
            << QList<Bytes>{Hex("55AA01 02 002000 03 FF 03")} << QList<int>{8192, 3, 1};
        QTest::newRow("marker FE rejected, then valid")
            << QList<Bytes>{Hex("02 002000 03 FE 03"), Hex("02 012345 07 FF 03")}
            << QList<int>{0x012345, 7, 2};
        QTest::newRow("a live packet is not a status reply")
            << QList<Bytes>{kPacket, Hex("02 000000 00 FF 03")} << QList<int>{0, 0, 2};
        QTest::newRow("a reply broken by silence is no reply")
            << QList<Bytes>{Hex("020020"), Hex("0003FF03"), Hex("02 002100 01 FF 03")}
            << QList<int>{8448, 1, 3};
    }
    void statusReply() {
        QFETCH(QList<Bytes>, replies);
        Rig rig;
        int asked = 0;
        rig.device.answer = [&](const Bytes& c) {
            return c == "A" ? replies.value(asked++, replies.last()) : Bytes();
        };
        QVERIFY(rig.link.QueryStatus());
        QTEST((QList<int>{int(rig.link.MemoryAddress()), rig.link.ManualCount(), asked}), "got");
    }

    void silentMeterIsALostLink() {
        // The status query gives up after its attempts; the recovery shows "No COM" and keeps
        // asking until it is cancelled.
        Rig rig;
        rig.SetLimits([](MeterLink::Limits& l) { l.statusAttempts = 5; });
        int asked = 0;
        rig.device.answer = [&](const Bytes&) {
            if (++asked == 40)
                rig.link.Cancel();
            return Bytes();
        };
        QStringList captions;
        connect(&rig.link, &MeterLink::LinkCaptionChanged, this,
                [&](const QString& c) { captions << c; });
        QVERIFY(!rig.link.QueryStatus());
        QVERIFY(rig.link.LinkLost());
        QCOMPARE(captions.value(0), QStringLiteral("No COM"));
        QVERIFY(!captions.contains(QStringLiteral("COM3")));
        QCOMPARE(asked, 40);
    }

    void commandDuringPollIsNotALostLink() {
        // A command that held the line longer than the give-up time is not a silent meter.
        Rig rig;
        rig.SetLimits([](MeterLink::Limits& l) { l.streamGiveUpMs = 300; });
        QCOMPARE(rig.link.PollTick(), MeterLink::PollResult::Unchanged);
        {
            ExchangeGuard command(rig.timers);
            QTest::qWait(600);
        }
        rig.device.StartStream(kPacket);
        QCOMPARE(rig.link.PollTick(), MeterLink::PollResult::Unchanged);
        bool changed = false; // QTRY evaluates once more at the end: no second tick there
        QTRY_VERIFY(changed = changed || rig.link.PollTick() == MeterLink::PollResult::Changed);
        QCOMPARE(rig.live.Channel(0).ReadingFText, QStringLiteral("73.4"));
        QVERIFY(!rig.link.LinkLost());
    }

    void clockReply_data() {
        QTest::addColumn<Bytes>("read"); // what comes after "X"
        QTest::addColumn<Bytes>("reply");
        const Bytes noDate = Hex("02 000000 000000 03");
        QTest::newRow("tail of a packet before") << kHot.mid(5) + kClock + kHot << kClock;
        QTest::newRow("packet right after") << kClock + kHot << kClock;
        QTest::newRow("packets around") << kOffset + kClock + kHot + kHot << kClock;
        QTest::newRow("no date") << kHot + noDate + kHot << noDate;
        QTest::newRow("month 13 is a reply too")
            << Hex("02 0D0D08 0E0509 03") + kHot << Hex("02 0D0D08 0E0509 03");
        QTest::newRow("only packets") << kOffset + kHot << Bytes();
    }
    void clockReply() {
        QFETCH(Bytes, read);
        QFETCH(Bytes, reply);
        Rig rig;
        rig.clockReply = read;
        QCOMPARE(rig.link.QueryMeterClock(2.0).value_or(Bytes()), reply);
        if (!reply.isEmpty()) // the wait ended with the reply, 2 s of readings early
            QVERIFY(rig.clock.readCount < 10);
    }

    void resyncChecksClock_data() {
        QTest::addColumn<Bytes>("clock");
        // What the program wrote after "X", before the status query of the four packets: the
        // clock is checked first, so the readings are current when the link comes up.
        QTest::addColumn<Bytes>("sentAfter");
        QTest::newRow("clock set: left alone") << kClock << Bytes();
        QTest::newRow("no date: set from the PC") << Hex("02 000000 0E0509 03") << kSetFromPc;
        QTest::newRow("no day") << Hex("02 0D0800 0E0509 03") << kSetFromPc;
        QTest::newRow("month 13") << Hex("02 0D0D08 0E0509 03") << kSetFromPc;
        QTest::newRow("seconds byte with bit 7") << Hex("02 0D0808 0E0589 03") << kSetFromPc;
    }
    void resyncChecksClock() {
        // Inside a command's exchange, against a meter that streams around its clock reply; the
        // recovery's own pause must leave the timers to the command's.
        QFETCH(Bytes, clock);
        Rig rig;
        rig.device.quietMs = 300;
        rig.device.StartStream(kHot);
        rig.clockReply = kHot + clock + kHot;
        rig.timers.StartBoth();
        bool freshWhenLinked = true;
        {
            ExchangeGuard command(rig.timers, ExchangeGuard::Pause::Polling);
            QVERIFY(rig.link.Resync());
            const QDateTime linked = rig.clock.Now();
            for (int ch = 0; ch < 4; ++ch) // the channels of the four packets read
                freshWhenLinked &= !rig.live.Channel(ch).LastRead || rig.live.IsFresh(ch, linked);
            QVERIFY(!rig.link.LinkLost());
            QVERIFY(!rig.timers.PollingTimer().isActive() && rig.timers.ExchangeInProgress());
        }
        QVERIFY(rig.timers.PollingTimer().isActive() && rig.timers.SamplingTimer().isActive());
        QVERIFY(!rig.timers.ExchangeInProgress());
        const Bytes& written = rig.device.written;
        QFETCH(Bytes, sentAfter);
        QCOMPARE(written.mid(written.lastIndexOf('X') + 1), sentAfter + "A");
        QVERIFY(freshWhenLinked);
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
