#pragma once
// Damages one audio block of a Windows Media file the way a bad sector or a broken download
// would, while leaving the ASF packets around it intact, so that the demuxer still delivers every
// block and only the decoder finds the damaged one unreadable.

#include <cstddef>
#include <string>

// Fills block `index` of the file's audio stream (as ffmpeg's stream copy lists the blocks) with
// zero bytes after its first byte. False when the file has no such block or it cannot be found
// whole in the file.
bool ZeroWmaBlock(const std::string& path, std::size_t index);
