#pragma once
// A readable, seekable run of bytes: an open file (CFile) or a block of memory (CMemorySource).
// The parsers read through it, so that the same code reads a track file and bytes in memory.
// Failures of a file raise CFileException, as CFile says; memory never fails.

#include <cstddef>
#include <cstdint>

class CByteSource {
public:
    virtual ~CByteSource() = default;
    // Reads up to `count` bytes at the position and advances it; fewer only at the end.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Absolute seek; any offset is accepted, reads beyond the end deliver nothing.
    virtual void Seek(std::uint64_t offset) = 0;
    virtual std::uint64_t Length() const = 0;

protected:
    CByteSource() = default;
    CByteSource(const CByteSource&) = default;
    CByteSource& operator=(const CByteSource&) = default;
};

// Bytes in memory that the caller keeps alive while the source is used.
class CMemorySource final : public CByteSource {
public:
    CMemorySource(const void* data, std::size_t size)
        : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    void Seek(std::uint64_t offset) override { position_ = offset; }
    std::uint64_t Length() const override { return size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint64_t position_ = 0;
};
