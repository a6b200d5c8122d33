#include <gtest/gtest.h>

#include "rhythm/PositionList.h"

TEST(PositionList, ReadsOutsideTheArraysFailAndKeepTheOutput) {
    CPfPositionList list(44100, 1000);
    list.AppendPrimary(5);
    std::int64_t out = -7;
    EXPECT_FALSE(list.GetPrimary(1, out));
    EXPECT_FALSE(list.GetPrimary(-1, out));
    EXPECT_FALSE(list.GetSecondary(0, out));
    EXPECT_EQ(out, -7);
    EXPECT_TRUE(list.GetPrimary(0, out));
    EXPECT_EQ(out, 5);
    EXPECT_EQ(list.LastPrimaryIndex(), 0);
    list.ClearPrimary();
    EXPECT_EQ(list.LastPrimaryIndex(), -1);
}

TEST(PositionList, SortAndRemoveDuplicatesTouchesOnlyPrimaryDuplicates) {
    CPfPositionList list(44100, 1000);
    for (const std::int64_t p : {30, -4, 30, 7, -4, 30}) list.AppendPrimary(p);
    for (const std::int64_t p : {9, 2, 9}) list.AppendSecondary(p);
    list.SortAndRemoveDuplicates();
    EXPECT_EQ(list.Primary(), (std::vector<std::int64_t>{-4, 7, 30}));
    EXPECT_EQ(list.Secondary(), (std::vector<std::int64_t>{2, 9, 9}));
}

TEST(PositionList, NearestPrimaryPrefersTheLowerIndexOnATie) {
    CPfPositionList list(44100, 1000);
    std::int64_t index = -1;
    EXPECT_FALSE(list.NearestPrimaryIndex(10, index));
    for (const std::int64_t p : {100, 0, 200, 300}) list.AppendPrimary(p);
    ASSERT_TRUE(list.NearestPrimaryIndex(250, index));
    EXPECT_EQ(index, 2);  // 200 and 300 are equally near; 200 comes first
    ASSERT_TRUE(list.NearestPrimaryIndex(40, index));
    EXPECT_EQ(index, 1);
    ASSERT_TRUE(list.NearestPrimaryIndex(INT64_MIN, index));
    EXPECT_EQ(index, 1);
}

TEST(PositionList, AppendsAnotherListAndItself) {
    CPfPositionList a(44100, 1000);
    CPfPositionList b(44100, 1000);
    a.AppendPrimary(1);
    b.AppendPrimary(2);
    b.AppendPrimary(3);
    a.AppendPrimaryFrom(b);
    a.AppendPrimaryFrom(a);
    EXPECT_EQ(a.Primary(), (std::vector<std::int64_t>{1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(a.SamplesPerBar(120.0f), 88200u);
}
