#include "SampleFormat.h"

#include <gtest/gtest.h>

TEST(SampleFormat, StoredSamplesEnterAndLeaveThePipelineAtTheirScale) {
    EXPECT_EQ(LSF16::ToPipeline(0x7fff), 524272);
    EXPECT_EQ(LSF16::FromPipeline(524272), 0x7fff);
    EXPECT_EQ(LSF16::FromPipeline(LSF16::ToPipeline(-32768)), -32768);
    EXPECT_EQ(LSFU8::ToPipeline(0), -262144);
    EXPECT_EQ(LSFU8::FromPipeline(-262144), 0);
    EXPECT_EQ(LSFU8::FromPipeline(LSFU8::ToPipeline(255)), 255);
    EXPECT_EQ(LSF32::ToPipeline(0x7fff0000), 0x7fff0);
    EXPECT_EQ(LSF32::FromPipeline(0x7fff0), 0x7fff0000);
}

TEST(SampleFormat, SamplesOutOfRangeSaturateInsteadOfWrapping) {
    EXPECT_EQ(LSF16::FromPipeline(600000), 32767);
    EXPECT_EQ(LSF16::FromPipeline(-600000), -32768);
    EXPECT_EQ(LSF16::FromPipeline(INT32_MAX), 32767);
    EXPECT_EQ(LSFU8::FromPipeline(400000), 255);
    EXPECT_EQ(LSFU8::FromPipeline(-400000), 0);
    EXPECT_EQ(LSF32::FromPipeline(INT32_MAX), INT32_MAX);
    EXPECT_EQ(LSF32::FromPipeline(INT32_MIN), INT32_MIN);
}

TEST(SampleFormat, TheQ24ProductDropsOnlyTheProductOfTheLowParts) {
    EXPECT_EQ(Q24Product(524272, kUnityGain), 524272);
    EXPECT_EQ(Q24Product(-524272, kUnityGain), -524272);
    EXPECT_EQ(Q24Product(1000, kUnityGain / 2), 500);
    EXPECT_EQ(Q24Product(0xfff, 0xfff), 0); // only low parts: dropped
    EXPECT_EQ(Q24Product(0x1000, 0x1000), 1);
    EXPECT_EQ(Q24Product(-1, kUnityGain), -1);
    EXPECT_EQ(Q24Product(524272, 4 * kUnityGain), 4 * 524272);
}

TEST(SampleFormat, FramesAndTimesConvertInIntegers) {
    EXPECT_EQ(FramesForTime(10000, 8000), 8000);
    EXPECT_EQ(FramesForTime(15000, 11025), 16537);
    EXPECT_EQ(FramesForTime(-5000, 8000), -4000);
    EXPECT_EQ(TimeForFrames(8000, 8000), 10000);
    EXPECT_EQ(TimeForFrames(16537, 11025), 14999);
    EXPECT_EQ(TimeForFrames(100, 0), 0);
    EXPECT_EQ(FramesForTime(INT32_MAX, 44100), INT32_MAX); // saturates rather than overflowing
}
