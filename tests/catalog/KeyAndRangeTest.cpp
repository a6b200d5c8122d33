// Key texts in both notations, their circle-of-fifths order, and the preferred BPM range.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalog/BpmRange.h"
#include "catalog/KeyText.h"

namespace {
std::string Std(int root, int mode) {
    return Utf16ToUtf8(StandardKeyText({static_cast<std::int16_t>(root), static_cast<std::int16_t>(mode)}));
}
std::string Wheel(int root, int mode) {
    return Utf16ToUtf8(WheelKeyText({static_cast<std::int16_t>(root), static_cast<std::int16_t>(mode)}));
}
}  // namespace

TEST(KeyText, StandardSpellingAndWheelNumbers) {
    std::string major, minor;
    for (int root = 0; root < 12; ++root) {
        major += Std(root, 2) + " ";
        minor += Std(root, 1) + " ";
    }
    EXPECT_EQ(major, "C Db D Eb E F F# G Ab A Bb B ");
    EXPECT_EQ(minor, "Cm C#m Dm Ebm Em Fm F#m Gm G#m Am Bbm Bm ");
    EXPECT_EQ(Wheel(9, 1), "8A");   // A minor
    EXPECT_EQ(Wheel(0, 2), "8B");   // C major
    EXPECT_EQ(Wheel(4, 1), "9A");   // E minor, a fifth above A minor
    EXPECT_EQ(Wheel(2, 1), "7A");   // D minor, a fifth below
    EXPECT_EQ(Wheel(1, 2), "3B");   // Db major
    EXPECT_EQ(Wheel(8, 1), "1A");   // G# minor
    EXPECT_EQ(Wheel(11, 2), "1B");  // B major
    EXPECT_EQ(Wheel(3, 1), "2A");   // Eb minor
    EXPECT_EQ(Wheel(6, 2), "2B");   // F# major
    // No key and keys out of range have no text in either notation.
    EXPECT_EQ(Std(0, 0), "");
    EXPECT_EQ(Wheel(0, 0), "");
    EXPECT_EQ(Std(12, 1), "");
    EXPECT_EQ(Std(-1, 2), "");
    EXPECT_EQ(Std(0, 3), "");
}

TEST(KeyText, EveryKeyReadsBackFromBothNotations) {
    std::vector<std::string> wheels;
    for (std::int16_t mode = 1; mode <= 2; ++mode) {
        for (std::int16_t root = 0; root < 12; ++root) {
            const MUSICAL_KEY key{root, mode};
            EXPECT_EQ(ParseKeyText(StandardKeyText(key)), key) << Std(root, mode);
            EXPECT_EQ(ParseKeyText(WheelKeyText(key)), key) << Wheel(root, mode);
            wheels.push_back(Wheel(root, mode));
        }
    }
    std::sort(wheels.begin(), wheels.end());
    EXPECT_EQ(std::unique(wheels.begin(), wheels.end()), wheels.end());  // 24 different places
}

TEST(KeyText, TagSpellingsOtherProgramsWrite) {
    const MUSICAL_KEY aMinor{9, 1}, bFlat{10, 2}, fSharpMinor{6, 1};
    EXPECT_EQ(ParseKeyText(u"A minor"), aMinor);
    EXPECT_EQ(ParseKeyText(u" amin "), aMinor);
    EXPECT_EQ(ParseKeyText(u"08a"), aMinor);
    EXPECT_EQ(ParseKeyText(u"A#"), bFlat);
    EXPECT_EQ(ParseKeyText(u"Bb major"), bFlat);
    EXPECT_EQ(ParseKeyText(u"B\u266Dmaj"), bFlat);
    EXPECT_EQ(ParseKeyText(u"Gbm"), fSharpMinor);
    EXPECT_EQ(ParseKeyText(u"Cb"), (MUSICAL_KEY{11, 2}));  // wraps below C
    EXPECT_EQ(ParseKeyText(u"Am\0"), aMinor);              // a NUL-terminated frame text
    for (const char16_t* text : {u"", u"H", u"Am7", u"0A", u"13A", u"8C", u"123A", u"o", u"A mi"})
        EXPECT_FALSE(ParseKeyText(text)) << Utf16ToUtf8(text);
    // Shown in either notation; a text that names no key is shown as it stands.
    EXPECT_EQ(KeyTextIn(KeyNotation::Standard, u"A minor"), u"Am");
    EXPECT_EQ(KeyTextIn(KeyNotation::Wheel, u"Am"), u"8A");
    EXPECT_EQ(KeyTextIn(KeyNotation::Wheel, u"off key"), u"off key");
}

TEST(KeyText, CircleOfFifthsOrder) {
    std::vector<std::u16string> keys = {u"zzz", u"Am", u"C", u"G#m", u"B", u"", u"Em", u"Bm", u"abc"};
    std::sort(keys.begin(), keys.end(), [](const std::u16string& a, const std::u16string& b) {
        return KeyTextLess(a, b);
    });
    // No key, then 1A G#m, 1B B, 8A Am, 8B C, 9A Em, 10A Bm, then texts naming no key.
    const std::vector<std::u16string> expected = {u"",   u"G#m", u"B",   u"Am", u"C",
                                                  u"Em", u"Bm",  u"abc", u"zzz"};
    EXPECT_EQ(keys, expected);
    EXPECT_FALSE(KeyTextLess(u"Am", u"A minor"));  // the same key, either spelling
    EXPECT_FALSE(KeyTextLess(u"A minor", u"Am"));
}

TEST(BpmRange, FoldsByOctavesIntoTheRange) {
    BPM_RANGE range;
    std::string error;
    ASSERT_TRUE(ParseBpmRange("70-140", range, error)) << error;
    EXPECT_EQ(FoldIntoRange(152.0f, range), 76.0f);
    EXPECT_EQ(FoldIntoRange(128.0f, range), 128.0f);
    EXPECT_EQ(FoldIntoRange(140.0f, range), 140.0f);  // both ends belong to the range
    EXPECT_EQ(FoldIntoRange(70.0f, range), 70.0f);
    EXPECT_EQ(FoldIntoRange(140.004f, range), 140.004f);  // shown as 140.00
    EXPECT_EQ(FoldIntoRange(69.996f, range), 69.996f);    // shown as 70.00
    EXPECT_EQ(FoldIntoRange(140.01f, range), 70.005f);
    EXPECT_EQ(FoldIntoRange(35.5f, range), 71.0f);
    EXPECT_EQ(FoldIntoRange(600.0f, range), 75.0f);
    EXPECT_EQ(FoldIntoRange(0.0f, range), 0.0f);  // no tempo stays no tempo
    EXPECT_EQ(FoldIntoRange(152.0f, BPM_RANGE{}), 152.0f);
    EXPECT_EQ(BpmRangeText(range), "70-140");
    ASSERT_TRUE(ParseBpmRange("85.5-171", range, error));
    EXPECT_EQ(FoldIntoRange(172.0f, range), 86.0f);
}

TEST(BpmRange, RefusesRangesNarrowerThanAnOctaveAndOtherTexts) {
    BPM_RANGE range{70.0f, 140.0f};
    std::string error;
    EXPECT_FALSE(ParseBpmRange("70-120", range, error));
    EXPECT_NE(error.find("at least twice"), std::string::npos) << error;
    EXPECT_EQ(range, (BPM_RANGE{70.0f, 140.0f}));  // unchanged
    for (const char* text : {"", "70", "70-", "-140", "70-140x", "a-b", "0-100", "70-2000",
                             "140-70", "nan-inf", "70 - 140"})
        EXPECT_FALSE(ParseBpmRange(text, range, error)) << text;
}
