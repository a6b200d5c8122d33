#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "tests/support/BarTempo.h"
#include "tests/support/EnvelopeBuilders.h"
#include "tonal/LoudWindow.h"
#include "tonal/MixSegments.h"
#include "tonal/TrackExtent.h"

namespace {

using Positions = std::vector<std::int64_t>;

// One grid point per envelope entry (256 frames), 8 points to the bar.
CPfPositionList EntryGrid(std::int64_t points, std::int64_t barPhase = -1) {
    CPfPositionList grid(44100, points * 256);
    for (std::int64_t i = 0; i < points; ++i) grid.AppendPrimary(i * 256);
    grid.SetSubdivisionsPerBar(8);
    if (barPhase >= 0) grid.AppendSecondary(barPhase * 256);
    return grid;
}

// 40 entries, silent before entry `loudFrom` and loud (1) up to entry `loudTo` (exclusive), with
// eight entries per bar: bar level 1, loudness threshold 0.15.
CPfPcmThumbnail LoudStretch(std::size_t loudFrom, std::size_t loudTo = 40) {
    std::vector<float> values(40, 0.0f);
    for (std::size_t k = loudFrom; k < loudTo; ++k) values[k] = 1.0f;
    CPfPcmThumbnail envelope = EnvelopeOf(values);
    SetBarLength(envelope, 8);
    return envelope;
}

struct Window {
    int found = 0;
    std::int64_t first = -1;
    std::int64_t last = -1;
    bool operator==(const Window&) const = default;
};

void PrintTo(const Window& w, std::ostream* out) {
    *out << "found " << w.found << ", " << w.first << " … " << w.last;
}

// The window of one bar found from grid point `reference` in `direction`.
Window Find(const CPfPositionList& grid, const CPfPcmThumbnail& envelope, std::int64_t reference,
            LoudWindowDirection direction) {
    Window w;
    w.found = FindLoudWindow(grid, envelope, 1, reference * 256, direction, w.first, w.last);
    return w;
}

constexpr auto kForward = LoudWindowDirection::Forward;
constexpr auto kBackward = LoudWindowDirection::Backward;

class MixSegments : public ::testing::Test {
protected:
    CancelFlag cancel{0};
    CPfRhythmAnalyzer context{&cancel};
};

}  // namespace

TEST(MeanBetweenPositions, SumsEntriesInclusiveOverTheirDistance) {
    const CPfPcmThumbnail envelope = EnvelopeOf({1, 2, 3, 4, 5, 6, 7, 8});
    CPfPositionList grid(44100, 8 * 256);
    for (const std::int64_t p : {0, 512, 1024, 5000}) grid.AppendPrimary(p);
    EXPECT_FLOAT_EQ(MeanBetweenPositions(envelope, grid, 0, 2), 15.0f / 4);  // entries 0 … 4
    // Point 3 lies beyond the envelope: entries 2 … 7.
    EXPECT_FLOAT_EQ(MeanBetweenPositions(envelope, grid, 1, 3), 33.0f / 5);
    // Missing points: entry 0 at the start, the last entry at the end.
    EXPECT_FLOAT_EQ(MeanBetweenPositions(envelope, grid, 1, 9), 33.0f / 5);
    EXPECT_FLOAT_EQ(MeanBetweenPositions(envelope, grid, -1, 1), 6.0f / 2);
    // A window of no distance, or a reversed one, holds no music.
    EXPECT_EQ(MeanBetweenPositions(envelope, grid, 2, 2), 0.0f);
    EXPECT_EQ(MeanBetweenPositions(envelope, grid, 3, 1), 0.0f);
}

TEST(FindLoudWindow, ForwardsTakesTheFirstLoudAlignedWindow) {
    // Windows aligned on point 3: 3 … 11 is silent, 11 … 19 holds entries 12 … 19.
    EXPECT_EQ(Find(EntryGrid(40), LoudStretch(12), 3, kForward), (Window{1, 11, 19}));
    // From a later reference the windows are moved back to the earliest aligned one first.
    EXPECT_EQ(Find(EntryGrid(40), LoudStretch(12), 19, kForward), (Window{1, 11, 19}));
    // Loud only in entries 0 and 1 (bar level 2 / 8, threshold 0.0375): every aligned window
    // from point 3 is silent, and 27 … 35 is the last that fits in 40 points.
    EXPECT_EQ(Find(EntryGrid(40), LoudStretch(0, 2), 3, kForward), (Window{1, 27, 35}));
}

TEST(FindLoudWindow, BackwardsTakesTheLastLoudWindowThatFits) {
    EXPECT_EQ(Find(EntryGrid(40), LoudStretch(12), 3, kBackward), (Window{1, 27, 35}));
    // Silent after entry 16: 27 … 35 and 19 … 27 are quiet, 11 … 19 holds five loud entries.
    EXPECT_EQ(Find(EntryGrid(40), LoudStretch(0, 16), 3, kBackward), (Window{1, 11, 19}));
    // All silent after entry 2: back to the earliest aligned window.
    EXPECT_EQ(Find(EntryGrid(40), LoudStretch(0, 2), 3, kBackward), (Window{1, 3, 11}));
}

TEST(FindLoudWindow, NoWholeWindowAfterTheReferenceEndsTheWindowThere) {
    EXPECT_EQ(Find(EntryGrid(40), LoudStretch(0), 35, kForward), (Window{1, 27, 35}));
    // A window that would begin before the first grid point is no window.
    EXPECT_EQ(Find(EntryGrid(10), LoudStretch(0), 3, kForward), Window{});
    EXPECT_EQ(Find(EntryGrid(0), LoudStretch(0), 0, kForward), Window{});
    CPfPositionList unset = EntryGrid(40);
    unset.SetSubdivisionsPerBar(0);
    EXPECT_EQ(Find(unset, LoudStretch(0), 0, kForward), Window{});
}

TEST_F(MixSegments, GridWindowsNearStartAndEnd) {
    CPfMixSegments segments;
    EXPECT_EQ(SearchMixSegments(LoudStretch(12), EntryGrid(40, 3), 1, context, 0.0f, segments), 1);
    EXPECT_EQ(segments.start, (Positions{11 * 256, 19 * 256}));
    EXPECT_EQ(segments.end, (Positions{27 * 256, 35 * 256}));
}

namespace {

// 12000 entries of a low floor (0.01) with single-entry hits of 1 at `hits`; 120 BPM, so that
// eight bars are 705600 frames (2756.25 entries) and pairs may be 3528 frames off. A hit at
// entry m is a slope onset at entry m − 1.
CPfPcmThumbnail HitsAt(const std::vector<std::size_t>& hits) {
    std::vector<float> values(12000, 0.01f);
    for (const std::size_t m : hits) values[m] = 1.0f;
    CPfPcmThumbnail envelope = EnvelopeOf(values);
    envelope.SetTempo(120.0f);
    return envelope;
}

}  // namespace

// Hits 2756 entries apart (705536 frames, 64 short of eight bars) at 1000 / 3756 and
// 6244 / 9000; the hits at 2000 and 5000 have no partner. A grid without bar phase sends the
// search to the onsets.
TEST_F(MixSegments, OnsetsEightBarsApartGiveBothSegments) {
    const CPfPcmThumbnail envelope = HitsAt({1000, 2000, 3756, 5000, 6244, 9000});
    CPfMixSegments segments;
    EXPECT_EQ(SearchMixSegments(envelope, EntryGrid(0), 8, context, 120.0f, segments), 1);
    EXPECT_EQ(segments.start, (Positions{999 * 256, 3755 * 256}));
    EXPECT_EQ(segments.end, (Positions{6243 * 256, 8999 * 256}));
}

// One pair only: the start pair and the end pair are the same and overlap, so the segments
// fall back to eight bars from the audible start and up to the audible end.
TEST_F(MixSegments, OverlappingPairsFallBackToTheAudibleExtent) {
    const CPfPcmThumbnail envelope = HitsAt({1000, 3756});
    CPfMixSegments segments;
    EXPECT_EQ(SearchMixSegmentsByOnsets(envelope, context, 8, 120.0f, segments), 1);
    const std::int64_t start = FindAudioStart(envelope);
    const std::int64_t end = FindAudioEnd(envelope);
    ASSERT_EQ(start, 0);
    ASSERT_GT(end, 2 * 705600);
    EXPECT_EQ(segments.start, (Positions{0, 705600}));
    EXPECT_EQ(segments.end, (Positions{end - 705600, end}));
}

// A flat envelope (no onsets) at 120 BPM, one bar = 88200 frames. 500 entries: the audible end
// is entry 327 (the last bar-long window of mean above 0.5 starts there), less than two bars
// after the start, so each list holds one position.
TEST_F(MixSegments, TrackShorterThanTwoBarsGetsOnePositionEach) {
    CPfPcmThumbnail envelope = EnvelopeOf(std::vector<float>(500, 1.0f));
    envelope.SetTempo(120.0f);
    CPfMixSegments segments;
    EXPECT_EQ(SearchMixSegments(envelope, EntryGrid(0), 8, context, 120.0f, segments), 1);
    EXPECT_EQ(segments.start, (Positions{0}));
    EXPECT_EQ(segments.end, (Positions{327 * 256}));
}

// 2000 entries: audible end 1827 × 256 = 467712. Eight bars are halved to two (176400), the
// first length whose double fits.
TEST_F(MixSegments, FallbackHalvesTheSegmentUntilBothFit) {
    CPfPcmThumbnail envelope = EnvelopeOf(std::vector<float>(2000, 1.0f));
    envelope.SetTempo(120.0f);
    CPfMixSegments segments;
    EXPECT_EQ(SearchMixSegmentsByOnsets(envelope, context, 8, 120.0f, segments), 1);
    EXPECT_EQ(segments.start, (Positions{0, 176400}));
    EXPECT_EQ(segments.end, (Positions{467712 - 176400, 467712}));
}
