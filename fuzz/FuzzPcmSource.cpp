#include "fuzz/FuzzPcmSource.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "audio/PcmFmtConverter.h"
#include "audio/WaveFormat.h"
#include "platform/UnknownBase.h"
#include "profile/ReadLoop.h"

namespace {
// Reads out of order land on these byte positions (and one frame further).
constexpr std::uint64_t kProbePositions[] = {0, 1, 4095, 0x6000, 0xFFFFFFF0u};
}  // namespace

void ExerciseOpenSource(IPcmReader& source, bool readAll) {
    WAVEFORMATEXTENSIBLE whole{};
    whole.Format.cbSize = kExtensibleExtraSize;
    source.GetFormat(&whole.Format, nullptr);
    WAVEFORMATEX format{};
    std::uint32_t bitRate = 0;
    if (FAILED(source.GetFormat(&format, &bitRate))) return;
    std::uint64_t bytes = 0, frames = 0;
    std::uint32_t rate = 0;
    source.GetLengthBytes(&bytes);
    source.GetLengthFrames(&frames);
    source.GetSampleRate(&rate);
    if (format.nBlockAlign && frames != bytes / format.nBlockAlign) std::abort();

    CPcmFmtConverter converter;
    converter.SetInputFormat(format);
    converter.SetOutputFormat(AnalysisFormat());
    converter.Prepare();
    const std::uint32_t request = FittingReadRequest(
        converter.InputBlockAlign(), [&](std::uint32_t n) { return converter.MaxOutputBytes(n); });
    // Kept from one input to the next: the fuzzer runs millions of inputs.
    static std::vector<std::uint8_t> in;
    static std::vector<float> out(kConvertedBytes / sizeof(float));
    in.resize(request);
    for (std::uint64_t position = 0; readAll && position < bytes; position += request) {
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes - position, request));
        if (FAILED(source.Read(in.data(), position, count))) break;
        converter.Convert(in.data(), count, out.data(), kConvertedBytes);
    }
    // A decoder that predicted its length has corrected it, if need be, once its read ended.
    source.GetLengthBytes(&bytes);
    source.GetLengthFrames(&frames);
    if (format.nBlockAlign && frames != bytes / format.nBlockAlign) std::abort();
    for (const std::uint64_t position : kProbePositions) {
        const std::uint64_t at = position + format.nBlockAlign;
        source.Read(in.data(), at, static_cast<std::uint32_t>(std::min<std::size_t>(in.size(), 64)));
        source.Read(in.data(), position, static_cast<std::uint32_t>(std::min<std::size_t>(in.size(), 64)));
    }
    // A decoder that mixes to mono keeps the rate and the frame count.
    ComPtr<IPcmMonoMix> mono;
    if (format.nChannels > 1 && SUCCEEDED(source.QueryInterface(IID_IPcmMonoMix, mono.OutVoid())) &&
        SUCCEEDED(mono->MixToMono())) {
        WAVEFORMATEX mixed{};
        std::uint64_t mixedFrames = 0;
        if (FAILED(source.GetFormat(&mixed, nullptr)) || mixed.nChannels != 1 ||
            mixed.nSamplesPerSec != format.nSamplesPerSec ||
            FAILED(source.GetLengthFrames(&mixedFrames)) || mixedFrames != frames)
            std::abort();
        for (const std::uint64_t position : kProbePositions)
            source.Read(in.data(), position, static_cast<std::uint32_t>(std::min<std::size_t>(in.size(), 64)));
    }
    source.Close();
}
