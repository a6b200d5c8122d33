#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

#include "BassSignals.h"
#include "tests/support/AllocationCounter.h"
#include "tonal/NoteDetector.h"

namespace {

constexpr std::size_t kBlock = 256;

struct DetectorRun {
    CancelFlag cancel{0};
    CPfRhythmAnalyzer context{&cancel};
    CPfPcmThumbnail envelope;
    CPfNoteDetector detector;

    explicit DetectorRun(std::size_t frames) : detector(frames, 44100, context, envelope) {}

    // Feeds `signal` in blocks of `block` samples; a partial last block is dropped, as the
    // build's read loop drops it.
    void Feed(const std::vector<float>& signal, std::size_t block = kBlock) {
        for (std::size_t at = 0; at + block <= signal.size(); at += block)
            ASSERT_EQ(detector.Feed(signal.data() + at, block), S_OK);
    }
};

std::vector<CPfNoteDetection> All(const CPfNoteMap& map) {
    std::vector<CPfNoteDetection> out(map.Count());
    for (std::size_t i = 0; i < out.size(); ++i) map.GetDetection(i, out[i]);
    return out;
}

}  // namespace

TEST(NoteDetector, SilenceGivesNoNotesAndAZeroEnvelope) {
    const std::vector<float> silence(44100 * 2, 0.0f);
    DetectorRun run(silence.size());
    run.Feed(silence);
    EXPECT_EQ(run.detector.Finish(run.cancel), S_OK);
    EXPECT_EQ(run.detector.Notes().Count(), 0u);
    EXPECT_EQ(run.envelope.Count(), silence.size() / kBlock);
    EXPECT_EQ(run.envelope.MaxEntry(), 0.0f);
}

TEST(NoteDetector, QuietSignalBelowThePeakThresholdGivesNoNotes) {
    const auto quiet = SineWave(55.0, 0.009, 2.0);  // filtered peak about 0.0097 < 0.01
    DetectorRun run(quiet.size());
    run.Feed(quiet);
    EXPECT_EQ(run.detector.Finish(run.cancel), S_OK);
    EXPECT_EQ(run.detector.Notes().Count(), 0u);
    EXPECT_GT(run.envelope.MaxEntry(), 0.009f);
}

TEST(NoteDetector, SteadyA1SineGivesOnlyNoteNineHalfASecondApart) {
    const auto sine = SineWave(55.0, 0.5, 6.0);
    DetectorRun run(sine.size());
    run.Feed(sine);
    ASSERT_EQ(run.detector.Finish(run.cancel), S_OK);
    const auto notes = All(run.detector.Notes());
    // Each kept detection clears a window of one second around it, so six seconds keep at
    // least six and, being more than half a second apart, at most twelve.
    EXPECT_GE(notes.size(), 6u);
    EXPECT_LE(notes.size(), 12u);
    for (const auto& d : notes) {
        EXPECT_EQ(d.note, 9);
        EXPECT_GT(d.confidence, 0.999f);
        EXPECT_LE(d.confidence, 1.0f);
        EXPECT_GE(d.timeUs, 0);
        EXPECT_LE(d.timeUs, 6000000);
    }
    for (std::size_t i = 0; i < notes.size(); ++i)
        for (std::size_t j = i + 1; j < notes.size(); ++j)
            EXPECT_GT(std::llabs(notes[i].timeUs - notes[j].timeUs), 500000);
    for (std::size_t i = 1; i < notes.size(); ++i)
        EXPECT_GE(notes[i - 1].confidence, notes[i].confidence);
}

TEST(NoteDetector, EnvelopeHoldsTheFilteredPeakOfEveryWholeBlock) {
    // 55 Hz passes the low-pass with a gain of 1.0762; a block spans a third of a period, so its
    // peak lies between sin(1) and 1 times the amplitude.
    const auto sine = SineWave(55.0, 0.5, 3.3);
    DetectorRun run(sine.size());
    run.Feed(sine);
    ASSERT_EQ(run.detector.Finish(run.cancel), S_OK);
    const float amplitude = 0.5f * 1.0762f;
    ASSERT_EQ(run.envelope.Count(), sine.size() / kBlock);
    EXPECT_NEAR(run.envelope.MaxEntry(), amplitude, 0.01f);
    for (std::uint32_t i = 100; i < run.envelope.Count(); ++i) {
        EXPECT_GT(run.envelope.EntryAt(i), 0.84f * amplitude * 0.99f) << i;
        EXPECT_LT(run.envelope.EntryAt(i), amplitude * 1.01f) << i;
    }
}

TEST(NoteDetector, BlockSizeDoesNotChangeTheResult) {
    const auto bass = BassLine({{33, 1}, {36, 1}, {40, 0.5}, {38, 1.5}}, 124.0, 5.0);
    DetectorRun in256(bass.size());
    in256.Feed(bass, 256);
    DetectorRun in1000(bass.size());
    in1000.Feed(bass, 1000);
    DetectorRun in4096(bass.size());
    in4096.Feed(bass, 4096);
    ASSERT_EQ(in256.detector.Finish(in256.cancel), S_OK);
    ASSERT_EQ(in1000.detector.Finish(in1000.cancel), S_OK);
    ASSERT_EQ(in4096.detector.Finish(in4096.cancel), S_OK);
    // Each run sees the same samples up to its own dropped tail, which is shorter than the
    // last half-second window; compare the detections before it.
    auto early = [](const CPfNoteMap& map) {
        std::vector<std::tuple<std::int64_t, int, float>> out;
        for (const auto& d : All(map))
            if (d.timeUs < 4000000) out.emplace_back(d.timeUs, d.note, d.confidence);
        return out;
    };
    EXPECT_FALSE(early(in256.detector.Notes()).empty());
    EXPECT_EQ(early(in256.detector.Notes()), early(in1000.detector.Notes()));
    EXPECT_EQ(early(in256.detector.Notes()), early(in4096.detector.Notes()));
}

TEST(NoteDetector, CancelledFinishLeavesTheLastHalfBufferUndetected) {
    const auto sine = SineWave(55.0, 0.5, 3.0);  // 132 300 samples: 3 halves flushed
    DetectorRun run(sine.size());
    run.Feed(sine);
    run.cancel = 1;
    EXPECT_EQ(run.detector.Finish(run.cancel), S_FALSE);
    const std::int64_t flushedUs = 3 * 32768 * 1000000LL / 44100;
    const auto notes = All(run.detector.Notes());
    EXPECT_FALSE(notes.empty());
    for (const auto& d : notes) EXPECT_LT(d.timeUs, flushedUs);
    // Unthinned: the flushed halves keep one detection per period.
    EXPECT_GT(notes.size(), 100u);
    // The envelope of the unflushed samples stays zero.
    EXPECT_GT(run.envelope.EntryAt(3 * 32768 / 256 - 1), 0.0f);
    EXPECT_EQ(run.envelope.EntryAt(3 * 32768 / 256), 0.0f);
    EXPECT_EQ(run.envelope.EntryAt(run.envelope.Count() - 1), 0.0f);
}

TEST(NoteDetector, RefusesBadCallsAndASecondFinish) {
    DetectorRun run(44100);
    EXPECT_EQ(run.detector.Feed(nullptr, 16), E_INVALIDARG);
    EXPECT_EQ(run.detector.Feed(nullptr, 0), S_OK);
    EXPECT_EQ(run.detector.Finish(run.cancel), S_OK);
    EXPECT_EQ(run.detector.Finish(run.cancel), E_FAIL);
    const std::vector<float> block(256, 0.1f);
    EXPECT_EQ(run.detector.Feed(block.data(), block.size()), E_FAIL);
}

TEST(NoteDetector, SizesTheEnvelopeFromTheSourceLengthAndRate) {
    CancelFlag cancel{0};
    CPfRhythmAnalyzer context{&cancel};
    CPfPcmThumbnail envelope;
    CPfNoteDetector detector(24000, 48000, context, envelope);  // 22 050 frames at 44 100 Hz
    EXPECT_EQ(envelope.Length(), 22050u);
    EXPECT_EQ(envelope.SampleRate(), 44100u);
    EXPECT_EQ(envelope.Decimation(), 256u);
    EXPECT_EQ(envelope.Count(), 22050u / 256u);
    CPfPcmThumbnail rateless;
    CPfNoteDetector noRate(3, 0, context, rateless);  // rate 0 counts as 1
    EXPECT_EQ(rateless.Length(), 3u * 44100u);
}

TEST(NoteDetector, FeedAllocatesNothing) {
    const auto bass = BassLine({{33, 1}, {40, 1}}, 120.0, 4.0);
    DetectorRun run(bass.size());
    CAllocationWatch watch;
    run.Feed(bass);
    EXPECT_EQ(watch.Count(), 0u);
    ASSERT_EQ(run.detector.Finish(run.cancel), S_OK);
    EXPECT_GT(run.detector.Notes().Count(), 0u);
}
