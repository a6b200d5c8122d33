// Damaged and foreign files given to both decoder components: opening either fails or yields a
// stream that reads to its end; nothing crashes (the suite runs under the sanitizers).

#include <gtest/gtest.h>

#include <cstring>

#include "audio/ComponentIds.h"
#include "tests/components/ComponentFixtures.h"

namespace {

constexpr double kSeconds = 4.0;
// LAME's encoder delay plus the decoder's: 576 + 529 frames.
constexpr std::size_t kMaxEncoderDelayFrames = 1105;

struct Damage {
    const char* name;
    // Turns the intact file into the damaged one.
    std::string (*apply)(const std::string& intact);
};

const Damage kDamages[] = {
    {"empty", [](const std::string&) { return std::string(); }},
    {"first100Bytes", [](const std::string& f) { return f.substr(0, 100); }},
    {"firstThird", [](const std::string& f) { return f.substr(0, f.size() / 3); }},
    {"randomBytes", [](const std::string&) { return PseudoRandomBytes(64 * 1024, 11); }},
    {"noiseInTheMiddle",
     [](const std::string& f) {
         std::string d = f;
         const std::string noise = PseudoRandomBytes(4096, 5);
         d.replace(d.size() / 2, noise.size(), noise);
         return d;
     }},
    {"headerZeroed",
     [](const std::string& f) {
         std::string d = f;
         std::memset(d.data(), 0, std::min<std::size_t>(d.size(), 512));
         return d;
     }},
};

// Opens `path`; when that succeeds, reads the whole announced stream in the driver's requests.
void OpenAndReadThrough(CLocalCoCreate& loader, REFCLSID clsid, const std::string& path) {
    for (std::int32_t mode : {1, 0}) {
        ComPtr<IPcmReader> reader = OpenDecoder(loader, clsid, path, mode);
        if (!reader) continue;
        std::uint64_t frames = 0;
        std::uint32_t rate = 0;
        ASSERT_EQ(reader->GetLengthFrames(&frames), S_OK);
        ASSERT_EQ(reader->GetSampleRate(&rate), S_OK);
        // A damaged file may announce a wrong length; read at most a minute of it.
        const std::uint64_t limit = std::min<std::uint64_t>(frames, 60ull * rate);
        WAVEFORMATEX format{};
        ASSERT_EQ(reader->GetFormat(&format, nullptr), S_OK);
        std::vector<std::uint8_t> chunk(24 * 1024);
        for (std::uint64_t at = 0; at < limit * format.nBlockAlign; at += chunk.size())
            reader->Read(chunk.data(), at, static_cast<std::uint32_t>(chunk.size()));
        EXPECT_EQ(reader->Close(), S_OK);
    }
}

class DamagedFiles : public ::testing::Test {
protected:
    void CheckEveryDamage(REFCLSID clsid, const std::string& intact, const char* extension) {
        const std::string bytes = ReadFileBytes(intact);
        ASSERT_FALSE(bytes.empty());
        for (const Damage& damage : kDamages) {
            SCOPED_TRACE(damage.name);
            const std::string path = dir_.Str(std::string(damage.name) + extension);
            WriteFileBytes(path, damage.apply(bytes));
            OpenAndReadThrough(loader_, clsid, path);
        }
    }

    TempDir dir_;
    CLocalCoCreate loader_;
    PcmSignal source_ = MakeTestSignal(44100, 2, kSeconds);
};

TEST_F(DamagedFiles, Mp3) {
    CheckEveryDamage(CLSID_Mp3Decoder, EncodeMp3(dir_, "intact", source_, "-b 128"), ".mp3");
}

TEST_F(DamagedFiles, Wma) {
    CheckEveryDamage(CLSID_WmaDecoder, EncodeWma(dir_, "intact", source_, "wmav2"), ".wma");
}

TEST_F(DamagedFiles, Mp3WithDamagedFramesKeepsTheRest) {
    const std::string intact = EncodeMp3(dir_, "intact", source_, "-b 128");
    std::string bytes = ReadFileBytes(intact);
    // Four frames' worth of noise three quarters into the file.
    const std::string noise = PseudoRandomBytes(1600, 3);
    bytes.replace(bytes.size() * 3 / 4, noise.size(), noise);
    const std::string damaged = dir_.Str("damaged.mp3");
    WriteFileBytes(damaged, bytes);

    ComPtr<IPcmReader> good = OpenDecoder(loader_, CLSID_Mp3Decoder, intact);
    ComPtr<IPcmReader> bad = OpenDecoder(loader_, CLSID_Mp3Decoder, damaged);
    ASSERT_TRUE(good && bad);
    std::uint64_t goodFrames = 0, badFrames = 0;
    good->GetLengthFrames(&goodFrames);
    bad->GetLengthFrames(&badFrames);
    // Only the damaged frames are lost (the length may keep the encoder delay, see below).
    EXPECT_NEAR(static_cast<double>(badFrames), static_cast<double>(goodFrames), 44100 / 10);
    // The audio before the damage is decoded exactly as from the intact file. With the frame
    // count no longer matching the LAME header, the delay at the start may stay in the stream.
    const std::vector<float> a = ReadSamples(good.Get()), b = ReadSamples(bad.Get());
    const std::size_t intactPart = 2 * 44100 * 2;
    bool found = false;
    for (std::size_t lag = 0; lag <= 2 * kMaxEncoderDelayFrames && !found; lag += 2)
        found = b.size() >= lag + intactPart &&
                std::equal(a.begin(), a.begin() + intactPart, b.begin() + static_cast<long>(lag));
    EXPECT_TRUE(found);
}

TEST_F(DamagedFiles, WrongContainerForEitherComponent) {
    // Each component refuses the other's format instead of decoding it as noise.
    const std::string mp3 = EncodeMp3(dir_, "real", source_, "-b 128");
    const std::string wma = EncodeWma(dir_, "real", source_, "wmav2");
    const std::string mp3NamedWma = dir_.Str("mp3.wma");
    WriteFileBytes(mp3NamedWma, ReadFileBytes(mp3));
    EXPECT_FALSE(OpenDecoder(loader_, CLSID_WmaDecoder, mp3NamedWma));
    EXPECT_FALSE(OpenDecoder(loader_, CLSID_WmaDecoder, dir_.Str("real.wav")));
}

}  // namespace
