#include "rhythm/SlotLoudness.h"

#include <algorithm>

float RangeMax(const CPfPcmThumbnail& thumbnail, std::int64_t first, std::int64_t last) {
    const std::int64_t count = thumbnail.Count();
    first = std::max<std::int64_t>(first, 0);
    if (first >= count) return 0.0f;
    last = std::clamp<std::int64_t>(last, 0, count - 1);
    return thumbnail.MaxInRange(static_cast<std::uint32_t>(first),
                                static_cast<std::uint32_t>(last));
}

void AddSlotLoudness(const CPfPcmThumbnail& thumbnail, const CPfPositionList& grid,
                     std::uint32_t shift, std::span<float> sums) {
    const std::int64_t decimation = thumbnail.Decimation();
    const auto slots = static_cast<std::int64_t>(sums.size());
    if (decimation == 0 || slots == 0) return;
    const std::vector<std::int64_t>& points = grid.Primary();
    const std::int64_t wholeBars = static_cast<std::int64_t>(points.size()) / slots * slots;
    for (std::int64_t i = 1; i < wholeBars; ++i) {
        const auto slot = static_cast<std::size_t>((i + shift - 1) % slots);
        const auto at = static_cast<std::size_t>(i);
        sums[slot] += RangeMax(thumbnail, points[at - 1] / decimation, points[at] / decimation);
    }
}

void NormaliseSlots(std::span<float> values) {
    if (values.empty()) return;
    const float low = *std::min_element(values.begin(), values.end());
    const float high = std::max(0.0f, *std::max_element(values.begin(), values.end()));
    const float range = high == low ? 1.0f : high - low;
    for (float& value : values) value = (value - low) / range;
}
