#include "audio/PcmKernels.h"

namespace {
constexpr int kEightBitOffset = 128;
constexpr float kEightBitScale = 256.0f;
// Wider samples are brought to the 16-bit scale by integer division, which truncates toward
// zero, so the largest positive value stays below full scale after the final scaling.
constexpr std::int32_t kTwentyFourBitDivisor = 256;
constexpr std::int32_t kThirtyTwoBitDivisor = 65536;
}  // namespace

void ScaleSamples(float* dst, const float* src, std::size_t count, float factor) {
    for (std::size_t i = 0; i < count; ++i) dst[i] = src[i] * factor;
}

void CopyStrided(float* dst, std::size_t dstStride, const float* src, std::size_t srcStride,
                 std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) dst[i * dstStride] = src[i * srcStride];
}

void MultiplyAddStrided(float* dst, std::size_t dstStride, const float* src, std::size_t srcStride,
                        std::size_t count, float gain) {
    for (std::size_t i = 0; i < count; ++i) dst[i * dstStride] += src[i * srcStride] * gain;
}

float DotProduct(const float* a, const float* b, std::size_t count) {
    // Products of two floats are exact in double; the sum keeps the extra precision until the
    // end.
    double sum = 0.0;
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        sum += static_cast<double>(a[i]) * b[i];
        sum += static_cast<double>(a[i + 1]) * b[i + 1];
        sum += static_cast<double>(a[i + 2]) * b[i + 2];
        sum += static_cast<double>(a[i + 3]) * b[i + 3];
    }
    for (; i < count; ++i) sum += static_cast<double>(a[i]) * b[i];
    return static_cast<float>(sum);
}

void Pcm8ToFloat(float* dst, const std::uint8_t* src, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        dst[i] = static_cast<float>(src[i] - kEightBitOffset) * kEightBitScale;
}

void Pcm16ToFloat(float* dst, const std::uint8_t* src, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, src += 2) {
        const auto v = static_cast<std::int16_t>(src[0] | src[1] << 8);
        dst[i] = static_cast<float>(v);
    }
}

void Pcm24ToFloat(float* dst, const std::uint8_t* src, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, src += 3) {
        // Assemble in the top three bytes so that the sign comes with it, then shift down.
        const auto bits = static_cast<std::uint32_t>(src[0]) << 8 |
                          static_cast<std::uint32_t>(src[1]) << 16 |
                          static_cast<std::uint32_t>(src[2]) << 24;
        const std::int32_t v = static_cast<std::int32_t>(bits) >> 8;
        dst[i] = static_cast<float>(v / kTwentyFourBitDivisor);
    }
}

void Pcm32ToFloat(float* dst, const std::uint8_t* src, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, src += 4) {
        const auto bits =
            static_cast<std::uint32_t>(src[0]) | static_cast<std::uint32_t>(src[1]) << 8 |
            static_cast<std::uint32_t>(src[2]) << 16 | static_cast<std::uint32_t>(src[3]) << 24;
        dst[i] = static_cast<float>(static_cast<std::int32_t>(bits) / kThirtyTwoBitDivisor);
    }
}
