#pragma once
// Reads RIFF files: a buffered, read-only file with chunk navigation. A chunk is an 8-byte header
// (four-character id, 32-bit little-endian size) followed by its data and, when the size is odd,
// one pad byte that keeps the next chunk word-aligned. "RIFF" and "LIST" chunks open with a
// four-character form type and hold further chunks.
//
// Nothing here trusts a size field: every search stops at the end of the file, and a chunk that
// claims more bytes than the file holds is simply cut short by it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/ByteSource.h"
#include "platform/File.h"
#include "platform/Text.h"

// A four-character code as it is stored: the first character in the lowest byte.
constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

constexpr std::uint32_t kFourCCRiff = MakeFourCC('R', 'I', 'F', 'F');
constexpr std::uint32_t kFourCCList = MakeFourCC('L', 'I', 'S', 'T');

// One chunk found by a descent.
struct RIFF_CHUNK {
    std::uint32_t id = 0;
    std::uint32_t size = 0;        // the size field as stored
    std::uint32_t formType = 0;    // "RIFF" and "LIST" only
    std::uint64_t dataOffset = 0;  // file offset just past the size field
    // File offset of the next chunk: past the data and the pad byte of an odd size.
    std::uint64_t End() const { return dataOffset + size + (size & 1u); }
};

class CRiffReader {
public:
    // Bytes buffered per file read; sequential reads of the data cost one system call per block.
    static constexpr std::size_t kBufferBytes = 0x20000;

    CRiffReader() = default;
    CRiffReader(const CRiffReader&) = delete;
    CRiffReader& operator=(const CRiffReader&) = delete;

    // Opens the file for reading at position 0. False when it cannot be opened; a reader that
    // was open is closed first.
    bool Open(const WString& path);
    // Reads bytes in memory instead, which the caller keeps alive while the reader is open.
    void OpenBytes(const void* data, std::size_t size);
    void Close();
    bool IsOpen() const { return source_ != nullptr; }
    // Length of the file as it was when opened.
    std::uint64_t FileLength() const { return length_; }
    std::uint64_t Position() const { return position_; }

    // Moves the read position. Any offset is accepted; reads beyond the end deliver nothing.
    void Seek(std::uint64_t offset) { position_ = offset; }
    // Reads up to `count` bytes at the position and advances it. Returns the number read (fewer
    // at the end of the file), or -1 when the file cannot be read.
    std::int64_t Read(void* buffer, std::size_t count);

    // Searches from the position, at the top level of the file, for a "RIFF" chunk of the given
    // form type, skipping other chunks. On success the position is just past the form type.
    bool DescendForm(std::uint32_t formType, RIFF_CHUNK& chunk);
    // Searches from the position up to `searchEnd` for a chunk with the given id, skipping
    // other chunks whole (their pad byte included). On success the position is at the chunk's
    // first data byte (past the form type for "RIFF" and "LIST"). A header that does not fit
    // before `searchEnd` or the end of the file ends the search.
    bool Descend(std::uint32_t id, std::uint64_t searchEnd, RIFF_CHUNK& chunk);
    // Moves the position to the next chunk after `chunk`.
    void Ascend(const RIFF_CHUNK& chunk) { Seek(chunk.End()); }

private:
    // Reads one 8-byte header at the position (plus the form type of "RIFF" and "LIST").
    bool ReadHeader(std::uint64_t searchEnd, RIFF_CHUNK& chunk);
    bool Fill();

    CFile file_;
    std::optional<CMemorySource> memory_;
    CByteSource* source_ = nullptr;  // file_ or memory_ while open
    std::uint64_t length_ = 0;
    std::uint64_t position_ = 0;
    std::vector<unsigned char> buffer_;
    std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
    std::size_t bufferFill_ = 0;     // valid bytes in buffer_
};
