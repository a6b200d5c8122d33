#pragma once
// Completing a beat grid: dividing its gaps evenly and extending it to both ends of the track.

#include <cstdint>

#include "rhythm/PositionList.h"

// Sorts the grid, then divides every gap between consecutive primary positions into the nearest
// whole number of intervals (gaps of less than 1.5 intervals stay) and sorts again. Does nothing
// to the positions for an interval below one frame.
void FillGridGaps(float interval, CPfPositionList& grid);

// Sorts the grid and extends it at the interval, backwards from its first position while the
// positions stay non-negative and forwards from its last while they stay below `length`; sorts
// again. Nothing happens to an empty grid or for an interval below one frame.
void ExtendGrid(float interval, std::int64_t length, CPfPositionList& grid);
