#pragma once
// The result of one profile build: tempo, extent, markers, patterns and key of a track. Every
// position is a count of sample frames at `sampleRate`.

#include <cstdint>
#include <vector>

#include "rhythm/BeatPattern.h"

// The level of the loudest waveform entry of a profile.
constexpr float kWaveformFullLevel = 255.0f;

struct CPfTrackProfile {
    std::vector<std::int64_t> startSegment;  // two positions near the first beat
    std::vector<std::int64_t> endSegment;    // two positions near the last beat
    std::vector<std::int64_t> sectionMarks;  // 12 positions after a successful build
    std::vector<std::int64_t> barMarks;      // bar positions where even runs begin and end
    std::int64_t audioStart = 0;
    std::int64_t audioEnd = 0;
    float bpm = 0.0f;                        // 0 until set
    std::uint32_t sampleRate = 0;
    float barLevel = 0.0f;
    std::int64_t lengthFrames = 0;
    std::int16_t keyRoot = 0;                // 0..11
    std::int16_t keyMode = 0;                // 0 none, 1 first template set, 2 second
    CPfBeatPattern beatPatternA;             // on the energy envelope
    CPfBeatPattern beatPatternB;             // on the detector envelope
    std::uint32_t bitRate = 0;
    // The track's picture: the energy envelope's peak over each run of `waveformFrames` frames
    // at `waveformRate`, scaled so that the loudest entry is 255 (empty when not kept).
    std::vector<std::uint8_t> waveform;
    std::uint32_t waveformFrames = 0;
    std::uint32_t waveformRate = 0;
    // The beats of the beat grid (every second point of its eighth-note grid, in phase with the
    // first bar), ascending.
    std::vector<std::int64_t> beatGrid;
};
