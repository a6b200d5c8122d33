#include "rhythm/TempoCorrection.h"

namespace {

constexpr float kHighestDoubledTempo = 100.0f;
constexpr std::uint32_t kEighthsPerBar = 8;
constexpr std::uint32_t kToleranceDivisor = 5;  // a fifth of half a beat: a tenth of a beat
constexpr float kHalfBeatShareLimit = 53.0f;    // percent of the gaps

constexpr std::uint32_t kShortTrackSeconds = 30;
constexpr double kSecondsPerBar240 = 240.0;  // 240 / seconds: the whole track as one bar
constexpr float kShortLowest = 82.0f;
constexpr float kShortHighest = 164.01f;
constexpr int kMaxOctaveSteps = 200;

}  // namespace

float CheckDoubleTempo(const CPfPositionList& list, float bpm) {
    if (bpm > kHighestDoubledTempo) return bpm;
    const std::uint32_t bar = list.SamplesPerBar(bpm);
    const std::uint32_t half = bar / kEighthsPerBar;
    const std::uint32_t tolerance = half / kToleranceDivisor;
    const std::uint32_t lo = half - tolerance;
    const std::uint32_t hi = half + tolerance;
    const auto& positions = list.Primary();
    if (positions.size() < 2) return bpm;

    std::uint32_t counted = 0;
    for (std::size_t i = 1; i < positions.size(); ++i) {
        const std::uint32_t gap =
            static_cast<std::uint32_t>(positions[i]) - static_cast<std::uint32_t>(positions[i - 1]);
        if (lo < gap && gap < hi) ++counted;
    }
    const auto pairs = static_cast<float>(positions.size() - 1);
    const float percent = (static_cast<float>(counted) / pairs) * 100.0f;
    return percent > kHalfBeatShareLimit ? 2.0f * bpm : bpm;
}

bool IsShortTrack(std::uint64_t length, std::uint32_t rate) {
    if (rate == 0) return false;
    const std::uint32_t shortLimit = kShortTrackSeconds * rate;  // wraps like a 32-bit product
    return length < shortLimit;
}

void ApplyShortTrackTempo(std::uint64_t length, std::uint32_t rate, float& bpm) {
    if (!IsShortTrack(length, rate)) return;
    const double seconds = static_cast<double>(length) / static_cast<double>(rate);
    if (seconds == 0.0) {
        bpm = 0.0f;
        return;
    }
    auto t = static_cast<float>(kSecondsPerBar240 / seconds);
    if (t < kShortLowest) {
        for (int i = 0; i < kMaxOctaveSteps && t < kShortLowest; ++i) t *= 2.0f;
    } else {
        for (int i = 0; i < kMaxOctaveSteps && t > kShortHighest; ++i) t *= 0.5f;
    }
    if (t < kShortLowest) t = kShortLowest;
    if (t > kShortHighest) t = kShortHighest;
    bpm = t;
}
