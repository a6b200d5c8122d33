#pragma once
// The steps of a build that follow the beat grid, and the final conversion of a profile's
// positions to the source's own rate.

#include <cstdint>

#include "audio/AnalysisContext.h"
#include "audio/PcmThumbnail.h"
#include "profile/BuildProgressSink.h"
#include "profile/TrackProfile.h"
#include "rhythm/PositionList.h"

// Bar phase and markers, beat patterns, extent and sections, and the mix segments, in this
// order, filling their profile fields. Reports kProgressStructure before the beat patterns.
void RunStructureSteps(const CPfRhythmAnalyzer& context, const BuildProgressSink& sink,
                       const CPfPcmThumbnail& envelopeA, const CPfPcmThumbnail& envelopeB,
                       CPfPositionList& grid, float tempo, CPfTrackProfile& profile);

// Keeps the energy envelope's outline for the track's picture: the peak of every
// kWaveformEntries entries of `envelopeA`, scaled so that the loudest is 255, with the frames per
// entry and the rate they are counted at. A silent envelope gives entries of 0.
void KeepWaveform(const CPfPcmThumbnail& envelopeA, CPfTrackProfile& profile);
// Entries of the energy envelope per waveform entry: 4 × 256 frames, about 23 ms at 44100 Hz.
constexpr std::uint32_t kWaveformEntries = 4;

// Keeps the beats of `grid` (an eighth-note grid whose secondary array may hold the bar phase):
// every second grid point, counted from the first bar reference, or from the first point when
// there is none.
void KeepBeatGrid(const CPfPositionList& grid, CPfTrackProfile& profile);

// Sets sampleRate = `sourceRate` and rescales every position of the five lists (beat grid
// included), audioStart and audioEnd from `analysisRate` to it (signed 64-bit, truncating toward
// zero). Equal rates leave the positions as they are; a zero analysis rate makes them all 0.
void ConvertProfileRate(CPfTrackProfile& profile, std::uint32_t sourceRate,
                        std::uint32_t analysisRate);
