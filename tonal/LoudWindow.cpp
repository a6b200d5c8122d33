#include "tonal/LoudWindow.h"

#include <algorithm>

namespace {
// A window is loud enough when its mean reaches this share of the bar level.
constexpr float kLoudShareOfBarLevel = 0.15f;
}  // namespace

float MeanBetweenPositions(const CPfPcmThumbnail& envelope, const CPfPositionList& list,
                           std::int64_t i, std::int64_t j) {
    const std::int64_t decimation = envelope.Decimation();
    const std::int64_t lastEntry = std::int64_t{envelope.Count()} - 1;
    if (decimation == 0 || lastEntry < 0) return 0.0f;
    std::int64_t position = 0;
    const std::int64_t a =
        list.GetPrimary(i, position) ? std::max<std::int64_t>(position / decimation, 0) : 0;
    const std::int64_t b =
        list.GetPrimary(j, position) ? std::min(position / decimation, lastEntry) : lastEntry;
    if (b <= a) return 0.0f;
    float sum = 0.0f;
    for (std::int64_t k = a; k <= b; ++k) sum += envelope.EntryAt(k);
    return sum / static_cast<float>(b - a);
}

int FindLoudWindow(const CPfPositionList& grid, const CPfPcmThumbnail& envelope, std::uint32_t bars,
                   std::int64_t reference, LoudWindowDirection direction, std::int64_t& first,
                   std::int64_t& last) {
    const std::int64_t span = std::int64_t{bars} * grid.SubdivisionsPerBar();
    std::int64_t k = 0;
    if (span == 0 || !grid.NearestPrimaryIndex(reference, k)) return 0;
    const std::int64_t points = grid.LastPrimaryIndex() + 1;
    const float threshold = kLoudShareOfBarLevel * envelope.BarLevel();
    const auto quiet = [&](std::int64_t c) {
        return MeanBetweenPositions(envelope, grid, c, c + span) < threshold;
    };

    if (k + span >= points) {
        // No whole window after the reference: the window ending at it, if it lies on the grid.
        if (k - span < 0) return 0;
        first = k - span;
        last = k;
        return 1;
    }

    std::int64_t c = k;
    if (direction == LoudWindowDirection::Forward) {
        c = k % span;
        // Move on while the window is quiet and the next one still fits.
        while (quiet(c) && c + 2 * span < points) c += span;
    } else {
        while (c + 2 * span < points) c += span;
        while (quiet(c) && c - span >= 0) c -= span;
    }
    first = c;
    last = c + span;
    return 1;
}
