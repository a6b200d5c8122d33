#include "audio/PcmKernels.h"

#include "audio/CpuDispatch.h"
#include "audio/MonoMix.h"
#include "audio/PcmSample.h"

#if TW_WIDE_VECTORS
#include <immintrin.h>
#endif

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

namespace {

constexpr std::size_t kSumsPerRegister = 4;

// Four sums side by side, each in its own order.
void FourDotProducts(const float* const* a, const float* const* b, std::size_t count, float* out) {
    const float *a0 = a[0], *a1 = a[1], *a2 = a[2], *a3 = a[3];
    const float *b0 = b[0], *b1 = b[1], *b2 = b[2], *b3 = b[3];
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        s0 += static_cast<double>(a0[i]) * b0[i];
        s1 += static_cast<double>(a1[i]) * b1[i];
        s2 += static_cast<double>(a2[i]) * b2[i];
        s3 += static_cast<double>(a3[i]) * b3[i];
    }
    out[0] = static_cast<float>(s0);
    out[1] = static_cast<float>(s1);
    out[2] = static_cast<float>(s2);
    out[3] = static_cast<float>(s3);
}

#if TW_WIDE_VECTORS
// Terms i … i + 3 of four sums. Each row's four products are formed in a register of doubles
// (products of floats are exact in double), the 4 × 4 block is transposed so that a register
// holds one term of every sum, and the terms are added in order, each addition rounding as the
// scalar one does.
TW_WIDE_VECTOR_TARGET
inline __m256d RowProducts(const float* a, const float* b) {
    return _mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(a)), _mm256_cvtps_pd(_mm_loadu_ps(b)));
}

TW_WIDE_VECTOR_TARGET
inline void AddFourTerms(__m256d& sum, const float* const* a, const float* const* b,
                         std::size_t i) {
    const __m256d r0 = RowProducts(a[0] + i, b[0] + i), r1 = RowProducts(a[1] + i, b[1] + i);
    const __m256d r2 = RowProducts(a[2] + i, b[2] + i), r3 = RowProducts(a[3] + i, b[3] + i);
    const __m256d t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1);
    const __m256d t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
    sum = _mm256_add_pd(sum, _mm256_permute2f128_pd(t0, t2, 0x20));
    sum = _mm256_add_pd(sum, _mm256_permute2f128_pd(t1, t3, 0x20));
    sum = _mm256_add_pd(sum, _mm256_permute2f128_pd(t0, t2, 0x31));
    sum = _mm256_add_pd(sum, _mm256_permute2f128_pd(t1, t3, 0x31));
}

TW_WIDE_VECTOR_TARGET
inline void AddOneTerm(__m256d& sum, const float* const* a, const float* const* b, std::size_t i) {
    const __m128 av = _mm_setr_ps(a[0][i], a[1][i], a[2][i], a[3][i]);
    const __m128 bv = _mm_setr_ps(b[0][i], b[1][i], b[2][i], b[3][i]);
    sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_cvtps_pd(av), _mm256_cvtps_pd(bv)));
}

// Eight sums in two registers, whose additions overlap.
TW_WIDE_VECTOR_TARGET
void WideDotProducts(const float* const* a, const float* const* b, std::size_t count,
                     float* out) {
    const float* const* a2 = a + kSumsPerRegister;
    const float* const* b2 = b + kSumsPerRegister;
    __m256d low = _mm256_setzero_pd(), high = _mm256_setzero_pd();
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        AddFourTerms(low, a, b, i);
        AddFourTerms(high, a2, b2, i);
    }
    for (; i < count; ++i) {
        AddOneTerm(low, a, b, i);
        AddOneTerm(high, a2, b2, i);
    }
    _mm_storeu_ps(out, _mm256_cvtpd_ps(low));
    _mm_storeu_ps(out + kSumsPerRegister, _mm256_cvtpd_ps(high));
}
#endif

}  // namespace

void DotProducts(const float* const* a, const float* const* b, std::size_t count, float* out,
                 bool wide) {
#if TW_WIDE_VECTORS
    if (wide) return WideDotProducts(a, b, count, out);
#else
    (void)wide;
#endif
    for (std::size_t j = 0; j < kDotProductGroup; j += kSumsPerRegister)
        FourDotProducts(a + j, b + j, count, out + j);
}

namespace {
template <std::size_t kBytes>
void PcmToFloat(float* dst, const std::uint8_t* src, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, src += kBytes) dst[i] = PcmSampleAt<kBytes>(src);
}
}  // namespace

void Pcm8ToFloat(float* dst, const std::uint8_t* src, std::size_t count) {
    PcmToFloat<1>(dst, src, count);
}

void Pcm16ToFloat(float* dst, const std::uint8_t* src, std::size_t count) {
    PcmToFloat<2>(dst, src, count);
}

void Pcm24ToFloat(float* dst, const std::uint8_t* src, std::size_t count) {
    PcmToFloat<3>(dst, src, count);
}

void Pcm32ToFloat(float* dst, const std::uint8_t* src, std::size_t count) {
    PcmToFloat<4>(dst, src, count);
}

namespace {
// One frame: the samples in channel order, each at full scale, summed and scaled; the order of
// the operations is that of the separate conversion, mix and scaling passes.
template <std::size_t kBytes, std::size_t kChannels>
TW_INLINE_INTO_CLONES void MixFixed(float* dst, const std::uint8_t* src, std::size_t frames,
                                    std::size_t channels, float inverse) {
    const std::size_t n = kChannels ? kChannels : channels;
    for (std::size_t i = 0; i < frames; ++i) {
        const std::uint8_t* frame = src + i * n * kBytes;
        float sum = PcmSampleAt<kBytes>(frame) * kSixteenBitToUnit;
        for (std::size_t c = 1; c < n; ++c)
            sum = sum + PcmSampleAt<kBytes>(frame + c * kBytes) * kSixteenBitToUnit;
        dst[i] = sum * inverse;
    }
}

template <std::size_t kBytes>
TW_INLINE_INTO_CLONES void MixFrames(float* dst, const std::uint8_t* src, std::size_t frames,
                                     std::size_t channels, float inverse) {
    if (channels == 2)
        MixFixed<kBytes, 2>(dst, src, frames, channels, inverse);
    else
        MixFixed<kBytes, 0>(dst, src, frames, channels, inverse);
}

TW_WIDE_VECTOR_CLONES
void Mix8ToMono(float* dst, const std::uint8_t* src, std::size_t frames, std::size_t channels,
                float inverse) {
    MixFrames<1>(dst, src, frames, channels, inverse);
}

TW_WIDE_VECTOR_CLONES
void Mix16ToMono(float* dst, const std::uint8_t* src, std::size_t frames, std::size_t channels,
                 float inverse) {
    MixFrames<2>(dst, src, frames, channels, inverse);
}

TW_WIDE_VECTOR_CLONES
void Mix24ToMono(float* dst, const std::uint8_t* src, std::size_t frames, std::size_t channels,
                 float inverse) {
    MixFrames<3>(dst, src, frames, channels, inverse);
}

TW_WIDE_VECTOR_CLONES
void Mix32ToMono(float* dst, const std::uint8_t* src, std::size_t frames, std::size_t channels,
                 float inverse) {
    MixFrames<4>(dst, src, frames, channels, inverse);
}
}  // namespace

namespace {
template <std::size_t kChannels>
TW_INLINE_INTO_CLONES void MixFloatFixed(float* dst, const float* src, std::size_t frames,
                                         std::size_t channels, float inverse) {
    const std::size_t n = kChannels ? kChannels : channels;
    for (std::size_t i = 0; i < frames; ++i) {
        const float* frame = src + i * n;
        dst[i] = MixFrameToMono([frame](std::size_t c) { return frame[c]; }, n, inverse);
    }
}
}  // namespace

TW_WIDE_VECTOR_CLONES
void MixFloatToMono(float* dst, const float* src, std::size_t frames, std::size_t channels,
                    float inverse) {
    if (channels == 2)
        MixFloatFixed<2>(dst, src, frames, channels, inverse);
    else
        MixFloatFixed<0>(dst, src, frames, channels, inverse);
}

MixToMonoKernel MixToMonoKernelFor(std::uint16_t bits) {
    switch (bits) {
        case 8:
            return Mix8ToMono;
        case 16:
            return Mix16ToMono;
        case 24:
            return Mix24ToMono;
        case 32:
            return Mix32ToMono;
        default:
            return nullptr;
    }
}

PcmToFloatKernel PcmToFloatKernelFor(std::uint16_t bits) {
    switch (bits) {
        case 8:
            return Pcm8ToFloat;
        case 16:
            return Pcm16ToFloat;
        case 24:
            return Pcm24ToFloat;
        case 32:
            return Pcm32ToFloat;
        default:
            return nullptr;
    }
}
