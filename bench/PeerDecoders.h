#pragma once
// What the decoder libraries cost on their own: a whole file decoded with libmpg123 (32-bit
// float, as the MP3 component asks for) or with FFmpeg's libavformat and libavcodec (the
// decoder's own output format), with nothing done to the samples.

#include <mpg123.h>

#include <cstdint>
#include <string>

// Bytes of PCM decoded; 0 when the file cannot be decoded.
std::uint64_t DecodeWithLibmpg123(const std::string& path);
std::uint64_t DecodeWithFfmpeg(const std::string& path);

// A libmpg123 handle set up like the MP3 component's: quiet, gapless, 32-bit float output, mono
// or stereo (at the rates of the benchmark's files). Null when libmpg123 cannot make one.
mpg123_handle* NewFloatMpg123();
// Decodes everything an opened handle delivers, in 24 KiB reads, and closes it; returns the bytes
// decoded.
std::uint64_t DecodeOpenedMpg123(mpg123_handle* handle);
