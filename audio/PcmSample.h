#pragma once
// One little-endian integer PCM sample as a float on the 16-bit scale (multiply by
// kSixteenBitToUnit for full scale [-1, 1)). The block kernels and the converter's fused
// mix-down read samples through these, so both give the same values.

#include <cstddef>
#include <cstdint>

// Wider samples are brought to the 16-bit scale by integer division, which truncates toward
// zero, so the largest positive value stays below full scale after the final scaling.
template <std::size_t kBytes>
inline float PcmSampleAt(const std::uint8_t* p) {
    if constexpr (kBytes == 1) {
        // Unsigned: (byte - 128) × 256.
        return static_cast<float>(p[0] - 128) * 256.0f;
    } else if constexpr (kBytes == 2) {
        return static_cast<float>(static_cast<std::int16_t>(p[0] | p[1] << 8));
    } else if constexpr (kBytes == 3) {
        // Assemble in the top three bytes so that the sign comes with it, then shift down.
        const auto bits = static_cast<std::uint32_t>(p[0]) << 8 |
                          static_cast<std::uint32_t>(p[1]) << 16 |
                          static_cast<std::uint32_t>(p[2]) << 24;
        return static_cast<float>((static_cast<std::int32_t>(bits) >> 8) / 256);
    } else {
        static_assert(kBytes == 4, "integer samples are 1 to 4 bytes wide");
        const auto bits = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                          static_cast<std::uint32_t>(p[2]) << 16 |
                          static_cast<std::uint32_t>(p[3]) << 24;
        return static_cast<float>(static_cast<std::int32_t>(bits) / 65536);
    }
}
