#include "audio/BlockPeak.h"

#include <cmath>

float BlockPeak(const float* data, std::size_t count) {
    if (!data) return 0.0f;
    float peak = 0.0f;
    for (std::size_t i = 0; i < count; ++i) {
        const float a = std::fabs(data[i]);
        if (a > peak) peak = a;
    }
    return peak;
}
