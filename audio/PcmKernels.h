#pragma once
// Plain loops over float that the sample converter and the resampler are built from. None of
// them allocates; counts of 0 do nothing. Sources are read and destinations written only within
// `count` elements (times the stride).

#include <cstddef>
#include <cstdint>

// Integer samples are brought to the scale of 16-bit values first; this factor then maps full
// scale to [-1, 1).
constexpr float kSixteenBitToUnit = 0x1p-15f;

// dst[i] = src[i] × factor; dst may equal src.
void ScaleSamples(float* dst, const float* src, std::size_t count, float factor);
// dst[i × dstStride] = src[i × srcStride].
void CopyStrided(float* dst, std::size_t dstStride, const float* src, std::size_t srcStride,
                 std::size_t count);
// dst[i × dstStride] += src[i × srcStride] × gain.
void MultiplyAddStrided(float* dst, std::size_t dstStride, const float* src, std::size_t srcStride,
                        std::size_t count, float gain);
// Σ a[i] × b[i], accumulated in double four products per round, then the remainder.
float DotProduct(const float* a, const float* b, std::size_t count);
// Eight independent DotProducts at once: out[j] = DotProduct(a[j], b[j], count), each summed in
// the same order and so equal to it bit for bit. One sum must wait for each of its additions;
// sums side by side keep the adder busy. `wide` takes the 256-bit code, four sums per register
// (only where CpuHasWideVectors()).
constexpr std::size_t kDotProductGroup = 8;
void DotProducts(const float* const* a, const float* const* b, std::size_t count, float* out,
                 bool wide);

// Integer PCM to float on the 16-bit scale (multiply by kSixteenBitToUnit afterwards). `src`
// holds `count` little-endian samples, packed, with no alignment required.
// 8 bits (unsigned): (byte - 128) × 256.
void Pcm8ToFloat(float* dst, const std::uint8_t* src, std::size_t count);
// 16 bits: the signed value.
void Pcm16ToFloat(float* dst, const std::uint8_t* src, std::size_t count);
// 24 bits: the signed value / 256 (integer division, truncating toward zero).
void Pcm24ToFloat(float* dst, const std::uint8_t* src, std::size_t count);
// 32 bits: the signed value / 65536 (integer division, truncating toward zero).
void Pcm32ToFloat(float* dst, const std::uint8_t* src, std::size_t count);

// The conversion above for a sample width of 8, 16, 24 or 32 bits; null for other widths.
using PcmToFloatKernel = void (*)(float* dst, const std::uint8_t* src, std::size_t count);
PcmToFloatKernel PcmToFloatKernelFor(std::uint16_t bits);

// Integer PCM frames of `channels` packed samples to mono float at full scale, in one pass: each
// sample as above times kSixteenBitToUnit, the frame's samples added in channel order, the sum
// times `inverse` (1 / channels). Gives the same values as converting, mixing and scaling in
// separate passes.
using MixToMonoKernel = void (*)(float* dst, const std::uint8_t* src, std::size_t frames,
                                 std::size_t channels, float inverse);
// The mix-down kernel for a sample width of 8, 16, 24 or 32 bits; null for other widths.
MixToMonoKernel MixToMonoKernelFor(std::uint16_t bits);

// Float frames of `channels` interleaved samples to mono in one pass: the frame's samples added
// in channel order, the sum times `inverse` (1 / channels). Gives the same values as copying the
// first channel, adding the others one pass each and scaling.
void MixFloatToMono(float* dst, const float* src, std::size_t frames, std::size_t channels,
                    float inverse);
