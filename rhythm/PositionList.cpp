#include "rhythm/PositionList.h"

#include <algorithm>

#include "audio/PcmThumbnail.h"
#include "audio/SamplesPerBar.h"

namespace {
bool GetAt(const std::vector<std::int64_t>& v, std::int64_t index, std::int64_t& out) {
    if (index < 0 || static_cast<std::uint64_t>(index) >= v.size()) return false;
    out = v[static_cast<std::size_t>(index)];
    return true;
}
}  // namespace

CPfPositionList::CPfPositionList(std::uint32_t sampleRate, std::int64_t trackLength)
    : sampleRate_(sampleRate), trackLength_(trackLength) {}

CPfPositionList::CPfPositionList(const CPfPcmThumbnail& thumbnail)
    : CPfPositionList(thumbnail.SampleRate(), static_cast<std::int64_t>(thumbnail.Length())) {}

bool CPfPositionList::GetPrimary(std::int64_t index, std::int64_t& out) const {
    return GetAt(primary_, index, out);
}

bool CPfPositionList::GetSecondary(std::int64_t index, std::int64_t& out) const {
    return GetAt(secondary_, index, out);
}

std::int64_t CPfPositionList::LastPrimaryIndex() const {
    return static_cast<std::int64_t>(primary_.size()) - 1;
}

void CPfPositionList::Sort() {
    std::sort(primary_.begin(), primary_.end());
    std::sort(secondary_.begin(), secondary_.end());
}

void CPfPositionList::SortAndRemoveDuplicates() {
    Sort();
    primary_.erase(std::unique(primary_.begin(), primary_.end()), primary_.end());
}

bool CPfPositionList::NearestPrimaryIndex(std::int64_t position, std::int64_t& index) const {
    if (primary_.empty()) return false;
    std::size_t best = 0;
    std::uint64_t bestDistance = UINT64_MAX;
    for (std::size_t i = 0; i < primary_.size(); ++i) {
        // Unsigned difference so that positions far apart cannot overflow.
        const std::uint64_t a = static_cast<std::uint64_t>(primary_[i]);
        const std::uint64_t b = static_cast<std::uint64_t>(position);
        const std::uint64_t distance = primary_[i] >= position ? a - b : b - a;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    index = static_cast<std::int64_t>(best);
    return true;
}

void CPfPositionList::AppendPrimaryFrom(const CPfPositionList& other) {
    if (&other == this) {
        // Inserting a vector's own range into itself is not allowed; go through a copy.
        const std::vector<std::int64_t> copy = primary_;
        primary_.insert(primary_.end(), copy.begin(), copy.end());
        return;
    }
    primary_.insert(primary_.end(), other.primary_.begin(), other.primary_.end());
}

std::uint32_t CPfPositionList::SamplesPerBar(float bpm) const {
    return ::SamplesPerBar(bpm, sampleRate_);
}
