// Runs read from data files and logger sets, lined up and compared with a reference: the
// table's cells as a user reads them, and the band's events while recording.

#include "compare/band_watch.h"
#include "compare/compare_options.h"
#include "compare/run_loading.h"
#include "link/reading_text.h"
#include "logger/logger_set.h"
#include "recording/sampler.h"
#include "support/test_files.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// A data file of T1 readings: "seconds:text ..." from 2013/08/08 14:05:00; T2 to T4 blank.
QByteArray T1File(const QString& samples,
                  const char* unit = "\xB0"
                                     "C",
                  int firstRecord = 1) {
    QByteArray bytes = QByteArray(unit) + "\tDate Time\tT1 - K\tT2 - K\tT3 - K\tT4 - K\t\r\n";
    const qint64 start = *CalendarSeconds(QStringLiteral("2013/08/08 14:05:00"));
    int record = firstRecord;
    for (const QString& sample : samples.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qint64 t = sample.section(QLatin1Char(':'), 0, 0).toLongLong();
        const QString value = sample.section(QLatin1Char(':'), 1).replace(QLatin1Char('_'), ' ');
        bytes += QByteArray::number(record++) + '\t' + CalendarText(start + t).toLatin1() + '\t' +
                 value.toLatin1() + "\t \t \t \t\r\n";
    }
    return bytes;
}

std::shared_ptr<const Run> T1Run(const QTemporaryDir& dir, const QString& name,
                                 const QString& samples) {
    const QString path = dir.filePath(name);
    WriteFile(path, T1File(samples));
    RunLoad load = LoadRunFile(path);
    if (!load.run)
        qWarning("%s", qPrintable(load.error));
    return load.run ? std::make_shared<const Run>(*load.run) : nullptr;
}

} // namespace

class TestCompare : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void table_data();
    void table();
    void badInput_data();
    void badInput();
    void files_data();
    void files();
    void loggerSet();
    void bandEvents_data();
    void bandEvents();

private:
    QTemporaryDir dir_;
};

void TestCompare::table_data() {
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("run");
    QTest::addColumn<QString>("align");
    QTest::addColumn<int>("shift"); // tenths of a second, by hand
    QTest::addColumn<QString>("band");
    // The run's cells after its name and start: aligned at .. verdict.
    QTest::addColumn<QString>("cells");
    const QString flat = QStringLiteral("0:20.0 1:20.0 2:20.0 3:20.0 4:20.0");
    QTest::newRow("start, same times") << "0:20.0 1:21.0 2:22.0"
                                       << "0:20.5 1:21.0 2:21.5"
                                       << "start" << 0 << "0.5"
                                       << "0.0|0.5|0.5|0.3|0|pass";
    QTest::newRow("just past the edge") << "0:20.0 1:21.0 2:22.0"
                                        << "0:20.5 1:21.0 2:21.4"
                                        << "start" << 0 << "0.5"
                                        << "0.0|0.5|0.6|0.4|1|fail";
    QTest::newRow("asymmetric band") << "0:20.0 1:21.0 2:22.0"
                                     << "0:20.5 1:21.0 2:21.4"
                                     << "start" << 0 << "+0.4/-0.6"
                                     << "0.0|0.5|0.6|0.4|1|fail";
    // Between the run's samples every 4 s: 20.25, 20.5, 20.75 at the reference's seconds.
    QTest::newRow("interpolated across intervals") << flat << "0:20.0 4:21.0"
                                                   << "start" << 0 << "1"
                                                   << "0.0|1.0|0.0|0.5|0|pass";
    // 0, 0.05 and 0.1 above: the mean 0.05 is a tie, rounded away from zero.
    QTest::newRow("tie rounded away from zero") << "0:0.0 1:0.0 2:0.0"
                                                << "0:0.0 2:0.1"
                                                << "start" << 0 << "1"
                                                << "0.0|0.1|0.0|0.1|0|pass";
    QTest::newRow("tie below zero") << "0:0.0 1:0.0 2:0.0"
                                    << "0:0.0 2:-.1"
                                    << "start" << 0 << "1"
                                    << "0.0|0.0|0.1|0.1|0|pass";
    // Over, Under, - - - and a blank are gaps: nothing compared there or across them.
    QTest::newRow("gaps") << flat << "0:20.0 1:Over 2:23.0 3:-_-_- 4:20.0"
                          << "start" << 0 << "1"
                          << "0.0|3.0|0.0|1.0|1|fail";
    QTest::newRow("gaps in the reference")
        << "0:20.0 1:Under 2:20.0 3:_ 4:20.0" << flat << "start" << 0 << "1"
        << "0.0|0.0|0.0|0.0|0|pass";
    // The reference reaches 100 at 5 s (interpolated), the run exactly at its sample at 10 s.
    QTest::newRow("rising crossing") << "0:90.0 10:110.0 20:120.0"
                                     << "0:80.0 10:100.0 20:120.0"
                                     << "T1>=100" << 0 << "1"
                                     << "10.0|0.0|0.0|0.0|0|pass";
    QTest::newRow("falling crossing, interpolated to a tenth of a second")
        << "0:60.0 3:40.0"
        << "0:58.0 1:52.0 2:46.0 3:40.0"
        << "T1<=50" << 0 << "1"
        << "1.3|1.2|0.0|1.2|3|fail";
    QTest::newRow("crossing after a gap is the sample's own time")
        << "0:80.0 10:120.0"
        << "0:80.0 5:Over 10:120.0 20:120.0"
        << "T1>=100" << 0 << "1"
        << "10.0|0.0|0.0|0.0|0|pass";
    QTest::newRow("by hand") << flat << "0:19.0 1:20.0 2:20.0 3:20.0 4:20.0 5:20.0"
                             << "start" << 10 << "0.5"
                             << "1.0|0.0|0.0|0.0|0|pass";
    QTest::newRow("nothing in common fails") << flat << "0:20.0 1:20.0"
                                             << "start" << 50 << "1"
                                             << "5.0||||0|fail";
    QTest::newRow("no band, no verdict") << flat << "0:20.0 4:21.0"
                                         << "start" << 0 << ""
                                         << "0.0|1.0|0.0|0.5||";
}

void TestCompare::table() {
    QFETCH(QString, reference);
    QFETCH(QString, run);
    QFETCH(QString, align);
    QFETCH(int, shift);
    QFETCH(QString, band);
    CompareSettings settings;
    QString error;
    settings.alignment = *ParseAlignment(align, &error);
    if (!band.isEmpty())
        settings.band = ParseBand(band, &error);
    const Comparison comparison({T1Run(dir_, "ref.4ch", reference), T1Run(dir_, "run.4ch", run)},
                                settings, {0, shift});
    QVERIFY2(comparison.Ok(), qPrintable(comparison.Error()));
    const std::array<QString, 8> cells = comparison.TableCells(1);
    QCOMPARE(cells[0], QStringLiteral("run.4ch"));
    QCOMPARE(cells[1], QStringLiteral("2013/08/08 14:05:00"));
    QTEST(QStringList(cells.begin() + 2, cells.end()).join(QLatin1Char('|')), "cells");
    // The reference against itself.
    QCOMPARE(comparison.Results()[0].maxAbove, std::optional<int>(0));
}

void TestCompare::badInput_data() {
    QTest::addColumn<QString>("run");
    QTest::addColumn<QString>("channel");
    QTest::addColumn<QString>("align");
    QTest::addColumn<QString>("band");
    QTest::addColumn<QString>("error");
    const auto row = [](const char* name, const char* run, const char* channel, const char* align,
                        const char* band, const char* error) {
        QTest::newRow(name) << QString(run) << QString(channel) << QString(align) << QString(band)
                            << QString(error);
    };
    row("no crossing", "0:20.0 1:90.0", "T1", "T1>=100", "1",
        "run.4ch: T1 never rises to 100.0 °C");
    row("never falls", "0:20.0 1:90.0", "T1", "T1<=-5.5", "1",
        "ref.4ch: T1 never falls to -5.5 °C");
    row("run without the channel", "0:20.0 1:90.0", "T2", "start", "1",
        "ref.4ch has no readings on T2");
    row("unknown channel", "0:20.0", "T5", "start", "1",
        "there is no channel 'T5'; the channels are T1 to T4");
    row("band of zero", "0:20.0", "T1", "start", "+2/-0",
        "the band '+2/-0' is zero or less; it must be wider than 0");
    row("band not a number", "0:20.0", "T1", "start", "2,5",
        "the band '2,5' is not D or +D1/-D2 in degrees with at most one decimal");
}

void TestCompare::badInput() {
    QFETCH(QString, run);
    QFETCH(QString, channel);
    QFETCH(QString, align);
    QFETCH(QString, band);
    QString error;
    CompareSettings settings;
    const std::optional<int> ch = ParseChannel(channel, &error);
    const std::optional<Band> b = ParseBand(band, &error);
    if (ch && b) {
        settings.channel = *ch;
        settings.band = b;
        settings.alignment = *ParseAlignment(align, &error);
        const Comparison comparison(
            {T1Run(dir_, "ref.4ch", "0:90.0 1:110.0"), T1Run(dir_, "run.4ch", run)}, settings);
        error = comparison.Error();
    }
    QTEST(error, "error");
}

// Files as the reader takes them: a recording with continuation files is one run.
void TestCompare::files_data() {
    QTest::addColumn<QList<QByteArray>>("contents"); // run.4ch, run-3.4ch, run-4.4ch, run-1.4ch
    QTest::addColumn<int>("samples");
    QTest::addColumn<QString>("t1F"); // T1 in °F at each sample
    QTest::addColumn<QString>("error");
    using L = QList<QByteArray>;
    const QByteArray one = T1File("0:20.0 1:21.0");
    // Continued in run-3 (after another recording used 1 and 2), then run-4; run-1 is from
    // an older recording.
    QTest::newRow("continuation files") << L{one,
                                             T1File("2:-.5",
                                                    "\xB0"
                                                    "C",
                                                    3),
                                             T1File("3:Over",
                                                    "\xB0"
                                                    "C",
                                                    4),
                                             T1File("9:30.0",
                                                    "\xB0"
                                                    "C",
                                                    3)}
                                        << 4 << "68.0 69.8 31.1 gap"
                                        << "";
    QTest::newRow("another heading continues nothing") << L{one, T1File("2:22.0",
                                                                        "\xB0"
                                                                        "F",
                                                                        3)}
                                                       << 2 << "68.0 69.8"
                                                       << "";
    QTest::newRow("not a data file") << L{"Hello\r\n"} << 0 << ""
                                     << "run.4ch is not a data file: its first line is not a "
                                        "heading of six fields";
    QTest::newRow("times go back")
        << L{T1File("5:20.0 2:21.0")} << 0 << ""
        << "run.4ch, line 3: 2013/08/08 14:05:02 is earlier than the line before; a run's times "
           "must not go back";
    QTest::newRow("damaged line") << L{one + "3\t2013/08/08 14:05:02\t1\r\n"} << 0 << ""
                                  << "run.4ch, line 4: the line is not a record of six fields";
}

void TestCompare::files() {
    QFETCH(QList<QByteArray>, contents);
    QTemporaryDir dir;
    const char* const names[] = {"run.4ch", "run-3.4ch", "run-4.4ch", "run-1.4ch"};
    for (int i = 0; i < contents.size(); ++i)
        WriteFile(dir.filePath(QLatin1String(names[i])), contents[i]);
    RunLoad load = LoadRunFile(dir.filePath("run.4ch"));
    QTEST(load.error.replace(QDir::toNativeSeparators(dir.path() + "/"), QString()), "error");
    QTEST(int(load.run ? load.run->Count() : 0), "samples");
    QStringList t1;
    for (qsizetype i = 0; load.run && i < load.run->Count(); ++i) {
        const std::optional<int> f = load.run->Tenths(0, i, true);
        t1 << (f ? OneDecimalText(*f) : QStringLiteral("gap"));
    }
    QTEST(t1.join(' '), "t1F");
}

// A set's run holds the readings the data list shows, in both units.
void TestCompare::loggerSet() {
    // °C, T1 and T3, offset -0.5 on T3; records: values, - - - on T1, Over on T3, Under on T1.
    QByteArray bytes = QByteArray::fromHex("0055AA0005000000000000FB000D0808173B3A0A000004");
    bytes += QByteArray::fromHex("0F00"
                                 "004A04"
                                 "003F08");
    bytes += QByteArray::fromHex("0E00"
                                 "004A04"
                                 "FFFF85");
    bytes += QByteArray::fromHex("0F04"
                                 "004A04"
                                 "000085");
    bytes += QByteArray::fromHex("0F10"
                                 "000005"
                                 "00200F");
    const LoggedSet set = SplitSets(bytes).sets.value(0);
    RunLoad load = RunFromSet(set);
    QVERIFY(load.run);
    QCOMPARE(load.run->StartText(), QStringLiteral("2013/08/08 23:59:58"));
    QCOMPARE(load.run->Time(3), qint64(30)); // over midnight at 10 s a record
    const QVector<DataListRow> rows = DecodeSetRows(set);
    for (int r = 0; r < 4; ++r) {
        for (int n = 0; n < 4; ++n) {
            for (const bool f : {false, true}) {
                const std::optional<int> v = load.run->Tenths(n, r, f);
                const QString shown = (f ? rows[r].f : rows[r].c)[size_t(n)];
                QCOMPARE(v ? TenthsText(*v) : QStringLiteral("gap"),
                         ReadingTenths(shown) ? shown : QStringLiteral("gap"));
            }
        }
    }
}

// Live samples against a reference of 100.0 °C (rising from 90.0 at 0 s to 110.0 at 20 s,
// flat after), ±2.0: the events and their limits.
void TestCompare::bandEvents_data() {
    QTest::addColumn<QString>("align");
    QTest::addColumn<QString>("live"); // one T1 text a second
    QTest::addColumn<QString>("events");
    QTest::newRow("at the start") << "start"
                                  << "90.0 93.1 93.0 Over 80.0 93.0"
                                  << "band-out 93.1 93.0|band-in 93.0 94.0|band-out 80.0 92.0|"
                                     "band-in 93.0 93.0";
    QTest::newRow("edge is inside") << "start"
                                    << "92.0 89.0"
                                    << "";
    QTest::newRow("at the crossing") << "T1>=100"
                                     << "20.0 60.0 99.0 101.0 105.0 101.0"
                                     << "band-out 105.0 103.5|band-in 101.0 104.5";
}

void TestCompare::bandEvents() {
    QFETCH(QString, align);
    QFETCH(QString, live);
    QString error;
    BandWatch watch(T1Run(dir_, "ref.4ch", "0:90.0 20:110.0 60:110.0"), 0, Band{20, 20},
                    *ParseAlignment(align, &error));
    QStringList events;
    const qint64 start = *CalendarSeconds(QStringLiteral("2026/12/31 23:59:58"));
    int t = 0;
    for (const QString& text : live.split(' ')) {
        SampleRecord record;
        record.TimeText = CalendarText(start + t++);
        record.TextC[0] = text;
        for (const AlarmEvent& e : watch.Sample(record, false, QDateTime()))
            events << QStringList{AlarmEventName(e.kind), e.value, e.limit}.join(' ');
    }
    QTEST(events.join('|'), "events");
}

QTEST_GUILESS_MAIN(TestCompare)
#include "tst_compare.moc"
