// Reading hand-built ID3v2 tags: versions 2.2 to 2.4, unsynchronisation, extended headers, the
// conversion of v2.4 frames, and damaged tags that must neither crash nor read past the buffer.

#include <gtest/gtest.h>

#include <string>

#include "tags/Id3Tag.h"
#include "tests/support/TempDir.h"
#include "tests/tags/TagTestFiles.h"

namespace {
// Inserts 00 after every FF, as an unsynchronising writer does.
std::string Unsynchronise(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        out += c;
        if (c == '\xFF') out += '\0';
    }
    return out;
}

struct TagFile {
    TempDir dir;
    WString path = dir.W("t.mp3");
    CID3Tag tag;
    HRESULT Read(const std::string& bytes) {
        WriteFileBytes(dir.Str("t.mp3"), bytes);
        return tag.ReadTag(path);
    }
    WString Text(const char* id) {
        WString text = u"<none>";
        tag.GetFrameText(id, text);
        return text;
    }
    std::string Ids() const {
        std::string ids;
        for (const auto& f : tag.Frames()) ids += std::string(f->Id()) + " ";
        return ids;
    }
    std::string Body(std::size_t i) const {
        const auto& b = tag.Frames().at(i)->Body();
        return std::string(b.begin(), b.end());
    }
};
}  // namespace

TEST(Id3Read, ConvertsVersion22FramesAndSkipsUnknownOnes) {
    TagFile f;
    const std::string pic = std::string("\0JPG\x03" "c\0", 7) + "0123456789";
    const std::string frames = V22Frame("TT2", Latin1Body("Song")) + V22Frame("XYZ", "zz") +
                               V22Frame("TP1", Latin1Body("Band")) +
                               V22Frame("TBP", Latin1Body("128")) + V22Frame("PIC", pic);
    ASSERT_EQ(f.Read(Id3v2Tag(2, 0, frames, 20) + Mp3Audio()), S_OK);
    EXPECT_EQ(f.tag.Version(), 2);
    EXPECT_EQ(f.Ids(), "TIT2 TPE1 TBPM APIC ");
    EXPECT_EQ(f.Text("TIT2"), u"Song");
    EXPECT_EQ(f.Text("TBPM"), u"128");
    EXPECT_EQ(f.Body(3), std::string("\0image/jpeg\0\x03" "c\0", 15) + "0123456789");
    EXPECT_EQ(f.tag.OnDiskLength(), 10 + frames.size() + 20);
}

TEST(Id3Read, UndoesWholeTagUnsynchronisationInVersion3) {
    TagFile f;
    // U+00FF in UTF-16LE is FF 00, which unsynchronisation turns into FF 00 00.
    const std::string frames = V23Frame("TIT2", Utf16Body(u"\u00FFx")) +
                               V23Frame("TPE1", Latin1Body("\xFF\xE0"));
    ASSERT_EQ(f.Read(Id3v2Tag(3, 0x80, Unsynchronise(frames)) + Mp3Audio()), S_OK);
    EXPECT_EQ(f.Text("TIT2"), u"\u00FFx");
    EXPECT_EQ(f.Text("TPE1"), u"\u00FF\u00E0");
}

TEST(Id3Read, SkipsExtendedHeadersOfBothVersions) {
    TagFile f;
    const std::string v3ext = BigEndian32(6) + std::string(6, '\0');
    ASSERT_EQ(f.Read(Id3v2Tag(3, 0x40, v3ext + V23Frame("TIT2", Latin1Body("Three")))), S_OK);
    EXPECT_EQ(f.Text("TIT2"), u"Three");
    // v2.4: syncsafe, counting its own four bytes.
    const std::string v4ext = Syncsafe32(6) + std::string("\x01\0", 2);
    ASSERT_EQ(f.Read(Id3v2Tag(4, 0x40, v4ext + V24Frame("TIT2", Latin1Body("Four")))), S_OK);
    EXPECT_EQ(f.Text("TIT2"), u"Four");
}

TEST(Id3Read, MakesVersion24FramesValidVersion23Frames) {
    TagFile f;
    // Frame-level unsynchronisation and a data-length indicator on the title; tag-alter and
    // read-only status bits on the artist; UTF-8 text everywhere.
    const std::string title = Syncsafe32(4) + Unsynchronise(std::string("\x03\xC3\xBF", 3));
    const std::string frames =
        V24Frame("TIT2", title, 0, 0x03) + V24Frame("TPE1", "\x03" "Beyonc\xC3\xA9", 0x50, 0) +
        V24Frame("TXXX", std::string("\x03" "d\0v\0", 5)) +
        V24Frame("COMM", std::string("\x03" "deu\0hallo", 10)) +
        V24Frame("APIC", std::string("\x03image/png\0\x03" "\xC3\xA9\0\x89PNG", 19)) +
        V24Frame("TIT3", "\x01\x02zz", 0, 0x08);  // compressed without its size: damaged
    ASSERT_EQ(f.Read(Id3v2Tag(4, 0, frames) + Mp3Audio()), S_OK);
    EXPECT_EQ(f.Ids(), "TIT2 TPE1 TXXX COMM APIC ");
    EXPECT_EQ(f.Text("TIT2"), u"\u00FF");
    EXPECT_EQ(f.Text("TPE1"), u"Beyonc\u00E9");
    EXPECT_EQ(f.tag.Frames()[0]->FormatFlags(), 0);
    EXPECT_EQ(f.Body(0), std::string("\x01\xFF\xFE\xFF\0", 5));
    EXPECT_EQ(f.tag.Frames()[1]->StatusFlags(), 0xA0);  // tag-alter 0x40 -> 0x80, read-only -> 0x20
    EXPECT_EQ(f.Body(2), std::string("\x01\xFF\xFE" "d\0\0\0\xFF\xFE" "v\0\0\0", 13));
    EXPECT_EQ(f.Body(3), std::string("\x01" "deu\xFF\xFE\0\0\xFF\xFE" "h\0a\0l\0l\0o\0", 20));
    EXPECT_EQ(f.Body(4), std::string("\x01image/png\0\x03\xFF\xFE\xE9\0\0\0\x89PNG", 22));
}

TEST(Id3Read, UndoesVersion24TagUnsynchronisationFrameByFrame) {
    TagFile f;
    // Frame sizes count the unsynchronised bytes, so the second frame is only found when each
    // frame is resynchronised on its own.
    const std::string frames = V24Frame("TIT2", Unsynchronise(Utf16Body(u"\u00FF\u00FF"))) +
                               V24Frame("TPE1", Latin1Body("After"));
    ASSERT_EQ(f.Read(Id3v2Tag(4, 0x80, frames)), S_OK);
    EXPECT_EQ(f.Text("TIT2"), u"\u00FF\u00FF");
    EXPECT_EQ(f.Text("TPE1"), u"After");
}

TEST(Id3Read, FindsOnlyTheEnglishCommentWithoutDescription) {
    TagFile f;
    const std::string frames = V23Frame("COMM", std::string("\0deu\0Deutsch", 12)) +
                               V23Frame("COMM", std::string("\0engnote\0Described", 18)) +
                               V23Frame("COMM", std::string("\0eng\0Plain", 10));
    ASSERT_EQ(f.Read(Id3v2Tag(3, 0, frames)), S_OK);
    EXPECT_EQ(f.Text("COMM"), u"Plain");
    EXPECT_EQ(f.tag.FindFrame("COMM"), f.tag.Frames()[2].get());
    EXPECT_EQ(f.tag.FindFrame("TIT2"), nullptr);
}

TEST(Id3Read, ReportsFilesWithoutATag) {
    TagFile f;
    EXPECT_EQ(f.tag.ReadTag(f.dir.W("missing.mp3")), E_FAIL);
    EXPECT_EQ(f.tag.Path(), f.dir.W("missing.mp3"));
    EXPECT_EQ(f.Read(Mp3Audio()), S_FALSE);
    EXPECT_EQ(f.Read(std::string("ID3\x05\0\0\0\0\0\x10", 10) + Mp3Audio()), S_FALSE);
    EXPECT_EQ(f.Read("ID3\x03"), S_FALSE);
    EXPECT_EQ(f.tag.OnDiskLength(), 0u);
}

TEST(Id3ReadDamaged, StopsAtTheFirstBadFrameKeepingTheOnesBefore) {
    TagFile f;
    const std::string good = V23Frame("TIT2", Latin1Body("Kept"));
    const std::string huge = "TPE1" + BigEndian32(0xFFFFFFFF) + std::string(2, '\0') + "x";
    ASSERT_EQ(f.Read(Id3v2Tag(3, 0, good + huge + good)), S_OK);
    EXPECT_EQ(f.Ids(), "TIT2 ");
    EXPECT_FALSE(f.tag.IsComplete());
    // An empty frame is passed over; the frames after it are read.
    const std::string empty = V23Frame("TENC", "");
    ASSERT_EQ(f.Read(Id3v2Tag(3, 0, good + empty + V23Frame("TPE1", Latin1Body("After")), 8)),
              S_OK);
    EXPECT_EQ(f.Ids(), "TIT2 TPE1 ");
    EXPECT_TRUE(f.tag.IsComplete());
    // Bytes that are neither a frame nor zero padding.
    ASSERT_EQ(f.Read(Id3v2Tag(3, 0, good + std::string("\0\0junk", 6))), S_OK);
    EXPECT_FALSE(f.tag.IsComplete());
    ASSERT_EQ(f.Read(Id3v2Tag(3, 0, good + "tit2" + BigEndian32(1) + "\0\0x")), S_OK);
    EXPECT_FALSE(f.tag.IsComplete());
    // A frame header that ends exactly at the end of the tag has no body.
    ASSERT_EQ(f.Read(Id3v2Tag(3, 0, good + "TPE1" + BigEndian32(1) + "\0\0", 0)), S_OK);
    EXPECT_EQ(f.Ids(), "TIT2 ");
    const std::string hugeV4 = "TPE1" + std::string("\x7F\x7F\x7F\x7F\0\0", 6) + "x";
    ASSERT_EQ(f.Read(Id3v2Tag(4, 0, V24Frame("TIT2", Latin1Body("Four")) + hugeV4)), S_OK);
    EXPECT_EQ(f.Ids(), "TIT2 ");
}

TEST(Id3ReadDamaged, SizesPastTheEndOfTheFile) {
    TagFile f;
    // The header claims 1000 bytes; the file ends inside the tag, and inside its second frame.
    const std::string frame = V23Frame("TIT2", Latin1Body("Short"));
    const std::string cut = V23Frame("TPE1", Latin1Body("Cut off")).substr(0, 14);
    ASSERT_EQ(f.Read(std::string("ID3\x03\0\0", 6) + Syncsafe32(1000) + frame + cut), S_OK);
    EXPECT_EQ(f.Ids(), "TIT2 ");
    EXPECT_EQ(f.Text("TIT2"), u"Short");
    EXPECT_EQ(f.tag.OnDiskLength(), 1010u);
    // Exactly 10 bytes that say "ID3", with and without a size.
    ASSERT_EQ(f.Read(std::string("ID3\x03\0\0\0\0\0\0", 10)), S_OK);
    EXPECT_TRUE(f.tag.Frames().empty());
    ASSERT_EQ(f.Read(std::string("ID3\x04\0\xC0\x7F\x7F\x7F\x7F", 10)), S_OK);
    EXPECT_TRUE(f.tag.Frames().empty());
    EXPECT_EQ(f.tag.OnDiskLength(), 10u + 0x0FFFFFFF);
}

TEST(Id3ReadDamaged, OddTextAndUnsynchronisationAtTheVeryEnd) {
    TagFile f;
    // The tag body ends in FF under the unsynchronisation flag; the title is encoding 1 with a
    // single byte; the artist is encoding 1 with nothing at all.
    const std::string frames = V23Frame("TIT2", "\x01\xFF") + V23Frame("TPE1", "\x01") +
                               V23Frame("TBPM", std::string("\0\xFF", 2));
    ASSERT_EQ(f.Read(Id3v2Tag(3, 0x80, frames)), S_OK);
    EXPECT_EQ(f.Text("TIT2"), u"");
    EXPECT_EQ(f.Text("TPE1"), u"");
    EXPECT_EQ(f.Text("TBPM"), u"\u00FF");
    // Extended header sizes that point past the tag leave no frames.
    ASSERT_EQ(f.Read(Id3v2Tag(3, 0x40, BigEndian32(0xFFFFFFFF) + std::string(20, 'T'))), S_OK);
    EXPECT_TRUE(f.tag.Frames().empty());
    ASSERT_EQ(f.Read(Id3v2Tag(4, 0x40, std::string("\x7F\x7F", 2))), S_OK);
    EXPECT_TRUE(f.tag.Frames().empty());
}
