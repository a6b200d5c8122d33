#include "tonal/KeyMap.h"

namespace {

constexpr int kClasses = static_cast<int>(kPitchClassCount);

int WrapPitchClass(int value) {
    return ((value % kClasses) + kClasses) % kClasses;
}

}  // namespace

void CPfKeyMap::AddNote(int pitchClass) {
    if (pitchClass < 0 || pitchClass >= kClasses) return;
    weights_[static_cast<std::size_t>(pitchClass)] += 1.0f;
    ++count_;
}

void CPfKeyMap::Normalise() {
    if (count_ == 0) return;
    const float count = static_cast<float>(count_);
    for (float& w : weights_) w /= count;
    count_ = 1;
}

void CPfKeyMap::LoadTemplate(const PitchClassWeights& pattern, int root) {
    const int r = WrapPitchClass(root);
    for (int j = 0; j < kClasses; ++j)
        weights_[static_cast<std::size_t>(j)] =
            pattern[static_cast<std::size_t>(WrapPitchClass(j - r))];
    count_ = 1;
}

float CPfKeyMap::Correlate(const CPfKeyMap& other) const {
    float score = 0.0f;
    for (std::size_t j = 0; j < kPitchClassCount; ++j) score += weights_[j] * other.weights_[j];
    return score;
}
