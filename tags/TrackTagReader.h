#pragma once
// Tag import: fills a catalog entry's title, artist and BPM from its file's own tags. MP3 files
// are read from their ID3v2 tag, then the ID3v1 block, then the 48-byte trailer block that
// opens with "Zinth"; Windows Media files through the Windows Media component; when nothing
// supplies a title, the title is made from the file name.

#include <cstdint>

class CCatItem;
class CFile;

// Reads the entry's tags while holding the entry's lock. True when the entry's file exists
// (whatever tags were found); false, and nothing changed, when it does not.
bool ReadTrackTags(CCatItem& entry);

// ID3v2, then ID3v1, then the trailer block. True when one of them supplied the entry's fields;
// a file that cannot be read counts as having no tag.
bool ReadMp3Tags(CCatItem& entry);

// Title, artist and BPM texts from the ID3v2 tag. True when a non-empty title or artist was
// found; a BPM alone is stored but returns false, so that the other readers still run.
bool ReadId3v2Fields(CCatItem& entry);

// The 128-byte ID3v1 block at the end of a file longer than 128 bytes: title, album, artist,
// year and genre, in that order, handed to the entry. True when title, artist or album is
// non-empty. Raises CFileException when the file cannot be read.
bool ReadId3v1Fields(CFile& file, CCatItem& entry);

// The trailer block: "Zinth" 48 bytes before the end of a file longer than 48 bytes, and three
// length-prefixed strings (title, album, artist) from 7936 bytes before the end. False at once
// when a length exceeds 256 (strings already handed over stay) or the file is too short; true
// when any of the three texts is non-empty. Raises CFileException when the file cannot be read.
bool ReadZinthTrailerFields(CFile& file, CCatItem& entry);

// The ID3v1 genre name for a genre byte below 126; null otherwise.
const char16_t* Id3v1GenreName(std::uint8_t genre);
