#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "BassSignals.h"
#include "tonal/KeyEstimate.h"
#include "tonal/KeyMap.h"
#include "tonal/NoteDetector.h"

namespace {

struct KEY_RESULT {
    std::int16_t root = -1;
    std::int16_t mode = -1;
    HRESULT status = E_FAIL;
};

// `each` detections of every listed note index, one second apart, with varied confidences.
void FillMap(CPfNoteMap& map, std::initializer_list<int> notes, int each) {
    std::int64_t time = 0;
    for (int i = 0; i < each; ++i)
        for (int note : notes) {
            map.Add(CPfNoteDetection{time, static_cast<std::int16_t>(note),
                                     0.5f + 0.01f * static_cast<float>((time / 1000000) % 7)});
            time += 1000000;
        }
}

KEY_RESULT KeyOf(std::initializer_list<int> notes, int each = 3) {
    CPfNoteMap map;
    FillMap(map, notes, each);
    CancelFlag cancel{0};
    KEY_RESULT key;
    key.status = EstimateKey(cancel, map, key.root, key.mode);
    return key;
}

CPfKeyMap Histogram(std::initializer_list<int> classes) {
    CPfKeyMap map;
    for (int c : classes) map.AddNote(c);
    map.Normalise();
    return map;
}

float TemplateScore(const PitchClassWeights& pattern, int root, const CPfKeyMap& histogram) {
    CPfKeyMap scale;
    scale.LoadTemplate(pattern, root);
    return scale.Correlate(histogram);
}

}  // namespace

TEST(KeyMap, NormalisesCountsAndRotatesTemplates) {
    CPfKeyMap map;
    map.Normalise();  // empty: nothing to divide
    EXPECT_EQ(map.Count(), 0u);
    map.AddNote(9);
    map.AddNote(9);
    map.AddNote(0);
    map.AddNote(12);  // outside: ignored
    map.AddNote(-1);
    EXPECT_EQ(map.Count(), 3u);
    map.Normalise();
    EXPECT_EQ(map.Count(), 1u);
    EXPECT_FLOAT_EQ(map.Weights()[9], 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(map.Weights()[0], 1.0f / 3.0f);

    CPfKeyMap scale;
    scale.LoadTemplate(kMinorKeyTemplate, 9);
    EXPECT_EQ(scale.Weights()[9], 0.352f);      // the root
    EXPECT_EQ(scale.Weights()[0], 0.176f);      // minor third above A
    EXPECT_EQ(scale.Weights()[7], 0.183f);      // minor seventh above A
    scale.LoadTemplate(kMajorKeyTemplate, -3);  // taken modulo 12: root 9
    EXPECT_EQ(scale.Weights()[9], 0.16f);
    EXPECT_EQ(scale.Weights()[6], 0.135f);
}

TEST(KeyMap, HandComputedScores) {
    EXPECT_FLOAT_EQ(TemplateScore(kMinorKeyTemplate, 9, Histogram({9})), 0.352f);
    const CPfKeyMap cg = Histogram({0, 7});
    EXPECT_FLOAT_EQ(TemplateScore(kMinorKeyTemplate, 7, cg), (0.352f + 0.073f) / 2.0f);
    EXPECT_FLOAT_EQ(TemplateScore(kMinorKeyTemplate, 0, cg), (0.352f + 0.066f) / 2.0f);
    const CPfKeyMap ceg = Histogram({0, 4, 7});
    EXPECT_FLOAT_EQ(TemplateScore(kMinorKeyTemplate, 4, ceg), (0.034f + 0.352f + 0.176f) / 3.0f);
    EXPECT_FLOAT_EQ(TemplateScore(kMajorKeyTemplate, 0, ceg), (0.16f + 0.1f + 0.1f) / 3.0f);
}

TEST(KeyEstimate, HandComputedKeys) {
    const KEY_RESULT empty = KeyOf({});
    EXPECT_EQ(empty.status, S_OK);
    EXPECT_EQ(empty.root, 0);
    EXPECT_EQ(empty.mode, kKeyModeNone);

    const KEY_RESULT onlyA = KeyOf({9, 21});  // A1 and A2: pitch class 9
    EXPECT_EQ(onlyA.root, 9);
    EXPECT_EQ(onlyA.mode, kKeyModeMinor);

    const KEY_RESULT cAndG = KeyOf({0, 7});
    EXPECT_EQ(cAndG.root, 7);
    EXPECT_EQ(cAndG.mode, kKeyModeMinor);

    const KEY_RESULT triad = KeyOf({12, 4, 19});  // C2, E1, G2
    EXPECT_EQ(triad.root, 4);
    EXPECT_EQ(triad.mode, kKeyModeMinor);
}

TEST(KeyEstimate, MajorTemplateWinsWhereTheMinorOneFindsNoRoot) {
    // C, E, F and B equally: the major template at C scores (0.16 + 0.1 + 0.145 + 0.1) / 4 =
    // 0.12625, the best minor candidate (root D) (0.183 + 0.114 + 0.176) / 4 = 0.11825.
    EXPECT_FLOAT_EQ(TemplateScore(kMajorKeyTemplate, 0, Histogram({0, 4, 5, 11})), 0.12625f);
    const KEY_RESULT key = KeyOf({0, 16, 5, 23});
    EXPECT_EQ(key.root, 0);
    EXPECT_EQ(key.mode, kKeyModeMajor);
}

TEST(KeyEstimate, TiesKeepTheLowerRoot) {
    // C and F sharp equally: the minor template scores 0.176 at root 0 and at root 6.
    const KEY_RESULT key = KeyOf({0, 6});
    EXPECT_EQ(key.root, 0);
    EXPECT_EQ(key.mode, kKeyModeMinor);
}

TEST(KeyEstimate, CancelledEstimateLeavesTheKeyAsItWas) {
    CPfNoteMap map;
    FillMap(map, {9}, 4);
    CancelFlag cancel{1};
    std::int16_t root = 5, mode = 2;
    EXPECT_EQ(EstimateKey(cancel, map, root, mode), S_FALSE);
    EXPECT_EQ(root, 5);
    EXPECT_EQ(mode, 2);
}

TEST(KeyEstimate, CancelledFinishAndEstimateLeaveTheKeyAsItWas) {
    const auto bass = BassLine({{33, 1}, {40, 1}}, 120.0, 3.0);
    CancelFlag cancel{0};
    CPfRhythmAnalyzer context{&cancel};
    CPfPcmThumbnail envelope;
    CPfNoteDetector detector(bass.size(), 44100, context, envelope);
    for (std::size_t at = 0; at + 256 <= bass.size(); at += 256)
        detector.Feed(bass.data() + at, 256);
    cancel = 1;
    std::int16_t root = 3, mode = 1;
    EXPECT_EQ(detector.Finish(cancel), S_FALSE);
    EXPECT_EQ(EstimateKey(cancel, detector.Notes(), root, mode), S_FALSE);
    EXPECT_EQ(root, 3);
    EXPECT_EQ(mode, 1);
}

namespace {

// Synthesises a bass line, feeds it to a detector 256 samples at a time as the build does, and
// estimates the key of what the detector found.
KEY_RESULT KeyOfBassLine(const std::vector<BASS_NOTE>& line, double bpm, double seconds) {
    const auto bass = BassLine(line, bpm, seconds);
    CancelFlag cancel{0};
    CPfRhythmAnalyzer context{&cancel};
    CPfPcmThumbnail envelope;
    CPfNoteDetector detector(bass.size(), 44100, context, envelope);
    for (std::size_t at = 0; at + 256 <= bass.size(); at += 256)
        EXPECT_EQ(detector.Feed(bass.data() + at, 256), S_OK);
    EXPECT_EQ(detector.Finish(cancel), S_OK);
    EXPECT_GT(detector.Notes().Count(), 0u);
    KEY_RESULT key;
    key.status = EstimateKey(cancel, detector.Notes(), key.root, key.mode);
    return key;
}

std::vector<BASS_NOTE> Transposed(const std::vector<BASS_NOTE>& line, int semitones) {
    std::vector<BASS_NOTE> out = line;
    for (auto& n : out) n.midi += semitones;
    return out;
}

// A bass line in A minor around A1: A A C A | E G A D (two bars of quarter notes, some eighths).
const std::vector<BASS_NOTE> kAMinorLine = {{33, 1}, {33, 0.5}, {36, 0.5}, {33, 1},   {40, 1},
                                            {43, 1}, {33, 1},   {38, 0.5}, {33, 0.5}, {31, 1}};

}  // namespace

TEST(KeyEstimate, BassLineInAMinorHasRootA) {
    const KEY_RESULT key = KeyOfBassLine(kAMinorLine, 124.0, 40.0);
    EXPECT_EQ(key.status, S_OK);
    EXPECT_EQ(key.root, 9);
    EXPECT_EQ(key.mode, kKeyModeMinor);
}

TEST(KeyEstimate, TransposingTheBassLineMovesTheRoot) {
    for (int shift : {-4, -2, 3}) {  // F minor, G minor, C minor
        const KEY_RESULT key = KeyOfBassLine(Transposed(kAMinorLine, shift), 118.0, 30.0);
        EXPECT_EQ(key.root, (9 + shift + 12) % 12) << shift;
        EXPECT_EQ(key.mode, kKeyModeMinor) << shift;
    }
}
