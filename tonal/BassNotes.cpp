#include "tonal/BassNotes.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "audio/CpuDispatch.h"

namespace {

constexpr double kConcertA = 440.0;
constexpr int kConcertAMidiNote = 69;
constexpr std::size_t kPeriodsCompared = 4;

}  // namespace

BassNotePeriods ComputeBassNotePeriods() {
    BassNotePeriods periods{};
    for (std::size_t n = 0; n < kBassNoteCount; ++n) {
        const int midi = kLowestBassMidiNote + static_cast<int>(n);
        const double frequency = kConcertA * std::pow(2.0, (midi - kConcertAMidiNote) / 12.0);
        const double seconds = 1.0 / frequency;
        periods[n] = static_cast<std::int32_t>(static_cast<double>(kBassNoteRate) * seconds);
    }
    return periods;
}

namespace {

constexpr std::size_t kRun = 64;

// Tests `n` consecutive phases from `reference`, each against the samples one to four periods
// later, and adds their differences only when none is a mismatch. A wrong period usually shows
// one period ahead already, so each look-ahead is tested over the whole run before the next.
// Plain loops over contiguous samples; a constant `n` lets the compiler unroll and vectorise
// them.
template <class Count>
TW_INLINE_INTO_CLONES bool MatchRun(const float* reference, Count n, std::size_t g, float tolerance,
                                    PF_PERIOD_MATCH& match) {
    for (std::size_t m = 1; m <= kPeriodsCompared; ++m) {
        const float* ahead = reference + m * g;
        int mismatch = 0;
        for (std::size_t i = 0; i < n; ++i)
            mismatch |= std::fabs(ahead[i] - reference[i]) > tolerance;
        if (mismatch) return false;
    }
    // Four independent sums, so that the additions need not wait for each other.
    double lanes[4] = {};
    for (std::size_t m = 1; m <= kPeriodsCompared; ++m) {
        const float* ahead = reference + m * g;
        std::size_t i = 0;
        for (; i + 4 <= n; i += 4)
            for (std::size_t j = 0; j < 4; ++j)
                lanes[j] += static_cast<double>(std::fabs(ahead[i + j] - reference[i + j]));
        for (; i < n; ++i) lanes[0] += static_cast<double>(std::fabs(ahead[i] - reference[i]));
    }
    match.sum += (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
    match.count += static_cast<std::uint32_t>(kPeriodsCompared * n);
    return true;
}

// Phases first … stop − 1 all have four look-aheads and none is the last phase, so any mismatch
// among them rejects the period, whatever order they are tested in: they are tested a run at a
// time.
TW_WIDE_VECTOR_CLONES
bool MatchWholePhases(const float* samples, std::size_t first, std::size_t stop, std::size_t g,
                      float tolerance, PF_PERIOD_MATCH& match) {
    std::size_t k = first;
    for (; k + kRun <= stop; k += kRun)
        if (!MatchRun(samples + k, std::integral_constant<std::size_t, kRun>{}, g, tolerance,
                      match))
            return false;
    return k == stop || MatchRun(samples + k, stop - k, g, tolerance, match);
}

}  // namespace

bool MatchPeriod(const float* samples, std::size_t x, std::size_t end, std::int32_t period,
                 float tolerance, PF_PERIOD_MATCH& match) {
    if (period <= 0 || x > end) return false;
    const std::size_t g = static_cast<std::size_t>(period);
    const std::size_t lastPhase = std::min(x + g, end);
    std::size_t k = x;
    if (end >= kPeriodsCompared * g) {
        const std::size_t whole = std::min(lastPhase, end - kPeriodsCompared * g + 1);
        if (whole > k) {
            if (!MatchWholePhases(samples, k, whole, g, tolerance, match)) return false;
            k = whole;
        }
    }
    // The rest, one phase at a time: phases near the end of the data with fewer look-aheads,
    // and the last phase, where a mismatch only ends the scan.
    for (; k <= lastPhase; ++k) {
        const float reference = samples[k];
        const std::size_t limit = std::min(end, k + kPeriodsCompared * g);
        for (std::size_t at = k + g; at <= limit; at += g) {
            const float difference = std::fabs(samples[at] - reference);
            if (difference > tolerance) return k == lastPhase;
            match.sum += static_cast<double>(difference);
            ++match.count;
        }
    }
    return true;
}
