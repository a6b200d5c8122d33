#pragma once
// Small conversions shared by the interval measurements of the beat grid.

#include <cmath>
#include <cstdint>

// Truncation toward zero into 64 bits, defined for every input: a value beyond the range
// saturates and NaN gives 0, where a plain conversion would be undefined.
inline std::int64_t TruncateToInt64(double value) {
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (std::isnan(value)) return 0;
    if (value >= kLimit) return INT64_MAX;
    if (value <= -kLimit) return INT64_MIN;
    return static_cast<std::int64_t>(value);
}

// The count of intervals in a distance, rounded half up: trunc(distance / interval + 0.5) in
// single precision, as an unsigned 32-bit value (wrapping, so that a negative or huge count
// never compares as small). 0 for an interval that is not positive.
inline std::uint32_t IntervalSteps(std::int64_t distance, float interval) {
    if (!(interval > 0.0f)) return 0;
    const float steps = static_cast<float>(distance) / interval + 0.5f;
    return static_cast<std::uint32_t>(TruncateToInt64(static_cast<double>(steps)));
}

// The mean of a sum of whole frames over a count, rounded once to single precision.
inline float MeanOfFrames(std::int64_t sum, std::int64_t count) {
    return static_cast<float>(static_cast<double>(sum) / static_cast<double>(count));
}
