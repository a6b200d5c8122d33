#pragma once
// A page-allocated buffer: committed, read/write, zero-filled pages that the buffer owns and
// releases in its destructor. The build's large I/O buffers are such blocks, not heap blocks.

#include <cstddef>

class CMemBuffer {
public:
    CMemBuffer() = default;
    virtual ~CMemBuffer();
    CMemBuffer(const CMemBuffer&) = delete;
    CMemBuffer& operator=(const CMemBuffer&) = delete;

    // Releases any previous block and commits a new zero-filled one of `size` bytes. Returns its
    // address, or null when the pages cannot be had (or `size` is 0); the size is recorded only
    // on success, so a failed call leaves the buffer empty with size 0.
    void* Allocate(std::size_t size);
    // Releases the block; the buffer is then empty.
    void Release();

    void* Data() const { return data_; }
    std::size_t Size() const { return size_; }

private:
    void* data_ = nullptr;
    std::size_t size_ = 0;
};
