#pragma once
// A read-only regular file read through one large buffer with positioned reads, in the shape of
// POSIX read and lseek, for decoders that otherwise make a system call per small read. The file
// is never mapped into memory, so a file that another program shortens meanwhile only reads short.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

class CBufferedFile {
public:
    CBufferedFile() = default;
    ~CBufferedFile() { Close(); }
    CBufferedFile(const CBufferedFile&) = delete;
    CBufferedFile& operator=(const CBufferedFile&) = delete;

    // Opens `path` for reading. False for anything but a regular file (a FIFO or a device is
    // refused without blocking).
    bool Open(const std::string& path);
    // Reads bytes in memory instead, which the caller keeps alive while they are open.
    void OpenBytes(const std::uint8_t* data, std::size_t size);
    void Close();
    bool IsOpen() const { return fd_ >= 0 || memory_ != nullptr; }
    off_t Size() const { return size_; }

    // Like read(2): up to `count` bytes from the current position; 0 at the end, -1 on error.
    ssize_t Read(void* dst, size_t count);
    // Like lseek(2) with SEEK_SET, SEEK_CUR or SEEK_END; the new position, or -1.
    off_t Seek(off_t offset, int whence);

private:
    int fd_ = -1;
    const std::uint8_t* memory_ = nullptr;  // the bytes of OpenBytes, when open on them
    off_t size_ = 0;
    off_t position_ = 0;
    // The buffer holds the bytes [bufferStart_, bufferStart_ + bufferLength_).
    std::vector<std::uint8_t> buffer_;
    off_t bufferStart_ = 0;
    size_t bufferLength_ = 0;
};
