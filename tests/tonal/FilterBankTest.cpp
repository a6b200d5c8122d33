#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "tonal/FilterBank.h"

namespace {

CPfFilterBank LowPass120(std::uint32_t sections) {
    CPfFilterBank bank(44100);
    bank.SetSectionCount(sections);
    for (std::uint32_t i = 0; i < sections; ++i) bank.SetSection(i, 120.0f, 1.25f);
    bank.Design();
    return bank;
}

// Steady-state amplitude after the cascade of a unit sine at `frequency`.
float SteadyGain(CPfFilterBank& bank, double frequency) {
    std::vector<float> x(44100 * 2);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * frequency * i / 44100.0));
    bank.Process(x.data(), x.size(), 1);
    float peak = 0.0f;
    for (std::size_t i = x.size() / 2; i < x.size(); ++i) peak = std::max(peak, std::fabs(x[i]));
    return peak;
}

}  // namespace

TEST(FilterBank, DesignsThePrewarpedBilinearLowPass) {
    // c = tan(pi 120 / 44100) = 0.008548759680676; a0 = c^2 + 1.25 c + 1.
    const CPfFilterBank bank = LowPass120(3);
    for (std::uint32_t i = 0; i < 3; ++i) {
        const PF_BIQUAD_COEFFS c = bank.Coefficients(i);
        EXPECT_FLOAT_EQ(c.b0, 7.230337780251485e-05f);
        EXPECT_FLOAT_EQ(c.b1, 1.446067556050297e-04f);
        EXPECT_FLOAT_EQ(c.b2, 7.230337780251485e-05f);
        EXPECT_FLOAT_EQ(c.a1, -1.9785663806032345f);
        EXPECT_FLOAT_EQ(c.a2, 0.9788555941144447f);
    }
}

TEST(FilterBank, CascadeResponseMatchesTheAnalogPrototype) {
    // Each section passes 1/k = 0.8 at its corner, so three pass 0.512; 55 Hz gains 1.0762
    // (the resonance of Q = 0.8); 1 kHz is attenuated by about 110 dB.
    CPfFilterBank atCorner = LowPass120(3);
    EXPECT_NEAR(SteadyGain(atCorner, 120.0), 0.512f, 0.002f);
    CPfFilterBank atA1 = LowPass120(3);
    EXPECT_NEAR(SteadyGain(atA1, 55.0), 1.0762f, 0.002f);
    CPfFilterBank high = LowPass120(3);
    EXPECT_LT(SteadyGain(high, 1000.0), 1e-4f);
}

TEST(FilterBank, EqualsDirectFormTwoSectionAfterSection) {
    std::vector<float> x(5000);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(std::sin(0.003 * i) + 0.5 * std::sin(0.4 * i));
    // Reference: the whole block through section 0, then 1, then 2, w = x - (a1 w1 + a2 w2),
    // y = b0 w + b1 w1 + b2 w2, in single precision.
    const CPfFilterBank designed = LowPass120(3);
    std::vector<float> expected = x;
    for (std::uint32_t s = 0; s < 3; ++s) {
        const PF_BIQUAD_COEFFS c = designed.Coefficients(s);
        float w1 = 0.0f, w2 = 0.0f;
        for (float& v : expected) {
            const float w = v - (c.a1 * w1 + c.a2 * w2);
            v = c.b0 * w + c.b1 * w1 + c.b2 * w2;
            w2 = w1;
            w1 = w;
        }
    }
    CPfFilterBank bank = LowPass120(3);
    bank.Process(x.data(), x.size(), 1);
    EXPECT_EQ(x, expected);
}

TEST(FilterBank, StateCarriesAcrossCallsAndStrideSkipsOtherChannels) {
    std::vector<float> whole(3000), interleaved(6000);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        whole[i] = static_cast<float>(std::sin(0.01 * i) + 0.3 * std::cos(0.2 * i));
        interleaved[2 * i] = whole[i];
        interleaved[2 * i + 1] = 7.0f;
    }
    CPfFilterBank inOne = LowPass120(3);
    std::vector<float> expected = whole;
    inOne.Process(expected.data(), expected.size(), 1);

    CPfFilterBank inPieces = LowPass120(3);
    inPieces.Process(interleaved.data(), 1000, 2);
    inPieces.Process(interleaved.data() + 2000, 256, 2);
    inPieces.Process(interleaved.data() + 2512, 1744, 2);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        ASSERT_EQ(interleaved[2 * i], expected[i]) << i;
        ASSERT_EQ(interleaved[2 * i + 1], 7.0f) << i;
    }
}

TEST(FilterBank, RejectsBadSectionsAndArguments) {
    CPfFilterBank bank(44100);
    EXPECT_FALSE(bank.SetSectionCount(33));
    EXPECT_TRUE(bank.SetSectionCount(32));
    EXPECT_TRUE(bank.SetSectionCount(2));
    EXPECT_FALSE(bank.SetSection(2, 120.0f, 1.0f));
    EXPECT_FALSE(bank.SetSection(0, 0.0f, 1.0f));
    EXPECT_FALSE(bank.SetSection(0, 22050.0f, 1.0f));
    EXPECT_TRUE(bank.SetSection(0, 22049.0f, 1.0f));
    bank.Design();
    EXPECT_EQ(bank.Coefficients(5).b0, 0.0f);  // outside the sections in use

    std::vector<float> x(16, 1.0f);
    bank.Process(x.data(), x.size(), 0);
    bank.Process(nullptr, 16, 1);
    EXPECT_EQ(x, std::vector<float>(16, 1.0f));
}
