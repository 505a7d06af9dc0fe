// Tests of the look-ahead peak limiter and its descriptor.
#include "ConvertTestSupport.h"
#include "LSPPeakLimit.h"
#include "LSRCPeakLimit.h"

#include <gtest/gtest.h>

using namespace convert_test;

namespace {

constexpr int32_t kLevel = kFullScale16;

bool WithinLevel(const std::vector<int32_t>& samples, int32_t level) {
    return std::all_of(samples.begin(), samples.end(), [level](int32_t v) { return v >= -level && v <= level; });
}

} // namespace

TEST(PeakLimit, TheBlockGainApproximatesLevelOverPeak) {
    const std::vector<int32_t> quiet = {kLevel, -kLevel, 5};
    EXPECT_EQ(LSRCPeakLimit::BlockGain(quiet.data(), 3, kLevel), 0x1000000u);
    // ((0x7fff0 << 9) / ((0xfffe0 + 64) >> 6)) << 9 = (268427264 / 16384) << 9 = 16383 << 9.
    const std::vector<int32_t> twice = {0, -0xfffe0, 100};
    EXPECT_EQ(LSRCPeakLimit::BlockGain(twice.data(), 3, kLevel), 0x7ffe00u);
    // The most negative sample has no positive counterpart in 32 bits; the peak is taken in 64.
    const std::vector<int32_t> extreme = {INT32_MIN};
    EXPECT_EQ(LSRCPeakLimit::BlockGain(extreme.data(), 1, kLevel), 7u << 9);
}

TEST(PeakLimit, AStreamThatNeverExceedsTheLevelPassesBitExactly) {
    const std::vector<int32_t> input = Noise(2 * 30000, kLevel, 5);
    LSRCPeakLimit limiter(Memory(input, 44100, 2, 2 * kLevel), kLevel);
    EXPECT_EQ(limiter.BlockFrames(), 1260);
    EXPECT_EQ(ReadInBlocks(limiter, 30000, {1, 1259, 4000, 8192}), input);
}

TEST(PeakLimit, TheOutputNeverExceedsItsLevel) {
    for (int channels : {1, 2}) {
        std::vector<int32_t> input = Noise(static_cast<int64_t>(channels) * 60000, kLevel / 2, 11);
        // Bursts from a few frames to several blocks long, up to four times the level, and two extreme samples.
        const std::vector<int32_t> loud = Noise(static_cast<int64_t>(channels) * 60000, 4 * kLevel, 12);
        for (int64_t burst : {1000, 5000, 5300, 20000, 40000})
            for (int64_t i = burst * channels; i < (burst + burst / 50 + 3) * channels; ++i)
                input[i] = loud[i];
        input[33333] = INT32_MIN;
        input[44444] = INT32_MAX;
        LSRCPeakLimit limiter(Memory(input, 8000, static_cast<uint8_t>(channels), 2 * kLevel), kLevel);
        const std::vector<int32_t> out = ReadInBlocks(limiter, 60000, {7, 228, 229, 1000});
        EXPECT_TRUE(WithinLevel(out, kLevel)) << channels << " channels";
        // The gain ramps run frame by frame: one long read gives the same samples.
        LSRCPeakLimit whole(Memory(input, 8000, static_cast<uint8_t>(channels), 2 * kLevel), kLevel);
        EXPECT_EQ(ReadInBlocks(whole, 60000, {60000}), out);
    }
}

TEST(PeakLimit, ALoudBlockIsPreparedForTwoBlocksAheadAndReleasedAfter) {
    // 7000 frames per second: B = 200. A steady L/2 with one block (frames 1000..1199) at 2 L.
    std::vector<int32_t> input(4000, kLevel / 2);
    std::fill(input.begin() + 1000, input.begin() + 1200, 2 * kLevel);
    LSRCPeakLimit limiter(Memory(input, 7000, 1, 4 * kLevel), kLevel);
    ASSERT_EQ(limiter.BlockFrames(), 200);
    const std::vector<int32_t> out = ReadAll(limiter, 4000);
    auto gain = [&](int frame) { return static_cast<double>(out[frame]) / input[frame]; };
    EXPECT_EQ(out[599], input[599]);      // two blocks before: untouched
    EXPECT_LT(gain(799), 0.88);           // the block before the one before heads for the average, 7/8
    EXPECT_NEAR(gain(800), 0.875, 0.002); // so the block before starts attenuated
    EXPECT_NEAR(gain(1000), 0.5, 0.002);  // and has reached the loud block's gain when it arrives
    for (int frame = 1000; frame < 1200; ++frame)
        ASSERT_LE(out[frame], kLevel) << frame;
    EXPECT_LT(gain(1220), 0.56);       // the block after rises only towards the average
    EXPECT_EQ(out[1600], input[1600]); // and two blocks later the copy path is back
}

TEST(PeakLimit, ThePositionLagsTheUpstreamByTheHeldFrames) {
    auto upstream = MakeHandle<MemorySource>(std::vector<int32_t>(10000, 1), 7000, 1);
    upstream->Seek(300);
    LSRCPeakLimit limiter(upstream, kLevel);
    EXPECT_EQ(upstream->GetPosition(), 300 + 3 * 200);
    EXPECT_EQ(limiter.GetPosition(), 300);
    std::vector<int32_t> out(450);
    limiter.Read(out.data(), 50);
    EXPECT_EQ(limiter.GetPosition(), 350);
    limiter.Read(out.data(), 450);
    EXPECT_EQ(limiter.GetPosition(), 800);
    limiter.Seek(5000);
    EXPECT_EQ(limiter.GetPosition(), 5000);
    EXPECT_EQ(limiter.GetLength(), 10000);
}

TEST(PeakLimit, TheLevelIsTheLowerOfTheRequestAndTheCeiling) {
    LSoundSourceHandle loud = Memory(std::vector<int32_t>(100), 8000, 1, 0x800000);
    EXPECT_EQ(LSRCPeakLimit(loud, kLevel).Level(), kLevel);
    EXPECT_EQ(LSRCPeakLimit(loud, 0x500000).Level(), LSRCPeakLimit::kCeiling);
    EXPECT_EQ(LSRCPeakLimit(loud, kLevel).FullScale(), kLevel);
}

TEST(PeakLimitApply, LimitsOnlyAStreamThatCanExceedTheLevel) {
    LSoundSourceHandle wide = Memory(std::vector<int32_t>(100), 8000, 1, 2 * kLevel);
    LSoundSourceHandle exact = Memory(std::vector<int32_t>(100), 8000, 1, kLevel);
    LSoundSourceHandle result;
    LSPPeakLimit(kLevel).Apply(result, wide);
    EXPECT_NE(dynamic_cast<LSRCPeakLimit*>(result.Get()), nullptr);
    LSPPeakLimit(kLevel).Apply(result, exact);
    EXPECT_EQ(result, exact);
    LSPPeakLimit(0).Apply(result, wide);
    EXPECT_EQ(result, wide);
    LSoundSourceHandle invalid = InvalidSource();
    LSPPeakLimit(10).Apply(result, invalid);
    EXPECT_EQ(result, invalid);
}
