// The MP3 decoder component through the loader: exact gapless length, format, signal fidelity,
// and byte-addressed reads in any order.

#include <gtest/gtest.h>

#include <cstring>

#include "audio/ComponentIds.h"
#include "tests/components/ComponentFixtures.h"

namespace {

constexpr double kSeconds = 3.0;
constexpr double kMinCorrelation = 0.98;
constexpr double kFrequencyToleranceHz = 1.0;

struct Mp3Case {
    const char* name;
    std::uint32_t rate;
    std::uint16_t channels;
    const char* lameArgs;
};

void PrintTo(const Mp3Case& c, std::ostream* os) {
    *os << c.name;
}

class Mp3Decoder : public ::testing::TestWithParam<Mp3Case> {
protected:
    TempDir dir_;
    CLocalCoCreate loader_;
};

// Length, format and signal of LAME files of every MPEG version and both bit-rate modes.
TEST_P(Mp3Decoder, DecodesExactLengthAndSignal) {
    const Mp3Case& c = GetParam();
    const PcmSignal source = MakeTestSignal(c.rate, c.channels, kSeconds);
    const std::string path = EncodeMp3(dir_, c.name, source, c.lameArgs);
    ComPtr<IPcmReader> reader = OpenDecoder(loader_, CLSID_Mp3Decoder, path);
    ASSERT_TRUE(reader);

    std::uint64_t frames = 0;
    std::uint32_t rate = 0;
    ASSERT_EQ(reader->GetLengthFrames(&frames), S_OK);
    ASSERT_EQ(reader->GetSampleRate(&rate), S_OK);
    EXPECT_EQ(frames, source.Frames()) << "gapless length";
    EXPECT_EQ(rate, c.rate);

    WAVEFORMATEX format{};
    std::uint32_t bitRate = 0;
    ASSERT_EQ(reader->GetFormat(&format, &bitRate), S_OK);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(format.nChannels, c.channels);
    EXPECT_EQ(format.wBitsPerSample, 32);
    EXPECT_EQ(format.nBlockAlign, 4 * c.channels);
    EXPECT_EQ(format.nAvgBytesPerSec, c.rate * 4 * c.channels);
    EXPECT_EQ(format.cbSize, 0);
    EXPECT_GE(bitRate, 8000u);
    EXPECT_LE(bitRate, 320000u);

    const std::vector<float> decoded = ReadSamples(reader.Get());
    ASSERT_EQ(decoded.size(), source.samples.size());
    for (int ch = 0; ch < c.channels; ++ch) {
        // Gapless decoding lines the output up with the source at lag 0.
        EXPECT_GT(ChannelCorrelation(source.samples, decoded, c.channels, ch, 0), kMinCorrelation)
            << "channel " << ch;
        EXPECT_NEAR(
            ZeroCrossingFrequency(decoded, c.channels, ch, c.rate, c.rate / 2, frames - c.rate / 2),
            TestToneFrequency(ch), kFrequencyToleranceHz)
            << "channel " << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(LameEncodings, Mp3Decoder,
                         ::testing::Values(Mp3Case{"cbr44stereo", 44100, 2, "-b 192"},
                                           Mp3Case{"vbr44stereo", 44100, 2, "-V 2"},
                                           Mp3Case{"mpeg2mono22", 22050, 1, "-m m -b 64"},
                                           Mp3Case{"mpeg25mono8", 8000, 1, "-m m -b 24"},
                                           Mp3Case{"cbr48stereo", 48000, 2, "-b 160"}),
                         [](const auto& param) { return std::string(param.param.name); });

class Mp3Reads : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = MakeTestSignal(44100, 2, kSeconds);
        path_ = EncodeMp3(dir_, "reads", source_, "-V 4");
        reader_ = OpenDecoder(loader_, CLSID_Mp3Decoder, path_);
        ASSERT_TRUE(reader_);
        ASSERT_EQ(reader_->GetLengthBytes(&length_), S_OK);
        whole_ = ReadStream(reader_.Get());
    }

    // Reads [at, at + n) and compares it with the one-piece read.
    void ExpectSlice(std::uint64_t at, std::uint32_t n) {
        std::vector<std::uint8_t> part(n);
        ASSERT_EQ(reader_->Read(part.data(), at, n), S_OK);
        EXPECT_EQ(0, std::memcmp(part.data(), whole_.data() + at, n)) << "at " << at;
    }

    TempDir dir_;
    CLocalCoCreate loader_;
    PcmSignal source_;
    std::string path_;
    ComPtr<IPcmReader> reader_;
    std::uint64_t length_ = 0;
    std::vector<std::uint8_t> whole_;
};

TEST_F(Mp3Reads, ChunkedReadsEqualOnePiece) {
    EXPECT_EQ(ReadStream(reader_.Get(), 24 * 1024), whole_);
    // Requests that end inside a frame, so that each next one begins inside it.
    EXPECT_EQ(ReadStream(reader_.Get(), 1001), whole_);
}

TEST_F(Mp3Reads, ReadsAfterSeeksEqualOnePiece) {
    ExpectSlice(length_ / 2 + 3, 50000);  // forward jump to an unaligned byte
    ExpectSlice(7, 30001);                // backwards, unaligned at both ends
    ExpectSlice(30008, 24 * 1024);        // on from the byte after the last request
    ExpectSlice(length_ - 8 * 1024, 8 * 1024);
    ExpectSlice(0, 4);
}

TEST_F(Mp3Reads, ReadsPastTheEndDeliverSilence) {
    std::vector<std::uint8_t> tail(4096, 0xAB);
    ASSERT_EQ(reader_->Read(tail.data(), length_ - 96, 4096), S_OK);
    EXPECT_EQ(0, std::memcmp(tail.data(), whole_.data() + length_ - 96, 96));
    EXPECT_TRUE(std::all_of(tail.begin() + 96, tail.end(), [](auto b) { return b == 0; }));

    std::vector<std::uint8_t> beyond(512, 0xAB);
    ASSERT_EQ(reader_->Read(beyond.data(), length_ + 1000, 512), S_OK);
    EXPECT_TRUE(std::all_of(beyond.begin(), beyond.end(), [](auto b) { return b == 0; }));
}

TEST_F(Mp3Reads, Id3v2TagInFrontChangesNothing) {
    // An ID3v2.3 tag with one title frame and 4 KiB of padding before the audio.
    const std::string title = "\x03Tagged title";
    std::string frame = "TIT2";
    frame += std::string{0, 0, 0, static_cast<char>(title.size())} + std::string(2, '\0') + title;
    const std::size_t tagBody = frame.size() + 4096;
    std::string tag = std::string("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0}) tag += static_cast<char>((tagBody >> shift) & 0x7F);
    tag += frame + std::string(4096, '\0');
    const std::string tagged = dir_.Str("tagged.mp3");
    WriteFileBytes(tagged, tag + ReadFileBytes(path_));

    ComPtr<IPcmReader> reader = OpenDecoder(loader_, CLSID_Mp3Decoder, tagged);
    ASSERT_TRUE(reader);
    EXPECT_EQ(ReadStream(reader.Get(), 24 * 1024), whole_);
}

TEST_F(Mp3Reads, TagAccessModeUsesTheHeaderLength) {
    // A VBR file carries its frame count and LAME delays, so no scan is needed for the length.
    ComPtr<IPcmReader> quick = OpenDecoder(loader_, CLSID_Mp3Decoder, path_, 0);
    ASSERT_TRUE(quick);
    std::uint64_t frames = 0;
    ASSERT_EQ(quick->GetLengthFrames(&frames), S_OK);
    EXPECT_EQ(frames, source_.Frames());
    EXPECT_EQ(ReadStream(quick.Get(), 24 * 1024), whole_);
}

TEST_F(Mp3Reads, ClosedOrFailedReaderRefusesWork) {
    EXPECT_EQ(reader_->Close(), S_OK);
    EXPECT_EQ(reader_->GetStatus(), 1);
    std::uint8_t byte = 0;
    EXPECT_EQ(reader_->Read(&byte, 0, 1), E_FAIL);
    WAVEFORMATEX format{};
    EXPECT_EQ(reader_->GetFormat(&format, nullptr), E_FAIL);

    ComPtr<IPcmReader> fresh;
    ASSERT_EQ(loader_.Create(CLSID_Mp3Decoder, nullptr, 0, IID_IPcmReader, fresh.OutVoid()), S_OK);
    CBstr missing(dir_.W("missing.mp3"));
    EXPECT_EQ(fresh->Open(missing.Get(), 1), E_FAIL);
    EXPECT_EQ(fresh->GetStatus(), 1);
    EXPECT_EQ(fresh->Open(nullptr, 1), E_FAIL);
}

TEST_F(Mp3Reads, ExtensibleRecordIsCopiedWhole) {
    WAVEFORMATEXTENSIBLE format{};
    format.Format.cbSize = kExtensibleExtraSize;
    ASSERT_EQ(reader_->GetFormat(&format.Format, nullptr), S_OK);
    EXPECT_EQ(format.Format.wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(format.Format.nChannels, 2);
    // The stored record has no extension: its extra size and tail are zero.
    EXPECT_EQ(format.Format.cbSize, 0);
    EXPECT_EQ(format.wValidBitsPerSample, 0);
}

}  // namespace
