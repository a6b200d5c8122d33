// The Windows Media decoder component through the loader: length, format and signal of WMA v1
// and v2 files made by ffmpeg, and byte-addressed reads in any order.

#include <gtest/gtest.h>

#include <cstring>

#include "audio/ComponentIds.h"
#include "tests/components/ComponentFixtures.h"

namespace {

constexpr double kSeconds = 3.0;
constexpr double kMinCorrelation = 0.95;
constexpr double kFrequencyToleranceHz = 1.0;
// The decoded stream starts with the encoder's delay and ends on a whole transform block (2048
// frames at most for these rates); ASF records neither, so the length differs from the source's
// by up to a couple of blocks.
constexpr std::uint64_t kMaxBlockFrames = 2048;

// Frames that ffmpeg itself decodes from the file, in a separate process.
std::uint64_t FramesDecodedByFfmpeg(const std::string& path, int channels) {
    std::string count;
    EXPECT_EQ(RunCommand("ffmpeg -nostdin -v error -i '" + path + "' -f f32le - | wc -c", &count),
              0);
    return std::stoull(count) / (4u * channels);
}

struct WmaCase {
    const char* name;
    const char* codec;
    std::uint32_t rate;
    std::uint16_t channels;
    const char* bitRate;
};

void PrintTo(const WmaCase& c, std::ostream* os) {
    *os << c.name;
}

class WmaDecoder : public ::testing::TestWithParam<WmaCase> {
protected:
    TempDir dir_;
    CLocalCoCreate loader_;
};

TEST_P(WmaDecoder, DecodesLengthFormatAndSignal) {
    const WmaCase& c = GetParam();
    const PcmSignal source = MakeTestSignal(c.rate, c.channels, kSeconds);
    const std::string path =
        EncodeWma(dir_, c.name, source, c.codec, std::string("-b:a ") + c.bitRate + "k");
    ComPtr<IPcmReader> reader = OpenDecoder(loader_, CLSID_WmaDecoder, path);
    ASSERT_TRUE(reader);

    std::uint64_t frames = 0;
    std::uint32_t rate = 0;
    ASSERT_EQ(reader->GetLengthFrames(&frames), S_OK);
    ASSERT_EQ(reader->GetSampleRate(&rate), S_OK);
    EXPECT_EQ(rate, c.rate);
    EXPECT_EQ(frames, FramesDecodedByFfmpeg(path, c.channels));
    EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(source.Frames()),
                2.0 * kMaxBlockFrames);

    WAVEFORMATEX format{};
    std::uint32_t bitRate = 0;
    ASSERT_EQ(reader->GetFormat(&format, &bitRate), S_OK);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(format.nChannels, c.channels);
    EXPECT_EQ(format.wBitsPerSample, 32);
    EXPECT_EQ(format.nBlockAlign, 4 * c.channels);
    EXPECT_EQ(bitRate, static_cast<std::uint32_t>(std::stoi(c.bitRate)) * 1000u);

    // Every frame the length announces is decoded audio, none is padding of the reader.
    const std::vector<float> decoded = ReadSamples(reader.Get());
    ASSERT_EQ(decoded.size(), frames * c.channels);
    const auto [lag, correlation] =
        BestLag(source.samples, decoded, c.channels, 2 * kMaxBlockFrames);
    EXPECT_GT(correlation, kMinCorrelation) << "at lag " << lag;
    for (int ch = 0; ch < c.channels; ++ch)
        EXPECT_GT(ChannelCorrelation(source.samples, decoded, c.channels, ch, lag),
                  kMinCorrelation);
    for (int ch = 0; ch < c.channels; ++ch)
        EXPECT_NEAR(ZeroCrossingFrequency(decoded, c.channels, ch, c.rate, c.rate / 2,
                                          source.Frames() - c.rate / 2),
                    TestToneFrequency(ch), kFrequencyToleranceHz)
            << "channel " << ch;
}

INSTANTIATE_TEST_SUITE_P(FfmpegEncodings, WmaDecoder,
                         ::testing::Values(WmaCase{"wmav2stereo44", "wmav2", 44100, 2, "128"},
                                           WmaCase{"wmav1stereo44", "wmav1", 44100, 2, "128"},
                                           WmaCase{"wmav2mono22", "wmav2", 22050, 1, "32"},
                                           WmaCase{"wmav2stereo48", "wmav2", 48000, 2, "160"}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(WmaReads, ChunkedReadsAndSeeksEqualOnePiece) {
    TempDir dir;
    CLocalCoCreate loader;
    const std::string path = EncodeWma(dir, "reads", MakeTestSignal(44100, 2, kSeconds), "wmav2");
    ComPtr<IPcmReader> reader = OpenDecoder(loader, CLSID_WmaDecoder, path);
    ASSERT_TRUE(reader);
    std::uint64_t length = 0;
    ASSERT_EQ(reader->GetLengthBytes(&length), S_OK);
    const std::vector<std::uint8_t> whole = ReadStream(reader.Get());

    EXPECT_EQ(ReadStream(reader.Get(), 24 * 1024), whole);
    EXPECT_EQ(ReadStream(reader.Get(), 999), whole);
    for (const auto& [at, n] : {std::pair<std::uint64_t, std::uint32_t>{length / 2 + 5, 40000},
                                {13, 20000},
                                {20013, 24 * 1024},
                                {length - 5000, 5000}}) {
        std::vector<std::uint8_t> part(n);
        ASSERT_EQ(reader->Read(part.data(), at, n), S_OK);
        EXPECT_EQ(0, std::memcmp(part.data(), whole.data() + at, n)) << "at " << at;
    }

    // Tag-access mode takes the header's duration instead of decoding the whole file.
    ComPtr<IPcmReader> quick = OpenDecoder(loader, CLSID_WmaDecoder, path, 0);
    ASSERT_TRUE(quick);
    std::uint64_t quickLength = 0;
    ASSERT_EQ(quick->GetLengthBytes(&quickLength), S_OK);
    EXPECT_NEAR(static_cast<double>(quickLength), static_cast<double>(length), 0.1 * 44100 * 8);
}

TEST(WmaReads, TagAccessLengthSurvivesAStaleStoredFileSize) {
    // Tag writers that grow the header often leave the file properties' stored file size
    // behind; the header's play duration must still give the length.
    TempDir dir;
    CLocalCoCreate loader;
    const std::string path = EncodeWma(dir, "stale", MakeTestSignal(44100, 2, kSeconds), "wmav2");
    std::string bytes = ReadFileBytes(path);
    const std::string filePropertiesGuid = "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4";
    const std::size_t at = bytes.find(filePropertiesGuid);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 40 + 2] = static_cast<char>(bytes[at + 40 + 2] + 0x10);  // a megabyte more
    WriteFileBytes(path, bytes);

    ComPtr<IPcmReader> quick = OpenDecoder(loader, CLSID_WmaDecoder, path, 0);
    ASSERT_TRUE(quick);
    std::uint64_t quickFrames = 0;
    ASSERT_EQ(quick->GetLengthFrames(&quickFrames), S_OK);
    EXPECT_NEAR(static_cast<double>(quickFrames), kSeconds * 44100, 0.1 * 44100);
}

// This FFmpeg can encode only WMA v1 and v2. When it can also encode Pro or Lossless, those
// files take the full round trip; otherwise the component's decoders for them must be present.
TEST(WmaVariants, ProAndLosslessAreDecodable) {
    std::string encoders, decoders;
    ASSERT_EQ(RunCommand("ffmpeg -hide_banner -encoders 2>/dev/null", &encoders), 0);
    ASSERT_EQ(RunCommand("ffmpeg -hide_banner -decoders 2>/dev/null", &decoders), 0);
    for (const char* codec : {"wmapro", "wmalossless"}) {
        EXPECT_NE(decoders.find(std::string(" ") + codec + " "), std::string::npos) << codec;
        if (encoders.find(std::string(" ") + codec + " ") == std::string::npos) {
            std::cout << "[ NOTE     ] ffmpeg has no " << codec
                      << " encoder: no fixture can be made, so only its decoder is checked\n";
            continue;
        }
        TempDir dir;
        CLocalCoCreate loader;
        const PcmSignal source = MakeTestSignal(44100, 2, kSeconds);
        const std::string path = EncodeWma(dir, codec, source, codec);
        ComPtr<IPcmReader> reader = OpenDecoder(loader, CLSID_WmaDecoder, path);
        ASSERT_TRUE(reader) << codec;
        const std::vector<float> decoded = ReadSamples(reader.Get());
        EXPECT_GT(BestLag(source.samples, decoded, 2, 4 * kMaxBlockFrames).second, kMinCorrelation);
    }
}

}  // namespace
