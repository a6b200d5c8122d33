#include "components/mp3/BufferedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
// Bytes fetched per system call.
constexpr size_t kBufferBytes = 256 * 1024;
}  // namespace

bool CBufferedFile::Open(const std::string& path) {
    Close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        Close();
        return false;
    }
    size_ = st.st_size;
    buffer_.resize(kBufferBytes);
    return true;
}

void CBufferedFile::OpenBytes(const std::uint8_t* data, std::size_t size) {
    Close();
    static const std::uint8_t kNoBytes = 0;
    memory_ = data ? data : &kNoBytes;
    size_ = static_cast<off_t>(size);
}

void CBufferedFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    memory_ = nullptr;
    size_ = position_ = bufferStart_ = 0;
    bufferLength_ = 0;
}

ssize_t CBufferedFile::Read(void* dst, size_t count) {
    auto* out = static_cast<std::uint8_t*>(dst);
    if (memory_) {
        const size_t n = position_ >= size_ ? 0 : std::min(count, static_cast<size_t>(size_ - position_));
        if (n) std::memcpy(out, memory_ + position_, n);
        position_ += static_cast<off_t>(n);
        return static_cast<ssize_t>(n);
    }
    if (fd_ < 0) return -1;
    size_t done = 0;
    while (done < count) {
        const bool inBuffer = position_ >= bufferStart_ &&
                              position_ < bufferStart_ + static_cast<off_t>(bufferLength_);
        if (!inBuffer) {
            ssize_t n;
            do {
                n = ::pread(fd_, buffer_.data(), buffer_.size(), position_);
            } while (n < 0 && errno == EINTR);
            if (n < 0) return done ? static_cast<ssize_t>(done) : -1;
            bufferStart_ = position_;
            bufferLength_ = static_cast<size_t>(n);
            if (n == 0) break;
        }
        const auto offset = static_cast<size_t>(position_ - bufferStart_);
        const size_t n = std::min(count - done, bufferLength_ - offset);
        std::memcpy(out + done, buffer_.data() + offset, n);
        done += n;
        position_ += static_cast<off_t>(n);
    }
    return static_cast<ssize_t>(done);
}

off_t CBufferedFile::Seek(off_t offset, int whence) {
    if (!IsOpen()) return -1;
    off_t base = 0;
    switch (whence) {
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = position_;
            break;
        case SEEK_END:
            base = size_;
            break;
        default:
            return -1;
    }
    if (offset < -base) return -1;
    position_ = base + offset;
    return position_;
}
