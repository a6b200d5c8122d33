#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tonal/NoteMap.h"

namespace {

CPfNoteDetection Note(std::int64_t timeUs, std::int16_t note, float confidence) {
    return CPfNoteDetection{timeUs, note, confidence};
}

// (time, note) of every detection, in map order.
std::vector<std::pair<std::int64_t, int>> Contents(const CPfNoteMap& map) {
    std::vector<std::pair<std::int64_t, int>> out;
    CPfNoteDetection d;
    for (std::size_t i = 0; map.GetDetection(i, d); ++i) out.emplace_back(d.timeUs, d.note);
    return out;
}

}  // namespace

TEST(NoteMap, KeepsDescendingConfidenceWithNewestFirstAmongEquals) {
    CPfNoteMap map;
    map.Add(Note(1, 1, 0.5f));
    map.Add(Note(2, 2, 0.3f));  // weaker than the last: appended
    map.Add(Note(3, 3, 0.9f));  // stronger than all: goes to the front
    map.Add(Note(4, 4, 0.5f));  // equal to an existing one: goes before it
    map.Add(Note(5, 5, 0.3f));  // equal to the last: before it, not after
    const std::vector<std::pair<std::int64_t, int>> expected{
        {3, 3}, {4, 4}, {1, 1}, {5, 5}, {2, 2}};
    EXPECT_EQ(Contents(map), expected);
    EXPECT_EQ(map.LastConfidence(), 0.3f);
}

TEST(NoteMap, AddingInFoundOrderEqualsAddingOneByOne) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> level(0, 5);  // few levels, so many ties
    for (int round = 0; round < 20; ++round) {
        CPfNoteMap oneByOne, batched;
        for (int batch = 0; batch < 3; ++batch) {
            std::vector<CPfNoteDetection> found;
            for (int i = 0; i < 40; ++i) {
                const auto d =
                    Note(round * 1000 + batch * 100 + i, static_cast<std::int16_t>(i % 24),
                         1.0f - 0.125f * static_cast<float>(level(rng)));
                found.push_back(d);
                oneByOne.Add(d);
            }
            batched.AddInFoundOrder(found);
        }
        ASSERT_EQ(Contents(batched), Contents(oneByOne)) << round;
    }
}

TEST(NoteMap, SuppressesNeighboursWithinTheWindowBothEndsIncluded) {
    CPfNoteMap map;
    map.Add(Note(1000000, 9, 0.9f));
    map.Add(Note(1500000, 4, 0.8f));   // exactly 500 000 us after a stronger one: dropped
    map.Add(Note(500000, 7, 0.7f));    // exactly 500 000 us before it: dropped
    map.Add(Note(2000001, 2, 0.6f));   // 1 000 001 us away: kept
    map.Add(Note(2500001, 5, 0.55f));  // 500 000 us after the kept one: dropped
    map.SuppressNeighbours(500000);
    const std::vector<std::pair<std::int64_t, int>> expected{{1000000, 9}, {2000001, 2}};
    EXPECT_EQ(Contents(map), expected);
}

TEST(NoteMap, OnlyKeptDetectionsSuppress) {
    // B is dropped because of A; C lies within the window of B but not of A, so it stays.
    CPfNoteMap map;
    map.Add(Note(0, 0, 0.9f));
    map.Add(Note(400000, 1, 0.8f));
    map.Add(Note(800000, 2, 0.7f));
    map.SuppressNeighbours(500000);
    const std::vector<std::pair<std::int64_t, int>> expected{{0, 0}, {800000, 2}};
    EXPECT_EQ(Contents(map), expected);
}

TEST(NoteMap, ReadingOutsideTheMapLeavesTheOutputUntouched) {
    CPfNoteMap map;
    CPfNoteDetection d = Note(42, 3, 0.25f);
    EXPECT_FALSE(map.GetDetection(0, d));
    EXPECT_EQ(map.LastConfidence(), 0.0f);
    map.Add(Note(7, 1, 0.5f));
    EXPECT_FALSE(map.GetDetection(1, d));
    EXPECT_EQ(d.timeUs, 42);
    EXPECT_TRUE(map.GetDetection(0, d));
    EXPECT_EQ(d.timeUs, 7);
}
