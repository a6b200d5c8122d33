#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audio/EnvelopeFilters.h"
#include "rhythm/BeatGrid.h"
#include "rhythm/OnsetFinders.h"
#include "rhythm/TempoCorrection.h"
#include "rhythm/TempoEstimate.h"
#include "tests/support/EnvelopeBuilders.h"

namespace {

struct RhythmResult {
    float firstTempo = 0.0f;
    float workingTempo = 0.0f;
    float finalTempo = 0.0f;
    std::size_t slopeOnsets = 0;
    std::size_t ratioOnsets = 0;
    CPfPositionList grid{44100, 0};
};

// The rhythm steps of a build, in the build's order, on energy envelope A and detector
// envelope B.
RhythmResult RunRhythm(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& a,
                       const CPfPcmThumbnail& b) {
    RhythmResult r;
    CPfPositionList s(a);
    CPfPcmThumbnail a1(a);
    PeakHoldDecay(context, a1);
    FindSlopeOnsets(context, a1, 4, s);
    r.slopeOnsets = s.Primary().size();
    r.firstTempo = EstimateTempo(context, s);

    CPfPcmThumbnail b1(b);
    MovingAverage9(context, b1);
    CPfPositionList s2(a);
    FindRatioOnsets(context, b1, 4, s2);
    r.ratioOnsets = s2.Primary().size();
    float tempo = CheckDoubleTempo(s2, r.firstTempo);
    ApplyShortTrackTempo(a.Length(), a.SampleRate(), tempo);
    r.workingTempo = tempo;

    r.grid = CPfPositionList(a);
    TrackBeatGrid(context, a, a1, tempo, r.grid);
    r.finalTempo = tempo;
    return r;
}

class ClickTrack : public ::testing::TestWithParam<double> {
protected:
    CancelFlag cancel{0};
    CPfRhythmAnalyzer context{&cancel};
};

}  // namespace

TEST_P(ClickTrack, TempoAndGridMatchTheClicks) {
    const double bpm = GetParam();
    constexpr double kSeconds = 75.0;
    const CPfPcmThumbnail a = ClickEnvelope(bpm, kSeconds, 0.37, 11);
    const CPfPcmThumbnail b = ClickEnvelope(bpm, kSeconds, 0.37, 29);
    const RhythmResult r = RunRhythm(context, a, b);

    EXPECT_LE(r.firstTempo, bpm + 0.05);
    EXPECT_GT(r.firstTempo, bpm - 0.8);
    EXPECT_NEAR(r.finalTempo, bpm, 0.05);

    // One grid position per eighth note from start to end, never outside the track, never twice.
    const auto& grid = r.grid.Primary();
    ASSERT_FALSE(grid.empty());
    EXPECT_EQ(r.grid.SubdivisionsPerBar(), 8);
    EXPECT_GE(grid.front(), 0);
    EXPECT_LT(grid.back(), r.grid.TrackLength());
    EXPECT_TRUE(std::adjacent_find(grid.begin(), grid.end()) == grid.end());
    const double eighth = 44100.0 * 60.0 / bpm / 2.0;
    EXPECT_NEAR(static_cast<double>(grid.size()), kSeconds * 44100.0 / eighth, 2.0);
    // Every click lies on a grid position, to within the envelope's resolution.
    for (int n = 0; 0.37 * 44100 + n * eighth < (kSeconds - 1) * 44100; n += 7) {
        const double click = 0.37 * 44100 + n * eighth;
        const auto nearest = std::min_element(grid.begin(), grid.end(), [&](auto x, auto y) {
            return std::abs(static_cast<double>(x) - click) <
                   std::abs(static_cast<double>(y) - click);
        });
        EXPECT_NEAR(static_cast<double>(*nearest), click, 2 * 256.0) << "click " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(AcrossTheRange, ClickTrack,
                         ::testing::Values(82.0, 87.5, 95.0, 100.0, 110.0, 120.0, 126.0, 128.0,
                                           133.3, 140.0, 150.0, 163.0));

TEST(ClickTrackOutsideTheRange, FoldsIntoTheRangeOrDoubles) {
    CancelFlag cancel{0};
    const CPfRhythmAnalyzer context{&cancel};
    // A slow track is measured at twice its tempo. A fast one is first estimated at half its
    // tempo; when that is 100 or less and its onsets come in half beats the estimate is doubled
    // back, otherwise it stays halved.
    const std::vector<std::pair<double, double>> cases = {{70.0, 140.0},  {75.0, 150.0},
                                                          {180.0, 180.0}, {190.0, 190.0},
                                                          {210.0, 105.0}, {240.0, 120.0}};
    for (const auto& [bpm, expected] : cases) {
        const CPfPcmThumbnail a = ClickEnvelope(bpm, 75.0, 0.37, 5);
        const CPfPcmThumbnail b = ClickEnvelope(bpm, 75.0, 0.37, 6);
        const RhythmResult r = RunRhythm(context, a, b);
        EXPECT_NEAR(r.finalTempo, expected, 0.05) << "clicks at " << bpm;
    }
}

TEST(SilentTrack, HasNoOnsetsAndNoTempo) {
    CancelFlag cancel{0};
    const CPfRhythmAnalyzer context{&cancel};
    const CPfPcmThumbnail silence = EnvelopeOf(std::vector<float>(60 * 44100 / 256, 0.0f));
    const RhythmResult r = RunRhythm(context, silence, silence);
    EXPECT_EQ(r.slopeOnsets, 0u);
    EXPECT_EQ(r.ratioOnsets, 0u);
    EXPECT_EQ(r.firstTempo, 0.0f);
    EXPECT_EQ(r.finalTempo, 0.0f);
    EXPECT_TRUE(r.grid.Primary().empty());
}

TEST(ShortClickLoop, TakesItsTempoFromItsLength) {
    // Eight bars at 128 BPM: 15 seconds, so the length alone gives 128 and the grid keeps it.
    CancelFlag cancel{0};
    const CPfRhythmAnalyzer context{&cancel};
    const CPfPcmThumbnail a = ClickEnvelope(128.0, 15.0, 0.0, 3);
    const RhythmResult r = RunRhythm(context, a, a);
    EXPECT_EQ(r.workingTempo, 128.0f);
    EXPECT_NEAR(r.finalTempo, 128.0f, 0.05f);
}
