#pragma once
// Where the audible music of a track starts and ends, measured on the smoothed energy envelope
// with the track's tempo set (so that it knows its bar level and entries per bar).

#include <cstdint>

#include "audio/PcmThumbnail.h"

// The position (entry × decimation) of the first entry above 0.1 × the bar level; 0 when none is.
std::int64_t FindAudioStart(const CPfPcmThumbnail& envelope);

// Scans backwards for the last bar-long window whose mean exceeds 0.5 × the bar level, then
// follows the falling minimum through that bar and returns the position of the entry where it
// drops below 0.2 × the bar level, or of its last new minimum in the bar. Returns 0 when the
// envelope has no entries per bar (no tempo); the last frame (length − 1, or 0 for an empty
// envelope) when a bar holds the whole envelope, no window is loud enough, or the last loud
// window starts at entry 0.
std::int64_t FindAudioEnd(const CPfPcmThumbnail& envelope);
