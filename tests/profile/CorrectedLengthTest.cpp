// A Windows Media file whose length, told from its packets, proves wrong while it is read (blocks
// the decoder cannot read): the build reads it again with the length it has, and its profile is
// that of the audio the decoder delivered.

#include <algorithm>

#include "audio/SourceOpener.h"
#include "tests/profile/BuildFixture.h"
#include "tests/support/ProfileCompare.h"
#include "tests/support/WavWriter.h"
#include "tests/support/WmaDamage.h"

namespace {

// The whole byte stream of an analysis-mode source in the build's request size, cut to the
// length the source reports after the read; the length announced at open goes to `announced`.
std::vector<float> DecodedAudio(const std::string& path, std::uint64_t* announced,
                                WAVEFORMATEX* format) {
    ComPtr<IPcmReader> source;
    EXPECT_EQ(OpenPcmSource(Utf8ToUtf16(path), 1, source.Out()), S_OK);
    if (!source) return {};
    source->GetFormat(format, nullptr);
    source->GetLengthFrames(announced);
    std::uint64_t length = 0;
    source->GetLengthBytes(&length);
    std::vector<float> samples(length / sizeof(float));
    auto* bytes = reinterpret_cast<std::uint8_t*>(samples.data());
    constexpr std::uint64_t kRequest = 0x6000;
    for (std::uint64_t at = 0; at < length; at += kRequest)
        source->Read(bytes + at, at, static_cast<std::uint32_t>(std::min(kRequest, length - at)));
    source->GetLengthBytes(&length);
    samples.resize(length / sizeof(float));
    source->Close();
    return samples;
}

}  // namespace

TEST_F(BuildFixture, WmaWithUnreadableBlocksBuildsAsTheAudioItDelivers) {
    const std::string wav = Music("m.wav", Steady(124));
    const std::string wma = dir.Str("m.wma");
    ASSERT_EQ(RunCommand("ffmpeg -loglevel error -i '" + wav + "' -c:a wmav2 -b:a 160k '" + wma +
                         "'"),
              0);
    for (const std::size_t block : {30u, 31u, 500u}) ASSERT_TRUE(ZeroWmaBlock(wma, block));

    std::uint64_t announced = 0;
    WAVEFORMATEX format{};
    const std::vector<float> decoded = DecodedAudio(wma, &announced, &format);
    ASSERT_EQ(format.nChannels, 2);
    const std::uint64_t delivered = decoded.size() / format.nChannels;
    ASSERT_LT(delivered, announced) << "the damaged blocks should shorten the stream";

    WavLayout layout;
    layout.channels = format.nChannels;
    layout.rate = format.nSamplesPerSec;
    layout.bits = 32;
    layout.isFloat = true;
    const std::string reference = dir.Str("decoded.wav");
    WriteWav(reference, layout, decoded);

    const BuildOutcome expected = Build(reference);
    const BuildOutcome damaged = Build(wma);
    ASSERT_EQ(expected.result, 1);
    ASSERT_EQ(damaged.result, 1);
    EXPECT_EQ(damaged.profile.lengthFrames, static_cast<std::int64_t>(delivered));
    ExpectSameMeasurement(damaged.profile, expected.profile);
}
