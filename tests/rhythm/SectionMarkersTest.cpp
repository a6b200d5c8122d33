#include <gtest/gtest.h>

#include <vector>

#include "rhythm/SectionMarkers.h"

namespace {

using Positions = std::vector<std::int64_t>;

CPfPositionList GridOf(const Positions& points, const Positions& references) {
    CPfPositionList grid(44100, points.empty() ? 0 : points.back() + 1);
    for (const std::int64_t p : points) grid.AppendPrimary(p);
    for (const std::int64_t r : references) grid.AppendSecondary(r);
    grid.SetSubdivisionsPerBar(8);
    return grid;
}

// `points` continued at `spacing` frames up to index `last` (the first point of none is 0).
Positions Continue(Positions points, std::int64_t last, std::int64_t spacing) {
    while (static_cast<std::int64_t>(points.size()) <= last)
        points.push_back(points.empty() ? 0 : points.back() + spacing);
    return points;
}

Positions Markers(const Positions& points, const Positions& references) {
    CPfPositionList grid = GridOf(points, references);
    EXPECT_TRUE(FindSectionMarkers(grid));
    EXPECT_EQ(grid.Primary(), points);
    return grid.Secondary();
}

}  // namespace

TEST(IsRegularRun, EachPointWithinTwoPercentOfTheEvenSpacing) {
    // Mean 1000, tolerance 20: point 3 may lie at 3020 but not at 3021.
    EXPECT_TRUE(IsRegularRun(GridOf({0, 1000, 2000, 3020, 4000}, {}), 0, 4));
    EXPECT_FALSE(IsRegularRun(GridOf({0, 1000, 2000, 3021, 4000}, {}), 0, 4));
    // Mean 999.75: tolerance trunc(19.995) = 19, point 3 expected at trunc(2999.25) = 2999.
    EXPECT_TRUE(IsRegularRun(GridOf({0, 999, 1999, 3018, 3999}, {}), 0, 4));
    EXPECT_FALSE(IsRegularRun(GridOf({0, 999, 1999, 3019, 3999}, {}), 0, 4));
    // Only the points strictly between a and b count.
    EXPECT_TRUE(IsRegularRun(GridOf({0, 1000, 2000, 3500, 4000}, {}), 0, 2));
}

TEST(IsRegularRun, EmptyReversedOrOutsideRunsAreNotRegular) {
    const CPfPositionList grid = GridOf({0, 1000, 2000}, {});
    EXPECT_FALSE(IsRegularRun(grid, 1, 1));
    EXPECT_FALSE(IsRegularRun(grid, 2, 0));
    EXPECT_FALSE(IsRegularRun(grid, -1, 2));
    EXPECT_FALSE(IsRegularRun(grid, 0, 3));
    EXPECT_TRUE(IsRegularRun(grid, 0, 1));
}

// The bar phase (index 3, inside the first bar) and the last whole bar: index 3 + 8 × 12 = 99
// of the 101 points.
TEST(FindSectionMarkers, EvenGridGivesBarPhaseAndLastWholeBar) {
    const Positions points = Continue({}, 100, 1000);
    EXPECT_EQ(Markers(points, {3000}), (Positions{3000, 99000}));
}

// Spacing 1000 up to point 40, 1100 after: the run from 0 to 48 breaks (point 2 is 33 frames
// off a mean of 1016.67, tolerance 20), so the last regular bar, 40, is a marker; the new run
// stays regular to the end. The last whole bar is point 80.
TEST(FindSectionMarkers, TempoChangeInTheMiddlePlacesAMarker) {
    const Positions points = Continue(Continue({}, 40, 1000), 80, 1100);
    EXPECT_EQ(Markers(points, {0}), (Positions{0, 40000, 84000}));
}

// A second change at point 52 breaks the run 48 … 56 right away (point 49 is 50 frames off a
// mean of 1150, tolerance 23): a run of less than a bar places no marker.
TEST(FindSectionMarkers, RunShorterThanABarPlacesNoMarker) {
    const Positions points = Continue(Continue(Continue({}, 40, 1000), 52, 1100), 80, 1200);
    EXPECT_EQ(Markers(points, {0}), (Positions{0, 40000, 86800}));
}

// A bar reference at point 19 adds the first whole bar, point 3.
TEST(FindSectionMarkers, LateBarReferenceAddsTheFirstWholeBar) {
    const Positions points = Continue({}, 59, 1000);
    EXPECT_EQ(Markers(points, {19000}), (Positions{3000, 19000, 59000}));
}

// Walking back from point 18: the run 2 … 18 breaks at point 3 (43 frames off a mean of
// 993.75, tolerance 19), so point 10 is a marker; the first whole bar is then point 2.
TEST(FindSectionMarkers, IrregularStartIsMarkedWalkingBackwards) {
    const Positions points = Continue({0, 1300, 2100, 3050, 4000}, 59, 1000);
    EXPECT_EQ(Markers(points, {18000}), (Positions{2100, 10000, 18000, 58000}));
}

TEST(FindSectionMarkers, NothingToMarkWithoutGridOrBarPhase) {
    CPfPositionList unset = GridOf(Continue({}, 20, 1000), {0});
    unset.SetSubdivisionsPerBar(0);
    EXPECT_FALSE(FindSectionMarkers(unset));
    EXPECT_EQ(unset.Secondary(), Positions{0});

    EXPECT_TRUE(Markers(Continue({}, 20, 1000), {}).empty());
    CPfPositionList empty = GridOf({}, {});
    EXPECT_TRUE(FindSectionMarkers(empty));
    EXPECT_TRUE(empty.Secondary().empty());
}
