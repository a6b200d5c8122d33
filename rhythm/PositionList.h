#pragma once
// A list of sample positions that the rhythm steps pass around: onsets, a beat grid, bar
// markers. The primary array holds onsets or grid points, the secondary array bar references and
// section markers. Positions are signed 64-bit sample frames at the list's rate.

#include <cstdint>
#include <vector>

class CPfPcmThumbnail;

class CPfPositionList {
public:
    // An empty list for audio of `trackLength` frames at `sampleRate`.
    CPfPositionList(std::uint32_t sampleRate, std::int64_t trackLength);
    // An empty list with the rate and length of the audio that `thumbnail` describes.
    explicit CPfPositionList(const CPfPcmThumbnail& thumbnail);

    void AppendPrimary(std::int64_t position) { primary_.push_back(position); }
    void AppendSecondary(std::int64_t position) { secondary_.push_back(position); }
    // False, with `out` untouched, when the index is negative or not below the count.
    bool GetPrimary(std::int64_t index, std::int64_t& out) const;
    bool GetSecondary(std::int64_t index, std::int64_t& out) const;
    // Count of primary positions minus 1 (−1 for an empty array).
    std::int64_t LastPrimaryIndex() const;
    // Empties the primary array; the secondary array and the scalars stay.
    void ClearPrimary() { primary_.clear(); }
    void ClearSecondary() { secondary_.clear(); }
    // Sorts both arrays ascending, each on its own.
    void Sort();
    // Sorts both arrays and drops every primary position equal to the one before it.
    void SortAndRemoveDuplicates();
    // The index of the primary position closest to `position` (the lower index on a tie); false
    // when the primary array is empty.
    bool NearestPrimaryIndex(std::int64_t position, std::int64_t& index) const;
    // Appends every primary position of `other`, in its order.
    void AppendPrimaryFrom(const CPfPositionList& other);
    // Frames in one bar at `bpm`, at the list's rate.
    std::uint32_t SamplesPerBar(float bpm) const;

    const std::vector<std::int64_t>& Primary() const { return primary_; }
    const std::vector<std::int64_t>& Secondary() const { return secondary_; }
    std::uint32_t SampleRate() const { return sampleRate_; }
    std::int64_t TrackLength() const { return trackLength_; }
    std::uint16_t SubdivisionsPerBar() const { return subdivisions_; }
    void SetSubdivisionsPerBar(std::uint16_t subdivisions) { subdivisions_ = subdivisions; }

private:
    std::vector<std::int64_t> primary_;
    std::vector<std::int64_t> secondary_;
    std::uint32_t sampleRate_;
    std::int64_t trackLength_;
    std::uint16_t subdivisions_ = 0;
};
