#pragma once
// Test files for the tag suites: a short MP3 stream made by lame, hand-built ID3 byte fixtures,
// and the independent readers (mutagen, ffprobe) run as separate processes.

#include <cstdint>
#include <string>

// Bytes of a short MP3 stream (lame encoding of a sox sine); made once per process.
const std::string& Mp3Audio();

std::string BigEndian32(std::uint32_t value);
std::string Syncsafe32(std::uint32_t value);

// Frames in the layout of each version: ID, size (24-bit, 32-bit big-endian, 32-bit syncsafe),
// flags (versions 3 and 4), body.
std::string V22Frame(const std::string& id, const std::string& body);
std::string V23Frame(const std::string& id, const std::string& body, std::uint8_t status = 0,
                     std::uint8_t format = 0);
std::string V24Frame(const std::string& id, const std::string& body, std::uint8_t status = 0,
                     std::uint8_t format = 0);
// A whole tag: header with the syncsafe size of `body` + `padding`, then body and zero padding.
std::string Id3v2Tag(int version, std::uint8_t flags, const std::string& body,
                     std::size_t padding = 0);
// Text frame bodies: encoding 0 with Latin-1 bytes, encoding 1 with FF FE and UTF-16LE.
std::string Latin1Body(const std::string& text);
std::string Utf16Body(const std::u16string& text);
// A 128-byte ID3v1 block.
std::string Id3v1Block(const std::string& title, const std::string& artist,
                       const std::string& album, const std::string& year, std::uint8_t genre);

std::string Quote(const std::string& text);
// Runs the system's python3 (with mutagen) on a script with one argument (sys.argv[1]); its
// standard output goes to `out`.
int RunPython(const std::string& script, const std::string& argument,
              std::string* out = nullptr);
// Lines "ID=value" of every frame mutagen sees in the file's ID3 tag, sorted ("" on error).
std::string MutagenFrames(const std::string& path);
// Tag version mutagen sees (for example "2.3.0").
std::string MutagenVersion(const std::string& path);
// ffprobe's value of one format tag ("" when absent).
std::string FfprobeTag(const std::string& path, const std::string& key);

// Encodes a short Windows Media file at `path` with ffmpeg, passing `metadata` arguments
// (for example "-metadata title=X").
void MakeWma(const std::string& path, const std::string& metadata);
// The bytes after the ASF header object (the audio data and any index).
std::string AsfPayload(const std::string& bytes);
