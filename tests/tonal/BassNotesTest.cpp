#include <gtest/gtest.h>

#include <vector>

#include "tonal/BassNotes.h"

namespace {

constexpr std::size_t kPeriod = 4;

// A waveform repeating every four samples, 0, 0.5, 0, -0.5, ...
std::vector<float> Periodic(std::size_t length) {
    const float shape[kPeriod] = {0.0f, 0.5f, 0.0f, -0.5f};
    std::vector<float> out(length);
    for (std::size_t i = 0; i < length; ++i) out[i] = shape[i % kPeriod];
    return out;
}

}  // namespace

TEST(BassNotes, PeriodsOfTheTwentyFourNotes) {
    const BassNotePeriods expected{1348, 1272, 1201, 1133, 1070, 1010, 953, 900,
                                   849,  801,  756,  714,  674,  636,  600, 566,
                                   535,  505,  476,  450,  424,  400,  378, 357};
    EXPECT_EQ(ComputeBassNotePeriods(), expected);
}

TEST(BassNotes, ExactRepetitionComparesEveryPhaseFourPeriodsAhead) {
    // Phases 0 … 4, each against four later periods: 20 differences, all 0.
    const auto s = Periodic(100);
    PF_PERIOD_MATCH match;
    EXPECT_TRUE(MatchPeriod(s.data(), 0, 99, kPeriod, 0.3f, match));
    EXPECT_EQ(match.count, 20u);
    EXPECT_EQ(match.sum, 0.0);
}

TEST(BassNotes, DifferencesWithinTheToleranceAddUp) {
    // Sample 8 (two periods after phase 0, one after phase 4) is off by 0.25; a difference equal
    // to the tolerance is not a mismatch.
    auto s = Periodic(100);
    s[8] += 0.25f;
    PF_PERIOD_MATCH match;
    EXPECT_TRUE(MatchPeriod(s.data(), 0, 99, kPeriod, 0.25f, match));
    EXPECT_EQ(match.count, 20u);
    EXPECT_DOUBLE_EQ(match.sum, 0.5);
}

TEST(BassNotes, MismatchRejectsBeforeTheLastPhaseAndOnlyEndsTheScanAtIt) {
    // Sample 17 is compared only by phase 1 (four periods ahead): rejected.
    auto early = Periodic(100);
    early[17] = 2.0f;
    PF_PERIOD_MATCH rejected;
    EXPECT_FALSE(MatchPeriod(early.data(), 0, 99, kPeriod, 0.3f, rejected));

    // Sample 20 is compared only by the last phase, 4, at its fourth look-ahead: the scan ends
    // there and the three differences before it count.
    auto last = Periodic(100);
    last[20] = 2.0f;
    PF_PERIOD_MATCH accepted;
    EXPECT_TRUE(MatchPeriod(last.data(), 0, 99, kPeriod, 0.3f, accepted));
    EXPECT_EQ(accepted.count, 4u * 4u + 3u);
}

TEST(BassNotes, LookAheadStopsAtTheEndOfTheData) {
    const auto s = Periodic(100);
    // end = 9: phase 0 reaches 4 and 8, phases 1 … 4 reach one or two periods ahead.
    PF_PERIOD_MATCH match;
    EXPECT_TRUE(MatchPeriod(s.data(), 0, 9, kPeriod, 0.3f, match));
    EXPECT_EQ(match.count, 2u + 2u + 1u + 1u + 1u);
    // With no sample a whole period ahead nothing is compared.
    PF_PERIOD_MATCH none;
    EXPECT_TRUE(MatchPeriod(s.data(), 5, 8, kPeriod, 0.3f, none));
    EXPECT_EQ(none.count, 0u);
}

TEST(BassNotes, LongRunsAgreeWithThePhaseByPhaseRule) {
    // A period of 300 exercises the run-at-a-time path (more than 64 phases with four
    // look-aheads); a mismatch hidden in the middle of a run must still reject.
    std::vector<float> s(2000);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = 0.001f * static_cast<float>(i % 300);
    PF_PERIOD_MATCH clean;
    EXPECT_TRUE(MatchPeriod(s.data(), 10, 1999, 300, 0.01f, clean));
    EXPECT_EQ(clean.count, 301u * 4u);
    s[10 + 137 + 3 * 300] += 0.5f;
    PF_PERIOD_MATCH dirty;
    EXPECT_FALSE(MatchPeriod(s.data(), 10, 1999, 300, 0.01f, dirty));
}

TEST(BassNotes, RejectsImpossibleArguments) {
    const auto s = Periodic(16);
    PF_PERIOD_MATCH match;
    EXPECT_FALSE(MatchPeriod(s.data(), 0, 15, 0, 0.3f, match));
    EXPECT_FALSE(MatchPeriod(s.data(), 0, 15, -4, 0.3f, match));
    EXPECT_FALSE(MatchPeriod(s.data(), 16, 15, 4, 0.3f, match));
}
