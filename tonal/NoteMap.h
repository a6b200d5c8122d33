#pragma once
// The bass note map: every detected note of a track, strongest first.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// One detected note: when, which of the 24 bass notes, and how closely the waveform repeated.
struct CPfNoteDetection {
    std::int64_t timeUs = 0;  // microseconds from the start of the track
    std::int16_t note = 0;    // 0 to 23; note n is MIDI note 24 + n, so n % 12 == 0 is C
    float confidence = 0.0f;
};
static_assert(sizeof(CPfNoteDetection) == 16);

// Detections in descending order of confidence; among equal confidences the later-added one
// comes first. The map owns its detections.
class CPfNoteMap {
public:
    CPfNoteMap() = default;
    virtual ~CPfNoteMap() = default;
    CPfNoteMap(const CPfNoteMap&) = delete;
    CPfNoteMap& operator=(const CPfNoteMap&) = delete;

    // Adds one detection at its place: at the end when the map is empty or it is weaker than
    // the last one, otherwise before the first detection whose confidence is not above its own.
    void Add(const CPfNoteDetection& detection);

    // Adds detections in the order they were found; the result equals adding them one by one
    // with `Add`, but costs one sort instead of one insertion per detection.
    void AddInFoundOrder(std::span<const CPfNoteDetection> found);

    // Walks the map strongest first and drops every detection that lies within `windowUs`
    // (both ends included) of a detection already kept. The order of the rest is unchanged.
    void SuppressNeighbours(std::int64_t windowUs);

    std::size_t Count() const { return detections_.size(); }
    // Copies detection `index` into `out`; false, leaving `out` untouched, outside the map.
    bool GetDetection(std::size_t index, CPfNoteDetection& out) const;
    // Confidence of the last (weakest) detection; 0 for an empty map.
    float LastConfidence() const {
        return detections_.empty() ? 0.0f : detections_.back().confidence;
    }

private:
    std::vector<CPfNoteDetection> detections_;
};
