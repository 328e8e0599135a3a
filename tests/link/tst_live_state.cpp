#include "link/live_state.h"

#include <QtTest>

namespace {

QByteArray Packet(int status, int type, int flags, int high, int low, int sign,
                  QByteArray offsets = QByteArray(4, '\0')) {
    QByteArray p;
    p += char(0x02);
    p += char(status);
    p += char(type);
    p += char(flags);
    p += char(high);
    p += char(low);
    p += char(sign);
    p += offsets;
    p += char(0x03);
    return p;
}

} // namespace

class TestLiveState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decode_data();
    void decode();
    void unknownTypeKeepsLetterAndRanges();
    void statusBits();
    void snapshotAndChangeDetection();
};

void TestLiveState::decode_data() {
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("fText");
    QTest::addColumn<QString>("cText");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("letter");

    QTest::newRow("T2 type K 73.4") << Packet(0x01, 0x00, 0x08, 0x00, 0x49, 0x04) << 1 << "73.4"
                                    << "23.0" << true << "K";
    QTest::newRow("negative below one") << Packet(0x00, 0x03, 0x08, 0x00, 0x00, 0x84) << 0 << "-0.4"
                                        << "-18.0" << true << "T";
    QTest::newRow("-5.3") << Packet(0x02, 0x01, 0x08, 0xFF, 0xFB, 0x83) << 2 << "-5.3"
                          << "-20.7" << true << "J";
    QTest::newRow("offset -0.5 on own channel")
        << Packet(0x03, 0x00, 0x08, 0x00, 0x49, 0x04, QByteArray::fromHex("000000FB")) << 3
        << "73.4"
        << "22.7" << true << "K";
    QTest::newRow("offset of another channel ignored")
        << Packet(0x03, 0x00, 0x08, 0x00, 0x49, 0x04, QByteArray::fromHex("FB000000")) << 3
        << "73.4"
        << "23.0" << true << "K";
    QTest::newRow("C text -.5") << Packet(0x00, 0x00, 0x08, 0x00, 0x1F, 0x01) << 0 << "31.1"
                                << "-.5" << true << "K";
    QTest::newRow("probe absent") << Packet(0x00, 0x0A, 0x00, 0x00, 0x49, 0x04) << 0 << "73.4"
                                  << "23.0" << false << "C";
    QTest::newRow("damaged tenths: no reading")
        << Packet(0x00, 0x00, 0x08, 0x00, 0x49, 0x0B) << 0 << ""
        << "" << true << "K";
    QTest::newRow("exact 100.0 C") << Packet(0x01, 0x00, 0x08, 0x00, 0xD4, 0x00) << 1 << "212.0"
                                   << "100.0" << true << "K";
}

void TestLiveState::decode() {
    QFETCH(QByteArray, packet);
    QFETCH(int, channel);
    LiveState live;
    QVERIFY(IsFramedPacket(packet));
    live.DecodePacket(packet);
    QCOMPARE(live.CurrentChannel, channel);
    const ChannelState& ch = live.Channels[size_t(channel)];
    QTEST(ch.ReadingFText, "fText");
    QTEST(ch.ReadingCText, "cText");
    QTEST(ch.ProbeValid, "valid");
    QTEST(ch.TypeLetter, "letter");
    QCOMPARE(ch.ReadingF.has_value(), !ch.ReadingFText.isEmpty());
    QCOMPARE(ch.ReadingC.has_value(), !ch.ReadingCText.isEmpty());
}

void TestLiveState::unknownTypeKeepsLetterAndRanges() {
    LiveState live;
    live.DecodePacket(Packet(0x00, 0x03, 0x08, 0x00, 0x49, 0x04));
    live.SetRangesFromType(0);
    live.DecodePacket(Packet(0x00, 0x0D, 0x08, 0x00, 0x49, 0x04));
    live.SetRangesFromType(0);
    QCOMPARE(live.Channels[0].TypeLetter, QStringLiteral("T"));
    QCOMPARE(live.Channels[0].TypeCode, 13);
    QCOMPARE(live.Channels[0].UpperC, 4000);
    QCOMPARE(live.Channels[0].AlarmMinF, -3280);
}

void TestLiveState::statusBits() {
    LiveState live;
    live.DecodePacket(Packet(0xC4, 0x00, 0x08 | 0x20 | 0x40 | 0x03, 0x00, 0x49, 0x04));
    QVERIFY(live.UnitF);
    QCOMPARE(live.UnitText, QStringLiteral("°F"));
    QVERIFY(live.MeterRecording);
    QVERIFY(live.MeterStatus7);
    QCOMPARE(live.ModeText, QStringLiteral("Max-Min"));
    QVERIFY(live.Channels[0].OverRange);
    QVERIFY(live.Channels[0].UnderRange);
}

void TestLiveState::snapshotAndChangeDetection() {
    LiveState live;
    live.ClearForResync();
    QByteArray four;
    for (int ch : {2, 3, 0, 1})
        four += Packet(ch, ch, ch == 3 ? 0x00 : 0x08, 0x00, 0x49, 0x04);
    const auto order = live.DecodeSnapshot(four);
    QCOMPARE(order, (std::array<int, 4>{2, 3, 0, 1}));
    QCOMPARE(live.Channels[2].TypeLetter, QStringLiteral("E"));
    QCOMPARE(live.Channels[2].UpperF, 14000);
    QVERIFY(!live.Channels[3].ProbeValid);
    // The remembered unit "X" makes the next packet a change, whatever it says.
    QVERIFY(live.ConfigurationChanged());
    live.RememberConfiguration();
    QVERIFY(!live.ConfigurationChanged());
    live.DecodePacket(Packet(0x04 | 0x00, 0x00, 0x08, 0x00, 0x49, 0x04));
    QVERIFY(live.ConfigurationChanged()); // unit switched to F
    live.RememberConfiguration();
    live.DecodePacket(Packet(0x04 | 0x03, 0x03, 0x08, 0x00, 0x49, 0x04));
    QVERIFY(live.ConfigurationChanged()); // probe plugged into T4
}

QTEST_APPLESS_MAIN(TestLiveState)
#include "tst_live_state.moc"
