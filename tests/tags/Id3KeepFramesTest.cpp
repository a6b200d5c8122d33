// Tags as older and careless writers leave them: every frame they hold survives a save, checked
// byte for byte and with mutagen; a tag whose bytes cannot all be accounted for is not saved.

#include <gtest/gtest.h>

#include <string>

#include "tags/Id3Tag.h"
#include "tests/support/TempDir.h"
#include "tests/tags/TagTestFiles.h"

namespace {
// A v2.4 frame whose size is written the v2.3 way (plain big-endian), as older taggers do.
std::string PlainSizedV24Frame(const std::string& id, const std::string& body) {
    return V23Frame(id, body);
}

std::string Picture(std::size_t dataSize) {
    std::string data(dataSize, '\0');
    for (std::size_t i = 0; i < dataSize; ++i) data[i] = static_cast<char>((i * 7 + 3) % 251);
    return std::string("\0image/jpeg\0\x03\0", 14) + data;
}

struct Saved {
    explicit Saved(const std::string& tagBytes) : original(tagBytes + Mp3Audio()) {
        WriteFileBytes(dir.Str("t.mp3"), original);
    }
    HRESULT Save(const std::u16string& title) {
        EXPECT_EQ(tag.ReadTag(dir.W("t.mp3")), S_OK);
        tag.SetFrameText("TIT2", title);
        return tag.SaveTag(result);
    }
    std::string File() const { return dir.Str("t.mp3"); }
    std::string Bytes() const { return ReadFileBytes(File()); }
    // The bytes after the saved tag.
    std::string Audio() const {
        CID3Tag back;
        if (back.ReadTag(dir.W("t.mp3")) != S_OK) return {};
        return Bytes().substr(back.OnDiskLength());
    }
    TempDir dir;
    std::string original;
    CID3Tag tag;
    ID3_SAVE_RESULT result;
};
}  // namespace

TEST(Id3KeepFrames, Version24TagsWithPlainFrameSizes) {
    // 20000 = 0x4E20 has no byte above 0x7F: read as syncsafe it would be 10016.
    const std::string frames = PlainSizedV24Frame("TIT2", Latin1Body("Old")) +
                               PlainSizedV24Frame("APIC", Picture(20000 - 14)) +
                               PlainSizedV24Frame("TPE1", Latin1Body("Band")) +
                               PlainSizedV24Frame("COMM", std::string("\0eng\0Nice", 9));
    Saved f(Id3v2Tag(4, 0, frames, 100));
    ASSERT_EQ(f.Save(u"New"), S_OK);
    EXPECT_EQ(MutagenFrames(f.File()),
              "APIC=cover front,  (image/jpeg, 19986 bytes)\nCOMM==eng=Nice\nTIT2=New\nTPE1=Band\n");
    EXPECT_TRUE(f.Audio() == Mp3Audio());

    // 36061 = 0x8CDD: a byte above 0x7F, and five frames after the picture.
    std::string many = PlainSizedV24Frame("APIC", Picture(36061 - 14));
    for (const char* id : {"TALB", "TPE1", "TCON", "TRCK", "TCOM"})
        many += PlainSizedV24Frame(id, Latin1Body(id));
    Saved g(Id3v2Tag(4, 0, many, 10));
    ASSERT_EQ(g.Save(u"Title"), S_OK);
    EXPECT_EQ(MutagenFrames(g.File()),
              "APIC=cover front,  (image/jpeg, 36047 bytes)\nTALB=TALB\nTCOM=TCOM\nTCON=TCON\n"
              "TIT2=Title\nTPE1=TPE1\nTRCK=TRCK\n");
    EXPECT_TRUE(g.Audio() == Mp3Audio());
}

TEST(Id3KeepFrames, ExtendedHeaderFlagWithoutAnExtendedHeader) {
    std::string frames;
    for (const char* id : {"TIT2", "TPE1", "TALB", "TCON", "TRCK", "TYER", "TCOM", "TENC"})
        frames += V23Frame(id, Latin1Body(std::string(id) + " text"));
    Saved f(Id3v2Tag(3, 0x40, frames, 50));
    ASSERT_EQ(f.Save(u"TIT2 text"), S_FALSE);  // already the title: nothing to write
    ASSERT_EQ(f.tag.Frames().size(), 8u);
    ASSERT_EQ(f.Save(u"New"), S_OK);
    // The frames that were not changed are written back byte for byte, in their order.
    const std::size_t oldTitle = 10 + 1 + 9, newTitle = 10 + 11;
    EXPECT_EQ(f.Bytes().substr(10 + newTitle, frames.size() - oldTitle), frames.substr(oldTitle));
}

TEST(Id3KeepFrames, AnEmptyFrameInTheMiddleEndsNothing) {
    const std::string frames = V23Frame("TIT2", Latin1Body("Old")) + V23Frame("TENC", "") +
                               V23Frame("WOAR", "") + V23Frame("TPE1", Latin1Body("Band")) +
                               V23Frame("TBPM", Latin1Body("120"));
    Saved f(Id3v2Tag(3, 0, frames, 20));
    ASSERT_EQ(f.Save(u"A new and longer title"), S_OK);
    EXPECT_EQ(MutagenFrames(f.File()), "TBPM=120\nTIT2=A new and longer title\nTPE1=Band\n");
}

TEST(Id3KeepFrames, ATagNotFullyAccountedForIsNotSaved) {
    const std::string good = V23Frame("TIT2", Latin1Body("Old"));
    for (const std::string& damaged : {
             // Bytes after the frames that are not padding.
             Id3v2Tag(3, 0, good + std::string("\0\0\0\0stray", 9)),
             // A frame that runs past the tag.
             Id3v2Tag(3, 0, good + "TPE1" + BigEndian32(400) + std::string(2, '\0') + "x"),
             // A frame ID that is not one.
             Id3v2Tag(3, 0, good + "t\x01pe" + BigEndian32(1) + std::string(2, '\0') + "x"),
             // An extended header that runs past the tag.
             Id3v2Tag(3, 0x40, BigEndian32(5000) + good),
             // A v2.4 UTF-8 comment whose language is cut off.
             Id3v2Tag(4, 0, good + V24Frame("COMM", "\x03" "en")),
         }) {
        Saved f(damaged);
        EXPECT_EQ(f.Save(u"A title longer than the old one"), E_FAIL);
        EXPECT_EQ(f.result.outcome, TagWriteOutcome::DamagedTag);
        EXPECT_TRUE(f.Bytes() == f.original);
    }
}
