#include "sim/meter_scenario.h"

#include "link/thermocouple.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

constexpr int kMaxRecords = 0xFFFFFF;
constexpr int kLowestTenths = -32767 * 10 - 9;
constexpr int kHighestTenths = 32767 * 10 + 9;

// One line's words, read front to back; the first failure leaves its message in error.
class Words {
public:
    explicit Words(QStringList words)
        : words_(std::move(words)) {}

    bool AtEnd() const { return pos_ >= words_.size(); }
    void Back() { --pos_; }
    QString error;

    bool Next(QString& word, const char* what) {
        if (AtEnd())
            return Fail(QStringLiteral("missing %1").arg(QLatin1String(what)));
        word = words_.at(pos_++);
        return true;
    }

    bool Fail(const QString& message) {
        if (error.isEmpty())
            error = message;
        return false;
    }

    bool Int(int& value, const char* what, int lowest, int highest) {
        QString w;
        if (!Next(w, what))
            return false;
        bool ok = false;
        int v = 0;
        if (w.startsWith(QLatin1String("0b")))
            v = w.mid(2).toInt(&ok, 2);
        else if (w.startsWith(QLatin1String("0x")))
            v = w.mid(2).toInt(&ok, 16);
        else
            v = w.toInt(&ok, 10);
        if (!ok)
            return Fail(QStringLiteral("%1 is not a number: %2").arg(QLatin1String(what), w));
        if (v < lowest || v > highest)
            return Fail(QStringLiteral("%1 %2 is outside %3..%4")
                            .arg(QLatin1String(what))
                            .arg(v)
                            .arg(lowest)
                            .arg(highest));
        value = v;
        return true;
    }

    bool OnOff(bool& value, const char* what) {
        QString w;
        if (!Next(w, what))
            return false;
        if (w == QLatin1String("on") || w == QLatin1String("off")) {
            value = w == QLatin1String("on");
            return true;
        }
        return Fail(QStringLiteral("%1 must be on or off: %2").arg(QLatin1String(what), w));
    }

    bool Unit(bool& fahrenheit) {
        QString w;
        if (!Next(w, "unit"))
            return false;
        if (w.compare(QLatin1String("F"), Qt::CaseInsensitive) == 0 ||
            w.compare(QLatin1String("C"), Qt::CaseInsensitive) == 0) {
            fahrenheit = w.compare(QLatin1String("F"), Qt::CaseInsensitive) == 0;
            return true;
        }
        return Fail(QStringLiteral("unit must be C or F: %1").arg(w));
    }

    bool Type(const QString& w, int& code) {
        for (int c = 0; c <= 10; ++c) {
            if (w.compare(QLatin1String(TypeByCode(c)->letter), Qt::CaseInsensitive) == 0) {
                code = c;
                return true;
            }
        }
        bool ok = false;
        const int v = w.toInt(&ok);
        if (ok && v >= 0 && v <= 15) {
            code = v;
            return true;
        }
        return Fail(QStringLiteral("unknown thermocouple type: %1").arg(w));
    }

    bool Offset(const QString& w, int& offset) {
        bool ok = false;
        const int v = w.toInt(&ok);
        if (!ok || v < -128 || v > 127)
            return Fail(QStringLiteral("offset must be -128..127 tenths: %1").arg(w));
        offset = v;
        return true;
    }

    // A word of four comma-separated entries, one per channel, each read by `entry`: "types"
    // (&Words::Type) or "offsets" (&Words::Offset).
    bool Four(std::array<int, 4>& values, const char* what,
              bool (Words::*entry)(const QString&, int&)) {
        QString w;
        if (!Next(w, what))
            return false;
        const QStringList parts = w.split(QLatin1Char(','));
        if (parts.size() != 4)
            return Fail(QStringLiteral("%1 needs four entries: %2").arg(QLatin1String(what), w));
        for (int n = 0; n < 4; ++n) {
            if (!(this->*entry)(parts.at(n), values[size_t(n)]))
                return false;
        }
        return true;
    }

    bool DateTime(QDateTime& at) {
        QString date, time;
        if (!Next(date, "date") || !Next(time, "time"))
            return false;
        at = QDateTime::fromString(date + QLatin1Char(' ') + time,
                                   QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        if (!at.isValid())
            return Fail(
                QStringLiteral("not a date and time (yyyy/mm/dd hh:mm:ss): %1 %2").arg(date, time));
        if (at.date().year() < 2000 || at.date().year() > 2099)
            return Fail(QStringLiteral("the meter's years run from 2000 to 2099: %1").arg(date));
        return true;
    }

    // A stored value: tenths, or - / over / under. Sets the bits of channel ch.
    bool Value(int ch, int typeCode, int& value, quint8& valid, quint8& range) {
        QString w;
        if (!Next(w, "value"))
            return false;
        const ThermocoupleType* type = TypeByCode(typeCode);
        if (w == QLatin1String("-")) {
            value = 0;
            return true;
        }
        valid |= quint8(1 << ch);
        if (w == QLatin1String("over")) {
            range |= quint8(1 << ch);
            value = type ? type->upperF * 10 : 0;
            return true;
        }
        if (w == QLatin1String("under")) {
            range |= quint8(0x10 << ch);
            value = type ? type->lowerF * 10 : 0;
            return true;
        }
        Back();
        return Int(value, "value", kLowestTenths, kHighestTenths);
    }

private:
    QStringList words_;
    int pos_ = 0;
};

class ScenarioReader {
public:
    ScenarioReader(MeterModel& model, const QDateTime& now)
        : m_(model)
        , now_(now) {}

    bool Line(Words& w) {
        QString keyword;
        w.Next(keyword, "statement");
        bool ok = false;
        if (keyword == QLatin1String("unit"))
            ok = w.Unit(m_.fahrenheit);
        else if (keyword == QLatin1String("clock"))
            ok = Clock(w);
        else if (keyword == QLatin1String("interval"))
            ok = w.Int(m_.loggerInterval, "interval", 1, 255);
        else if (keyword == QLatin1String("poweroff"))
            ok = w.Int(m_.powerOffCode, "poweroff", 0, 2);
        else if (keyword == QLatin1String("memsize"))
            ok = MemorySize(w);
        else if (keyword == QLatin1String("recording"))
            ok = w.OnOff(m_.recording, "recording");
        else if (keyword == QLatin1String("status7"))
            ok = w.OnOff(m_.status7, "status7");
        else if (keyword == QLatin1String("mode"))
            ok = Mode(w);
        else if (keyword == QLatin1String("stream"))
            ok = Stream(w);
        else if (keyword == QLatin1String("channel"))
            ok = Channel(w);
        else if (keyword == QLatin1String("set"))
            ok = Set(w);
        else if (keyword == QLatin1String("record"))
            ok = Record(w);
        else if (keyword == QLatin1String("records"))
            ok = Records(w);
        else if (keyword == QLatin1String("manual"))
            ok = Manual(w);
        else
            return w.Fail(QStringLiteral("unknown statement: %1").arg(keyword));
        if (ok && !w.AtEnd()) {
            QString extra;
            w.Next(extra, "");
            return w.Fail(QStringLiteral("unexpected word: %1").arg(extra));
        }
        return ok;
    }

private:
    bool Clock(Words& w) {
        QString word;
        if (!w.Next(word, "clock"))
            return false;
        if (word == QLatin1String("none")) {
            m_.ClearClock();
            return true;
        }
        if (word == QLatin1String("now")) {
            m_.SetClock(now_);
            return true;
        }
        w.Back();
        QDateTime at;
        if (!w.DateTime(at))
            return false;
        m_.SetClock(at);
        return true;
    }

    bool MemorySize(Words& w) {
        int n = 0;
        if (!w.Int(n, "memsize", 1, 8))
            return false;
        if (n != 1 && n != 2 && n != 4 && n != 8)
            return w.Fail(QStringLiteral("memsize must be 1, 2, 4 or 8"));
        m_.memorySizeCode = n;
        return Fits(w);
    }

    bool Mode(Words& w) {
        static const char* const kModes[] = {"normal", "max", "min", "maxmin"};
        QString word;
        if (!w.Next(word, "mode"))
            return false;
        for (int i = 0; i < 4; ++i) {
            if (word == QLatin1String(kModes[i])) {
                m_.displayMode = i;
                return true;
            }
        }
        return w.Fail(QStringLiteral("mode must be normal, max, min or maxmin: %1").arg(word));
    }

    bool Stream(Words& w) {
        StreamPace& pace = m_.pace;
        if (w.AtEnd())
            return w.Fail(QStringLiteral("stream needs every MS, jitter MS or pause on|off"));
        while (!w.AtEnd()) {
            QString key;
            w.Next(key, "");
            bool ok = false;
            if (key == QLatin1String("every"))
                ok = w.Int(pace.intervalMs, "every", 0, StreamPace::kMaxMs);
            else if (key == QLatin1String("jitter"))
                ok = w.Int(pace.jitterMs, "jitter", 0, StreamPace::kMaxMs);
            else if (key == QLatin1String("pause"))
                ok = w.OnOff(pace.pauseForReplies, "pause");
            else
                return w.Fail(QStringLiteral("unknown stream setting: %1").arg(key));
            if (!ok)
                return false;
        }
        return true;
    }

    bool Channel(Words& w) {
        int n = 0;
        if (!w.Int(n, "channel", 1, 4))
            return false;
        const int ch = n - 1;
        MeterChannel& c = m_.Channel(ch);
        while (!w.AtEnd()) {
            QString key;
            w.Next(key, "");
            bool ok = false;
            if (key == QLatin1String("type")) {
                QString t;
                ok = w.Next(t, "type") && w.Type(t, c.typeCode);
            } else if (key == QLatin1String("reading")) {
                int v = 0;
                ok = w.Int(v, "reading", kLowestTenths, kHighestTenths);
                if (ok)
                    m_.SetReading(ch, v);
            } else if (key == QLatin1String("probe")) {
                ok = w.OnOff(c.probe, "probe");
            } else if (key == QLatin1String("offset")) {
                ok = w.Int(c.offset, "offset", -128, 127);
            } else if (key == QLatin1String("over")) {
                ok = w.OnOff(c.over, "over");
            } else if (key == QLatin1String("under")) {
                ok = w.OnOff(c.under, "under");
            } else if (key == QLatin1String("heat")) {
                ok = w.Int(c.heatPerMinute, "heat", -100000, 100000);
            } else if (key == QLatin1String("overevery")) {
                ok = w.Int(c.overEvery, "overevery", 0, 86400);
            } else if (key == QLatin1String("toward")) {
                int target = 0;
                ok = w.Int(target, "toward", kLowestTenths, kHighestTenths);
                c.towardF = target;
            } else if (key == QLatin1String("settle")) {
                ok = w.Int(c.settleSeconds, "settle", 1, 86400);
            } else if (key == QLatin1String("overshoot")) {
                ok = w.Int(c.overshoot, "overshoot", 0, 10000);
            } else if (key == QLatin1String("noise")) {
                ok = w.Int(c.noise, "noise", 0, 1000);
            } else {
                return w.Fail(QStringLiteral("unknown channel setting: %1").arg(key));
            }
            if (!ok)
                return false;
        }
        return true;
    }

    bool Set(Words& w) {
        LoggerSet s;
        s.fahrenheit = m_.fahrenheit;
        s.mask = 0x0F;
        s.interval = m_.loggerInterval;
        for (int ch = 0; ch < 4; ++ch)
            s.types[size_t(ch)] = m_.Channel(ch).typeCode;
        bool haveStart = false;
        while (!w.AtEnd()) {
            QString key;
            w.Next(key, "");
            bool ok = false;
            if (key == QLatin1String("start"))
                ok = haveStart = w.DateTime(s.start);
            else if (key == QLatin1String("interval"))
                ok = w.Int(s.interval, "interval", 0, 255);
            else if (key == QLatin1String("unit"))
                ok = w.Unit(s.fahrenheit);
            else if (key == QLatin1String("mask"))
                ok = w.Int(s.mask, "mask", 1, 15);
            else if (key == QLatin1String("types"))
                ok = w.Four(s.types, "types", &Words::Type);
            else if (key == QLatin1String("offsets"))
                ok = w.Four(s.offsets, "offsets", &Words::Offset);
            else
                return w.Fail(QStringLiteral("unknown set setting: %1").arg(key));
            if (!ok)
                return false;
        }
        if (!haveStart)
            return w.Fail(QStringLiteral("a set needs its start date and time"));
        m_.sets.append(s);
        return Fits(w);
    }

    bool Record(Words& w) {
        if (m_.sets.isEmpty())
            return w.Fail(QStringLiteral("record before the first set"));
        LoggerSet& s = m_.sets.last();
        if (s.records.size() >= kMaxRecords)
            return w.Fail(QStringLiteral("too many records in one set"));
        SetRecord r;
        for (int ch = 0; ch < 4; ++ch) {
            if ((s.mask & (1 << ch)) &&
                !w.Value(ch, s.types[size_t(ch)], r.values[size_t(ch)], r.valid, r.range))
                return false;
        }
        s.records.append(r);
        return Fits(w);
    }

    bool Records(Words& w) {
        if (m_.sets.isEmpty())
            return w.Fail(QStringLiteral("records before the first set"));
        LoggerSet& s = m_.sets.last();
        int n = 0, from = 0, step = 0;
        QString word;
        if (!w.Int(n, "count", 1, kMaxRecords - s.records.size()))
            return false;
        if (!w.Next(word, "from") || word != QLatin1String("from"))
            return w.Fail(QStringLiteral("expected: records N from V step S"));
        if (!w.Int(from, "from", kLowestTenths, kHighestTenths))
            return false;
        if (!w.Next(word, "step") || word != QLatin1String("step"))
            return w.Fail(QStringLiteral("expected: records N from V step S"));
        if (!w.Int(step, "step", -1000, 1000))
            return false;
        const int recordSize = 2 + 3 * ChannelCountOf(s.mask);
        if (qint64(m_.AutomaticSize()) + qint64(n) * recordSize > m_.Capacity())
            return Fits(w, qint64(n) * recordSize);
        s.records.reserve(s.records.size() + n);
        for (int i = 0; i < n; ++i) {
            SetRecord r;
            int k = 0;
            for (int ch = 0; ch < 4; ++ch) {
                if (!(s.mask & (1 << ch)))
                    continue;
                const qint64 v = qint64(from) + 10 * k++ + qint64(i) * step;
                r.values[size_t(ch)] = int(std::clamp<qint64>(v, kLowestTenths, kHighestTenths));
                r.valid |= quint8(1 << ch);
            }
            s.records.append(r);
        }
        return true;
    }

    bool Manual(Words& w) {
        if (m_.manual.size() >= MeterModel::kMaxManualEntries)
            return w.Fail(QStringLiteral("the meter holds at most 255 manual entries"));
        ManualEntry e;
        e.fahrenheit = m_.fahrenheit;
        e.valid = 0;
        for (int ch = 0; ch < 4; ++ch)
            e.types[size_t(ch)] = m_.Channel(ch).typeCode;
        bool haveAt = false, haveValues = false;
        while (!w.AtEnd()) {
            QString key;
            w.Next(key, "");
            bool ok = true;
            if (key == QLatin1String("at")) {
                ok = haveAt = w.DateTime(e.at);
            } else if (key == QLatin1String("unit")) {
                ok = w.Unit(e.fahrenheit);
            } else if (key == QLatin1String("types")) {
                ok = w.Four(e.types, "types", &Words::Type);
            } else if (key == QLatin1String("offsets")) {
                ok = w.Four(e.offsets, "offsets", &Words::Offset);
            } else if (key == QLatin1String("values")) {
                for (int ch = 0; ch < 4 && ok; ++ch)
                    ok = w.Value(ch, e.types[size_t(ch)], e.values[size_t(ch)], e.valid, e.range);
                haveValues = ok;
            } else {
                return w.Fail(QStringLiteral("unknown manual setting: %1").arg(key));
            }
            if (!ok)
                return false;
        }
        if (!haveAt)
            return w.Fail(QStringLiteral("a manual entry needs: at DATE TIME"));
        if (!haveValues)
            return w.Fail(QStringLiteral("a manual entry needs: values V V V V"));
        m_.manual.append(e);
        return true;
    }

    bool Fits(Words& w, qint64 adding = 0) {
        const qint64 size = m_.AutomaticSize() + adding;
        if (size <= m_.Capacity())
            return true;
        return w.Fail(QStringLiteral("the automatic data (%1 bytes) exceeds the memory of size "
                                     "code %2 (%3 bytes)")
                          .arg(size)
                          .arg(m_.memorySizeCode)
                          .arg(m_.Capacity()));
    }

    MeterModel& m_;
    QDateTime now_;
};

} // namespace

QString LoadScenario(const QString& text, MeterModel& model, const QDateTime& now) {
    MeterModel scratch = model;
    ScenarioReader reader(scratch, now);
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        const int hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList words = line.split(blanks, Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        Words w(words);
        if (!reader.Line(w))
            return QStringLiteral("line %1: %2").arg(i + 1).arg(w.error);
    }
    model = scratch;
    return QString();
}

QString DefaultScenarioText() {
    return QStringLiteral(
        R"(# Corvilab's simulated meter, as it starts without a scenario: a meter on a bench.
unit C
clock now
interval 2
poweroff 1
memsize 8
# An oven heating from room temperature to 180 °C (356 °F), 3 °C past it before it settles.
channel 1 type K reading 716 toward 3560 settle 900 overshoot 54 noise 2
# The room's air at 22 °C, and a cup of ice water.
channel 2 type T reading 716 noise 3
channel 3 type J reading 320 noise 1
# An empty socket.
channel 4 type E probe off

# The oven's last run: heating, passing the set point, settling, every 2 s.
set start 2026/11/02 09:00:00 interval 2 unit C mask 0b0001
records 300 from 716 step 9
records 30 from 3416 step 5
records 20 from 3566 step 3
records 30 from 3620 step -2
records 200 from 3560 step 0

# The room and the ice water over an afternoon, once a minute; the ice melts.
set start 2026/11/20 14:00:00 interval 60 unit C mask 0b0110
record 716 320
record 718 320
record 721 321
record 719 320
record 717 322
record 720 325
record 722 331
record 719 342
record 721 360
record 723 389
record 720 425
record 722 470

# A quick check of all four, with the fourth probe pulled halfway through.
set start 2026/12/01 07:15:00 interval 5 unit F mask 0b1111
record 3561 716 320 705
record 3559 717 320 706
record 3562 716 321 -
record 3560 716 320 -

manual at 2026/11/20 10:05:09 unit C values 3561 716 320 -
manual at 2026/11/20 10:06:30 unit C values 3614 717 320 -
manual at 2026/11/21 16:40:00 unit F values 3559 719 321 -
manual at 2026/11/22 08:12:45 unit C offsets 0,0,-2,0 values 716 716 322 -
)");
}
