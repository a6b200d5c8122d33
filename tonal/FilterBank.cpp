#include "tonal/FilterBank.h"

#include <cmath>
#include <numbers>

#include "audio/CpuDispatch.h"

CPfFilterBank::CPfFilterBank(std::uint32_t sampleRate)
    : samplePeriod_(1.0 / static_cast<double>(sampleRate ? sampleRate : 1u)) {}

bool CPfFilterBank::SetSectionCount(std::uint32_t count) {
    if (count > kMaxSections) return false;
    count_ = count;
    return true;
}

bool CPfFilterBank::SetSection(std::uint32_t index, float frequency, float bandwidth) {
    if (index >= count_) return false;
    const double nyquist = 0.5 / samplePeriod_;
    if (!(frequency > 0.0f) || !(static_cast<double>(frequency) < nyquist)) return false;
    sections_[index].frequency = frequency;
    sections_[index].bandwidth = bandwidth;
    return true;
}

// The analog prototype c^2 / (c^2 + c k u + u^2) with u = (1 - 1/z) / (1 + 1/z) and
// c = tan(pi f / fs), multiplied out by (1 + 1/z)^2 and divided by a0 = c^2 + c k + 1.
// The design runs in double precision; the coefficients are kept in single precision.
void CPfFilterBank::Design() {
    for (std::uint32_t i = 0; i < count_; ++i) {
        Section& s = sections_[i];
        const double c =
            std::tan(std::numbers::pi * static_cast<double>(s.frequency) * samplePeriod_);
        const double k = static_cast<double>(s.bandwidth);
        const double c2 = c * c;
        const double a0 = c2 + c * k + 1.0;
        s.coeffs.b0 = static_cast<float>(c2 / a0);
        s.coeffs.b1 = static_cast<float>(2.0 * c2 / a0);
        s.coeffs.b2 = static_cast<float>(c2 / a0);
        s.coeffs.a1 = static_cast<float>((2.0 * c2 - 2.0) / a0);
        s.coeffs.a2 = static_cast<float>((c2 - c * k + 1.0) / a0);
    }
}

namespace {

// One direct-form II step of a section: w = x - (a1 w1 + a2 w2), y = b0 w + b1 w1 + b2 w2.
TW_INLINE_INTO_CLONES float Step(const PF_BIQUAD_COEFFS& c, float x, float& w1, float& w2) {
    const float w = x - (c.a1 * w1 + c.a2 * w2);
    const float y = c.b0 * w + c.b1 * w1 + c.b2 * w2;
    w2 = w1;
    w1 = w;
    return y;
}

// Each sample goes through every section before the next sample is taken. Every section keeps
// its own state, so the output equals passing the whole block through section 0, then section
// 1, and so on; interleaving lets the sections' recurrences overlap in the pipeline. With the
// section count fixed at compile time the delay values live in registers, so each recurrence
// waits only for its own arithmetic.
template <std::uint32_t kSections>
TW_INLINE_INTO_CLONES void RunCascade(const PF_BIQUAD_COEFFS* coeffs, float* w1s, float* w2s,
                                      float* x, std::size_t count, std::size_t stride) {
    PF_BIQUAD_COEFFS c[kSections];
    float w1[kSections], w2[kSections];
    for (std::uint32_t i = 0; i < kSections; ++i) {
        c[i] = coeffs[i];
        w1[i] = w1s[i];
        w2[i] = w2s[i];
    }
    for (std::size_t n = 0; n < count; ++n, x += stride) {
        float v = *x;
        for (std::uint32_t i = 0; i < kSections; ++i) v = Step(c[i], v, w1[i], w2[i]);
        *x = v;
    }
    for (std::uint32_t i = 0; i < kSections; ++i) {
        w1s[i] = w1[i];
        w2s[i] = w2[i];
    }
}

TW_INLINE_INTO_CLONES void RunCascade(std::uint32_t sections, const PF_BIQUAD_COEFFS* c, float* w1,
                                      float* w2, float* x, std::size_t count, std::size_t stride) {
    for (std::size_t n = 0; n < count; ++n, x += stride) {
        float v = *x;
        for (std::uint32_t i = 0; i < sections; ++i) v = Step(c[i], v, w1[i], w2[i]);
        *x = v;
    }
}

}  // namespace

// The AVX2 copy's three-operand instructions spare the register copies of the baseline one; the
// arithmetic is the same.
TW_WIDE_VECTOR_CLONES
void CPfFilterBank::Process(float* samples, std::size_t count, std::size_t stride) {
    if (!samples || stride == 0 || count_ == 0) return;
    std::array<PF_BIQUAD_COEFFS, kMaxSections> c;
    std::array<float, kMaxSections> w1, w2;
    for (std::uint32_t i = 0; i < count_; ++i) {
        c[i] = sections_[i].coeffs;
        w1[i] = sections_[i].w1;
        w2[i] = sections_[i].w2;
    }
    switch (count_) {
        case 1:
            RunCascade<1>(c.data(), w1.data(), w2.data(), samples, count, stride);
            break;
        case 2:
            RunCascade<2>(c.data(), w1.data(), w2.data(), samples, count, stride);
            break;
        case 3:
            RunCascade<3>(c.data(), w1.data(), w2.data(), samples, count, stride);
            break;
        case 4:
            RunCascade<4>(c.data(), w1.data(), w2.data(), samples, count, stride);
            break;
        default:
            RunCascade(count_, c.data(), w1.data(), w2.data(), samples, count, stride);
            break;
    }
    for (std::uint32_t i = 0; i < count_; ++i) {
        sections_[i].w1 = w1[i];
        sections_[i].w2 = w2[i];
    }
}

PF_BIQUAD_COEFFS CPfFilterBank::Coefficients(std::uint32_t index) const {
    return index < count_ ? sections_[index].coeffs : PF_BIQUAD_COEFFS{};
}
