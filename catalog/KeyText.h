#pragma once
// The texts of a musical key: the standard notation that tags carry ("Am", "C#m", "Eb") and the
// numbered wheel that DJs use for harmonic mixing ("8A" A minor, "8B" C major), and the order
// of keys around the circle of fifths.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/Text.h"

// A key as the analysis gives it: root 0..11 (0 = C) and mode 1 minor or 2 major.
struct MUSICAL_KEY {
    std::int16_t root = 0;
    std::int16_t mode = 0;
    bool operator==(const MUSICAL_KEY&) const = default;
};

enum class KeyNotation { Standard, Wheel };

// The standard text: a note letter, "#" or "b", and "m" for minor. Roots are spelled as DJ
// software spells them: major C Db D Eb E F F# G Ab A Bb B, minor Cm C#m Dm Ebm Em Fm F#m Gm
// G#m Am Bbm Bm. Empty for mode 0 (no key) or a root or mode out of range.
WString StandardKeyText(MUSICAL_KEY key);

// The wheel text: 1A..12A for minor keys, 1B..12B for major keys, neighbours a fifth apart
// (A minor 8A, C major 8B). Empty where StandardKeyText is.
WString WheelKeyText(MUSICAL_KEY key);

// The key read from a tag text: the standard notation (sharps, flats, "m", "min", "minor",
// "maj", "major", any case, the signs "♯" and "♭" too) or the wheel notation ("8A", "08b").
// Nothing for any other text.
std::optional<MUSICAL_KEY> ParseKeyText(std::u16string_view text);

// An entry's key text shown in `notation`: every text ParseKeyText reads in that notation's own
// spelling ("A minor" gives "Am" or "8A"), every other text as it stands.
WString KeyTextIn(KeyNotation notation, std::u16string_view text);

// The place of a key text in circle-of-fifths order: no key first, then 1A 1B 2A 2B … 12A 12B
// (a minor key beside its relative major), then texts that name no key. Texts of equal rank
// compare as text.
int KeyOrderRank(std::u16string_view text);
bool KeyTextLess(std::u16string_view a, std::u16string_view b);

// "standard" or "wheel" (the command line and the settings file); nothing for another word.
std::optional<KeyNotation> ParseKeyNotation(std::string_view word);
const char* KeyNotationName(KeyNotation notation);
