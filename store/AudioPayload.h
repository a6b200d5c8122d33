#pragma once
// Where a music file's audio lies, apart from its tags: the byte range that a tag edit leaves
// untouched, so that a retagged file is still recognised as the same audio.
//
// - MP3: the file without ID3v2 tags at its start and without the blocks that tag writers append
//   at its end (ID3v1, an APE tag, an appended ID3v2 tag, the "Zinth" trailer block).
// - WAVE: the data chunk; every other chunk (LIST, id3 and the like) may carry tags.
// - Windows Media: everything after the header object. All attributes live in the header object
//   (content description, extended content description, the metadata objects of the header
//   extension), so a tag edit rewrites only it; the data object and the indices that follow it
//   are the audio and stay byte for byte the same.
// - Any other file, or a file whose structure cannot be read: the whole file.
//
// What a file is comes from its content where that is recognised, as for its analysis.

#include <cstdint>

#include "audio/AudioContainer.h"
#include "platform/File.h"

struct AudioPayloadRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;  // one past the last byte
    std::uint64_t Size() const { return end - begin; }
};

// The payload of an open file of the given container (EffectiveContainer: its content, else its
// extension).
AudioPayloadRange FindAudioPayload(CFile& file, AudioContainer container);
