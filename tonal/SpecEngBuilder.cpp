#include "tonal/SpecEngBuilder.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "audio/CpuDispatch.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if TW_WIDE_VECTORS
#include <immintrin.h>
#endif

#include "platform/SystemError.h"

namespace {

constexpr std::uint16_t kMinimumSize = 4;
constexpr double kHammingFlat = 0.54;
constexpr double kHammingCosine = 0.46;

bool IsUsableSize(std::uint16_t size) {
    return size >= kMinimumSize && (size & (size - 1)) == 0;
}

std::uint32_t ReverseBits(std::uint32_t value, std::uint32_t bits) {
    std::uint32_t reversed = 0;
    for (std::uint32_t b = 0; b < bits; ++b) {
        reversed = (reversed << 1) | (value & 1u);
        value >>= 1;
    }
    return reversed;
}

}  // namespace

CPfSpecEngBuilder::CPfSpecEngBuilder(std::uint16_t size)
    : size_(size), usable_(IsUsableSize(size)), wide_(CpuHasWideVectors()) {
    if (!usable_) return;
    const std::uint32_t points = size_ / 2u;
    std::uint32_t bits = 0;
    while ((1u << bits) < points) ++bits;

    bitReverse_.resize(points);
    twiddles_.resize(size_);
    window_.resize(size_);
    work_.resize(size_);
    natural_.resize(size_);
    splitReal_.resize(points + 2u);
    splitImaginary_.resize(points + 2u);
    // The tables are computed in double precision and kept in single precision.
    const double n = static_cast<double>(size_);
    for (std::uint32_t i = 0; i < points; ++i) {
        const std::uint32_t at = ReverseBits(i, bits) * 2u;
        bitReverse_[i] = at;
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(i) / n;
        twiddles_[at] = static_cast<float>(-std::sin(angle));
        twiddles_[at + 1] = static_cast<float>(-std::cos(angle));
    }
    // The split step's factors in natural order, copied from the table, each twice: once for
    // the real and once for the imaginary lane of a complex value.
    for (std::uint32_t k = 0; k <= points / 2u; ++k) {
        splitReal_[2 * k] = splitReal_[2 * k + 1] = twiddles_[bitReverse_[k]];
        splitImaginary_[2 * k] = splitImaginary_[2 * k + 1] = twiddles_[bitReverse_[k] + 1];
    }
    for (std::uint32_t i = 0; i < size_; ++i) {
        // Periodic window: the denominator is the block length, not one less.
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(i) / n;
        window_[i] = static_cast<float>(kHammingFlat - kHammingCosine * std::cos(angle));
    }
    spectrum_ = CPageBlock(std::size_t{size_} * sizeof(float));
    ThrowIfNull(spectrum_.Get());
}

void CPfSpecEngBuilder::Spectrum(const float* samples) {
    if (!usable_ || !samples) return;
    Transform(samples);
    SplitRealSpectrum();
    StoreMagnitudes();
}

float CPfSpecEngBuilder::SpectralSum(const float* samples) {
    if (!usable_ || !samples) return 0.0f;
    Spectrum(samples);
    const float* bins = Magnitudes();
    float sum = 0.0f;
    for (std::uint32_t k = 1; k < size_ / 2u; ++k) sum += bins[k];
    return sum;
}

void CPfSpecEngBuilder::Window(const float* samples) {
    // Four samples per round; usable sizes are multiples of four.
    float* out = work_.data();
    const float* w = window_.data();
    for (std::uint32_t i = 0; i < size_; i += 4) {
        out[i] = samples[i] * w[i];
        out[i + 1] = samples[i + 1] * w[i + 1];
        out[i + 2] = samples[i + 2] * w[i + 2];
        out[i + 3] = samples[i + 3] * w[i + 3];
    }
}

namespace {

// One butterfly of the transform: t = w × bottom; top, bottom = (top ± t) / 2.
inline void Butterfly(float* top, float* bottom, float wr, float wi) {
    const float tr = wr * bottom[0] - wi * bottom[1];
    const float ti = wr * bottom[1] + wi * bottom[0];
    const float ar = top[0];
    const float ai = top[1];
    top[0] = (ar + tr) * 0.5f;
    top[1] = (ai + ti) * 0.5f;
    bottom[0] = (ar - tr) * 0.5f;
    bottom[1] = (ai - ti) * 0.5f;
}

#if defined(__SSE2__)
// Two complex values (re, im, re, im) per register. Every lane does the scalar butterfly's
// operations in the scalar order: a - b is computed as a + (-b), which rounds the same.
const __m128 kNegateReal = _mm_castsi128_ps(_mm_set_epi32(0, INT32_MIN, 0, INT32_MIN));
const __m128 kNegateImaginary = _mm_castsi128_ps(_mm_set_epi32(INT32_MIN, 0, INT32_MIN, 0));

// w × b for two complex values with the factors' real parts in `wr` and imaginary parts in `wi`.
inline __m128 ComplexProduct(__m128 wr, __m128 wi, __m128 b) {
    const __m128 swapped = _mm_shuffle_ps(b, b, _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_add_ps(_mm_mul_ps(wr, b), _mm_xor_ps(_mm_mul_ps(wi, swapped), kNegateReal));
}

inline void ButterflyPair(__m128& top, __m128& bottom, __m128 wr, __m128 wi) {
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 t = ComplexProduct(wr, wi, bottom);
    const __m128 a = top;
    top = _mm_mul_ps(_mm_add_ps(a, t), half);
    bottom = _mm_mul_ps(_mm_sub_ps(a, t), half);
}
#endif

#if TW_WIDE_VECTORS
// The transform's stages four complex values per register, with the operations of the scalar
// butterfly in the same order: while a group holds four butterflies or more, four neighbours of
// a group share its factor; with two per group, two groups share a register; in the last stage,
// with one butterfly per group, four groups do.
TW_WIDE_VECTOR_TARGET
inline void WideButterflies(__m256& top, __m256& bottom, __m256 wr, __m256 wi) {
    const __m256 negateReal = _mm256_castsi256_ps(
        _mm256_set_epi32(0, INT32_MIN, 0, INT32_MIN, 0, INT32_MIN, 0, INT32_MIN));
    const __m256 swapped = _mm256_permute_ps(bottom, _MM_SHUFFLE(2, 3, 0, 1));
    const __m256 t = _mm256_add_ps(_mm256_mul_ps(wr, bottom),
                                   _mm256_xor_ps(_mm256_mul_ps(wi, swapped), negateReal));
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256 v = top;
    top = _mm256_mul_ps(_mm256_add_ps(v, t), half);
    bottom = _mm256_mul_ps(_mm256_sub_ps(v, t), half);
}

// Windows the block and runs every stage when the transform has at least 8 points, leaving the
// result in `natural` in natural order; returns false (and does nothing) for smaller ones. The
// first stage takes the windowed samples as it loads them (the same products the window step
// would store); the last stage stores each value straight at its natural position (`reverse`
// being the bit-reversal table).
TW_WIDE_VECTOR_TARGET
bool WideTransform(float* a, float* natural, const float* samples, const float* window,
                   const float* tw, const std::uint32_t* reverse, std::uint32_t points) {
    if (points < 8) return false;
    std::uint32_t width = points / 2u, groups = 1;
    {
        const __m256 wr = _mm256_set1_ps(-tw[1]);
        const __m256 wi = _mm256_set1_ps(tw[0]);
        const std::uint32_t bottom = 2u * width;
        for (std::uint32_t j = 0; j < bottom; j += 8) {
            __m256 t = _mm256_mul_ps(_mm256_loadu_ps(samples + j), _mm256_loadu_ps(window + j));
            __m256 b = _mm256_mul_ps(_mm256_loadu_ps(samples + bottom + j),
                                     _mm256_loadu_ps(window + bottom + j));
            WideButterflies(t, b, wr, wi);
            _mm256_storeu_ps(a + j, t);
            _mm256_storeu_ps(a + bottom + j, b);
        }
        width /= 2u;
        groups *= 2u;
    }
    for (; width >= 4; width /= 2u, groups *= 2u) {
        for (std::uint32_t g = 0; g < groups; ++g) {
            const __m256 wr = _mm256_set1_ps(-tw[2 * g + 1]);
            const __m256 wi = _mm256_set1_ps(tw[2 * g]);
            float* top = a + 4u * g * width;
            float* bottom = top + 2u * width;
            for (std::uint32_t j = 0; j < 2u * width; j += 8) {
                __m256 t = _mm256_loadu_ps(top + j);
                __m256 b = _mm256_loadu_ps(bottom + j);
                WideButterflies(t, b, wr, wi);
                _mm256_storeu_ps(top + j, t);
                _mm256_storeu_ps(bottom + j, b);
            }
        }
    }
    // Two butterflies per group: groups g and g+1 in the low and high half.
    for (std::uint32_t g = 0; g < groups; g += 2) {
        float* at = a + 8u * g;
        __m256 t = _mm256_loadu2_m128(at + 8, at);
        __m256 b = _mm256_loadu2_m128(at + 12, at + 4);
        const __m256 wr = _mm256_set_m128(_mm_set1_ps(-tw[2 * g + 3]), _mm_set1_ps(-tw[2 * g + 1]));
        const __m256 wi = _mm256_set_m128(_mm_set1_ps(tw[2 * g + 2]), _mm_set1_ps(tw[2 * g]));
        WideButterflies(t, b, wr, wi);
        _mm256_storeu2_m128(at + 8, at, t);
        _mm256_storeu2_m128(at + 12, at + 4, b);
    }
    groups *= 2u;
    // One butterfly per group, four groups at a time: g, g+2 in the low half, g+1, g+3 in the
    // high half.
    for (std::uint32_t g = 0; g < groups; g += 4) {
        float* at = a + 4u * g;
        const __m256d first = _mm256_castps_pd(_mm256_loadu_ps(at));
        const __m256d second = _mm256_castps_pd(_mm256_loadu_ps(at + 8));
        __m256 t = _mm256_castpd_ps(_mm256_unpacklo_pd(first, second));
        __m256 b = _mm256_castpd_ps(_mm256_unpackhi_pd(first, second));
        const float* w = tw + 2 * g;
        const __m256 wr = _mm256_setr_ps(-w[1], -w[1], -w[5], -w[5], -w[3], -w[3], -w[7], -w[7]);
        const __m256 wi = _mm256_setr_ps(w[0], w[0], w[4], w[4], w[2], w[2], w[6], w[6]);
        WideButterflies(t, b, wr, wi);
        // Complex value c of the output belongs at natural position rev(c); group g's top is
        // value 2g, its bottom 2g+1.
        const __m128 topsLow = _mm256_castps256_ps128(t), topsHigh = _mm256_extractf128_ps(t, 1);
        const __m128 bottomsLow = _mm256_castps256_ps128(b);
        const __m128 bottomsHigh = _mm256_extractf128_ps(b, 1);
        const std::uint32_t* to = reverse + 2 * g;
        _mm_storel_pi(reinterpret_cast<__m64*>(natural + to[0]), topsLow);
        _mm_storel_pi(reinterpret_cast<__m64*>(natural + to[1]), bottomsLow);
        _mm_storel_pi(reinterpret_cast<__m64*>(natural + to[2]), topsHigh);
        _mm_storel_pi(reinterpret_cast<__m64*>(natural + to[3]), bottomsHigh);
        _mm_storeh_pi(reinterpret_cast<__m64*>(natural + to[4]), topsLow);
        _mm_storeh_pi(reinterpret_cast<__m64*>(natural + to[5]), bottomsLow);
        _mm_storeh_pi(reinterpret_cast<__m64*>(natural + to[6]), topsHigh);
        _mm_storeh_pi(reinterpret_cast<__m64*>(natural + to[7]), bottomsHigh);
    }
    return true;
}
#endif

}  // namespace

// The windowed block, read as size/2 interleaved complex values, goes through an in-place radix-2
// transform: natural order in, bit-reversed order out. Each group of a stage shares one factor,
// and the table holds the factors in bit-reversed order, so the groups read it front to back.
// Every stage halves its results, which scales the transform by 1 / (size/2). Two butterflies
// run side by side where the stage allows it. The block is windowed first; the result is brought
// into natural order at the end.
void CPfSpecEngBuilder::Transform(const float* samples) {
    float* a = work_.data();
    const float* tw = twiddles_.data();
    const std::uint32_t points = size_ / 2u;
#if TW_WIDE_VECTORS
    if (wide_ && WideTransform(a, natural_.data(), samples, window_.data(), tw,
                               bitReverse_.data(), points))
        return;
#endif
    Window(samples);
    for (std::uint32_t half = points / 2u, groups = 1; half >= 1; half /= 2u, groups *= 2u) {
        std::uint32_t g = 0;
#if defined(__SSE2__)
        if (half >= 2) {
            // Two neighbouring butterflies of a group share its factor.
            for (; g < groups; ++g) {
                const __m128 wr = _mm_set1_ps(-tw[2 * g + 1]);
                const __m128 wi = _mm_set1_ps(tw[2 * g]);
                float* top = a + 4u * g * half;
                float* bottom = top + 2u * half;
                for (std::uint32_t j = 0; j < 2u * half; j += 4) {
                    __m128 t = _mm_loadu_ps(top + j);
                    __m128 b = _mm_loadu_ps(bottom + j);
                    ButterflyPair(t, b, wr, wi);
                    _mm_storeu_ps(top + j, t);
                    _mm_storeu_ps(bottom + j, b);
                }
            }
        } else {
            // The last stage: one butterfly per group, two groups side by side.
            for (; g + 2 <= groups; g += 2) {
                float* at = a + 4u * g;
                const __m128 first = _mm_loadu_ps(at);       // top g, bottom g
                const __m128 second = _mm_loadu_ps(at + 4);  // top g+1, bottom g+1
                __m128 top = _mm_movelh_ps(first, second);
                __m128 bottom = _mm_movehl_ps(second, first);
                const __m128 wr =
                    _mm_setr_ps(-tw[2 * g + 1], -tw[2 * g + 1], -tw[2 * g + 3], -tw[2 * g + 3]);
                const __m128 wi = _mm_setr_ps(tw[2 * g], tw[2 * g], tw[2 * g + 2], tw[2 * g + 2]);
                ButterflyPair(top, bottom, wr, wi);
                _mm_storeu_ps(at, _mm_movelh_ps(top, bottom));
                _mm_storeu_ps(at + 4, _mm_movehl_ps(bottom, top));
            }
        }
#endif
        for (; g < groups; ++g) {
            // The table stores -j * w; the butterfly needs w itself.
            const float wr = -tw[2 * g + 1];
            const float wi = tw[2 * g];
            float* top = a + 4u * g * half;
            float* bottom = top + 2u * half;
            for (std::uint32_t j = 0; j < 2u * half; j += 2) Butterfly(top + j, bottom + j, wr, wi);
        }
    }
    Unscramble();
}

// Brings the transform's output from bit-reversed into natural order, so that the steps after it
// read neighbouring values.
void CPfSpecEngBuilder::Unscramble() {
    const float* a = work_.data();
    float* z = natural_.data();
    const std::uint32_t points = size_ / 2u;
    for (std::uint32_t k = 0; k < points; ++k)
        std::memcpy(z + 2 * k, a + bitReverse_[k], 2 * sizeof(float));
}

namespace {

// The split step for one pair k, m - k (see SplitRealSpectrum); `p` and `q` point at the two
// complex values, `s` is the factor -j exp(-2 pi j k / size) as (real, imaginary).
inline void SplitPair(float* p, float* q, float sr, float si) {
    const float sumRe = p[0] + q[0];
    const float sumIm = p[1] - q[1];
    const float diffRe = p[0] - q[0];
    const float diffIm = p[1] + q[1];
    const float turnedRe = sr * diffRe - si * diffIm;
    const float turnedIm = sr * diffIm + si * diffRe;
    p[0] = (sumRe + turnedRe) * 0.5f;
    p[1] = (sumIm + turnedIm) * 0.5f;
    if (q != p) {
        q[0] = (sumRe - turnedRe) * 0.5f;
        q[1] = -(sumIm - turnedIm) * 0.5f;
    }
}

#if TW_WIDE_VECTORS
// The split step for k, k+1, k+2, k+3 against m-k … m-k-3 in 256-bit registers, from k = 1 as long
// as the two sides do not meet; returns the first k left for the narrower code. Lane by lane the
// operations of SplitPair.
TW_WIDE_VECTOR_TARGET
std::uint32_t WideSplit(float* z, const float* sr, const float* si, std::uint32_t points) {
    const __m256 negateImaginary = _mm256_castsi256_ps(_mm256_set_epi32(
        INT32_MIN, 0, INT32_MIN, 0, INT32_MIN, 0, INT32_MIN, 0));
    const __m256 negateReal = _mm256_castsi256_ps(_mm256_set_epi32(
        0, INT32_MIN, 0, INT32_MIN, 0, INT32_MIN, 0, INT32_MIN));
    const __m256 half = _mm256_set1_ps(0.5f);
    std::uint32_t k = 1;
    for (; 2 * k + 6 < points; k += 4) {
        float* p = z + 2 * k;
        float* q = z + 2 * (points - k - 3);  // m-k-3 … m-k
        const __m256 pv = _mm256_loadu_ps(p);
        // Z[m-k] … Z[m-k-3], the order of Z[k] … Z[k+3], conjugated.
        const __m256 qv = _mm256_castpd_ps(
            _mm256_permute4x64_pd(_mm256_castps_pd(_mm256_loadu_ps(q)), _MM_SHUFFLE(0, 1, 2, 3)));
        const __m256 conjugate = _mm256_xor_ps(qv, negateImaginary);
        const __m256 sum = _mm256_add_ps(pv, conjugate);
        const __m256 diff = _mm256_sub_ps(pv, conjugate);
        const __m256 wr = _mm256_loadu_ps(sr + 2 * k);
        const __m256 wi = _mm256_loadu_ps(si + 2 * k);
        // turned = s × diff, as in WideButterflies.
        const __m256 swapped = _mm256_permute_ps(diff, _MM_SHUFFLE(2, 3, 0, 1));
        const __m256 turned = _mm256_add_ps(
            _mm256_mul_ps(wr, diff), _mm256_xor_ps(_mm256_mul_ps(wi, swapped), negateReal));
        _mm256_storeu_ps(p, _mm256_mul_ps(_mm256_add_ps(sum, turned), half));
        const __m256 other = _mm256_mul_ps(
            _mm256_xor_ps(_mm256_sub_ps(sum, turned), negateImaginary), half);
        _mm256_storeu_ps(q, _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(other),
                                                                    _MM_SHUFFLE(0, 1, 2, 3))));
    }
    return k;
}
#endif

}  // namespace

// Turns the transform of the packed pairs (x[2n] + j x[2n+1]) into the spectrum of the real
// block: X[k] = (A + s B) / 2 with A = Z[k] + conj(Z[m-k]), B = Z[k] - conj(Z[m-k]) and
// s = -j exp(-2 pi j k / size), the value the twiddle table holds for k. X[m-k] comes from the
// same pair as conj(A - s B) / 2. Works on the values in natural order.
void CPfSpecEngBuilder::SplitRealSpectrum() {
    float* z = natural_.data();
    const float* sr = splitReal_.data();
    const float* si = splitImaginary_.data();
    const std::uint32_t points = size_ / 2u;

    // DC is Re Z[0] + Im Z[0], Nyquist Re Z[0] - Im Z[0]; slot 0 keeps their sum.
    const float dc = z[0] + z[1];
    const float nyquist = z[0] - z[1];
    z[0] = dc + nyquist;
    z[1] = 0.0f;

    std::uint32_t k = 1;
#if TW_WIDE_VECTORS
    if (wide_) k = WideSplit(z, sr, si, points);
#endif
#if defined(__SSE2__)
    // Pairs k, k+1 against m-k, m-k-1, as long as the two sides do not meet.
    const __m128 half = _mm_set1_ps(0.5f);
    for (; 2 * k + 2 < points; k += 2) {
        float* p = z + 2 * k;
        float* q = z + 2 * (points - k - 1);  // m-k-1, m-k
        const __m128 pv = _mm_loadu_ps(p);
        const __m128 qv = _mm_loadu_ps(q);
        // conj(Z[m-k]), conj(Z[m-k-1]) beside Z[k], Z[k+1].
        const __m128 conjugate =
            _mm_xor_ps(_mm_shuffle_ps(qv, qv, _MM_SHUFFLE(1, 0, 3, 2)), kNegateImaginary);
        const __m128 sum = _mm_add_ps(pv, conjugate);
        const __m128 diff = _mm_sub_ps(pv, conjugate);
        const __m128 turned =
            ComplexProduct(_mm_loadu_ps(sr + 2 * k), _mm_loadu_ps(si + 2 * k), diff);
        _mm_storeu_ps(p, _mm_mul_ps(_mm_add_ps(sum, turned), half));
        // conj(sum - turned) / 2, the second value first again.
        const __m128 other =
            _mm_mul_ps(_mm_xor_ps(_mm_sub_ps(sum, turned), kNegateImaginary), half);
        _mm_storeu_ps(q, _mm_shuffle_ps(other, other, _MM_SHUFFLE(1, 0, 3, 2)));
    }
#endif
    for (; k <= points / 2u; ++k)
        SplitPair(z + 2 * k, z + 2 * (points - k), sr[2 * k], si[2 * k]);
}

void CPfSpecEngBuilder::StoreMagnitudes() {
    const float* z = natural_.data();
    float* bins = static_cast<float*>(spectrum_.Get());
    const std::uint32_t points = size_ / 2u;
    std::uint32_t k = 0;
#if defined(__SSE2__)
    for (; k + 4 <= points; k += 4) {
        const __m128 lo = _mm_loadu_ps(z + 2 * k);
        const __m128 hi = _mm_loadu_ps(z + 2 * k + 4);
        const __m128 re = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 im = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
        _mm_storeu_ps(bins + k, _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(re, re), _mm_mul_ps(im, im))));
    }
#endif
    for (; k < points; ++k) bins[k] = std::sqrt(z[2 * k] * z[2 * k] + z[2 * k + 1] * z[2 * k + 1]);
}
