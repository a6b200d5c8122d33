#include "tonal/TrackExtent.h"

#include <algorithm>

namespace {

// The music starts at the first entry above this share of the bar level.
constexpr float kStartShareOfBarLevel = 0.1f;
// It ends in the last bar whose mean exceeds this share ...
constexpr float kEndShareOfBarLevel = 0.5f;
// ... where the falling level drops below this share.
constexpr float kTailShareOfBarLevel = 0.2f;

std::int64_t LastFrame(const CPfPcmThumbnail& envelope) {
    const auto length = static_cast<std::int64_t>(envelope.Length());
    return length > 0 ? length - 1 : 0;
}

// The first entry of the last bar-long window whose mean exceeds the end threshold; -1 when
// there is none.
std::int64_t LastLoudBar(const float* entries, std::int64_t count, std::int64_t perBar,
                         float threshold) {
    const auto window = static_cast<float>(perBar);
    float sum = 0.0f;
    for (std::int64_t n = count - 1; n >= 0; --n) {
        sum += entries[n];
        if (n + perBar < count) sum -= entries[n + perBar];
        if (sum / window > threshold) return n;
    }
    return -1;
}

}  // namespace

std::int64_t FindAudioStart(const CPfPcmThumbnail& envelope) {
    const float threshold = kStartShareOfBarLevel * envelope.BarLevel();
    const float* entries = envelope.Data();
    const std::int64_t count = envelope.Count();
    for (std::int64_t k = 0; k < count; ++k)
        if (entries[k] > threshold) return k * envelope.Decimation();
    return 0;
}

std::int64_t FindAudioEnd(const CPfPcmThumbnail& envelope) {
    const std::int64_t perBar = envelope.StoredEntriesPerBar();
    if (perBar == 0) return 0;
    const std::int64_t count = envelope.Count();
    if (perBar >= count) return LastFrame(envelope);

    const float* entries = envelope.Data();
    const float barLevel = envelope.BarLevel();
    const std::int64_t loud = LastLoudBar(entries, count, perBar, kEndShareOfBarLevel * barLevel);
    if (loud <= 0) return LastFrame(envelope);

    // Follow the falling minimum through that bar.
    const float tail = kTailShareOfBarLevel * barLevel;
    float minimum = envelope.MaxEntry();
    std::int64_t end = loud;
    const std::int64_t last = std::min(loud + perBar - 1, count - 1);
    for (std::int64_t k = loud; k <= last; ++k) {
        const float value = entries[k];
        if (value >= minimum) continue;
        end = k;
        if (value < tail) break;
        minimum = value;
    }
    return end * envelope.Decimation();
}
