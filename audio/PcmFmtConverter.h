#pragma once
// CPcmFmtConverter: turns chunks of raw PCM bytes of one format into another, here the analysis
// format (mono IEEE float at 44100 Hz). Up to three stages run in order: sample type (integer
// PCM of 8, 16, 24 or 32 bits to float), channel count (mono to N, or N to mono by averaging)
// and sample rate (one CResamp per output channel). The resamplers keep their state between
// calls, so a stream is converted chunk by chunk as it is read.
//
// Wherever channels, rate or block align are read, a stored 0 counts as 1.

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/PcmKernels.h"
#include "audio/Resamp.h"
#include "audio/WaveFormat.h"

class CPcmFmtConverter {
public:
    // Relative cutoff of the resamplers' low-pass filter.
    static constexpr double kCutoff = 0.8;

    CPcmFmtConverter() = default;
    virtual ~CPcmFmtConverter();
    CPcmFmtConverter(const CPcmFmtConverter&) = delete;
    CPcmFmtConverter& operator=(const CPcmFmtConverter&) = delete;

    // Copy the 18 bytes of a format record (the extensible part, if any, is not looked at).
    void SetInputFormat(const WAVEFORMATEX& format);
    void SetOutputFormat(const WAVEFORMATEX& format);
    // Discards any resampler state and makes one resampler per output channel. Call after the
    // formats are set; a rate outside 8000 to 96000 Hz leaves the resamplers unable to produce.
    void Prepare();

    // Converts `inputBytes` bytes (whole frames are used; a partial frame at the end is not)
    // into `output`, which holds `outputCapacity` bytes and must be aligned for float. Returns
    // the number of output frames written, at most what the capacity holds. Returns 0 for an
    // unsupported conversion: float or other tags to integer, a width other than 8, 16, 24 or
    // 32 bits, channel counts where neither side is mono, a rate outside 8000 to 96000 Hz, or
    // no Prepare. When the resampler reaches the capacity the rest of the chunk is not used;
    // MaxOutputBytes tells how much room a chunk needs. Allocates only when a chunk is larger
    // than every chunk before it.
    std::uint32_t Convert(const void* input, std::uint32_t inputBytes, void* output,
                          std::uint32_t outputCapacity);

    // Output room, in frames (bytes), that lets the next Convert use all of `inputBytes` input
    // bytes: at least what they produce, at most a few frames more. An output buffer of
    // MaxOutputBytes(inputBytes) never cuts a chunk short.
    std::uint64_t MaxOutputFrames(std::uint32_t inputBytes) const;
    std::uint64_t MaxOutputBytes(std::uint32_t inputBytes) const;

    // True when the formats agree in everything the stages change: Convert then only copies
    // the bytes, and a caller may take the input as it is.
    bool CopiesThrough() const;

    std::uint32_t InputRate() const;
    std::uint32_t InputChannels() const;
    std::uint32_t InputBlockAlign() const;
    std::uint32_t OutputRate() const;
    std::uint32_t OutputChannels() const;
    std::uint32_t OutputBlockAlign() const;

private:
    bool TypeDiffers() const;
    bool ChannelsDiffer() const { return InputChannels() != OutputChannels(); }
    bool RateDiffers() const { return InputRate() != OutputRate(); }
    // Copies whole bytes when no stage has anything to do.
    std::uint32_t CopyThrough(const void* input, std::uint32_t inputBytes, void* output,
                              std::uint32_t outputCapacity) const;
    void ChooseKernels();
    // Grows a work buffer to hold `count` floats; returns its data.
    static float* Reserve(std::vector<float>& buffer, std::size_t count);

    WAVEFORMATEX input_{};
    WAVEFORMATEX output_{};
    std::vector<std::unique_ptr<CResamp>> resamplers_;
    std::vector<float> typeBuffer_;     // type stage output
    std::vector<float> channelBuffer_;  // channel stage output
    PcmToFloatKernel toFloat_ = nullptr;  // the type stage's kernel for the input's width
    MixToMonoKernel mixDown_ = nullptr;   // type and channel stages in one, when the formats allow
};
