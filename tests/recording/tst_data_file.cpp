#include "recording/data_file.h"
#include "support/test_files.h"

#include <QBuffer>
#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

using Fields = QStringList;
using Lines = QList<QStringList>;
Q_DECLARE_METATYPE(DataFileEncoding)

namespace {

const QByteArray kHeadingC = "\xB0"
                             "C\tDate Time\tT1 - K\tT2 - K\tT3 - J\tT4 - J\t\r\n";
const Fields kHeadingFields{DegC, "Date Time", "T1 - K", "T2 - K", "T3 - J", "T4 - J"};

struct ReadBack {
    DataFileReadResult result;
    Lines lines;
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

ReadBack Read(const QString& path) {
    ReadBack back;
    back.result = ReadDataFile(path, [&](qint64, const DataFields& f) {
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
    void windows1252RoundTrip();
    void split_data();
    void split();
    void parse_data();
    void parse();
    void parseStopsWhenHandlerSaysSo();
    void streamLargeFile_data();
    void streamLargeFile();
    void writerReplacesAndRoundTrips();
    void openFailures_data();
    void openFailures();
    void continuationName_data();
    void continuationName();
    void dumpName();
};

void TestDataFile::lineBytes_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("replaced");
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
    int replaced = 0;
    QTEST(EncodeDataLine(ToFields(fields), &replaced), "bytes");
    QTEST(replaced, "replaced");
}

void TestDataFile::windows1252RoundTrip() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = DecodeWindows1252(all.constData(), all.size());
    // 0x81 is undefined in the code page and kept as itself.
    QCOMPARE(text.mid(0x80, 2), QStringLiteral("\u20AC\u0081"));
    int replaced = 0;
    QCOMPARE(EncodeWindows1252(text, &replaced), all);
    QCOMPARE(replaced, 0);
    // A control character whose byte holds a printable character in this code page has no byte.
    QCOMPARE(EncodeWindows1252(QStringLiteral("\u0080"), &replaced), QByteArray("?"));
    QCOMPARE(replaced, 1);
}

void TestDataFile::split_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("fields"); // joined by '|'; null: the line cannot be split
    const auto row = [](const char* name, const char* line, const char* fields) {
        QTest::newRow(name) << QString(line) << (fields ? QString(fields) : QString());
    };
    row("six fields, each with its TAB", "1\t14:05:09\t23.4\t- - -\tOver\tUnder\t",
        "1|14:05:09|23.4|- - -|Over|Under");
    row("three fields ending in a TAB repeat the last", "5\t14:05:09\t23.4\t",
        "5|14:05:09|23.4|23.4|23.4|23.4");
    row("a lone TAB", "\t", "|||||");
    row("more than six fields: the first six", "1\t2\t3\t4\t5\t6\t7\t8", "1|2|3|4|5|6");
    row("a TAB inside the logger's cell", "3\t14:05:09\t1.0\t\t\t2.0\t3.0\t",
        "3|14:05:09|1.0|||2.0");
    row("empty field in the middle then a TAB at the end", "a\t\tb\t", "a||b|b|b|b");
    row("six fields without the last TAB", "1\t2\t3\t4\t5\t6", nullptr);
    row("no TAB at all", "hello", nullptr);
    row("empty line", "", nullptr);
}

void TestDataFile::split() {
    QFETCH(QString, line);
    QFETCH(QString, fields);
    const bool ok = !fields.isNull();
    DataFields split;
    QCOMPARE(SplitDataLine(line, &split), ok);
    if (ok)
        QCOMPARE(ToList(split).join('|'), fields);

    // The file reader splits bytes, not text: it must follow the same rule.
    const ReadBack back = Parse(EncodeWindows1252(line) + "\r\n");
    QCOMPARE(std::make_pair(back.result.complete, back.result.stoppedAtLine),
             std::make_pair(ok, qint64(ok ? 0 : 1)));
    QCOMPARE(back.lines.value(0).join('|'), ok ? fields : QString());
}

void TestDataFile::parse_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("stoppedAtLine"); // 0: read to the end
    QTest::addColumn<DataFileEncoding>("encoding");
    QTest::addColumn<Lines>("lines");

    const Fields row1{"1", "2013/08/08 14:05:09", "23.4", "23.6", "- - -", "Over"};
    const Fields row2{"2", "2013/08/08 14:05:10", "-.5", "23.6", "- - -", "Under"};
    const QByteArray line1 = "1\t2013/08/08 14:05:09\t23.4\t23.6\t- - -\tOver\t\r\n";
    const QByteArray line2 = "2\t2013/08/08 14:05:10\t-.5\t23.6\t- - -\tUnder\t\r\n";
    const QByteArray utf8Heading = QByteArray(kHeadingC).replace("\xB0", "\xC2\xB0");
    const auto W = DataFileEncoding::Windows1252;
    const auto U = DataFileEncoding::Utf8;
    const Fields head = kHeadingFields;

    QTest::newRow("empty file") << QByteArray() << 0 << W << Lines{};
    QTest::newRow("heading only") << kHeadingC << 0 << W << Lines{head};
    QTest::newRow("heading and two records")
        << kHeadingC + line1 + line2 << 0 << W << Lines{head, row1, row2};
    QTest::newRow("no line end after the last line")
        << kHeadingC + line1.chopped(2) << 0 << W << Lines{head, row1};
    QTest::newRow("LF line ends") << QByteArray(kHeadingC + line1).replace("\r\n", "\n") << 0 << W
                                  << Lines{head, row1};
    QTest::newRow("stops at a line without TAB")
        << kHeadingC + line1 + "garbage\r\n" + line2 << 3 << W << Lines{head, row1};
    QTest::newRow("stops at six fields lacking the last TAB")
        << kHeadingC + "1\t2\t3\t4\t5\t6\r\n" + line1 << 2 << W << Lines{head};
    QTest::newRow("stops at an empty line") << kHeadingC + "\r\n" + line1 << 2 << W << Lines{head};
    QTest::newRow("an empty line at the end stops there too") << kHeadingC + line1 + "\r\n"
                                                              << 3 << W << Lines{head, row1};
    QTest::newRow("file cut half way through a line")
        << kHeadingC + line1 + line2.left(10) << 3 << W << Lines{head, row1};
    QTest::newRow("first line cannot be split")
        << QByteArray("no tabs here\r\n") + line1 << 1 << W << Lines{};
    QTest::newRow("UTF-8 without BOM") << utf8Heading + line1 << 0 << U << Lines{head, row1};
    QTest::newRow("UTF-8 with BOM")
        << "\xEF\xBB\xBF" + utf8Heading + line2 << 0 << U << Lines{head, row2};
    QTest::newRow("UTF-8 with BOM, ASCII only")
        << QByteArray("\xEF\xBB\xBF") + line1 << 0 << U << Lines{row1};
    QTest::newRow("invalid UTF-8 is Windows-1252")
        << kHeadingC + QByteArray("7\t\xE9\xC2\t\t\t\t\t\r\n") << 0 << W
        << Lines{head, {"7", QStringLiteral("\u00E9\u00C2"), "", "", "", ""}};
}

void TestDataFile::parse() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, stoppedAtLine);
    QFETCH(Lines, lines);
    const ReadBack back = Parse(bytes);
    QVERIFY(back.result.opened);
    QCOMPARE(std::make_pair(back.result.complete, back.result.stoppedAtLine),
             std::make_pair(stoppedAtLine == 0, qint64(stoppedAtLine)));
    QTEST(back.result.encoding, "encoding");
    QCOMPARE(back.result.linesRead, qint64(lines.size()));
    QCOMPARE(back.lines, lines);

    // Read as a stream, a line end can fall anywhere in the buffer, even between CR and LF.
    for (qsizetype bufferBytes = 48; bufferBytes <= 64; ++bufferBytes) {
        QBuffer device(&bytes);
        device.open(QIODevice::ReadOnly);
        Lines streamed;
        DataFields f;
        const DataFileReadResult r = ReadDataLines(
            device,
            [&](qint64, const DataFieldBytes& raw, DataFileEncoding encoding) {
                DecodeDataFields(raw, encoding, &f);
                streamed.append(ToList(f));
                return true;
            },
            bufferBytes);
        QCOMPARE(std::make_pair(r.complete, r.stoppedAtLine),
                 std::make_pair(stoppedAtLine == 0, qint64(stoppedAtLine)));
        QTEST(r.encoding, "encoding");
        QCOMPARE(streamed, lines);
    }
}

// The "Open" command stops reading when its list window is closed half way.
void TestDataFile::parseStopsWhenHandlerSaysSo() {
    int calls = 0;
    const DataFileReadResult r = ParseDataFile(
        QByteArray("a\t\r\n").repeated(5), [&](qint64, const DataFields&) { return ++calls < 2; });
    QCOMPARE(calls, 2);
    QVERIFY(r.cancelled);
    QVERIFY(!r.complete);
}

// A file of gigabytes chosen by mistake is read through a small buffer, never whole: reading
// stops at the first line that cannot be split without reading on.
void TestDataFile::streamLargeFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("stoppedAtLine");
    QTest::addColumn<int>("linesRead");
    QTest::addColumn<qint64>("bytesRead");

    const QByteArray line = "1\t2013/08/08 14:05:09\t23.4\t23.6\t- - -\tOver\t\r\n";
    const QByteArray lines = line.repeated(100000); // 4.5 MB
    QTest::newRow("whole lines to the end")
        << kHeadingC + lines << 0 << 100001 << qint64(kHeadingC.size() + lines.size());
    QTest::newRow("a bad line near the start")
        << kHeadingC + line + "garbage\r\n" + lines << 3 << 2 << qint64(4096);
    QTest::newRow("no line end at all") << QByteArray(5000000, 'x') << 1 << 0 << qint64(4096);
}

void TestDataFile::streamLargeFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, stoppedAtLine);
    QFETCH(int, linesRead);
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    const DataFileReadResult r = ReadDataLines(
        device, [](qint64, const DataFieldBytes&, DataFileEncoding) { return true; }, 4096);
    QCOMPARE(r.stoppedAtLine, qint64(stoppedAtLine));
    QCOMPARE(r.linesRead, qint64(linesRead));
    QTEST(device.pos(), "bytesRead");
}

void TestDataFile::writerReplacesAndRoundTrips() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.4ch"));
    QVERIFY(WriteFile(path, QByteArray(5000, 'x')));
    const DataFields heading = HeadingFields(DegF, {"K", "J", "", "B"});
    Lines expected{ToList(heading)};

    DataFileWriter writer;
    QVERIFY2(writer.Open(path), qPrintable(writer.ErrorText()));
    QVERIFY(writer.WriteLine(heading));
    // Written before Close: another reader of the file sees whole lines at once.
    QCOMPARE(FileBytes(path), QByteArray("\xB0"
                                         "F\tDate Time\tT1 - K\tT2 - J\tT3 - \tT4 - B\t\r\n"));
    const Fields values{"23.4", "-.5", "- - -", "Over", "Under", "0.0", "-17.7", "2498.0"};
    const QDateTime start(QDate(2013, 8, 8), QTime(23, 59, 58));
    for (int n = 1; n <= values.size(); ++n) {
        const auto v = [&](int k) { return values[(n + k) % values.size()]; };
        const DataFields record =
            RecordFields(n, DateTimeText(start.addSecs(n)), {v(-1), v(0), v(1), v(2)});
        expected.append(ToList(record));
        QVERIFY(writer.WriteLine(record));
    }
    // Table saves write their lines in blocks; they must read back the same way.
    QVERIFY(writer.WriteLines({ToFields(expected[1]), ToFields(expected[2])}));
    expected << expected[1] << expected[2];
    QCOMPARE(writer.LinesWritten(), qint64(expected.size()));
    QVERIFY2(writer.Close(), qPrintable(writer.ErrorText()));

    const ReadBack back = Read(path);
    QVERIFY(back.result.complete);
    QCOMPARE(back.lines, expected);
    QCOMPARE(back.lines[2][1], QStringLiteral("2013/08/09 00:00:00"));
}

void TestDataFile::openFailures_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing folder") << QStringLiteral("/nonexistent-folder/run.4ch");
    QTest::newRow("a folder") << QDir::tempPath();
}

void TestDataFile::openFailures() {
    QFETCH(QString, path);
    const ReadBack back = Read(path);
    QVERIFY(!back.result.opened && !back.result.complete && back.lines.isEmpty());
    QVERIFY(!back.result.error.isEmpty());

    DataFileWriter writer;
    QVERIFY(!writer.Open(path));
    QVERIFY2(writer.ErrorText().contains(path), qPrintable(writer.ErrorText()));
    QVERIFY(!writer.IsOpen() && !writer.WriteLine(DataFields{}));
}

void TestDataFile::continuationName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("name");
    QTest::newRow("dot in a Windows folder")
        << "C:\\my.data\\run.4ch" << 1 << "C:\\my.data\\run-1.4ch";
    QTest::newRow("dot in a folder, no extension") << "dir.v2/run" << 1 << "dir.v2/run-1";
    QTest::newRow("current folder") << "./run.4ch" << 1 << "./run-1.4ch";
    QTest::newRow("parent folder") << "../run.4ch" << 12 << "../run-12.4ch";
    QTest::newRow("mixed separators") << "C:/a.b\\c/run.4ch" << 1 << "C:/a.b\\c/run-1.4ch";
}

void TestDataFile::continuationName() {
    QFETCH(QString, path);
    QFETCH(int, n);
    QTEST(ContinuationFileName(path, n), "name");
}

void TestDataFile::dumpName() {
    QCOMPARE(DumpFileName(QDateTime(QDate(2013, 8, 8), QTime(14, 5, 9))) + " " +
                 DumpFileName(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59))),
             QStringLiteral("0808140509.4ch 1231235959.4ch"));
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_data_file.moc"
