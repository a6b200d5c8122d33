#include "profile/ReadLoop.h"

#include <algorithm>
#include <cstring>

#include "audio/MemBuffer.h"
#include "audio/PcmFmtConverter.h"
#include "platform/UnknownBase.h"
#include "tonal/NoteDetector.h"
#include "tonal/SpecEngBuilder.h"

WAVEFORMATEX AnalysisFormat() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = 1;
    format.nSamplesPerSec = kAnalysisRate;
    format.nAvgBytesPerSec = kAnalysisRate * sizeof(float);
    format.nBlockAlign = sizeof(float);
    format.wBitsPerSample = 32;
    format.cbSize = 0;
    return format;
}

namespace {

// The source's format, after a source of several channels that can mix them to one itself has
// been asked to (the analysis wants mono; a decoder mixes more cheaply than the converter).
// False when the source cannot report its format, or failed while changing to mono.
bool AnalysisInputFormat(IPcmReader& source, WAVEFORMATEX& input) {
    if (FAILED(source.GetFormat(&input, nullptr))) return false;
    if (input.nChannels <= 1) return true;
    ComPtr<IPcmMonoMix> mono;
    if (FAILED(source.QueryInterface(IID_IPcmMonoMix, mono.OutVoid())) || !mono) return true;
    return SUCCEEDED(mono->MixToMono()) && SUCCEEDED(source.GetFormat(&input, nullptr));
}

}  // namespace

bool RunReadLoop(const CPfRhythmAnalyzer& context, const BuildProgressSink& sink,
                 IPcmReader& source, std::uint32_t blockSize, CPfPcmThumbnail& envelopeA,
                 CPfNoteDetector* detector) {
    CPcmFmtConverter converter;
    WAVEFORMATEX input{};
    if (!AnalysisInputFormat(source, input)) return false;
    converter.SetInputFormat(input);
    converter.SetOutputFormat(AnalysisFormat());
    converter.Prepare();

    CMemBuffer inputBuffer, convertedBuffer, blockBuffer;
    auto* in = static_cast<std::uint8_t*>(inputBuffer.Allocate(kReadRequestBytes));
    auto* converted = static_cast<float*>(convertedBuffer.Allocate(kConvertedBytes));
    auto* block = static_cast<float*>(blockBuffer.Allocate(std::size_t{blockSize} * sizeof(float)));
    if (!in || !converted) return false;

    CPfSpecEngBuilder spectral(static_cast<std::uint16_t>(blockSize));
    if (blockSize == 0 || !block) return false;

    std::uint64_t frames = 0;
    source.GetLengthFrames(&frames);
    const std::uint64_t outputFrames = frames * kAnalysisRate / converter.InputRate();
    const std::uint64_t totalBlocks = outputFrames / blockSize;
    envelopeA.Allocate(outputFrames, kAnalysisRate, blockSize);

    // Every read asks for whole input frames, and never for more than the converted-sample
    // buffer can hold after conversion (low rates with 8-bit samples expand several times), so
    // no audio is lost between reads.
    const std::uint32_t request = FittingReadRequest(
        converter.InputBlockAlign(), [&](std::uint32_t bytes) { return converter.MaxOutputBytes(bytes); });

    std::uint64_t length = 0;
    source.GetLengthBytes(&length);
    const bool direct = converter.CopiesThrough();
    std::uint32_t filled = 0;        // samples in the current block
    std::uint64_t blockIndex = 0;
    auto analyseBlock = [&](const float* samples) {
        if (detector) detector->Feed(samples, blockSize);
        envelopeA.SetEntry(static_cast<std::int64_t>(blockIndex), spectral.SpectralSum(samples));
        if (blockIndex % kProgressBlockStep == 0)
            ReportProgress(sink, totalBlocks ? static_cast<int>(blockIndex * kProgressRead /
                                                                 totalBlocks)
                                             : kProgressStart);
        ++blockIndex;
    };
    for (std::uint64_t position = 0; position < length; position += request) {
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(length - position, request));
        source.Read(in, position, count);  // a failed read leaves the buffer as it was
        // Input already in the analysis format is analysed where it was read.
        const float* samples = converted;
        std::uint32_t produced = 0;
        if (direct) {
            samples = reinterpret_cast<const float*>(in);
            produced = count / converter.OutputBlockAlign();
        } else {
            produced = converter.Convert(in, count, converted, kConvertedBytes);
        }
        // The samples go to the analysis a block at a time: whole blocks straight from the
        // converted buffer, the pieces of a block that spans two reads through the block buffer.
        // The cancel flag is tested before each block's samples are taken.
        for (std::uint32_t i = 0; i < produced;) {
            if (context.Cancelled()) return false;
            const std::uint32_t take = std::min(blockSize - filled, produced - i);
            if (filled == 0 && take == blockSize) {
                analyseBlock(samples + i);
            } else {
                std::memcpy(block + filled, samples + i, take * sizeof(float));
                filled += take;
                if (filled == blockSize) {
                    filled = 0;
                    analyseBlock(block);
                }
            }
            i += take;
        }
    }
    return true;
}
