#include "profile/ProfileSteps.h"

void RunStructureSteps(const CPfRhythmAnalyzer& context, const BuildProgressSink& sink,
                       const CPfPcmThumbnail& envelopeA, const CPfPcmThumbnail& envelopeB,
                       CPfPositionList& grid, float tempo, CPfTrackProfile& profile) {
    (void)context;
    (void)envelopeA;
    (void)envelopeB;
    (void)grid;
    (void)tempo;
    (void)profile;
    ReportProgress(sink, 99);
}
