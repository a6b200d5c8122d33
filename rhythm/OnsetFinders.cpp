#include "rhythm/OnsetFinders.h"

#include <algorithm>

namespace {

// The scan looks this many entries ahead for the peak of a rise, and after a detection skips as
// many entries (earlier in time, since it runs backwards).
constexpr std::uint32_t kPeakWindow = 4;
constexpr float kOnsetTempo = 82.0f;
constexpr float kThresholdDivisor = 1.2f;

constexpr float kSlopeStartThreshold = 625.0f / 256.0f;
constexpr float kSlopeThresholdFloor = 1.0f / 32768.0f;
constexpr float kRatioStartThreshold = 30.0f;
constexpr float kRatioThresholdFloor = 1.0f;

constexpr std::int64_t kRiseSpan = 8;

enum class OnsetTest { Slope, Ratio };

// One backward pass over the entries with the forward-peak window; appends what passes `test`
// at `threshold` to the primary array of `list` and returns how many it appended.
std::uint32_t ScanOnsets(const float* v, std::uint32_t n, std::uint32_t decimation, OnsetTest test,
                         float threshold, CPfPositionList& list) {
    if (n == 0) return 0;
    std::uint32_t peak = n - 1;
    std::uint32_t holdOff = 0;
    std::uint32_t found = 0;
    for (std::uint32_t i = n; i-- > 0;) {
        if (holdOff > 0) {
            --holdOff;
            peak = i;
            continue;
        }
        if (v[peak] < v[i]) peak = i;
        const std::uint32_t end = std::min(i + kPeakWindow, n - 1);
        if (peak > end) {
            // The peak fell out of the window: take the largest of i … end − 1, the earliest on
            // a tie.
            peak = i;
            for (std::uint32_t k = i + 1; k < end; ++k) {
                if (v[k] > v[peak]) peak = k;
            }
        }
        bool hit = false;
        std::int64_t position = 0;
        if (test == OnsetTest::Slope) {
            if (peak != i) {
                const float slope = (v[peak] - v[i]) / static_cast<float>(peak - i);
                hit = slope > threshold;
                position = std::int64_t{i} * decimation;
            }
        } else {
            hit = v[peak] > v[i] * threshold;
            position = std::int64_t{peak} * decimation;
        }
        if (hit) {
            list.AppendPrimary(position);
            ++found;
            holdOff = kPeakWindow;
            peak = i;
        }
    }
    return found;
}

std::uint32_t FindOnsets(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& thumbnail,
                         std::uint32_t multiple, CPfPositionList& list, OnsetTest test,
                         float threshold, float floor) {
    const std::uint32_t barFrames = SamplesPerBar(kOnsetTempo, thumbnail.SampleRate());
    if (barFrames == 0) return 0;
    const auto bars = static_cast<std::uint32_t>(thumbnail.Length() / barFrames);
    const std::uint32_t target = bars * multiple;

    const float* v = thumbnail.Data();
    const std::uint32_t n = thumbnail.Count();
    std::uint32_t count = 0;
    while (count < target && threshold > floor) {
        if (context.Cancelled()) break;
        list.ClearPrimary();
        count = ScanOnsets(v, n, thumbnail.Decimation(), test, threshold, list);
        threshold /= kThresholdDivisor;
    }
    list.Sort();
    return count;
}

float SumOfRange(const CPfPcmThumbnail& thumbnail, std::int64_t first, std::int64_t last) {
    const std::int64_t top = std::int64_t{thumbnail.Count()} - 1;
    first = std::clamp<std::int64_t>(first, 0, std::max<std::int64_t>(top, 0));
    last = std::clamp<std::int64_t>(last, 0, std::max<std::int64_t>(top, 0));
    float sum = 0.0f;
    for (std::int64_t k = first; k <= last; ++k) sum += thumbnail.EntryAt(k);
    return sum;
}

}  // namespace

std::uint32_t FindSlopeOnsets(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& thumbnail,
                              std::uint32_t multiple, CPfPositionList& list) {
    return FindOnsets(context, thumbnail, multiple, list, OnsetTest::Slope, kSlopeStartThreshold,
                      kSlopeThresholdFloor);
}

std::uint32_t FindRatioOnsets(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& thumbnail,
                              std::uint32_t multiple, CPfPositionList& list) {
    return FindOnsets(context, thumbnail, multiple, list, OnsetTest::Ratio, kRatioStartThreshold,
                      kRatioThresholdFloor);
}

float EnergyRiseAt(const CPfPcmThumbnail& thumbnail, std::int64_t position) {
    const std::uint16_t decimation = thumbnail.Decimation();
    if (decimation == 0) return 0.0f;
    // The entry index is a 32-bit value, as the envelope's count is.
    const std::int64_t k = static_cast<std::int32_t>(position / decimation);
    const float after = SumOfRange(thumbnail, k, k + kRiseSpan - 1);
    const float before = SumOfRange(thumbnail, k - kRiseSpan, k - 1);
    return after - before;
}
