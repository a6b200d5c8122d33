#include <algorithm>
#include <cmath>

#include "tests/profile/BuildFixture.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavWriter.h"

TEST_F(BuildFixture, SteadyTracksComeOutAtTheirTrueTempo) {
    for (const double bpm : {84.0, 100.0, 118.0, 128.0, 140.0, 152.0, 163.0}) {
        const BuildOutcome b = Build(Music("steady.wav", Steady(bpm)));
        ASSERT_EQ(b.result, 1) << bpm;
        EXPECT_NEAR(b.profile.bpm, bpm, 0.05) << bpm;
    }
}

TEST_F(BuildFixture, GroovesOtherThanFourOnTheFloor) {
    MusicSpec breaks = Steady(124);
    breaks.style = GrooveStyle::Breakbeat;
    EXPECT_NEAR(Build(Music("breaks.wav", breaks)).profile.bpm, 124.0, 0.05);
    MusicSpec half = Steady(140);
    half.style = GrooveStyle::HalfTime;
    EXPECT_NEAR(Build(Music("half.wav", half)).profile.bpm, 140.0, 0.05);
    MusicSpec intro = Steady(124);
    intro.style = GrooveStyle::BeatlessIntro;
    intro.introSeconds = 15;
    EXPECT_NEAR(Build(Music("intro.wav", intro)).profile.bpm, 124.0, 0.05);
    // Tempi below the range come out doubled.
    MusicSpec ballad = Steady(76);
    ballad.style = GrooveStyle::Ballad;
    EXPECT_NEAR(Build(Music("ballad.wav", ballad)).profile.bpm, 152.0, 0.05);
}

TEST_F(BuildFixture, TheSameMusicAtOtherRatesAndWidthsGivesTheSameTempo) {
    const BuildOutcome reference = Build(Music("ref.wav", Steady(128)));
    ASSERT_EQ(reference.result, 1);
    EXPECT_EQ(reference.profile.sampleRate, 44100u);
    EXPECT_EQ(reference.profile.lengthFrames, 40 * 44100);
    EXPECT_EQ(reference.profile.bitRate, 44100u * 4 * 8);

    for (const std::uint32_t rate : {22050u, 48000u}) {
        const BuildOutcome b = Build(Music("rate.wav", Steady(128, rate)));
        ASSERT_EQ(b.result, 1) << rate;
        EXPECT_NEAR(b.profile.bpm, reference.profile.bpm, 0.1) << rate;
        EXPECT_EQ(b.profile.sampleRate, rate);
        EXPECT_EQ(b.profile.lengthFrames, static_cast<std::int64_t>(40) * rate);
    }

    // 8-bit mono at 8000 Hz expands each read more than five times; every chunk must still
    // reach the analysis whole, or the track is compressed in time and its tempo comes out high.
    MusicSpec low = Steady(128, 8000);
    low.channels = 1;
    WriteWav(dir.Path() / "low8.wav", WavLayout{1, 8000, 8, false, false}, SynthesiseMusic(low));
    const BuildOutcome b = Build(dir.Str("low8.wav"));
    ASSERT_EQ(b.result, 1);
    EXPECT_NEAR(b.profile.bpm, reference.profile.bpm, 0.1);
}

TEST_F(BuildFixture, ProgressRunsFromZeroToOneHundredInOrder) {
    const BuildOutcome b = Build(Music("p.wav", Steady(128)));
    ASSERT_EQ(b.result, 1);
    ASSERT_GE(b.progress.size(), 5u);
    EXPECT_EQ(b.progress.front(), kProgressStart);
    const std::vector<int> tail(b.progress.end() - 4, b.progress.end());
    EXPECT_EQ(tail, (std::vector<int>{kProgressOnsets, kProgressTempo, kProgressStructure,
                                      kProgressDone}));
    for (size_t i = 1; i < b.progress.size(); ++i) EXPECT_LE(b.progress[i - 1], b.progress[i]);
    for (size_t i = 0; i + 4 < b.progress.size(); ++i) EXPECT_LE(b.progress[i], kProgressRead);
}

TEST_F(BuildFixture, CancelledReadReturnsZeroWithoutLateProgress) {
    const BuildOutcome b = Build(Music("c.wav", Steady(128)), /*cancelled=*/true);
    EXPECT_EQ(b.result, 0);
    EXPECT_EQ(b.progress, std::vector<int>{0});
    EXPECT_EQ(b.profile.bpm, 0.0f);
}

TEST_F(BuildFixture, FilesThatAreNotMusicFailAfterProgressZero) {
    WriteFileBytes(dir.Path() / "notes.wav", "these are liner notes, not audio");
    WriteFileBytes(dir.Path() / "notes.txt", "RIFF");
    for (const char* name : {"notes.wav", "notes.txt", "missing.wav"}) {
        const BuildOutcome b = Build(dir.Str(name));
        EXPECT_EQ(b.result, 0) << name;
        EXPECT_EQ(b.progress, std::vector<int>{0}) << name;
    }
}

TEST_F(BuildFixture, SilenceIsAFailedBuildWithoutATempo) {
    // Digital silence of several lengths: no onset, so no tempo is made up for it.
    for (const int seconds : {5, 35, 61}) {
        WriteWav(dir.Path() / "silence.wav", WavLayout{},
                 std::vector<float>(static_cast<std::size_t>(44100 * seconds), 0.0f));
        const BuildOutcome b = Build(dir.Str("silence.wav"));
        EXPECT_EQ(b.result, 0) << seconds;
        EXPECT_EQ(b.profile.bpm, 0.0f) << seconds;
    }
}

TEST_F(BuildFixture, KeepsTheWaveformAndTheBeatsForThePicture) {
    constexpr double kBpm = 125.0;
    constexpr double kFirstBeat = 0.5;
    constexpr std::uint32_t kRate = 48000;
    MusicSpec music = Steady(kBpm, kRate);
    music.firstBeatSeconds = kFirstBeat;
    const BuildOutcome b = Build(Music("picture.wav", music));
    ASSERT_EQ(b.result, 1);
    const CPfTrackProfile& p = b.profile;

    // About 23 ms per entry, counted at the analysis rate, for the whole track.
    EXPECT_EQ(p.waveformFrames, 1024u);
    EXPECT_EQ(p.waveformRate, 44100u);
    const double entrySeconds = 1024.0 / 44100.0;
    EXPECT_NEAR(static_cast<double>(p.waveform.size()), music.seconds / entrySeconds, 1.0);
    EXPECT_EQ(*std::max_element(p.waveform.begin(), p.waveform.end()), 255);
    // The silence before the first beat stays at the bottom; the music does not.
    const auto silentEntries = static_cast<size_t>(kFirstBeat / entrySeconds) - 1;
    EXPECT_LE(*std::max_element(p.waveform.begin(), p.waveform.begin() + silentEntries), 2);
    EXPECT_GT(*std::max_element(p.waveform.begin() + silentEntries + 2, p.waveform.end()), 128);

    // Beats a beat apart at the source's rate, each on a kick of the music (within two envelope
    // blocks of 256 frames at the analysis rate, about 12 ms: the grid's own precision).
    const double beatFrames = 60.0 / kBpm * kRate;
    const double tolerance = 2 * 256.0 * kRate / 44100;
    ASSERT_GT(p.beatGrid.size(), 70u);
    ASSERT_TRUE(std::is_sorted(p.beatGrid.begin(), p.beatGrid.end()));
    int onMusic = 0;
    for (const std::int64_t beat : p.beatGrid) {
        const double sinceFirst = static_cast<double>(beat) - kFirstBeat * kRate;
        if (sinceFirst < -tolerance || beat > p.lengthFrames) continue;
        const double off = sinceFirst - std::round(sinceFirst / beatFrames) * beatFrames;
        EXPECT_LE(std::abs(off), tolerance) << beat;
        ++onMusic;
    }
    EXPECT_NEAR(onMusic, (music.seconds - kFirstBeat) * kBpm / 60.0, 2.0);
}
