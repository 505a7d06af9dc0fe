// The rate converter: its filter design (a Q15 Kaiser table, the pairs it refuses), its output against that filter,
// positions and seeks across buffer refills, tones, samples beyond any full scale, and its descriptor.
#include "SoundTestKit.h"
#include "sound/LRateDesign.h"
#include "sound/LSPConvertRate.h"
#include "sound/LSRCConvertRate.h"

#include <gtest/gtest.h>

using namespace sound_test;

namespace {

// The filter the design describes, in floating point: output frame n takes phase (n M mod L) of the 63 taps over
// the input frames from floor(n M / L) - 31 on (silence outside the input), Q15.
double Filtered(const std::vector<int32_t>& input, int channels, const LRateDesign& design, int64_t n, int channel) {
    const int64_t frames = static_cast<int64_t>(input.size()) / channels;
    const int64_t start = n * design.Step() / design.Phases() - LRateDesign::kCentreTap;
    double sum = 0;
    for (int tap = 0; tap < LRateDesign::kTaps; ++tap)
        if (start + tap >= 0 && start + tap < frames)
            sum += design.Coefficient(static_cast<int>(n * design.Step() % design.Phases()), tap) *
                   static_cast<double>(input[static_cast<size_t>((start + tap) * channels + channel)]);
    return sum / 32768;
}

} // namespace

TEST(RateDesign, TheHalvingFilterIsTheOneWorkedOutByHand) {
    // One phase, cutoff 0.453125, the centre truncate(32768 x 0.453125 + 0.5), the rest symmetric around it.
    const LRateDesign halving(16000, 8000);
    EXPECT_EQ(std::make_tuple(halving.Phases(), halving.Step(), static_cast<double>(halving.Cutoff()),
                              static_cast<double>(halving.Beta())),
              std::make_tuple(1, 2, 0.453125, 4.538));
    const std::pair<int, int32_t> taps[] = {{0, 4},      {28, -3088}, {29, 1502},  {30, 10297}, {31, 14848},
                                            {32, 10297}, {33, 1502},  {34, -3088}, {62, 4}};
    for (const auto& [tap, coefficient] : taps)
        EXPECT_EQ(halving.Coefficient(0, tap), coefficient) << tap;
}

TEST(RateDesign, RatesItCannotServeAreRefusedWithAReasonAConverterForThemIsSilentAndItsDescriptorBuildsNone) {
    using Verdict = LRateDesign::Verdict;
    // 1 -> 1000: even L = 255 rounds M to 0; 1000 -> 192000: L = 162, M = 1 would play 162000 frames per second;
    // 160000 -> 8000: a cutoff of 0.003 is too narrow for 63 taps.
    const std::tuple<int32_t, int32_t, Verdict> rows[] = {{0, 8000, Verdict::RateOutOfRange},
                                                          {8000, -1, Verdict::RateOutOfRange},
                                                          {8000, 1000001, Verdict::RateOutOfRange},
                                                          {1, 1000, Verdict::ZeroStep},
                                                          {1000, 192000, Verdict::RateMissed},
                                                          {160000, 8000, Verdict::FilterTooNarrow},
                                                          {96000, 8000, Verdict::Served}};
    for (const auto& [input, target, verdict] : rows) {
        const LRateDesign design(input, target);
        EXPECT_EQ(design.GetVerdict(), verdict) << input << " -> " << target;
        EXPECT_EQ(std::string(design.Problem()).empty(), verdict == Verdict::Served);
    }
    for (int32_t target : {0, 100, 5000000}) {
        LSRCConvertRate converter(Memory(Sine(44100, 440, 1000, 1000), 44100), target);
        EXPECT_TRUE(converter.IsInvalid()) << target;
        EXPECT_TRUE(AllZero(ReadInBlocks(converter, 64)));
    }
    EXPECT_EQ(LSRCConvertRate(Memory({}, 44100), 0).Rate(), 44100);
    // The descriptor builds a converter only when the rate differs and can be served, with room for overshoot.
    LSoundSourceHandle source = Memory(Sine(44100, 440, 1000, 1000), 44100, 2), result, empty,
                       invalid = InvalidSource();
    LSPConvertRate(8000).Apply(result, source);
    ASSERT_NE(dynamic_cast<LSRCConvertRate*>(result.Get()), nullptr);
    EXPECT_EQ(std::make_tuple(result->Rate(), result->Channels(), result->FullScale()),
              std::make_tuple(8000, uint8_t{2}, 2 * kFullScale16));
    const std::pair<int32_t, LSoundSourceHandle> unchanged[] = {{44100, source}, {0, source},       {-8000, source},
                                                                {160, source},   {2000000, source}, {8000, empty},
                                                                {8000, invalid}};
    for (auto [target, from] : unchanged) {
        LSPConvertRate(target).Apply(result, from);
        EXPECT_EQ(result, from) << target;
    }
    LSoundSourceHandle unknown = Memory(std::vector<int32_t>(100), 16000, 1, kFullScaleUnknown);
    LSPConvertRate(8000).Apply(result, unknown);
    EXPECT_EQ(result->FullScale(), kFullScaleUnknown); // above 0x100000: not doubled
}

TEST(RateConverter, TheFirstOutputFrameIsCentredOnInputFrameZeroInExactIntegers) {
    std::vector<int32_t> impulse(1000, 0);
    impulse[0] = kFullScale16;
    LSRCConvertRate converter(Memory(impulse, 44100), 8000);
    const std::vector<int32_t> out = ReadInBlocks(converter, 2);
    // s = 4 (0x7fff0 >> 4 = 0x7fff), scaled sample (524272 + 8) >> 4 = 32767; only the centre tap (4408) meets
    // it: (4408 x 32767 + 1024) >> 11 = 70526.
    EXPECT_EQ(converter.DownShift(), 4);
    EXPECT_EQ(out[0], 70526);
    // Frame 1 lies 215/39 = 5 + 20/39 input frames on: window start 5, phase 20; input frame 0 sits in tap 26.
    EXPECT_EQ(out[1], (converter.Design().Coefficient(20, 26) * 32767 + 1024) >> 11);
}

TEST(RateConverter, FollowsItsFilterWithinTheRoundingOfEachBuffersDownShift) {
    // Noise whose loudness changes every 3000 frames, so that every refill picks another down-shift; and a buffer
    // whose rounding reaches 0x8000 (peak 0xffff, s = 1), beyond 16 bits.
    std::vector<std::tuple<int32_t, int32_t, int, std::vector<int32_t>>> cases{
        {44100, 8000, 1, Sine(44100, 440, 20000, 60000)}};
    std::get<3>(cases[0])[100] = 0xffff;
    for (const auto& [input, target] : std::vector<std::pair<int32_t, int32_t>>{
             {44100, 8000}, {11025, 8000}, {22050, 8000}, {8000, 11025}, {8000, 44100}, {16000, 8000}, {44100, 11025}})
        for (int channels : {1, 2}) {
            std::vector<int32_t> noise = Noise(int64_t{2 * 8129 + 500} * channels, 1 << 20, 7);
            for (size_t i = 0; i < noise.size(); ++i)
                noise[i] >>= (i / channels / 3000) % 9;
            cases.emplace_back(input, target, channels, std::move(noise));
        }
    for (const auto& [input, target, channels, signal] : cases) {
        const LRateDesign design(input, target);
        LSRCConvertRate converter(Memory(signal, input, static_cast<uint8_t>(channels)), target);
        const int64_t frames = static_cast<int64_t>(signal.size()) / channels * design.Phases() / design.Step();
        const std::vector<int32_t> out = ReadInBlocks(converter, static_cast<int32_t>(frames), {1, 333, 8192, 77});
        double worst = 0;
        for (int64_t n = 0; n < frames; ++n)
            for (int channel = 0; channel < channels; ++channel)
                worst = std::max(worst, std::abs(out[static_cast<size_t>(n * channels + channel)] -
                                                 Filtered(signal, channels, design, n, channel)));
        // A down-shift of s rounds each sample by up to 2^(s-1), 32 units for this noise's s = 6, through taps
        // that add up to about one.
        EXPECT_LE(worst, 32) << input << " -> " << target << ", " << channels << " channels";
    }
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
    EXPECT_EQ(through.GetLength(), 10883); // 60000 x 39 / 215 = 10883.7, rounded down

    auto upstream = MakeHandle<MemorySource>(input, 44100, 1);
    LSRCConvertRate converter(upstream, 8000);
    for (int32_t frame : {0, 1, 38, 39, 40, 1473, 1474, 1475, 1476, 2949, 5000, 9000, -5}) {
        converter.Seek(frame);
        EXPECT_EQ(converter.GetPosition(), frame);
        // The upstream sits 31 frames before the matching input frame (rounded down), plus the 8192 buffered.
        EXPECT_EQ(upstream->GetPosition(), (int64_t{frame} * 215 - (frame < 0 ? 38 : 0)) / 39 - 31 + 8192) << frame;
        const std::vector<int32_t> out = ReadInBlocks(converter, 600);
        const int32_t before = std::max(0, -frame); // frames before the start, left out of the comparison
        EXPECT_TRUE(std::equal(out.begin() + before, out.end(), expected.begin() + frame + before)) << "at " << frame;
        EXPECT_EQ(converter.GetPosition(), frame + 600);
    }
}

TEST(RateConverter, TonesInThePassBandKeepTheirLevelAndTonesAboveTheTargetNyquistFrequencyAreRejected) {
    const std::tuple<int32_t, int32_t, double, double, double> rows[] = {
        {44100, 8000, 1000, -0.5, 0.5}, {11025, 8000, 1000, -0.5, 0.5}, {22050, 8000, 1000, -0.5, 0.5},
        {8000, 11025, 1000, -0.5, 0.5}, {44100, 8000, 4500, -200, -40}, {44100, 8000, 9000, -200, -40},
        {11025, 8000, 4700, -200, -40}, {22050, 8000, 4500, -200, -40}, {22050, 8000, 7000, -200, -40}};
    for (const auto& [input, target, frequency, lowestDb, highestDb] : rows) {
        LSRCConvertRate converter(Memory(Sine(input, frequency, input, 300000), input), target);
        const double level = LevelDb(ReadInBlocks(converter, target / 2), 1, target / 10, target / 4, 300000);
        EXPECT_GE(level, lowestDb) << input << " -> " << target << " at " << frequency << " Hz";
        EXPECT_LE(level, highestDb) << input << " -> " << target << " at " << frequency << " Hz";
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
