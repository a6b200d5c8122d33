#pragma once
// Byte-level helpers of the ID3v2 format: big-endian and syncsafe 32-bit integers, and the
// removal of unsynchronisation. Plain free functions on caller-owned buffers.

#include <cstddef>
#include <cstdint>

// Largest value a syncsafe integer can carry (28 bits).
inline constexpr std::uint32_t kMaxSyncsafe = 0x0FFFFFFF;

// Reads four bytes as a big-endian unsigned integer.
std::uint32_t ReadBigEndian32(const std::uint8_t* p);
// Writes `value` as four big-endian bytes.
void WriteBigEndian32(std::uint8_t* p, std::uint32_t value);
// Reads four bytes of 7 bits each, most significant first (the top bit of each byte is ignored).
std::uint32_t ReadSyncsafe32(const std::uint8_t* p);
// Writes the low 28 bits of `value` as four bytes of 7 bits each, most significant first.
void WriteSyncsafe32(std::uint8_t* p, std::uint32_t value);

// Removes unsynchronisation in place: every 0x00 that follows a 0xFF is dropped, scanning on from
// the byte after the dropped one. `length` is shortened by the number of bytes removed. A 0xFF
// in the last byte is left alone (nothing is read past `length`).
void Resynchronise(std::uint8_t* buffer, std::size_t& length);
