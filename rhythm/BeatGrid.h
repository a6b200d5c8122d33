#pragma once
// The beat grid tracker: from a tempo estimate and the energy envelope to a grid of one position
// per eighth note over the whole track and the tempo of that grid.

#include "audio/AnalysisContext.h"
#include "audio/PcmThumbnail.h"
#include "rhythm/PositionList.h"

// `thumbnail` is the energy envelope as read, `conditioned` a copy of it after PeakHoldDecay.
// Finds eighth-note onsets on `conditioned`, links them into chains at the interval of `bpm`,
// replaces `bpm` by 30 × rate / the interval measured along the best chain, and makes `grid` a
// copy of the chosen chains' positions, with its gaps filled, extended to both ends of the
// track, sorted without duplicates and with 8 subdivisions per bar. A `bpm` of 0 stays 0 and the
// grid stays empty. Returns false when the flag was set (the grid then holds whatever the steps
// after the cancelled chain search made of an empty result), true otherwise.
bool TrackBeatGrid(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& thumbnail,
                   const CPfPcmThumbnail& conditioned, float& bpm, CPfPositionList& grid);
