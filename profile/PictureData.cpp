#include <algorithm>
#include <cmath>

#include "profile/ProfileSteps.h"

void KeepWaveform(const CPfPcmThumbnail& envelopeA, CPfTrackProfile& profile) {
    const float* entries = envelopeA.Data();
    const std::uint32_t count = envelopeA.Count();
    profile.waveformFrames = envelopeA.Decimation() * kWaveformEntries;
    profile.waveformRate = envelopeA.SampleRate();
    profile.waveform.assign((count + kWaveformEntries - 1) / kWaveformEntries, 0);
    const float loudest = envelopeA.MaxEntry();
    if (loudest <= 0.0f) return;
    const float scale = kWaveformFullLevel / loudest;
    for (std::uint32_t first = 0; first < count; first += kWaveformEntries) {
        const std::uint32_t end = std::min(first + kWaveformEntries, count);
        const float peak = std::max(*std::max_element(entries + first, entries + end), 0.0f);
        profile.waveform[first / kWaveformEntries] =
            static_cast<std::uint8_t>(std::lround(std::min(peak * scale, kWaveformFullLevel)));
    }
}

void KeepBeatGrid(const CPfPositionList& grid, CPfTrackProfile& profile) {
    const std::vector<std::int64_t>& points = grid.Primary();
    size_t phase = 0;
    if (!grid.Secondary().empty()) {
        const auto bar = std::lower_bound(points.begin(), points.end(), grid.Secondary().front());
        phase = static_cast<size_t>(bar - points.begin()) % 2;
    }
    profile.beatGrid.clear();
    profile.beatGrid.reserve(points.size() / 2 + 1);
    for (size_t i = phase; i < points.size(); i += 2) profile.beatGrid.push_back(points[i]);
}
