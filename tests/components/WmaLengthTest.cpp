// The analysis length of Windows Media files: whether told from the packets or counted, it is the
// number of frames the decoder delivers, before the first read and after the last. Files made by
// ffmpeg across the rates, widths, versions and bit rates, lengths that are no whole number of
// frames, a header swollen by cover art, blocks damaged inside intact packets, and cut files.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "audio/ComponentIds.h"
#include "tests/components/ComponentFixtures.h"
#include "tests/support/WmaDamage.h"

namespace {

struct LengthCase {
    std::uint32_t rate;
    std::uint16_t channels;
    const char* codec;
    const char* bitRate;  // ffmpeg's -b:a
    double seconds;
};

// The three frame lengths (512, 1024, 2048) of both versions, the 32 kHz rate where v1 and v2
// differ, files shorter than a few frames, and lengths that end inside a frame.
constexpr LengthCase kLengthCases[] = {
    {8000, 1, "wmav1", "32k", 0.1},    {11025, 2, "wmav2", "32k", 2.37},
    {16000, 1, "wmav2", "24k", 5.01},  {22050, 2, "wmav1", "48k", 3.3},
    {32000, 1, "wmav1", "48k", 1.0},   {32000, 2, "wmav2", "64k", 7.77},
    {44100, 2, "wmav1", "128k", 4.2},  {44100, 1, "wmav2", "64k", 0.37},
    {48000, 2, "wmav2", "192k", 0.5},  {48000, 1, "wmav2", "96k", 3.0},
};

// The length announced at open, the samples a whole read in the build's requests delivered, and
// the length reported after that read.
struct MeasuredRead {
    std::uint64_t announced = 0;
    std::size_t samples = 0;
    std::uint64_t afterRead = 0;
    std::vector<float> decoded;
};

MeasuredRead OpenAndRead(CLocalCoCreate& loader, const std::string& path) {
    MeasuredRead m;
    ComPtr<IPcmReader> reader = OpenDecoder(loader, CLSID_WmaDecoder, path);
    if (!reader) return m;
    EXPECT_EQ(reader->GetLengthFrames(&m.announced), S_OK);
    m.decoded = ReadSamples(reader.Get());
    m.samples = m.decoded.size();
    EXPECT_EQ(reader->GetLengthFrames(&m.afterRead), S_OK);
    return m;
}

class WmaLength : public ::testing::Test {
protected:
    std::string Encode(const std::string& name, const LengthCase& c) {
        return EncodeWma(dir_, name, MakeTestSignal(c.rate, c.channels, c.seconds), c.codec,
                         std::string("-b:a ") + c.bitRate);
    }

    TempDir dir_;
    CLocalCoCreate loader_;
};

TEST_F(WmaLength, AnnouncedLengthIsWhatTheDecoderDelivers) {
    int index = 0;
    for (const LengthCase& c : kLengthCases) {
        SCOPED_TRACE(std::string(c.codec) + " " + std::to_string(c.rate) + " Hz, " +
                     std::to_string(c.channels) + " ch, " + c.bitRate + ", " +
                     std::to_string(c.seconds) + " s");
        const std::string path = Encode("case" + std::to_string(index++), c);
        const MeasuredRead m = OpenAndRead(loader_, path);
        ASSERT_GT(m.announced, 0u);
        EXPECT_EQ(m.announced, FramesDecodedByFfmpeg(path, c.channels));
        EXPECT_EQ(m.samples, m.announced * c.channels);
        EXPECT_EQ(m.afterRead, m.announced) << "the read found another length";
    }
}

TEST_F(WmaLength, CoverArtInTheHeaderChangesNothing) {
    const LengthCase c{44100, 2, "wmav2", "128k", 2.2};
    const std::string plain = Encode("plain", c);
    const std::string art = dir_.Str("art.wma");
    std::filesystem::copy_file(plain, art);
    // 300 KB of picture data: more than one header attribute can hold in its 16-bit size, so it
    // lands in the header extension's metadata library.
    ASSERT_EQ(RunCommand("/usr/bin/python3 -c \"import mutagen.asf as a; f = a.ASF('" + art +
                         "'); f['WM/Picture'] = [a.ASFByteArrayAttribute(bytes(range(256)) * "
                         "1200)]; f['Title'] = ['Cover']; f.save()\""),
              0);
    ASSERT_GT(std::filesystem::file_size(art), std::filesystem::file_size(plain) + 300000);

    const MeasuredRead withArt = OpenAndRead(loader_, art);
    const MeasuredRead without = OpenAndRead(loader_, plain);
    ASSERT_GT(without.announced, 0u);
    EXPECT_EQ(withArt.announced, without.announced);
    EXPECT_EQ(withArt.afterRead, withArt.announced);
    EXPECT_EQ(withArt.decoded, without.decoded);
}

// Damaged blocks decode to nothing, which the packets cannot show: the read that reaches the end
// corrects the length, once, to what was delivered, and a second read holds the same samples.
TEST_F(WmaLength, DamagedBlocksCorrectTheLengthOnTheFirstWholeRead) {
    const LengthCase c{44100, 2, "wmav2", "128k", 4.0};
    const std::string path = Encode("damaged", c);
    const std::uint64_t intact = FramesDecodedByFfmpeg(path, c.channels);
    for (const std::size_t block : {10u, 11u, 40u}) ASSERT_TRUE(ZeroWmaBlock(path, block));
    const std::uint64_t delivered = FramesDecodedByFfmpeg(path, c.channels);
    ASSERT_LT(delivered, intact) << "the damage should leave blocks the decoder cannot read";

    ComPtr<IPcmReader> reader = OpenDecoder(loader_, CLSID_WmaDecoder, path);
    ASSERT_TRUE(reader);
    std::uint64_t announced = 0, corrected = 0;
    ASSERT_EQ(reader->GetLengthFrames(&announced), S_OK);
    EXPECT_EQ(announced, intact) << "told from the packets, which are all there";
    const std::vector<float> first = ReadSamples(reader.Get());
    ASSERT_EQ(reader->GetLengthFrames(&corrected), S_OK);
    EXPECT_EQ(corrected, delivered);
    std::uint64_t bytes = 0;
    ASSERT_EQ(reader->GetLengthBytes(&bytes), S_OK);
    EXPECT_EQ(bytes, corrected * 4 * c.channels);

    // The first read delivered the decoded frames and silence after them; a read with the
    // corrected length delivers exactly the decoded ones.
    const std::vector<float> second = ReadSamples(reader.Get());
    ASSERT_EQ(second.size(), delivered * c.channels);
    EXPECT_TRUE(std::equal(second.begin(), second.end(), first.begin()));
    for (std::size_t i = second.size(); i < first.size(); ++i) ASSERT_EQ(first[i], 0.0f) << i;

    // Mixing to mono keeps the corrected length.
    ComPtr<IPcmMonoMix> mono;
    ASSERT_EQ(reader->QueryInterface(IID_IPcmMonoMix, mono.OutVoid()), S_OK);
    ASSERT_EQ(mono->MixToMono(), S_OK);
    std::uint64_t monoFrames = 0;
    ASSERT_EQ(reader->GetLengthFrames(&monoFrames), S_OK);
    EXPECT_EQ(monoFrames, delivered);
    EXPECT_EQ(ReadSamples(reader.Get()).size(), delivered);
}

// A cut file ends on a partial packet, which the decoder rejects: the length is the decoded
// frames however it was measured.
TEST_F(WmaLength, CutFilesAreMeasuredAsTheyDecode) {
    const LengthCase c{22050, 1, "wmav2", "48k", 3.0};
    const std::string whole = ReadFileBytes(Encode("whole", c));
    for (const double keep : {0.31, 0.5, 0.77, 0.999}) {
        SCOPED_TRACE(keep);
        const std::string path = dir_.Str("cut.wma");
        WriteFileBytes(path, whole.substr(0, static_cast<std::size_t>(whole.size() * keep)));
        const MeasuredRead m = OpenAndRead(loader_, path);
        ASSERT_GT(m.announced, 0u);
        EXPECT_EQ(m.afterRead, FramesDecodedByFfmpeg(path, c.channels));
        EXPECT_EQ(m.samples, m.announced * c.channels);
    }
}

}  // namespace
