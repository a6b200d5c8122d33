#include "catalog/KeyText.h"

#include <array>

namespace {
constexpr std::int16_t kMinor = 1;
constexpr std::int16_t kMajor = 2;
constexpr int kPitchClasses = 12;

// Spelled with the accidental that the key signature of each key uses, as DJ software does.
constexpr std::array<const char16_t*, kPitchClasses> kMajorNames = {
    u"C", u"Db", u"D", u"Eb", u"E", u"F", u"F#", u"G", u"Ab", u"A", u"Bb", u"B"};
constexpr std::array<const char16_t*, kPitchClasses> kMinorNames = {
    u"Cm", u"C#m", u"Dm", u"Ebm", u"Em", u"Fm", u"F#m", u"Gm", u"G#m", u"Am", u"Bbm", u"Bm"};

// The wheel puts A minor and C major at 8 and moves one number per fifth (seven semitones).
constexpr int kWheelOfAMinor = 8;
constexpr int kRootOfWheelMinor = 9;  // A
constexpr int kRootOfWheelMajor = 0;  // C
constexpr int kSemitonesPerFifth = 7;

bool Valid(MUSICAL_KEY key) {
    return key.root >= 0 && key.root < kPitchClasses && (key.mode == kMinor || key.mode == kMajor);
}

int Mod12(int value) { return ((value % kPitchClasses) + kPitchClasses) % kPitchClasses; }

// 1..12 for a valid key. Seven is its own inverse modulo twelve, so the same step turns fifths
// into semitones and back.
int WheelNumber(MUSICAL_KEY key) {
    const int reference = key.mode == kMinor ? kRootOfWheelMinor : kRootOfWheelMajor;
    const int fifths = Mod12(kSemitonesPerFifth * (key.root - reference));
    return Mod12(fifths + kWheelOfAMinor - 1) + 1;
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t' || text.back() == u'\0'))
        text.remove_suffix(1);
    return text;
}

bool EqualsLower(std::u16string_view text, std::u16string_view lower) {
    if (text.size() != lower.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (Lower(text[i]) != lower[i]) return false;
    return true;
}

std::optional<MUSICAL_KEY> ParseWheel(std::u16string_view text) {
    int number = 0;
    size_t i = 0;
    for (; i < text.size() && i < 2 && text[i] >= u'0' && text[i] <= u'9'; ++i)
        number = number * 10 + (text[i] - u'0');
    if (i == 0 || i + 1 != text.size() || number < 1 || number > kPitchClasses) return {};
    const char16_t letter = Lower(text[i]);
    if (letter != u'a' && letter != u'b') return {};
    const std::int16_t mode = letter == u'a' ? kMinor : kMajor;
    const int reference = mode == kMinor ? kRootOfWheelMinor : kRootOfWheelMajor;
    const int root = Mod12(reference + kSemitonesPerFifth * (number - kWheelOfAMinor));
    return MUSICAL_KEY{static_cast<std::int16_t>(root), mode};
}

std::optional<MUSICAL_KEY> ParseStandard(std::u16string_view text) {
    static constexpr int kLetterRoots[] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    if (text.empty()) return {};
    const char16_t letter = Lower(text[0]);
    if (letter < u'a' || letter > u'g') return {};
    int root = kLetterRoots[letter - u'a'];
    text.remove_prefix(1);
    if (!text.empty() && (text[0] == u'#' || text[0] == u'\u266F')) {
        ++root;
        text.remove_prefix(1);
    } else if (!text.empty() && (text[0] == u'b' || text[0] == u'\u266D')) {
        --root;
        text.remove_prefix(1);
    }
    text = Trim(text);
    std::int16_t mode = 0;
    if (text.empty() || EqualsLower(text, u"maj") || EqualsLower(text, u"major"))
        mode = kMajor;
    else if (EqualsLower(text, u"m") || EqualsLower(text, u"min") || EqualsLower(text, u"minor"))
        mode = kMinor;
    else
        return {};
    return MUSICAL_KEY{static_cast<std::int16_t>(Mod12(root)), mode};
}

// Ranks: 0 no key, 1..24 the wheel's keys, 25 a text that names no key.
constexpr int kRankNoKey = 0;
constexpr int kRankUnknown = 2 * kPitchClasses + 1;
}  // namespace

WString StandardKeyText(MUSICAL_KEY key) {
    if (!Valid(key)) return {};
    const auto root = static_cast<size_t>(key.root);
    return key.mode == kMinor ? kMinorNames[root] : kMajorNames[root];
}

WString WheelKeyText(MUSICAL_KEY key) {
    if (!Valid(key)) return {};
    return Utf8ToUtf16(std::to_string(WheelNumber(key))) + (key.mode == kMinor ? u"A" : u"B");
}

std::optional<MUSICAL_KEY> ParseKeyText(std::u16string_view text) {
    text = Trim(text);
    if (text.empty()) return {};
    if (text[0] >= u'0' && text[0] <= u'9') return ParseWheel(text);
    return ParseStandard(text);
}

WString KeyTextIn(KeyNotation notation, std::u16string_view text) {
    if (const auto key = ParseKeyText(text))
        return notation == KeyNotation::Wheel ? WheelKeyText(*key) : StandardKeyText(*key);
    return WString(text);
}

int KeyOrderRank(std::u16string_view text) {
    if (Trim(text).empty()) return kRankNoKey;
    const auto key = ParseKeyText(text);
    if (!key) return kRankUnknown;
    return 2 * (WheelNumber(*key) - 1) + (key->mode == kMinor ? 1 : 2);
}

bool KeyTextLess(std::u16string_view a, std::u16string_view b) {
    const int rankA = KeyOrderRank(a), rankB = KeyOrderRank(b);
    if (rankA != rankB) return rankA < rankB;
    return rankA == kRankUnknown && a < b;
}

std::optional<KeyNotation> ParseKeyNotation(std::string_view word) {
    if (word == "standard") return KeyNotation::Standard;
    if (word == "wheel") return KeyNotation::Wheel;
    return {};
}

const char* KeyNotationName(KeyNotation notation) {
    return notation == KeyNotation::Wheel ? "wheel" : "standard";
}
