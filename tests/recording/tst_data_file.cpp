#include "recording/data_file.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

using Fields = QStringList;
Q_DECLARE_METATYPE(DataFileEncoding)

namespace {

const QString Deg = QStringLiteral("\u00B0");

DataFields ToFields(const QStringList& list) {
    DataFields f;
    for (int k = 0; k < 6; ++k)
        f[size_t(k)] = list.value(k);
    return f;
}

QStringList ToList(const DataFields& f) {
    return QStringList(f.begin(), f.end());
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}

struct ReadBack {
    DataFileReadResult result;
    QList<QStringList> lines;
};

ReadBack Parse(const QByteArray& bytes) {
    ReadBack back;
    back.result = ParseDataFile(bytes, [&](qint64 lineNumber, const DataFields& f) {
        if (lineNumber != back.lines.size() + 1)
            return false; // numbering is part of what is checked
        back.lines.append(ToList(f));
        return true;
    });
    return back;
}

} // namespace

class TestDataFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lineBytes_data();
    void lineBytes();
    void lineFields();
    void windows1252_data();
    void windows1252();
    void windows1252WholeRangeRoundTrips();
    void split_data();
    void split();
    void parse_data();
    void parse();
    void parseStopsWhenHandlerSaysSo();
    void writerRoundTrip_data();
    void writerRoundTrip();
    void writerBytesAndReplace();
    void writerReportsFailures();
    void readerReportsMissingFile();
    void continuationName_data();
    void continuationName();
    void dumpName();
};

void TestDataFile::lineBytes_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("replaced");
    QTest::newRow("heading in degrees C")
        << Fields{Deg + "C", "Date Time", "T1 - K", "T2 - K", "T3 - J", "T4 - J"}
        << QByteArray("\xB0"
                      "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n")
        << 0;
    QTest::newRow("record with no probe and over range")
        << Fields{"1", "2013/08/08 14:05:09", "23.4", "23.6", "- - -", "Over"}
        << QByteArray("1\t2013/08/08 14:05:09\t23.4\t23.6\t- - -\tOver\t\r\n") << 0;
    QTest::newRow("minus one half and under range")
        << Fields{"320001", "2013/08/08 14:05:10", "-.5", "Under", "-12.3", "0.0"}
        << QByteArray("320001\t2013/08/08 14:05:10\t-.5\tUnder\t-12.3\t0.0\t\r\n") << 0;
    QTest::newRow("empty fields keep their TABs")
        << Fields{"", "", "", "", "", ""} << QByteArray("\t\t\t\t\t\t\r\n") << 0;
    QTest::newRow("a TAB inside a field is written unchanged")
        << Fields{"3", "2013/08/08 14:05:09", "1.0", "\t", "2.0", "3.0"}
        << QByteArray("3\t2013/08/08 14:05:09\t1.0\t\t\t2.0\t3.0\t\r\n") << 0;
    QTest::newRow("code page characters above 0x7F")
        << Fields{QStringLiteral("\u20AC\u2122\u00FF\u0178"), "", "", "", "", ""}
        << QByteArray("\x80\x99\xFF\x9F\t\t\t\t\t\t\r\n") << 0;
    QTest::newRow("characters outside the code page become ?")
        << Fields{QStringLiteral("\u03A9x"), QString::fromUtf8("\xF0\x9F\x98\x80"), "", "", "", ""}
        << QByteArray("?x\t?\t\t\t\t\t\r\n") << 2;
    QTest::newRow("CR and LF inside a field cannot split the line")
        << Fields{"a\r\nb", "c\rd", "", "", "", ""} << QByteArray("a  b\tc d\t\t\t\t\t\r\n") << 0;
}

void TestDataFile::lineBytes() {
    QFETCH(QStringList, fields);
    QFETCH(QByteArray, bytes);
    int replaced = 0;
    QCOMPARE(EncodeDataLine(ToFields(fields), &replaced), bytes);
    QTEST(replaced, "replaced");
}

void TestDataFile::lineFields() {
    const DataFields heading = HeadingFields(
        Deg + "F", {QStringLiteral("K"), QStringLiteral("J"), QString(), QStringLiteral("C")});
    QCOMPARE(ToList(heading),
             (Fields{Deg + "F", "Date Time", "T1 - K", "T2 - J", "T3 - ", "T4 - C"}));

    QCOMPARE(DateTimeText(QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9))),
             QStringLiteral("2013/08/08 14:05:09"));
    QCOMPARE(DateTimeText(QDateTime(QDate(2024, 1, 2), QTime(0, 0, 0))),
             QStringLiteral("2024/01/02 00:00:00"));
    QCOMPARE(DateTimeText(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59))),
             QStringLiteral("2024/12/31 23:59:59"));

    const DataFields record = RecordFields(640001, QStringLiteral("2013/08/08 14:05:09"),
                                           {QStringLiteral("-.5"), QStringLiteral("- - -"),
                                            QStringLiteral("Over"), QStringLiteral("Under")});
    QCOMPARE(ToList(record),
             (Fields{"640001", "2013/08/08 14:05:09", "-.5", "- - -", "Over", "Under"}));
}

void TestDataFile::windows1252_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");
    QTest::newRow("degree sign") << 0xB0 << 0x00B0;
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("trade mark") << 0x99 << 0x2122;
    QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
    QTest::newRow("undefined 0x81") << 0x81 << 0x0081;
    QTest::newRow("undefined 0x9D") << 0x9D << 0x009D;
    QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
}

void TestDataFile::windows1252() {
    QFETCH(int, byte);
    QFETCH(int, unicode);
    const char b = char(byte);
    QCOMPARE(DecodeWindows1252(&b, 1), QString(QChar(char16_t(unicode))));
    QCOMPARE(EncodeWindows1252(QString(QChar(char16_t(unicode)))), QByteArray(1, b));
}

void TestDataFile::windows1252WholeRangeRoundTrips() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    int replaced = 0;
    QCOMPARE(EncodeWindows1252(DecodeWindows1252(all.constData(), all.size()), &replaced), all);
    QCOMPARE(replaced, 0);
    // A control character whose byte holds a printable character in this code page has no byte.
    QCOMPARE(EncodeWindows1252(QStringLiteral("\u0080"), &replaced), QByteArray("?"));
    QCOMPARE(replaced, 1);
}

void TestDataFile::split_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("six fields, each with its TAB")
        << "1\t2013/08/08 14:05:09\t23.4\t23.6\t- - -\tOver\t" << true
        << Fields{"1", "2013/08/08 14:05:09", "23.4", "23.6", "- - -", "Over"};
    QTest::newRow("three fields ending in a TAB repeat the last")
        << "5\t2013/08/08 14:05:09\t23.4\t" << true
        << Fields{"5", "2013/08/08 14:05:09", "23.4", "23.4", "23.4", "23.4"};
    QTest::newRow("five fields ending in a TAB")
        << "a\tb\tc\td\te\t" << true << Fields{"a", "b", "c", "d", "e", "e"};
    QTest::newRow("one field ending in a TAB")
        << "x\t" << true << Fields{"x", "x", "x", "x", "x", "x"};
    QTest::newRow("a lone TAB") << "\t" << true << Fields{"", "", "", "", "", ""};
    QTest::newRow("more than six fields: the first six")
        << "1\t2\t3\t4\t5\t6\t7\t8" << true << Fields{"1", "2", "3", "4", "5", "6"};
    QTest::newRow("seventh field without TAB is ignored")
        << "1\t2\t3\t4\t5\t6\tjunk" << true << Fields{"1", "2", "3", "4", "5", "6"};
    QTest::newRow("a TAB inside the logger's cell")
        << "3\t2013/08/08 14:05:09\t1.0\t\t\t2.0\t3.0\t" << true
        << Fields{"3", "2013/08/08 14:05:09", "1.0", "", "", "2.0"};
    QTest::newRow("empty field in the middle then a TAB at the end")
        << "a\t\tb\t" << true << Fields{"a", "", "b", "b", "b", "b"};
    QTest::newRow("six fields without the last TAB") << "1\t2\t3\t4\t5\t6" << false << Fields{};
    QTest::newRow("five fields without the last TAB") << "1\t2\t3\t4\t5" << false << Fields{};
    QTest::newRow("no TAB at all") << "hello" << false << Fields{};
    QTest::newRow("empty line") << "" << false << Fields{};
}

void TestDataFile::split() {
    QFETCH(QString, line);
    DataFields fields;
    const bool ok = SplitDataLine(line, &fields);
    QTEST(ok, "ok");
    if (ok)
        QTEST(ToList(fields), "fields");

    // The file reader splits bytes, not text: it must follow the same rule.
    const ReadBack back = Parse(EncodeWindows1252(line) + "\r\n");
    QCOMPARE(back.result.complete, ok);
    QCOMPARE(back.result.stoppedAtLine, qint64(ok ? 0 : 1));
    if (ok)
        QTEST(back.lines.value(0), "fields");
}

void TestDataFile::parse_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("stoppedAtLine");
    QTest::addColumn<DataFileEncoding>("encoding");
    QTest::addColumn<QList<QStringList>>("lines");

    const QStringList headingC{Deg + "C", "Date Time", "T1 - K", "T2 - K", "T3 - J", "T4 - J"};
    const QStringList row1{"1", "2013/08/08 14:05:09", "23.4", "23.6", "- - -", "Over"};
    const QStringList row2{"2", "2013/08/08 14:05:10", "-.5", "23.6", "- - -", "Under"};
    const QByteArray heading = "\xB0"
                               "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n";
    const QByteArray line1 = "1\t2013/08/08 14:05:09\t23.4\t23.6\t- - -\tOver\t\r\n";
    const QByteArray line2 = "2\t2013/08/08 14:05:10\t-.5\t23.6\t- - -\tUnder\t\r\n";
    const auto W = DataFileEncoding::Windows1252;
    const auto U = DataFileEncoding::Utf8;

    QTest::newRow("empty file") << QByteArray() << true << 0 << W << QList<QStringList>{};
    QTest::newRow("heading only") << heading << true << 0 << W << QList<QStringList>{headingC};
    QTest::newRow("heading and two records")
        << heading + line1 + line2 << true << 0 << W << QList<QStringList>{headingC, row1, row2};
    QTest::newRow("no line end after the last line")
        << heading + line1.chopped(2) << true << 0 << W << QList<QStringList>{headingC, row1};
    QTest::newRow("LF line ends") << QByteArray(heading + line1).replace("\r\n", "\n") << true << 0
                                  << W << QList<QStringList>{headingC, row1};
    QTest::newRow("stops at a line without TAB") << heading + line1 + "garbage\r\n" + line2 << false
                                                 << 3 << W << QList<QStringList>{headingC, row1};
    QTest::newRow("stops at six fields lacking the last TAB")
        << heading + "1\t2\t3\t4\t5\t6\r\n" + line1 << false << 2 << W
        << QList<QStringList>{headingC};
    QTest::newRow("stops at an empty line")
        << heading + "\r\n" + line1 << false << 2 << W << QList<QStringList>{headingC};
    QTest::newRow("an empty line at the end stops there too")
        << heading + line1 + "\r\n"
        << false << 3 << W << QList<QStringList>{headingC, row1};
    QTest::newRow("file cut half way through a line")
        << heading + line1 + line2.left(10) << false << 3 << W
        << QList<QStringList>{headingC, row1};
    QTest::newRow("first line cannot be split")
        << QByteArray("no tabs here\r\n") + line1 << false << 1 << W << QList<QStringList>{};
    QTest::newRow("UTF-8 without BOM") << QByteArray(heading).replace("\xB0", "\xC2\xB0") + line1
                                       << true << 0 << U << QList<QStringList>{headingC, row1};
    QTest::newRow("UTF-8 with BOM")
        << "\xEF\xBB\xBF" + QByteArray(heading).replace("\xB0", "\xC2\xB0") + line2 << true << 0
        << U << QList<QStringList>{headingC, row2};
    QTest::newRow("UTF-8 with BOM, ASCII only")
        << QByteArray("\xEF\xBB\xBF") + line1 << true << 0 << U << QList<QStringList>{row1};
    QTest::newRow("invalid UTF-8 is Windows-1252")
        << heading + QByteArray("7\t\xE9\xC2\t\t\t\t\t\r\n") << true << 0 << W
        << QList<QStringList>{headingC, {"7", QStringLiteral("\u00E9\u00C2"), "", "", "", ""}};
}

void TestDataFile::parse() {
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QStringList>, lines);
    const ReadBack back = Parse(bytes);
    QVERIFY(back.result.opened);
    QTEST(back.result.complete, "complete");
    QTEST(int(back.result.stoppedAtLine), "stoppedAtLine");
    QTEST(back.result.encoding, "encoding");
    QCOMPARE(back.result.linesRead, qint64(lines.size()));
    QCOMPARE(back.lines, lines);
}

void TestDataFile::parseStopsWhenHandlerSaysSo() {
    const QByteArray bytes = QByteArray("a\t\r\n").repeated(5);
    int calls = 0;
    const DataFileReadResult r =
        ParseDataFile(bytes, [&](qint64, const DataFields&) { return ++calls < 2; });
    QCOMPARE(calls, 2);
    QVERIFY(r.cancelled);
    QVERIFY(!r.complete);
    QCOMPARE(r.stoppedAtLine, qint64(0));
}

void TestDataFile::writerRoundTrip_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("degrees C, every kind of reading")
        << Deg + "C" << Fields{"23.4", "-.5", "- - -", "Over", "Under", "0.0", "-17.7", "1370.0"};
    QTest::newRow("degrees F") << Deg + "F" << Fields{"73.4", "-0.4", "2498.0", "- - -"};
    QTest::newRow("no probes") << Deg + "C" << Fields{"- - -", "- - -", "- - -", "- - -"};
}

void TestDataFile::writerRoundTrip() {
    QFETCH(QString, unit);
    QFETCH(QStringList, values);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.4ch"));
    const DataFields heading = HeadingFields(
        unit, {QStringLiteral("K"), QStringLiteral("J"), QStringLiteral("T"), QStringLiteral("B")});
    QList<QStringList> expected{ToList(heading)};

    DataFileWriter writer;
    QVERIFY2(writer.Open(path), qPrintable(writer.ErrorText()));
    QVERIFY(writer.WriteLine(heading));
    const QDateTime start(QDate(2013, 8, 8), QTime(23, 59, 58));
    for (int n = 1; n <= values.size(); ++n) {
        const DataFields record =
            RecordFields(n, DateTimeText(start.addSecs(n)),
                         {values[n - 1], values[n % values.size()], values[(n + 1) % values.size()],
                          values[(n + 2) % values.size()]});
        expected.append(ToList(record));
        QVERIFY(writer.WriteLine(record));
    }
    // Table saves write their lines in blocks; they must read back the same way.
    QVERIFY(writer.WriteLines({ToFields(expected[1]), ToFields(expected[2])}));
    expected << expected[1] << expected[2];
    QCOMPARE(writer.LinesWritten(), qint64(expected.size()));
    QVERIFY2(writer.Close(), qPrintable(writer.ErrorText()));

    ReadBack back;
    back.result = ReadDataFile(path, [&](qint64, const DataFields& f) {
        back.lines.append(ToList(f));
        return true;
    });
    QVERIFY(back.result.complete);
    QCOMPARE(back.lines, expected);
    QCOMPARE(back.lines[2][1], QStringLiteral("2013/08/09 00:00:00"));
}

void TestDataFile::writerBytesAndReplace() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bytes.4ch"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(5000, 'x'));
    }
    DataFileWriter writer;
    QVERIFY(writer.Open(path));
    QVERIFY(writer.WriteLine(HeadingFields(Deg + "F", {QStringLiteral("K"), QStringLiteral("K"),
                                                       QStringLiteral("J"), QStringLiteral("J")})));
    // Written before Close: another reader of the file sees whole lines at once.
    QCOMPARE(FileBytes(path), QByteArray("\xB0"
                                         "F\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n"));
    QVERIFY(writer.WriteLine(RecordFields(1, QStringLiteral("2013/08/08 14:05:09"),
                                          {QStringLiteral("-.5"), QStringLiteral("Over"),
                                           QStringLiteral("Under"), QStringLiteral("- - -")})));
    QVERIFY(writer.Close());
    QVERIFY(!writer.IsOpen());
    QCOMPARE(FileBytes(path), QByteArray("\xB0"
                                         "F\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n"
                                         "1\t2013/08/08 14:05:09\t-.5\tOver\tUnder\t- - -\t\r\n"));
    QCOMPARE(writer.ReplacedCharacters(), 0);
}

void TestDataFile::writerReportsFailures() {
    DataFileWriter writer;
    QVERIFY(!writer.WriteLine(DataFields{}));
    QVERIFY(!writer.ErrorText().isEmpty());

    QVERIFY(!writer.Open(QStringLiteral("/nonexistent-folder/run.4ch")));
    QVERIFY(writer.ErrorText().contains(QStringLiteral("run.4ch")));
    QVERIFY(!writer.IsOpen());

    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    QVERIFY2(writer.Open(QStringLiteral("/dev/full")), qPrintable(writer.ErrorText()));
    QVERIFY(!writer.WriteLine(DataFields{}));
    QVERIFY2(writer.ErrorText().contains(QStringLiteral("space"), Qt::CaseInsensitive),
             qPrintable(writer.ErrorText()));
    QCOMPARE(writer.LinesWritten(), qint64(0));
    QVERIFY(!writer.WriteLines({DataFields{}, DataFields{}}));
    QVERIFY(writer.IsOpen()); // the next sample may try again
    writer.Close();
}

void TestDataFile::readerReportsMissingFile() {
    int calls = 0;
    const DataFileReadResult r =
        ReadDataFile(QStringLiteral("/nonexistent-folder/run.4ch"), [&](qint64, const DataFields&) {
            ++calls;
            return true;
        });
    QVERIFY(!r.opened);
    QVERIFY(!r.complete);
    QVERIFY(!r.error.isEmpty());
    QCOMPARE(calls, 0);

    QTemporaryDir dir;
    const DataFileReadResult folder = ReadDataFile(dir.path(), [&](qint64, const DataFields&) {
        ++calls;
        return true;
    });
    QVERIFY(!folder.opened);
    QCOMPARE(calls, 0);
    DataFileWriter writer;
    QVERIFY(!writer.Open(dir.path()));
    QVERIFY(!writer.ErrorText().isEmpty());
}

void TestDataFile::continuationName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("name");
    QTest::newRow("Windows path") << "C:\\data\\run.4ch" << 1 << "C:\\data\\run-1.4ch";
    QTest::newRow("second continuation") << "C:\\data\\run.4ch" << 2 << "C:\\data\\run-2.4ch";
    QTest::newRow("no extension") << "C:\\data\\run" << 1 << "C:\\data\\run-1";
    QTest::newRow("bare name without dot") << "run" << 3 << "run-3";
    QTest::newRow("dot in a Windows folder")
        << "C:\\my.data\\run.4ch" << 1 << "C:\\my.data\\run-1.4ch";
    QTest::newRow("dot in a folder") << "dir.v2/run.4ch" << 1 << "dir.v2/run-1.4ch";
    QTest::newRow("dot in a folder, no extension") << "dir.v2/run" << 1 << "dir.v2/run-1";
    QTest::newRow("current folder") << "./run.4ch" << 1 << "./run-1.4ch";
    QTest::newRow("parent folder") << "../run.4ch" << 12 << "../run-12.4ch";
    QTest::newRow("hidden folder") << "/home/u/.local/run.4ch" << 1 << "/home/u/.local/run-1.4ch";
    QTest::newRow("two dots in the name") << "run.final.4ch" << 1 << "run-1.final.4ch";
    QTest::newRow("mixed separators") << "C:/a.b\\c/run.4ch" << 1 << "C:/a.b\\c/run-1.4ch";
}

void TestDataFile::continuationName() {
    QFETCH(QString, path);
    QFETCH(int, n);
    QTEST(ContinuationFileName(path, n), "name");
}

void TestDataFile::dumpName() {
    QCOMPARE(DumpFileName(QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9))),
             QStringLiteral("0808140509.4ch"));
    QCOMPARE(DumpFileName(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59))),
             QStringLiteral("1231235959.4ch"));
    QCOMPARE(DumpFileName(QDateTime(QDate(2024, 1, 2), QTime(0, 0, 0))),
             QStringLiteral("0102000000.4ch"));
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_data_file.moc"
