#include "profile/ProfileBuilder.h"

#include "audio/EnvelopeFilters.h"
#include "audio/PcmThumbnail.h"
#include "audio/SourceOpener.h"
#include "core/UnknownStandAlone.h"
#include "platform/File.h"
#include "profile/ProfileSteps.h"
#include "profile/ReadLoop.h"
#include "rhythm/BeatGrid.h"
#include "rhythm/OnsetFinders.h"
#include "rhythm/PositionList.h"
#include "rhythm/TempoCorrection.h"
#include "rhythm/TempoEstimate.h"
#include "tonal/KeyEstimate.h"
#include "tonal/NoteDetector.h"

namespace {

constexpr std::uint32_t kBlockSize = 256;
// Onsets are searched at multiples of this many envelope entries.
constexpr std::uint32_t kOnsetMultiple = 4;
// Sources are opened for analysis in this mode.
constexpr std::int32_t kAnalysisOpenMode = 1;

// Reads the whole source into the two envelopes, feeding the note detector, then lets the
// detector finish and estimates the key (also after a failed or cancelled read).
bool ReadSource(const CPfRhythmAnalyzer& context, BuildProgressSink& sink, IPcmReader& source,
                CPfPcmThumbnail& envelopeA, CPfPcmThumbnail& envelopeB, CPfTrackProfile& profile) {
    WAVEFORMATEX format{};
    std::uint32_t bitRate = 0;
    source.GetFormat(&format, &bitRate);
    if (bitRate != 0) profile.bitRate = bitRate;

    CPfNoteDetector detector(source, context, envelopeB);
    const bool read = RunReadLoop(context, sink, source, kBlockSize, envelopeA, &detector);
    detector.Finish(sink.cancel);
    EstimateKey(sink.cancel, detector.Notes(), profile.keyRoot, profile.keyMode);
    return read;
}

}  // namespace

int CProfileBuilder::BuildProfile(BuildProgressSink& sink, IBuildEntry& item,
                                  CPfTrackProfile& profile, BuildFailure* failure) {
    BuildFailure ignored = BuildFailure::None;
    BuildFailure& why = failure ? *failure : ignored;
    why = BuildFailure::None;
    const CPfRhythmAnalyzer context{&cancel};
    ReportProgress(sink, kProgressStart);
    CPfPcmThumbnail envelopeA, envelopeB;

    ComPtr<IPcmReader> source;
    if (FAILED(item.OpenSource(source.Out(), kAnalysisOpenMode))) {
        // A folder under the name is there, but it is no audio.
        why = FileExists(item.GetPath()) || DirectoryExists(item.GetPath()) ? BuildFailure::NotAudio
                                                                           : BuildFailure::FileMissing;
        return 0;
    }

    std::uint64_t sourceFrames = 0;
    std::uint32_t sourceRate = 0;
    bool read = false;
    const bool sourceOpened = source->GetStatus() == 0;
    if (sourceOpened) {
        source->GetLengthFrames(&sourceFrames);
        source->GetSampleRate(&sourceRate);
        if (sourceRate == 0) sourceRate = 1;
        // A track shorter than one analysis block has nothing to measure: the build fails at
        // once instead of analysing silence.
        const auto readWhole = [&] {
            return sourceFrames * kAnalysisRate / sourceRate >= kBlockSize &&
                   ReadSource(context, sink, *source.Get(), envelopeA, envelopeB, profile);
        };
        read = readWhole();
        // A decoder may have predicted its length and corrected it when the read reached the
        // end; the track is then read again with the length it has.
        std::uint64_t readFrames = sourceFrames;
        if (read && SUCCEEDED(source->GetLengthFrames(&readFrames)) && readFrames != sourceFrames) {
            sourceFrames = readFrames;
            read = readWhole();
        }
    }
    source->Close();
    source.Reset();
    if (!read) {
        // A cancelled build did not fail; a source that opened but could not be read did.
        if (cancel.load() == 0) why = sourceOpened ? BuildFailure::Unreadable : BuildFailure::NotAudio;
        return 0;
    }

    // Onsets of the energy envelope and the first tempo.
    ReportProgress(sink, kProgressOnsets);
    CPfPositionList onsets(envelopeA);
    CPfPcmThumbnail a1(envelopeA);
    PeakHoldDecay(context, a1);
    FindSlopeOnsets(context, a1, kOnsetMultiple, onsets);
    // Without a single onset above silence there is no tempo to measure, and any number the
    // estimate gave would be invented: the build fails, and nothing is written for it. A short
    // track that is not silent still takes its tempo from its length, as a loop.
    const bool silent = envelopeA.MaxEntry() <= 0.0f;
    if (onsets.LastPrimaryIndex() < 0 &&
        (silent || !IsShortTrack(envelopeA.Length(), envelopeA.SampleRate()))) {
        if (cancel.load() == 0) why = BuildFailure::NoBeat;
        return 0;
    }
    ReportProgress(sink, kProgressTempo);
    float tempo = EstimateTempo(context, onsets);

    // Onsets of the detector envelope decide between the tempo and its double.
    CPfPcmThumbnail b1(envelopeB);
    MovingAverage9(context, b1);
    CPfPositionList detectorOnsets(envelopeA);
    FindRatioOnsets(context, b1, kOnsetMultiple, detectorOnsets);
    tempo = CheckDoubleTempo(detectorOnsets, tempo);
    ApplyShortTrackTempo(envelopeA.Length(), envelopeA.SampleRate(), tempo);

    // The beat grid gives the final tempo.
    CPfPositionList grid(envelopeA);
    TrackBeatGrid(context, envelopeA, a1, tempo, grid);
    profile.bpm = tempo;

    RunStructureSteps(context, sink, envelopeA, envelopeB, grid, tempo, profile);
    KeepWaveform(envelopeA, profile);
    KeepBeatGrid(grid, profile);

    profile.lengthFrames = static_cast<std::int64_t>(sourceFrames);
    ConvertProfileRate(profile, sourceRate, kAnalysisRate);
    const int result = cancel.load() != 0 ? 0 : 1;
    ReportProgress(sink, kProgressDone);
    return result;
}
