#include "rhythm/BeatPattern.h"

#include "rhythm/SlotLoudness.h"

bool BuildBeatPattern(const CPfPcmThumbnail& thumbnail, const CPfPositionList& grid,
                      CPfBeatPattern& pattern) {
    const std::uint32_t slots = grid.SubdivisionsPerBar();
    if (slots == 0) return false;
    pattern.slots.assign(slots, 0.0f);
    if (thumbnail.Decimation() == 0) return true;

    std::int64_t barReference = 0;
    grid.GetSecondary(0, barReference);
    std::int64_t phase = 0;
    grid.NearestPrimaryIndex(barReference, phase);
    const auto shift = static_cast<std::uint32_t>(slots - phase % slots);

    AddSlotLoudness(thumbnail, grid, shift, pattern.slots);
    NormaliseSlots(pattern.slots);
    return true;
}
