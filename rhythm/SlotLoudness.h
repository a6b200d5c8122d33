#pragma once
// How loud each eighth-note slot of the bar is over a track: the loudest envelope point of every
// grid interval, summed per slot and normalised to 0..1. Shared by the bar phase and the beat
// patterns.

#include <cstdint>
#include <span>

#include "audio/PcmThumbnail.h"
#include "rhythm/PositionList.h"

// The largest envelope entry of `first` … `last` inclusive: `last` is clamped to the last entry,
// a negative `first` counts from entry 0, and a `first` at or beyond the entry count gives 0.
float RangeMax(const CPfPcmThumbnail& thumbnail, std::int64_t first, std::int64_t last);

// Adds to `sums` (one value per slot, its size the slot count S, which must not be 0) the
// loudness of the grid intervals of the whole bars: for every grid index i from 1 to (grid count
// rounded down to a multiple of S) − 1, the largest entry between the points of grid positions
// i − 1 and i goes to slot (i + shift − 1) mod S. The trailing partial bar is ignored. Nothing is
// added when the thumbnail's decimation is 0.
void AddSlotLoudness(const CPfPcmThumbnail& thumbnail, const CPfPositionList& grid,
                     std::uint32_t shift, std::span<float> sums);

// Maps the values onto 0..1: each becomes (value − low) / (high − low), with low the smallest
// value and high the largest (at least 0); when high equals low the divisor is 1, so equal values
// all become 0.
void NormaliseSlots(std::span<float> values);
