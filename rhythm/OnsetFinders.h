#pragma once
// Onset detection on a decimated envelope. Both finders scan the envelope backwards with a
// forward-peak window of four entries and lower their threshold geometrically until they find
// about as many onsets as the track would have beats (multiple 4) or eighth notes (multiple 8)
// at 82 BPM.

#include <cstdint>

#include "audio/AnalysisContext.h"
#include "audio/PcmThumbnail.h"
#include "rhythm/PositionList.h"

// Slope onsets: an entry whose rise to the peak ahead of it is steeper than the threshold; the
// position reported is the foot of the rise. Fills the primary array of `list` (cleared at the
// start of every pass), then sorts both arrays. Returns the number found in the last pass. When a
// bar at 82 BPM has no frames at the thumbnail's rate it returns 0 at once and leaves the list
// untouched; a track shorter than one bar at 82 BPM runs no pass (the list is only sorted).
std::uint32_t FindSlopeOnsets(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& thumbnail,
                              std::uint32_t multiple, CPfPositionList& list);

// Ratio onsets: an entry whose peak ahead is more than the threshold times its value; the position
// reported is the peak, the top of the rise. Otherwise as FindSlopeOnsets.
std::uint32_t FindRatioOnsets(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& thumbnail,
                              std::uint32_t multiple, CPfPositionList& list);

// Onset strength at a sample position: the sum of the eight entries from the position's entry on
// minus the sum of the eight entries before it, each range clamped into the envelope (so near the
// start the range before shrinks to entry 0). Single precision; 0 for an empty envelope.
float EnergyRiseAt(const CPfPcmThumbnail& thumbnail, std::int64_t position);
