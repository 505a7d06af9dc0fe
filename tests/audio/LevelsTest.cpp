#include "audio/Levels.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(LevelsDb, PeakAndMeanSquareLevelsReadTheRecordersAndPlayersReferencePoints) {
    const auto alternating = [](int32_t magnitude) {
        std::vector<int32_t> samples(40, magnitude);
        for (size_t i = 0; i < samples.size(); i += 2)
            samples[i] = -magnitude;
        return samples;
    };
    using Measure = void (*)(const int32_t*, int32_t, uint8_t, LDBMC&);
    for (const auto& [measure, samples, channels, levels] :
         std::vector<std::tuple<Measure, std::vector<int32_t>, uint8_t, std::vector<int>>>{
             {PeakLevelDb, {131072, -5}, 2, {0, -88}},
             {PeakLevelDb, {1, 0, -1, 0}, 1, {-102}},
             {MeanSquareLevelDb, std::vector<int32_t>(40), 1, {-127}},
             {MeanSquareLevelDb, alternating(92704), 1, {0}},
             {MeanSquareLevelDb, alternating(524272), 1, {15}}}) {
        LDBMC measured;
        measure(samples.data(), static_cast<int32_t>(samples.size()) / channels, channels, measured);
        std::vector<int> got;
        for (uint8_t channel = 0; channel < measured.Count(); ++channel)
            got.push_back(measured[channel]);
        EXPECT_EQ(got, levels) << ::testing::PrintToString(samples);
    }
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
}

} // namespace
