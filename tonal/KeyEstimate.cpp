#include "tonal/KeyEstimate.h"

#include "tonal/KeyMap.h"

namespace {

constexpr int kRoots = static_cast<int>(kPitchClassCount);

}  // namespace

HRESULT EstimateKey(const CancelFlag& cancel, const CPfNoteMap& notes, std::int16_t& keyRoot,
                    std::int16_t& keyMode) {
    if (cancel.load(std::memory_order_relaxed) != 0) return S_FALSE;

    CPfKeyMap histogram;
    CPfNoteDetection detection;
    for (std::size_t i = 0; notes.GetDetection(i, detection); ++i)
        histogram.AddNote(((detection.note % kRoots) + kRoots) % kRoots);
    histogram.Normalise();

    float best = 0.0f;
    std::int16_t root = 0;
    std::int16_t mode = kKeyModeNone;
    const struct {
        const PitchClassWeights& pattern;
        std::int16_t mode;
    } candidates[] = {{kMinorKeyTemplate, kKeyModeMinor}, {kMajorKeyTemplate, kKeyModeMajor}};
    for (const auto& candidate : candidates) {
        for (int r = 0; r < kRoots; ++r) {
            CPfKeyMap scale;
            scale.LoadTemplate(candidate.pattern, r);
            const float score = scale.Correlate(histogram);
            if (score > best) {
                best = score;
                root = static_cast<std::int16_t>(r);
                mode = candidate.mode;
            }
        }
    }
    keyRoot = root;
    keyMode = mode;
    return S_OK;
}
