#pragma once
// Corrections of a first tempo estimate: doubling a slow estimate when the onsets move in half
// beats, and deriving the tempo of a short loop from its length.

#include <cstdint>

#include "rhythm/PositionList.h"

// Returns 2 × bpm when bpm is at most 100 and more than 53 % of the gaps between consecutive
// primary positions of `list` lie strictly within a tenth of a beat of half a beat (gaps taken on
// the low 32 bits); bpm otherwise, also for a list of fewer than two positions.
float CheckDoubleTempo(const CPfPositionList& list, float bpm);

// A track shorter than 30 seconds (length below 30 × rate frames, that product taken in 32 bits)
// is taken as a loop of a power-of-two number of bars: bpm becomes 240 / seconds, doubled or
// halved into 82 … 164.01 and clamped there (0 for a length of 0). Longer tracks and a rate of 0
// leave bpm as it is.
void ApplyShortTrackTempo(std::uint64_t length, std::uint32_t rate, float& bpm);

// True when ApplyShortTrackTempo takes the track as a loop (rate above 0, length below the limit).
bool IsShortTrack(std::uint64_t length, std::uint32_t rate);
