// Tags written by other programs (id3v2, eyeD3, mutagen) are imported with the right title,
// artist and BPM; the write-back then stores the entry's texts so that mutagen and ffprobe read
// them, keeps every other frame they saw, and leaves every byte after the old tag as it was.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "audio/ComponentIds.h"
#include "catalog/CatItem.h"
#include "tags/Id3Tag.h"
#include "tags/TrackTagReader.h"
#include "tags/TrackTagWriter.h"
#include "tests/support/TempDir.h"
#include "tests/tags/TagTestFiles.h"

namespace {
const std::string kCover = std::string("\x89PNG\r\n\x1a\n", 8) + "fake picture \xFF\x00\xFF";

struct ToolCase {
    const char* name;
    std::function<void(const TempDir&, const std::string&)> write;
    std::u16string title;
    std::u16string artist;
    float bpm;
};

void Shell(const std::string& command) { ASSERT_EQ(RunCommand(command), 0) << command; }

// A mutagen script that tags sys.argv[1] with `frames` and saves it as `version`.
std::function<void(const TempDir&, const std::string&)> Mutagen(int version, int encoding,
                                                                 int padding = 64) {
    return [=](const TempDir&, const std::string& file) {
        const std::string e = std::to_string(encoding);
        const std::string script =
            "import sys\nfrom mutagen.id3 import ID3, TIT2, TPE1, TBPM, COMM, TXXX, APIC\nt = ID3()\n"
            "t.add(TIT2(encoding=" + e + ", text='Beyonc\\u00e9 Caf\\u00e9'))\n"
            "t.add(TPE1(encoding=" + e + ", text='D\\u00e9j\\u00e0'))\n"
            "t.add(TBPM(encoding=" + e + ", text='300'))\n"
            "t.add(COMM(encoding=" + e + ", lang='eng', desc='', text='plain'))\n"
            "t.add(COMM(encoding=" + e + ", lang='fra', desc='d', text='texte'))\n"
            "t.add(TXXX(encoding=" + e + ", desc='key', text='value'))\n"
            "t.add(APIC(encoding=" + e + ", mime='image/png', type=3, desc='c', "
            "data=b'\\x89PNG\\xff\\x00\\xff'))\n"
            "t.save(sys.argv[1], v2_version=" + std::to_string(version) +
            ", padding=lambda info: " + std::to_string(padding) + ")\n";
        ASSERT_EQ(RunPython(script, file), 0);
    };
}

std::function<void(const TempDir&, const std::string&)> EyeD3(const char* version,
                                                              const char* encoding) {
    return [=](const TempDir& dir, const std::string& file) {
        WriteFileBytes(dir.Str("cover.png"), kCover);
        Shell(std::string("eyeD3 -Q --") + version + " --encoding " + encoding +
              " -t 'Ça ☃ 東京' -a 'Ärtist' --bpm 121 --add-comment plain"
              " --add-comment 'Text:desc:deu' --add-image " + Quote(dir.Str("cover.png")) +
              ":FRONT_COVER:cap --user-text-frame key:value " + Quote(file) + " >/dev/null");
    };
}

// eyeD3 writes an extended header when asked through its library interface.
std::function<void(const TempDir&, const std::string&)> EyeD3Extended(int version) {
    return [=](const TempDir&, const std::string& file) {
        const std::string script =
            "import sys, eyed3.id3\nt = eyed3.id3.Tag()\nt.header.extended = True\n"
            "t.extended_header.crc_bit = 1\nt.extended_header.update_bit = 1\n"
            "t.title = 'Ext title'\nt.artist = 'Ext artist'\nt.bpm = 99\n"
            "t.comments.set('note', '', b'eng')\n"
            "t.save(sys.argv[1], version=(2, " + std::to_string(version) +
            ", 0), encoding='latin1')\n";
        ASSERT_EQ(RunPython(script, file), 0);
    };
}

// Unsynchronised tags are hand-built (none of the tools writes one); mutagen checks them too.
std::function<void(const TempDir&, const std::string&)> Unsynchronised() {
    return [](const TempDir&, const std::string& file) {
        std::string frames = V23Frame("TIT2", Utf16Body(u"\u00FFnsync")) +
                             V23Frame("TPE1", Latin1Body("Art\xFF")) +
                             V23Frame("TBPM", Latin1Body("128.5"));
        std::string unsynced;
        for (const char c : frames) unsynced += c == '\xFF' ? std::string("\xFF\0", 2) : std::string(1, c);
        WriteFileBytes(file, Id3v2Tag(3, 0x80, unsynced, 32) + Mp3Audio());
    };
}

std::string WithoutFieldFrames(const std::string& frames) {
    std::string kept;
    std::size_t start = 0;
    while (start < frames.size()) {
        const std::size_t end = frames.find('\n', start);
        const std::string line = frames.substr(start, end - start);
        if (line.rfind("TIT2=", 0) != 0 && line.rfind("TPE1=", 0) != 0 &&
            line.rfind("TBPM=", 0) != 0)
            kept += line + "\n";
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return kept;
}

std::uint64_t TagLength(const WString& path) {
    CID3Tag tag;
    tag.ReadTag(path);
    return tag.OnDiskLength();
}

// Imports the tool's tag, checks the fields, writes them back with a new BPM and checks the
// file with the independent readers.
void RoundTrip(const ToolCase& c) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string file = dir.Str("track.mp3");
    WriteFileBytes(file, Mp3Audio() + Id3v1Block("v1", "v1", "", "", 255));
    c.write(dir, file);
    if (testing::Test::HasFatalFailure()) return;
    const WString path = dir.W("track.mp3");

    CCatItem* entry = new CCatItem(1, path);
    EXPECT_TRUE(ReadTrackTags(*entry));
    WString text;
    entry->GetFieldText(kFieldTitle, text);
    EXPECT_EQ(text, c.title);
    entry->GetFieldText(kFieldArtist, text);
    EXPECT_EQ(text, c.artist);
    EXPECT_FLOAT_EQ(entry->GetBpm(), c.bpm);

    const std::string before = ReadFileBytes(file);
    const std::string tail = before.substr(TagLength(path));
    const std::string otherFrames = WithoutFieldFrames(MutagenFrames(file));
    entry->SetBpm(123.45f);
    EXPECT_EQ(WriteTrackTags(*entry), S_OK);
    entry->Release();

    const std::string after = ReadFileBytes(file);
    EXPECT_EQ(after.substr(TagLength(path)), tail);
    EXPECT_EQ(MutagenVersion(file), "2.3.0");
    EXPECT_EQ(WithoutFieldFrames(MutagenFrames(file)), otherFrames);
    const std::string title = Utf16ToUtf8(c.title);
    const std::string artist = Utf16ToUtf8(c.artist);
    EXPECT_NE(MutagenFrames(file).find("TIT2=" + title + "\nTPE1=" + artist), std::string::npos);
    EXPECT_NE(MutagenFrames(file).find("TBPM=123.45\n"), std::string::npos);
    EXPECT_EQ(FfprobeTag(file, "title"), title);
    EXPECT_EQ(FfprobeTag(file, "artist"), artist);
    EXPECT_EQ(FfprobeTag(file, "TBPM"), "123.45");
}
}  // namespace

TEST(TagTools, Id3v2ToolVersion23Latin1) {
    RoundTrip({"id3v2",
               [](const TempDir&, const std::string& file) {
                   Shell("id3v2 -2 -t 'Café Déjà' -a Artist --TBPM 120 -c :Plain:eng"
                         " -c desc:Other:deu " + Quote(file));
               },
               u"Caf\u00E9 D\u00E9j\u00E0", u"Artist", 120.0f});
}

TEST(TagTools, EyeD3Encodings1To3) {
    RoundTrip({"eyeD3 2.3 utf16", EyeD3("to-v2.3", "utf16"), u"\u00C7a \u2603 \u6771\u4EAC",
               u"\u00C4rtist", 121.0f});
    RoundTrip({"eyeD3 2.4 utf16-be", EyeD3("to-v2.4", "utf16-be"),
               u"\u00C7a \u2603 \u6771\u4EAC", u"\u00C4rtist", 121.0f});
    RoundTrip({"eyeD3 2.4 utf8", EyeD3("to-v2.4", "utf8"), u"\u00C7a \u2603 \u6771\u4EAC",
               u"\u00C4rtist", 121.0f});
}

TEST(TagTools, EyeD3ExtendedHeaders) {
    RoundTrip({"eyeD3 2.3 extended", EyeD3Extended(3), u"Ext title", u"Ext artist", 99.0f});
    RoundTrip({"eyeD3 2.4 extended", EyeD3Extended(4), u"Ext title", u"Ext artist", 99.0f});
}

TEST(TagTools, MutagenEveryEncodingOfBothVersions) {
    // TBPM "300" is clamped to 250.
    for (int version : {3, 4}) {
        for (int encoding = 0; encoding <= 3; ++encoding) {
            if (version == 3 && encoding > 1) continue;  // v2.3 knows encodings 0 and 1
            const std::string name = "mutagen 2." + std::to_string(version) + " encoding " +
                                     std::to_string(encoding);
            RoundTrip({name.c_str(), Mutagen(version, encoding),
                       u"Beyonc\u00E9 Caf\u00E9", u"D\u00E9j\u00E0", 250.0f});
        }
    }
}

TEST(TagTools, InPlaceAndRewriteKeepTheBytesAfterTheTag) {
    // Without padding the new frames do not fit: the file is rebuilt; with plenty they do.
    for (const int padding : {0, 2000}) {
        TempDir dir;
        const std::string file = dir.Str("track.mp3");
        WriteFileBytes(file, Mp3Audio());
        Mutagen(4, 3, padding)(dir, file);
        const std::uint64_t size = ReadFileBytes(file).size();
        CCatItem* entry = new CCatItem(1, dir.W("track.mp3"));
        ReadTrackTags(*entry);
        entry->SetBpm(99.5f);
        EXPECT_EQ(WriteTrackTags(*entry), S_OK);
        entry->Release();
        const std::string after = ReadFileBytes(file);
        EXPECT_EQ(after.size() == size, padding > 0) << padding;
        EXPECT_EQ(after.substr(TagLength(dir.W("track.mp3"))), Mp3Audio());
    }
}

TEST(TagTools, UnsynchronisedTag) {
    RoundTrip({"unsynchronised", Unsynchronised(), u"\u00FFnsync", u"Art\u00FF", 128.5f});
}
