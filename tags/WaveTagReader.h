#pragma once
// The tags that WAVE files carry in their own chunks: an ID3v2 tag in an "id3 " or "ID3 " chunk,
// and a "LIST" chunk of type "INFO" with the title ("INAM") and the artist ("IART") as
// zero-terminated ANSI texts. WAVE files are only ever read, never tagged.

#include <cstdint>
#include <string>

#include "platform/Text.h"

class ITrackFields;

// Where a WAVE file keeps its tags.
struct WAVE_TAG_CHUNKS {
    bool hasId3 = false;
    std::uint64_t id3Offset = 0;  // file offset of the ID3 chunk's first data byte
    WString infoTitle;            // INAM
    WString infoArtist;           // IART
};

// Finds the tag chunks at the top level of the file's RIFF WAVE form. False when the file is not
// a readable RIFF WAVE file.
bool FindWaveTagChunks(const WString& path, WAVE_TAG_CHUNKS* chunks);

// The entry's title, artist and BPM from the file's ID3 chunk (its TBPM read as an MP3's), then,
// when that named nothing, the title and artist of its INFO list. True when a non-empty title or
// artist was found.
bool ReadWaveTags(ITrackFields& entry);
