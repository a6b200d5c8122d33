#include <gtest/gtest.h>

#include <vector>

#include "tests/support/BarTempo.h"
#include "tests/support/EnvelopeBuilders.h"
#include "tonal/TrackExtent.h"

namespace {

// An envelope of `values` (256 frames per entry) with four entries per bar.
CPfPcmThumbnail FourPerBar(const std::vector<float>& values) {
    CPfPcmThumbnail envelope = EnvelopeOf(values);
    SetBarLength(envelope, 4);
    return envelope;
}

}  // namespace

TEST(FindAudioStart, FirstEntryAboveATenthOfTheBarLevel) {
    // Bar level 1: entries equal to 0.1 do not count.
    EXPECT_EQ(FindAudioStart(FourPerBar({0.1f, 0.1f, 0.2f, 1, 1, 1, 1, 0})), 2 * 256);
    EXPECT_EQ(FindAudioStart(FourPerBar(std::vector<float>(12, 0.0f))), 0);
    // Without a tempo the bar level is 0 and the first sound counts.
    EXPECT_EQ(FindAudioStart(EnvelopeOf({0, 0, 0, 0.001f, 5})), 3 * 256);
}

// The last loud bar starts at entry 9 (sum 8 + 9 + 7 = 24, mean 6 > 5); its falling minimum
// goes 8 (entry 9), then 7 (entry 11), never below 2.
TEST(FindAudioEnd, LoudToTheEndGivesTheLastNewMinimumOfTheLastBar) {
    EXPECT_EQ(FindAudioEnd(FourPerBar({10, 10, 10, 10, 10, 10, 10, 10, 9, 8, 9, 7})), 11 * 256);
    // Only a strictly lower entry is a new minimum.
    EXPECT_EQ(FindAudioEnd(FourPerBar({10, 10, 10, 10, 10, 10, 10, 10, 9, 9, 9, 9})), 9 * 256);
}

// The last loud bar starts at entry 8; the minimum falls to 1 at entry 10, below 0.2 × 10.
TEST(FindAudioEnd, StopsWhereTheLevelDropsBelowTheTail) {
    EXPECT_EQ(FindAudioEnd(FourPerBar({10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 1, 5})), 10 * 256);
    EXPECT_EQ(FindAudioEnd(FourPerBar({0, 0, 10, 10, 10, 10, 10, 10, 0, 0, 0, 0, 0, 0})), 8 * 256);
}

TEST(FindAudioEnd, WithoutTempoOrRoomTheEndIsZeroOrTheLastFrame) {
    EXPECT_EQ(FindAudioEnd(EnvelopeOf({1, 1, 1, 1, 1, 1})), 0);
    // A bar holds the whole envelope.
    EXPECT_EQ(FindAudioEnd(FourPerBar({1, 1, 1})), 3 * 256 - 1);
    // The only loud bar starts at entry 0 (bar level 20 / 4 = 5).
    EXPECT_EQ(FindAudioEnd(FourPerBar({10, 10, 0, 0, 0, 0})), 6 * 256 - 1);
    // Silence: no bar is loud.
    EXPECT_EQ(FindAudioEnd(FourPerBar(std::vector<float>(8, 0.0f))), 8 * 256 - 1);
}
