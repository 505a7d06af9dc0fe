// The rate converter: the rate pairs it refuses, positions and seeks across buffer refills, tones in and beyond the
// pass band, samples beyond any full scale, and its descriptor.
#include "SoundTestKit.h"
#include "sound/LRateDesign.h"
#include "sound/LSPConvertRate.h"
#include "sound/LSRCConvertRate.h"

#include <gtest/gtest.h>

using namespace sound_test;

TEST(RateDesign, RatesItCannotServeAreRefusedWithAReasonAConverterForThemIsSilentAndItsDescriptorBuildsNone) {
    using Verdict = LRateDesign::Verdict;
    // 1 -> 1000: even L = 255 rounds M to 0; 1000 -> 192000: L = 162, M = 1 would play 162000 frames per second;
    // 160000 -> 8000: a cutoff of 0.003 is too narrow for 63 taps.
    const std::tuple<int32_t, int32_t, Verdict> rows[] = {{0, 8000, Verdict::RateOutOfRange},
                                                          {1, 1000, Verdict::ZeroStep},
                                                          {1000, 192000, Verdict::RateMissed},
                                                          {160000, 8000, Verdict::FilterTooNarrow},
                                                          {96000, 8000, Verdict::Served}};
    for (const auto& [input, target, verdict] : rows) {
        const LRateDesign design(input, target);
        EXPECT_EQ(design.GetVerdict(), verdict) << input << " -> " << target;
        EXPECT_EQ(std::string(design.Problem()).empty(), verdict == Verdict::Served);
    }
    for (int32_t target : {0, 100}) {
        LSRCConvertRate converter(Memory(Sine(44100, 440, 1000, 1000), 44100), target);
        EXPECT_TRUE(converter.IsInvalid()) << target;
        EXPECT_TRUE(AllZero(ReadInBlocks(converter, 64)));
    }
    // The descriptor builds a converter only when the rate differs and can be served, with room for overshoot.
    LSoundSourceHandle source = Memory(Sine(44100, 440, 1000, 1000), 44100, 2), result, empty,
                       invalid = InvalidSource();
    LSPConvertRate(8000).Apply(result, source);
    ASSERT_NE(dynamic_cast<LSRCConvertRate*>(result.Get()), nullptr);
    EXPECT_EQ(std::make_tuple(result->Rate(), result->Channels(), result->FullScale()),
              std::make_tuple(8000, uint8_t{2}, 2 * kFullScale16));
    const std::pair<int32_t, LSoundSourceHandle> unchanged[] = {
        {44100, source}, {0, source}, {160, source}, {8000, empty}, {8000, invalid}};
    for (auto [target, from] : unchanged) {
        LSPConvertRate(target).Apply(result, from);
        EXPECT_EQ(result, from) << target;
    }
    LSoundSourceHandle unknown = Memory(std::vector<int32_t>(100), 16000, 1, kFullScaleUnknown);
    LSPConvertRate(8000).Apply(result, unknown);
    EXPECT_EQ(result->FullScale(), kFullScaleUnknown); // above 0x100000: not doubled
}

TEST(RateConverter, PositionCountsOutputFramesAcrossRefillsAndSeeksLandOnTheSamplesOfReadingThrough) {
    // A steady tone keeps the down-shift at 4 in every buffer, so any alignment gives the same samples.
    const std::vector<int32_t> input = Sine(44100, 440, 60000, 393204);
    LSRCConvertRate through(Memory(input, 44100), 8000);
    std::vector<int32_t> expected;
    for (int32_t step : {1, 1472, 1, 1, 1, 1, 3000, 8192}) { // a refill every 8129 input frames, ~1474.6 output
        const std::vector<int32_t> block = ReadInBlocks(through, step);
        expected.insert(expected.end(), block.begin(), block.end());
        EXPECT_EQ(through.GetPosition(), static_cast<int32_t>(expected.size()));
    }
    LSRCConvertRate converter(Memory(input, 44100), 8000);
    for (int32_t frame : {0, 1, 39, 1474, 1475, 2949, 9000, -5}) {
        converter.Seek(frame);
        EXPECT_EQ(converter.GetPosition(), frame);
        const std::vector<int32_t> out = ReadInBlocks(converter, 600);
        const int32_t before = std::max(0, -frame); // frames before the start, left out of the comparison
        EXPECT_TRUE(std::equal(out.begin() + before, out.end(), expected.begin() + frame + before)) << "at " << frame;
        EXPECT_EQ(converter.GetPosition(), frame + 600);
    }
}

TEST(RateConverter, TonesInThePassBandKeepTheirLevelInBothChannelsAndTonesAboveTheTargetNyquistFrequencyAreRejected) {
    const std::tuple<int32_t, int32_t, double, double, double> rows[] = {
        {44100, 8000, 1000, -0.5, 0.5}, {11025, 8000, 1000, -0.5, 0.5}, {8000, 11025, 1000, -0.5, 0.5},
        {8000, 44100, 3000, -0.5, 0.5}, {44100, 8000, 4500, -200, -40}, {44100, 8000, 9000, -200, -40},
        {11025, 8000, 4700, -200, -40}, {22050, 8000, 7000, -200, -40}};
    for (const auto& [input, target, frequency, lowestDb, highestDb] : rows) {
        SCOPED_TRACE(std::to_string(input) + " -> " + std::to_string(target) + " at " + std::to_string(frequency));
        LSRCConvertRate converter(Memory(Sine(input, frequency, input, 300000, 2), input, 2), target);
        const std::vector<int32_t> out = ReadInBlocks(converter, target / 2);
        const double level = LevelDb(out, 2, target / 10, target / 4, 300000);
        EXPECT_GE(level, lowestDb);
        EXPECT_LE(level, highestDb);
        for (size_t i = 0; i < out.size(); i += 2)
            ASSERT_EQ(out[i], out[i + 1]) << i / 2;
    }
}

TEST(RateConverter, SamplesBeyondAnyFullScaleAreClampedNotWrappedAndUpstreamReadsStayWithin8192Frames) {
    std::vector<int32_t> input(30000);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = (i / 5000) % 2 ? INT32_MIN : INT32_MAX;
    LSRCConvertRate converter(Memory(input, 22050), 8000);
    const std::vector<int32_t> out = ReadInBlocks(converter, 10000);
    // In the middle of each constant stretch the output has the input's sign and nearly its size.
    for (int32_t frame : {1000, 1500, 2814 + 500, 4536 + 300}) {
        EXPECT_GT(std::abs(static_cast<double>(out[frame])), 2.0e9) << frame;
        EXPECT_EQ(out[frame] < 0, (int64_t{frame} * 102 / 37 / 5000) % 2 == 1) << frame;
    }
    auto upstream = MakeHandle<MemorySource>(Sine(8000, 300, 100000, 1000), 8000, 1);
    LSRCConvertRate up(upstream, 44100);
    ReadInBlocks(up, 200000, {200000});
    EXPECT_LE(upstream->LargestRead(), 8192);
    EXPECT_EQ(up.GetPosition(), 200000);
}
