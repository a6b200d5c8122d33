#pragma once
// Windows Media fixtures edited by mutagen (run as a separate process) and the independent
// checks made on them: the attribute list mutagen sees and whether FFmpeg still decodes them.

#include <cstdint>
#include <string>

// Adds a WM/Picture attribute holding a JPEG-like picture of `bytes` bytes (mutagen puts large
// values into the header extension's metadata library, as other writers do).
void AddWmaPicture(const std::string& path, std::size_t bytes);
// Runs `statements` in a python script where `f` is the file opened with mutagen's ASF class
// and `asf` is the mutagen.asf module, then saves the file.
void EditWmaWithMutagen(const std::string& path, const std::string& statements);
// Every attribute mutagen sees, one "name=value" line each, sorted; binary values show as their
// length, and empty texts (the unused fields of a content description) are left out. Empty
// when mutagen cannot read the file.
std::string MutagenAsfAttributes(const std::string& path);
// True when FFmpeg decodes the whole file without reporting an error.
bool FfmpegDecodesCleanly(const std::string& path);
// Frames the Windows Media component decodes from the file (opened for analysis and read to
// the end); 0 when it cannot be opened or read.
std::uint64_t ComponentDecodedFrames(const std::string& path);
// The lines of `text` plus `line`, sorted, joined by newlines.
std::string WithSortedLine(const std::string& text, const std::string& line);
