#pragma once
// Mix segments: two stretches of eight bars, one near the start of a track and one near its end,
// over which a DJ can mix into and out of it.

#include <cstdint>
#include <vector>

#include "audio/AnalysisContext.h"
#include "audio/PcmThumbnail.h"
#include "rhythm/PositionList.h"

// The two segments, each as ascending positions (sample frames at the envelope's rate).
struct CPfMixSegments {
    std::vector<std::int64_t> start;  // near the first beat
    std::vector<std::int64_t> end;    // near the last beat
};

// `envelope` is the energy envelope with the tempo set, `grid` the beat grid whose secondary
// array holds the bar phase. From the first bar reference the first loud window of `bars` bars
// goes to `segments.start`, from the last one the last loud window to `segments.end`,
// each as the positions of the window's first and last grid point. The result stands when both
// windows were found and the start window ends before the end window begins; otherwise both
// lists are cleared and filled by SearchMixSegmentsByOnsets. Returns 1.
int SearchMixSegments(const CPfPcmThumbnail& envelope, const CPfPositionList& grid,
                      std::uint32_t bars, const CPfRhythmAnalyzer& context, float bpm,
                      CPfMixSegments& segments);

// Looks among the slope onsets of `envelope` for the first pair `bars` bars apart (at the
// tempo `bpm`, within 1/200) after the audible start and the last pair before the audible end,
// and stores them as `segments.start` and `segments.end` (each ascending). When the pairs are
// missing or overlap, the start segment becomes the audible start and the end segment the audible
// end, each followed
// (start) or preceded (end) by the position `bars` bars away, halved until the two stretches fit
// between start and end; when start and end are at most two bars apart the lists keep one
// position each. A cancelled onset search leaves what was found so far. Returns 1.
int SearchMixSegmentsByOnsets(const CPfPcmThumbnail& envelope, const CPfRhythmAnalyzer& context,
                              std::uint32_t bars, float bpm, CPfMixSegments& segments);
