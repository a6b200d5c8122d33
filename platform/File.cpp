#include "platform/File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/SystemError.h"

CFileException::CFileException(int error, const std::string& path, const std::string& operation)
    : std::runtime_error(operation + " failed on " + path), error_(error), path_(path) {}

CFile::~CFile() { Close(); }

CFile::CFile(CFile&& o) noexcept : fd_(std::exchange(o.fd_, -1)), path_(std::move(o.path_)) {}

CFile& CFile::operator=(CFile&& o) noexcept {
    if (this != &o) {
        Close();
        fd_ = std::exchange(o.fd_, -1);
        path_ = std::move(o.path_);
    }
    return *this;
}

void CFile::Fail(const char* operation) const {
    throw CFileException(errno, Utf16ToUtf8(path_), operation);
}

bool CFile::TryOpen(const WString& path, FileMode mode) noexcept {
    Close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case FileMode::Read: flags |= O_RDONLY; break;
        case FileMode::ReadWrite: flags |= O_RDWR; break;
        case FileMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
        case FileMode::CreateAlways: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    // An existing file is opened without blocking, so that a FIFO or a device never stalls the
    // caller, and kept only when it is a regular file; blocking reads and writes come back after.
    const bool existing = mode == FileMode::Read || mode == FileMode::ReadWrite;
    if (existing) flags |= O_NONBLOCK;
    try {
        path_ = path;
        fd_ = ::open(Utf16ToUtf8(path).c_str(), flags, 0666);
    } catch (...) {
        fd_ = -1;
    }
    if (fd_ < 0 || !existing) return fd_ >= 0;
    struct stat st {};
    int error = 0;
    if (::fstat(fd_, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error) {
        Close();
        errno = error;
    }
    return fd_ >= 0;
}

void CFile::Open(const WString& path, FileMode mode) {
    if (!TryOpen(path, mode)) Fail("open");
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(fd_, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("read");
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void CFile::Write(const void* buffer, std::size_t count) {
    std::size_t done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(fd_, in + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("write");
        }
        done += static_cast<std::size_t>(n);
    }
}

void CFile::Seek(std::uint64_t offset) {
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) Fail("seek");
}

std::uint64_t CFile::Position() const {
    const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
    if (pos < 0) Fail("seek");
    return static_cast<std::uint64_t>(pos);
}

std::uint64_t CFile::Length() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) Fail("stat");
    return static_cast<std::uint64_t>(st.st_size);
}

void CFile::SetLength(std::uint64_t length) {
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) Fail("truncate");
}

void CFile::Flush() {
    if (::fsync(fd_) != 0) Fail("flush");
}

bool CFile::TryLockExclusive() noexcept { return ::flock(fd_, LOCK_EX | LOCK_NB) == 0; }

void CFile::Close() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FileExists(const WString& path) {
    struct stat st {};
    return ::stat(Utf16ToUtf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const WString& path) {
    struct stat st {};
    return ::stat(Utf16ToUtf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileSize(const WString& path, std::uint64_t& size) {
    struct stat st {};
    if (::stat(Utf16ToUtf8(path).c_str(), &st) != 0) return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

void DeleteFileAt(const WString& path) {
    const std::string p = Utf16ToUtf8(path);
    if (::unlink(p.c_str()) != 0) throw CFileException(errno, p, "delete");
}

void RenameFileOver(const WString& from, const WString& to) {
    const std::string f = Utf16ToUtf8(from);
    if (::rename(f.c_str(), Utf16ToUtf8(to).c_str()) != 0) throw CFileException(errno, f, "rename");
}

void FlushDirectory(const WString& directory) {
    const int fd = ::open(Utf16ToUtf8(directory).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool ReadWholeFile(const WString& path, std::string& bytes) {
    CFile f;
    if (!f.TryOpen(path, FileMode::Read)) return false;
    try {
        bytes.resize(static_cast<std::size_t>(f.Length()));
        bytes.resize(f.Read(bytes.data(), bytes.size()));
    } catch (const CFileException&) {
        return false;
    }
    return true;
}
