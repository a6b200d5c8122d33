#pragma once
// What the decoder libraries cost on their own: a whole file decoded with libmpg123 (32-bit
// float, as the MP3 component asks for) or with FFmpeg's libavformat and libavcodec (the
// decoder's own output format), with nothing done to the samples.

#include <cstdint>
#include <string>

// Bytes of PCM decoded; 0 when the file cannot be decoded.
std::uint64_t DecodeWithLibmpg123(const std::string& path);
std::uint64_t DecodeWithFfmpeg(const std::string& path);
