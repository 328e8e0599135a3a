#include "logger/logger_record.h"

#include <QtTest>

class TestLoggerRecord : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void value_data();
    void value();
    void dateTime_data();
    void dateTime();
};

void TestLoggerRecord::value_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind"); // 0 set in °C, 1 set in °F, 2 manual entry
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("c");
    QTest::addColumn<QString>("f");
    const auto b = [](const char* hex) { return QByteArray::fromHex(hex); };
    // Sets recorded in °F keep the meter's text and ignore the offset.
    QTest::newRow("F 23.4") << b("001704") << 1 << 0 << "-4.7"
                            << "23.4";
    QTest::newRow("F 33.0 is 0.5 C") << b("002100") << 1 << 0 << "0.5"
                                     << "33.0";
    QTest::newRow("F 0.0 is -17.7 C") << b("000000") << 1 << 0 << "-17.7"
                                      << "0.0";
    QTest::newRow("F -0.5 sent as 0 with sign") << b("000085") << 1 << 0 << "-18.0"
                                                << "-0.5";
    QTest::newRow("F -1.5") << b("FFFF85") << 1 << 0 << "-18.6"
                            << "-1.5";
    QTest::newRow("F offset not applied") << b("004904") << 1 << -5 << "23.0"
                                          << "73.4";
    // Sets recorded in °C: offset out before the conversion, back after; °F from the °C text.
    QTest::newRow("C 32.0 offset 0") << b("002000") << 0 << 0 << "0.0"
                                     << "32.0";
    QTest::newRow("C 73.4 offset -0.5") << b("004904") << 0 << -5 << "22.7"
                                        << "72.8";
    QTest::newRow("C 31.1 gives -.5") << b("001F01") << 0 << 0 << "-.5"
                                      << "31.1";
    QTest::newRow("C offset -5.6") << b("003200") << 0 << -56 << "7.5"
                                   << "45.5";
    QTest::newRow("C -40 both ways") << b("FFD880") << 0 << 0 << "-40.0"
                                     << "-40.0";
    QTest::newRow("C -0.1 truncates toward zero") << b("000081") << 0 << 0 << "-17.8"
                                                  << "0.0";
    // Manual entries: the raw °F text whatever the unit; °C as for a set in °C.
    QTest::newRow("manual 73.4 offset -0.5") << b("004904") << 2 << -5 << "22.7"
                                             << "73.4";
    QTest::newRow("manual -0.5") << b("000085") << 2 << 0 << "-18.0"
                                 << "-0.5";
    QTest::newRow("manual offset 12.7") << b("003200") << 2 << 127 << "15.6"
                                        << "50.0";
}

void TestLoggerRecord::value() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QFETCH(int, offset);
    const quint8 h = quint8(bytes[0]), lo = quint8(bytes[1]), t = quint8(bytes[2]);
    const ValueTexts texts = kind == 2 ? DecodeManualValue(h, lo, t, offset)
                                       : DecodeSetValue(h, lo, t, kind == 1, offset);
    QTEST(texts.c, "c");
    QTEST(texts.f, "f");
}

void TestLoggerRecord::dateTime_data() {
    QTest::addColumn<QList<int>>("bytes");
    QTest::addColumn<QString>("text");
    using L = QList<int>;
    QTest::newRow("plain") << L{13, 8, 8, 14, 5, 9} << "2013/08/08 14:05:09";
    QTest::newRow("month 0 shows 01") << L{13, 0, 8, 14, 5, 9} << "2013/01/08 14:05:09";
    QTest::newRow("day 0 shows 01") << L{13, 8, 0, 14, 5, 9} << "2013/08/01 14:05:09";
    QTest::newRow("time not corrected") << L{24, 2, 30, 24, 60, 61} << "2024/02/30 24:60:61";
    QTest::newRow("damaged byte widens") << L{123, 8, 8, 14, 5, 255} << "20123/08/08 14:05:255";
}

void TestLoggerRecord::dateTime() {
    QFETCH(QList<int>, bytes);
    LoggerDateTime d;
    for (int i = 0; i < 6; ++i)
        d[size_t(i)] = quint8(bytes[i]);
    QTEST(LoggerDateTimeText(d), "text");
}

QTEST_GUILESS_MAIN(TestLoggerRecord)
#include "tst_logger_record.moc"
