#pragma once
// A decimated envelope of a track: one float per block of `decimation` sample frames, with the
// rate and decimation that map entries back to positions. Entry k covers frames
// k × decimation … (k + 1) × decimation − 1; position p maps to entry p / decimation.
// Setting a tempo adds the bar level (the largest bar-long moving average) and the entries per
// bar, which copies carry along.

#include <cstdint>

#include "audio/SamplesPerBar.h"

class CPfPcmThumbnail {
public:
    CPfPcmThumbnail() = default;
    // Copy construction is `CopyFrom` on an empty thumbnail.
    CPfPcmThumbnail(const CPfPcmThumbnail& other);
    CPfPcmThumbnail& operator=(const CPfPcmThumbnail& other);
    virtual ~CPfPcmThumbnail();

    // Sizes the thumbnail for `length` frames: stores the length; stores rate and decimation only
    // when non-zero (of the decimation its low 16 bits, kept only when those are non-zero);
    // releases the old array; commits a zero-filled array of length / decimation entries
    // (truncating, so a partial last block has no entry). Returns false when the pages cannot be
    // had or the count does not fit 32 bits: the array is then absent, the count stays as it was
    // and every accessor reports "outside". A count of 0 succeeds with no array. Bar level and
    // entries per bar are left as they were.
    bool Allocate(std::uint64_t length, std::uint32_t rate, std::uint32_t decimation);
    // Allocates like `other` and, when the entry counts then match, copies its entries, bar
    // level and entries per bar. Returns false when the allocation fails or the counts differ.
    bool CopyFrom(const CPfPcmThumbnail& other);

    // Entry access; indexes outside 0 … count − 1 (or a thumbnail without array) are "outside":
    // GetEntry returns false and leaves `out`, EntryAt returns 0, SetEntry does nothing.
    bool GetEntry(std::int64_t index, float& out) const;
    float EntryAt(std::int64_t index) const;
    void SetEntry(std::int64_t index, float value);
    // The array and its count; false (outputs untouched) when there is no array.
    bool GetData(float*& data, std::uint32_t& count);
    bool GetData(const float*& data, std::uint32_t& count) const;

    // Largest and smallest entry; 0 when there are none.
    float MaxEntry() const;
    float MinEntry() const;
    // Largest of entries first … min(last, count − 1); 0 when first is not below the count.
    // A `last` below `first` gives entry first.
    float MaxInRange(std::uint32_t first, std::uint32_t last) const;

    // Frames in one bar at `tempo`, at this thumbnail's rate.
    std::uint32_t SamplesPerBar(float tempo) const;
    // Entries in one bar: the stored value for tempo 0, SamplesPerBar(tempo) / decimation
    // otherwise.
    std::uint32_t EntriesPerBar(float tempo) const;
    // The largest mean over a window of EntriesPerBar(tempo) entries ending at any entry (fewer
    // entries summed at the start, still divided by the full window); 0 when the window or the
    // array is empty.
    float BarPeakMean(float tempo) const;
    // Stores BarPeakMean(tempo) as the bar level and SamplesPerBar(tempo) / decimation as the
    // entries per bar.
    void SetTempo(float tempo);

    std::uint32_t Count() const { return data_ ? count_ : 0; }
    std::uint64_t Length() const { return length_; }
    std::uint32_t SampleRate() const { return rate_; }
    std::uint16_t Decimation() const { return decimation_; }
    float BarLevel() const { return barLevel_; }
    std::uint32_t StoredEntriesPerBar() const { return entriesPerBar_; }
    // The entries, or null when there is no array.
    const float* Data() const { return data_; }
    float* Data() { return data_; }

private:
    void Release();

    float* data_ = nullptr;
    std::uint32_t count_ = 0;
    std::uint64_t length_ = 0;
    std::uint32_t rate_ = 1;
    std::uint16_t decimation_ = 1;
    float barLevel_ = 0.0f;
    std::uint32_t entriesPerBar_ = 0;
};
