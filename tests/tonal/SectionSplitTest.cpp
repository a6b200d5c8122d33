#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "tests/support/BarTempo.h"
#include "tests/support/EnvelopeBuilders.h"
#include "tonal/SectionSplit.h"

namespace {

using Marks = std::array<std::int64_t, 12>;

// 441 frames per entry at 44100 Hz: 100 entries per second, so a loud entry adds at most
// 600 / 100 = 6, exactly.
constexpr std::uint32_t kDecimation = 441;

CPfPcmThumbnail HundredPerSecond(const std::vector<float>& values) {
    CPfPcmThumbnail envelope = EnvelopeOf(values, 44100, kDecimation);
    SetBarLength(envelope, 200);
    return envelope;
}

Marks Split(const CPfPcmThumbnail& envelope, std::int64_t start) {
    Marks marks{};
    EXPECT_EQ(SplitSections(marks, -600, -600, envelope, start), 1);
    return marks;
}

}  // namespace

// Every entry adds the cap of 6, so mark i falls where 6 × (k + 1) first exceeds 600 × i: entry
// 100 × i, one second apart. The start is rounded down to its entry (50).
TEST(SplitSections, FullyLoudTrackGivesMarksOneSecondApart) {
    const CPfPcmThumbnail envelope = HundredPerSecond(std::vector<float>(1300, 1.0f));
    ASSERT_FLOAT_EQ(envelope.BarLevel(), 1.0f);
    const Marks fromZero = Split(envelope, 0);
    const Marks fromMiddle = Split(envelope, 50 * kDecimation + 17);
    for (std::int64_t i = 0; i < 12; ++i) {
        EXPECT_EQ(fromZero[static_cast<std::size_t>(i)], i * 44100) << i;
        EXPECT_EQ(fromMiddle[static_cast<std::size_t>(i)], 22050 + i * 44100) << i;
    }
}

// Three loud seconds, then silence: marks 0, 1 and 2 s; the rest at the end of the envelope.
TEST(SplitSections, SilentStretchLeavesTheRestAtTheEnd) {
    std::vector<float> values(1300, 0.0f);
    std::fill(values.begin(), values.begin() + 300, 1.0f);
    const Marks marks = Split(HundredPerSecond(values), 0);
    const Marks expected = {0,      44100,  88200,  573300, 573300, 573300,
                            573300, 573300, 573300, 573300, 573300, 573300};
    EXPECT_EQ(marks, expected);
}

// After a loud bar (bar level 1) the entries sit at 0.22, 0.02 above the section level 0.2: each
// adds 0.02 × 131.072 = 2.62144 (2.6214397 in single precision), under the cap of 6, so mark i
// falls 228, 457 and 686 entries after the start (the first entry where 2.62144 × (k + 1)
// exceeds 600 × i).
TEST(SplitSections, LoudnessUnderTheCapCountsScaled) {
    std::vector<float> values(3000, 0.22f);
    std::fill(values.begin(), values.begin() + 200, 1.0f);
    const CPfPcmThumbnail envelope = HundredPerSecond(values);
    ASSERT_FLOAT_EQ(envelope.BarLevel(), 1.0f);
    const Marks marks = Split(envelope, 200 * kDecimation);
    EXPECT_EQ(marks[0], 200 * kDecimation);
    EXPECT_EQ(marks[1], (200 + 228) * kDecimation);
    EXPECT_EQ(marks[2], (200 + 457) * kDecimation);
    EXPECT_EQ(marks[3], (200 + 686) * kDecimation);
}

// At the build's own rate (172 whole entries per second, cap 600 / 172) the marks of a loud
// track fall 172 entries apart, one either way from rounding: one second within an entry.
TEST(SplitSections, AnalysisRateGivesMarksAboutOneSecondApart) {
    CPfPcmThumbnail envelope = EnvelopeOf(std::vector<float>(2500, 1.0f));
    SetBarLength(envelope, 344);
    const Marks marks = Split(envelope, 0);
    for (std::size_t i = 1; i < marks.size(); ++i) {
        const std::int64_t entries = (marks[i] - marks[i - 1]) / 256;
        EXPECT_GE(entries, 171) << i;
        EXPECT_LE(entries, 173) << i;
    }
}

TEST(SplitSections, FewerThanOneEntryPerSecondFails) {
    const CPfPcmThumbnail slow = EnvelopeOf(std::vector<float>(10, 1.0f), 200, 256);
    Marks marks{};
    marks.fill(-1);
    EXPECT_EQ(SplitSections(marks, -600, -600, slow, 0), 0);
    EXPECT_EQ(marks[0], -1);
    // One mark is the start alone.
    std::array<std::int64_t, 1> one{};
    EXPECT_EQ(SplitSections(one, -600, -600, HundredPerSecond({1, 1, 1}), 900), 1);
    EXPECT_EQ(one[0], 2 * 441);
}
