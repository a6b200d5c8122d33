#include <gtest/gtest.h>

#include <vector>

#include "rhythm/OnsetFinders.h"
#include "tests/support/EnvelopeBuilders.h"

namespace {

// 505 entries of 256 frames: one bar at 82 BPM (129073 frames), so multiple 4 aims at 4 onsets.
constexpr std::size_t kOneBarEntries = 505;

// A flat envelope at `base` with a one-entry step to `heights[k]` right after entry 50 + 100 k.
std::vector<float> Steps(float base, const std::vector<float>& heights) {
    std::vector<float> v(kOneBarEntries, base);
    for (std::size_t k = 0; k < heights.size(); ++k) v[51 + 100 * k] = heights[k];
    return v;
}

std::vector<std::int64_t> Positions(std::initializer_list<std::int64_t> entries) {
    std::vector<std::int64_t> out;
    for (const std::int64_t e : entries) out.push_back(e * 256);
    return out;
}

class OnsetFinders : public ::testing::Test {
protected:
    std::vector<std::int64_t> Slope(const std::vector<float>& v, std::uint32_t* found = nullptr) {
        const CPfPcmThumbnail t = EnvelopeOf(v);
        CPfPositionList list(t);
        const std::uint32_t n = FindSlopeOnsets(context, t, 4, list);
        if (found) *found = n;
        return list.Primary();
    }
    std::vector<std::int64_t> Ratio(const std::vector<float>& v) {
        const CPfPcmThumbnail t = EnvelopeOf(v);
        CPfPositionList list(t);
        FindRatioOnsets(context, t, 4, list);
        return list.Primary();
    }

    CancelFlag cancel{0};
    CPfRhythmAnalyzer context{&cancel};
};

}  // namespace

TEST_F(OnsetFinders, SlopeThresholdFallsByOnePointTwoUntilTheTargetIsMet) {
    // Thresholds 2.441, 2.035, 1.695, 1.4129, 1.177: the fourth pass finds the fourth step and
    // stops there, so the step of 1.2 is never reported.
    std::uint32_t found = 0;
    EXPECT_EQ(Slope(Steps(0.0f, {3.0f, 2.2f, 1.8f, 1.4135f, 1.2f}), &found),
              Positions({50, 150, 250, 350}));
    EXPECT_EQ(found, 4u);
    // A fourth step just below 1.4129 waits for the fifth pass, which also takes the last one.
    EXPECT_EQ(Slope(Steps(0.0f, {3.0f, 2.2f, 1.8f, 1.4120f, 1.2f})),
              Positions({50, 150, 250, 350, 450}));
}

TEST_F(OnsetFinders, RatioThresholdFallsFromThirty) {
    // Thresholds 30, 25, 20.83, 17.36, 14.47; ratio onsets sit on the top of the rise.
    EXPECT_EQ(Ratio(Steps(1.0f, {31.0f, 26.0f, 21.0f, 17.5f, 15.0f})),
              Positions({51, 151, 251, 351}));
    EXPECT_EQ(Ratio(Steps(1.0f, {31.0f, 26.0f, 21.0f, 17.3f, 15.0f})),
              Positions({51, 151, 251, 351, 451}));
}

TEST_F(OnsetFinders, TheFloorEndsTheSearchShortOfTheTarget) {
    // The last slope pass runs at 2.441 / 1.2^61 = 3.61e-5; the next would be below 1/32768.
    EXPECT_EQ(Slope(Steps(0.0f, {3.7e-5f})), Positions({50}));
    EXPECT_TRUE(Slope(Steps(0.0f, {3.5e-5f})).empty());
    // The last ratio pass runs at 30 / 1.2^18 = 1.1268.
    EXPECT_EQ(Ratio(Steps(1.0f, {1.14f})), Positions({51}));
    EXPECT_TRUE(Ratio(Steps(1.0f, {1.11f})).empty());
}

TEST_F(OnsetFinders, SilenceGivesNoOnsetsAndClearsTheList) {
    const CPfPcmThumbnail t = EnvelopeOf(std::vector<float>(kOneBarEntries * 3, 0.25f));
    CPfPositionList list(t);
    list.AppendPrimary(12345);
    EXPECT_EQ(FindSlopeOnsets(context, t, 4, list), 0u);
    EXPECT_TRUE(list.Primary().empty());
    list.AppendPrimary(12345);
    EXPECT_EQ(FindRatioOnsets(context, t, 8, list), 0u);
    EXPECT_TRUE(list.Primary().empty());
}

TEST_F(OnsetFinders, ATrackShorterThanABarRunsNoPass) {
    std::vector<float> v(kOneBarEntries - 1, 0.0f);
    v[101] = 5.0f;
    const CPfPcmThumbnail t = EnvelopeOf(v);
    CPfPositionList list(t);
    list.AppendPrimary(9);
    list.AppendPrimary(3);
    EXPECT_EQ(FindSlopeOnsets(context, t, 8, list), 0u);
    EXPECT_EQ(list.Primary(), (std::vector<std::int64_t>{3, 9}));  // untouched but sorted
}

TEST_F(OnsetFinders, OnlyTheLaterOfTwoCloseRisesIsReported) {
    std::vector<float> v(kOneBarEntries, 0.0f);
    v[101] = 3.0f;  // rise at 100
    v[104] = 3.0f;  // rise at 103: the backward scan meets it first and skips four entries
    EXPECT_EQ(Slope(v), Positions({103}));
    v[104] = 0.0f;
    v[106] = 3.0f;  // rise at 105: five entries apart, both count
    EXPECT_EQ(Slope(v), Positions({100, 105}));
}

TEST_F(OnsetFinders, SlopeReportsTheFootAndRatioTheTop) {
    std::vector<float> v(kOneBarEntries, 0.0f);
    v[0] = 0.0f;
    v[1] = 5.0f;    // a rise from entry 0
    v[301] = 9.0f;  // a rise from entry 300
    EXPECT_EQ(Slope(v), Positions({0, 300}));
    std::vector<float> w(v);
    for (float& x : w) x += 0.1f;
    EXPECT_EQ(Ratio(w), Positions({1, 301}));
}

TEST_F(OnsetFinders, CancelledSearchKeepsTheListAsItWas) {
    const CPfPcmThumbnail t = EnvelopeOf(Steps(0.0f, {3.0f}));
    CPfPositionList list(t);
    list.AppendPrimary(7);
    cancel = 1;
    EXPECT_EQ(FindSlopeOnsets(context, t, 4, list), 0u);
    EXPECT_EQ(list.Primary(), (std::vector<std::int64_t>{7}));
}

TEST(EnergyRise, EightEntriesAfterMinusEightBefore) {
    std::vector<float> v;
    for (int i = 1; i <= 20; ++i) v.push_back(static_cast<float>(i));  // entry k holds k + 1
    const CPfPcmThumbnail t = EnvelopeOf(v);
    // Entry 10: (11 + … + 18) − (3 + … + 10) = 116 − 52.
    EXPECT_EQ(EnergyRiseAt(t, 10 * 256 + 255), 64.0f);
    // Entry 0: (1 + … + 8) − entry 0 once.
    EXPECT_EQ(EnergyRiseAt(t, 0), 35.0f);
    // Entry 3: (4 + … + 11) − (1 + 2 + 3), the range before shrunk to entries 0 … 2.
    EXPECT_EQ(EnergyRiseAt(t, 3 * 256), 54.0f);
    // Entry 18: (19 + 20) − (11 + … + 18), the range after shrunk to the last two entries.
    EXPECT_EQ(EnergyRiseAt(t, 18 * 256), -77.0f);
    EXPECT_EQ(EnergyRiseAt(CPfPcmThumbnail(), 1000), 0.0f);
}
