#include "audio/EnvelopeFilters.h"

#include <algorithm>
#include <cstring>

#include "platform/PageAlloc.h"

namespace {
constexpr std::uint32_t kMovingAverageWidth = 9;
// Peaks fall to zero within one sixteenth of a bar at the fastest tempo of the estimate range.
constexpr float kPeakHoldTempo = 164.0f;
constexpr std::uint32_t kPeakHoldStepsPerBar = 16;
}  // namespace

bool MovingAverage9(const CPfRhythmAnalyzer& context, CPfPcmThumbnail& thumbnail) {
    float* entries = nullptr;
    std::uint32_t count = 0;
    if (!thumbnail.GetData(entries, count) || count == 0) return false;
    CPageBlock temp(std::size_t{count} * sizeof(float));
    if (!temp) return false;
    auto* out = static_cast<float*>(temp.Get());

    const std::uint32_t width = std::min(count, kMovingAverageWidth);
    const auto divisor = static_cast<float>(width);
    float sum = 0.0f;
    for (std::uint32_t i = 0; i < width; ++i) sum += entries[i];

    // The window slides only while it stays whole, so the edges keep the nearest full window.
    const std::int64_t slideFrom = width / 2;
    const std::int64_t slideBelow = std::int64_t{count} - width / 2 - 1;
    std::uint32_t slides = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (context.Cancelled()) return false;
        out[i] = sum / divisor;
        const std::int64_t next = std::int64_t{i} + 1;
        if (next > slideFrom && next < slideBelow) {
            sum -= entries[slides];
            sum += entries[slides + width];
            ++slides;
        }
    }
    std::memcpy(entries, out, std::size_t{count} * sizeof(float));
    return true;
}

bool PeakHoldDecay(const CPfRhythmAnalyzer& context, CPfPcmThumbnail& thumbnail) {
    if (context.Cancelled()) return false;
    const std::uint32_t perBar = thumbnail.EntriesPerBar(kPeakHoldTempo);
    if (perBar < kPeakHoldStepsPerBar) return false;
    float* entries = nullptr;
    std::uint32_t count = 0;
    if (!thumbnail.GetData(entries, count)) return false;

    const auto steps = static_cast<float>(perBar / kPeakHoldStepsPerBar);
    float level = thumbnail.MinEntry();
    float slope = 0.0f;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (entries[i] > level) {
            slope = entries[i] / steps;
        } else {
            entries[i] = level;
        }
        level = entries[i] - slope;
    }
    return true;
}

bool BackwardRelease(const CPfRhythmAnalyzer& context, CPfPcmThumbnail& thumbnail,
                     std::uint32_t divisor) {
    if (context.Cancelled() || divisor == 0) return false;
    const std::uint32_t release = thumbnail.EntriesPerBar(0.0f) / divisor;
    if (release == 0) return false;
    float* entries = nullptr;
    std::uint32_t count = 0;
    if (!thumbnail.GetData(entries, count)) return false;

    const auto span = static_cast<float>(release);
    for (std::uint32_t d = count; d-- > 0;) {
        if (context.Cancelled()) return false;
        const float peak = entries[d];
        float level = peak;
        std::uint32_t k = 1;
        for (std::uint32_t c = d + 1; c < count && entries[c] < level; ++c, ++k) {
            entries[c] = level;
            const float x = static_cast<float>(k) / span;
            level = peak - peak * (x * x * x * x);
        }
    }
    return true;
}
