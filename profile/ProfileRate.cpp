#include "profile/ProfileSteps.h"

namespace {
void Rescale(std::int64_t& position, std::int64_t to, std::int64_t from) {
    position = from == 0 ? 0 : position * to / from;
}
}  // namespace

void ConvertProfileRate(CPfTrackProfile& profile, std::uint32_t sourceRate,
                        std::uint32_t analysisRate) {
    profile.sampleRate = sourceRate;
    if (sourceRate == analysisRate) return;
    const auto to = static_cast<std::int64_t>(sourceRate);
    const auto from = static_cast<std::int64_t>(analysisRate);
    for (auto* list : {&profile.startSegment, &profile.endSegment, &profile.sectionMarks,
                       &profile.barMarks, &profile.beatGrid})
        for (std::int64_t& position : *list) Rescale(position, to, from);
    Rescale(profile.audioStart, to, from);
    Rescale(profile.audioEnd, to, from);
}
