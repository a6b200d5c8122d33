#include "rhythm/GridCompletion.h"

#include <vector>

#include "rhythm/IntervalMath.h"

namespace {
// Below one frame the steps would not advance and the extension would not end.
constexpr float kSmallestInterval = 1.0f;
}  // namespace

void FillGridGaps(float interval, CPfPositionList& grid) {
    grid.Sort();
    if (!(interval >= kSmallestInterval)) return;
    const auto& positions = grid.Primary();
    std::vector<std::int64_t> added;
    for (std::size_t i = 1; i < positions.size(); ++i) {
        const std::int64_t p = positions[i - 1];
        const std::int64_t gap = positions[i] - p;
        const std::uint32_t n = IntervalSteps(gap, interval);
        if (n <= 1) continue;
        const double step = static_cast<double>(gap) / n;
        for (std::uint32_t k = 1; k < n; ++k) added.push_back(p + TruncateToInt64(step * k));
    }
    for (const std::int64_t position : added) grid.AppendPrimary(position);
    grid.Sort();
}

void ExtendGrid(float interval, std::int64_t length, CPfPositionList& grid) {
    grid.Sort();
    if (grid.Primary().empty() || !(interval >= kSmallestInterval)) return;
    const std::int64_t first = grid.Primary().front();
    const std::int64_t last = grid.Primary().back();
    std::vector<std::int64_t> added;
    for (std::int64_t k = 1;; ++k) {
        const std::int64_t p = first - TruncateToInt64(static_cast<float>(k) * interval);
        if (p < 0) break;
        added.push_back(p);
    }
    for (std::int64_t k = 1;; ++k) {
        const std::int64_t p = last + TruncateToInt64(static_cast<float>(k) * interval);
        if (p >= length) break;
        added.push_back(p);
    }
    for (const std::int64_t position : added) grid.AppendPrimary(position);
    grid.Sort();
}
