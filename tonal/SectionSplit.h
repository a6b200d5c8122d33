#pragma once
// Section marks: positions spread over the loud part of a track by its accumulated loudness.

#include <cstdint>
#include <span>

#include "audio/PcmThumbnail.h"

// Writes one mark per element of `marks`. Mark 0 is the start of the entry holding `start`;
// loudness then accumulates from that entry on: every entry above 0.2 × the bar level adds
// (value − that level) × 131.072, at most |total| / (entries per second) per entry, so that one
// second of loud music adds at most |total|; mark i falls on the first entry at which the
// accumulated loudness passes i × |step| (step and total are given negative, as they count
// down). Marks not reached before the envelope ends are the end of the envelope (entry count ×
// decimation). Returns 1; returns 0 and writes nothing when the decimation is 0 or the envelope
// has less than one entry per second. Allocates nothing.
int SplitSections(std::span<std::int64_t> marks, std::int32_t step, std::int32_t total,
                  const CPfPcmThumbnail& envelope, std::int64_t start);
