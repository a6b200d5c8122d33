#include "tonal/SpecEngBuilder.h"

#include <cmath>
#include <numbers>

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
    : size_(size), usable_(IsUsableSize(size)) {
    if (!usable_) return;
    const std::uint32_t points = size_ / 2u;
    std::uint32_t bits = 0;
    while ((1u << bits) < points) ++bits;

    bitReverse_.resize(points);
    twiddles_.resize(size_);
    window_.resize(size_);
    work_.resize(size_);
    // The tables are computed in double precision and kept in single precision.
    const double n = static_cast<double>(size_);
    for (std::uint32_t i = 0; i < points; ++i) {
        const std::uint32_t at = ReverseBits(i, bits) * 2u;
        bitReverse_[i] = at;
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(i) / n;
        twiddles_[at] = static_cast<float>(-std::sin(angle));
        twiddles_[at + 1] = static_cast<float>(-std::cos(angle));
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
    Window(samples);
    ComplexTransform();
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

// The windowed block, read as size/2 interleaved complex values, goes through an in-place radix-2
// transform: natural order in, bit-reversed order out. Each group of a stage shares one factor,
// and the table holds the factors in bit-reversed order, so the groups read it front to back.
// Every stage halves its results, which scales the transform by 1 / (size/2).
void CPfSpecEngBuilder::ComplexTransform() {
    float* a = work_.data();
    const float* tw = twiddles_.data();
    const std::uint32_t points = size_ / 2u;
    for (std::uint32_t half = points / 2u, groups = 1; half >= 1; half /= 2u, groups *= 2u) {
        for (std::uint32_t g = 0; g < groups; ++g) {
            // The table stores -j * w; the butterfly needs w itself.
            const float wr = -tw[2 * g + 1];
            const float wi = tw[2 * g];
            float* top = a + 4u * g * half;
            float* bottom = top + 2u * half;
            for (std::uint32_t j = 0; j < 2u * half; j += 2) {
                const float tr = wr * bottom[j] - wi * bottom[j + 1];
                const float ti = wr * bottom[j + 1] + wi * bottom[j];
                const float ar = top[j];
                const float ai = top[j + 1];
                top[j] = (ar + tr) * 0.5f;
                top[j + 1] = (ai + ti) * 0.5f;
                bottom[j] = (ar - tr) * 0.5f;
                bottom[j + 1] = (ai - ti) * 0.5f;
            }
        }
    }
}

// Turns the transform of the packed pairs (x[2n] + j x[2n+1]) into the spectrum of the real
// block: X[k] = (A + s B) / 2 with A = Z[k] + conj(Z[m-k]), B = Z[k] - conj(Z[m-k]) and
// s = -j exp(-2 pi j k / size), the value the twiddle table holds for k. X[m-k] comes from the
// same pair as conj(A - s B) / 2. Results stay in bit-reversed order.
void CPfSpecEngBuilder::SplitRealSpectrum() {
    float* a = work_.data();
    const float* tw = twiddles_.data();
    const std::uint32_t points = size_ / 2u;

    // DC is Re Z[0] + Im Z[0], Nyquist Re Z[0] - Im Z[0]; slot 0 keeps their sum.
    const float dc = a[0] + a[1];
    const float nyquist = a[0] - a[1];
    a[0] = dc + nyquist;
    a[1] = 0.0f;

    for (std::uint32_t k = 1; k <= points / 2u; ++k) {
        const std::uint32_t p = bitReverse_[k];
        const std::uint32_t q = bitReverse_[points - k];
        const float sumRe = a[p] + a[q];
        const float sumIm = a[p + 1] - a[q + 1];
        const float diffRe = a[p] - a[q];
        const float diffIm = a[p + 1] + a[q + 1];
        const float sr = tw[p];
        const float si = tw[p + 1];
        const float turnedRe = sr * diffRe - si * diffIm;
        const float turnedIm = sr * diffIm + si * diffRe;
        a[p] = (sumRe + turnedRe) * 0.5f;
        a[p + 1] = (sumIm + turnedIm) * 0.5f;
        if (q != p) {
            a[q] = (sumRe - turnedRe) * 0.5f;
            a[q + 1] = -(sumIm - turnedIm) * 0.5f;
        }
    }
}

void CPfSpecEngBuilder::StoreMagnitudes() {
    const float* a = work_.data();
    float* bins = static_cast<float*>(spectrum_.Get());
    for (std::uint32_t k = 0; k < size_ / 2u; ++k) {
        const std::uint32_t at = bitReverse_[k];
        bins[k] = std::sqrt(a[at] * a[at] + a[at + 1] * a[at + 1]);
    }
}
