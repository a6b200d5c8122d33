#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/audio/WaveTestUtil.h"
#include "tests/support/Signals.h"
#include "tests/support/WavWriter.h"

using namespace wavetest;

namespace {

struct RealFile {
    std::string name;
    std::string command;  // writes the file named by {out}
    std::uint16_t channels;
    std::uint32_t rate;
    std::uint16_t bits;
    bool isFloat;
    bool extensible;
    std::string rawFormat;
};

std::string SoxCommand(std::uint32_t rate, int channels, const std::string& encoding) {
    return "sox -V1 -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " " +
           encoding + " {out} synth 0.5 sine 1000 vol 0.5";
}

std::string FfmpegCommand(std::uint32_t rate, int channels, const std::string& codec,
                          const std::string& extra = "") {
    return "ffmpeg -v error -f lavfi -i sine=frequency=1000:sample_rate=" + std::to_string(rate) +
           ":duration=0.5 -ac " + std::to_string(channels) + " -c:a " + codec + " " + extra +
           " -y {out}";
}

std::vector<RealFile> RealFiles() {
    return {
        {"sox_u8_mono", SoxCommand(8000, 1, "-b 8 -e unsigned-integer"), 1, 8000, 8, false, false,
         "u8"},
        {"sox_s16_stereo", SoxCommand(44100, 2, "-b 16"), 2, 44100, 16, false, false, "s16le"},
        {"sox_s24_mono", SoxCommand(96000, 1, "-b 24"), 1, 96000, 24, false, true, "s24le"},
        {"sox_s32_stereo", SoxCommand(48000, 2, "-b 32 -e signed-integer"), 2, 48000, 32, false,
         true, "s32le"},
        {"sox_f32_stereo", SoxCommand(44100, 2, "-b 32 -e floating-point"), 2, 44100, 32, true,
         false, "f32le"},
        {"sox_s16_6ch", SoxCommand(48000, 6, "-b 16"), 6, 48000, 16, false, true, "s16le"},
        {"ff_u8_mono", FfmpegCommand(22050, 1, "pcm_u8"), 1, 22050, 8, false, false, "u8"},
        {"ff_s16_stereo_odd_info", FfmpegCommand(44100, 2, "pcm_s16le", "-metadata title=Odds"), 2,
         44100, 16, false, false, "s16le"},
        {"ff_s24_stereo", FfmpegCommand(96000, 2, "pcm_s24le"), 2, 96000, 24, false, true, "s24le"},
        {"ff_s32_mono", FfmpegCommand(32000, 1, "pcm_s32le"), 1, 32000, 32, false, true, "s32le"},
        {"ff_f32_stereo", FfmpegCommand(48000, 2, "pcm_f32le"), 2, 48000, 32, true, true, "f32le"},
        {"ff_s16_6ch", FfmpegCommand(44100, 6, "pcm_s16le"), 6, 44100, 16, false, true, "s16le"},
        {"ff_s24_3ch", FfmpegCommand(88200, 3, "pcm_s24le"), 3, 88200, 24, false, true, "s24le"},
        {"ff_f32_6ch", FfmpegCommand(48000, 6, "pcm_f32le"), 6, 48000, 32, true, true, "f32le"},
    };
}

std::string Fill(std::string command, const std::string& path) {
    command.replace(command.find("{out}"), 5, "'" + path + "'");
    return command;
}

WAVEFORMATEXTENSIBLE WholeFormat(IPcmReader* reader) {
    WAVEFORMATEXTENSIBLE f{};
    f.Format.cbSize = kExtensibleExtraSize;
    EXPECT_EQ(reader->GetFormat(&f.Format, nullptr), S_OK);
    return f;
}

}  // namespace

TEST(WaveReaderRealFiles, DeliversWhatFfmpegDecodesInTheStoredFormat) {
    TempDir dir;
    for (const RealFile& file : RealFiles()) {
        SCOPED_TRACE(file.name);
        const std::string path = dir.Str(file.name + ".wav");
        ASSERT_EQ(RunCommand(Fill(file.command, path)), 0);

        Opened o = OpenWave(dir.W(file.name + ".wav"));
        ASSERT_EQ(o.hr, S_OK);
        EXPECT_EQ(o.reader->GetStatus(), 0);

        WAVEFORMATEX f{};
        std::uint32_t bitRate = 0;
        ASSERT_EQ(o.reader->GetFormat(&f, &bitRate), S_OK);
        const std::uint16_t blockAlign = file.channels * file.bits / 8;
        EXPECT_EQ(f.wFormatTag, file.isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM);
        EXPECT_EQ(f.nChannels, file.channels);
        EXPECT_EQ(f.nSamplesPerSec, file.rate);
        EXPECT_EQ(f.nBlockAlign, blockAlign);
        EXPECT_EQ(f.wBitsPerSample, file.bits);
        EXPECT_EQ(f.cbSize, 0);
        EXPECT_EQ(bitRate, file.rate * blockAlign * 8u);
        EXPECT_EQ(WholeFormat(o.reader.Get()).Format.wFormatTag,
                  file.extensible ? WAVE_FORMAT_EXTENSIBLE : f.wFormatTag);

        const std::string expected = RawByFfmpeg(path, file.rawFormat);
        ASSERT_EQ(expected.size(), file.rate / 2 * blockAlign);
        EXPECT_TRUE(ReadAll(o.reader.Get()) == expected);
        std::uint64_t frames = 0;
        EXPECT_EQ(o.reader->GetLengthFrames(&frames), S_OK);
        EXPECT_EQ(frames, file.rate / 2);
        std::uint32_t rate = 0;
        EXPECT_EQ(o.reader->GetSampleRate(&rate), S_OK);
        EXPECT_EQ(rate, file.rate);
    }
}

TEST(WaveReaderRealFiles, FindsChunksAroundListInfoAndPadBytes) {
    TempDir dir;
    const WavLayout mono8{1, 11025, 8, false, false};
    const WavLayout stereo16{2, 44100, 16, false, true};
    // Odd sizes everywhere: the title, an unknown chunk, and 8-bit data of an odd frame count.
    const std::string data8 = EncodeSamples(Sine(440.0, 11025, 1001), mono8);
    const std::string data16 = EncodeSamples(Replicate(Sine(440.0, 44100, 1001), 2), stereo16);
    struct Built {
        std::string name;
        std::string bytes;
        std::string data;
        std::string rawFormat;
    };
    const std::vector<Built> files = {
        {"info_first.wav",
         RiffWave(InfoListChunk("Title") + RiffChunk("fmt ", FmtChunkBody(mono8)) +
                  RiffChunk("junk", "abc") + RiffChunk("data", data8) + InfoListChunk("After")),
         data8, "u8"},
        {"info_between.wav",
         RiffWave(RiffChunk("fmt ", FmtChunkBody(stereo16)) + InfoListChunk("Between") +
                  RiffChunk("data", data16) + InfoListChunk("Tail")),
         data16, "s16le"},
    };
    for (const Built& file : files) {
        SCOPED_TRACE(file.name);
        Opened o = OpenBytes(dir, file.name, file.bytes);
        ASSERT_EQ(o.hr, S_OK);
        const std::string read = ReadAll(o.reader.Get());
        EXPECT_TRUE(read == file.data);
        // FFmpeg reads the same samples from the built file, so the file is a valid WAVE file.
        EXPECT_TRUE(RawByFfmpeg(dir.Str(file.name), file.rawFormat) == read);
    }
}

TEST(WaveReaderFormat, PlainFmtChunkLeavesTheExtensiblePartZero) {
    TempDir dir;
    const WavLayout layout{2, 44100, 16, false, false};
    Opened o = OpenBytes(dir, "plain.wav", MakeWav(layout, Silence(20)));
    ASSERT_EQ(o.hr, S_OK);
    const WAVEFORMATEXTENSIBLE whole = WholeFormat(o.reader.Get());
    EXPECT_EQ(whole.Format.cbSize, 0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&whole);
    for (std::size_t i = 16; i < sizeof whole; ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(WaveReaderFormat, ExtensibleTagIsRewrittenOnlyForShortRecords) {
    TempDir dir;
    struct Case {
        GUID subFormat;
        std::uint16_t plainTag;
    };
    // A sub-format other than PCM or float (A-law) keeps the extensible tag.
    const GUID alaw = {
        0x00000006, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    const Case cases[] = {{KSDATAFORMAT_SUBTYPE_PCM, WAVE_FORMAT_PCM},
                          {KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, WAVE_FORMAT_IEEE_FLOAT},
                          {alaw, WAVE_FORMAT_EXTENSIBLE}};
    for (const Case& c : cases) {
        std::string fmt = FmtChunkBody(WavLayout{2, 48000, 32, false, true});
        std::memcpy(fmt.data() + 24, &c.subFormat, sizeof(GUID));
        Opened o =
            OpenBytes(dir, "ext.wav",
                      RiffWave(RiffChunk("fmt ", fmt) + RiffChunk("data", std::string(64, 1))));
        ASSERT_EQ(o.hr, S_OK);

        WAVEFORMATEX plain{};
        plain.cbSize = 7;  // anything but 22
        ASSERT_EQ(o.reader->GetFormat(&plain, nullptr), S_OK);
        EXPECT_EQ(plain.wFormatTag, c.plainTag);
        EXPECT_EQ(plain.cbSize, 0);
        EXPECT_EQ(plain.nBlockAlign, 8);

        const WAVEFORMATEXTENSIBLE whole = WholeFormat(o.reader.Get());
        EXPECT_EQ(std::memcmp(&whole, fmt.data(), sizeof whole), 0);
    }
}

TEST(WaveReaderFormat, FortyEightKilohertzExampleReportsFramesAndBitRate) {
    TempDir dir;
    const WavLayout layout{2, 48000, 16, false, false};  // 4-byte frames
    Opened o = OpenBytes(dir, "48k.wav", MakeWav(layout, Silence(2 * 480000)));
    ASSERT_EQ(o.hr, S_OK);
    std::uint64_t bytes = 0, frames = 0;
    std::uint32_t rate = 0, bitRate = 0;
    EXPECT_EQ(o.reader->GetLengthBytes(&bytes), S_OK);
    EXPECT_EQ(bytes, 1920000u);
    EXPECT_EQ(o.reader->GetLengthFrames(&frames), S_OK);
    EXPECT_EQ(frames, 480000u);
    EXPECT_EQ(o.reader->GetSampleRate(&rate), S_OK);
    EXPECT_EQ(rate, 48000u);
    WAVEFORMATEX f{};
    EXPECT_EQ(o.reader->GetFormat(&f, &bitRate), S_OK);
    EXPECT_EQ(bitRate, 1536000u);
}

TEST(WaveReaderRead, PadsPastTheDataWithTheSilenceOfTheSampleType) {
    TempDir dir;
    // A chunk after the data must never be delivered as audio.
    const std::string tail = InfoListChunk("NotAudio");
    for (const std::uint16_t bits : {8, 16}) {
        SCOPED_TRACE(bits);
        const WavLayout layout{1, 8000, bits, false, false};
        const std::string data = EncodeSamples(Sine(1000.0, 8000, 100, 0.9f), layout);
        Opened o = OpenBytes(
            dir, "pad.wav",
            RiffWave(RiffChunk("fmt ", FmtChunkBody(layout)) + RiffChunk("data", data) + tail));
        ASSERT_EQ(o.hr, S_OK);
        const char silence = bits == 8 ? '\x80' : '\0';
        HRESULT hr = E_FAIL;

        // Across the end: the last 10 data bytes, then silence.
        const std::uint64_t at = data.size() - 10;
        std::string got = ReadAt(o.reader.Get(), at, 50, &hr);
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(got.substr(0, 10), data.substr(at));
        EXPECT_EQ(got.substr(10), std::string(40, silence));

        // Wholly past the end.
        got = ReadAt(o.reader.Get(), data.size() + 4, 30, &hr);
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(got, std::string(30, silence));

        // A read inside the data after one past it still delivers the data.
        got = ReadAt(o.reader.Get(), 2, 8, &hr);
        EXPECT_EQ(got, data.substr(2, 8));
    }
}

TEST(WaveReaderRead, FailsBeyondThirtyTwoBitOffsets) {
    TempDir dir;
    Opened o = OpenBytes(dir, "small.wav", MakeWav(WavLayout{}, Silence(10)));
    ASSERT_EQ(o.hr, S_OK);
    char buffer[16];
    EXPECT_EQ(o.reader->Read(buffer, 0x100000000ull, 4), E_FAIL);
    EXPECT_EQ(o.reader->Read(buffer, 0xFFFFFFF8ull, 16), E_FAIL);
    EXPECT_EQ(o.reader->Read(nullptr, 0, 4), E_INVALIDARG);
    EXPECT_EQ(o.reader->Read(buffer, 0, 0), S_OK);
}

TEST(WaveReaderSlots, AnswersAsTheSharedSlotLayoutSays) {
    TempDir dir;
    Opened o = OpenBytes(dir, "slots.wav", MakeWav(WavLayout{}, Silence(10)));
    ASSERT_EQ(o.hr, S_OK);
    IPcmReader* r = o.reader.Get();

    void* out = &dir;
    EXPECT_EQ(r->QueryInterface(IID_IPcmReader, &out), E_NOINTERFACE);
    EXPECT_EQ(r->QueryInterface(IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(out, &dir);  // untouched

    EXPECT_EQ(r->AddRef(), 2u);
    EXPECT_EQ(r->Release(), 1u);
    EXPECT_EQ(r->GetExtraData(nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(r->Reserved12(), E_NOTIMPL);
    EXPECT_EQ(r->Reserved13(nullptr, nullptr), E_NOTIMPL);

    // Close leaves the reader usable; the file is released with the last reference.
    EXPECT_EQ(r->Close(), S_FALSE);
    EXPECT_EQ(r->GetStatus(), 0);
    EXPECT_EQ(ReadAt(r, 0, 4), std::string(4, '\0'));

    // The system never opens a reader twice; a second Open is refused and changes nothing.
    CBstr again(dir.W("slots.wav"));
    EXPECT_EQ(r->Open(again.Get(), 1), E_FAIL);
    EXPECT_EQ(r->GetStatus(), 0);
}

TEST(WaveReaderSlots, ZeroRateIsReportedAsOneWithFailure) {
    TempDir dir;
    std::string fmt = FmtChunkBody(WavLayout{});
    StoreLe32(fmt, 4, 0);  // samples per second
    Opened o = OpenBytes(dir, "rate0.wav",
                         RiffWave(RiffChunk("fmt ", fmt) + RiffChunk("data", std::string(8, 0))));
    ASSERT_EQ(o.hr, S_OK);
    std::uint32_t rate = 0;
    EXPECT_EQ(o.reader->GetSampleRate(&rate), E_FAIL);
    EXPECT_EQ(rate, 1u);
}
