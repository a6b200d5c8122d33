#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/BlockPeak.h"
#include "audio/MemBuffer.h"
#include "audio/PcmThumbnail.h"
#include "tests/support/EnvelopeBuilders.h"

TEST(MemBuffer, AllocatesZeroFilledPagesAndReplacesThem) {
    CMemBuffer buffer;
    auto* first = static_cast<unsigned char*>(buffer.Allocate(0x6000));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(buffer.Size(), 0x6000u);
    EXPECT_EQ(first[0], 0);
    EXPECT_EQ(first[0x5FFF], 0);
    std::memset(first, 0xAB, 0x6000);

    auto* second = static_cast<unsigned char*>(buffer.Allocate(0x60000));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(buffer.Size(), 0x60000u);
    EXPECT_EQ(second[0x6000 - 1], 0);

    EXPECT_EQ(buffer.Allocate(0), nullptr);
    EXPECT_EQ(buffer.Size(), 0u);
    EXPECT_EQ(buffer.Data(), nullptr);
}

TEST(SamplesPerBar, TruncatesFramesOfFourBeats) {
    EXPECT_EQ(SamplesPerBar(120.0f, 44100), 88200u);
    // 82 × 0.25 / 60 = 0.341666… bars per second: 129073.17 frames.
    EXPECT_EQ(SamplesPerBar(82.0f, 44100), 129073u);
    // 164 BPM: 64536.58 frames.
    EXPECT_EQ(SamplesPerBar(164.0f, 44100), 64536u);
    EXPECT_EQ(SamplesPerBar(0.0f, 44100), 0u);
    EXPECT_EQ(SamplesPerBar(-120.0f, 44100), 0u);
    EXPECT_EQ(SamplesPerBar(120.0f, 0), 0u);
    // A tempo so small that the bar would not fit 32 bits saturates instead of wrapping.
    EXPECT_EQ(SamplesPerBar(1e-6f, 44100), 4294967295u);
}

TEST(PcmThumbnail, AllocateDropsThePartialBlockAndZeroFills) {
    CPfPcmThumbnail t;
    ASSERT_TRUE(t.Allocate(1000, 44100, 256));
    EXPECT_EQ(t.Count(), 3u);
    EXPECT_EQ(t.Length(), 1000u);
    float value = -1.0f;
    ASSERT_TRUE(t.GetEntry(2, value));
    EXPECT_EQ(value, 0.0f);
    EXPECT_FALSE(t.GetEntry(3, value));
    EXPECT_FALSE(t.GetEntry(-1, value));
}

TEST(PcmThumbnail, AllocateKeepsRateAndDecimationGivenAsZero) {
    CPfPcmThumbnail t;
    ASSERT_TRUE(t.Allocate(2048, 8000, 256));
    ASSERT_TRUE(t.Allocate(4096, 0, 0));
    EXPECT_EQ(t.SampleRate(), 8000u);
    EXPECT_EQ(t.Decimation(), 256u);
    EXPECT_EQ(t.Count(), 16u);
    // Only the low 16 bits of the decimation count; 0x10000 has none and keeps 256.
    ASSERT_TRUE(t.Allocate(4096, 0, 0x10000));
    EXPECT_EQ(t.Decimation(), 256u);
    ASSERT_TRUE(t.Allocate(4096, 0, 0x10200));
    EXPECT_EQ(t.Decimation(), 0x200u);
    EXPECT_EQ(t.Count(), 8u);
}

TEST(PcmThumbnail, ShorterThanOneBlockHasNoArrayAndReadsAsOutside) {
    CPfPcmThumbnail t;
    ASSERT_TRUE(t.Allocate(255, 44100, 256));
    float* data = nullptr;
    std::uint32_t count = 99;
    EXPECT_FALSE(t.GetData(data, count));
    EXPECT_EQ(count, 99u);
    EXPECT_EQ(t.EntryAt(0), 0.0f);
    t.SetEntry(0, 5.0f);  // ignored, no crash
    EXPECT_EQ(t.MaxEntry(), 0.0f);
    EXPECT_EQ(t.MinEntry(), 0.0f);
    EXPECT_EQ(t.MaxInRange(0, 10), 0.0f);
    EXPECT_EQ(t.BarPeakMean(120.0f), 0.0f);
}

TEST(PcmThumbnail, AccessOutsideTheArrayIsIgnored) {
    CPfPcmThumbnail t = EnvelopeOf({1.0f, 2.0f, 3.0f}, 44100, 256);
    t.SetEntry(3, 9.0f);
    t.SetEntry(-1, 9.0f);
    EXPECT_EQ(t.EntryAt(3), 0.0f);
    EXPECT_EQ(t.EntryAt(-1), 0.0f);
    EXPECT_EQ(t.MaxEntry(), 3.0f);
}

TEST(PcmThumbnail, RangeMaximumClampsItsEnd) {
    const CPfPcmThumbnail t = EnvelopeOf({1.0f, 7.0f, -2.0f, 4.0f, 5.0f}, 44100, 256);
    EXPECT_EQ(t.MaxInRange(2, 3), 4.0f);
    EXPECT_EQ(t.MaxInRange(2, 1000), 5.0f);
    EXPECT_EQ(t.MaxInRange(4, 4), 5.0f);
    EXPECT_EQ(t.MaxInRange(5, 9), 0.0f);
    EXPECT_EQ(t.MinEntry(), -2.0f);
    EXPECT_EQ(t.MaxEntry(), 7.0f);
}

TEST(PcmThumbnail, EntriesPerBarFollowTheRate) {
    CPfPcmThumbnail t;
    ASSERT_TRUE(t.Allocate(44100, 44100, 256));
    EXPECT_EQ(t.EntriesPerBar(164.0f), 252u);  // 64536 / 256
    EXPECT_EQ(t.EntriesPerBar(0.0f), 0u);      // no tempo set yet
    ASSERT_TRUE(t.Allocate(8000, 8000, 256));
    EXPECT_EQ(t.EntriesPerBar(164.0f), 45u);  // 11707 / 256
    ASSERT_TRUE(t.Allocate(1000, 1000, 256));
    EXPECT_EQ(t.EntriesPerBar(164.0f), 5u);  // 1463 / 256
}

TEST(PcmThumbnail, SetTempoStoresTheLargestBarMean) {
    // Rate 100 and decimation 200: a bar at 60 BPM is 400 frames, two entries.
    CPfPcmThumbnail t = EnvelopeOf({4.0f, 0.0f, 0.0f, 8.0f, 2.0f}, 100, 200);
    // Two-entry sums 4, 4, 0, 8, 10 (the first one alone), each over 2.
    EXPECT_EQ(t.BarPeakMean(60.0f), 5.0f);
    t.SetTempo(60.0f);
    EXPECT_EQ(t.BarLevel(), 5.0f);
    EXPECT_EQ(t.StoredEntriesPerBar(), 2u);
    EXPECT_EQ(t.EntriesPerBar(0.0f), 2u);
}

TEST(PcmThumbnail, CopiesCarryEntriesAndTempo) {
    CPfPcmThumbnail a = EnvelopeOf({4.0f, 0.0f, 0.0f, 8.0f, 2.0f}, 100, 200);
    a.SetTempo(60.0f);
    const CPfPcmThumbnail b(a);
    EXPECT_EQ(b.Count(), 5u);
    EXPECT_EQ(b.EntryAt(3), 8.0f);
    EXPECT_EQ(b.BarLevel(), 5.0f);
    EXPECT_EQ(b.StoredEntriesPerBar(), 2u);
    EXPECT_EQ(b.SampleRate(), 100u);
    EXPECT_EQ(b.Decimation(), 200u);

    // The copy is independent of its source.
    a.SetEntry(3, 1.0f);
    EXPECT_EQ(b.EntryAt(3), 8.0f);

    CPfPcmThumbnail c = EnvelopeOf({1.0f}, 44100, 256);
    c = a;
    EXPECT_EQ(c.Count(), 5u);
    EXPECT_EQ(c.EntryAt(3), 1.0f);
    c = c;  // self-assignment keeps the entries
    EXPECT_EQ(c.EntryAt(0), 4.0f);
}

TEST(BlockPeak, LargestMagnitude) {
    const float block[] = {0.25f, -0.75f, 0.5f};
    EXPECT_EQ(BlockPeak(block, 3), 0.75f);
    EXPECT_EQ(BlockPeak(block, 0), 0.0f);
    EXPECT_EQ(BlockPeak(nullptr, 3), 0.0f);
}
