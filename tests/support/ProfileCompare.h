#pragma once
// Whole-profile comparison for tests: every field a build measures, bit for bit.

#include "profile/TrackProfile.h"

// Every measured field of `a` equals that of `b`: positions, tempo (by its bits), extent, bar
// level, key, beat patterns, waveform and beat grid. The bit rate, a property of the source
// rather than of the audio, is not compared.
void ExpectSameMeasurement(const CPfTrackProfile& a, const CPfTrackProfile& b);
