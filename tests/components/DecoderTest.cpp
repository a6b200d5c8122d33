// Both decoder components through the loader, with the same checks: length, format and signal of
// files made by lame and ffmpeg, byte-addressed reads in any order, silence past the end, closed
// readers, the extensible format record. What only one format has (an ID3v2 tag in front of MP3
// audio, the header length of either, the Windows Media variants) is tested on its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <tuple>

#include "audio/ComponentIds.h"
#include "tests/components/ComponentFixtures.h"

namespace {

constexpr double kSeconds = 3.0;
constexpr double kFrequencyToleranceHz = 1.0;
// The decoded Windows Media stream starts with the encoder's delay and ends on a whole transform
// block (2048 frames at most for these rates); ASF records neither, so the length differs from
// the source's by up to a couple of blocks.
constexpr std::uint64_t kMaxWmaBlockFrames = 2048;

enum class Format { Mp3, Wma };

struct DecoderCase {
    const char* name;
    Format format;
    std::uint32_t rate;
    std::uint16_t channels;
    const char* encoder;  // MP3: lame's arguments; Windows Media: ffmpeg's codec
    const char* bitRate;  // Windows Media: ffmpeg's bit rate in kbit/s, or null for its default
};

void PrintTo(const DecoderCase& c, std::ostream* os) {
    *os << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<DecoderCase>& info) {
    return info.param.name;
}

const CLSID& ClassOf(Format format) {
    return format == Format::Mp3 ? CLSID_Mp3Decoder : CLSID_WmaDecoder;
}

const char* ExtensionOf(Format format) {
    return format == Format::Mp3 ? ".mp3" : ".wma";
}

// Lame delivers gapless files: the decoded signal lines up with the source. The Windows Media
// decoders lag by the encoder's delay and blur a little more.
double MinCorrelation(Format format) {
    return format == Format::Mp3 ? 0.98 : 0.95;
}

std::string Encode(const TempDir& dir, const DecoderCase& c, const PcmSignal& source) {
    if (c.format == Format::Mp3) return EncodeMp3(dir, c.name, source, c.encoder);
    return EncodeWma(dir, c.name, source, c.encoder,
                     c.bitRate ? std::string("-b:a ") + c.bitRate + "k" : std::string());
}

class DecoderEncodings : public ::testing::TestWithParam<DecoderCase> {
protected:
    TempDir dir_;
    CLocalCoCreate loader_;
};

TEST_P(DecoderEncodings, DecodesLengthFormatAndSignal) {
    const DecoderCase& c = GetParam();
    const PcmSignal source = MakeTestSignal(c.rate, c.channels, kSeconds);
    const std::string path = Encode(dir_, c, source);
    ComPtr<IPcmReader> reader = OpenDecoder(loader_, ClassOf(c.format), path);
    ASSERT_TRUE(reader);

    std::uint64_t frames = 0;
    std::uint32_t rate = 0;
    ASSERT_EQ(reader->GetLengthFrames(&frames), S_OK);
    ASSERT_EQ(reader->GetSampleRate(&rate), S_OK);
    EXPECT_EQ(rate, c.rate);
    if (c.format == Format::Mp3) {
        EXPECT_EQ(frames, source.Frames()) << "gapless length";
    } else {
        EXPECT_EQ(frames, FramesDecodedByFfmpeg(path, c.channels));
        EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(source.Frames()),
                    2.0 * kMaxWmaBlockFrames);
    }

    WAVEFORMATEX format{};
    std::uint32_t bitRate = 0;
    ASSERT_EQ(reader->GetFormat(&format, &bitRate), S_OK);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(format.nChannels, c.channels);
    EXPECT_EQ(format.wBitsPerSample, 32);
    EXPECT_EQ(format.nBlockAlign, 4 * c.channels);
    EXPECT_EQ(format.nAvgBytesPerSec, c.rate * 4 * c.channels);
    EXPECT_EQ(format.cbSize, 0);
    if (c.bitRate) {
        EXPECT_EQ(bitRate, static_cast<std::uint32_t>(std::stoi(c.bitRate)) * 1000u);
    } else {
        EXPECT_GE(bitRate, 8000u);
        EXPECT_LE(bitRate, 320000u);
    }

    // Every frame the length announces is decoded audio, none is padding of the reader.
    const std::vector<float> decoded = ReadSamples(reader.Get());
    ASSERT_EQ(decoded.size(), frames * c.channels);
    std::int64_t lag = 0;
    if (c.format == Format::Wma) {
        double correlation = 0.0;
        std::tie(lag, correlation) =
            BestLag(source.samples, decoded, c.channels, 2 * kMaxWmaBlockFrames);
        EXPECT_GT(correlation, MinCorrelation(c.format)) << "at lag " << lag;
    }
    for (int ch = 0; ch < c.channels; ++ch) {
        EXPECT_GT(ChannelCorrelation(source.samples, decoded, c.channels, ch, lag),
                  MinCorrelation(c.format))
            << "channel " << ch;
        EXPECT_NEAR(ZeroCrossingFrequency(decoded, c.channels, ch, c.rate, c.rate / 2,
                                          source.Frames() - c.rate / 2),
                    TestToneFrequency(ch), kFrequencyToleranceHz)
            << "channel " << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(
    LameAndFfmpegEncodings, DecoderEncodings,
    ::testing::Values(DecoderCase{"cbr44stereo", Format::Mp3, 44100, 2, "-b 192", nullptr},
                      DecoderCase{"vbr44stereo", Format::Mp3, 44100, 2, "-V 2", nullptr},
                      DecoderCase{"mpeg2mono22", Format::Mp3, 22050, 1, "-m m -b 64", nullptr},
                      DecoderCase{"mpeg25mono8", Format::Mp3, 8000, 1, "-m m -b 24", nullptr},
                      DecoderCase{"cbr48stereo", Format::Mp3, 48000, 2, "-b 160", nullptr},
                      DecoderCase{"wmav2stereo44", Format::Wma, 44100, 2, "wmav2", "128"},
                      DecoderCase{"wmav1stereo44", Format::Wma, 44100, 2, "wmav1", "128"},
                      DecoderCase{"wmav2mono22", Format::Wma, 22050, 1, "wmav2", "32"},
                      DecoderCase{"wmav2stereo48", Format::Wma, 48000, 2, "wmav2", "160"}),
    CaseName);

// One stereo file of each format, opened for analysis and read whole once.
class ReadsFixture : public ::testing::Test {
protected:
    void Open(const DecoderCase& c) {
        case_ = c;
        source_ = MakeTestSignal(c.rate, c.channels, kSeconds);
        path_ = Encode(dir_, c, source_);
        reader_ = OpenDecoder(loader_, ClassOf(c.format), path_);
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

    DecoderCase case_{};
    TempDir dir_;
    CLocalCoCreate loader_;
    PcmSignal source_;
    std::string path_;
    ComPtr<IPcmReader> reader_;
    std::uint64_t length_ = 0;
    std::vector<std::uint8_t> whole_;
};

constexpr DecoderCase kMp3Reads{"mp3reads", Format::Mp3, 44100, 2, "-V 4", nullptr};
constexpr DecoderCase kWmaReads{"wmareads", Format::Wma, 44100, 2, "wmav2", nullptr};

class DecoderReads : public ReadsFixture, public ::testing::WithParamInterface<DecoderCase> {
protected:
    void SetUp() override { Open(GetParam()); }
};

TEST_P(DecoderReads, ChunkedReadsEqualOnePiece) {
    EXPECT_EQ(ReadStream(reader_.Get(), 24 * 1024), whole_);
    // Requests that end inside a frame, so that each next one begins inside it.
    EXPECT_EQ(ReadStream(reader_.Get(), 1001), whole_);
    EXPECT_EQ(ReadStream(reader_.Get(), 999), whole_);
}

TEST_P(DecoderReads, ReadsAfterSeeksEqualOnePiece) {
    ExpectSlice(length_ / 2 + 3, 50000);  // forward jump to an unaligned byte
    ExpectSlice(7, 30001);                // backwards, unaligned at both ends
    ExpectSlice(30008, 24 * 1024);        // on from the byte after the last request
    ExpectSlice(length_ - 8 * 1024, 8 * 1024);
    ExpectSlice(0, 4);
    ExpectSlice(length_ / 2 + 5, 40000);
    ExpectSlice(13, 20000);
    ExpectSlice(20013, 24 * 1024);
    ExpectSlice(length_ - 5000, 5000);
}

TEST_P(DecoderReads, ReadsPastTheEndDeliverSilence) {
    std::vector<std::uint8_t> tail(4096, 0xAB);
    ASSERT_EQ(reader_->Read(tail.data(), length_ - 96, 4096), S_OK);
    EXPECT_EQ(0, std::memcmp(tail.data(), whole_.data() + length_ - 96, 96));
    EXPECT_TRUE(std::all_of(tail.begin() + 96, tail.end(), [](auto b) { return b == 0; }));

    std::vector<std::uint8_t> beyond(512, 0xAB);
    ASSERT_EQ(reader_->Read(beyond.data(), length_ + 1000, 512), S_OK);
    EXPECT_TRUE(std::all_of(beyond.begin(), beyond.end(), [](auto b) { return b == 0; }));
}

TEST_P(DecoderReads, ClosedOrFailedReaderRefusesWork) {
    EXPECT_EQ(reader_->Close(), S_OK);
    EXPECT_EQ(reader_->GetStatus(), 1);
    std::uint8_t byte = 0;
    EXPECT_EQ(reader_->Read(&byte, 0, 1), E_FAIL);
    WAVEFORMATEX format{};
    EXPECT_EQ(reader_->GetFormat(&format, nullptr), E_FAIL);

    ComPtr<IPcmReader> fresh;
    ASSERT_EQ(loader_.Create(ClassOf(case_.format), nullptr, 0, IID_IPcmReader, fresh.OutVoid()),
              S_OK);
    CBstr missing(dir_.W(std::string("missing") + ExtensionOf(case_.format)));
    EXPECT_EQ(fresh->Open(missing.Get(), 1), E_FAIL);
    EXPECT_EQ(fresh->GetStatus(), 1);
    EXPECT_EQ(fresh->Open(nullptr, 1), E_FAIL);
}

TEST_P(DecoderReads, ExtensibleRecordIsCopiedWhole) {
    WAVEFORMATEXTENSIBLE format{};
    format.Format.cbSize = kExtensibleExtraSize;
    ASSERT_EQ(reader_->GetFormat(&format.Format, nullptr), S_OK);
    EXPECT_EQ(format.Format.wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(format.Format.nChannels, 2);
    // The stored record has no extension: its extra size and tail are zero.
    EXPECT_EQ(format.Format.cbSize, 0);
    EXPECT_EQ(format.wValidBitsPerSample, 0);
}

TEST_P(DecoderReads, MixedToMonoIsTheChannelAverageFromTheFirstFrameOn) {
    // Half-way through the stream first: the mix starts the stream again.
    ExpectSlice(length_ / 2, 4096);
    ComPtr<IPcmMonoMix> mono;
    ASSERT_EQ(reader_->QueryInterface(IID_IPcmMonoMix, mono.OutVoid()), S_OK);
    ASSERT_EQ(mono->MixToMono(), S_OK);

    WAVEFORMATEX format{};
    ASSERT_EQ(reader_->GetFormat(&format, nullptr), S_OK);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(format.nChannels, 1);
    EXPECT_EQ(format.nBlockAlign, 4);
    EXPECT_EQ(format.nSamplesPerSec, case_.rate);
    std::uint64_t frames = 0;
    ASSERT_EQ(reader_->GetLengthFrames(&frames), S_OK);
    ASSERT_EQ(frames * 8, length_) << "the same frames, one channel";

    const std::vector<float> mixed = ReadSamples(reader_.Get());
    ASSERT_EQ(mixed.size(), frames);
    std::vector<float> stereo(frames * 2);
    std::memcpy(stereo.data(), whole_.data(), length_);
    double worst = 0.0;
    std::size_t unequal = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const float average = (stereo[2 * i] + stereo[2 * i + 1]) * 0.5f;
        worst = std::max(worst, static_cast<double>(std::fabs(mixed[i] - average)));
        unequal += mixed[i] != average;
    }
    if (case_.format == Format::Wma) {
        EXPECT_EQ(unequal, 0u) << "the Windows Media mix is the converter's, bit for bit";
    } else {
        // libmpg123 mixes before its synthesis: the same signal up to rounding.
        EXPECT_LT(worst, 1e-5);
    }

    // Reads in any order stay mono (going back starts the decoder again, still mixing), and a
    // second request changes nothing.
    EXPECT_EQ(mono->MixToMono(), S_OK);
    const auto* wholeMono = reinterpret_cast<const std::uint8_t*>(mixed.data());
    for (const auto& [at, n] : {std::pair<std::uint64_t, std::uint32_t>{frames * 2 + 3, 20000},
                                {7, 30001}, {frames * 4 - 4000, 4000}, {1, 5}}) {
        std::vector<std::uint8_t> part(n);
        ASSERT_EQ(reader_->Read(part.data(), at, n), S_OK);
        EXPECT_EQ(0, std::memcmp(part.data(), wholeMono + at, n)) << "at " << at;
    }

    // Opening again gives the channels again; a closed reader refuses to mix.
    CBstr path(Utf8ToUtf16(path_));
    ASSERT_EQ(reader_->Open(path.Get(), 1), S_OK);
    ASSERT_EQ(reader_->GetFormat(&format, nullptr), S_OK);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(ReadStream(reader_.Get(), 24 * 1024), whole_);
    EXPECT_EQ(reader_->Close(), S_OK);
    EXPECT_EQ(mono->MixToMono(), E_FAIL);
}

INSTANTIATE_TEST_SUITE_P(BothComponents, DecoderReads, ::testing::Values(kMp3Reads, kWmaReads),
                         CaseName);

class Mp3Reads : public ReadsFixture {
protected:
    void SetUp() override { Open(kMp3Reads); }
};

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

class WmaReads : public ReadsFixture {
protected:
    void SetUp() override { Open(kWmaReads); }
};

TEST_F(WmaReads, TagAccessModeTakesTheHeaderDuration) {
    // Tag-access mode takes the header's duration instead of decoding the whole file.
    ComPtr<IPcmReader> quick = OpenDecoder(loader_, CLSID_WmaDecoder, path_, 0);
    ASSERT_TRUE(quick);
    std::uint64_t quickLength = 0;
    ASSERT_EQ(quick->GetLengthBytes(&quickLength), S_OK);
    EXPECT_NEAR(static_cast<double>(quickLength), static_cast<double>(length_), 0.1 * 44100 * 8);
}

TEST_F(WmaReads, TagAccessLengthSurvivesAStaleStoredFileSize) {
    // Tag writers that grow the header often leave the file properties' stored file size
    // behind; the header's play duration must still give the length.
    std::string bytes = ReadFileBytes(path_);
    const std::string filePropertiesGuid = "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4";
    const std::size_t at = bytes.find(filePropertiesGuid);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 40 + 2] = static_cast<char>(bytes[at + 40 + 2] + 0x10);  // a megabyte more
    WriteFileBytes(path_, bytes);

    ComPtr<IPcmReader> quick = OpenDecoder(loader_, CLSID_WmaDecoder, path_, 0);
    ASSERT_TRUE(quick);
    std::uint64_t quickLength = 0;
    ASSERT_EQ(quick->GetLengthBytes(&quickLength), S_OK);
    EXPECT_NEAR(static_cast<double>(quickLength), static_cast<double>(length_), 0.1 * 44100 * 8);
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
        const DecoderCase variant{codec, Format::Wma, 44100, 2, codec, nullptr};
        ComPtr<IPcmReader> reader =
            OpenDecoder(loader, CLSID_WmaDecoder, Encode(dir, variant, source));
        ASSERT_TRUE(reader) << codec;
        const std::vector<float> decoded = ReadSamples(reader.Get());
        EXPECT_GT(BestLag(source.samples, decoded, 2, 4 * kMaxWmaBlockFrames).second,
                  MinCorrelation(Format::Wma));
    }
}

}  // namespace
