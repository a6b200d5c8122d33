#pragma once
// How loud the music is in each eighth-note slot of the bar over the whole track, normalised to
// 0..1: one float per slot (8 once built, empty after construction).

#include <vector>

#include "audio/PcmThumbnail.h"
#include "rhythm/PositionList.h"

class CPfBeatPattern {
public:
    CPfBeatPattern() = default;
    virtual ~CPfBeatPattern() = default;
    CPfBeatPattern(const CPfBeatPattern&) = default;
    CPfBeatPattern& operator=(const CPfBeatPattern&) = default;

    std::vector<float> slots;
};

// Fills `pattern` with one value per grid slot of the bar, slot k being the grid interval that
// starts k steps after a bar start in the phase of the grid's first secondary position (the bar
// phase; without one, the phase of the grid point nearest position 0). Each value is the sum over
// the grid's whole bars of the loudest entry of `thumbnail` in that interval, normalised to
// 0..1 across the slots. An empty grid or a thumbnail without decimation gives all zeros.
// Returns false, leaving the pattern as it was, only when the grid has 0 subdivisions per bar.
bool BuildBeatPattern(const CPfPcmThumbnail& thumbnail, const CPfPositionList& grid,
                      CPfBeatPattern& pattern);
