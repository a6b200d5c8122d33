#include "tonal/NoteMap.h"

#include <algorithm>

namespace {

bool Stronger(const CPfNoteDetection& a, const CPfNoteDetection& b) {
    return a.confidence > b.confidence;
}

}  // namespace

void CPfNoteMap::Add(const CPfNoteDetection& detection) {
    if (detections_.empty() || detection.confidence < detections_.back().confidence) {
        detections_.push_back(detection);
        return;
    }
    const auto at = std::partition_point(
        detections_.begin(), detections_.end(),
        [&](const CPfNoteDetection& d) { return d.confidence > detection.confidence; });
    detections_.insert(at, detection);
}

void CPfNoteMap::AddInFoundOrder(std::span<const CPfNoteDetection> found) {
    if (found.empty()) return;
    // Latest first, then a stable sort by confidence: equal confidences keep latest-first, as
    // one-by-one insertion leaves them. A merge that prefers the new range on ties then puts
    // every new detection before existing ones of equal confidence.
    std::vector<CPfNoteDetection> added(found.rbegin(), found.rend());
    std::stable_sort(added.begin(), added.end(), Stronger);
    std::vector<CPfNoteDetection> merged;
    merged.reserve(added.size() + detections_.size());
    std::merge(added.begin(), added.end(), detections_.begin(), detections_.end(),
               std::back_inserter(merged), Stronger);
    detections_.swap(merged);
}

void CPfNoteMap::SuppressNeighbours(std::int64_t windowUs) {
    std::vector<CPfNoteDetection> kept;
    std::vector<std::int64_t> keptTimes;  // ascending
    for (const CPfNoteDetection& d : detections_) {
        const auto near = std::lower_bound(keptTimes.begin(), keptTimes.end(), d.timeUs - windowUs);
        if (near != keptTimes.end() && *near <= d.timeUs + windowUs) continue;
        keptTimes.insert(std::lower_bound(keptTimes.begin(), keptTimes.end(), d.timeUs), d.timeUs);
        kept.push_back(d);
    }
    detections_.swap(kept);
}

bool CPfNoteMap::GetDetection(std::size_t index, CPfNoteDetection& out) const {
    if (index >= detections_.size()) return false;
    out = detections_[index];
    return true;
}
