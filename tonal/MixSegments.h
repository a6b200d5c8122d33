#pragma once
// Mix segments: two stretches of eight bars, one near the start of a track and one near its end,
// over which a DJ can mix into and out of it.

#include <cstdint>

#include "audio/AnalysisContext.h"
#include "audio/PcmThumbnail.h"
#include "profile/TrackProfile.h"
#include "rhythm/PositionList.h"

// `envelope` is the energy envelope with the tempo set, `grid` the beat grid whose secondary
// array holds the bar phase. From the first bar reference the first loud window of `bars` bars
// goes to the profile's startSegment, from the last one the last loud window to its endSegment,
// each as the positions of the window's first and last grid point. The result stands when both
// windows were found and the start window ends before the end window begins; otherwise both
// lists are cleared and filled by SearchMixSegmentsByOnsets. Returns 1.
int SearchMixSegments(const CPfPcmThumbnail& envelope, const CPfPositionList& grid,
                      std::uint32_t bars, const CPfRhythmAnalyzer& context,
                      CPfTrackProfile& profile);

// Looks among the slope onsets of `envelope` for the first pair `bars` bars apart (at the
// profile's bpm, within 1/200) after the audible start and the last pair before the audible end,
// and stores them as startSegment and endSegment (each ascending). When the pairs are missing or
// overlap, startSegment becomes the audible start and endSegment the audible end, each followed
// (start) or preceded (end) by the position `bars` bars away, halved until the two stretches fit
// between start and end; when start and end are at most two bars apart the lists keep one
// position each. A cancelled onset search leaves what was found so far. Returns 1.
int SearchMixSegmentsByOnsets(const CPfPcmThumbnail& envelope, const CPfRhythmAnalyzer& context,
                              std::uint32_t bars, CPfTrackProfile& profile);
