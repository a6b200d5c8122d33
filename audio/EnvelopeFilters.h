#pragma once
// The three filters that condition copies of an envelope before the rhythm and structure
// analyses. Each tests the analysis context's cancel flag and returns true when it finished,
// false when it was cancelled or could not run; a filter that could not run leaves the entries
// unchanged.

#include <cstdint>

#include "audio/AnalysisContext.h"
#include "audio/PcmThumbnail.h"

// Nine-entry moving average (fewer on a shorter envelope). In the middle, entry i becomes the
// mean of entries i − 4 … i + 4; the first and last few take the mean of the nearest full
// window. Works in a temporary page-allocated array; false when the envelope is empty, the
// temporary cannot be had or the flag is set (the entries are then unchanged).
bool MovingAverage9(const CPfRhythmAnalyzer& context, CPfPcmThumbnail& thumbnail);

// Holds every peak and lets it fall linearly to zero over one sixteenth of a bar at 164 BPM;
// entries below that line are raised onto it. False (unchanged) when a bar at 164 BPM has fewer
// than 16 entries, the envelope is empty or the flag is set.
bool PeakHoldDecay(const CPfRhythmAnalyzer& context, CPfPcmThumbnail& thumbnail);

// Every entry casts a quartic release curve h − h × (k / R)^4 over the next R entries, where
// R is the stored entries per bar / divisor, and raises the lower entries after it onto that
// curve. False (unchanged) when the divisor is 0, R is 0 (no tempo set) or the flag is set
// before it starts; a cancellation during the walk stops it where it is.
bool BackwardRelease(const CPfRhythmAnalyzer& context, CPfPcmThumbnail& thumbnail,
                     std::uint32_t divisor);
