#pragma once
// How loud the music is in each eighth-note slot of the bar over the whole track, normalised to
// 0..1: one float per slot (8 once built, empty after construction).

#include <vector>

class CPfBeatPattern {
public:
    CPfBeatPattern() = default;
    virtual ~CPfBeatPattern() = default;
    CPfBeatPattern(const CPfBeatPattern&) = default;
    CPfBeatPattern& operator=(const CPfBeatPattern&) = default;

    std::vector<float> slots;
};
