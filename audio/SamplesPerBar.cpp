#include "audio/SamplesPerBar.h"

#include <limits>

namespace {
constexpr float kBeatsPerBarInverse = 0.25f;
constexpr float kSecondsPerMinute = 60.0f;
}  // namespace

std::uint32_t SamplesPerBar(float tempo, std::uint32_t rate) {
    const float barsPerSecond = (tempo * kBeatsPerBarInverse) / kSecondsPerMinute;
    // Written so that NaN also takes this branch.
    if (!(barsPerSecond > 0.0f)) return 0;
    const float frames = static_cast<float>(rate) / barsPerSecond;
    // A float-to-integer conversion beyond the target's range is undefined; saturate instead.
    constexpr float kLimit = 4294967296.0f;  // 2^32
    if (!(frames < kLimit)) return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(frames);
}
