#include "tests/support/PictureProfiles.h"

#include <cmath>

namespace {
constexpr std::uint32_t kRate = 44100;
constexpr int kBeatsPerBar = 4;
constexpr int kBarsPerMark = 16;
constexpr int kSections = 12;
constexpr int kSegmentBars = 8;
}  // namespace

CPfTrackProfile MadeUpProfile(double bpm, double seconds) {
    CPfTrackProfile profile;
    profile.bpm = static_cast<float>(bpm);
    profile.sampleRate = kRate;
    profile.lengthFrames = static_cast<std::int64_t>(seconds * kRate);
    profile.audioStart = kRate / 2;
    profile.audioEnd = profile.lengthFrames - kRate;
    const double beatFrames = 60.0 / bpm * kRate;
    for (double frame = 0; frame < static_cast<double>(profile.lengthFrames); frame += beatFrames)
        profile.beatGrid.push_back(static_cast<std::int64_t>(std::llround(frame)));
    for (std::size_t beat = 0; beat < profile.beatGrid.size(); beat += kBeatsPerBar * kBarsPerMark)
        profile.barMarks.push_back(profile.beatGrid[beat]);
    for (int section = 1; section <= kSections; ++section)
        profile.sectionMarks.push_back(profile.lengthFrames * section / (kSections + 1));
    const auto segment = static_cast<std::int64_t>(kSegmentBars * kBeatsPerBar * beatFrames);
    profile.startSegment = {profile.beatGrid.front(), profile.beatGrid.front() + segment};
    profile.endSegment = {profile.beatGrid.back() - segment, profile.beatGrid.back()};

    profile.waveformFrames = kMadeUpWaveformFrames;
    profile.waveformRate = kRate;
    const auto entries = static_cast<std::size_t>(profile.lengthFrames / kMadeUpWaveformFrames + 1);
    profile.waveform.resize(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        const double sinceBeat = std::fmod(static_cast<double>(i * kMadeUpWaveformFrames), beatFrames) / beatFrames;
        profile.waveform[i] = static_cast<std::uint8_t>(std::lround(60.0 + 195.0 * (1.0 - sinceBeat)));
    }
    return profile;
}
