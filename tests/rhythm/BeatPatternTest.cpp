#include <gtest/gtest.h>

#include <vector>

#include "rhythm/BeatPattern.h"
#include "tests/support/EnvelopeBuilders.h"

namespace {

constexpr std::int64_t kStep = 2048;  // one grid step: 8 entries of 256 frames
constexpr std::int64_t kPoints = 35;  // four whole bars and three points of a fifth

// A grid of kPoints evenly spaced points whose bar phase is grid point `phase` (none when -1).
CPfPositionList Grid(std::int64_t phase) {
    CPfPositionList grid(44100, kPoints * kStep);
    for (std::int64_t i = 0; i < kPoints; ++i) grid.AppendPrimary(i * kStep);
    grid.SetSubdivisionsPerBar(8);
    if (phase >= 0) grid.AppendSecondary(phase * kStep);
    return grid;
}

// One peak in the middle of every grid interval j, of height level(j); silence elsewhere, so
// that the loudest entry of interval j is exactly level(j).
template <class Level>
CPfPcmThumbnail Peaks(Level level) {
    std::vector<float> values((kPoints + 1) * 8, 0.0f);
    for (std::int64_t j = 0; j < kPoints; ++j)
        values[static_cast<std::size_t>(j * 8 + 4)] = level(j);
    return EnvelopeOf(values);
}

const float kLevels[8] = {1.0f, 0.25f, 0.5f, 0.25f, 0.75f, 0.25f, 0.5f, 0.5f};

std::vector<float> Build(const CPfPcmThumbnail& envelope, const CPfPositionList& grid) {
    CPfBeatPattern pattern;
    EXPECT_TRUE(BuildBeatPattern(envelope, grid, pattern));
    return pattern.slots;
}

}  // namespace

// The sums run over the intervals 0 … 30 (grid indices 1 … 31 of the 32 points of whole bars):
// slots 0 … 6 see four intervals, slot 7 three. Sums 4, 1, 2, 1, 3, 1, 2, 1.5 normalise with
// low 1 and high 4.
TEST(BuildBeatPattern, SumsTheLoudestEntryOfEachSlotOverWholeBars) {
    const CPfPcmThumbnail envelope = Peaks([](std::int64_t j) { return kLevels[j % 8]; });
    const std::vector<float> expected = {1.0f,     0.0f, 1.0f / 3, 0.0f,
                                         2.0f / 3, 0.0f, 1.0f / 3, 0.5f / 3};
    const std::vector<float> pattern = Build(envelope, Grid(0));
    ASSERT_EQ(pattern.size(), 8u);
    for (std::size_t k = 0; k < 8; ++k) EXPECT_FLOAT_EQ(pattern[k], expected[k]) << k;
    // Without a bar phase the grid point nearest position 0 gives the phase.
    EXPECT_EQ(Build(envelope, Grid(-1)), pattern);
}

TEST(BuildBeatPattern, BarPhaseOneStepLaterRotatesBothPatternsByOneSlot) {
    const CPfPcmThumbnail energy = Peaks([](std::int64_t j) { return kLevels[j % 8]; });
    const CPfPcmThumbnail detector =
        Peaks([](std::int64_t j) { return j % 2 == 0 ? 0.9f : 0.1f * static_cast<float>(j % 8); });
    for (const CPfPcmThumbnail* envelope : {&energy, &detector}) {
        const std::vector<float> early = Build(*envelope, Grid(2));
        const std::vector<float> late = Build(*envelope, Grid(3));
        ASSERT_EQ(late.size(), 8u);
        for (std::size_t k = 0; k < 8; ++k) EXPECT_EQ(late[k], early[(k + 1) % 8]) << k;
    }
}

// Every slot sums to 1.5 over the first three bars; the fourth bar is silent and the loud
// partial fifth bar (and the interval after the last point of whole bars) is not counted.
TEST(BuildBeatPattern, EqualSlotsGiveAllZerosAndThePartialBarIsIgnored) {
    const CPfPcmThumbnail envelope =
        Peaks([](std::int64_t j) { return j < 24 ? 0.5f : (j < 31 ? 0.0f : 100.0f); });
    EXPECT_EQ(Build(envelope, Grid(0)), std::vector<float>(8, 0.0f));
}

TEST(BuildBeatPattern, EmptyGridGivesZerosAndNoSubdivisionsFails) {
    const CPfPcmThumbnail envelope = Peaks([](std::int64_t) { return 1.0f; });
    CPfPositionList empty(44100, 0);
    empty.SetSubdivisionsPerBar(8);
    EXPECT_EQ(Build(envelope, empty), std::vector<float>(8, 0.0f));

    CPfBeatPattern pattern;
    pattern.slots = {7.0f};
    CPfPositionList unset = Grid(0);
    unset.SetSubdivisionsPerBar(0);
    EXPECT_FALSE(BuildBeatPattern(envelope, unset, pattern));
    EXPECT_EQ(pattern.slots, std::vector<float>{7.0f});
}
