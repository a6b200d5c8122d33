#include <gtest/gtest.h>

#include <vector>

#include "rhythm/TempoCorrection.h"

namespace {
// At 100 BPM a bar is 105840 frames: half a beat 13230, tolerance 2646, so gaps strictly
// between 10584 and 15876 count.
CPfPositionList Gaps(const std::vector<std::int64_t>& gaps) {
    CPfPositionList list(44100, 60 * 44100);
    std::int64_t p = 5000;
    list.AppendPrimary(p);
    for (const std::int64_t g : gaps) list.AppendPrimary(p += g);
    return list;
}
}  // namespace

TEST(DoubleTempo, HundredIsCheckedAndAnythingAboveIsNot) {
    const CPfPositionList halfBeats = Gaps(std::vector<std::int64_t>(40, 13230));
    EXPECT_EQ(CheckDoubleTempo(halfBeats, 100.0f), 200.0f);
    EXPECT_EQ(CheckDoubleTempo(halfBeats, 100.1f), 100.1f);
}

TEST(DoubleTempo, MoreThanFiftyThreePercentOfTheGapsMustBeHalfBeats) {
    std::vector<std::int64_t> gaps(100, 26460);  // whole beats
    for (int k = 0; k < 53; ++k) gaps[static_cast<std::size_t>(k)] = 13230;
    EXPECT_EQ(CheckDoubleTempo(Gaps(gaps), 100.0f), 100.0f);  // exactly 53 %
    gaps[53] = 13230;
    EXPECT_EQ(CheckDoubleTempo(Gaps(gaps), 100.0f), 200.0f);
}

TEST(DoubleTempo, TheToleranceBoundsAreStrict) {
    EXPECT_EQ(CheckDoubleTempo(Gaps({10584, 15876, 10584}), 100.0f), 100.0f);
    EXPECT_EQ(CheckDoubleTempo(Gaps({10585, 15875, 10585}), 100.0f), 200.0f);
}

TEST(DoubleTempo, NeedsTwoPositionsAndATempo) {
    CPfPositionList one(44100, 1000);
    one.AppendPrimary(10);
    EXPECT_EQ(CheckDoubleTempo(one, 90.0f), 90.0f);
    EXPECT_EQ(CheckDoubleTempo(Gaps({13230, 13230}), 0.0f), 0.0f);
}

TEST(ShortTrackTempo, ALoopOfPowerOfTwoBars) {
    float bpm = 123.0f;
    ApplyShortTrackTempo(10 * 44100, 44100, bpm);
    EXPECT_EQ(bpm, 96.0f);  // 240 / 10 = 24, doubled twice
    ApplyShortTrackTempo(2 * 44100, 44100, bpm);
    EXPECT_EQ(bpm, 120.0f);
    ApplyShortTrackTempo(1318590, 44100, bpm);  // 29.9 s: 8.027 doubled four times
    EXPECT_NEAR(bpm, 128.428f, 0.001f);
    ApplyShortTrackTempo(1, 44100, bpm);  // 10584000 halved 16 times
    EXPECT_EQ(bpm, 161.4990234375f);
}

TEST(ShortTrackTempo, ThirtySecondsAndMoreAreLeftAlone) {
    float bpm = 123.0f;
    ApplyShortTrackTempo(1323000, 44100, bpm);
    EXPECT_EQ(bpm, 123.0f);
    ApplyShortTrackTempo(1322999, 44100, bpm);
    EXPECT_NEAR(bpm, 128.0001f, 0.0005f);  // one frame short: 240 / 29.99998 = 8.000006, × 16
    bpm = 123.0f;
    ApplyShortTrackTempo(4294967296ull, 44100, bpm);
    EXPECT_EQ(bpm, 123.0f);
    ApplyShortTrackTempo(100, 0, bpm);
    EXPECT_EQ(bpm, 123.0f);
    ApplyShortTrackTempo(0, 44100, bpm);
    EXPECT_EQ(bpm, 0.0f);
}
