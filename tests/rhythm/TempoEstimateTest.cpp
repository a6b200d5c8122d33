#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/SamplesPerBar.h"
#include "rhythm/TempoEstimate.h"

namespace {

CPfPositionList ListOf(const std::vector<std::int64_t>& positions,
                       std::int64_t length = 90 * 44100) {
    CPfPositionList list(44100, length);
    for (const std::int64_t p : positions) list.AppendPrimary(p);
    return list;
}

// The window estimate written out plainly, bin by bin, as the reference for the fast one.
float ReferenceWindowTempo(const std::vector<std::int64_t>& positions, std::int64_t start,
                           std::int64_t length, std::uint32_t divisor) {
    std::vector<std::uint32_t> onsets;
    for (const std::int64_t p : positions) {
        if (onsets.size() < 512 && p > start && p < start + length) {
            onsets.push_back(static_cast<std::uint32_t>(p));
        }
    }
    if (onsets.size() < 2) return 0.0f;
    unsigned best = 0;
    float bestTempo = 0.0f;
    for (float t = 82.0f; t < 164.0f; t += 0.1f) {
        const std::int64_t period = SamplesPerBar(t, 44100) / divisor;
        const std::int64_t w = period / 40;
        const std::int64_t tol = period / 10;
        std::array<unsigned, 40> bins{};
        for (const std::uint32_t p : onsets) {
            const std::int64_t f = p % period;
            for (std::int64_t k = 0; k < 40; ++k) {
                if (f - tol < k * w && k * w < f) ++bins[static_cast<std::size_t>(k)];
            }
        }
        for (const unsigned b : bins) {
            if (b > best) {
                best = b;
                bestTempo = t;
            }
        }
    }
    return bestTempo;
}

std::vector<std::int64_t> Clicks(std::int64_t first, std::int64_t spacing, int count) {
    std::vector<std::int64_t> v;
    for (int k = 0; k < count; ++k) v.push_back(first + k * spacing);
    return v;
}

class TempoEstimate : public ::testing::Test {
protected:
    CancelFlag cancel{0};
    CPfRhythmAnalyzer context{&cancel};
};

}  // namespace

TEST_F(TempoEstimate, TheFirstCandidateToReachTheTopCountWins) {
    // At 82 BPM a beat is 129073 / 4 = 32268 frames: both onsets share a phase at the very first
    // candidate, and no later candidate can do better than two votes.
    const CPfPositionList list = ListOf({10000, 10000 + 32268});
    EXPECT_EQ(EstimateWindowTempo(context, list, 0, 882000, 4), 82.0f);
    // Half a beat at 82 BPM is 16134 frames: two of them apart is the same phase again.
    EXPECT_EQ(EstimateWindowTempo(context, list, 0, 882000, 8), 82.0f);
}

TEST_F(TempoEstimate, ASteadyClickTrackLandsOnTheLowEdgeOfItsPlateau) {
    // Clicks exactly every beat at 120 BPM: at 120.0 every phase is 0 and votes for nothing, so
    // the winner is a candidate a little below, where the phases drift slowly through one bin.
    const std::vector<std::int64_t> clicks = Clicks(22050, 22050, 30);
    const CPfPositionList list = ListOf(clicks);
    const float beat = EstimateWindowTempo(context, list, 0, 882000, 4);
    EXPECT_LT(beat, 120.0f);
    EXPECT_GT(beat, 119.3f);
    EXPECT_EQ(beat, ReferenceWindowTempo(clicks, 0, 882000, 4));
    const float half = EstimateWindowTempo(context, list, 0, 882000, 8);
    EXPECT_EQ(half, ReferenceWindowTempo(clicks, 0, 882000, 8));
    EXPECT_NEAR(half, 120.0f, 0.7f);
}

TEST_F(TempoEstimate, FastBinRangesMatchTheBinByBinRule) {
    // Irregular onsets, including phases near 0 and near the period.
    std::vector<std::int64_t> onsets;
    std::uint32_t state = 7;
    std::int64_t p = 1000;
    for (int k = 0; k < 120; ++k) {
        state = state * 1664525u + 1013904223u;
        p += 9000 + static_cast<std::int64_t>(state >> 20);
        onsets.push_back(p);
    }
    const CPfPositionList list = ListOf(onsets);
    for (const std::uint32_t divisor : {4u, 8u}) {
        EXPECT_EQ(EstimateWindowTempo(context, list, 5000, 882000, divisor),
                  ReferenceWindowTempo(onsets, 5000, 882000, divisor));
    }
}

TEST_F(TempoEstimate, WindowBoundsAreStrictAndNeedTwoOnsets) {
    const CPfPositionList list = ListOf({1000, 50000, 882000 + 1000});
    // Start 1000 excludes the onset at 1000 and the end excludes the one at 883000.
    EXPECT_EQ(EstimateWindowTempo(context, list, 1000, 882000, 4), 0.0f);
    EXPECT_NE(EstimateWindowTempo(context, list, 999, 882000, 4), 0.0f);
    EXPECT_EQ(EstimateWindowTempo(context, list, 0, 882000, 0), 0.0f);
}

TEST_F(TempoEstimate, OnlyTheFirst512OnsetsOfAWindowCount) {
    // 512 irregular onsets, then 88 onsets every half beat at 150 BPM (8820 frames).
    std::vector<std::int64_t> onsets;
    std::uint32_t state = 3;
    for (int k = 0; k < 512; ++k) {
        state = state * 1664525u + 1013904223u;
        onsets.push_back(1 + k * 190 + static_cast<std::int64_t>(state >> 26));
    }
    const std::vector<std::int64_t> first512 = onsets;
    const std::vector<std::int64_t> regular = Clicks(100000, 8820, 88);
    onsets.insert(onsets.end(), regular.begin(), regular.end());

    const float regularAlone = EstimateWindowTempo(context, ListOf(regular), 0, 882000, 8);
    EXPECT_NEAR(regularAlone, 150.0f, 0.7f);
    const float all = EstimateWindowTempo(context, ListOf(onsets), 0, 882000, 8);
    EXPECT_EQ(all, EstimateWindowTempo(context, ListOf(first512), 0, 882000, 8));
    EXPECT_GT(std::abs(all - 150.0f), 1.0f);
}

TEST_F(TempoEstimate, TrackEstimateIsTheMedianOfTheWindows) {
    const CPfPositionList list = ListOf(Clicks(22050, 22050, 179));  // 90 s at 120 BPM
    const float tempo = EstimateTempo(context, list);
    EXPECT_LE(tempo, 120.0f);
    EXPECT_GT(tempo, 119.3f);
}

TEST_F(TempoEstimate, OnsetsOnlyInTheFirstTenthGiveNoTempo) {
    // 90 s track: the first window starts at 9 s.
    EXPECT_EQ(EstimateTempo(context, ListOf(Clicks(22050, 22050, 17))), 0.0f);
    EXPECT_EQ(EstimateTempo(context, ListOf({})), 0.0f);
}

TEST_F(TempoEstimate, CancelledEstimateIsZero) {
    cancel = 1;
    EXPECT_EQ(EstimateTempo(context, ListOf(Clicks(22050, 22050, 179))), 0.0f);
}
