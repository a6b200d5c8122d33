#pragma once
// Tempo estimation from an onset list: phase histograms over candidate tempi from 82 to 164 BPM
// in windows of the track, and the median of the window estimates.

#include <cstdint>

#include "audio/AnalysisContext.h"
#include "rhythm/PositionList.h"

// The candidate tempo (82.0, 82.1, … below 164.0, stepped in single precision) whose period grid
// best fits the onsets strictly inside start … start + length: each onset votes for the phase
// bins that start up to a tenth of a period before its phase, and the lowest candidate reaching
// the highest bin count wins. `divisor` 4 makes the period one beat, 8 half a beat. Only the
// first 512 onsets of the window count, by the low 32 bits of their positions. Returns 0 with
// fewer than two onsets in the window, with a divisor of 0, or when the flag was set throughout.
float EstimateWindowTempo(const CPfRhythmAnalyzer& context, const CPfPositionList& list,
                          std::int64_t start, std::int64_t length, std::uint32_t divisor);

// The median of the non-zero window estimates (one-beat and half-beat periods) of nine
// 20-second windows starting at each tenth of the track; the upper middle value for an even
// count. Returns 0 when no window gives an estimate or when the flag is set.
float EstimateTempo(const CPfRhythmAnalyzer& context, const CPfPositionList& list);
