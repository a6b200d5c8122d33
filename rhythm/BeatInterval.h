#pragma once
// Measuring the eighth-note interval on onsets.

#include <cstdint>
#include <span>

#include "rhythm/PositionList.h"

// The mean gap between consecutive positions, counting only gaps that are one, two or three
// intervals long to within 5 % (each divided by its count of intervals, in whole frames). Returns
// `interval` unchanged when no gap counts or the interval is not positive.
float RefineInterval(std::span<const std::int64_t> positions, float interval);
// The same over the primary positions of `list`.
float RefineInterval(const CPfPositionList& list, float interval);
