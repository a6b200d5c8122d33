#include <algorithm>
#include <array>
#include <utility>

#include "audio/EnvelopeFilters.h"
#include "profile/ProfileSteps.h"
#include "rhythm/BarPhase.h"
#include "rhythm/BeatPattern.h"
#include "rhythm/SectionMarkers.h"
#include "tonal/MixSegments.h"
#include "tonal/SectionSplit.h"
#include "tonal/TrackExtent.h"

namespace {

// The release filter reaches over this fraction of a bar.
constexpr std::uint32_t kReleaseDivisor = 2;
// Twelve section marks, one per 600 units of accumulated loudness.
constexpr std::size_t kSectionMarkCount = 12;
constexpr std::int32_t kSectionStep = -600;
constexpr std::int32_t kSectionTotal = -600;
// Mix segments are eight bars long.
constexpr std::uint32_t kMixSegmentBars = 8;

// The bar phase on the detector envelope, then the section markers of a copy of the grid.
void FindBars(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& envelopeB,
              CPfPositionList& grid, float tempo, CPfTrackProfile& profile) {
    CPfPcmThumbnail conditioned(envelopeB);
    PeakHoldDecay(context, conditioned);
    // A fresh copy has no entries per bar yet, so the release changes nothing here; it must not
    // move after SetTempo, which would change the envelope the bar phase reads.
    BackwardRelease(context, conditioned, kReleaseDivisor);
    conditioned.SetTempo(tempo);
    FindBarPhase(envelopeB, conditioned, grid);

    CPfPositionList markers(grid);
    FindSectionMarkers(markers);
    profile.barMarks.clear();
    profile.barMarks.insert(profile.barMarks.end(), markers.Secondary().begin(),
                            markers.Secondary().end());
}

// Audible extent, bar level and section marks on the smoothed energy envelope.
void MeasureExtent(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& envelopeA, float tempo,
                   CPfTrackProfile& profile) {
    CPfPcmThumbnail smoothed(envelopeA);
    MovingAverage9(context, smoothed);
    smoothed.SetTempo(tempo);
    profile.audioStart = FindAudioStart(smoothed);
    profile.audioEnd = std::max(profile.audioStart, FindAudioEnd(smoothed));
    profile.barLevel = smoothed.BarLevel();

    std::array<std::int64_t, kSectionMarkCount> marks{};
    if (SplitSections(marks, kSectionStep, kSectionTotal, smoothed, profile.audioStart))
        profile.sectionMarks.insert(profile.sectionMarks.end(), marks.begin(), marks.end());
}

}  // namespace

void RunStructureSteps(const CPfRhythmAnalyzer& context, const BuildProgressSink& sink,
                       const CPfPcmThumbnail& envelopeA, const CPfPcmThumbnail& envelopeB,
                       CPfPositionList& grid, float tempo, CPfTrackProfile& profile) {
    FindBars(context, envelopeB, grid, tempo, profile);

    ReportProgress(sink, kProgressStructure);
    BuildBeatPattern(envelopeA, grid, profile.beatPatternA);
    BuildBeatPattern(envelopeB, grid, profile.beatPatternB);

    MeasureExtent(context, envelopeA, tempo, profile);

    CPfPcmThumbnail mixEnvelope(envelopeA);
    BackwardRelease(context, mixEnvelope, kReleaseDivisor);
    mixEnvelope.SetTempo(tempo);
    CPfMixSegments segments;
    SearchMixSegments(mixEnvelope, grid, kMixSegmentBars, context, profile.bpm, segments);
    profile.startSegment = std::move(segments.start);
    profile.endSegment = std::move(segments.end);
}
