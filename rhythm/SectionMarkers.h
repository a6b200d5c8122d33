#pragma once
// Section markers: the bar positions where evenly spaced runs of the beat grid begin and end,
// with the first and the last whole bar of the track.

#include <cstdint>

#include "rhythm/PositionList.h"

// True when the grid points strictly between indices `a` and `b` lie on the even spacing from
// point a to point b: each within 2 % of the mean spacing (truncated to whole frames) of
// a + trunc((k − a) × mean). False when `a` is not below `b` or either index is outside the grid.
bool IsRegularRun(const CPfPositionList& list, std::int64_t a, std::int64_t b);

// `list` is a copy of the beat grid whose secondary array holds the bar phase. Walks the grid
// bar by bar from each bar reference to the next (or to the end), and backwards from the first,
// and adds to the secondary array a marker where an evenly spaced run ends (forwards: the last
// bar of a run of at least one whole bar; backwards: every bar where the spacing breaks), then
// the first whole bar when the first reference lies beyond it and the last whole bar of the grid.
// Both arrays end sorted (the last bar appended after the sort is the largest). An empty grid or
// one without bar references gets nothing. Returns false, changing nothing, only when the grid
// has 0 subdivisions per bar.
bool FindSectionMarkers(CPfPositionList& list);
