#include <gtest/gtest.h>

#include "ui/TrackZoom.h"

namespace {
constexpr double kTotal = 600.0;

void ExpectRange(const PictureRange& range, double first, double last) {
    EXPECT_NEAR(range.firstSecond, first, 1e-9);
    EXPECT_NEAR(range.lastSecond, last, 1e-9);
}
}  // namespace

TEST(TrackZoom, ZoomKeepsThePinnedTimeInPlaceWithinTheTrack) {
    const PictureRange whole = WholeTrack(kTotal);
    for (double fraction : {0.0, 0.3, 0.5, 1.0}) {
        const PictureRange in = ZoomedRange(whole, kTotal, fraction, 4.0);
        EXPECT_NEAR(in.lastSecond - in.firstSecond, 150.0, 1e-9);
        EXPECT_NEAR(TimeAtFraction(in, fraction), TimeAtFraction(whole, fraction), 1e-9) << fraction;
    }
    // Zooming in past the shortest span stops there, still around the pinned time.
    const PictureRange deep = ZoomedRange({100.0, 110.0}, kTotal, 0.25, 1000.0);
    ExpectRange(deep, 102.5 - 0.25 * kShortestVisibleSeconds, 102.5 + 0.75 * kShortestVisibleSeconds);
    // Zooming out near an end is moved back inside the track, and never past the whole track.
    ExpectRange(ZoomedRange({0.0, 100.0}, kTotal, 0.1, 0.5), 0.0, 200.0);
    ExpectRange(ZoomedRange({500.0, 600.0}, kTotal, 0.9, 0.1), 0.0, kTotal);
}

TEST(TrackZoom, PanningAndClampingStayInsideTheTrack) {
    ExpectRange(PannedRange({100.0, 200.0}, kTotal, 50.0), 150.0, 250.0);
    ExpectRange(PannedRange({100.0, 200.0}, kTotal, -500.0), 0.0, 100.0);
    ExpectRange(PannedRange({100.0, 200.0}, kTotal, 1e6), 500.0, kTotal);
    // An empty, inverted or oversized range is the whole track; a track shorter than the
    // shortest span shows whole.
    ExpectRange(ClampedRange({}, kTotal), 0.0, kTotal);
    ExpectRange(ClampedRange({300.0, 200.0}, kTotal), 0.0, kTotal);
    ExpectRange(ClampedRange({-50.0, 700.0}, kTotal), 0.0, kTotal);
    ExpectRange(ZoomedRange({0.0, 0.5}, 0.5, 0.5, 8.0), 0.0, 0.5);
    ExpectRange(ClampedRange({1.0, 2.0}, 0.0), 0.0, 0.0);
}
