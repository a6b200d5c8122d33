#include "rhythm/BeatInterval.h"

#include "rhythm/IntervalMath.h"

namespace {
constexpr float kIntervalTolerance = 0.05f;
constexpr std::uint32_t kMaxGapIntervals = 3;
}  // namespace

float RefineInterval(std::span<const std::int64_t> positions, float interval) {
    if (!(interval > 0.0f)) return interval;
    const std::int64_t lo = TruncateToInt64(interval - kIntervalTolerance * interval);
    const std::int64_t hi = TruncateToInt64(interval + kIntervalTolerance * interval);
    std::int64_t sum = 0;
    std::int64_t counted = 0;
    for (std::size_t i = 1; i < positions.size(); ++i) {
        const std::int64_t gap = positions[i] - positions[i - 1];
        const std::uint32_t n = IntervalSteps(gap, interval);
        if (n < 1 || n > kMaxGapIntervals) continue;
        const std::int64_t q = gap / n;
        if (q >= lo && q <= hi) {
            sum += q;
            ++counted;
        }
    }
    if (counted == 0) return interval;
    return MeanOfFrames(sum, counted);
}

float RefineInterval(const CPfPositionList& list, float interval) {
    return RefineInterval(std::span<const std::int64_t>(list.Primary()), interval);
}
