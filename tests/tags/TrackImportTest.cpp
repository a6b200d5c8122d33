// Tag import into a catalog entry: the order of the tag sources, the ID3v1 and trailer blocks,
// and the title made from the file name.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "audio/ComponentIds.h"
#include "catalog/CatItem.h"
#include "platform/File.h"
#include "tags/TrackPath.h"
#include "tags/TrackTagReader.h"
#include "tests/support/TempDir.h"
#include "tests/tags/TagTestFiles.h"

namespace {
struct Imported {
    explicit Imported(const WString& path) : entry(new CCatItem(3, path)) {}
    ~Imported() { entry->Release(); }
    WString Field(std::int32_t id) const {
        WString text;
        entry->GetFieldText(id, text);
        return text;
    }
    CCatItem* entry;
};

// A trailer block: three length-prefixed strings 7936 bytes before the end, "Zinth" 48 before.
std::string Trailer(const std::string& title, const std::string& album, std::uint16_t artistLength,
                    const std::string& artist) {
    std::string strings;
    for (const std::string* s : {&title, &album}) {
        strings += static_cast<char>(s->size() & 0xFF);
        strings += static_cast<char>(s->size() >> 8);
        strings += *s;
    }
    strings += static_cast<char>(artistLength & 0xFF);
    strings += static_cast<char>(artistLength >> 8);
    strings += artist;
    std::string block = strings + std::string(7936 - 48 - strings.size(), '\0');
    return block + "Zinth" + std::string(43, '\0');
}
}  // namespace

TEST(TrackImport, TakesTheBpmFromId3v2AndTheNamesFromId3v1) {
    TempDir dir;
    const std::string frames = V23Frame("TBPM", Latin1Body("300")) + V23Frame("TIT2", "\x00");
    WriteFileBytes(dir.Str("a.mp3"), Id3v2Tag(3, 0, frames) + Mp3Audio() +
                                         Id3v1Block("Old \xC3\xA9", "Caf\xE9", "Album", "1999", 40));
    Imported i(dir.W("a.mp3"));
    EXPECT_TRUE(ReadTrackTags(*i.entry));
    EXPECT_EQ(i.Field(kFieldBpm), u"250.00");
    EXPECT_EQ(i.Field(kFieldTitle), u"Old \u00E9");  // UTF-8
    EXPECT_EQ(i.Field(kFieldArtist), u"Caf\u00E9");  // not UTF-8: Windows-1252
}

TEST(TrackImport, ReadsId3v1WrittenByTheId3v2Tool) {
    TempDir dir;
    const std::string file = dir.Str("v1.mp3");
    WriteFileBytes(file, Mp3Audio());
    ASSERT_EQ(RunCommand("id3v2 -1 -t 'Only v1' -a 'Some Band' -g 17 " + Quote(file)), 0);
    Imported i(dir.W("v1.mp3"));
    EXPECT_TRUE(ReadTrackTags(*i.entry));
    EXPECT_EQ(i.Field(kFieldTitle), u"Only v1");
    EXPECT_EQ(i.Field(kFieldArtist), u"Some Band");
    EXPECT_EQ(i.Field(kFieldBpm), u"");
}

TEST(TrackImport, ReadsTheTrailerBlockAndStopsAtAnOverlongString) {
    TempDir dir;
    WriteFileBytes(dir.Str("z.mp3"), Mp3Audio() + Trailer("Z title", "Z album", 8, "Z artist"));
    Imported i(dir.W("z.mp3"));
    EXPECT_TRUE(ReadTrackTags(*i.entry));
    EXPECT_EQ(i.Field(kFieldTitle), u"Z title");
    EXPECT_EQ(i.Field(kFieldArtist), u"Z artist");

    // The third length exceeds 256: false, but the title handed over before stays.
    WriteFileBytes(dir.Str("bad.mp3"), Mp3Audio() + Trailer("First", "", 257, "x"));
    Imported bad(dir.W("bad.mp3"));
    CFile file;
    file.Open(dir.W("bad.mp3"), FileMode::Read);
    EXPECT_FALSE(ReadZinthTrailerFields(file, *bad.entry));
    EXPECT_EQ(bad.Field(kFieldTitle), u"First");
}

TEST(TrackImport, MakesTheTitleFromTheFileName) {
    TempDir dir;
    // Exactly 128 bytes that begin with "TAG" are not examined as ID3v1.
    WriteFileBytes(dir.Str("Artist - Song.mp3"), Id3v1Block("Not me", "", "", "", 0));
    Imported tagless(dir.W("Artist - Song.mp3"));
    EXPECT_TRUE(ReadTrackTags(*tagless.entry));
    EXPECT_EQ(tagless.Field(kFieldTitle), u"Artist - Song");

    WriteFileBytes(dir.Str("take.two.wav"), "RIFF");
    Imported wave(dir.W("take.two.wav"));
    EXPECT_TRUE(ReadTrackTags(*wave.entry));
    EXPECT_EQ(wave.Field(kFieldTitle), u"take.two");

    Imported missing(dir.W("gone.mp3"));
    missing.entry->SetFieldText(kFieldTitle, u"kept");
    EXPECT_FALSE(ReadTrackTags(*missing.entry));
    EXPECT_EQ(missing.Field(kFieldTitle), u"kept");

    EXPECT_EQ(TitleFromFileName(u"/music/.mp3"), u".mp3");
    EXPECT_EQ(TitleFromFileName(u"/music/"), u"/music/");
    EXPECT_EQ(TitleFromFileName(u"plain"), u"plain");
    EXPECT_EQ(PathExtension(u"/my.music/track"), u"");
    EXPECT_EQ(PathExtension(u"/music/a.MP3"), u"mp3");
    EXPECT_EQ(ReplaceExtension(u"/music/a.b.mp3", u"MP~"), u"/music/a.b.MP~");
}

TEST(TrackImport, GenreTableFollowsTheId3v1List) {
    EXPECT_EQ(WString(Id3v1GenreName(0)), u"Blues");
    EXPECT_EQ(WString(Id3v1GenreName(40)), u"AlternRock");
    EXPECT_EQ(WString(Id3v1GenreName(67)), u"Psychadelic");
    EXPECT_EQ(WString(Id3v1GenreName(85)), u"Bebob");
    EXPECT_EQ(WString(Id3v1GenreName(123)), u"A capella");
    EXPECT_EQ(WString(Id3v1GenreName(125)), u"Dance Hall");
    EXPECT_EQ(Id3v1GenreName(126), nullptr);
    EXPECT_EQ(Id3v1GenreName(255), nullptr);
}
