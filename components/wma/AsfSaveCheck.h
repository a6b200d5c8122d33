#pragma once
// Checks around a save of an ASF header: before it, that the header read is plausible and what
// the audio after it is; after it, that the saved file is still a sound ASF file with the same
// audio, which still decodes. A save that fails the check is undone by the caller.

#include <cstdint>
#include <string>

// The audio part of an ASF file: everything after the header object.
struct ASF_AUDIO_PART {
    std::uint64_t bytes = 0;
    std::uint64_t digest = 0;
};

// The file's audio part, when its header is plausible (see AsfHeaderLayout.h); false when the
// file cannot be read or its header is damaged, in which case nothing may be written to it.
bool ReadAsfAudioPart(const std::string& path, ASF_AUDIO_PART* part);

// True when the file at `path` has a plausible header, the same audio part as `before`, and its
// Windows Media stream opens and decodes to at least one frame.
bool SavedAsfIsSound(const std::string& path, const ASF_AUDIO_PART& before);
