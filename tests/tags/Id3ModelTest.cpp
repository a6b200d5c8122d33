// The byte helpers, the text decoding and the frame operations of the ID3 model, against
// hand-computed bytes.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tags/Id3Bytes.h"
#include "tags/Id3Frame.h"
#include "tags/Id3FrameIds.h"
#include "tags/Id3Text.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Resynced(const std::string& s) {
    Bytes b = B(s);
    std::size_t n = b.size();
    Resynchronise(b.data(), n);
    b.resize(n);
    return b;
}

bool Decode(std::uint8_t encoding, const std::string& bytes, WString& text) {
    return DecodeId3Text(encoding, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                         bytes.size(), text);
}

std::unique_ptr<CID3Frame> MakeFrame(const char* id, const std::string& body) {
    auto frame = std::make_unique<CID3Frame>();
    frame->SetId(id);
    frame->Body() = B(body);
    return frame;
}
}  // namespace

TEST(Id3Bytes, SyncsafeIntegersAtTheSevenBitBoundaries) {
    std::uint8_t b[4];
    WriteSyncsafe32(b, 127);
    EXPECT_EQ(Bytes(b, b + 4), B(std::string("\0\0\0\x7F", 4)));
    WriteSyncsafe32(b, 128);
    EXPECT_EQ(Bytes(b, b + 4), B(std::string("\0\0\x01\0", 4)));
    WriteSyncsafe32(b, 129);
    EXPECT_EQ(Bytes(b, b + 4), B(std::string("\0\0\x01\x01", 4)));
    WriteSyncsafe32(b, kMaxSyncsafe);
    EXPECT_EQ(Bytes(b, b + 4), B("\x7F\x7F\x7F\x7F"));
    EXPECT_EQ(ReadSyncsafe32(b), kMaxSyncsafe);
    const std::uint8_t highBits[4] = {0x80, 0x80, 0x81, 0xFF};  // top bits are not part of it
    EXPECT_EQ(ReadSyncsafe32(highBits), 0xFFu);
    WriteBigEndian32(b, 0x01020304);
    EXPECT_EQ(Bytes(b, b + 4), B("\x01\x02\x03\x04"));
    EXPECT_EQ(ReadBigEndian32(b), 0x01020304u);
}

TEST(Id3Bytes, ResynchroniseDropsOnlyTheZeroAfterEachFF) {
    EXPECT_EQ(Resynced(std::string("\xFF\0\0", 3)), B(std::string("\xFF\0", 2)));
    EXPECT_EQ(Resynced(std::string("\xFF\0\xFF\0", 4)), B("\xFF\xFF"));
    EXPECT_EQ(Resynced(std::string("a\xFF\xFF\0b", 5)), B("a\xFF\xFF" "b"));
    EXPECT_EQ(Resynced("ab\xFF"), B("ab\xFF"));  // a trailing FF reads nothing beyond
    EXPECT_EQ(Resynced(""), Bytes());
}

TEST(Id3Text, DecodesEveryEncoding) {
    WString t;
    ASSERT_TRUE(Decode(0, "Caf\xE9", t));
    EXPECT_EQ(t, u"Caf\u00E9");
    ASSERT_TRUE(Decode(1, std::string("\xFF\xFE" "a\0\xE9\0", 6), t));
    EXPECT_EQ(t, u"a\u00E9");
    ASSERT_TRUE(Decode(1, std::string("\xFE\xFF\0a\0b", 6), t));
    EXPECT_EQ(t, u"ab");
    // A second string with its own mark: the mark is skipped, the NUL between them kept.
    ASSERT_TRUE(Decode(1, std::string("\xFF\xFE" "d\0\0\0\xFF\xFE" "t\0", 10), t));
    EXPECT_EQ(t, WString(u"d\0t", 3));
    ASSERT_TRUE(Decode(2, std::string("\0a\0b\0", 5), t));  // odd byte ignored
    EXPECT_EQ(t, u"ab");
    ASSERT_TRUE(Decode(7, std::string("a\0b\0", 4), t));
    EXPECT_EQ(t, u"ab");
    ASSERT_TRUE(Decode(3, "Beyonc\xC3\xA9", t));
    EXPECT_EQ(t, u"Beyonc\u00E9");
    // Not UTF-8: each byte stands for itself; a valid piece after a NUL is still UTF-8.
    ASSERT_TRUE(Decode(3, std::string("Beyonc\xE9\0\xC3\xA9", 10), t));
    EXPECT_EQ(t, WString(u"Beyonc\u00E9\0\u00E9", 9));
}

TEST(Id3Text, Utf16WithoutAMarkIsLittleEndian) {
    WString t;
    ASSERT_TRUE(Decode(1, std::string("a\0\xE9\0", 4), t));
    EXPECT_EQ(t, u"a\u00E9");
    ASSERT_TRUE(Decode(1, "\xFF", t));
    EXPECT_EQ(t, u"");
    ASSERT_TRUE(Decode(1, "", t));
    EXPECT_EQ(t, u"");
    ASSERT_TRUE(Decode(1, "\xFF\xFE", t));
    EXPECT_EQ(t, u"");
}

TEST(Id3FrameIds, ConvertsVersion22IdsThroughTheTable) {
    char id[5] = "????";
    ASSERT_TRUE(ConvertV22FrameId(reinterpret_cast<const std::uint8_t*>("TT2"), id));
    EXPECT_STREQ(id, "TIT2");
    ASSERT_TRUE(ConvertV22FrameId(reinterpret_cast<const std::uint8_t*>("CRM"), id));
    EXPECT_STREQ(id, "ENCR");
    ASSERT_TRUE(ConvertV22FrameId(reinterpret_cast<const std::uint8_t*>("TST"), id));
    EXPECT_STREQ(id, "TSOT");
    ASSERT_TRUE(ConvertV22FrameId(reinterpret_cast<const std::uint8_t*>("WXX"), id));
    EXPECT_STREQ(id, "WXXX");
    EXPECT_FALSE(ConvertV22FrameId(reinterpret_cast<const std::uint8_t*>("XYZ"), id));
    EXPECT_STREQ(id, "WXXX");
    EXPECT_EQ(PictureFormatToMime(reinterpret_cast<const std::uint8_t*>("JPG")), "image/jpeg");
    EXPECT_EQ(PictureFormatToMime(reinterpret_cast<const std::uint8_t*>("jpe")), "image/jpeg");
    EXPECT_EQ(PictureFormatToMime(reinterpret_cast<const std::uint8_t*>("Png")), "Png");
    EXPECT_EQ(FrameIdForField(256), std::string("TBPM"));
    EXPECT_EQ(FrameIdForField(2), nullptr);
}

TEST(Id3Frame, ConvertsPicturesOfSixteenBytesOrMore) {
    const std::string pic = std::string("\0JPG\x03" "d\0" "123456789", 16);  // 16 bytes
    auto frame = MakeFrame("APIC", pic);
    frame->ConvertPicToApic();
    EXPECT_EQ(frame->Body(), B(std::string("\0image/jpeg\0\x03" "d\0" "123456789", 24)));
    auto small = MakeFrame("APIC", pic.substr(0, 15));
    small->ConvertPicToApic();
    EXPECT_EQ(small->Body(), B(pic.substr(0, 15)));
}

TEST(Id3Frame, WritesTextAsUtf16WithAMarkAndATerminator) {
    auto title = MakeFrame("TIT2", std::string("\0old", 4));
    title->SetFlags(0x80, kFormatGrouped);
    ASSERT_EQ(title->SetText(u"a\u00E9"), S_OK);
    EXPECT_EQ(title->Body(), B(std::string("\x01\xFF\xFE" "a\0\xE9\0\0\0", 9)));
    EXPECT_EQ(title->StatusFlags(), 0x80);
    EXPECT_EQ(title->FormatFlags(), 0);  // the new body carries no group byte
    std::uint8_t header[kFrameHeaderSize];
    title->SerialiseHeader(header);
    EXPECT_EQ(Bytes(header, header + 10), B(std::string("TIT2\0\0\0\x09\x80\0", 10)));

    auto comment = MakeFrame("COMM", "");
    comment->SetText(u"x");
    EXPECT_EQ(comment->Body(), B(std::string("\x01" "eng\xFF\xFE\0\0\xFF\xFE" "x\0\0\0", 14)));
    WString text;
    ASSERT_EQ(comment->GetText(text), S_OK);
    EXPECT_EQ(text, WString(u"x\0", 2));
    EXPECT_TRUE(comment->IsEnglishCommentWithoutDescription());
}

TEST(Id3Frame, CommentTextFollowsTheDescription) {
    WString text;
    auto described = MakeFrame("COMM", std::string("\0engdesc\0body", 13));
    ASSERT_EQ(described->GetText(text), S_OK);
    EXPECT_EQ(text, u"body");
    EXPECT_FALSE(described->IsEnglishCommentWithoutDescription());
    EXPECT_FALSE(MakeFrame("COMM", std::string("\0deu\0body", 9))
                     ->IsEnglishCommentWithoutDescription());
    EXPECT_EQ(MakeFrame("COMM", std::string("\0en", 3))->GetText(text), E_FAIL);
    EXPECT_EQ(MakeFrame("TIT2", "")->GetText(text), E_FAIL);
    auto compressed = MakeFrame("TIT2", std::string("\0abc", 4));
    compressed->SetFlags(0, kFormatCompressed);
    EXPECT_EQ(compressed->GetText(text), E_FAIL);
}
