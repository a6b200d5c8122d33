#pragma once
// Windows of whole bars on the beat grid that are loud enough to mix over.

#include <cstdint>

#include "audio/PcmThumbnail.h"
#include "rhythm/PositionList.h"

// The mean loudness between grid points `i` and `j`: the sum of the envelope entries from the
// entry of point i (entry 0 when there is no point i or it lies before the envelope) to the entry
// of point j (the last entry when there is no point j or it lies beyond) inclusive, divided by
// the distance between the two entries (not by their count). A window of no distance (or a
// reversed one) holds no music and gives 0.
float MeanBetweenPositions(const CPfPcmThumbnail& envelope, const CPfPositionList& list,
                           std::int64_t i, std::int64_t j);

enum class LoudWindowDirection : std::int32_t {
    Forward = 0,   // from the start of the track on: the first loud window
    Backward = 1,  // from the end of the track back: the last loud window
};

// Finds a window of `bars` bars (bars × the grid's subdivisions per bar grid steps), aligned on
// whole windows from the grid point nearest `reference`, whose mean loudness reaches 0.15 × the
// envelope's bar level. Forward: the first such window from the earliest aligned one on, or the
// last aligned window that fits in the grid when none is loud enough. Backward: the last such
// window from the last aligned one that fits, back to the earliest aligned one when none is loud
// enough. When no whole window fits after the reference point, the window is the one ending at
// it. Writes the grid indices of the window's first and last point and returns 1; returns 0,
// writing nothing, when the grid is empty, the window is empty (0 bars or 0 subdivisions), or
// the only window would begin before the first grid point.
int FindLoudWindow(const CPfPositionList& grid, const CPfPcmThumbnail& envelope, std::uint32_t bars,
                   std::int64_t reference, LoudWindowDirection direction, std::int64_t& first,
                   std::int64_t& last);
