#include "rhythm/BarPhase.h"

#include <vector>

#include "rhythm/SlotLoudness.h"

namespace {

// A rise must exceed this share of the bar level to vote.
constexpr float kRiseShareOfBarLevel = 0.4f;
// ... and this many times the loudest entry before it.
constexpr float kRiseOverBefore = 2.0f;
// The rise is measured this fraction of a bar ahead; the loudest entry before it over half a bar.
constexpr std::uint32_t kLookAheadDivisor = 32;
constexpr std::uint32_t kBeforeWindowDivisor = 2;

// Counts strong rises of `conditioned` per grid slot.
std::vector<std::uint32_t> VoteForRises(const CPfPcmThumbnail& conditioned,
                                        const CPfPositionList& grid, std::uint32_t slots) {
    std::vector<std::uint32_t> votes(slots, 0);
    const std::int64_t perBar = conditioned.StoredEntriesPerBar();
    const std::int64_t half = perBar / kBeforeWindowDivisor;
    const std::int64_t look = perBar / kLookAheadDivisor;
    const float threshold = kRiseShareOfBarLevel * conditioned.BarLevel();
    const std::int64_t count = conditioned.Count();
    const std::int64_t decimation = conditioned.Decimation();
    const float* values = conditioned.Data();

    // The loudest entry of the half bar up to i, kept as a queue of entry indices whose values
    // fall from front to back, so that each entry is looked at a bounded number of times.
    std::vector<std::int64_t> queue(static_cast<std::size_t>(count));
    std::size_t front = 0;
    std::size_t back = 0;

    std::int64_t holdOff = 0;
    for (std::int64_t i = -look; i < count; ++i) {
        if (i >= 0) {
            while (back > front && values[queue[back - 1]] <= values[i]) --back;
            queue[back++] = i;
            while (queue[front] < i - half) ++front;
        }
        if (holdOff != 0) {
            --holdOff;
            continue;
        }
        if (i + look >= count) continue;
        const float before = i > 0 ? values[queue[front]] : 0.0f;
        const float rise = values[i + look] - before;
        if (rise > threshold && rise > kRiseOverBefore * before) {
            std::int64_t index = 0;
            if (grid.NearestPrimaryIndex((i + look / 2) * decimation, index))
                ++votes[static_cast<std::size_t>(index % slots)];
            holdOff = half;
        }
    }
    return votes;
}

}  // namespace

bool FindBarPhase(const CPfPcmThumbnail& thumbnail, const CPfPcmThumbnail& conditioned,
                  CPfPositionList& grid) {
    const std::uint32_t slots = grid.SubdivisionsPerBar();
    if (slots == 0) return false;
    const std::vector<std::uint32_t> votes = VoteForRises(conditioned, grid, slots);

    std::size_t best = 0;
    for (std::size_t k = 1; k < slots; ++k)
        if (votes[k] > votes[best]) best = k;

    if (thumbnail.Decimation() != 0) {
        std::vector<float> loud(slots, 0.0f);
        AddSlotLoudness(thumbnail, grid, slots, loud);
        NormaliseSlots(loud);
        float bestProduct = 0.0f;
        for (std::size_t k = 0; k < slots; ++k) {
            const float product = static_cast<float>(votes[k]) * loud[k];
            if (product > bestProduct) {
                bestProduct = product;
                best = k;
            }
        }
    }

    std::int64_t position = 0;
    if (grid.GetPrimary(static_cast<std::int64_t>(best), position)) grid.AppendSecondary(position);
    return true;
}
