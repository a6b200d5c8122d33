#pragma once
// Tag import: fills a catalog entry's title, artist and BPM from its file's own tags. MP3 files
// are read from their ID3v2 tag, then the ID3v1 block, then the 48-byte trailer block that
// opens with "Zinth"; Windows Media files through the Windows Media component; WAVE files from
// their ID3 chunk, then their INFO list (WaveTagReader.h). Which reader runs follows the file's
// content, not its name (AudioContainer.h). When nothing supplies a title, the title is made
// from the file name.

#include <cstdint>

#include "tags/FileEndTagReaders.h"

class ITrackFields;

// Reads the entry's tags while holding the entry's lock. True when the entry's file exists
// (whatever tags were found); false, and nothing changed, when it does not.
bool ReadTrackTags(ITrackFields& entry);

// ID3v2, then ID3v1, then the trailer block. True when one of them supplied the entry's fields;
// a file that cannot be read counts as having no tag.
bool ReadMp3Tags(ITrackFields& entry);
// The same from bytes already open (the track file, or its bytes in memory).
bool ReadMp3Tags(CByteSource& source, ITrackFields& entry);

// Title, artist and BPM texts from the ID3v2 tag at the start of `source` (or `offset` bytes
// into it, for a tag inside a WAVE chunk). True when a non-empty title or artist was found, or
// a title or artist frame whose text cannot be decoded (so that nothing stands in for it); a BPM
// alone is stored but returns false, so that the other readers still run.
bool ReadId3v2Fields(CByteSource& source, ITrackFields& entry, std::uint64_t offset = 0);
