#include "tags/Id3Bytes.h"

namespace {
constexpr std::uint8_t kSyncByte = 0xFF;
constexpr std::uint32_t kSevenBits = 0x7F;
}  // namespace

std::uint32_t ReadBigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

void WriteBigEndian32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}

std::uint32_t ReadSyncsafe32(const std::uint8_t* p) {
    return ((p[0] & kSevenBits) << 21) | ((p[1] & kSevenBits) << 14) |
           ((p[2] & kSevenBits) << 7) | (p[3] & kSevenBits);
}

void WriteSyncsafe32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>((value >> 21) & kSevenBits);
    p[1] = static_cast<std::uint8_t>((value >> 14) & kSevenBits);
    p[2] = static_cast<std::uint8_t>((value >> 7) & kSevenBits);
    p[3] = static_cast<std::uint8_t>(value & kSevenBits);
}

void Resynchronise(std::uint8_t* buffer, std::size_t& length) {
    std::size_t out = 0;
    for (std::size_t in = 0; in < length; ++in) {
        buffer[out++] = buffer[in];
        // The 0x00 after a 0xFF was inserted by the writer; skip it and go on after it.
        if (buffer[in] == kSyncByte && in + 1 < length && buffer[in + 1] == 0x00) ++in;
    }
    length = out;
}
