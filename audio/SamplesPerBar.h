#pragma once
// The one conversion of a tempo into a length in the whole system: sample frames in one bar of
// four beats.

#include <cstdint>

// Frames in one bar at `tempo` beats per minute and `rate` frames per second: bars per second
// = (tempo × 0.25) / 60 in single precision, and rate divided by that, truncated toward zero.
// Returns 0 when bars per second is 0, negative or not a number; a bar longer than 2^32 − 1
// frames (a tempo within a hair of 0) gives 2^32 − 1.
std::uint32_t SamplesPerBar(float tempo, std::uint32_t rate);
