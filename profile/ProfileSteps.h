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

// Sets sampleRate = `sourceRate` and rescales every position of the four lists, audioStart and
// audioEnd from `analysisRate` to it (signed 64-bit, truncating toward zero). Equal rates leave
// the positions as they are; a zero analysis rate makes them all 0.
void ConvertProfileRate(CPfTrackProfile& profile, std::uint32_t sourceRate,
                        std::uint32_t analysisRate);
