#pragma once
// Track profiles made up for the picture tests: a steady track of known tempo and length with a
// waveform, a beat grid, bar marks, section marks, audio extent and both mix segments, as a
// build would fill them, without the cost of analysing minutes of audio.

#include <cstdint>

#include "profile/TrackProfile.h"

// Frames per waveform entry of the made-up profiles (about 23 ms at 44100 Hz, as builds keep).
constexpr std::uint32_t kMadeUpWaveformFrames = 1024;

// A profile of `seconds` at `bpm` and 44100 Hz: a beat every 60/bpm s from the first frame, a bar
// mark every 16 bars, 12 evenly spread section marks, audio from 0.5 s to 1 s before the end,
// eight-bar mix segments after the first beat and before the last, and a waveform whose level
// rises and falls with each beat.
CPfTrackProfile MadeUpProfile(double bpm, double seconds);
