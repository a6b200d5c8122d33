#include "components/wma/AsfSaveCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "components/wma/AsfAudioDecoder.h"
#include "components/wma/AsfHeaderLayout.h"

namespace {

constexpr std::size_t kReadChunkBytes = 1 << 20;
// FNV-1a, 64 bits.
constexpr std::uint64_t kDigestBasis = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kDigestPrime = 0x100000001b3ULL;

bool DigestFrom(int fd, std::uint64_t offset, ASF_AUDIO_PART* part) {
    std::vector<std::uint8_t> buffer(kReadChunkBytes);
    part->bytes = 0;
    part->digest = kDigestBasis;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
        if (n < 0) return false;
        if (n == 0) return true;
        for (ssize_t i = 0; i < n; ++i) part->digest = (part->digest ^ buffer[i]) * kDigestPrime;
        part->bytes += static_cast<std::uint64_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
}

bool StreamDecodes(const std::string& path) {
    CAsfAudioDecoder decoder;
    return decoder.Open(path) && decoder.CountRemainingFrames() > 0;
}

}  // namespace

bool ReadAsfAudioPart(const std::string& path, ASF_AUDIO_PART* part) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    ASF_HEADER_LAYOUT layout;
    const bool ok = ReadAsfHeaderLayout(fd, &layout) && layout.plausible &&
                    DigestFrom(fd, layout.headerSize, part);
    ::close(fd);
    return ok;
}

bool SavedAsfIsSound(const std::string& path, const ASF_AUDIO_PART& before) {
    ASF_AUDIO_PART after;
    return ReadAsfAudioPart(path, &after) && after.bytes == before.bytes &&
           after.digest == before.digest && StreamDecodes(path);
}
