#include "sim/meter_model.h"

#include "link/thermocouple.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

QByteArray EncodeReading(int tenthsF) {
    const int magnitude = std::abs(tenthsF);
    const int integer = magnitude / 10;
    const int digit = magnitude % 10;
    // Negative integer parts go out as 16-bit two's complement; -0.x keeps integer part 0.
    const int word = tenthsF < 0 && integer > 0 ? 65536 - integer : integer;
    QByteArray b(3, '\0');
    b[0] = char((word >> 8) & 0xFF);
    b[1] = char(word & 0xFF);
    b[2] = char((tenthsF < 0 ? 0x80 : 0x00) | digit);
    return b;
}

int ChannelCountOf(int mask) {
    int n = 0;
    for (int bit = 0; bit < 4; ++bit)
        n += (mask >> bit) & 1;
    return n;
}

namespace {

void AppendDateTime(QByteArray& out, const QDateTime& at) {
    const QDate d = at.date();
    const QTime t = at.time();
    out.append(char(d.year() % 100));
    out.append(char(d.month()));
    out.append(char(d.day()));
    out.append(char(t.hour()));
    out.append(char(t.minute()));
    out.append(char(t.second()));
}

void AppendCodes(QByteArray& out, const std::array<int, 4>& codes) {
    for (int c : codes)
        out.append(char(c & 0xFF));
}

// A damped oscillation toward the target: the part of the step still to go is
// e^(-t/tau) (cos wt + k sin wt), whose first swing past the target is exactly overshoot.
// Without overshoot it is a plain exponential approach.
int Approach(int from, int target, int overshoot, int settleSeconds, qint64 elapsedMs) {
    constexpr double kPi = 3.14159265358979323846;
    const double step = target - from;
    const double tau = settleSeconds / 5.0; // e^-5: under 1 % of the step left
    const double t = elapsedMs / 1000.0;
    double left = std::exp(-t / tau);
    if (overshoot > 0 && step != 0) {
        const double ratio = std::min(overshoot / std::abs(step), 0.9);
        const double k = -std::log(ratio) / kPi;
        left *= std::cos(t / (k * tau)) + k * std::sin(t / (k * tau));
    }
    return target - int(std::lround(step * left));
}

// Drawn from the time and the channel alone, so that the same moment always reads the same.
int Noise(int ch, qint64 nowMs, int amplitude) {
    if (amplitude <= 0)
        return 0;
    quint64 x = quint64(nowMs / 500) * 4 + quint64(ch) + 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    x ^= x >> 31;
    return int(x % quint64(2 * amplitude + 1)) - amplitude;
}

} // namespace

QByteArray EncodeSet(const LoggerSet& set) {
    QByteArray out;
    out.append("\x00\x55\xAA\x00", 4);
    out.append(char((set.mask & 0x0F) | (set.fahrenheit ? 0x10 : 0x00)));
    AppendCodes(out, set.types);
    AppendCodes(out, set.offsets);
    AppendDateTime(out, set.start);
    out.append(char(set.interval & 0xFF));
    const int n = set.records.size();
    out.append(char((n >> 16) & 0xFF));
    out.append(char((n >> 8) & 0xFF));
    out.append(char(n & 0xFF));
    for (const SetRecord& r : set.records) {
        out.append(char(r.valid));
        out.append(char(r.range));
        for (int ch = 0; ch < 4; ++ch) {
            if (set.mask & (1 << ch))
                out.append(EncodeReading(r.values[size_t(ch)]));
        }
    }
    return out;
}

QByteArray EncodeManualEntry(const ManualEntry& entry) {
    QByteArray out;
    out.append(char(entry.fahrenheit ? 0x10 : 0x00));
    out.append(char(entry.valid));
    out.append(char(entry.range));
    AppendCodes(out, entry.types);
    AppendCodes(out, entry.offsets);
    AppendDateTime(out, entry.at);
    for (int v : entry.values)
        out.append(EncodeReading(v));
    return out;
}

MeterModel::MeterModel() {
    channels_[0].typeCode = 0;
    channels_[1].typeCode = 1;
    channels_[2].typeCode = 3;
    channels_[3].typeCode = 0;
}

void MeterModel::AdvanceTo(qint64 ms) {
    if (ms > nowMs_)
        nowMs_ = ms;
}

void MeterModel::SetReading(int ch, int tenthsF) {
    Channel(ch).readingF = tenthsF;
    readingSetAt_[size_t(ch & 3)] = nowMs_;
}

int MeterModel::CurrentReading(int ch) const {
    const MeterChannel& c = Channel(ch);
    const qint64 elapsed = nowMs_ - readingSetAt_[size_t(ch & 3)];
    const int value = c.towardF
                          ? Approach(c.readingF, *c.towardF, c.overshoot, c.settleSeconds, elapsed)
                          : c.readingF + int(qint64(c.heatPerMinute) * elapsed / 60000);
    return value + Noise(ch & 3, nowMs_, c.noise);
}

bool MeterModel::CurrentlyOver(int ch) const {
    const MeterChannel& c = Channel(ch);
    if (c.over)
        return true;
    return c.overEvery > 0 && (nowMs_ / 1000) % c.overEvery == c.overEvery - 1;
}

void MeterModel::SetClock(const QDateTime& at) {
    clockSet_ = at;
    clockSetAtMs_ = nowMs_;
}

void MeterModel::ClearClock() {
    clockSet_ = QDateTime();
}

QDateTime MeterModel::ClockNow() const {
    if (!clockSet_.isValid())
        return QDateTime();
    return clockSet_.addMSecs(nowMs_ - clockSetAtMs_);
}

void MeterModel::SetClockDate(int year2, int month, int day) {
    const QDate date(2000 + year2, month, day);
    if (!date.isValid()) {
        ClearClock();
        return;
    }
    const QTime time = ClockValid() ? ClockNow().time() : QTime(0, 0);
    SetClock(QDateTime(date, time));
}

void MeterModel::SetClockTime(int hour, int minute, int second) {
    const QTime time(hour, minute, second);
    if (!time.isValid())
        return;
    // A meter without a date keeps counting from the first day of the century.
    const QDate date = ClockValid() ? ClockNow().date() : QDate(2000, 1, 1);
    SetClock(QDateTime(date, time));
}

int MeterModel::AutomaticSize() const {
    int size = 0;
    for (const LoggerSet& s : sets)
        size += 23 + s.records.size() * (2 + 3 * ChannelCountOf(s.mask));
    return size;
}

int MeterModel::Capacity() const {
    return (memorySizeCode - 1) * 65535 + 61440 - kFirstAddress;
}

QByteArray MeterModel::Packet(int ch) const {
    const MeterChannel& c = Channel(ch);
    QByteArray p(12, '\0');
    p[0] = 0x02;
    p[1] = char((ch & 3) | (fahrenheit ? 0x04 : 0) | (recording ? 0x40 : 0) | (status7 ? 0x80 : 0));
    p[2] = char(c.typeCode & 0x0F);
    const bool over = c.probe && CurrentlyOver(ch);
    const bool under = c.probe && !over && c.under;
    p[3] = char((displayMode & 3) | (c.probe ? 0x08 : 0) | (over ? 0x20 : 0) | (under ? 0x40 : 0));
    int value = 0;
    if (c.probe) {
        value = CurrentReading(ch);
        // Out of range the meter shows the end of the type's range.
        if (const ThermocoupleType* type = TypeByCode(c.typeCode)) {
            if (over)
                value = type->upperF * 10;
            else if (under)
                value = type->lowerF * 10;
        }
    }
    p.replace(4, 3, EncodeReading(value));
    for (int n = 0; n < 4; ++n)
        p[7 + n] = char(channels_[size_t(n)].offset & 0xFF);
    p[11] = 0x03;
    return p;
}

QByteArray MeterModel::StatusReply() const {
    const int address = MemoryAddress();
    QByteArray r(7, '\0');
    r[0] = 0x02;
    r[1] = char((address >> 16) & 0xFF);
    r[2] = char((address >> 8) & 0xFF);
    r[3] = char(address & 0xFF);
    r[4] = char(manual.size() & 0xFF);
    r[5] = char(0xFF);
    r[6] = 0x03;
    return r;
}

QByteArray MeterModel::ClockReply() const {
    QByteArray r;
    r.append(char(0x02));
    if (ClockValid())
        AppendDateTime(r, ClockNow());
    else
        r.append(QByteArray(6, '\0'));
    r.append(char(0x03));
    return r;
}

QByteArray MeterModel::AutomaticData() const {
    QByteArray out;
    for (const LoggerSet& s : sets)
        out.append(EncodeSet(s));
    return out;
}

QByteArray MeterModel::ManualData() const {
    QByteArray out;
    for (const ManualEntry& e : manual)
        out.append(EncodeManualEntry(e));
    return out;
}

QByteArray MeterModel::AutomaticDump() const {
    const int address = MemoryAddress();
    QByteArray out;
    out.append(char(0x02));
    out.append(char((address >> 16) & 0xFF));
    out.append(char((address >> 8) & 0xFF));
    out.append(char(address & 0xFF));
    out.append(AutomaticData());
    out.append(char(0x03));
    return out;
}

QByteArray MeterModel::ManualDump() const {
    QByteArray out;
    out.append(char(0x02));
    out.append(char(manual.size() & 0xFF));
    out.append(ManualData());
    out.append(char(0x03));
    return out;
}
