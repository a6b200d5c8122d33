#include <gtest/gtest.h>

#include <vector>

#include "rhythm/BarPhase.h"
#include "tests/support/BarTempo.h"
#include "tests/support/EnvelopeBuilders.h"

namespace {

constexpr std::int64_t kStep = 2048;  // one grid step: 8 entries of 256 frames
constexpr std::int64_t kEntriesPerStep = 8;
constexpr std::int64_t kGridPoints = 96;  // twelve bars

CPfPositionList EvenGrid(std::int64_t points, std::uint16_t subdivisions = 8) {
    CPfPositionList grid(44100, points * kStep);
    for (std::int64_t i = 0; i < points; ++i) grid.AppendPrimary(i * kStep);
    grid.SetSubdivisionsPerBar(subdivisions);
    return grid;
}

// Hits of 1 on every grid point in bar phase `phase`, of 0.3 on every other grid point, silence
// between; 64 entries per bar.
CPfPcmThumbnail BarAccents(std::int64_t phase) {
    std::vector<float> values(kGridPoints * kEntriesPerStep, 0.0f);
    for (std::int64_t j = 0; j < kGridPoints; ++j)
        values[static_cast<std::size_t>(j * kEntriesPerStep)] = j % 8 == phase ? 1.0f : 0.3f;
    CPfPcmThumbnail envelope = EnvelopeOf(values);
    SetBarLength(envelope, 64);
    return envelope;
}

}  // namespace

// A rise votes for the grid point nearest its middle; after a vote half a bar is skipped. The
// very first point votes too (nothing before it), for slot 0; every later bar accent rises 0.7
// over the 0.3 hits of the half bar before it (threshold 0.4 × 3.1 / 64). The votes are weighed
// by the slot loudness of the grid intervals (both intervals touching an accent are loudest), so
// the accented slot wins.
TEST(FindBarPhase, AccentedSlotBecomesTheBarPhase) {
    for (const std::int64_t phase : {0, 3, 4, 7}) {
        const CPfPcmThumbnail envelope = BarAccents(phase);
        CPfPositionList grid = EvenGrid(kGridPoints);
        EXPECT_TRUE(FindBarPhase(envelope, envelope, grid));
        ASSERT_EQ(grid.Secondary().size(), 1u) << phase;
        EXPECT_EQ(grid.Secondary()[0], phase * kStep) << phase;
    }
}

// The same votes (11 for slot 3, 1 for slot 0) against an envelope accented in slot 0: slot 3
// is among its quietest slots (loudness 0 after normalisation), so slot 0 wins.
TEST(FindBarPhase, QuietestSlotCannotWinHoweverManyVotes) {
    const CPfPcmThumbnail conditioned = BarAccents(3);
    CPfPositionList grid = EvenGrid(kGridPoints);
    EXPECT_TRUE(FindBarPhase(BarAccents(0), conditioned, grid));
    EXPECT_EQ(grid.Secondary(), std::vector<std::int64_t>{0});
}

TEST(FindBarPhase, WithoutRisesTheFirstGridPointIsTheBarPhase) {
    CPfPcmThumbnail silent = EnvelopeOf(std::vector<float>(kGridPoints * kEntriesPerStep, 0.0f));
    SetBarLength(silent, 64);
    CPfPositionList grid = EvenGrid(kGridPoints);
    EXPECT_TRUE(FindBarPhase(silent, silent, grid));
    EXPECT_EQ(grid.Secondary(), std::vector<std::int64_t>{0});
}

TEST(FindBarPhase, NoSubdivisionsFailsAndAnEmptyGridGetsNoPhase) {
    const CPfPcmThumbnail envelope = BarAccents(3);
    CPfPositionList unset = EvenGrid(kGridPoints, 0);
    EXPECT_FALSE(FindBarPhase(envelope, envelope, unset));
    EXPECT_TRUE(unset.Secondary().empty());

    CPfPositionList empty = EvenGrid(0);
    EXPECT_TRUE(FindBarPhase(envelope, envelope, empty));
    EXPECT_TRUE(empty.Secondary().empty());
}
