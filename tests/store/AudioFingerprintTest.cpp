// The fingerprint recognises the same audio whatever tags surround it, and tells changed audio
// apart.

#include <gtest/gtest.h>

#include <string>

#include "store/AudioFingerprint.h"
#include "tests/support/TempDir.h"

namespace {

// Bytes that look like nothing in particular: a different value at every offset.
std::string Noise(size_t size, unsigned seed) {
    std::string out(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (char& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return out;
}

std::string Le32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

std::string Chunk(const std::string& id, const std::string& body) {
    std::string c = id + Le32(static_cast<std::uint32_t>(body.size())) + body;
    if (body.size() & 1) c += '\0';
    return c;
}

std::string Wave(const std::string& data, const std::string& extraChunks) {
    const std::string fmt = Chunk("fmt ", std::string("\x01\x00\x02\x00\x44\xAC\x00\x00"
                                                      "\x10\xB1\x02\x00\x04\x00\x10\x00", 16));
    const std::string body = "WAVE" + fmt + extraChunks + Chunk("data", data);
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

// An ID3v2.3 tag with `body` bytes of frames and padding.
std::string Id3v2(size_t body) {
    std::string tag = "ID3\x03";
    tag += '\0';
    tag += '\0';
    for (int shift = 21; shift >= 0; shift -= 7) tag += static_cast<char>((body >> shift) & 0x7F);
    return tag + Noise(body, 99);
}

std::string Id3v1(const std::string& title) {
    std::string tag = "TAG" + title;
    tag.resize(128, '\0');
    return tag;
}

class Fingerprint : public ::testing::Test {
protected:
    AudioFingerprint Of(const std::string& name, const std::string& bytes) {
        WriteFileBytes(dir.Path() / name, bytes);
        AudioFingerprint fp;
        EXPECT_TRUE(ComputeAudioFingerprint(dir.W(name), fp)) << name;
        return fp;
    }
    TempDir dir;
};

}  // namespace

TEST_F(Fingerprint, Mp3TagsAtEitherEndAreLeftOut) {
    const std::string audio = Noise(400 * 1024, 1);
    const AudioFingerprint bare = Of("a.mp3", audio);
    EXPECT_EQ(bare.payloadSize, audio.size());
    EXPECT_EQ(Of("b.mp3", Id3v2(3000) + audio), bare);
    EXPECT_EQ(Of("c.mp3", Id3v2(50) + Id3v2(700) + audio + Id3v1("Title")), bare);
    // An APE tag without header: 64 bytes of items, then the footer; its size counts both.
    std::string ape = "APETAGEX" + Le32(2000) + Le32(64 + 32) + Le32(1) + Le32(0) +
                      std::string(8, '\0');
    EXPECT_EQ(Of("d.mp3", audio + Noise(64, 3) + ape + Id3v1("x")), bare);
    // The content decides, not the name: an MP3 stream named .wav is still read as one.
    EXPECT_EQ(Of("e.wav", Id3v2(3000) + audio), bare);
}

TEST_F(Fingerprint, AChangedSampleInAnyHashedPieceChangesIt) {
    const std::string audio = Noise(400 * 1024, 1);
    const AudioFingerprint bare = Of("a.mp3", audio);
    for (size_t at : {size_t{0}, audio.size() / 2, audio.size() - 1}) {
        std::string changed = audio;
        changed[at] = static_cast<char>(changed[at] ^ 1);
        EXPECT_NE(Of("changed.mp3", Id3v2(100) + changed), bare) << at;
    }
    // Longer or shorter audio is other audio, even when the pieces match.
    EXPECT_NE(Of("longer.mp3", audio + audio.substr(0, 4)), bare);
}

TEST_F(Fingerprint, ShortAudioIsHashedWhole) {
    const std::string audio = Noise(100 * 1024, 5);
    std::string changed = audio;
    changed[70 * 1024] ^= 0x10;  // beyond the first 64 KiB, inside the last
    EXPECT_NE(Of("a.mp3", audio), Of("b.mp3", changed));
    EXPECT_EQ(Of("c.mp3", Id3v2(10)).payloadSize, 0u);  // a tag and no audio
}

TEST_F(Fingerprint, WaveCountsOnlyItsDataChunk) {
    const std::string samples = Noise(300 * 1024 + 1, 7);  // odd: a pad byte follows
    const AudioFingerprint plain = Of("a.wav", Wave(samples, ""));
    EXPECT_EQ(plain.payloadSize, samples.size());
    const std::string info = Chunk("LIST", "INFO" + Chunk("INAM", "A title"));
    EXPECT_EQ(Of("b.wav", Wave(samples, info)), plain);
    EXPECT_EQ(Of("c.wav", Wave(samples, "") + Chunk("id3 ", Id3v2(500))), plain);
    std::string other = samples;
    other[150 * 1024 + 3] ^= 1;  // in the middle piece
    EXPECT_NE(Of("d.wav", Wave(other, info)), plain);
}

TEST_F(Fingerprint, WindowsMediaLeavesOutItsHeaderObject) {
    const std::string guid("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
    auto header = [&](size_t attributes) {
        const std::uint64_t size = 24 + 6 + attributes;
        std::string h = guid;
        for (int i = 0; i < 8; ++i) h += static_cast<char>(size >> (8 * i));
        return h + std::string("\x02\x00\x00\x00\x01\x02", 6) + Noise(attributes, 11);
    };
    const std::string data = Noise(250 * 1024, 13);
    const AudioFingerprint a = Of("a.wma", header(100) + data);
    EXPECT_EQ(a.payloadSize, data.size());
    EXPECT_EQ(Of("b.wma", header(4000) + data), a);
    // Without a header object the whole file counts: here exactly the same payload.
    EXPECT_EQ(Of("c.wma", data), a);
}

TEST_F(Fingerprint, IdentityFollowsTheFileNotItsName) {
    WriteFileBytes(dir.Path() / "a.wav", "x");
    FileIdentity before, after;
    ASSERT_TRUE(ReadFileIdentity(dir.W("a.wav"), before));
    std::filesystem::rename(dir.Path() / "a.wav", dir.Path() / "b.wav");
    ASSERT_TRUE(ReadFileIdentity(dir.W("b.wav"), after));
    EXPECT_EQ(before.inode, after.inode);
    EXPECT_EQ(before.mtimeNs, after.mtimeNs);
    EXPECT_FALSE(ReadFileIdentity(dir.W("a.wav"), after));
    AudioFingerprint fp;
    EXPECT_FALSE(ComputeAudioFingerprint(dir.W("a.wav"), fp));
}
