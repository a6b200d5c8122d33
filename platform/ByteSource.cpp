#include "platform/ByteSource.h"

#include <algorithm>
#include <cstring>

std::size_t CMemorySource::Read(void* buffer, std::size_t count) {
    if (position_ >= size_) return 0;
    const std::size_t n = std::min<std::uint64_t>(count, size_ - position_);
    if (n) std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return n;
}
