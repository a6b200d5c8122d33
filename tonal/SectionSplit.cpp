#include "tonal/SectionSplit.h"

#include <algorithm>
#include <cstdlib>

namespace {
// Only loudness above this share of the bar level accumulates.
constexpr float kSectionShareOfBarLevel = 0.2f;
// The weight of loudness above that level.
constexpr float kSectionScale = 131.072f;
}  // namespace

int SplitSections(std::span<std::int64_t> marks, std::int32_t step, std::int32_t total,
                  const CPfPcmThumbnail& envelope, std::int64_t start) {
    const std::int64_t decimation = envelope.Decimation();
    if (decimation == 0) return 0;
    const std::uint32_t perSecond = envelope.SampleRate() / envelope.Decimation();
    if (perSecond == 0) return 0;
    if (marks.empty()) return 1;

    // The cap per entry keeps the accumulation a measure of loud time rather than of peak level.
    const float cap =
        static_cast<float>(std::abs(std::int64_t{total})) / static_cast<float>(perSecond);
    const float level = kSectionShareOfBarLevel * envelope.BarLevel();
    const std::int64_t first = start / decimation;
    const std::int64_t count = envelope.Count();

    marks[0] = first * decimation;
    std::size_t next = 1;
    float accumulated = 0.0f;
    for (std::int64_t k = first; k >= 0 && k < count && next < marks.size(); ++k) {
        const float value = envelope.EntryAt(k);
        if (value > level) accumulated -= std::min((value - level) * kSectionScale, cap);
        if (accumulated < static_cast<float>(static_cast<std::int64_t>(next) * step)) {
            marks[next] = k * decimation;
            ++next;
        }
    }
    std::fill(marks.begin() + static_cast<std::ptrdiff_t>(next), marks.end(), count * decimation);
    return 1;
}
