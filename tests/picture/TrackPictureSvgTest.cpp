// The SVG picture of whole builds: the drawn marks sit where the music's bars and beats are, the
// themes and scales come out as asked, and a long track's stored profile draws quickly.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "picture/TrackPictureSvg.h"
#include "store/ProfileBlob.h"
#include "tests/profile/BuildFixture.h"
#include "tests/support/PictureProfiles.h"

namespace {

// The x of every line of `kind` in `svg`.
std::vector<double> LineXs(const std::string& svg, const std::string& kind) {
    std::vector<double> xs;
    const std::string opening = "<line class=\"" + kind + "\" x1=\"";
    for (size_t at = svg.find(opening); at != std::string::npos; at = svg.find(opening, at + 1)) {
        const char* x1 = svg.c_str() + at + opening.size();
        const size_t x2 = svg.find("x2=\"", at);
        EXPECT_NE(x2, std::string::npos);
        EXPECT_EQ(std::strtod(x1, nullptr), std::strtod(svg.c_str() + x2 + 4, nullptr))
            << "a mark's line is vertical";
        xs.push_back(std::strtod(x1, nullptr));
    }
    return xs;
}

// The distance from `seconds` to the nearest multiple of `period` after `origin`.
double OffGrid(double seconds, double origin, double period) {
    const double since = seconds - origin;
    return std::abs(since - std::round(since / period) * period);
}

class TrackPictureSvg : public BuildFixture {};

}  // namespace

TEST_F(TrackPictureSvg, MarksSitOnTheBarsAndBeatsOfTheMusic) {
    constexpr double kBpm = 120.0, kFirstBeat = 1.0;
    MusicSpec music = Steady(kBpm);
    music.firstBeatSeconds = kFirstBeat;
    const BuildOutcome b = Build(Music("known.wav", music));
    ASSERT_EQ(b.result, 1);
    ASSERT_NEAR(b.profile.bpm, kBpm, 0.05);
    const double seconds = ProfileSeconds(b.profile);

    // The whole track, 1200 px: the bar lines are the profile's bar marks, each on a bar of the
    // music within one pixel; beats 6 px apart are drawn too.
    constexpr int kWidth = 1200;
    const TrackPicture whole = LayOutTrackPicture(b.profile, kWidth, 160);
    const std::string svg = WriteTrackPictureSvg(whole);
    const std::vector<double> bars = LineXs(svg, "bar");
    ASSERT_EQ(bars.size(), b.profile.barMarks.size());
    ASSERT_FALSE(bars.empty());
    const double pixel = seconds / kWidth;
    for (size_t i = 0; i < bars.size(); ++i) {
        const double expected = b.profile.barMarks[i] * kWidth / (seconds * b.profile.sampleRate);
        EXPECT_NEAR(bars[i], expected, 0.01);
        EXPECT_LE(OffGrid(bars[i] * pixel, kFirstBeat, 4 * 60.0 / kBpm), pixel) << bars[i];
    }
    EXPECT_EQ(LineXs(svg, "audio-start").size(), 1u);
    EXPECT_EQ(LineXs(svg, "audio-end").size(), 1u);
    EXPECT_EQ(LineXs(svg, "section").size(), b.profile.sectionMarks.size());

    // 10 s over 1000 px: every beat of the music within one pixel (10 ms).
    const TrackPicture zoomed = LayOutTrackPicture(b.profile, 1000, 160, {10.0, 20.0});
    ASSERT_TRUE(zoomed.beatsShown);
    const std::vector<double> beats = LineXs(WriteTrackPictureSvg(zoomed), "beat");
    EXPECT_NEAR(static_cast<double>(beats.size()), 10.0 * kBpm / 60.0, 1.0);
    for (const double x : beats) EXPECT_LE(OffGrid(10.0 + x / 100.0, kFirstBeat, 60.0 / kBpm), 0.01) << x;

    // Zoomed out to 2 px per beat, the beat grid is gone and the bars stay.
    const TrackPicture far = LayOutTrackPicture(b.profile, static_cast<int>(seconds), 160);
    const std::string farSvg = WriteTrackPictureSvg(far);
    EXPECT_TRUE(LineXs(farSvg, "beat").empty());
    EXPECT_EQ(LineXs(farSvg, "bar").size(), bars.size());
}

TEST(TrackPictureSvgDocument, ThemesScalesAndCaption) {
    CPfTrackProfile profile;
    profile.sampleRate = 44100;
    profile.lengthFrames = 10 * 44100;
    profile.barMarks = {44100};
    profile.waveformRate = 44100;
    profile.waveformFrames = 1024;
    profile.waveform.assign(430, 200);
    const TrackPicture picture = LayOutTrackPicture(profile, 300, 80);

    SvgPictureOptions options;
    options.caption = "128.00 BPM  A minor <&\"x\">\x01";
    const std::string automatic = WriteTrackPictureSvg(picture, options);
    EXPECT_NE(automatic.find("width=\"300\" height=\"80\" viewBox=\"0 0 300 80\""), std::string::npos);
    EXPECT_NE(automatic.find("@media (prefers-color-scheme: dark)"), std::string::npos);
    EXPECT_NE(automatic.find(">128.00 BPM  A minor &lt;&amp;&quot;x&quot;&gt;</text>"), std::string::npos);
    EXPECT_NE(automatic.find("<path class=\"wave\" d=\"M0 40"), std::string::npos);
    EXPECT_EQ(LineXs(automatic, "bar"), std::vector<double>{30.0});

    options.scale = 2;
    options.theme = PictureTheme::Light;
    const std::string light = WriteTrackPictureSvg(picture, options);
    EXPECT_NE(light.find("width=\"600\" height=\"160\" viewBox=\"0 0 300 80\""), std::string::npos);
    EXPECT_EQ(light.find("@media"), std::string::npos);
    EXPECT_NE(light.find(".background{fill:rgba(255,255,255,1.000)}"), std::string::npos);

    options.theme = PictureTheme::Dark;
    const std::string dark = WriteTrackPictureSvg(picture, options);
    EXPECT_EQ(dark.find("@media"), std::string::npos);
    EXPECT_EQ(dark.find(".background{fill:rgba(255,255,255"), std::string::npos);

    // Marks differ by more than colour: each kind has its own width or dash.
    for (const char* kind : {"beat{", "bar{", "section{", "audio-start{"})
        EXPECT_NE(light.find(std::string(".") + kind), std::string::npos) << kind;
    EXPECT_NE(light.find(".beat{stroke:rgba(112,119,128,0.600);stroke-width:0.5;stroke-dasharray:2 2}"),
              std::string::npos);

    // Without a waveform there is no path, and without a size nothing but the frame.
    profile.waveform.clear();
    EXPECT_EQ(WriteTrackPictureSvg(LayOutTrackPicture(profile, 300, 80)).find("<path"),
              std::string::npos);
    const std::string empty = WriteTrackPictureSvg(LayOutTrackPicture(profile, 0, 0));
    EXPECT_NE(empty.find("viewBox=\"0 0 0 0\""), std::string::npos);
    EXPECT_EQ(empty.find("<line class=\"bar\""), std::string::npos);
}

TEST(TrackPictureSvgDocument, TenMinutesDrawQuicklyFromTheStoredProfile) {
    // A stored profile the size of a 10-minute track's.
    const CPfTrackProfile profile = MadeUpProfile(128.0, 600.0);
    const std::string blob = EncodeProfileBlob(profile);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    CPfTrackProfile stored;
    ASSERT_TRUE(DecodeProfileBlob(blob, stored));
    const TrackPicture picture = LayOutTrackPicture(stored, 1600, 200);
    const std::string svg = WriteTrackPictureSvg(picture, {.caption = "128.00 BPM"});
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("10-minute track: decode, lay out and write SVG (%zu bytes) in %.2f ms\n",
                svg.size(), ms);
    ASSERT_EQ(picture.levels.size(), 1600u);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The sanitizers slow everything several times over; the bound that counts is the release one.
    constexpr double kBoundMs = 500.0;
#else
    constexpr double kBoundMs = 50.0;
#endif
    EXPECT_LT(ms, kBoundMs);
}
