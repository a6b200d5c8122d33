#pragma once
// The whole track profile as a compact, versioned byte string, for keeping it in the analysis
// store. Little-endian; floats by their bit pattern, so a decoded profile equals the one encoded.

#include <string>
#include <string_view>

#include "profile/TrackProfile.h"

// Layout version written. Version 2 adds the picture's waveform and the beat grid after the
// fields of version 1, which still decodes (with neither).
constexpr unsigned char kProfileBlobVersion = 2;
constexpr unsigned char kProfileBlobFirstVersion = 1;

std::string EncodeProfileBlob(const CPfTrackProfile& profile);

// False, with `profile` unspecified, when the bytes are not a complete blob of a known version.
bool DecodeProfileBlob(std::string_view bytes, CPfTrackProfile& profile);
