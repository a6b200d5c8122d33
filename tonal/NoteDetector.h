#pragma once
// The bass note detector. It low-passes the 44100 Hz mono float signal at 120 Hz while the track
// is decoded, tests every upward zero crossing of the filtered signal for a waveform that repeats
// with the period of one of 24 bass notes (C1 to B2), and collects the hits in a note map. As a
// by-product it writes the detector envelope: the peak of the filtered signal in every block of
// 256 samples.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/AnalysisContext.h"
#include "audio/MemBuffer.h"
#include "audio/PcmThumbnail.h"
#include "platform/ComTypes.h"
#include "tonal/BassNotes.h"
#include "tonal/FilterBank.h"
#include "tonal/NoteMap.h"

class IPcmReader;

class CPfNoteDetector {
public:
    static constexpr std::uint32_t kRate = kBassNoteRate;
    static constexpr std::uint32_t kEnvelopeBlock = 256;
    // Detections closer than this to a stronger one are dropped when the detector finishes.
    static constexpr std::int64_t kNeighbourWindowUs = 500000;

    // Prepares the detector for a source of `sourceFrames` frames at `sourceRate` Hz (0 counts
    // as 1): sizes `envelope` for the same length at 44100 Hz in blocks of 256 samples, designs
    // the 120 Hz low-pass and takes its sample buffer. `envelope` and `context` must outlive the
    // detector; the detector writes the envelope but does not own it. When the buffer cannot be
    // had the detector is not ready: `Feed` and `Finish` then return E_FAIL and the map stays
    // empty.
    CPfNoteDetector(std::uint64_t sourceFrames, std::uint32_t sourceRate,
                    const CPfRhythmAnalyzer& context, CPfPcmThumbnail& envelope);
    // The same for an open source, whose frame count and rate it asks for (a failed question
    // counts as 0 frames or rate 1).
    CPfNoteDetector(IPcmReader& reader, const CPfRhythmAnalyzer& context,
                    CPfPcmThumbnail& envelope);
    virtual ~CPfNoteDetector() = default;
    CPfNoteDetector(const CPfNoteDetector&) = delete;
    CPfNoteDetector& operator=(const CPfNoteDetector&) = delete;

    // Takes the next `count` samples of the signal (the build passes 256 at a time). Samples
    // that would overflow the buffer are dropped, which never happens with blocks of up to
    // 4096 samples. S_OK; E_FAIL when not ready or already finished; E_INVALIDARG for a null
    // pointer with a non-zero count. Allocates nothing while the detections found fit the room
    // reserved for the track's length.
    HRESULT Feed(const float* samples, std::size_t count);

    // Ends the track: detects notes in the samples still buffered, writes their envelope entries
    // and thins the map so that no two detections lie within half a second. Returns S_OK; 1
    // without that work when `cancel` is set (the map then holds what was detected so far,
    // unthinned); E_FAIL when not ready or already finished.
    HRESULT Finish(const CancelFlag& cancel);

    bool Ready() const { return ready_; }
    const CPfNoteMap& Notes() const { return map_; }
    const BassNotePeriods& NotePeriods() const { return periods_; }

private:
    void DetectNotes(std::size_t crossingLimit, std::size_t dataCount);
    void DetectAtCrossing(std::size_t x, std::size_t end);
    void UpdateEnvelope(std::size_t count);
    void MoveFoundIntoMap();

    CPfFilterBank filters_;
    CMemBuffer buffer_;
    float* samples_ = nullptr;
    std::size_t fill_ = 0;
    std::int64_t bufferStart_ = 0;  // absolute position of the buffer's first sample
    BassNotePeriods periods_;
    CPfNoteMap map_;
    std::vector<CPfNoteDetection> found_;  // detections in the order found, until Finish
    const CPfRhythmAnalyzer& context_;
    CPfPcmThumbnail& envelope_;
    bool ready_ = false;
    bool finished_ = false;
};
