// The converters and level processors fed from memory, their descriptors, and the conversion chain's refusals.
#include "SoundTestKit.h"
#include "sound/ConversionChain.h"
#include "sound/LRateDesign.h"
#include "sound/LSPConvChannels.h"
#include "sound/LSPConvertRate.h"
#include "sound/LSPSpeed.h"
#include "sound/LSRCConvChannelsN.h"
#include "sound/LSRCConvMonoStereo.h"
#include "sound/LSRCConvStereoMono.h"
#include "sound/LSRCConvertRate.h"
#include "sound/LSRCGain.h"
#include "sound/LSRCHighPass.h"
#include "sound/LSRCPeakLimit.h"
#include "sound/LSRCRepeat.h"
#include "sound/LSRCSpeed.h"
#include "sound/LSSTone.h"

#include <functional>
#include <gtest/gtest.h>
#include <limits>

using namespace sound_test;

namespace {

// `frames` frames of `channels` channels whose samples tell where they came from: frame × scale + channel.
std::vector<int32_t> Numbered(int32_t frames, int channels = 1, int32_t scale = 10) {
    std::vector<int32_t> samples(static_cast<size_t>(frames) * channels);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int32_t>(i / channels) * scale + static_cast<int32_t>(i % channels);
    return samples;
}

// Builds a `Processor` with `arguments` over the upstream it is given.
template <typename Processor, typename... Arguments> auto Over(Arguments... arguments) {
    return [=](LSoundSourceHandle from) { return LSoundSourceHandle(MakeHandle<Processor>(from, arguments...)); };
}

} // namespace

TEST(ChannelConverters, EveryOutputChannelRepeatsTheInputChannelsInTurnAndTheRestIsTheUpstreams) {
    const std::pair<uint8_t, uint16_t> pairs[] = {{2, 1}, {1, 2}, {3, 5}, {5, 2}, {2, 6}};
    for (const auto& [from, to] : pairs) {
        auto memory = MakeHandle<MemorySource>(Numbered(9001, from), 8000, from);
        LSoundSourceHandle upstream = memory, converter;
        LSPConvChannels(to).Apply(converter, upstream);
        ASSERT_EQ(converter->Channels(), to);
        const std::vector<int32_t> out = ReadInBlocks(*converter, 9001, {1, 3, 8997});
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], static_cast<int32_t>(i / to) * 10 + static_cast<int32_t>(i % to) % from) << i;
        converter->Seek(123);
        EXPECT_EQ(memory->GetPosition(), 123);
        EXPECT_EQ(converter->GetPosition(), 123);
        EXPECT_EQ(converter->GetLength(), 9001);
    }
    // Nothing to do, a count no stream has, and sources no converter can use are handed back as they are.
    LSoundSourceHandle stereo = Memory(std::vector<int32_t>(20), 8000, 2), invalid = InvalidSource(), empty;
    const std::pair<uint16_t, LSoundSourceHandle> unchanged[] = {
        {0, stereo}, {2, stereo}, {256, stereo}, {2, invalid}, {2, empty}};
    for (auto [count, source] : unchanged) {
        LSoundSourceHandle result = stereo;
        LSPConvChannels(count).Apply(result, source);
        EXPECT_EQ(result, source) << count;
    }
}

TEST(Repeat, PlaysUpToTheLoopEndThenTheLoopAgainWhateverTheReadSizesAndSeeksFoldIntoIt) {
    // At 10000 frames per second a time value is a frame count. {start, end} as given, then the loop they make:
    // swapped when the wrong way round, playing at least 256 frames a pass.
    const std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t> loops[] = {
        {1000, 2000, 1000, 2000, 1000}, {2000, 1000, 1000, 2000, 1000}, {1000, 1100, 1000, 1100, 256}};
    for (const auto& [start, end, loopStart, loopEnd, period] : loops) {
        const auto expected = [loopStart = loopStart, loopEnd = loopEnd, period = period](int64_t frame) {
            return static_cast<int32_t>(frame < loopEnd ? frame : loopStart + (frame - loopEnd) % period);
        };
        auto upstream = MakeHandle<MemorySource>(Numbered(5000, 1, 1), 10000, 1);
        LSRCRepeat repeat(upstream, start, end);
        for (int32_t seek : {0, -20, 1500, 1999, 2000, 2500, 7777, loopEnd + 256 * 3 + 17}) {
            repeat.Seek(seek);
            EXPECT_EQ(repeat.GetPosition(), expected(seek));
            const std::vector<int32_t> out = ReadInBlocks(repeat, 6000, {1, 7, 999, 300, 8192});
            for (int32_t i = 0; i < 6000; ++i)
                ASSERT_EQ(out[i], std::max(0, expected(int64_t{seek} + i))) << start << ".." << end << " from " << seek;
        }
    }
}

TEST(Speed, NormalSpeedGivesTheInputBackRewindingStopsAtTheStartAndSpeedsItCannotPlayBuildNothing) {
    const std::vector<int32_t> input = Noise(30000, 500000, 9);
    LSRCSpeed speed(Memory(input, 8000), 1.0, 1.0, 0);
    const std::vector<int32_t> out = ReadInBlocks(speed, 19000, {1, 7, 333, 8192});
    for (int32_t frame = 0; frame < 19000; ++frame) {
        // The first half of each block (200 frames at 8000) is cross-faded with the same frames: only the
        // truncation of the two Q24 products shows.
        ASSERT_LE(out[frame], input[frame]) << frame;
        ASSERT_GE(out[frame], input[frame] - (frame % 200 < 100 ? 5 : 0)) << frame;
    }
    speed.Seek(5000); // primes afresh
    const std::vector<int32_t> sought = ReadInBlocks(speed, 300);
    EXPECT_TRUE(std::equal(sought.begin() + 100, sought.begin() + 200, input.begin() + 5100));
    // Rewinding walks down to the start, then plays the first block forwards again and again.
    auto upstream = MakeHandle<MemorySource>(Numbered(100000, 1, 16), 8000, 1);
    upstream->Seek(60000);
    LSRCSpeed rewind(upstream, -0.5, -7.0, 80000);
    for (int blocks = 0; upstream->GetPosition() > 0 && blocks < 1000; ++blocks)
        ReadInBlocks(rewind, 200);
    ASSERT_EQ(upstream->GetPosition(), 0);
    ReadInBlocks(rewind, 400); // still cross-faded with what followed the block before
    const std::vector<int32_t> first = ReadInBlocks(rewind, 200);
    EXPECT_EQ(first[199] / 16, 199);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(ReadInBlocks(rewind, 200), first);
    EXPECT_EQ(upstream->GetPosition(), 0);
    // Speeds it cannot play build nothing, and a processor built for one anyway is silent.
    LSoundSourceHandle source = Memory(input, 8000), result;
    LSPSpeed(0.5, 7.0, 80000).Apply(result, source);
    EXPECT_NE(dynamic_cast<LSRCSpeed*>(result.Get()), nullptr);
    for (double unusable : {std::numeric_limits<double>::quiet_NaN(), HUGE_VAL, 1e9, -1001.0}) {
        LSPSpeed(1.0, unusable, 100).Apply(result, source);
        EXPECT_EQ(result, source) << unusable;
        LSRCSpeed direct(source, unusable, 1.0, 0);
        EXPECT_TRUE(direct.IsInvalid() && AllZero(ReadInBlocks(direct, 10))) << unusable;
    }
}

TEST(GainAndHighPass, TheGainScalesTheLevelAndFullScaleHoldingSamplesTo32BitsAndTheFilterCannotOverflow) {
    const std::vector<int32_t> tone = Sine(8000, 440, 8000, 100000);
    for (const auto& [db, fullScale] : {std::pair<int8_t, int32_t>{-6, kFullScale16}, {6, 2 * kFullScale16}}) {
        LSRCGain gain(Memory(tone, 8000), db);
        EXPECT_NEAR(LevelDb(ReadInBlocks(gain, 8000), 1, 0, 8000, 100000), db, 0.1);
        EXPECT_NEAR(gain.FullScale(), fullScale, kFullScale16 / 100) << int{db}; // raised, never lowered
    }
    LSRCGain loud(Memory({400000000, -400000000}, 8000), 20);
    EXPECT_EQ(ReadInBlocks(loud, 2), (std::vector<int32_t>{INT32_MAX, INT32_MIN}));
    // The high-pass filter's overshoot doubles a known full scale; at corner 0 it passes everything.
    EXPECT_EQ(LSRCHighPass(Memory({0}, 8000), 100).FullScale(), 2 * kFullScale16);
    EXPECT_EQ(LSRCHighPass(Memory({0}, 8000, 1, kFullScaleUnknown), 100).FullScale(), kFullScaleUnknown);
    const std::vector<int32_t> noise = Noise(3000, 1 << 30, 2);
    LSRCHighPass open(Memory(noise, 8000), 0);
    EXPECT_EQ(ReadInBlocks(open, 3000), noise);
    std::vector<int32_t> extreme(2 * 8000);
    for (size_t i = 0; i < extreme.size(); ++i)
        extreme[i] = (i / 800) % 2 ? INT32_MIN : INT32_MAX;
    LSRCHighPass filter(Memory(extreme, 8000, 2), 50);
    std::vector<int32_t> out = ReadInBlocks(filter, 8000);
    // Each jump is twice the 32-bit range: the output is held at the limit in the jump's direction, then decays.
    for (size_t i = 800; i < out.size(); i += 800) {
        EXPECT_EQ(out[i], extreme[i]) << i;
        EXPECT_LE(std::abs(int64_t{out[i + 799]}), 1 << 20) << i;
    }
    filter.Seek(0); // clears the integrators
    EXPECT_EQ(ReadInBlocks(filter, 1)[0], INT32_MAX);
}

TEST(Upstream, EveryProcessorOverAnEmptyOrInvalidOneIsInvalidAndSilentAndOverAUsableOneReadsAtMost8192Frames) {
    const std::pair<const char*, std::function<LSoundSourceHandle(LSoundSourceHandle)>> builders[] = {
        {"rate", Over<LSRCConvertRate>(44100)},         {"stereo to mono", Over<LSRCConvStereoMono>()},
        {"mono to stereo", Over<LSRCConvMonoStereo>()}, {"channels", Over<LSRCConvChannelsN>(3)},
        {"speed", Over<LSRCSpeed>(0.5, 7.0, 80000)},    {"repeat", Over<LSRCRepeat>(0, 40000)},
        {"limit", Over<LSRCPeakLimit>(1000)},           {"gain", Over<LSRCGain>(6)},
        {"high-pass", Over<LSRCHighPass>(100.0)}};
    for (const auto& [name, build] : builders) {
        for (LSoundSourceHandle upstream : {LSoundSourceHandle(), InvalidSource()}) {
            LSoundSourceHandle processor = build(upstream);
            EXPECT_TRUE(processor->IsInvalid()) << name;
            for (int32_t frames : {1, 9000})
                EXPECT_TRUE(AllZero(ReadInBlocks(*processor, frames, {frames}))) << name;
            processor->Seek(50);
            EXPECT_EQ(processor->GetLength(), upstream ? upstream->GetLength() : 0) << name;
        }
        // Over a usable upstream, reads of nothing or less touch nothing, and a long read asks it for no more than
        // 8192 frames at a time.
        auto memory = MakeHandle<MemorySource>(std::vector<int32_t>(2 * 20000, 3), 8000, 2);
        LSoundSourceHandle processor = build(memory);
        int32_t sample = 0x5555;
        processor->Read(&sample, 0);
        processor->Read(&sample, -5);
        EXPECT_EQ(sample, 0x5555) << name;
        ReadInBlocks(*processor, 100000, {100000});
        EXPECT_LE(memory->LargestRead(), 8192) << name;
    }
}

TEST(UnusableSettings, ConvertersAndTonesBuiltForWhatTheyCannotServeAreInvalidAndSilent) {
    const LSoundSourceHandle mono = Memory(std::vector<int32_t>(100, 7), 8000),
                             at44k = Memory(Sine(44100, 440, 1000, 1000), 44100);
    const std::pair<const char*, LSoundSourceHandle> unusable[] = {
        {"stereo to mono over mono", MakeHandle<LSRCConvStereoMono>(mono)},
        {"mono to stereo over stereo", MakeHandle<LSRCConvMonoStereo>(Memory(std::vector<int32_t>(200, 7), 8000, 2))},
        {"300 channels", MakeHandle<LSRCConvChannelsN>(mono, 300)},
        {"a rate of 0", MakeHandle<LSRCConvertRate>(at44k, 0)},
        {"wave 6", MakeHandle<LSSTone>(8000, 1000, 6, 0, 10000)},
        {"a tone at rate 0", MakeHandle<LSSTone>(0, 1000, LSSTone::kSine, 0, 10000)},
        {"a tone of NaN Hz", MakeHandle<LSSTone>(8000, std::nan(""), LSSTone::kSine, 0, 10000)},
        {"a phase step that overflows", MakeHandle<LSSTone>(8000, 1e308, LSSTone::kSine, 0, 10000)}};
    for (const auto& [what, source] : unusable)
        EXPECT_TRUE(source->IsInvalid() && AllZero(ReadInBlocks(*source, 64))) << what;
    LSSTone silent(8000, 1000, LSSTone::kSine, -127, 10000);
    EXPECT_TRUE(!silent.IsInvalid() && silent.FullScale() == 0 && AllZero(ReadInBlocks(silent, 16)));
}

TEST(ConversionChain, NothingToDoHandsTheSourceBackAndStepsThatCannotBeBuiltFailWithAReason) {
    LSoundSourceHandle source = Memory(std::vector<int32_t>(1000), 44100);
    ConversionTarget target, fast, wide;
    EXPECT_EQ(BuildConversionChain(source, target).head, source);
    target.rate = 44100;
    target.channels = 1;
    EXPECT_EQ(BuildConversionChain(source, target).head, source);
    target.bits = 8; // the writer's full scale is below the stream's: a limiter at the 8-bit one
    EXPECT_EQ(BuildConversionChain(source, target).head->FullScale(), kFullScale8);
    target.rate = 1000; // 44.1 times lower: beyond what the 63-tap filter can do
    const ConversionChain tooLow = BuildConversionChain(source, target);
    EXPECT_FALSE(tooLow.head);
    EXPECT_NE(tooLow.problem.find("44100"), std::string::npos);
    fast.speed = std::numeric_limits<double>::quiet_NaN();
    wide.channels = 300;
    EXPECT_NE(BuildConversionChain(source, fast).problem, "");
    EXPECT_NE(BuildConversionChain(source, wide).problem, "");
    EXPECT_NE(BuildConversionChain(InvalidSource(), ConversionTarget()).problem, "");
    EXPECT_NE(BuildConversionChain(LSoundSourceHandle(), ConversionTarget()).problem, "");
}

TEST(RateDesign, RatesItCannotServeAreRefusedWithAReasonAndTheDescriptorBuildsNoConverterForThem) {
    using Verdict = LRateDesign::Verdict;
    // 1 -> 1000: even L = 255 rounds M to 0; 1000 -> 192000: L = 162, M = 1 would play 162000 frames per second;
    // 160000 -> 8000: a cutoff of 0.003 is too narrow for 63 taps; 64000 -> 3000: a cutoff of exactly 0.
    const std::tuple<int32_t, int32_t, Verdict> rows[] = {
        {0, 8000, Verdict::RateOutOfRange},      {1, 1000, Verdict::ZeroStep},
        {1000, 192000, Verdict::RateMissed},     {160000, 8000, Verdict::FilterTooNarrow},
        {64000, 3000, Verdict::FilterTooNarrow}, {96000, 8000, Verdict::Served}};
    for (const auto& [input, target, verdict] : rows) {
        const LRateDesign design(input, target);
        EXPECT_EQ(design.GetVerdict(), verdict) << input << " -> " << target;
        EXPECT_EQ(std::string(design.Problem()).empty(), verdict == Verdict::Served);
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

TEST(RateConverter, SamplesBeyondAnyFullScaleAreClampedNotWrapped) {
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
}
