#pragma once
// File operations on POSIX descriptors. Failures raise CFileException (SystemError.h), except
// where a function says it returns false.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ByteSource.h"
#include "platform/Text.h"

enum class FileMode {
    Read,          // existing file, read only
    ReadWrite,     // existing file, read and write
    CreateNew,     // new file, read and write; fails when the name exists
    CreateAlways,  // new or truncated file, read and write
};

class CFile final : public CByteSource {
public:
    CFile() = default;
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    CFile(CFile&& o) noexcept;
    CFile& operator=(CFile&& o) noexcept;

    // Raises on failure.
    void Open(const WString& path, FileMode mode);
    // Returns false instead of raising. In the read and read/write modes only an existing regular
    // file opens, without ever blocking (a FIFO or a device is refused with EINVAL).
    bool TryOpen(const WString& path, FileMode mode) noexcept;
    bool IsOpen() const { return fd_ >= 0; }

    // Reads up to `count` bytes; returns how many arrived (fewer only at the end of the file).
    std::size_t Read(void* buffer, std::size_t count) override;
    // Writes all `count` bytes.
    void Write(const void* buffer, std::size_t count);
    // Absolute seek.
    void Seek(std::uint64_t offset) override;
    std::uint64_t Position() const;
    std::uint64_t Length() const override;
    void SetLength(std::uint64_t length);
    // Flushes the file's data and size to the disk.
    void Flush();
    // Takes a non-blocking exclusive advisory lock; false when another holder has one.
    bool TryLockExclusive() noexcept;
    void Close() noexcept;
    int Descriptor() const { return fd_; }
    const WString& Path() const { return path_; }

private:
    [[noreturn]] void Fail(const char* operation) const;
    int fd_ = -1;
    WString path_;
};

// True when the path names an existing regular file (links followed).
bool FileExists(const WString& path);
// True when the path names an existing directory (links followed).
bool DirectoryExists(const WString& path);
// Size in bytes; false when the file cannot be examined.
bool FileSize(const WString& path, std::uint64_t& size);
// Raises on failure.
void DeleteFileAt(const WString& path);
// Replaces `to` with `from` in one atomic step (rename(2)). Raises on failure.
void RenameFileOver(const WString& from, const WString& to);
// Flushes a directory's entries (after a rename into it). Errors are ignored.
void FlushDirectory(const WString& directory);
// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const WString& path, std::string& bytes);
