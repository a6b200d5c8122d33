#include "audio/PcmFmtConverter.h"

#include <algorithm>
#include <cstring>

#include "audio/MonoMix.h"
#include "audio/PcmKernels.h"

namespace {
constexpr std::uint32_t OneForZero(std::uint32_t value) {
    return value ? value : 1;
}
}  // namespace

CPcmFmtConverter::~CPcmFmtConverter() = default;

void CPcmFmtConverter::SetInputFormat(const WAVEFORMATEX& format) {
    input_ = format;
    ChooseKernels();
}
void CPcmFmtConverter::SetOutputFormat(const WAVEFORMATEX& format) {
    output_ = format;
    ChooseKernels();
}

// The kernels are chosen once per pair of formats, not on every chunk. Integer PCM of several
// channels to mono float, the analysis path, has one kernel that does the type and channel
// stages in a single pass.
void CPcmFmtConverter::ChooseKernels() {
    toFloat_ = PcmToFloatKernelFor(input_.wBitsPerSample);
    mixDown_ = nullptr;
    if (input_.wFormatTag == WAVE_FORMAT_PCM && output_.wFormatTag == WAVE_FORMAT_IEEE_FLOAT &&
        InputChannels() > 1 && OutputChannels() == 1)
        mixDown_ = MixToMonoKernelFor(input_.wBitsPerSample);
}

std::uint32_t CPcmFmtConverter::InputRate() const {
    return OneForZero(input_.nSamplesPerSec);
}
std::uint32_t CPcmFmtConverter::InputChannels() const {
    return OneForZero(input_.nChannels);
}
std::uint32_t CPcmFmtConverter::InputBlockAlign() const {
    return OneForZero(input_.nBlockAlign);
}
std::uint32_t CPcmFmtConverter::OutputRate() const {
    return OneForZero(output_.nSamplesPerSec);
}
std::uint32_t CPcmFmtConverter::OutputChannels() const {
    return OneForZero(output_.nChannels);
}
std::uint32_t CPcmFmtConverter::OutputBlockAlign() const {
    return OneForZero(output_.nBlockAlign);
}

bool CPcmFmtConverter::TypeDiffers() const {
    return input_.wFormatTag != output_.wFormatTag ||
           input_.wBitsPerSample != output_.wBitsPerSample;
}

void CPcmFmtConverter::Prepare() {
    resamplers_.clear();
    for (std::uint32_t c = 0; c < OutputChannels(); ++c) {
        auto resampler = std::make_unique<CResamp>();
        resampler->Init(OutputRate(), InputRate(), kCutoff);
        resamplers_.push_back(std::move(resampler));
    }
}

float* CPcmFmtConverter::Reserve(std::vector<float>& buffer, std::size_t count) {
    // Never null, also for no samples (a chunk shorter than one frame of many channels): the
    // stages step through the buffer by channel.
    if (buffer.size() < std::max<std::size_t>(count, 1)) buffer.resize(std::max<std::size_t>(count, 1));
    return buffer.data();
}

std::uint32_t CPcmFmtConverter::CopyThrough(const void* input, std::uint32_t inputBytes,
                                            void* output, std::uint32_t outputCapacity) const {
    const std::uint32_t bytes = std::min(inputBytes, outputCapacity);
    std::memcpy(output, input, bytes);
    return bytes / OutputBlockAlign();
}

std::uint32_t CPcmFmtConverter::Convert(const void* input, std::uint32_t inputBytes, void* output,
                                        std::uint32_t outputCapacity) {
    if (!input || !output) return 0;
    if (CopiesThrough()) return CopyThrough(input, inputBytes, output, outputCapacity);
    const bool channelsDiffer = ChannelsDiffer();
    const bool rateDiffers = RateDiffers();
    const bool lastStageIsType = !channelsDiffer && !rateDiffers;

    auto* out = static_cast<float*>(output);
    const std::size_t outputFloats = outputCapacity / sizeof(float);
    const std::size_t inChannels = InputChannels();
    const std::size_t inFrames = inputBytes / InputBlockAlign();

    // Type stage.
    const float* stage = nullptr;
    std::size_t frames = 0;
    const std::size_t outChannels = OutputChannels();
    if (mixDown_) {
        // Type and channel stages in one pass, over the same samples they would take.
        const std::size_t sampleBytes = input_.wBitsPerSample / 8u;
        frames = std::min(inFrames * inChannels, inputBytes / sampleBytes) / inChannels;
        float* dst = nullptr;
        if (rateDiffers) {
            dst = Reserve(channelBuffer_, frames);
        } else {
            dst = out;
            frames = std::min(frames, outputFloats);
        }
        mixDown_(dst, static_cast<const std::uint8_t*>(input), frames, inChannels,
                 1.0f / static_cast<float>(inChannels));
        if (!rateDiffers) return static_cast<std::uint32_t>(frames);
        stage = dst;
    } else if (input_.wFormatTag == output_.wFormatTag) {
        // Samples are taken as floats as they come, never past the input's end.
        frames = std::min(inFrames, inputBytes / (inChannels * sizeof(float)));
        if (reinterpret_cast<std::uintptr_t>(input) % alignof(float) == 0) {
            stage = static_cast<const float*>(input);
        } else {
            float* copy = Reserve(typeBuffer_, frames * inChannels);
            std::memcpy(copy, input, frames * inChannels * sizeof(float));
            stage = copy;
        }
    } else {
        if (input_.wFormatTag != WAVE_FORMAT_PCM || output_.wFormatTag != WAVE_FORMAT_IEEE_FLOAT)
            return 0;
        if (!toFloat_) return 0;
        const std::size_t sampleBytes = input_.wBitsPerSample / 8u;
        // A block align smaller than the samples it should hold must not lead past the input.
        std::size_t samples = std::min(inFrames * inChannels, inputBytes / sampleBytes);
        float* dst = nullptr;
        if (lastStageIsType) {
            dst = out;
            samples = std::min(samples, outputFloats);
        } else {
            dst = Reserve(typeBuffer_, samples);
        }
        toFloat_(dst, static_cast<const std::uint8_t*>(input), samples);
        ScaleSamples(dst, dst, samples, kSixteenBitToUnit);
        frames = samples / inChannels;
        if (lastStageIsType) return static_cast<std::uint32_t>(frames);
        stage = dst;
    }

    // Channel stage.
    if (channelsDiffer && !mixDown_) {
        if (output_.wFormatTag != WAVE_FORMAT_IEEE_FLOAT) return 0;
        if (inChannels != 1 && outChannels != 1) return 0;
        float* dst = nullptr;
        if (rateDiffers) {
            dst = Reserve(channelBuffer_, frames * outChannels);
        } else {
            dst = out;
            frames = std::min(frames, outputFloats / outChannels);
        }
        if (inChannels == 1) {
            for (std::size_t c = 0; c < outChannels; ++c)
                CopyStrided(dst + c, outChannels, stage, 1, frames);
        } else {
            MixFloatToMono(dst, stage, frames, inChannels, MonoMixFactor(inChannels));
        }
        if (!rateDiffers) return static_cast<std::uint32_t>(frames);
        stage = dst;
    }

    // Rate stage.
    if (resamplers_.size() != outChannels) return 0;
    // The capacity in frames never lets a stride of the channel count write past the buffer,
    // whatever the output's block align says.
    const auto capacityFrames = static_cast<std::uint32_t>(
        std::min<std::size_t>(outputCapacity / OutputBlockAlign(), outputFloats / outChannels));
    std::uint32_t written = 0;
    for (std::size_t c = 0; c < outChannels; ++c)
        written = resamplers_[c]->Process(out + c, stage + c, capacityFrames,
                                          static_cast<std::uint32_t>(frames),
                                          static_cast<std::uint16_t>(outChannels));
    return written;
}

bool CPcmFmtConverter::CopiesThrough() const {
    return !ChannelsDiffer() && !RateDiffers() &&
           (!TypeDiffers() || input_.wFormatTag == output_.wFormatTag);
}

std::uint64_t CPcmFmtConverter::MaxOutputFrames(std::uint32_t inputBytes) const {
    if (CopiesThrough()) return inputBytes / OutputBlockAlign();
    const std::uint64_t frames = inputBytes / InputBlockAlign();
    if (!RateDiffers()) return frames;
    if (resamplers_.empty()) return 0;
    return resamplers_.front()->MaxOutputFrames(frames);
}

std::uint64_t CPcmFmtConverter::MaxOutputBytes(std::uint32_t inputBytes) const {
    return MaxOutputFrames(inputBytes) * OutputBlockAlign();
}
