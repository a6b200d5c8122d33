#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/audio/WaveTestUtil.h"
#include "tests/support/Signals.h"
#include "tests/support/WavWriter.h"

using namespace wavetest;

namespace {
// Byte offsets in a plain file made by MakeWav.
constexpr std::size_t kRiffSizeAt = 4;
constexpr std::size_t kBlockAlignAt = 12 + 8 + 12;
constexpr std::size_t kDataSizeAt = 12 + 8 + 16 + 4;
constexpr std::size_t kPlainHeaderBytes = 44;

const WavLayout kStereo16{2, 44100, 16, false, false};

void ExpectRefused(const Opened& o) {
    EXPECT_EQ(o.hr, E_FAIL);
    EXPECT_EQ(o.reader->GetStatus(), 1);
    char buffer[8];
    EXPECT_EQ(o.reader->Read(buffer, 0, sizeof buffer), E_FAIL);
    WAVEFORMATEX f{};
    EXPECT_EQ(o.reader->GetFormat(&f, nullptr), E_FAIL);
    std::uint64_t length = 99;
    EXPECT_EQ(o.reader->GetLengthBytes(&length), S_OK);
    EXPECT_EQ(length, 0u);
}
}  // namespace

TEST(DamagedWave, FilesThatAreNotUsableWaveFilesAreRefused) {
    TempDir dir;
    const std::string fmt = RiffChunk("fmt ", FmtChunkBody(kStereo16));
    const std::string data = RiffChunk("data", std::string(16, 1));
    std::string blockAlignZero = MakeWav(kStereo16, Silence(8));
    StoreLe16(blockAlignZero, kBlockAlignAt, 0);
    std::string otherForm = MakeWav(kStereo16, Silence(8));
    otherForm.replace(8, 4, "AVI ");

    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty", ""},
        {"three_bytes", "RIF"},
        {"riff_header_only", "RIFF\x04\0\0\0WAVE"},
        {"cut_in_fmt_header", std::string("RIFF\x20\0\0\0WAVEfmt ", 16)},
        {"no_fmt", RiffWave(data)},
        {"no_data", RiffWave(fmt)},
        {"data_before_fmt", RiffWave(data + fmt)},
        {"fmt_inside_list", RiffWave(RiffChunk("LIST", "INFO" + fmt) + data)},
        {"fmt_size_past_end",
         RiffWave(RiffChunkWithSize("fmt ", 0x7FFFFFF0u, FmtChunkBody(kStereo16)) + data)},
        {"block_align_zero", blockAlignZero},
        {"other_form", otherForm},
        {"not_riff", std::string(200, '\xFF')},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        ExpectRefused(OpenBytes(dir, name + ".wav", bytes));
    }
    SCOPED_TRACE("missing file");
    ExpectRefused(OpenWave(dir.W("missing.wav")));
    ComPtr<IPcmReader> reader(new CWaveReader);
    EXPECT_EQ(reader->Open(nullptr, 1), E_FAIL);
}

TEST(DamagedWave, DataSizeBeyondTheFileIsCutToTheBytesPresent) {
    TempDir dir;
    for (const std::uint16_t bits : {8, 16}) {
        SCOPED_TRACE(bits);
        const WavLayout layout{2, 22050, bits, false, false};
        const std::string whole = MakeWav(layout, Replicate(Sine(1000.0, 22050, 30000, 0.8f), 2));
        const std::string declared = whole.substr(kPlainHeaderBytes);
        // Cut in the middle of a frame, as a broken transfer does.
        const std::size_t kept = declared.size() / 3 + 1;
        Opened o = OpenBytes(dir, "cut.wav", whole.substr(0, kPlainHeaderBytes + kept));
        ASSERT_EQ(o.hr, S_OK);

        std::uint64_t length = 0, frames = 0;
        o.reader->GetLengthBytes(&length);
        o.reader->GetLengthFrames(&frames);
        EXPECT_EQ(length, kept);
        EXPECT_EQ(frames, kept / (bits / 8 * 2));
        EXPECT_TRUE(ReadAll(o.reader.Get()) == declared.substr(0, kept));
    }
    // A 108-byte file whose data chunk claims almost 4 GiB holds 64 bytes of data, not hours.
    std::string liar = MakeWav(kStereo16, Silence(32));
    StoreLe32(liar, kDataSizeAt, 0xFFFFFFF0u);
    ASSERT_EQ(liar.size(), 108u);
    Opened o = OpenBytes(dir, "liar.wav", liar);
    ASSERT_EQ(o.hr, S_OK);
    std::uint64_t length = 0;
    o.reader->GetLengthBytes(&length);
    EXPECT_EQ(length, 64u);
}

TEST(DamagedWave, RiffSizeIsNotTrusted) {
    TempDir dir;
    const std::vector<float> samples = Replicate(Sine(1000.0, 44100, 5000), 2);
    const std::string expected = EncodeSamples(samples, kStereo16);
    // Sizes that end before the data, lie past the end of the file, or say nothing.
    for (const std::uint32_t riffSize : {4u, 36u, 0u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(riffSize);
        std::string bytes = MakeWav(kStereo16, samples);
        StoreLe32(bytes, kRiffSizeAt, riffSize);
        Opened o = OpenBytes(dir, "riff.wav", bytes);
        ASSERT_EQ(o.hr, S_OK);
        EXPECT_TRUE(ReadAll(o.reader.Get()) == expected);
    }
}

TEST(DamagedWave, ZeroLengthDataDeliversOnlySilence) {
    TempDir dir;
    Opened o = OpenBytes(dir, "empty_data.wav",
                         RiffWave(RiffChunk("fmt ", FmtChunkBody(kStereo16)) +
                                  RiffChunk("data", "") + InfoListChunk("Only metadata here")));
    ASSERT_EQ(o.hr, S_OK);
    std::uint64_t bytes = 1, frames = 1;
    EXPECT_EQ(o.reader->GetLengthBytes(&bytes), S_OK);
    EXPECT_EQ(o.reader->GetLengthFrames(&frames), S_OK);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(frames, 0u);
    EXPECT_EQ(ReadAt(o.reader.Get(), 0, 64), std::string(64, '\0'));
}

TEST(DamagedWave, LongFmtChunkKeepsFortyBytesAndTheDataAfterIt) {
    TempDir dir;
    std::string fmt = FmtChunkBody(WavLayout{2, 44100, 24, false, true});
    const std::string stored = fmt;
    fmt += std::string(11, '\x7E');  // 51 bytes: odd, with a pad byte after it
    const std::string data =
        EncodeSamples(Replicate(Sine(1000.0, 44100, 301), 2), WavLayout{2, 44100, 24, false, true});
    Opened o =
        OpenBytes(dir, "longfmt.wav", RiffWave(RiffChunk("fmt ", fmt) + RiffChunk("data", data)));
    ASSERT_EQ(o.hr, S_OK);
    WAVEFORMATEXTENSIBLE whole{};
    whole.Format.cbSize = kExtensibleExtraSize;
    ASSERT_EQ(o.reader->GetFormat(&whole.Format, nullptr), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&whole), sizeof whole), stored);
    EXPECT_TRUE(ReadAll(o.reader.Get()) == data);
}

TEST(DamagedWave, StreamedFilesOfUnknownLengthReadToTheEndOfTheFile) {
    TempDir dir;
    // Written to a pipe, both tools leave placeholder sizes: FFmpeg 0xFFFFFFFF, SoX 0x7FFFF000.
    const std::string ffmpeg =
        "ffmpeg -v error -f lavfi -i sine=frequency=1000:sample_rate=44100:duration=0.5 -ac 2 "
        "-c:a pcm_s16le -f wav pipe:1 > '" +
        dir.Str("ff_pipe.wav") + "'";
    const std::string sox =
        "sox -V1 -n -r 44100 -c 2 -b 16 -t wav - synth 0.5 sine 1000 vol 0.5 > '" +
        dir.Str("sox_pipe.wav") + "'";
    ASSERT_EQ(RunCommand(ffmpeg), 0);
    ASSERT_EQ(RunCommand(sox), 0);
    for (const std::string name : {"ff_pipe.wav", "sox_pipe.wav"}) {
        SCOPED_TRACE(name);
        Opened o = OpenWave(dir.W(name));
        ASSERT_EQ(o.hr, S_OK);
        std::uint64_t frames = 0;
        o.reader->GetLengthFrames(&frames);
        EXPECT_EQ(frames, 22050u);
        EXPECT_TRUE(ReadAll(o.reader.Get()) == RawByFfmpeg(dir.Str(name), "s16le"));
    }
}
