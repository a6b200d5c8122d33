#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "catalog/CatItem.h"
#include "core/UnknownStandAlone.h"
#include "profile/ProfileBuilder.h"
#include "tests/support/TempDir.h"
#include "tonal/KeyEstimate.h"
#include "tools/MusicSynth.h"

// Whole builds of synthesised music of known structure at 126 BPM (one bar = 84000 frames at
// 44100 Hz, the first beat at 0.5 s): a quiet 16-bar intro, a loud body of four-on-the-floor
// drums with snares on 2 and 4, a bass line in A minor, and a fade over the last 16 seconds.

namespace {

constexpr double kBpm = 126.0;
constexpr std::int64_t kBar = 84000;  // frames at 44100 Hz
constexpr std::int64_t kEighth = kBar / 8;
constexpr std::int64_t kFirstBeat = 22050;  // 0.5 s
constexpr std::int64_t kIntroBars = 16;
constexpr std::int64_t kTotalBars = 60;
constexpr std::int64_t kIntroEnd = kFirstBeat + kIntroBars * kBar;
constexpr std::int64_t kLength = kFirstBeat + kTotalBars * kBar;
constexpr std::int64_t kFadeFrames = 16 * 44100;
constexpr std::int64_t kFadeStart = kLength - kFadeFrames;
constexpr std::int64_t kBlock = 256;  // one envelope entry at 44100 Hz
// The beat grid follows onsets found on envelope entries and extends them across the track, so
// its points may stray a few entries from the true beats (a stray of an eighth note would be 41).
constexpr std::int64_t kGridBlocks = 4;

MusicSpec MusicPlan() {
    MusicSpec music;
    music.bpm = kBpm;
    music.seconds = static_cast<double>(kLength) / 44100.0;
    music.channels = 1;
    music.firstBeatSeconds = static_cast<double>(kFirstBeat) / 44100.0;
    music.introSeconds = static_cast<double>(kIntroEnd) / 44100.0;
    music.introGain = 0.05;
    music.fadeSeconds = static_cast<double>(kFadeFrames) / 44100.0;
    music.keyRoot = 9;
    music.minor = true;
    return music;
}

// Removes everything above `cutoff` Hz with a Blackman-windowed sinc, so that halving the rate
// (and the build's resampling back to 44100 Hz) leaves the music as it was.
std::vector<float> BandLimit(const std::vector<float>& x, double cutoff, double rate) {
    constexpr int kTaps = 127;
    constexpr double kPi = 3.14159265358979323846;
    std::vector<double> h(kTaps);
    double sum = 0;
    for (int i = 0; i < kTaps; ++i) {
        const double m = i - (kTaps - 1) / 2.0;
        const double fc = cutoff / rate;
        const double sinc = m == 0 ? 2 * fc : std::sin(2 * kPi * fc * m) / (kPi * m);
        const double phase = 2 * kPi * i / (kTaps - 1);
        h[static_cast<std::size_t>(i)] =
            sinc * (0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2 * phase));
        sum += h[static_cast<std::size_t>(i)];
    }
    std::vector<float> y(x.size(), 0.0f);
    const std::size_t centre = (kTaps - 1) / 2;
    for (std::size_t n = 0; n < x.size(); ++n) {
        double acc = 0;
        for (std::size_t i = 0; i < h.size(); ++i) {
            const std::size_t k = n + centre - i;
            if (k < x.size()) acc += h[i] * x[k];
        }
        y[n] = static_cast<float>(acc / sum);
    }
    return y;
}

std::unique_ptr<CPfTrackProfile> Build(const TempDir& dir, const char* name,
                                       const std::vector<float>& mono, std::uint32_t rate) {
    EXPECT_TRUE(WriteWave16(dir.Str(name), mono, 1, rate));
    ComPtr<CCatItem> item(new CCatItem(1, dir.W(name)));
    CProfileBuilder builder;
    BuildProgressSink sink;
    auto profile = std::make_unique<CPfTrackProfile>();
    EXPECT_EQ(builder.BuildProfile(sink, *item.Get(), *profile), 1);
    return profile;
}

// Distance from `position` (at `rate`) to the nearest true bar start, in frames at that rate.
std::int64_t OffBarStart(std::int64_t position, std::uint32_t rate) {
    const std::int64_t scale = 44100 / rate;
    const std::int64_t at44100 = position * scale;
    const std::int64_t bar = (at44100 - kFirstBeat + kBar / 2) / kBar;
    return std::llabs(at44100 - (kFirstBeat + bar * kBar)) / scale;
}

class StructureEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        TempDir dir;
        const std::vector<float> music = BandLimit(SynthesiseMusic(MusicPlan()), 5000.0, 44100.0);
        full_ = Build(dir, "full.wav", music, 44100).release();
        // Every other sample of the band-limited music, raised by 1 / 0.9 to make up for the
        // pass-band gain of the build's resampler.
        std::vector<float> half(music.size() / 2);
        for (std::size_t i = 0; i < half.size(); ++i) half[i] = music[2 * i] / 0.9f;
        half_ = Build(dir, "half.wav", half, 22050).release();
    }
    static void TearDownTestSuite() {
        delete full_;
        delete half_;
        full_ = half_ = nullptr;
    }

    static CPfTrackProfile* full_;
    static CPfTrackProfile* half_;
};

CPfTrackProfile* StructureEndToEnd::full_ = nullptr;
CPfTrackProfile* StructureEndToEnd::half_ = nullptr;

}  // namespace

TEST_F(StructureEndToEnd, TempoAndKeyOfTheMusic) {
    const CPfTrackProfile& p = *full_;
    EXPECT_EQ(p.sampleRate, 44100u);
    EXPECT_EQ(p.lengthFrames, kLength);
    EXPECT_NEAR(p.bpm, kBpm, 0.05);
    EXPECT_EQ(p.keyRoot, 9);
    EXPECT_EQ(p.keyMode, kKeyModeMinor);
    EXPECT_GT(p.barLevel, 0.0f);
}

// The smoothed envelope first reaches a tenth of the bar level within the last eighth note of
// the intro, when the drums come in; the music is last loud during the fade.
TEST_F(StructureEndToEnd, ExtentStartsAtTheIntroEndAndEndsInTheFade) {
    const CPfTrackProfile& p = *full_;
    EXPECT_GT(p.audioStart, kIntroEnd - kEighth);
    EXPECT_LE(p.audioStart, kIntroEnd);
    EXPECT_GT(p.audioEnd, kFadeStart);
    EXPECT_LT(p.audioEnd, kLength);
}

// Mark 0 is the audible start; each further mark needs at least 172 entries of loud music
// (600 at most 600 / 172 per entry), and all twelve lie before the fade.
TEST_F(StructureEndToEnd, TwelveSectionMarksAscendWithinTheLoudPart) {
    const CPfTrackProfile& p = *full_;
    ASSERT_EQ(p.sectionMarks.size(), 12u);
    EXPECT_EQ(p.sectionMarks.front(), p.audioStart);
    for (std::size_t i = 1; i < p.sectionMarks.size(); ++i)
        EXPECT_GE(p.sectionMarks[i] - p.sectionMarks[i - 1], 171 * kBlock) << i;
    EXPECT_LT(p.sectionMarks.back(), kFadeStart);
}

// The bar phase is the first bar start (the first beat), the last marker the last whole bar of
// the grid (bar 60, where the track ends); every marker lies on a bar start.
TEST_F(StructureEndToEnd, BarMarksFallOnBarStartsOfTheTrueGrid) {
    for (const CPfTrackProfile* p : {full_, half_}) {
        const std::int64_t scale = 44100 / p->sampleRate;
        const std::int64_t tolerance = kGridBlocks * kBlock / scale;
        ASSERT_GE(p->barMarks.size(), 2u);
        EXPECT_TRUE(std::is_sorted(p->barMarks.begin(), p->barMarks.end()));
        EXPECT_NEAR(p->barMarks.front(), kFirstBeat / scale, tolerance);
        EXPECT_NEAR(p->barMarks.back(), kLength / scale, tolerance);
        for (const std::int64_t mark : p->barMarks)
            EXPECT_LE(OffBarStart(mark, p->sampleRate), tolerance) << mark;
    }
}

// Windows of 64 grid steps (eight bars) aligned on the bar phase: bars 0-8 and 8-16 are the quiet
// intro, so the start segment is bars 16-24; the last window that fits in the 60 bars is bars
// 48-56, loud enough although the fade has begun.
TEST_F(StructureEndToEnd, MixSegmentsAreEightBarsInsideTheTrack) {
    const CPfTrackProfile& p = *full_;
    const std::int64_t tolerance = kGridBlocks * kBlock;
    ASSERT_EQ(p.startSegment.size(), 2u);
    ASSERT_EQ(p.endSegment.size(), 2u);
    EXPECT_NEAR(p.startSegment[0], kFirstBeat + 16 * kBar, tolerance);
    EXPECT_NEAR(p.startSegment[1], kFirstBeat + 24 * kBar, tolerance);
    EXPECT_NEAR(p.endSegment[0], kFirstBeat + 48 * kBar, tolerance);
    EXPECT_NEAR(p.endSegment[1], kFirstBeat + 56 * kBar, tolerance);
    EXPECT_LT(p.endSegment[1], kLength);
}

// Slots count from the bar phase: the snare on beats 2 and 4 (slots 2 and 6) is loudest in the
// energy envelope, the kick on every beat (even slots) in the detector envelope.
TEST_F(StructureEndToEnd, BeatPatternsFollowTheDrums) {
    const std::vector<float>& energy = full_->beatPatternA.slots;
    const std::vector<float>& detector = full_->beatPatternB.slots;
    ASSERT_EQ(energy.size(), 8u);
    ASSERT_EQ(detector.size(), 8u);
    const float kicks = std::max(energy[0], energy[4]);
    EXPECT_GT(std::min(energy[2], energy[6]), kicks);
    for (const std::size_t odd : {1u, 3u, 5u, 7u}) {
        EXPECT_LT(energy[odd], kicks) << odd;
        EXPECT_LT(detector[odd], 0.5f) << odd;
        EXPECT_GT(detector[odd - 1], 0.9f) << odd - 1;
    }
}

// The extent comes straight from the envelope and halves within one entry (128 frames at
// 22050 Hz). Positions on the beat grid, and the section marks that integrate the envelope,
// halve within the grid's own stray: the grid of the resampled music follows onsets that may
// fall on neighbouring entries. The bar markers, where the two grids may break their even
// spacing at different bars, are checked against the true bars at both rates above.
TEST_F(StructureEndToEnd, HalfRateHalvesEveryPosition) {
    const CPfTrackProfile& full = *full_;
    const CPfTrackProfile& half = *half_;
    constexpr std::int64_t kHalfBlock = kBlock / 2;
    EXPECT_EQ(half.sampleRate, 22050u);
    EXPECT_EQ(half.lengthFrames, kLength / 2);
    EXPECT_NEAR(half.audioStart, full.audioStart / 2, kHalfBlock);
    EXPECT_NEAR(half.audioEnd, full.audioEnd / 2, kHalfBlock);
    ASSERT_EQ(half.sectionMarks.size(), full.sectionMarks.size());
    for (std::size_t i = 0; i < full.sectionMarks.size(); ++i)
        EXPECT_NEAR(half.sectionMarks[i], full.sectionMarks[i] / 2, kGridBlocks * kHalfBlock) << i;
    ASSERT_EQ(half.startSegment.size(), full.startSegment.size());
    ASSERT_EQ(half.endSegment.size(), full.endSegment.size());
    for (std::size_t i = 0; i < full.startSegment.size(); ++i) {
        EXPECT_NEAR(half.startSegment[i], full.startSegment[i] / 2, kGridBlocks * kHalfBlock);
        EXPECT_NEAR(half.endSegment[i], full.endSegment[i] / 2, kGridBlocks * kHalfBlock);
    }
    EXPECT_EQ(half.keyRoot, full.keyRoot);
    EXPECT_NEAR(half.bpm, full.bpm, 0.05);
}
