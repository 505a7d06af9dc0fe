#include "Levels.h"

#include <gtest/gtest.h>
#include <vector>

TEST(PeakLevelDb, ReadsTheRecordersReferencePoints) {
    LDBMC levels;
    const std::vector<int32_t> reference = {131072, -5};
    PeakLevelDb(reference.data(), 1, 2, levels);
    EXPECT_EQ(levels.Count(), 2);
    EXPECT_EQ(levels[0], 0);
    EXPECT_EQ(levels[1], -88);
    const std::vector<int32_t> one = {1, 0, -1, 0};
    PeakLevelDb(one.data(), 4, 1, levels);
    EXPECT_EQ(levels[0], -102);
    const std::vector<int32_t> silent(10, 0);
    PeakLevelDb(silent.data(), 10, 1, levels);
    EXPECT_EQ(levels[0], -127);
    const std::vector<int32_t> fullScale = {-524272};
    PeakLevelDb(fullScale.data(), 1, 1, levels);
    EXPECT_EQ(levels[0], 12);
}

TEST(MeanSquareLevelDb, ReadsThePlayersReferencePoints) {
    LDBMC levels;
    const std::vector<int32_t> silent(40, 0);
    MeanSquareLevelDb(silent.data(), 40, 1, levels);
    EXPECT_EQ(levels[0], -127);
    std::vector<int32_t> constant(40);
    for (size_t i = 0; i < constant.size(); ++i)
        constant[i] = i % 2 ? 92704 : -92704;
    MeanSquareLevelDb(constant.data(), 40, 1, levels);
    EXPECT_EQ(levels[0], 0);
    std::vector<int32_t> square(40);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = i % 2 ? 524272 : -524272;
    MeanSquareLevelDb(square.data(), 40, 1, levels);
    EXPECT_EQ(levels[0], 15);
}

TEST(LDBMC, TheOverallLevelLooksAtTheFirstTwoChannelsOnly) {
    EXPECT_EQ(LDBMC().OverallLevel(), -127);
    LDBMC levels(3);
    levels[0] = -20;
    levels[1] = -6;
    levels[2] = 10;
    EXPECT_EQ(levels.OverallLevel(), -6);
    levels.Resize(1);
    EXPECT_EQ(levels.OverallLevel(), -127);
    levels.Resize(1);
    EXPECT_EQ(levels.Count(), 1);
}
