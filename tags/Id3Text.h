#pragma once
// Text encodings of ID3v2 frames: decoding the bytes after an encoding byte, and encoding the
// UTF-16 form that this system writes.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Text.h"

// ID3v2 text encoding bytes.
inline constexpr std::uint8_t kEncodingLatin1 = 0;
inline constexpr std::uint8_t kEncodingUtf16Bom = 1;
inline constexpr std::uint8_t kEncodingUtf16BigEndian = 2;
inline constexpr std::uint8_t kEncodingUtf8 = 3;

// Decodes `count` bytes of text written in `encoding`:
//   0: ISO-8859-1, one character per byte;
//   1: UTF-16 whose first two bytes are a byte-order mark (FF FE little-endian, FE FF
//      big-endian), little-endian when there is no mark; further byte-order marks are skipped;
//   2: UTF-16 big-endian;
//   3: UTF-8; a NUL-separated piece that is not valid UTF-8 is read one character per byte;
//   4 and above: UTF-16 little-endian.
// A trailing odd byte of UTF-16 is ignored; NUL characters are kept. True and the text.
bool DecodeId3Text(std::uint8_t encoding, const std::uint8_t* bytes, std::size_t count,
                   WString& text);

// Appends `text` as UTF-16 little-endian with the byte-order mark FF FE first and, when
// `terminate` is set, a 00 00 terminator: the form of every text this system writes (encoding 1).
void AppendUtf16WithBom(std::vector<std::uint8_t>& out, std::u16string_view text,
                        bool terminate = true);

// Decodes UTF-8 bytes, or when they are not valid UTF-8, one character per byte.
WString DecodeUtf8OrLatin1(std::string_view bytes);
