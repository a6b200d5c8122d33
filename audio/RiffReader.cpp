#include "audio/RiffReader.h"

#include <algorithm>
#include <cstring>

#include "platform/SystemError.h"

namespace {
constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kFormTypeBytes = 4;

std::uint32_t LoadLe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
}  // namespace

bool CRiffReader::Open(const WString& path) {
    Close();
    if (!file_.TryOpen(path, FileMode::Read)) return false;
    try {
        length_ = file_.Length();
    } catch (const CFileException&) {
        Close();
        return false;
    }
    buffer_.resize(kBufferBytes);
    source_ = &file_;
    return true;
}

void CRiffReader::OpenBytes(const void* data, std::size_t size) {
    Close();
    memory_.emplace(data, size);
    length_ = size;
    source_ = &*memory_;
}

void CRiffReader::Close() {
    source_ = nullptr;
    memory_.reset();
    file_.Close();
    length_ = 0;
    position_ = 0;
    bufferStart_ = 0;
    bufferFill_ = 0;
}

bool CRiffReader::Fill() {
    bufferStart_ = position_;
    bufferFill_ = 0;
    try {
        source_->Seek(position_);
        bufferFill_ = source_->Read(buffer_.data(), buffer_.size());
    } catch (const CFileException&) {
        return false;
    }
    return true;
}

std::int64_t CRiffReader::Read(void* buffer, std::size_t count) {
    if (!IsOpen()) return -1;
    if (memory_) {  // bytes in memory need no buffer
        memory_->Seek(position_);
        const std::size_t n = memory_->Read(buffer, count);
        position_ += n;
        return static_cast<std::int64_t>(n);
    }
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count && position_ < length_) {
        if (position_ >= bufferStart_ && position_ < bufferStart_ + bufferFill_) {
            const std::size_t at = static_cast<std::size_t>(position_ - bufferStart_);
            const std::size_t n = std::min(count - done, bufferFill_ - at);
            std::memcpy(out + done, buffer_.data() + at, n);
            done += n;
            position_ += n;
            continue;
        }
        if (count - done >= buffer_.size()) {
            // A request at least as large as the buffer goes straight to the caller's memory.
            std::size_t n = 0;
            try {
                source_->Seek(position_);
                n = source_->Read(out + done, count - done);
            } catch (const CFileException&) {
                return -1;
            }
            done += n;
            position_ += n;
            if (n == 0) break;
            continue;
        }
        if (!Fill()) return -1;
        if (bufferFill_ == 0) break;
    }
    return static_cast<std::int64_t>(done);
}

bool CRiffReader::ReadHeader(std::uint64_t searchEnd, RIFF_CHUNK& chunk) {
    const std::uint64_t start = position_;
    if (start + kHeaderBytes > std::min(searchEnd, length_)) return false;
    unsigned char header[kHeaderBytes + kFormTypeBytes];
    if (Read(header, kHeaderBytes) != static_cast<std::int64_t>(kHeaderBytes)) return false;
    chunk = RIFF_CHUNK{};
    chunk.id = LoadLe32(header);
    chunk.size = LoadLe32(header + 4);
    chunk.dataOffset = start + kHeaderBytes;
    if (chunk.id == kFourCCRiff || chunk.id == kFourCCList) {
        if (Read(header + kHeaderBytes, kFormTypeBytes) !=
            static_cast<std::int64_t>(kFormTypeBytes))
            return false;
        chunk.formType = LoadLe32(header + kHeaderBytes);
    }
    return true;
}

bool CRiffReader::DescendForm(std::uint32_t formType, RIFF_CHUNK& chunk) {
    RIFF_CHUNK found;
    while (ReadHeader(length_, found)) {
        if (found.id == kFourCCRiff && found.formType == formType) {
            chunk = found;
            return true;
        }
        Ascend(found);
    }
    return false;
}

bool CRiffReader::Descend(std::uint32_t id, std::uint64_t searchEnd, RIFF_CHUNK& chunk) {
    RIFF_CHUNK found;
    while (ReadHeader(searchEnd, found)) {
        if (found.id == id) {
            chunk = found;
            return true;
        }
        Ascend(found);
    }
    return false;
}
