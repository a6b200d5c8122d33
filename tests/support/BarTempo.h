#pragma once
// Tempi that give an envelope a chosen bar length, for tests that need a known bar level and
// entries per bar.

#include <cstdint>

#include "audio/PcmThumbnail.h"

// A tempo at which one bar spans `entriesPerBar` entries and a half of `decimation` frames at
// `rate`, so that the truncated entry count is `entriesPerBar` with room on both sides.
float TempoForEntriesPerBar(std::uint32_t entriesPerBar, std::uint32_t rate = 44100,
                            std::uint32_t decimation = 256);

// Sets the tempo of `envelope` so that it stores `entriesPerBar` entries per bar and the bar
// level that follows from its entries.
void SetBarLength(CPfPcmThumbnail& envelope, std::uint32_t entriesPerBar);
