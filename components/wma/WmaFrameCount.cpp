#include "components/wma/WmaFrameCount.h"

namespace {

// Offset of the 16-bit little-endian flags word in the codec's extra data, by version.
constexpr std::size_t kFlagsOffsetV1 = 2;
constexpr std::size_t kFlagsOffsetV2 = 4;
constexpr unsigned kBitReservoirFlag = 0x0002;
// FFmpeg's decoder: decoded frames that deliver nothing at the start, frames given when drained.
constexpr std::uint64_t kHeldBackFrames = 2;
constexpr std::uint64_t kDrainedFrames = 1;

}  // namespace

bool WmaUsesBitReservoir(bool version1, const std::uint8_t* extraData, std::size_t size) {
    const std::size_t at = version1 ? kFlagsOffsetV1 : kFlagsOffsetV2;
    if (!extraData || size < at + 2) return false;
    const unsigned flags = extraData[at] | (unsigned{extraData[at + 1]} << 8);
    return (flags & kBitReservoirFlag) != 0;
}

std::uint32_t WmaFrameLength(std::uint32_t sampleRate, bool version1) {
    if (sampleRate <= 16000) return 512;
    if (sampleRate <= 22050 || (version1 && sampleRate <= 32000)) return 1024;
    return 2048;
}

std::uint64_t WmaDeliveredFrames(std::uint64_t packets, std::uint32_t frameLength) {
    const std::uint64_t decoded = packets + kDrainedFrames;
    return decoded > kHeldBackFrames ? (decoded - kHeldBackFrames) * frameLength : 0;
}
