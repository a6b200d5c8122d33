#pragma once
// The preferred tempo range of a DJ: a measured tempo is doubled or halved until it lies in
// [low, high]. Without a range (the default) the measured tempo stands as it is.

#include <mutex>
#include <string>
#include <string_view>

struct BPM_RANGE {
    float low = 0.0f;   // 0 with high 0: no range
    float high = 0.0f;
    bool IsSet() const { return high > 0.0f; }
    bool operator==(const BPM_RANGE&) const = default;
};

// Doubling and halving move a tempo by an octave, so a range narrower than one octave (high
// below twice low) cannot hold every tempo: CheckBpmRange refuses it.
// True for a usable range; false with the reason in `error` otherwise.
bool CheckBpmRange(BPM_RANGE range, std::string& error);

// Reads "LO-HI" (for example "70-140"); false with the reason in `error` for any other text or
// a range CheckBpmRange refuses.
bool ParseBpmRange(std::string_view text, BPM_RANGE& range, std::string& error);

// "70-140"; empty for no range.
std::string BpmRangeText(BPM_RANGE range);

// `bpm` doubled or halved until it lies in `range` as shown to two decimals (140.001 stays in
// 70-140); 0 and every tempo without a set range are returned as they are.
float FoldIntoRange(float bpm, BPM_RANGE range);

// A range that the user interface changes while the build worker reads it.
class CSharedBpmRange {
public:
    BPM_RANGE Get() const {
        std::lock_guard<std::mutex> hold(lock_);
        return range_;
    }
    void Set(BPM_RANGE range) {
        std::lock_guard<std::mutex> hold(lock_);
        range_ = range;
    }

private:
    mutable std::mutex lock_;
    BPM_RANGE range_;
};
