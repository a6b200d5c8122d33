#include <gtest/gtest.h>

#include <vector>

#include "rhythm/BeatChains.h"
#include "rhythm/BeatGrid.h"
#include "rhythm/BeatInterval.h"
#include "rhythm/GridCompletion.h"
#include "tests/support/EnvelopeBuilders.h"

namespace {

CPfPositionList GridOf(const std::vector<std::int64_t>& positions, std::int64_t length = 100000) {
    CPfPositionList list(44100, length);
    for (const std::int64_t p : positions) list.AppendPrimary(p);
    return list;
}

std::vector<OnsetNode> Nodes(const std::vector<std::pair<std::int64_t, float>>& onsets) {
    std::vector<OnsetNode> nodes;
    for (const auto& [position, weight] : onsets) {
        OnsetNode node;
        node.position = position;
        node.weight = weight;
        nodes.push_back(node);
    }
    return nodes;
}

class BeatGrid : public ::testing::Test {
protected:
    CancelFlag cancel{0};
    CPfRhythmAnalyzer context{&cancel};
};

}  // namespace

TEST(RefineInterval, AveragesGapsOfOneToThreeIntervalsWithinFivePercent) {
    // Interval 1000: lo 950, hi 1050. Gaps: 1000 (1 step), 2040 (2 steps of 1020), 2960 (3 steps
    // of 986) count; 4000 (4 steps), 1100 (q above hi), 1400 (1 step of 1400) and 450 (0 steps)
    // do not. Mean (1000 + 1020 + 986) / 3 = 1002.
    std::int64_t p = 0;
    std::vector<std::int64_t> positions = {p};
    for (const std::int64_t gap : {1000, 2040, 2960, 4000, 1100, 1400, 450}) {
        positions.push_back(p += gap);
    }
    EXPECT_EQ(RefineInterval(GridOf(positions), 1000.0f), 1002.0f);
}

TEST(RefineInterval, BoundsAreInclusiveAndNothingCountedKeepsTheInterval) {
    EXPECT_EQ(RefineInterval(GridOf({0, 950, 2000}), 1000.0f), 1000.0f);  // (950 + 1050) / 2
    EXPECT_EQ(RefineInterval(GridOf({0, 949, 1999}), 1000.0f), 1050.0f);
    EXPECT_EQ(RefineInterval(GridOf({0, 5000}), 1000.0f), 1000.0f);
    EXPECT_EQ(RefineInterval(GridOf({}), 1234.5f), 1234.5f);
    EXPECT_EQ(RefineInterval(GridOf({0, 1000}), 0.0f), 0.0f);
}

TEST(PairSupport, PhaseAndDistanceWeights) {
    // Node 0 has weight 0.5; the others weight 1, at distances given in intervals of 1000.
    const std::vector<OnsetNode> nodes = Nodes({{0, 0.5f},
                                                {1000, 1.0f},     // on the grid: 0.5
                                                {1100, 1.0f},     // fit 0.9: (0.9 − 0.8) / 0.18
                                                {1015, 1.0f},     // fit 0.985: full phase weight
                                                {1250, 1.0f},     // fit 0.75: none
                                                {400, 1.0f},      // under half an interval
                                                {12000, 1.0f},    // 12 steps: (32 − 12) / 24
                                                {32000, 1.0f},    // 32 steps: distance weight 0
                                                {33000, 1.0f}});  // beyond the reach
    EXPECT_FLOAT_EQ(PairSupport(nodes, 1000.0f, 0, 1), 0.5f);
    EXPECT_NEAR(PairSupport(nodes, 1000.0f, 0, 2), 0.5f * (0.1f / 0.18f), 1e-5f);
    EXPECT_FLOAT_EQ(PairSupport(nodes, 1000.0f, 0, 3), 0.5f);
    EXPECT_EQ(PairSupport(nodes, 1000.0f, 0, 4), 0.0f);
    EXPECT_EQ(PairSupport(nodes, 1000.0f, 0, 5), 0.0f);
    EXPECT_FLOAT_EQ(PairSupport(nodes, 1000.0f, 0, 6), 0.5f * 20.0f / 24.0f);
    EXPECT_EQ(PairSupport(nodes, 1000.0f, 0, 7), 0.0f);
    EXPECT_EQ(PairSupport(nodes, 1000.0f, 0, 8), 0.0f);
    // Symmetric in the two nodes; a heavier partner gets more support at the same distance.
    EXPECT_EQ(PairSupport(nodes, 1000.0f, 1, 0), PairSupport(nodes, 1000.0f, 0, 1));
    EXPECT_GT(PairSupport(nodes, 1000.0f, 1, 6), PairSupport(nodes, 1000.0f, 0, 6));
    EXPECT_EQ(PairSupport(nodes, 1000.0f, 0, 9), 0.0f);  // no such node
    EXPECT_EQ(PairSupport(nodes, 0.0f, 0, 1), 0.0f);
}

TEST(ThinOnsets, TheWeakerOfTwoOnsetsCloserThanHalfAnIntervalGoes) {
    // Radius 0.45 × 1000 = 450 frames.
    std::vector<OnsetNode> close = Nodes({{0, 0.9f}, {400, 0.3f}, {2000, 0.1f}, {2400, 0.6f}});
    ThinOnsets(close, 1000.0f);
    ASSERT_EQ(close.size(), 2u);
    EXPECT_EQ(close[0].position, 0);
    EXPECT_EQ(close[1].position, 2400);

    std::vector<OnsetNode> apart = Nodes({{0, 0.9f}, {500, 0.3f}});
    ThinOnsets(apart, 1000.0f);
    EXPECT_EQ(apart.size(), 2u);
}

TEST(ThinOnsets, RemovalsTakeEffectAtOnce) {
    // 300 goes for 0; 600 is then only near 900, which is lighter, so it stays although 300 was
    // heavier; equal weights keep both.
    std::vector<OnsetNode> nodes =
        Nodes({{0, 1.0f}, {300, 0.8f}, {600, 0.5f}, {900, 0.2f}, {5000, 0.4f}, {5100, 0.4f}});
    ThinOnsets(nodes, 1000.0f);
    std::vector<std::int64_t> left;
    for (const OnsetNode& n : nodes) left.push_back(n.position);
    EXPECT_EQ(left, (std::vector<std::int64_t>{0, 600, 5000, 5100}));
}

TEST(GridCompletion, GapsAreDividedByTheNearestWholeNumberOfIntervals) {
    CPfPositionList grid = GridOf({2600, 0, 5000, 7400, 8800});
    FillGridGaps(1000.0f, grid);
    // 2600 = 2.6 intervals → three parts of 866.67; 2400 → two of 1200; 2400 → two; 1400 → one.
    EXPECT_EQ(grid.Primary(),
              (std::vector<std::int64_t>{0, 866, 1733, 2600, 3800, 5000, 6200, 7400, 8800}));
}

TEST(GridCompletion, ExtensionStaysInsideTheTrack) {
    CPfPositionList grid = GridOf({2500, 1500}, 5500);
    ExtendGrid(999.5f, 5500, grid);
    // Back: 1500 − 999 = 501, then 1500 − 1999 < 0. Forward: 2500 + 999, + 1999, + 2998; the
    // next, 2500 + 3998, is past the end.
    EXPECT_EQ(grid.Primary(), (std::vector<std::int64_t>{501, 1500, 2500, 3499, 4499, 5498}));

    CPfPositionList exact = GridOf({2000}, 4000);
    ExtendGrid(1000.0f, 4000, exact);
    EXPECT_EQ(exact.Primary(), (std::vector<std::int64_t>{0, 1000, 2000, 3000}));

    CPfPositionList empty = GridOf({}, 4000);
    ExtendGrid(1000.0f, 4000, empty);
    EXPECT_TRUE(empty.Primary().empty());
    CPfPositionList zero = GridOf({2000}, 4000);
    ExtendGrid(0.0f, 4000, zero);
    FillGridGaps(0.0f, zero);
    EXPECT_EQ(zero.Primary().size(), 1u);
}

namespace {
// `count` onsets every 2560 frames (ten entries) from 2560 on, on an envelope with a unit step at
// each one, and one onset far behind them on a silent stretch, whose weight is therefore the
// lowest.
struct ChainFixture {
    CPfPcmThumbnail envelope;
    CPfPositionList onsets{44100, 0};
};

ChainFixture RegularOnsets(int count) {
    std::vector<float> v(static_cast<std::size_t>(10 * count + 600), 0.0f);
    ChainFixture f;
    f.onsets = CPfPositionList(44100, static_cast<std::int64_t>(v.size()) * 256);
    for (int k = 1; k <= count; ++k) {
        v[static_cast<std::size_t>(10 * k)] = 1.0f;
        f.onsets.AppendPrimary(std::int64_t{k} * 2560);
    }
    f.onsets.AppendPrimary(std::int64_t{10 * count + 500} * 256);
    f.envelope = EnvelopeOf(v);
    return f;
}
}  // namespace

TEST_F(BeatGrid, AChainMustSpanThirtyTwoNodes) {
    // 33 onsets span node indexes 0 … 32: the chain is kept and measures the interval.
    ChainFixture f = RegularOnsets(33);
    CPfPositionList chains(44100, f.onsets.TrackLength());
    float interval = 0.0f;
    ASSERT_TRUE(LinkBeatChains(context, f.envelope, 2600.0f, f.onsets, chains, interval));
    ASSERT_FALSE(chains.Primary().empty());
    EXPECT_EQ(chains.Primary().front(), 2560);
    EXPECT_EQ(chains.Primary().back(), 33 * 2560);
    EXPECT_EQ(interval, 2560.0f);

    // 32 onsets span only 0 … 31: no chain, and the interval is the refined one.
    f = RegularOnsets(32);
    CPfPositionList none(44100, f.onsets.TrackLength());
    ASSERT_TRUE(LinkBeatChains(context, f.envelope, 2600.0f, f.onsets, none, interval));
    EXPECT_TRUE(none.Primary().empty());
    EXPECT_EQ(interval, 2560.0f);
}

TEST_F(BeatGrid, CancelledLinkingAppendsNothing) {
    const ChainFixture f = RegularOnsets(40);
    CPfPositionList chains(44100, f.onsets.TrackLength());
    float interval = 1.0f;
    cancel = 1;
    EXPECT_FALSE(LinkBeatChains(context, f.envelope, 2560.0f, f.onsets, chains, interval));
    EXPECT_TRUE(chains.Primary().empty());
    EXPECT_EQ(interval, 1.0f);
}

TEST_F(BeatGrid, SilenceKeepsTheStartingTempoUpToWholeFrames) {
    const CPfPcmThumbnail silence = EnvelopeOf(std::vector<float>(10000, 0.0f));
    CPfPositionList grid(silence);
    grid.AppendPrimary(123);
    float bpm = 96.0f;
    EXPECT_TRUE(TrackBeatGrid(context, silence, silence, bpm, grid));
    EXPECT_TRUE(grid.Primary().empty());
    // A bar at 96 BPM is 110250 frames; the eighth 13781.25 is truncated to 13781.
    EXPECT_NEAR(bpm, 30.0f * 44100.0f / 13781.0f, 1e-4f);
    EXPECT_GT(bpm, 96.0f);
    EXPECT_EQ(grid.SubdivisionsPerBar(), 8);

    bpm = 0.0f;
    EXPECT_TRUE(TrackBeatGrid(context, silence, silence, bpm, grid));
    EXPECT_EQ(bpm, 0.0f);
    EXPECT_TRUE(grid.Primary().empty());
}
