// The picture's geometry from hand-made profiles: where marks land, which columns keep which
// peak, how a range is clamped to the track and when the beat grid is listed.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "picture/TrackPicture.h"

namespace {

constexpr std::uint32_t kRate = 48000;

// 100 s at 48 kHz, 120 BPM (a beat every 0.5 s), a waveform entry every 0.01 s.
CPfTrackProfile HundredSeconds() {
    CPfTrackProfile p;
    p.sampleRate = kRate;
    p.lengthFrames = 100 * kRate;
    p.bpm = 120.0f;
    for (int beat = 0; beat < 200; ++beat) p.beatGrid.push_back(beat * kRate / 2);
    p.barMarks = {0, 2 * kRate, 50 * kRate};
    p.sectionMarks = {25 * kRate, 75 * kRate};
    p.audioStart = kRate / 10;
    p.audioEnd = 99 * kRate;
    p.startSegment = {4 * kRate, 20 * kRate};
    p.endSegment = {80 * kRate, 96 * kRate};
    p.waveformRate = 44100;
    p.waveformFrames = 441;
    p.waveform.assign(10000, 10);
    return p;
}

std::vector<float> XsOf(const TrackPicture& picture, PictureMarkKind kind) {
    std::vector<float> xs;
    for (const PictureMark& m : picture.marks)
        if (m.kind == kind) xs.push_back(m.x);
    return xs;
}

}  // namespace

TEST(TrackPicture, WholeTrackPutsEveryMarkAtItsTime) {
    const TrackPicture p = LayOutTrackPicture(HundredSeconds(), 1000, 200);
    EXPECT_EQ(p.width, 1000);
    EXPECT_EQ(p.height, 200);
    EXPECT_DOUBLE_EQ(p.firstSecond, 0.0);
    EXPECT_DOUBLE_EQ(p.lastSecond, 100.0);
    ASSERT_EQ(p.levels.size(), 1000u);
    EXPECT_TRUE(p.hasWaveform);
    // 10 px per second: beats 5 px apart are still drawn.
    EXPECT_TRUE(p.beatsShown);
    EXPECT_EQ(XsOf(p, PictureMarkKind::Beat).size(), 200u);
    EXPECT_EQ(XsOf(p, PictureMarkKind::Bar), (std::vector<float>{0.0f, 20.0f, 500.0f}));
    EXPECT_EQ(XsOf(p, PictureMarkKind::Section), (std::vector<float>{250.0f, 750.0f}));
    EXPECT_EQ(XsOf(p, PictureMarkKind::AudioStart), (std::vector<float>{1.0f}));
    EXPECT_EQ(XsOf(p, PictureMarkKind::AudioEnd), (std::vector<float>{990.0f}));
    ASSERT_EQ(p.spans.size(), 2u);
    EXPECT_FLOAT_EQ(p.spans[0].x0, 40.0f);
    EXPECT_FLOAT_EQ(p.spans[0].x1, 200.0f);
    EXPECT_FLOAT_EQ(p.spans[1].x0, 800.0f);
    EXPECT_FLOAT_EQ(p.spans[1].x1, 960.0f);
    // Sorted by kind, then x.
    EXPECT_TRUE(std::is_sorted(p.marks.begin(), p.marks.end(), [](auto& a, auto& b) {
        return a.kind != b.kind ? a.kind < b.kind : a.x < b.x;
    }));
}

TEST(TrackPicture, BeatsAreListedOnlyWhenZoomedInFarEnough) {
    const CPfTrackProfile profile = HundredSeconds();
    // 2 px per beat over the whole track: no beats, the other marks stay.
    const TrackPicture far = LayOutTrackPicture(profile, 400, 100);
    EXPECT_FALSE(far.beatsShown);
    EXPECT_TRUE(XsOf(far, PictureMarkKind::Beat).empty());
    EXPECT_EQ(XsOf(far, PictureMarkKind::Bar).size(), 3u);
    // Exactly 4 px per beat is enough.
    const TrackPicture edge = LayOutTrackPicture(profile, 800, 100);
    EXPECT_TRUE(edge.beatsShown);
    // Zoomed in on 10 s..20 s: only the beats of that span, at their place.
    const TrackPicture near = LayOutTrackPicture(profile, 1000, 100, {10.0, 20.0});
    EXPECT_TRUE(near.beatsShown);
    const std::vector<float> beats = XsOf(near, PictureMarkKind::Beat);
    ASSERT_EQ(beats.size(), 21u);
    for (size_t i = 0; i < beats.size(); ++i) EXPECT_FLOAT_EQ(beats[i], 50.0f * i);
    // A profile stored without a beat grid lists none however far zoomed in.
    CPfTrackProfile old = profile;
    old.beatGrid.clear();
    EXPECT_FALSE(LayOutTrackPicture(old, 1000, 100, {10.0, 20.0}).beatsShown);
}

TEST(TrackPicture, RangesAreClampedToTheTrack) {
    const CPfTrackProfile profile = HundredSeconds();
    struct Case {
        PictureRange asked;
        double first, last;
    };
    const Case cases[] = {
        {{0, 0}, 0, 100},         // none: the whole track
        {{30, 10}, 0, 100},       // reversed: the whole track
        {{-50, 500}, 0, 100},     // longer than the track
        {{90, 130}, 60, 100},     // past the end: moved inside, same length
        {{-5, 5}, 0, 10},         // before the start
        {{200, 210}, 90, 100},    // wholly after the end
        {{20, 30}, 20, 30},       // inside: as asked
    };
    for (const Case& c : cases) {
        const TrackPicture p = LayOutTrackPicture(profile, 100, 10, c.asked);
        EXPECT_DOUBLE_EQ(p.firstSecond, c.first) << c.asked.firstSecond << ".." << c.asked.lastSecond;
        EXPECT_DOUBLE_EQ(p.lastSecond, c.last) << c.asked.firstSecond << ".." << c.asked.lastSecond;
        for (const PictureMark& m : p.marks) {
            EXPECT_GE(m.x, 0.0f);
            EXPECT_LE(m.x, 100.0f);
        }
        for (const PictureSpan& s : p.spans) {
            EXPECT_GE(s.x0, 0.0f);
            EXPECT_LE(s.x1, 100.0f);
            EXPECT_LT(s.x0, s.x1);
        }
    }
    // A span cut by the visible range is cut at the edge; one outside it is left out.
    const TrackPicture cut = LayOutTrackPicture(profile, 100, 10, {10, 30});
    ASSERT_EQ(cut.spans.size(), 1u);
    EXPECT_FLOAT_EQ(cut.spans[0].x0, 0.0f);
    EXPECT_FLOAT_EQ(cut.spans[0].x1, 50.0f);
}

TEST(TrackPicture, ColumnsKeepTheLoudestEntryUnderThem) {
    CPfTrackProfile profile = HundredSeconds();
    // One short peak (a single entry, 10 ms) must survive 100 entries per column.
    profile.waveform[4321] = 255;
    const TrackPicture p = LayOutTrackPicture(profile, 100, 50);
    for (size_t c = 0; c < p.levels.size(); ++c)
        EXPECT_FLOAT_EQ(p.levels[c], c == 43 ? 1.0f : 10.0f / 255.0f) << c;
    // Zoomed in, one entry spans ten columns and each of them shows it.
    const TrackPicture zoomed = LayOutTrackPicture(profile, 100, 50, {43.2, 43.3});
    // (Columns 9 and 20 touch the entry's edges and may show it or not.)
    for (size_t c = 0; c < zoomed.levels.size(); ++c) {
        if (c >= 10 && c <= 19) {
            EXPECT_FLOAT_EQ(zoomed.levels[c], 1.0f) << c;
        } else if (c < 9 || c > 20) {
            EXPECT_FLOAT_EQ(zoomed.levels[c], 10.0f / 255.0f) << c;
        }
    }
    // A waveform shorter than the track leaves the columns after it empty.
    profile.waveform.resize(5000);
    const TrackPicture half = LayOutTrackPicture(profile, 100, 50);
    EXPECT_GT(half.levels[49], 0.0f);
    EXPECT_EQ(half.levels[51], 0.0f);
}

TEST(TrackPicture, DegenerateInputGivesAnEmptyButSafePicture) {
    // A profile stored before waveforms were kept: marks, no waveform.
    CPfTrackProfile old = HundredSeconds();
    old.waveform.clear();
    old.waveformFrames = old.waveformRate = 0;
    const TrackPicture noWave = LayOutTrackPicture(old, 200, 40);
    EXPECT_FALSE(noWave.hasWaveform);
    EXPECT_EQ(noWave.levels, std::vector<float>(200, 0.0f));
    EXPECT_FALSE(noWave.marks.empty());
    // A waveform without its time scale is not used.
    CPfTrackProfile noScale = HundredSeconds();
    noScale.waveformFrames = 0;
    EXPECT_FALSE(LayOutTrackPicture(noScale, 200, 40).hasWaveform);
    // No size, or a profile without length or rate (a BPM set by hand only).
    for (const auto& [w, h] : std::initializer_list<std::pair<int, int>>{{0, 40}, {200, 0}, {-3, 40}}) {
        const TrackPicture p = LayOutTrackPicture(HundredSeconds(), w, h);
        EXPECT_EQ(p.width, 0);
        EXPECT_TRUE(p.levels.empty());
        EXPECT_TRUE(p.marks.empty());
    }
    const TrackPicture blank = LayOutTrackPicture(CPfTrackProfile{}, 200, 40, {5, 10});
    EXPECT_EQ(blank.width, 200);
    EXPECT_EQ(blank.levels.size(), 200u);
    EXPECT_TRUE(blank.marks.empty());
    EXPECT_TRUE(blank.spans.empty());
    EXPECT_EQ(ProfileSeconds(CPfTrackProfile{}), 0.0);
}
