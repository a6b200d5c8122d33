#include "rhythm/TempoEstimate.h"

#include <algorithm>
#include <array>

#include "audio/SamplesPerBar.h"

namespace {

constexpr std::size_t kMaxWindowOnsets = 512;
constexpr std::size_t kPhaseBins = 40;
constexpr float kLowestCandidate = 82.0f;
constexpr float kCandidateLimit = 164.0f;
constexpr float kCandidateStep = 0.1f;
// An onset votes for bins starting up to a tenth of the period before its phase.
constexpr std::uint32_t kToleranceDivisor = 10;

constexpr std::int64_t kWindowFrames = 882000;  // 20 seconds at 44100 Hz
constexpr std::int64_t kWindowStartDivisor = 10;
constexpr std::int64_t kFirstWindow = 1;
constexpr std::int64_t kLastWindow = 9;
constexpr std::uint32_t kBeatDivisor = 4;
constexpr std::uint32_t kHalfBeatDivisor = 8;

}  // namespace

float EstimateWindowTempo(const CPfRhythmAnalyzer& context, const CPfPositionList& list,
                          std::int64_t start, std::int64_t length, std::uint32_t divisor) {
    if (divisor == 0) return 0.0f;
    std::array<std::uint32_t, kMaxWindowOnsets> onsets{};
    std::size_t count = 0;
    const std::int64_t end = start + length;
    for (const std::int64_t p : list.Primary()) {
        if (count == kMaxWindowOnsets) break;
        if (p > start && p < end) onsets[count++] = static_cast<std::uint32_t>(p);
    }
    if (count < 2) return 0.0f;

    std::array<std::uint16_t, kPhaseBins> bins{};
    unsigned bestCount = 0;
    float bestTempo = 0.0f;
    for (float t = kLowestCandidate; t < kCandidateLimit; t += kCandidateStep) {
        if (context.Cancelled()) continue;
        const std::uint32_t period = list.SamplesPerBar(t) / divisor;
        const std::uint32_t width = period / kPhaseBins;
        if (width == 0) break;
        const std::uint32_t tolerance = period / kToleranceDivisor;
        bins.fill(0);
        for (std::size_t i = 0; i < count; ++i) {
            // Bin k gets the vote when phase − tolerance < k × width < phase; the phase is below
            // the period, so k × width never overflows. A phase within the tolerance of 0 (the
            // lower bound below 0) still votes for bin 0. Every quantity fits 32 bits, so the
            // divisions are the processor's short ones.
            const std::uint32_t phase = onsets[i] % period;
            if (phase == 0) continue;
            const std::uint32_t firstBin = phase < tolerance ? 0 : (phase - tolerance) / width + 1;
            const std::uint32_t lastBin =
                std::min<std::uint32_t>((phase - 1) / width, std::uint32_t{kPhaseBins} - 1);
            for (std::uint32_t k = firstBin; k <= lastBin; ++k) ++bins[k];
        }
        for (const std::uint16_t votes : bins) {
            if (votes > bestCount) {
                bestCount = votes;
                bestTempo = t;
            }
        }
    }
    return bestTempo;
}

float EstimateTempo(const CPfRhythmAnalyzer& context, const CPfPositionList& list) {
    const std::int64_t step = list.TrackLength() / kWindowStartDivisor;
    std::array<float, 2 * (kLastWindow - kFirstWindow + 1)> estimates{};
    std::size_t kept = 0;
    for (std::int64_t k = kFirstWindow; k <= kLastWindow; ++k) {
        const std::int64_t start = k * step;
        const float beat = EstimateWindowTempo(context, list, start, kWindowFrames, kBeatDivisor);
        if (beat != 0.0f) estimates[kept++] = beat;
        const float half =
            EstimateWindowTempo(context, list, start, kWindowFrames, kHalfBeatDivisor);
        if (half != 0.0f) estimates[kept++] = half;
        if (context.Cancelled()) return 0.0f;
    }
    if (kept == 0) return 0.0f;
    std::sort(estimates.begin(), estimates.begin() + static_cast<std::ptrdiff_t>(kept));
    return estimates[kept / 2];
}
