#pragma once
// Text inside the system is UTF-16 (std::u16string). UTF-8 is used only at the OS boundary
// (file names, console, files written as text).
//
// File names that are not valid UTF-8 still round-trip: each byte that cannot be decoded maps to
// a lone surrogate U+DC80..U+DCFF and back, so every file that a directory scan finds can be
// opened again with the name it was given.

#include <string>
#include <string_view>

using WString = std::u16string;

// Decodes UTF-8; each invalid byte b becomes the lone surrogate U+DC00 + b (b >= 0x80).
WString Utf8ToUtf16(std::string_view bytes);

// Encodes UTF-8; lone surrogates U+DC80..U+DCFF become the single byte they stand for, any
// other lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The text conversion used where the system reads "ANSI" bytes (ID3v1, the trailer block):
// valid UTF-8 is decoded as UTF-8, any other text is read as Windows-1252.
WString AnsiToUtf16(std::string_view bytes);

// Decodes every byte as Windows-1252 (the five unassigned bytes map to the same code point).
WString Windows1252ToUtf16(std::string_view bytes);

// Text fit for display, tags and exported text, with no lone surrogate: each byte of a file name
// that was not UTF-8 (escaped as U+DC80..U+DCFF) becomes its Windows-1252 character, any other
// lone surrogate U+FFFD. Paths keep their escapes; only the text shown or stored is converted.
WString DisplayText(std::u16string_view text);

// The system's "ANSI" output: UTF-8 (lone escape surrogates become their bytes).
std::string Utf16ToAnsi(std::u16string_view text);

// Lower-cases ASCII letters only; every other code unit is left as it is.
WString AsciiLower(std::u16string_view text);

// `text` with every control character (U+0000..U+001F, U+007F, U+0080..U+009F) replaced by a
// space: how text from files is shown and written where a tab, a line break or an escape would
// break a list, a line-per-entry file or a terminal.
WString ControlsAsSpaces(std::u16string_view text);

// Convenience for literals and tests: u16 from ASCII/UTF-8 text.
inline WString W(std::string_view utf8) { return Utf8ToUtf16(utf8); }
