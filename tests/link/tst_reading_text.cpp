#include "link/reading_text.h"
#include "link/thermocouple.h"

#include <QtTest>

class TestReadingText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void raw_data();
    void raw();
    void tenthsText_data();
    void tenthsText();
    void celsius_data();
    void celsius();
    void typeLetters();
};

void TestReadingText::raw_data() {
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("sign");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tenths");
    QTest::newRow("73.4") << 0x00 << 0x49 << 0x04 << "73.4" << 734;
    QTest::newRow("-0.4 sent as integer 0 with sign") << 0x00 << 0x00 << 0x84 << "-0.4" << -4;
    QTest::newRow("-0.0") << 0x00 << 0x00 << 0x80 << "-0.0" << 0;
    QTest::newRow("-5.3") << 0xFF << 0xFB << 0x83 << "-5.3" << -53;
    QTest::newRow("-12.3") << 0xFF << 0xF4 << 0x83 << "-12.3" << -123;
    QTest::newRow("unused bits ignored") << 0x00 << 0x17 << 0x74 << "23.4" << 234;
    QTest::newRow("largest positive") << 0xFF << 0xFF << 0x09 << "65535.9" << 655359;
    QTest::newRow("small integer with sign set") << 0x00 << 0x05 << 0x82 << "-0.2" << -2;
    QTest::newRow("tenths 10 is damaged") << 0x00 << 0x49 << 0x0A << "- - -" << 0;
    QTest::newRow("tenths 15, negative") << 0xFF << 0xFB << 0x8F << "- - -" << 0;
    QTest::newRow("tenths 12 below -1") << 0x00 << 0x00 << 0x8C << "- - -" << 0;
}

void TestReadingText::raw() {
    QFETCH(int, high);
    QFETCH(int, low);
    QFETCH(int, sign);
    const RawReading r = DecodeRawReading(quint8(high), quint8(low), quint8(sign));
    QTEST(r.text, "text");
    QTEST(r.tenths, "tenths");
    QCOMPARE(r.valid, r.text != QStringLiteral("- - -"));
}

void TestReadingText::tenthsText_data() {
    QTest::addColumn<int>("tenths");
    QTest::addColumn<QString>("text");
    QTest::newRow("234") << 234 << "23.4";
    QTest::newRow("5") << 5 << "0.5";
    QTest::newRow("0") << 0 << "0.0";
    QTest::newRow("-123") << -123 << "-12.3";
    QTest::newRow("-5 has no zero before the point") << -5 << "-.5";
    QTest::newRow("-15") << -15 << "-1.5";
    QTest::newRow("-177") << -177 << "-17.7";
}

void TestReadingText::tenthsText() {
    QFETCH(int, tenths);
    QTEST(TenthsText(tenths), "text");
}

void TestReadingText::celsius_data() {
    QTest::addColumn<int>("fahrenheit");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("celsius");
    QTest::newRow("73.4 F") << 734 << 0 << 230;
    QTest::newRow("73.4 F, offset -0.5") << 734 << -5 << 227;
    QTest::newRow("-0.4 F") << -4 << 0 << -180;
    QTest::newRow("33.0 F") << 330 << 0 << 5;
    QTest::newRow("0.0 F truncates toward zero") << 0 << 0 << -177;
    QTest::newRow("32.0 F") << 320 << 0 << 0;
    // Exact results that floating point truncation gets one tenth low.
    QTest::newRow("212.0 F") << 2120 << 0 << 1000;
    QTest::newRow("98.6 F") << 986 << 0 << 370;
    QTest::newRow("-40.0 F") << -400 << 0 << -400;
    QTest::newRow("2498.0 F") << 24980 << 0 << 13700;
}

void TestReadingText::celsius() {
    QFETCH(int, fahrenheit);
    QFETCH(int, offset);
    QTEST(CelsiusTenths(fahrenheit, offset), "celsius");
}

void TestReadingText::typeLetters() {
    QCOMPARE(TypeLetterOf(0), QStringLiteral("K"));
    QCOMPARE(TypeLetterOf(10), QStringLiteral("C"));
    QCOMPARE(TypeLetterOf(16 + 3), QStringLiteral("T"));
    QCOMPARE(TypeLetterOf(13), QString());
    QVERIFY(!TypeByCode(11));
    QCOMPARE(TypeByCode(3)->upperC, 400);
    QCOMPARE(WidestLower(false), -200);
    QCOMPARE(WidestUpper(true), 4190);
}

QTEST_APPLESS_MAIN(TestReadingText)
#include "tst_reading_text.moc"
