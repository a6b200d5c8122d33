#pragma once
// The tag blocks at the end of MP3 files: the 128-byte ID3v1 block and the trailer block that
// opens with "Zinth". Both hand their ANSI texts (UTF-8, else Windows-1252) to a catalog entry.

#include <cstdint>
#include <optional>

#include "platform/Text.h"

class ITrackFields;
class CByteSource;

// The texts of an ID3v1 block (ANSI bytes decoded, each ending at its first NUL).
struct ID3V1_BLOCK {
    WString title, artist, album, year, comment;
    int track = 0;            // ID3v1.1 track number, 0 when the block has none
    std::uint8_t genre = 0;   // the genre byte as stored
};

// The 128-byte ID3v1 block at the end of a file longer than 128 bytes, or nothing. Raises
// CFileException when the file cannot be read.
std::optional<ID3V1_BLOCK> ReadId3v1Block(CByteSource& file);

// The 128-byte ID3v1 block at the end of a file longer than 128 bytes: title, album, artist,
// year and genre, in that order, handed to the entry. True when title, artist or album is
// non-empty. Raises CFileException when the file cannot be read.
bool ReadId3v1Fields(CByteSource& file, ITrackFields& entry);

// The trailer block: "Zinth" 48 bytes before the end of a file longer than 48 bytes, and three
// length-prefixed strings (title, album, artist) from 7936 bytes before the end. False at once
// when a length exceeds 256 (strings already handed over stay) or the file is too short; true
// when any of the three texts is non-empty. Raises CFileException when the file cannot be read.
bool ReadZinthTrailerFields(CByteSource& file, ITrackFields& entry);

// The ID3v1 genre name for a genre byte below 126; null otherwise.
const char16_t* Id3v1GenreName(std::uint8_t genre);
