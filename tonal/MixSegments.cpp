#include "tonal/MixSegments.h"

#include <algorithm>
#include <vector>

#include "rhythm/OnsetFinders.h"
#include "tonal/LoudWindow.h"
#include "tonal/TrackExtent.h"

namespace {

// About one onset per beat.
constexpr std::uint32_t kOnsetMultiple = 4;
// Two onsets pair up when their distance is within this fraction of the segment length.
constexpr std::int64_t kPairToleranceDivisor = 200;
// The fallback segment is halved at most this many times.
constexpr int kMaxHalvings = 8;

std::int64_t PositionAt(const CPfPositionList& list, std::int64_t index) {
    std::int64_t position = 0;
    list.GetPrimary(index, position);
    return position;
}

// Appends the positions of the first and last point of a loud window to `segment`.
void AppendLoudWindow(const CPfPcmThumbnail& envelope, const CPfPositionList& grid,
                      std::uint32_t bars, std::int64_t reference, LoudWindowDirection direction,
                      std::vector<std::int64_t>& segment) {
    std::int64_t first = 0;
    std::int64_t last = 0;
    if (!FindLoudWindow(grid, envelope, bars, reference, direction, first, last)) return;
    segment.push_back(PositionAt(grid, first));
    segment.push_back(PositionAt(grid, last));
}

// The first onset after `start` with a partner `length` ± `tolerance` later, as (onset, partner).
bool FirstPairAfter(const std::vector<std::int64_t>& onsets, std::int64_t start,
                    std::int64_t length, std::int64_t tolerance, std::int64_t& from,
                    std::int64_t& to) {
    for (std::size_t i = 0; i < onsets.size(); ++i) {
        const std::int64_t p = onsets[i];
        if (p <= start) continue;
        for (std::size_t j = i + 1; j < onsets.size(); ++j) {
            const std::int64_t q = onsets[j];
            if (q <= p + length - tolerance) continue;
            if (q > p + length + tolerance) break;
            from = p;
            to = q;
            return true;
        }
    }
    return false;
}

// The last onset before `end` with a partner `length` ± `tolerance` earlier, as (partner, onset).
bool LastPairBefore(const std::vector<std::int64_t>& onsets, std::int64_t end, std::int64_t length,
                    std::int64_t tolerance, std::int64_t& from, std::int64_t& to) {
    for (std::size_t i = onsets.size(); i-- > 0;) {
        const std::int64_t p = onsets[i];
        if (p >= end) continue;
        for (std::size_t j = i; j-- > 0;) {
            const std::int64_t q = onsets[j];
            if (q >= p - length + tolerance) continue;
            if (q < p - length - tolerance) break;
            from = q;
            to = p;
            return true;
        }
    }
    return false;
}

}  // namespace

int SearchMixSegments(const CPfPcmThumbnail& envelope, const CPfPositionList& grid,
                      std::uint32_t bars, const CPfRhythmAnalyzer& context, float bpm,
                      CPfMixSegments& segments) {
    std::vector<std::int64_t>& start = segments.start;
    std::vector<std::int64_t>& end = segments.end;
    const std::vector<std::int64_t>& references = grid.Secondary();
    if (!references.empty()) {
        AppendLoudWindow(envelope, grid, bars, references.front(), LoudWindowDirection::Forward,
                         start);
        AppendLoudWindow(envelope, grid, bars, references.back(), LoudWindowDirection::Backward,
                         end);
    }
    if (start.size() + end.size() >= 4 && !start.empty() && !end.empty() &&
        *std::max_element(start.begin(), start.end()) < *std::min_element(end.begin(), end.end()))
        return 1;
    start.clear();
    end.clear();
    return SearchMixSegmentsByOnsets(envelope, context, bars, bpm, segments);
}

int SearchMixSegmentsByOnsets(const CPfPcmThumbnail& envelope, const CPfRhythmAnalyzer& context,
                              std::uint32_t bars, float bpm, CPfMixSegments& segments) {
    const std::int64_t audioStart = FindAudioStart(envelope);
    const std::int64_t audioEnd = std::max(audioStart, FindAudioEnd(envelope));

    CPfPositionList onsets(envelope);
    FindSlopeOnsets(context, envelope, kOnsetMultiple, onsets);
    const std::int64_t bar = envelope.SamplesPerBar(bpm);
    const std::int64_t length = std::int64_t{bars} * bar;
    const std::int64_t tolerance = length / kPairToleranceDivisor;

    std::vector<std::int64_t>& start = segments.start;
    std::vector<std::int64_t>& end = segments.end;
    std::int64_t startFrom = 0, startTo = 0, endFrom = 0, endTo = 0;
    const bool startPair =
        FirstPairAfter(onsets.Primary(), audioStart, length, tolerance, startFrom, startTo);
    const bool endPair =
        LastPairBefore(onsets.Primary(), audioEnd, length, tolerance, endFrom, endTo);
    if (startPair && endPair && endFrom >= startTo) {
        start = {startFrom, startTo};
        end = {endFrom, endTo};
        return 1;
    }

    // No usable pairs: stretches of whole bars from the audible start and up to the audible end.
    start = {audioStart};
    end = {audioEnd};
    const std::int64_t audible = audioEnd - audioStart;
    if (audible > 2 * bar) {
        std::int64_t stretch = std::int64_t{bars} * bar;
        for (int h = 0; h < kMaxHalvings && 2 * stretch > audible; ++h) stretch /= 2;
        start = {audioStart, audioStart + stretch};
        end = {audioEnd - stretch, audioEnd};
    }
    return 1;
}
