#include "rhythm/SectionMarkers.h"

#include <vector>

#include "rhythm/IntervalMath.h"

namespace {

// A grid point may stray this share of the mean spacing from the even spacing of its run.
constexpr float kRegularTolerance = 0.02f;

std::int64_t NearestIndex(const CPfPositionList& list, std::int64_t position) {
    std::int64_t index = 0;
    list.NearestPrimaryIndex(position, index);
    return index;
}

// The grid position at `index`; 0 outside the grid.
std::int64_t PositionAt(const CPfPositionList& list, std::int64_t index) {
    std::int64_t position = 0;
    list.GetPrimary(index, position);
    return position;
}

// Forwards from each bar reference to the next: a run that stops being regular ends at the last
// bar up to which it was, which becomes a marker when the run covers at least one whole bar.
void CollectForwardMarkers(const CPfPositionList& list, const std::vector<std::int64_t>& references,
                           std::int64_t bar, std::vector<std::int64_t>& markers) {
    for (std::size_t r = 0; r < references.size(); ++r) {
        const std::int64_t start = NearestIndex(list, references[r]);
        const std::int64_t stop = r + 1 < references.size() ? NearestIndex(list, references[r + 1])
                                                            : list.LastPrimaryIndex();
        std::int64_t runStart = start;
        std::int64_t previous = start;
        for (std::int64_t k = start + bar; k <= stop; k += bar) {
            if (!IsRegularRun(list, runStart, k)) {
                if (runStart < previous) markers.push_back(PositionAt(list, previous));
                runStart = k;
            }
            previous = k;
        }
    }
}

// Backwards from the first bar reference: every bar where the spacing breaks ends a run.
void CollectBackwardMarkers(const CPfPositionList& list, std::int64_t firstReference,
                            std::int64_t bar, std::vector<std::int64_t>& markers) {
    std::int64_t runEnd = NearestIndex(list, firstReference);
    for (std::int64_t g = runEnd - bar; g >= 0; g -= bar) {
        if (!IsRegularRun(list, g, runEnd)) {
            markers.push_back(PositionAt(list, g + bar));
            runEnd = g;
        }
    }
}

}  // namespace

bool IsRegularRun(const CPfPositionList& list, std::int64_t a, std::int64_t b) {
    std::int64_t first = 0;
    std::int64_t last = 0;
    if (a >= b || !list.GetPrimary(a, first) || !list.GetPrimary(b, last)) return false;
    const float mean = static_cast<float>(last - first) / static_cast<float>(b - a);
    const std::int64_t tolerance = TruncateToInt64(static_cast<double>(kRegularTolerance * mean));
    const std::vector<std::int64_t>& points = list.Primary();
    for (std::int64_t k = a + 1; k < b; ++k) {
        const float offset = static_cast<float>(k - a) * mean;
        const std::int64_t expected = first + TruncateToInt64(static_cast<double>(offset));
        const std::int64_t actual = points[static_cast<std::size_t>(k)];
        const std::int64_t deviation = actual > expected ? actual - expected : expected - actual;
        if (deviation > tolerance) return false;
    }
    return true;
}

bool FindSectionMarkers(CPfPositionList& list) {
    const std::int64_t bar = list.SubdivisionsPerBar();
    if (bar == 0) return false;
    const std::vector<std::int64_t> references = list.Secondary();
    if (references.empty() || list.Primary().empty()) return true;

    std::vector<std::int64_t> markers;
    CollectForwardMarkers(list, references, bar, markers);
    CollectBackwardMarkers(list, references.front(), bar, markers);
    for (const std::int64_t marker : markers) list.AppendSecondary(marker);
    list.Sort();

    // The first whole bar, when the first reference lies beyond it.
    const std::int64_t first = NearestIndex(list, list.Secondary().front());
    if (first >= bar) {
        list.AppendSecondary(PositionAt(list, first % bar));
        list.Sort();
    }
    // The last whole bar of the grid.
    const std::int64_t last = NearestIndex(list, list.Secondary().back());
    const std::int64_t rest = list.LastPrimaryIndex() - last;
    if (rest > 0 && bar * (rest / bar) != 0)
        list.AppendSecondary(PositionAt(list, last + bar * (rest / bar)));
    return true;
}
