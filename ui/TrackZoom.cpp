#include "ui/TrackZoom.h"

#include <algorithm>

PictureRange WholeTrack(double total) { return {0.0, std::max(total, 0.0)}; }

PictureRange ClampedRange(PictureRange range, double total) {
    if (total <= 0.0 || !(range.lastSecond > range.firstSecond)) return WholeTrack(total);
    // Widened to the shortest span first, then placed inside the track as the picture places it.
    range.lastSecond = std::max(range.lastSecond,
                                range.firstSecond + std::min(kShortestVisibleSeconds, total));
    return ClampPictureRange(range, total);
}

double TimeAtFraction(const PictureRange& range, double fraction) {
    return range.firstSecond + fraction * (range.lastSecond - range.firstSecond);
}

PictureRange ZoomedRange(const PictureRange& range, double total, double fraction, double factor) {
    if (!(factor > 0.0)) return ClampedRange(range, total);
    const double pinned = TimeAtFraction(range, fraction);
    // The span is bounded before it is placed, so a zoom stopped at either bound still keeps
    // the pinned time in place.
    const double span = std::clamp((range.lastSecond - range.firstSecond) / factor,
                                   std::min(kShortestVisibleSeconds, total), total);
    const double first = pinned - fraction * span;
    return ClampedRange({first, first + span}, total);
}

PictureRange PannedRange(const PictureRange& range, double total, double seconds) {
    return ClampedRange({range.firstSecond + seconds, range.lastSecond + seconds}, total);
}
