#include "recording/sample_buffers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A channel without a probe at that sample. No reading comes near it.
constexpr qint32 kNoValue = std::numeric_limits<qint32>::min();

} // namespace

SampleBuffers::SampleBuffers(int capacity)
    : capacity_(std::max(1, capacity))
    , data_(size_t(capacity_) * 8, kNoValue) {}

void SampleBuffers::Clear() {
    first_ = 0;
    count_ = 0;
    dropped_ = 0;
}

size_t SampleBuffers::Slot(int channel, bool fahrenheit, int sample) const {
    const int position = (first_ + sample - 1) % capacity_;
    return (size_t(fahrenheit ? 4 : 0) + size_t(channel & 3)) * size_t(capacity_) +
           size_t(position);
}

void SampleBuffers::Append(const std::array<std::optional<int>, 4>& celsius,
                           const std::array<std::optional<int>, 4>& fahrenheit) {
    if (count_ == capacity_) {
        first_ = (first_ + 1) % capacity_;
        ++dropped_;
    } else {
        ++count_;
    }
    for (int ch = 0; ch < 4; ++ch) {
        data_[Slot(ch, false, count_)] = celsius[size_t(ch)].value_or(kNoValue);
        data_[Slot(ch, true, count_)] = fahrenheit[size_t(ch)].value_or(kNoValue);
    }
}

std::optional<int> SampleBuffers::At(int channel, bool fahrenheit, int sample) const {
    if (sample < 1 || sample > count_)
        return std::nullopt;
    const qint32 v = data_[Slot(channel, fahrenheit, sample)];
    if (v == kNoValue)
        return std::nullopt;
    return v;
}

SampleBuffers::Series SampleBuffers::Copy(int channel, bool fahrenheit) const {
    Series series;
    series.values.resize(count_);
    double lo = std::numeric_limits<double>::max();
    double hi = std::numeric_limits<double>::lowest();
    for (int k = 1; k <= count_; ++k) {
        const qint32 v = data_[Slot(channel, fahrenheit, k)];
        if (v == kNoValue) {
            series.values[k - 1] = std::nan("");
            continue;
        }
        const double degrees = v / 10.0;
        series.values[k - 1] = degrees;
        lo = std::min(lo, degrees);
        hi = std::max(hi, degrees);
        series.hasValues = true;
    }
    if (series.hasValues) {
        series.min = lo;
        series.max = hi;
    }
    return series;
}
