#pragma once
// The frame count of a Windows Media Audio v1/v2 stream told from its packets, without decoding
// them, for the streams where the packets alone decide it.
//
// Without the bit reservoir every packet of the stream's block size holds exactly one frame of a
// length fixed by the version and the sample rate. FFmpeg's decoder delivers nothing for the
// first two frames it decodes (the start-up of the overlapping transform) and one more frame
// when it is drained at the end, so a stream of n such packets delivers n - 1 frames. With the
// bit reservoir, frames span packets and how many a packet completes depends on where the
// previous one ended, which only decoding tells.

#include <cstddef>
#include <cstdint>

// True when the codec's extra data (the format's trailing bytes: 4 for v1, 6 or more for v2)
// switches the bit reservoir on. Missing bytes mean off, as in the decoder.
bool WmaUsesBitReservoir(bool version1, const std::uint8_t* extraData, std::size_t size);

// Samples per channel in one frame: 512 up to 16 kHz, 1024 up to 22.05 kHz (v1 also up to
// 32 kHz), else 2048.
std::uint32_t WmaFrameLength(std::uint32_t sampleRate, bool version1);

// The frames (samples per channel) a stream of `packets` one-frame packets delivers.
std::uint64_t WmaDeliveredFrames(std::uint64_t packets, std::uint32_t frameLength);
