#include "picture/TrackPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Beats closer together than this many pixels would blur into a grey band: they are left out.
constexpr double kMinBeatSpacingPixels = 4.0;
// 2^63: the first double that no longer converts to a signed 64-bit frame.
constexpr double kLastFrame = 9223372036854775808.0;

// Maps sample frames at the profile's rate to x in pixels over the shown span.
class CTimeAxis {
public:
    CTimeAxis(const TrackPicture& picture, std::uint32_t sampleRate)
        : first_(picture.firstSecond),
          pixelsPerSecond_(picture.width / (picture.lastSecond - picture.firstSecond)),
          rate_(sampleRate),
          width_(picture.width) {}

    double X(std::int64_t frame) const {
        return (static_cast<double>(frame) / rate_ - first_) * pixelsPerSecond_;
    }
    bool Visible(double x) const { return x >= 0.0 && x <= width_; }
    double PixelsPerSecond() const { return pixelsPerSecond_; }
    // The first frame at or after the left edge (held inside the 64-bit range, which a damaged
    // profile's length may pass).
    std::int64_t FirstFrame() const {
        const double frame = std::ceil(first_ * rate_);
        return frame < kLastFrame ? static_cast<std::int64_t>(frame) : INT64_MAX;
    }

private:
    double first_;
    double pixelsPerSecond_;
    double rate_;
    double width_;
};


// Each column's level: the largest waveform entry that overlaps the column's time span.
void LayOutLevels(const CPfTrackProfile& profile, TrackPicture& picture) {
    picture.levels.assign(static_cast<size_t>(picture.width), 0.0f);
    picture.hasWaveform = !profile.waveform.empty() && profile.waveformFrames > 0 &&
                          profile.waveformRate > 0;
    if (!picture.hasWaveform) return;
    const double entriesPerSecond =
        static_cast<double>(profile.waveformRate) / profile.waveformFrames;
    const double secondsPerColumn = (picture.lastSecond - picture.firstSecond) / picture.width;
    const auto count = static_cast<std::int64_t>(profile.waveform.size());
    for (int column = 0; column < picture.width; ++column) {
        const double t0 = picture.firstSecond + column * secondsPerColumn;
        const double t1 = t0 + secondsPerColumn;
        // Compared as doubles before any conversion: a damaged profile's times may lie far
        // beyond the entries.
        const double firstEntry = std::floor(t0 * entriesPerSecond);
        if (!(firstEntry >= 0.0 && firstEntry < static_cast<double>(count))) continue;
        const auto first = static_cast<std::int64_t>(firstEntry);
        const double lastEntry = std::ceil(t1 * entriesPerSecond) - 1.0;
        const std::int64_t last =
            lastEntry >= static_cast<double>(count - 1) ? count - 1
                                                        : std::max(static_cast<std::int64_t>(
                                                                       std::max(lastEntry, 0.0)),
                                                                   first);
        const auto begin = profile.waveform.begin() + first;
        const std::uint8_t peak = *std::max_element(begin, profile.waveform.begin() + last + 1);
        picture.levels[static_cast<size_t>(column)] = peak / kWaveformFullLevel;
    }
}

void AddMarks(const CTimeAxis& axis, PictureMarkKind kind, const std::vector<std::int64_t>& frames,
              TrackPicture& picture) {
    for (std::int64_t frame : frames) {
        const double x = axis.X(frame);
        if (axis.Visible(x)) picture.marks.push_back({kind, static_cast<float>(x)});
    }
}

// Beats are listed only when they stand far enough apart; of a long grid only the visible part
// is visited.
void AddBeats(const CPfTrackProfile& profile, const CTimeAxis& axis, TrackPicture& picture) {
    if (profile.bpm <= 0.0f || profile.beatGrid.empty()) return;
    const double spacing = 60.0 / profile.bpm * axis.PixelsPerSecond();
    picture.beatsShown = spacing >= kMinBeatSpacingPixels;
    if (!picture.beatsShown) return;
    auto beat = std::lower_bound(profile.beatGrid.begin(), profile.beatGrid.end(),
                                 axis.FirstFrame());
    for (; beat != profile.beatGrid.end(); ++beat) {
        const double x = axis.X(*beat);
        if (x > picture.width) break;
        if (axis.Visible(x)) picture.marks.push_back({PictureMarkKind::Beat, static_cast<float>(x)});
    }
}

void AddSpan(const CTimeAxis& axis, const std::vector<std::int64_t>& segment,
             TrackPicture& picture) {
    if (segment.size() < 2) return;
    const double a = axis.X(segment.front()), b = axis.X(segment.back());
    const double x0 = std::max(std::min(a, b), 0.0);
    const double x1 = std::min(std::max(a, b), static_cast<double>(picture.width));
    if (x0 < x1) picture.spans.push_back({static_cast<float>(x0), static_cast<float>(x1)});
}

}  // namespace

PictureRange ClampPictureRange(PictureRange range, double total) {
    const bool whole = !std::isfinite(range.firstSecond) || !std::isfinite(range.lastSecond) ||
                       range.lastSecond <= range.firstSecond;
    if (whole) return {0.0, total};
    const double length = std::min(range.lastSecond - range.firstSecond, total);
    const double first = std::clamp(range.firstSecond, 0.0, total - length);
    return {first, first + length};
}

double ProfileSeconds(const CPfTrackProfile& profile) {
    if (profile.sampleRate == 0 || profile.lengthFrames <= 0) return 0.0;
    return static_cast<double>(profile.lengthFrames) / profile.sampleRate;
}

TrackPicture LayOutTrackPicture(const CPfTrackProfile& profile, int width, int height,
                                PictureRange range) {
    TrackPicture picture;
    if (width < 1 || height < 1) return picture;
    picture.width = width;
    picture.height = height;
    const double total = ProfileSeconds(profile);
    const PictureRange shown = ClampPictureRange(range, total);
    picture.firstSecond = shown.firstSecond;
    picture.lastSecond = shown.lastSecond;
    if (total <= 0.0) {
        picture.levels.assign(static_cast<size_t>(width), 0.0f);
        return picture;
    }
    LayOutLevels(profile, picture);

    const CTimeAxis axis(picture, profile.sampleRate);
    AddBeats(profile, axis, picture);
    AddMarks(axis, PictureMarkKind::Bar, profile.barMarks, picture);
    AddMarks(axis, PictureMarkKind::Section, profile.sectionMarks, picture);
    AddMarks(axis, PictureMarkKind::AudioStart, {profile.audioStart}, picture);
    AddMarks(axis, PictureMarkKind::AudioEnd, {profile.audioEnd}, picture);
    std::stable_sort(picture.marks.begin(), picture.marks.end(),
                     [](const PictureMark& a, const PictureMark& b) {
                         return a.kind != b.kind ? a.kind < b.kind : a.x < b.x;
                     });
    AddSpan(axis, profile.startSegment, picture);
    AddSpan(axis, profile.endSegment, picture);
    return picture;
}
