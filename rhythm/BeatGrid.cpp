#include "rhythm/BeatGrid.h"

#include "rhythm/BeatChains.h"
#include "rhythm/BeatInterval.h"
#include "rhythm/GridCompletion.h"
#include "rhythm/OnsetFinders.h"

namespace {
constexpr std::uint32_t kOnsetsPerBarAt82 = 8;  // one onset per eighth note
constexpr std::uint32_t kEighthsPerBar = 8;
constexpr float kBeatsPerBarInverse = 0.25f;
constexpr float kSecondsPerMinute = 60.0f;
constexpr std::uint16_t kGridStepsPerBar = 8;
}  // namespace

bool TrackBeatGrid(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& thumbnail,
                   const CPfPcmThumbnail& conditioned, float& bpm, CPfPositionList& grid) {
    grid.ClearPrimary();
    CPfPositionList onsets(conditioned);
    FindSlopeOnsets(context, conditioned, kOnsetsPerBarAt82, onsets);

    const std::uint32_t rate = conditioned.SampleRate();
    const auto startInterval = static_cast<float>(SamplesPerBar(bpm, rate) / kEighthsPerBar);
    const float refined = RefineInterval(onsets, startInterval);

    CPfPositionList result(conditioned);
    float measured = refined;
    const bool linked = LinkBeatChains(context, thumbnail, refined, onsets, result, measured);

    if (rate != 0) {
        const float secondsPerBeat = measured * static_cast<float>(kEighthsPerBar) *
                                     kBeatsPerBarInverse / static_cast<float>(rate);
        if (secondsPerBeat != 0.0f) bpm = kSecondsPerMinute / secondsPerBeat;
    }

    grid = result;
    FillGridGaps(measured, grid);
    ExtendGrid(measured, grid.TrackLength(), grid);
    grid.SetSubdivisionsPerBar(kGridStepsPerBar);
    grid.SortAndRemoveDuplicates();
    return linked && !context.Cancelled();
}
