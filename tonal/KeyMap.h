#pragma once
// A 12-bin pitch-class profile (index 0 = C … 11 = B) and the two scale templates that the key
// estimation correlates it with.

#include <array>
#include <cstddef>
#include <cstdint>

constexpr std::size_t kPitchClassCount = 12;
using PitchClassWeights = std::array<float, kPitchClassCount>;

// Weights by interval in semitones above the root. The natural minor template (key mode 1) has
// weight on the minor scale's degrees only; the major template (key mode 2) weighs the major
// scale's degrees positive and the others negative.
inline constexpr PitchClassWeights kMinorKeyTemplate = {
    0.352f, 0.0f, 0.114f, 0.176f, 0.0f, 0.073f, 0.0f, 0.066f, 0.034f, 0.0f, 0.183f, 0.0f};
inline constexpr PitchClassWeights kMajorKeyTemplate = {0.16f, -0.1f, 0.1f,  -0.1f,  0.1f,  0.145f,
                                                        -0.1f, 0.1f,  -0.1f, 0.135f, -0.1f, 0.1f};

class CPfKeyMap {
public:
    CPfKeyMap() = default;
    virtual ~CPfKeyMap() = default;

    // Adds 1 to the weight of `pitchClass` and to the count; a class outside 0 … 11 is ignored.
    void AddNote(int pitchClass);
    // Divides every weight by the count and sets the count to 1; does nothing when the count
    // is 0. The ranking of the weights is unchanged.
    void Normalise();
    // Replaces the weights by `pattern` rotated to `root` (taken modulo 12): weight j becomes
    // pattern[(j − root) mod 12]. The count becomes 1.
    void LoadTemplate(const PitchClassWeights& pattern, int root);
    // Sum over j = 0 … 11, in that order and in single precision, of this map's weight j times
    // `other`'s weight j.
    float Correlate(const CPfKeyMap& other) const;

    const PitchClassWeights& Weights() const { return weights_; }
    std::uint32_t Count() const { return count_; }

private:
    PitchClassWeights weights_{};
    std::uint32_t count_ = 0;
};
