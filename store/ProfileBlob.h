#pragma once
// The whole track profile as a compact, versioned byte string, for keeping it in the analysis
// store. Little-endian; floats by their bit pattern, so a decoded profile equals the one encoded.

#include <string>
#include <string_view>

#include "profile/TrackProfile.h"

// Layout version of the byte string; a decoder refuses any other.
constexpr unsigned char kProfileBlobVersion = 1;

std::string EncodeProfileBlob(const CPfTrackProfile& profile);

// False, with `profile` unspecified, when the bytes are not a complete blob of this version.
bool DecodeProfileBlob(std::string_view bytes, CPfTrackProfile& profile);
