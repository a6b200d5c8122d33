#include "tonal/NoteDetector.h"

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "audio/BlockPeak.h"
#include "audio/PcmReader.h"

namespace {

constexpr std::size_t kBufferSamples = 65536;
constexpr std::size_t kHalfBuffer = 32768;
// Once the buffer holds more than this, its first half is searched and dropped.
constexpr std::size_t kFlushThreshold = 0xEFFF;

constexpr std::uint32_t kLowPassSections = 3;
constexpr float kLowPassFrequency = 120.0f;
constexpr float kLowPassBandwidth = 1.25f;  // 1/Q, Q = 0.8

// The peak of the filtered signal after a crossing is taken from every eighth sample.
constexpr std::size_t kPeakStride = 8;
constexpr float kMinimumPeak = 0.01f;
constexpr float kToleranceFactor = 0.6f;
constexpr double kConfidenceScale = 65536.0;
constexpr std::int64_t kMicrosecondsPerSecond = 1000000;

// Room for the detections of a track is reserved up front from its length, so that feeding does
// not allocate. A bass line gives about one detection per period of its notes before thinning.
constexpr std::size_t kReservedDetectionsPerSecond = 256;
constexpr std::size_t kMaxReservedDetections = std::size_t{1} << 19;

std::uint64_t FramesAtAnalysisRate(std::uint64_t frames, std::uint32_t rate) {
    const std::uint64_t r = rate ? rate : 1u;
    if (frames > std::numeric_limits<std::uint64_t>::max() / kBassNoteRate)
        return std::numeric_limits<std::uint64_t>::max();
    return frames * kBassNoteRate / r;
}

std::uint64_t ReaderFrames(IPcmReader& reader) {
    std::uint64_t frames = 0;
    if (FAILED(reader.GetLengthFrames(&frames))) return 0;
    return frames;
}

std::uint32_t ReaderRate(IPcmReader& reader) {
    std::uint32_t rate = 1;
    if (FAILED(reader.GetSampleRate(&rate)) || rate == 0) return 1;
    return rate;
}

}  // namespace

CPfNoteDetector::CPfNoteDetector(std::uint64_t sourceFrames, std::uint32_t sourceRate,
                                 const CPfRhythmAnalyzer& context, CPfPcmThumbnail& envelope)
    : filters_(kRate), periods_(ComputeBassNotePeriods()), context_(context), envelope_(envelope) {
    const std::uint64_t length = FramesAtAnalysisRate(sourceFrames, sourceRate);
    envelope_.Allocate(length, kRate, kEnvelopeBlock);

    filters_.SetSectionCount(kLowPassSections);
    for (std::uint32_t i = 0; i < kLowPassSections; ++i)
        filters_.SetSection(i, kLowPassFrequency, kLowPassBandwidth);
    filters_.Design();

    samples_ = static_cast<float*>(buffer_.Allocate(kBufferSamples * sizeof(float)));
    ready_ = samples_ != nullptr;
    if (ready_) {
        const std::uint64_t seconds = length / kRate + 1;
        const std::uint64_t reserve =
            std::min<std::uint64_t>(seconds * kReservedDetectionsPerSecond, kMaxReservedDetections);
        found_.reserve(static_cast<std::size_t>(reserve));
    }
}

CPfNoteDetector::CPfNoteDetector(IPcmReader& reader, const CPfRhythmAnalyzer& context,
                                 CPfPcmThumbnail& envelope)
    : CPfNoteDetector(ReaderFrames(reader), ReaderRate(reader), context, envelope) {}

HRESULT CPfNoteDetector::Feed(const float* samples, std::size_t count) {
    if (!ready_ || finished_) return E_FAIL;
    if (count && !samples) return E_INVALIDARG;
    if (count > 0 && count < kBufferSamples - fill_) {
        float* at = samples_ + fill_;
        std::memcpy(at, samples, count * sizeof(float));
        filters_.Process(at, count, 1);
        fill_ += count;
    }
    if (fill_ > kFlushThreshold) {
        DetectNotes(kHalfBuffer, fill_);
        UpdateEnvelope(kHalfBuffer);
        std::memmove(samples_, samples_ + kHalfBuffer, (fill_ - kHalfBuffer) * sizeof(float));
        fill_ -= kHalfBuffer;
        bufferStart_ += static_cast<std::int64_t>(kHalfBuffer);
    }
    return S_OK;
}

HRESULT CPfNoteDetector::Finish(const CancelFlag& cancel) {
    if (!ready_ || finished_) return E_FAIL;
    finished_ = true;
    if (cancel.load(std::memory_order_relaxed) != 0) {
        MoveFoundIntoMap();
        return S_FALSE;
    }
    DetectNotes(fill_, fill_);
    UpdateEnvelope(fill_);
    MoveFoundIntoMap();
    map_.SuppressNeighbours(kNeighbourWindowUs);
    return S_OK;
}

// Crossings are searched at 1 … crossingLimit − 1; the waveform after each may be read up to
// the last of `dataCount` buffered samples.
void CPfNoteDetector::DetectNotes(std::size_t crossingLimit, std::size_t dataCount) {
    if (dataCount == 0) return;
    const std::size_t end = dataCount - 1;
    std::size_t x = 1;
#if defined(__SSE2__)
    // Four candidate positions at a time: most have no crossing and are passed over together.
    const __m128 zero = _mm_setzero_ps();
    for (; x + 4 <= crossingLimit; x += 4) {
        const __m128 before = _mm_loadu_ps(samples_ + x - 1);
        const __m128 at = _mm_loadu_ps(samples_ + x);
        auto crossings = static_cast<unsigned>(
            _mm_movemask_ps(_mm_and_ps(_mm_cmplt_ps(before, zero), _mm_cmpge_ps(at, zero))));
        for (; crossings; crossings &= crossings - 1) {
            if (context_.Cancelled()) return;
            DetectAtCrossing(x + static_cast<std::size_t>(__builtin_ctz(crossings)), end);
        }
    }
#endif
    for (; x < crossingLimit; ++x) {
        if (!(samples_[x - 1] < 0.0f && samples_[x] >= 0.0f)) continue;
        if (context_.Cancelled()) return;
        DetectAtCrossing(x, end);
    }
}

void CPfNoteDetector::DetectAtCrossing(std::size_t x, std::size_t end) {
    const std::size_t longestPeriod = static_cast<std::size_t>(periods_[0]);
    const std::size_t peakEnd = std::min(end, x + longestPeriod);
    // Four running maxima, so that each comparison need not wait for the one before; a sample
    // replaces a maximum only when it is greater, so the result does not depend on the order.
    float peaks[4] = {};
    std::size_t i = x;
    for (; i + 3 * kPeakStride < peakEnd; i += 4 * kPeakStride)
        for (std::size_t j = 0; j < 4; ++j)
            peaks[j] = std::max(peaks[j], samples_[i + j * kPeakStride]);
    for (; i < peakEnd; i += kPeakStride) peaks[0] = std::max(peaks[0], samples_[i]);
    const float peak = std::max(std::max(peaks[0], peaks[1]), std::max(peaks[2], peaks[3]));
    if (peak < kMinimumPeak) return;

    const float tolerance = kToleranceFactor * peak;
    const std::int64_t position = bufferStart_ + static_cast<std::int64_t>(x);
    const std::int64_t timeUs =
        (position * kMicrosecondsPerSecond + kRate / 2) / static_cast<std::int64_t>(kRate);
    for (std::size_t n = 0; n < kBassNoteCount; ++n) {
        PF_PERIOD_MATCH match;
        if (!MatchPeriod(samples_, x, end, periods_[n], tolerance, match)) continue;
        // Near the end of the data no sample may lie a whole period ahead; without a single
        // comparison there is no evidence of the period, so no note.
        if (match.count == 0) continue;
        const double meanDifference = match.sum / static_cast<double>(match.count);
        const float confidence = static_cast<float>(1.0 - meanDifference / kConfidenceScale);
        found_.push_back(CPfNoteDetection{timeUs, static_cast<std::int16_t>(n), confidence});
    }
}

void CPfNoteDetector::UpdateEnvelope(std::size_t count) {
    for (std::size_t offset = 0; offset + kEnvelopeBlock <= count; offset += kEnvelopeBlock) {
        const std::int64_t block =
            (bufferStart_ + static_cast<std::int64_t>(offset)) / std::int64_t{kEnvelopeBlock};
        envelope_.SetEntry(block, BlockPeak(samples_ + offset, kEnvelopeBlock));
    }
}

void CPfNoteDetector::MoveFoundIntoMap() {
    map_.AddInFoundOrder(found_);
    found_.clear();
}
