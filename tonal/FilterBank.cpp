#include "tonal/FilterBank.h"

#include <cmath>
#include <numbers>

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

void CPfFilterBank::Process(float* samples, std::size_t count, std::size_t stride) {
    if (!samples || stride == 0 || count_ == 0) return;
    // Each sample goes through every section before the next sample is taken. Every section
    // keeps its own state, so the output equals passing the whole block through section 0, then
    // section 1, and so on; interleaving lets the sections' recurrences overlap in the pipeline.
    std::array<PF_BIQUAD_COEFFS, kMaxSections> c;
    std::array<float, kMaxSections> w1, w2;
    for (std::uint32_t i = 0; i < count_; ++i) {
        c[i] = sections_[i].coeffs;
        w1[i] = sections_[i].w1;
        w2[i] = sections_[i].w2;
    }
    float* x = samples;
    for (std::size_t n = 0; n < count; ++n, x += stride) {
        float v = *x;
        for (std::uint32_t i = 0; i < count_; ++i) {
            const float w = v - (c[i].a1 * w1[i] + c[i].a2 * w2[i]);
            v = c[i].b0 * w + c[i].b1 * w1[i] + c[i].b2 * w2[i];
            w2[i] = w1[i];
            w1[i] = w;
        }
        *x = v;
    }
    for (std::uint32_t i = 0; i < count_; ++i) {
        sections_[i].w1 = w1[i];
        sections_[i].w2 = w2[i];
    }
}

PF_BIQUAD_COEFFS CPfFilterBank::Coefficients(std::uint32_t index) const {
    return index < count_ ? sections_[index].coeffs : PF_BIQUAD_COEFFS{};
}
