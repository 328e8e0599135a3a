#pragma once

#include <QVector>
#include <array>
#include <optional>
#include <vector>

// The charted value of every channel at every sample since the last configuration change, in
// °C and °F, as whole tenths. The storage is allocated once. When it is full the oldest sample
// is dropped, so the buffers always hold the newest `Capacity()` samples and sampling goes on.
class SampleBuffers {
public:
    static constexpr int kCapacity = 864000; // ten days at one sample a second

    explicit SampleBuffers(int capacity = kCapacity);

    int Capacity() const { return capacity_; }
    // Samples held; sample 1 is the oldest held, sample Count() the newest.
    int Count() const { return count_; }
    // Samples dropped from the front since the last start-over.
    qint64 Dropped() const { return dropped_; }

    // Forgets every sample (a configuration change or a link recovery).
    void Clear();
    // Appends one sample. A channel without a value (no probe) holds no value at that sample.
    void Append(const std::array<std::optional<int>, 4>& celsius,
                const std::array<std::optional<int>, 4>& fahrenheit);
    // The value of a channel at sample 1..Count(); empty for no value or a sample not held.
    std::optional<int> At(int channel, bool fahrenheit, int sample) const;

    // A channel's samples 1..Count() in degrees for plotting; a sample without a value is NaN
    // (a gap in the line). `min`/`max` span the values; `hasValues` is false when there is
    // none.
    struct Series {
        QVector<double> values;
        double min = 0.0;
        double max = 0.0;
        bool hasValues = false;
    };
    Series Copy(int channel, bool fahrenheit) const;

private:
    size_t Slot(int channel, bool fahrenheit, int sample) const;

    int capacity_;
    int first_ = 0; // storage position of sample 1
    int count_ = 0;
    qint64 dropped_ = 0;
    std::vector<qint32> data_; // [unit][channel][position]
};
