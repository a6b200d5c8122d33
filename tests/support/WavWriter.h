#pragma once
// Builds RIFF WAVE files byte by byte, so that tests can make valid files of any sample format
// and chunk order as well as damaged ones (wrong sizes, missing chunks, cut files).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "audio/WaveFormat.h"

// The sample layout of a file.
struct WavLayout {
    std::uint16_t channels = 1;
    std::uint32_t rate = 44100;
    std::uint16_t bits = 16;  // 8 (unsigned), 16, 24, 32 integer; 32 float
    bool isFloat = false;
    bool extensible = false;  // a 40-byte WAVE_FORMAT_EXTENSIBLE "fmt " chunk
};

// The 18-byte format record of a layout (extra size 0, plain tag).
WAVEFORMATEX MakeFormat(const WavLayout& layout);

// Encodes interleaved samples in [-1, 1] to little-endian bytes: 8-bit unsigned (silence 0x80),
// 16/24/32-bit signed integers, or 32-bit float. Values are rounded and clipped.
std::string EncodeSamples(const std::vector<float>& interleaved, const WavLayout& layout);
// The body of a "fmt " chunk: 16 bytes, or 40 when the layout is extensible.
std::string FmtChunkBody(const WavLayout& layout);
// One chunk: four-character id, 32-bit size of `body`, the body and a pad byte when odd.
std::string RiffChunk(std::string_view id, std::string_view body);
// The same with a size field of the caller's choice (for damaged files).
std::string RiffChunkWithSize(std::string_view id, std::uint32_t size, std::string_view body);
// A "LIST" chunk of type "INFO" with one title ("INAM") entry; the text is zero-terminated.
std::string InfoListChunk(std::string_view title);
// A whole RIFF WAVE file around the already encoded chunks; the RIFF size is computed.
std::string RiffWave(std::string_view chunks);
// A plain file: "fmt " then "data".
std::string MakeWav(const WavLayout& layout, const std::vector<float>& interleaved);
// Writes MakeWav's bytes to `path`.
void WriteWav(const std::filesystem::path& path, const WavLayout& layout,
              const std::vector<float>& interleaved);

// Little-endian stores into a byte string at `offset` (which must lie inside it).
void StoreLe16(std::string& bytes, std::size_t offset, std::uint16_t value);
void StoreLe32(std::string& bytes, std::size_t offset, std::uint32_t value);
