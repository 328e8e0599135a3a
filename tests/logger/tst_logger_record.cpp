#include "logger/logger_record.h"

#include <QtTest>

class TestLoggerRecord : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void channelCount_data();
    void channelCount();
    void flags();
    void setValue_data();
    void setValue();
    void manualValue_data();
    void manualValue();
    void channelTexts_data();
    void channelTexts();
    void dateTime_data();
    void dateTime();
};

void TestLoggerRecord::channelCount_data() {
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("count"); // -1: no value
    QTest::newRow("0 records nothing") << 0 << -1;
    for (int mask : {1, 2, 4, 8})
        QTest::addRow("%d", mask) << mask << 1;
    for (int mask : {3, 5, 6, 9, 10, 12})
        QTest::addRow("%d", mask) << mask << 2;
    for (int mask : {7, 11, 13, 14})
        QTest::addRow("%d", mask) << mask << 3;
    QTest::newRow("15") << 15 << 4;
    QTest::newRow("16 is no mask") << 16 << -1;
    QTest::newRow("31 is no mask") << 31 << -1;
    QTest::newRow("negative") << -1 << -1;
}

void TestLoggerRecord::channelCount() {
    QFETCH(int, mask);
    QFETCH(int, count);
    QCOMPARE(ChannelCount(mask).value_or(-1), count);
}

void TestLoggerRecord::flags() {
    using Flags = std::array<bool, 4>;
    QCOMPARE(DecodeValidBits(0x05), (Flags{true, false, true, false}));
    QCOMPARE(DecodeValidBits(0xF8), (Flags{false, false, false, true}));
    const RangeFlags r = DecodeOverUnderBits(0x21); // T1 over, T2 under
    QCOMPARE(r.over, (Flags{true, false, false, false}));
    QCOMPARE(r.under, (Flags{false, true, false, false}));
    const RangeFlags all = DecodeOverUnderBits(0xFF);
    QCOMPARE(all.over, (Flags{true, true, true, true}));
    QCOMPARE(all.under, (Flags{true, true, true, true}));
}

void TestLoggerRecord::setValue_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("c");
    QTest::addColumn<QString>("f");
    const auto b = [](const char* hex) { return QByteArray::fromHex(hex); };
    // Sets recorded in °F keep the meter's text and ignore the offset.
    QTest::newRow("F 23.4") << b("001704") << true << 0 << "-4.7"
                            << "23.4";
    QTest::newRow("F 33.0 is 0.5 C") << b("002100") << true << 0 << "0.5"
                                     << "33.0";
    QTest::newRow("F 0.0 is -17.7 C") << b("000000") << true << 0 << "-17.7"
                                      << "0.0";
    QTest::newRow("F -0.5 sent as 0 with sign") << b("000085") << true << 0 << "-18.0"
                                                << "-0.5";
    QTest::newRow("F -1.5") << b("FFFF85") << true << 0 << "-18.6"
                            << "-1.5";
    QTest::newRow("F offset not applied") << b("004904") << true << -5 << "23.0"
                                          << "73.4";
    // Sets recorded in °C: offset out before the conversion, back after; °F from the °C text.
    QTest::newRow("C 32.0 offset 0") << b("002000") << false << 0 << "0.0"
                                     << "32.0";
    QTest::newRow("C 73.4 offset -0.5") << b("004904") << false << -5 << "22.7"
                                        << "72.8";
    QTest::newRow("C 31.1 gives -.5") << b("001F01") << false << 0 << "-.5"
                                      << "31.1";
    QTest::newRow("C offset -5.6") << b("003200") << false << -56 << "7.5"
                                   << "45.5";
    QTest::newRow("C offset 12.7") << b("003200") << false << 127 << "15.6"
                                   << "60.0";
    QTest::newRow("C -40 both ways") << b("FFD880") << false << 0 << "-40.0"
                                     << "-40.0";
    QTest::newRow("C 0.1 round trip truncates") << b("000001") << false << 0 << "-17.7"
                                                << "0.1";
    QTest::newRow("C -0.1 truncates toward zero") << b("000081") << false << 0 << "-17.8"
                                                  << "0.0";
}

void TestLoggerRecord::setValue() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, fahrenheit);
    QFETCH(int, offset);
    const ValueTexts t =
        DecodeSetValue(quint8(bytes[0]), quint8(bytes[1]), quint8(bytes[2]), fahrenheit, offset);
    QTEST(t.c, "c");
    QTEST(t.f, "f");
}

void TestLoggerRecord::manualValue_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("c");
    QTest::addColumn<QString>("f");
    const auto b = [](const char* hex) { return QByteArray::fromHex(hex); };
    QTest::newRow("73.4 offset -0.5") << b("004904") << -5 << "22.7"
                                      << "73.4";
    QTest::newRow("73.4 offset 0") << b("004904") << 0 << "23.0"
                                   << "73.4";
    QTest::newRow("-0.5") << b("000085") << 0 << "-18.0"
                          << "-0.5";
    QTest::newRow("31.1 gives -.5") << b("001F01") << 0 << "-.5"
                                    << "31.1";
    QTest::newRow("offset 12.7") << b("003200") << 127 << "15.6"
                                 << "50.0";
}

void TestLoggerRecord::manualValue() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, offset);
    const ValueTexts t =
        DecodeManualValue(quint8(bytes[0]), quint8(bytes[1]), quint8(bytes[2]), offset);
    QTEST(t.c, "c");
    QTEST(t.f, "f");
}

void TestLoggerRecord::channelTexts_data() {
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("over");
    QTest::addColumn<bool>("under");
    QTest::addColumn<QString>("text");
    QTest::newRow("no reading beats over") << false << true << true << "- - -";
    QTest::newRow("over") << true << true << false << "Over";
    QTest::newRow("over beats under") << true << true << true << "Over";
    QTest::newRow("under") << true << false << true << "Under";
    QTest::newRow("value") << true << false << false << "value";
}

void TestLoggerRecord::channelTexts() {
    QFETCH(bool, valid);
    QFETCH(bool, over);
    QFETCH(bool, under);
    bool decoded = false;
    const ValueTexts t = ChannelTexts(valid, over, under, [&] {
        decoded = true;
        return ValueTexts{QStringLiteral("value"), QStringLiteral("value")};
    });
    QTEST(t.c, "text");
    QTEST(t.f, "text");
    QCOMPARE(decoded, t.c == QLatin1String("value"));
}

void TestLoggerRecord::dateTime_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const auto b = [](std::initializer_list<int> v) {
        QByteArray a;
        for (int x : v)
            a.append(char(x));
        return a;
    };
    QTest::newRow("plain") << b({13, 8, 8, 14, 5, 9}) << "2013/08/08 14:05:09";
    QTest::newRow("month 0 shows 01") << b({13, 0, 8, 14, 5, 9}) << "2013/01/08 14:05:09";
    QTest::newRow("day 0 shows 01") << b({13, 8, 0, 14, 5, 9}) << "2013/08/01 14:05:09";
    QTest::newRow("midnight stays 00") << b({0, 1, 1, 0, 0, 0}) << "2000/01/01 00:00:00";
    QTest::newRow("last year") << b({99, 12, 31, 23, 59, 59}) << "2099/12/31 23:59:59";
    QTest::newRow("time not corrected") << b({24, 2, 30, 24, 60, 61}) << "2024/02/30 24:60:61";
    QTest::newRow("damaged byte widens") << b({123, 8, 8, 14, 5, 255}) << "20123/08/08 14:05:255";
}

void TestLoggerRecord::dateTime() {
    QFETCH(QByteArray, bytes);
    LoggerDateTime d;
    for (int i = 0; i < 6; ++i)
        d[size_t(i)] = quint8(bytes[i]);
    QTEST(LoggerDateTimeText(d), "text");
}

QTEST_GUILESS_MAIN(TestLoggerRecord)
#include "tst_logger_record.moc"
