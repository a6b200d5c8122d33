#include "tests/profile/BuildFixture.h"

// The decoder components must deliver the same music the WAVE reader does.
TEST_F(BuildFixture, Mp3AndWmaGiveTheWaveFilesTempo) {
    const std::string wav = Music("s.wav", Steady(128));
    const BuildOutcome reference = Build(wav);
    ASSERT_EQ(reference.result, 1);
    ASSERT_EQ(RunCommand("lame --quiet '" + wav + "' '" + dir.Str("s.mp3") + "'"), 0);
    ASSERT_EQ(RunCommand("ffmpeg -loglevel error -i '" + wav + "' -c:a wmav2 '" + dir.Str("s.wma") + "'"), 0);
    for (const char* name : {"s.mp3", "s.wma"}) {
        const BuildOutcome b = Build(dir.Str(name));
        ASSERT_EQ(b.result, 1) << name;
        EXPECT_NEAR(b.profile.bpm, reference.profile.bpm, 0.1) << name;
        EXPECT_EQ(b.profile.sampleRate, 44100u);
        EXPECT_GT(b.profile.bitRate, 0u);
    }
}
