#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "audio/CpuDispatch.h"
#include "tests/support/AllocationCounter.h"
#include "tonal/SpecEngBuilder.h"

namespace {

constexpr double kPi = std::numbers::pi;

std::vector<float> Sine(std::size_t n, double bin, double amplitude, double phase = 0.0) {
    std::vector<float> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<float>(amplitude * std::sin(2.0 * kPi * bin * i / n + phase));
    return out;
}

// Reference: |DFT of the periodic-Hamming-windowed block| / (n/2), computed in double; bin 0
// holds the DC and Nyquist terms together.
std::vector<double> ReferenceMagnitudes(const std::vector<float>& x) {
    const std::size_t n = x.size();
    std::vector<double> mags(n / 2);
    auto dft = [&](std::size_t k) {
        std::complex<double> acc = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double w = 0.54 - 0.46 * std::cos(2.0 * kPi * i / n);
            acc += x[i] * w * std::polar(1.0, -2.0 * kPi * double(k * i) / n);
        }
        return acc / (n / 2.0);
    };
    mags[0] = std::abs(dft(0) + dft(n / 2));
    for (std::size_t k = 1; k < n / 2; ++k) mags[k] = std::abs(dft(k));
    return mags;
}

}  // namespace

TEST(SpecEngBuilder, SilenceSumsToZero) {
    CPfSpecEngBuilder engine(256);
    const std::vector<float> zeros(256, 0.0f);
    EXPECT_EQ(engine.SpectralSum(zeros.data()), 0.0f);
}

TEST(SpecEngBuilder, ConstantBlockLeaksOnlyIntoBinOne) {
    // Bin 0 would read 1.08 L, but DC never counts; the window's cosine puts 0.46 L into bin 1.
    CPfSpecEngBuilder engine(256);
    const float level = 0.8f;
    const std::vector<float> block(256, level);
    EXPECT_NEAR(engine.SpectralSum(block.data()), 0.46f * level, 1e-5f);
    EXPECT_NEAR(engine.Magnitudes()[0], 1.08f * level, 1e-5f);
    EXPECT_NEAR(engine.Magnitudes()[1], 0.46f * level, 1e-5f);
    for (int k = 2; k < 128; ++k) EXPECT_NEAR(engine.Magnitudes()[k], 0.0f, 1e-6f) << k;
}

TEST(SpecEngBuilder, SineOnBinTenReadsHammingMainLobe) {
    CPfSpecEngBuilder engine(256);
    for (double phase : {0.0, 0.7, kPi / 2}) {
        const auto block = Sine(256, 10.0, 1.0, phase);
        const float sum = engine.SpectralSum(block.data());
        const float* bins = engine.Magnitudes();
        EXPECT_NEAR(bins[10], 0.54f, 1e-5f);
        EXPECT_NEAR(bins[9], 0.23f, 1e-5f);
        EXPECT_NEAR(bins[11], 0.23f, 1e-5f);
        for (int k = 0; k < 128; ++k)
            if (k < 9 || k > 11) {
                EXPECT_NEAR(bins[k], 0.0f, 1e-5f) << k;
            }
        EXPECT_NEAR(sum, 1.0f, 1e-5f);
    }
}

TEST(SpecEngBuilder, MatchesReferenceTransformAtEverySize) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    for (std::uint16_t n : {4, 8, 16, 64, 256, 1024}) {
        CPfSpecEngBuilder engine(n);
        ASSERT_TRUE(engine.Usable());
        std::vector<float> block(n);
        for (auto& v : block) v = dist(rng);
        const auto expected = ReferenceMagnitudes(block);
        const float sum = engine.SpectralSum(block.data());
        double expectedSum = 0.0;
        for (std::size_t k = 0; k < n / 2u; ++k) {
            EXPECT_NEAR(engine.Magnitudes()[k], expected[k], 2e-5) << "size " << n << " bin " << k;
            if (k >= 1) expectedSum += expected[k];
        }
        EXPECT_NEAR(sum, expectedSum, 1e-4 * n) << "size " << n;
    }
}

TEST(SpecEngBuilder, SumAddsBinsOneToHalfInOrderInSinglePrecision) {
    CPfSpecEngBuilder engine(256);
    const auto block = Sine(256, 37.3, 0.6);
    const float sum = engine.SpectralSum(block.data());
    float expected = 0.0f;
    for (int k = 1; k < 128; ++k) expected += engine.Magnitudes()[k];
    EXPECT_EQ(sum, expected);
}

TEST(SpecEngBuilder, UnusableSizesGiveAnInertEngine) {
    const std::vector<float> block(128, 0.5f);
    for (std::uint16_t n : {0, 1, 2, 12, 100}) {
        CPfSpecEngBuilder engine(n);
        EXPECT_FALSE(engine.Usable()) << n;
        EXPECT_EQ(engine.SpectralSum(block.data()), 0.0f) << n;
        EXPECT_EQ(engine.Magnitudes(), nullptr) << n;
    }
    CPfSpecEngBuilder engine(256);
    EXPECT_EQ(engine.SpectralSum(nullptr), 0.0f);
}

TEST(SpecEngBuilder, PerBlockCallAllocatesNothing) {
    CPfSpecEngBuilder engine(256);
    const auto block = Sine(256, 3.5, 0.9);
    CAllocationWatch watch;
    float total = 0.0f;
    for (int i = 0; i < 100; ++i) total += engine.SpectralSum(block.data());
    EXPECT_EQ(watch.Count(), 0u);
    EXPECT_GT(total, 0.0f);
}

// An engine made while the 256-bit code is turned off runs the baseline code; both must give the
// same magnitudes bit for bit, at every size and on blocks of every kind. (Where the processor
// has no wide code, both engines run the baseline code and agree trivially.)
TEST(SpecEngBuilder, WideCodeGivesTheBaselineSpectrumExactly) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (const std::uint16_t n : {4, 8, 16, 32, 64, 128, 256, 1024}) {
        CPfSpecEngBuilder wide(n);
        AllowWideVectors(false);
        CPfSpecEngBuilder baseline(n);
        AllowWideVectors(true);
        std::vector<std::vector<float>> blocks = {Sine(n, 1.0, 0.5), Sine(n, n / 4.0 - 0.3, 0.9),
                                                  std::vector<float>(n, 0.25f)};
        std::vector<float> random(n);
        for (float& v : random) v = noise(rng);
        blocks.push_back(random);
        for (const auto& block : blocks) {
            const float wideSum = wide.SpectralSum(block.data());
            EXPECT_EQ(wideSum, baseline.SpectralSum(block.data())) << n;
            for (std::size_t k = 0; k < n / 2u; ++k)
                ASSERT_EQ(wide.Magnitudes()[k], baseline.Magnitudes()[k]) << n << " bin " << k;
        }
    }
}
