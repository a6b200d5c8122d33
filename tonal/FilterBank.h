#pragma once
// A cascade of second-order low-pass sections (direct form II), designed by the bilinear
// transform with frequency prewarping. The note detector runs its 120 Hz low-pass through it.

#include <array>
#include <cstddef>
#include <cstdint>

// The designed coefficients of one section, a0 normalised to 1.
struct PF_BIQUAD_COEFFS {
    float b0 = 0.0f;
    float b1 = 0.0f;
    float b2 = 0.0f;
    float a1 = 0.0f;
    float a2 = 0.0f;
};

class CPfFilterBank {
public:
    static constexpr std::uint32_t kMaxSections = 32;

    // A bank for signals at `sampleRate` Hz (0 counts as 1) with no sections in use and every
    // delay value zero.
    explicit CPfFilterBank(std::uint32_t sampleRate);
    virtual ~CPfFilterBank() = default;

    // Sets how many sections are in use; false (and no change) above kMaxSections.
    bool SetSectionCount(std::uint32_t count);
    // Sets a section's corner frequency in Hz and its bandwidth factor k (1/Q). False (and no
    // change) for an index outside the sections in use, or a frequency not strictly between 0
    // and half the sample rate.
    bool SetSection(std::uint32_t index, float frequency, float bandwidth);
    // Designs every section in use from its frequency and bandwidth factor.
    void Design();

    // Filters `count` samples spaced `stride` floats apart in place, through section 0, then
    // section 1, and so on. The delay values carry over to the next call. A null pointer or a
    // stride of 0 does nothing.
    void Process(float* samples, std::size_t count, std::size_t stride);

    std::uint32_t SectionCount() const { return count_; }
    // Coefficients of section `index` (zeros before `Design` and outside the sections in use).
    PF_BIQUAD_COEFFS Coefficients(std::uint32_t index) const;

private:
    struct Section {
        float frequency = 0.0f;
        float bandwidth = 0.0f;
        PF_BIQUAD_COEFFS coeffs;
        float w1 = 0.0f;
        float w2 = 0.0f;
    };

    std::array<Section, kMaxSections> sections_{};
    std::uint32_t count_ = 0;
    double samplePeriod_;
};
