// Saving tags: the exact bytes of a new tag, in-place and rewrite saves that leave everything
// after the old tag untouched, and the cases where nothing may be written.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tags/Id3Tag.h"
#include "tests/support/TempDir.h"
#include "tests/tags/TagTestFiles.h"

namespace {
const std::string kTail = Mp3Audio() + Id3v1Block("v1 title", "v1 artist", "", "1999", 17);

// A text frame body as this system writes it: encoding 1, FF FE, UTF-16LE, 00 00.
std::string Written(const std::u16string& text) { return Utf16Body(text) + std::string(2, '\0'); }

struct SaveFile {
    explicit SaveFile(const std::string& bytes, const std::string& fileName = "t.mp3")
        : name(fileName), path(dir.W(fileName)) {
        WriteFileBytes(dir.Str(fileName), bytes);
    }
    std::string Bytes() const { return ReadFileBytes(dir.Str(name)); }
    HRESULT Save(std::initializer_list<std::pair<const char*, std::u16string>> texts) {
        EXPECT_NE(tag.ReadTag(path), E_FAIL);
        for (const auto& [id, text] : texts) tag.SetFrameText(id, text);
        return tag.SaveTag(result);
    }
    TempDir dir;
    std::string name;
    WString path;
    CID3Tag tag;
    ID3_SAVE_RESULT result;
};
}  // namespace

TEST(Id3Save, GivesAnUntaggedFileAVersion23TagWithPadding) {
    SaveFile f(kTail);
    ASSERT_EQ(f.Save({{"TIT2", u"Song"}, {"TPE1", u"Band"}, {"TBPM", u"128.00"}}), S_OK);
    EXPECT_TRUE(f.result.rewritten);
    const std::string frames = V23Frame("TIT2", Written(u"Song")) +
                               V23Frame("TPE1", Written(u"Band")) +
                               V23Frame("TBPM", Written(u"128.00"));
    ASSERT_EQ(frames.size(), 73u);  // 23 + 23 + 27
    EXPECT_EQ(f.Bytes(), Id3v2Tag(3, 0, frames, 4096) + kTail);
    EXPECT_FALSE(std::filesystem::exists(f.dir.Str("t.MP~")));
    EXPECT_EQ(MutagenVersion(f.dir.Str("t.mp3")), "2.3.0");
    EXPECT_EQ(FfprobeTag(f.dir.Str("t.mp3"), "title"), "Song");
}

TEST(Id3Save, WritesInPlaceWhenTheFramesFitAndTwiceWritesNothing) {
    const std::string frames = V23Frame("TIT2", Latin1Body("Old")) +
                               V23Frame("TBPM", Latin1Body("120")) +
                               V23Frame("PRIV", std::string("owner\0\x01\x02", 8));
    const std::string old = Id3v2Tag(3, 0, frames, 200);
    SaveFile f(old + kTail);
    ASSERT_EQ(f.Save({{"TIT2", u"New"}, {"TBPM", u"128.00"}}), S_OK);
    EXPECT_FALSE(f.result.rewritten);
    const std::string after = f.Bytes();
    ASSERT_EQ(after.size(), old.size() + kTail.size());
    EXPECT_EQ(after.substr(old.size()), kTail);
    const std::string expected = V23Frame("TIT2", Written(u"New")) +
                                 V23Frame("TBPM", Written(u"128.00")) +
                                 V23Frame("PRIV", std::string("owner\0\x01\x02", 8));
    EXPECT_EQ(after.substr(0, old.size()),
              Id3v2Tag(3, 0, expected, old.size() - 10 - expected.size()));

    const auto stamp = std::filesystem::last_write_time(f.dir.Str("t.mp3"));
    CID3Tag again;
    ASSERT_EQ(again.ReadTag(f.path), S_OK);
    EXPECT_EQ(again.SetFrameText("TIT2", u"New"), S_FALSE);
    EXPECT_EQ(again.SetFrameText("TBPM", u"128.00"), S_FALSE);
    EXPECT_EQ(again.SetFrameText("TPE1", u""), S_FALSE);
    ID3_SAVE_RESULT result;
    EXPECT_EQ(again.SaveTag(result), S_FALSE);
    EXPECT_EQ(f.Bytes(), after);
    EXPECT_EQ(std::filesystem::last_write_time(f.dir.Str("t.mp3")), stamp);
}

TEST(Id3Save, KeepsFramesMarkedForDiscardAndDeclaresWhatItWrites) {
    // A tag write does not alter the audio, so "discard when the file is altered" frames stay.
    const std::string frames = V23Frame("TIT2", Latin1Body("T")) +
                               V23Frame("TLEN", Latin1Body("1000"), kStatusFileAlterDiscard) +
                               V23Frame("TENC", Latin1Body("enc"), kStatusFileAlterDiscard) +
                               V23Frame("TXXX", std::string("\0kept\0v", 7), kStatusReadOnly);
    SaveFile f(Id3v2Tag(3, 0, frames) + kTail);
    ASSERT_EQ(f.Save({{"TPE1", u"A much longer artist name than fits"}}), S_OK);
    ASSERT_TRUE(f.result.rewritten);
    CID3Tag back;
    ASSERT_EQ(back.ReadTag(f.path), S_OK);
    ASSERT_EQ(back.Frames().size(), 5u);
    EXPECT_EQ(f.Bytes().substr(10, frames.size()), frames);
    EXPECT_EQ(back.Frames()[3]->StatusFlags(), kStatusReadOnly);
    // The declared size ends exactly where the untouched bytes begin.
    EXPECT_EQ(f.Bytes().substr(back.OnDiskLength()), kTail);
}

TEST(Id3Save, ReplacesAVersion22TagWithItsConvertedFrames) {
    const std::string pic = std::string("\0PNG\x03" "c\0", 7) + "0123456789";
    const std::string frames = V22Frame("TT2", Latin1Body("Old")) +
                               V22Frame("TP1", Latin1Body("Band")) + V22Frame("XYZ", "zz") +
                               V22Frame("PIC", pic);
    SaveFile f(Id3v2Tag(2, 0, frames) + Mp3Audio());
    ASSERT_EQ(f.Save({{"TIT2", u"New"}}), S_OK);
    const std::string file = f.dir.Str("t.mp3");
    EXPECT_EQ(MutagenVersion(file), "2.3.0");
    EXPECT_EQ(MutagenFrames(file),
              "APIC=cover front, c (image/png, 10 bytes)\nTIT2=New\nTPE1=Band\n");
    CID3Tag back;
    ASSERT_EQ(back.ReadTag(f.path), S_OK);
    EXPECT_EQ(f.Bytes().substr(back.OnDiskLength()), Mp3Audio());
}

TEST(Id3Save, RemovesAVersion24FooterWithTheOldTag) {
    const std::string body = V24Frame("TIT2", Latin1Body("Old"));
    const std::string footer = "3DI\x04" + std::string("\0\x10", 2) + Syncsafe32(body.size());
    SaveFile f(Id3v2Tag(4, 0x10, body) + footer + kTail);
    ASSERT_EQ(f.Save({{"TIT2", u"New"}}), S_OK);
    CID3Tag back;
    ASSERT_EQ(back.ReadTag(f.path), S_OK);
    EXPECT_EQ(f.Bytes().substr(back.OnDiskLength()), kTail);
}

TEST(Id3Save, ALeftoverTemporaryOfAnotherWriterNeitherBlocksNorIsTouched) {
    SaveFile leftover(Id3v2Tag(3, 0, V23Frame("TIT2", Latin1Body("x"))) + kTail);
    WriteFileBytes(leftover.dir.Str("t.MP~"), "an earlier copy");
    ASSERT_EQ(leftover.Save({{"TIT2", u"A title too long for the old tag"}}), S_OK);
    EXPECT_TRUE(leftover.result.rewritten);
    EXPECT_EQ(ReadFileBytes(leftover.dir.Str("t.MP~")), "an earlier copy");
    // A file without an extension is rewritten too.
    SaveFile bare(kTail, "track");
    EXPECT_EQ(bare.Save({{"TIT2", u"y"}}), S_OK);
    CID3Tag back;
    ASSERT_EQ(back.ReadTag(bare.path), S_OK);
    EXPECT_TRUE(bare.Bytes().substr(back.OnDiskLength()) == kTail);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bare.dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(Id3SaveRefused, LeavesEveryFileAsItWas) {

    // A tag that claims more bytes than the file has would swallow the audio.
    const std::string truncated =
        std::string("ID3\x03\0\0", 6) + Syncsafe32(5000) + V23Frame("TIT2", Latin1Body("x"));
    SaveFile past(truncated + Mp3Audio().substr(0, 1000));
    EXPECT_EQ(past.Save({{"TIT2", u"y"}}), E_FAIL);
    EXPECT_EQ(past.Bytes(), truncated + Mp3Audio().substr(0, 1000));
    EXPECT_EQ(past.result.outcome, TagWriteOutcome::DamagedTag);
}

TEST(Id3Save, RewriteKeepsThePermissionsOfTheTrackFile) {
    SaveFile f(kTail);
    ASSERT_EQ(chmod(f.dir.Str("t.mp3").c_str(), 0640), 0);
    ASSERT_EQ(f.Save({{"TIT2", u"Song"}}), S_OK);
    ASSERT_TRUE(f.result.rewritten);
    struct stat st {};
    ASSERT_EQ(stat(f.dir.Str("t.mp3").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}
