// Tests of the speed change: block sizes, the skip ramp, forward and backward play, seeking, unusable speeds.
#include "ConvertTestSupport.h"
#include "LSPSpeed.h"
#include "LSRCSpeed.h"

#include <gtest/gtest.h>
#include <limits>

using namespace convert_test;

namespace {

std::vector<int32_t> Ramp(int32_t frames) {
    std::vector<int32_t> samples(frames);
    for (int32_t i = 0; i < frames; ++i)
        samples[i] = i * 16;
    return samples;
}

} // namespace

TEST(Speed, TheBlockIsAFortiethOfASecondWithinTwentyTo8192Frames) {
    const struct { int32_t rate, block; } cases[] = {{8000, 200}, {1000, 25}, {500000, 8192}, {100, 20}, {44100, 1102}};
    for (const auto& c : cases) {
        LSRCSpeed speed(Memory(std::vector<int32_t>(10), c.rate), 1.0, 1.0, 0);
        EXPECT_EQ(speed.BlockFrames(), c.block) << c.rate;
        EXPECT_EQ(speed.HalfBlockFrames(), c.block / 2) << c.rate;
    }
}

TEST(Speed, AtNormalSpeedTheInputComesBackInOrder) {
    const std::vector<int32_t> input = Noise(20000, 500000, 9);
    LSRCSpeed speed(Memory(input, 8000), 1.0, 1.0, 0);
    EXPECT_EQ(speed.CurrentSkip(), -100); // truncate(0 x 200) - 100: every block starts where the last one ended
    const std::vector<int32_t> out = ReadInBlocks(speed, 19000, {1, 7, 333, 8192});
    for (int32_t frame = 0; frame < 19000; ++frame) {
        // The first 100 frames of each block are cross-faded with the same frames: only the two Q24 products'
        // truncation shows (each rounds down by less than three units).
        if (frame % 200 < 100) {
            ASSERT_LE(out[frame], input[frame]) << frame;
            ASSERT_GE(out[frame], input[frame] - 5) << frame;
        } else
            ASSERT_EQ(out[frame], input[frame]) << frame;
    }
}

TEST(Speed, FastForwardRampsFromHalfToSevenTimesOverEightSeconds) {
    auto upstream = MakeHandle<MemorySource>(Ramp(400000), 8000, 1);
    LSRCSpeed speed(upstream, 0.5, 7.0, 80000);
    // truncate(-0.5 x 200) - 100 = -200; truncate(6 x 200) - 100 = 1100; (1100 + 200) / (64000 / 200 + 1) = 4.
    EXPECT_EQ(speed.CurrentSkip(), -200);
    EXPECT_EQ(speed.TargetSkip(), 1100);
    EXPECT_EQ(speed.SkipStep(), 4);
    std::vector<int32_t> block(200);
    int32_t expected = 0;
    for (int k = 0; k < 400; ++k) {
        const int32_t skip = std::min(-200 + 4 * k, 1100);
        speed.Read(block.data(), 200);
        expected += 200 + 100 + skip;
        ASSERT_EQ(upstream->GetPosition(), expected) << "block " << k;
        // Each block plays forwards from where the last skip left the upstream.
        ASSERT_EQ(block[150] / 16, expected - 300 - skip + 150) << "block " << k;
    }
    EXPECT_EQ(speed.CurrentSkip(), 1100); // 325 blocks reach the target exactly: 7 x 200 frames per block
}

TEST(Speed, RewindWalksDownToTheStartAndThenKeepsPlayingTheFirstBlock) {
    auto upstream = MakeHandle<MemorySource>(Ramp(100000), 8000, 1);
    upstream->Seek(60000);
    LSRCSpeed speed(upstream, -0.5, -7.0, 80000);
    EXPECT_EQ(speed.CurrentSkip(), -400);
    EXPECT_EQ(speed.TargetSkip(), -1700);
    EXPECT_EQ(speed.SkipStep(), -4);
    std::vector<int32_t> block(200);
    int32_t previous = upstream->GetPosition();
    int blocks = 0;
    while (upstream->GetPosition() > 0 && blocks < 1000) {
        speed.Read(block.data(), 200);
        EXPECT_LT(upstream->GetPosition(), previous);
        previous = upstream->GetPosition();
        ++blocks;
    }
    ASSERT_EQ(upstream->GetPosition(), 0);
    speed.Read(block.data(), 200); // still cross-faded with what followed the block before
    speed.Read(block.data(), 200);
    const std::vector<int32_t> first = block;
    for (int k = 0; k < 5; ++k) {
        speed.Read(block.data(), 200);
        EXPECT_EQ(block, first);
        EXPECT_EQ(upstream->GetPosition(), 0);
    }
    EXPECT_EQ(first[199] / 16, 199); // the first block of the recording, forwards
}

TEST(Speed, ARampTooGentleForItsLengthStillReachesItsTarget) {
    // 1.0 -> 1.1 over 8 s: the skip moves by 20 frames over 321 blocks, 0 per block in integers; it steps by one.
    LSRCSpeed speed(Memory(Ramp(100000), 8000), 1.0, 1.1, 80000);
    EXPECT_EQ(speed.CurrentSkip(), -100);
    EXPECT_EQ(speed.TargetSkip(), -80);
    EXPECT_EQ(speed.SkipStep(), 1);
    std::vector<int32_t> block(200);
    for (int k = 0; k < 25; ++k)
        speed.Read(block.data(), 200);
    EXPECT_EQ(speed.CurrentSkip(), -80);
}

TEST(Speed, SeekingPrimesAfresh) {
    const std::vector<int32_t> input = Ramp(30000);
    auto upstream = MakeHandle<MemorySource>(input, 8000, 1);
    LSRCSpeed speed(upstream, 1.0, 1.0, 0);
    std::vector<int32_t> out(300);
    speed.Read(out.data(), 300);
    speed.Seek(5000);
    EXPECT_EQ(speed.GetPosition(), 5000);
    speed.Read(out.data(), 300);
    for (int32_t i = 100; i < 200; ++i)
        EXPECT_EQ(out[i], input[5000 + i]);
    EXPECT_EQ(speed.GetLength(), 30000);
}

TEST(SpeedApply, BuildsForUsableSpeedsOnly) {
    LSoundSourceHandle source = Memory(Ramp(1000), 8000);
    LSoundSourceHandle result;
    LSPSpeed(0.5, 7.0, 80000).Apply(result, source);
    EXPECT_NE(dynamic_cast<LSRCSpeed*>(result.Get()), nullptr);
    const double unusable[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e9,
                               -1001};
    for (double speed : unusable) {
        LSPSpeed(1.0, speed, 100).Apply(result, source);
        EXPECT_EQ(result, source) << speed;
        LSRCSpeed direct(source, speed, 1.0, 0);
        EXPECT_TRUE(direct.IsInvalid());
        std::vector<int32_t> out(10, 0x5555);
        direct.Read(out.data(), 10);
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int32_t v) { return v == 0; }));
    }
}
