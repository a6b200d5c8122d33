#include <gtest/gtest.h>

#include "platform/Text.h"

TEST(Text, Utf8RoundTripIncludesNonBmp) {
    const std::string s = "Beyonc\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5";  // é € 🎵
    const WString w = Utf8ToUtf16(s);
    ASSERT_EQ(w.size(), 12u);  // the note is a surrogate pair
    EXPECT_EQ(w[6], u'\u00E9');
    EXPECT_EQ(w[8], u'\u20AC');
    EXPECT_EQ(w[10], 0xD83C);
    EXPECT_EQ(w[11], 0xDFB5);
    EXPECT_EQ(Utf16ToUtf8(w), s);
}

TEST(Text, InvalidBytesRoundTripThroughLoneSurrogates) {
    // A lone continuation byte, a truncated sequence, an overlong '/', an encoded surrogate.
    const std::string s = "a\x80" "b\xE2\x82" "c\xC0\xAF" "d\xED\xA0\x80" "\xFF";
    const WString w = Utf8ToUtf16(s);
    EXPECT_EQ(w[1], 0xDC80);
    EXPECT_EQ(w[3], 0xDCE2);
    EXPECT_EQ(w[4], 0xDC82);
    EXPECT_EQ(w.back(), 0xDCFF);
    EXPECT_EQ(Utf16ToUtf8(w), s);
}

TEST(Text, OtherLoneSurrogatesBecomeReplacementCharacter) {
    const WString w = {u'x', 0xD800, u'y', 0xDC10};
    EXPECT_EQ(Utf16ToUtf8(w), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
}

TEST(Text, AnsiReadsValidUtf8AsUtf8AndAnythingElseAsWindows1252) {
    EXPECT_EQ(AnsiToUtf16("caf\xC3\xA9"), u"caf\u00E9");
    const WString w = AnsiToUtf16("\x80 caf\xE9 \x81");
    EXPECT_EQ(w, u"\u20AC caf\u00E9 \u0081");
    EXPECT_EQ(AnsiToUtf16("\x93quoted\x94"), u"\u201Cquoted\u201D");
    EXPECT_EQ(Utf16ToAnsi(u"caf\u00E9"), "caf\xC3\xA9");
}

TEST(Text, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));   // U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xC3"));              // truncated at the end
}

TEST(Text, AsciiLowerLeavesOtherLettersAlone) {
    EXPECT_EQ(AsciiLower(u"MP3.WaV \u00C9"), u"mp3.wav \u00C9");
}
