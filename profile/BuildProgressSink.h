#pragma once
// The record through which a build reports progress and learns that it should stop.

#include <cstdint>

#include "audio/AnalysisContext.h"

class CQmEngine;

struct BuildProgressSink {
    // Non-zero asks the note detector's finishing pass and the key estimate to skip their work.
    CancelFlag cancel{0};
    // Where the UI update queue is looked up; null: progress is not posted.
    CQmEngine* engine = nullptr;
    // Catalog id of the entry being built; sent with every progress message.
    std::int32_t itemId = 0;
};

// The milestones of a build's progress, in percent. Reading the audio reports from the start up
// to kProgressRead as blocks complete; the analyses of the envelopes follow.
constexpr int kProgressStart = 0;
constexpr int kProgressRead = 94;        // the whole file is read
constexpr int kProgressOnsets = 95;      // before the onsets of the energy envelope
constexpr int kProgressTempo = 98;       // before the tempo estimate
constexpr int kProgressStructure = 99;   // before the beat patterns, extent and mix segments
constexpr int kProgressDone = 100;

// Posts build progress `percent` (code 1000 + percent modulo 256, parameter: the sink's item id)
// to the engine's UI update queue; nothing when the engine or its queue is missing.
void ReportProgress(const BuildProgressSink& sink, int percent);
