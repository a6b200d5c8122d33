#include "audio/BlockPeak.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// A value replaces the peak only when it is greater, so a NaN never becomes the peak.
inline float Greater(float a, float peak) {
    return a > peak ? a : peak;
}
}  // namespace

float BlockPeak(const float* data, std::size_t count) {
    if (!data) return 0.0f;
    float peak = 0.0f;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Four running peaks of four lanes each; the maximum does not depend on the order the values
    // are seen in. maxps(a, p) is a > p ? a : p, lane by lane, like the scalar test.
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    __m128 p0 = _mm_setzero_ps(), p1 = p0, p2 = p0, p3 = p0;
    for (; i + 16 <= count; i += 16) {
        p0 = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(data + i), magnitude), p0);
        p1 = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(data + i + 4), magnitude), p1);
        p2 = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(data + i + 8), magnitude), p2);
        p3 = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(data + i + 12), magnitude), p3);
    }
    float lanes[16];
    _mm_storeu_ps(lanes, p0);
    _mm_storeu_ps(lanes + 4, p1);
    _mm_storeu_ps(lanes + 8, p2);
    _mm_storeu_ps(lanes + 12, p3);
    for (const float lane : lanes) peak = Greater(lane, peak);
#endif
    for (; i < count; ++i) peak = Greater(std::fabs(data[i]), peak);
    return peak;
}
