#include <gtest/gtest.h>

#include <vector>

#include "audio/EnvelopeFilters.h"
#include "tests/support/EnvelopeBuilders.h"

class EnvelopeFilters : public ::testing::Test {
protected:
    CancelFlag cancel{0};
    CPfRhythmAnalyzer context{&cancel};
};

TEST_F(EnvelopeFilters, MovingAverageOfFiveEntriesIsTheirMeanFiveTimes) {
    CPfPcmThumbnail t = EnvelopeOf({1.0f, 2.0f, 3.0f, 4.0f, 10.0f}, 44100, 256);
    ASSERT_TRUE(MovingAverage9(context, t));
    EXPECT_EQ(EntriesOf(t), std::vector<float>(5, 4.0f));
}

TEST_F(EnvelopeFilters, MovingAverageSlidesOnlyWhileTheWindowIsWhole) {
    // Entries 0 … 11: the window 0…8 (mean 4) serves outputs 0 to 4, then slides twice.
    std::vector<float> ramp;
    for (int i = 0; i < 12; ++i) ramp.push_back(static_cast<float>(i));
    CPfPcmThumbnail t = EnvelopeOf(ramp, 44100, 256);
    ASSERT_TRUE(MovingAverage9(context, t));
    const std::vector<float> expected = {4, 4, 4, 4, 4, 5, 6, 6, 6, 6, 6, 6};
    EXPECT_EQ(EntriesOf(t), expected);
}

TEST_F(EnvelopeFilters, MovingAverageCentresNineEntriesInTheMiddle) {
    std::vector<float> v(40, 0.0f);
    v[20] = 9.0f;
    CPfPcmThumbnail t = EnvelopeOf(v, 44100, 256);
    ASSERT_TRUE(MovingAverage9(context, t));
    EXPECT_EQ(t.EntryAt(15), 0.0f);
    EXPECT_EQ(t.EntryAt(16), 1.0f);
    EXPECT_EQ(t.EntryAt(24), 1.0f);
    EXPECT_EQ(t.EntryAt(25), 0.0f);
}

TEST_F(EnvelopeFilters, CancelledOrEmptyMovingAverageChangesNothing) {
    CPfPcmThumbnail t = EnvelopeOf({1.0f, 2.0f, 3.0f}, 44100, 256);
    cancel = 1;
    EXPECT_FALSE(MovingAverage9(context, t));
    EXPECT_EQ(EntriesOf(t), (std::vector<float>{1.0f, 2.0f, 3.0f}));
    CPfPcmThumbnail empty;
    cancel = 0;
    EXPECT_FALSE(MovingAverage9(context, empty));
}

TEST_F(EnvelopeFilters, PeakHoldDecayAt8000HzFallsInTwoSteps) {
    // A bar at 164 BPM is 45 entries at 8000 Hz: each peak falls to zero in 45 / 16 = 2 steps.
    CPfPcmThumbnail t = EnvelopeOf({0, 0, 10, 0, 0, 0, 4, 1, 0, 3}, 8000, 256);
    ASSERT_TRUE(PeakHoldDecay(context, t));
    const std::vector<float> expected = {0, 0, 10, 5, 0, 0, 4, 2, 0, 3};
    EXPECT_EQ(EntriesOf(t), expected);
}

TEST_F(EnvelopeFilters, PeakHoldDecayStartsFromTheLowestEntry) {
    // Minimum 2: the first entries at that level are kept, a peak of 8 falls by 4 per step.
    CPfPcmThumbnail t = EnvelopeOf({2, 2, 8, 3, 5, 2, 2}, 8000, 256);
    ASSERT_TRUE(PeakHoldDecay(context, t));
    // 8 → level 4; 3 ≤ 4 becomes 4, level 0; 5 > 0 holds (slope 2.5), level 2.5;
    // 2 becomes 2.5, level 0; 2 > 0 holds.
    const std::vector<float> expected = {2, 2, 8, 4, 5, 2.5f, 2};
    EXPECT_EQ(EntriesOf(t), expected);
}

TEST_F(EnvelopeFilters, PeakHoldDecayNeedsSixteenEntriesPerBar) {
    // At 1000 Hz a bar at 164 BPM is only 5 entries.
    CPfPcmThumbnail t = EnvelopeOf({0, 10, 0, 0}, 1000, 256);
    EXPECT_FALSE(PeakHoldDecay(context, t));
    EXPECT_EQ(EntriesOf(t), (std::vector<float>{0, 10, 0, 0}));
}

TEST_F(EnvelopeFilters, BackwardReleaseCastsAQuarticCurve) {
    // Rate 100, decimation 200, 60 BPM: two entries per bar; divisor 1 gives R = 2.
    CPfPcmThumbnail t = EnvelopeOf({8, 0, 0, 0, 1, 3, 0}, 100, 200);
    t.SetTempo(60.0f);
    ASSERT_TRUE(BackwardRelease(context, t, 1));
    // 8 casts 8, then 8 − 8 × (1/2)^4 = 7.5, then 0; 3 casts 3 onto the entry after it.
    const std::vector<float> expected = {8, 8, 7.5f, 0, 1, 3, 3};
    EXPECT_EQ(EntriesOf(t), expected);
}

TEST_F(EnvelopeFilters, BackwardReleaseNeedsATempoAndADivisor) {
    CPfPcmThumbnail t = EnvelopeOf({8, 0, 0}, 100, 200);
    EXPECT_FALSE(BackwardRelease(context, t, 2));  // no entries per bar yet
    t.SetTempo(60.0f);
    EXPECT_FALSE(BackwardRelease(context, t, 0));
    EXPECT_FALSE(BackwardRelease(context, t, 3));  // 2 / 3 = 0
    EXPECT_EQ(EntriesOf(t), (std::vector<float>{8, 0, 0}));
}
