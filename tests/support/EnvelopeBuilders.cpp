#include "tests/support/EnvelopeBuilders.h"

#include <cmath>

#include <gtest/gtest.h>

CPfPcmThumbnail EnvelopeOf(const std::vector<float>& values, std::uint32_t rate,
                           std::uint32_t decimation) {
    CPfPcmThumbnail t;
    EXPECT_TRUE(t.Allocate(std::uint64_t{values.size()} * decimation, rate, decimation));
    for (std::size_t i = 0; i < values.size(); ++i) {
        t.SetEntry(static_cast<std::int64_t>(i), values[i]);
    }
    return t;
}

std::vector<float> EntriesOf(const CPfPcmThumbnail& thumbnail) {
    std::vector<float> v;
    for (std::uint32_t i = 0; i < thumbnail.Count(); ++i) v.push_back(thumbnail.EntryAt(i));
    return v;
}

CPfPcmThumbnail ClickEnvelope(double bpm, double seconds, double firstBeatSeconds,
                              std::uint32_t seed, float offBeat) {
    constexpr std::uint32_t kRate = 44100;
    constexpr std::uint32_t kDecimation = 256;
    const auto frames = static_cast<std::uint64_t>(seconds * kRate);
    const std::size_t count = frames / kDecimation;
    std::vector<float> v(count);

    std::uint32_t state = seed;
    for (float& x : v) {
        state = state * 1664525u + 1013904223u;
        x = 0.02f * static_cast<float>(state >> 8) / static_cast<float>(1u << 24);
    }
    const double eighth = 60.0 / bpm / 2.0;
    for (int n = 0;; ++n) {
        const double at = firstBeatSeconds + n * eighth;
        if (at >= seconds) break;
        const float amplitude = n % 2 == 0 ? 1.0f : offBeat;
        const auto entry = static_cast<std::size_t>(at * kRate / kDecimation);
        for (std::size_t k = 0; k < 40 && entry + k < count; ++k) {
            v[entry + k] += amplitude * static_cast<float>(std::exp(-static_cast<double>(k) / 6.0));
        }
    }
    // The envelope describes every frame of the track, the partial last block included.
    CPfPcmThumbnail t;
    EXPECT_TRUE(t.Allocate(frames, kRate, kDecimation));
    for (std::size_t i = 0; i < count; ++i) t.SetEntry(static_cast<std::int64_t>(i), v[i]);
    return t;
}
