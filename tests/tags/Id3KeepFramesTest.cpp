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

namespace {
// mutagen's view of the file's frames as they are stored (no upgrade to v2.4 names), sorted.
std::string StoredFrames(const std::string& path) {
    std::string out;
    RunPython("import sys\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1], translate=False)\n"
              "print(t.version)\nprint('\\n'.join(sorted(t.pprint().splitlines())))",
              path, &out);
    return out;
}
}  // namespace

TEST(Id3KeepFrames, Version24FramesBecomeWhatVersion23ReadersKnow) {
    TempDir dir;
    const std::string file = dir.Str("t.mp3");
    WriteFileBytes(file, Mp3Audio());
    ASSERT_EQ(RunPython(
                  "import sys\nfrom mutagen.id3 import ID3, TIT2, TDRC, TDOR, TSOP, TIPL, TMCL, "
                  "CHAP, CTOC\nt = ID3()\n"
                  "t.add(TIT2(encoding=3, text='Old'))\n"
                  "t.add(TDRC(encoding=3, text='2001-05-06T07:08:09'))\n"
                  "t.add(TDOR(encoding=3, text='1999'))\n"
                  "t.add(TSOP(encoding=3, text='Sort'))\n"
                  "t.add(TIPL(encoding=3, people=[['producer', 'P\\u00e9']]))\n"
                  "t.add(TMCL(encoding=3, people=[['guitar', 'G']]))\n"
                  "t.add(CHAP(element_id='ch1', start_time=0, end_time=1000, start_offset=5,"
                  " end_offset=9, sub_frames=[TIT2(encoding=3, text='Chap\\u00eetre')]))\n"
                  "t.add(CTOC(element_id='toc', flags=3, child_element_ids=['ch1'],"
                  " sub_frames=[TIT2(encoding=3, text='TOC')]))\n"
                  "t.save(sys.argv[1], v2_version=4)\n",
                  file),
              0);
    CID3Tag tag;
    ASSERT_EQ(tag.ReadTag(dir.W("t.mp3")), S_OK);
    tag.SetFrameText("TIT2", u"New");
    ID3_SAVE_RESULT result;
    ASSERT_EQ(tag.SaveTag(result), S_OK);
    EXPECT_EQ(StoredFrames(file),
              "(2, 3, 0)\n"
              "    TIT2=Chap\u00eetre\n    TIT2=TOC\n"
              "CHAP=ch1 time=0..1000 offset=5..9\nCTOC=toc flags=3 child_element_ids=ch1\n"
              "IPLS=[unrepresentable data]\nTDAT=0605\nTIME=0708\nTIT2=New\nTORY=1999\n"
              "TYER=2001\n");
    std::string people;
    RunPython("import sys\nfrom mutagen.id3 import ID3\n"
              "print(ID3(sys.argv[1], translate=False)['IPLS'].people, end='')",
              file, &people);
    EXPECT_EQ(people, "[['guitar', 'G'], ['producer', 'P\u00e9']]");  // in mutagen's frame order
    // Every UTF-16 string carries its byte-order mark, inside the chapters too.
    CID3Tag back;
    ASSERT_EQ(back.ReadTag(dir.W("t.mp3")), S_OK);
    ASSERT_NE(back.FindFrame("CHAP"), nullptr);
    const auto& chap = back.FindFrame("CHAP")->Body();
    const std::string chapter(chap.begin(), chap.end());
    const std::size_t sub = chapter.find("TIT2");
    ASSERT_NE(sub, std::string::npos);
    EXPECT_EQ(chapter.substr(sub + 8, 7), std::string("\0\0\x01\xFF\xFE" "C\0", 7));

    // An empty UTF-8 user text is rewritten as one empty UTF-16 string with its mark.
    const std::string txxx = V24Frame("TXXX", "\x03") + V24Frame("TIT2", Latin1Body("x"));
    WriteFileBytes(file, Id3v2Tag(4, 0, txxx) + Mp3Audio());
    ASSERT_EQ(tag.ReadTag(dir.W("t.mp3")), S_OK);
    ASSERT_EQ(tag.Frames().size(), 2u);
    const auto& body = tag.Frames()[0]->Body();
    EXPECT_EQ(std::string(body.begin(), body.end()), "\x01\xFF\xFE");
}
