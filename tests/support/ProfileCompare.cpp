#include "tests/support/ProfileCompare.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

void ExpectSameMeasurement(const CPfTrackProfile& a, const CPfTrackProfile& b) {
    EXPECT_EQ(a.startSegment, b.startSegment);
    EXPECT_EQ(a.endSegment, b.endSegment);
    EXPECT_EQ(a.sectionMarks, b.sectionMarks);
    EXPECT_EQ(a.barMarks, b.barMarks);
    EXPECT_EQ(a.audioStart, b.audioStart);
    EXPECT_EQ(a.audioEnd, b.audioEnd);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(a.bpm), std::bit_cast<std::uint32_t>(b.bpm));
    EXPECT_EQ(a.sampleRate, b.sampleRate);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(a.barLevel), std::bit_cast<std::uint32_t>(b.barLevel));
    EXPECT_EQ(a.lengthFrames, b.lengthFrames);
    EXPECT_EQ(a.keyRoot, b.keyRoot);
    EXPECT_EQ(a.keyMode, b.keyMode);
    EXPECT_EQ(a.beatPatternA.slots, b.beatPatternA.slots);
    EXPECT_EQ(a.beatPatternB.slots, b.beatPatternB.slots);
    EXPECT_EQ(a.waveform, b.waveform);
    EXPECT_EQ(a.waveformFrames, b.waveformFrames);
    EXPECT_EQ(a.waveformRate, b.waveformRate);
    EXPECT_EQ(a.beatGrid, b.beatGrid);
}
