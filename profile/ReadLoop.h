#pragma once
// The single pass over a source: reads it in 24 KiB requests, converts every chunk to mono float
// at 44100 Hz, and hands each full block of samples to the note detector (when given) and the
// spectral engine, whose per-block sum becomes the block's entry of the energy envelope.

#include <cstdint>

#include "audio/AnalysisContext.h"
#include "audio/PcmReader.h"
#include "audio/PcmThumbnail.h"
#include "profile/BuildProgressSink.h"

class CPfNoteDetector;

// Byte sizes of the pass's buffers.
constexpr std::uint32_t kReadRequestBytes = 0x6000;  // 24 KiB per read
constexpr std::uint32_t kConvertedBytes = 0x60000;   // 384 KiB of converted samples
// Progress is posted every this many blocks (about 11.6 s of audio).
constexpr std::uint64_t kProgressBlockStep = 2000;
// The analysis format: mono float at this rate.
constexpr std::uint32_t kAnalysisRate = 44100;

// The analysis format: mono IEEE float at kAnalysisRate.
WAVEFORMATEX AnalysisFormat();

// A source that offers IPcmMonoMix is asked to deliver mono first. Returns true when the whole
// source was read without cancellation; false when the source cannot report its format (or
// failed while changing to mono), a buffer cannot be allocated, the block size is 0, or the build was
// cancelled. Progress up to kProgressRead is reported as blocks complete.
bool RunReadLoop(const CPfRhythmAnalyzer& context, const BuildProgressSink& sink,
                 IPcmReader& source, std::uint32_t blockSize, CPfPcmThumbnail& envelopeA,
                 CPfNoteDetector* detector);

// The largest read request, at most kReadRequestBytes and a whole number of input frames, whose
// conversion always fits in kConvertedBytes. `maxOutputBytes` answers how many output bytes an
// input byte count can produce at most.
template <class MaxOutput>
std::uint32_t FittingReadRequest(std::uint32_t blockAlign, MaxOutput maxOutputBytes) {
    const std::uint32_t align = blockAlign ? blockAlign : 1;
    std::uint32_t request = kReadRequestBytes / align * align;
    while (request > align && maxOutputBytes(request) > kConvertedBytes)
        request = (request / 2) / align * align;
    return request ? request : align;
}
