// Tests of the rate converter: its design (L/M search, Q15 Kaiser table, what it refuses), its arithmetic
// against a literal rendering, positions and seeks at buffer edges, and what it does to tones.
#include "ConvertTestSupport.h"
#include "LRateDesign.h"
#include "LSPConvertRate.h"
#include "LSRCConvertRate.h"
#include "RateReference.h"

#include <gtest/gtest.h>

using namespace convert_test;

namespace {

struct RatePair {
    int32_t input;
    int32_t target;
};

std::vector<RatePair> CommonPairs() {
    return {{44100, 8000}, {11025, 8000}, {22050, 8000}, {8000, 11025}, {8000, 44100}, {16000, 8000}, {44100, 11025}};
}

// Noise whose loudness changes from buffer to buffer, so that every refill picks a different down-shift.
std::vector<int32_t> VaryingNoise(int32_t frames, int channels) {
    std::vector<int32_t> samples = Noise(static_cast<int64_t>(frames) * channels, 1 << 20, 7);
    for (int32_t frame = 0; frame < frames; ++frame) {
        const int shift = (frame / 3000) % 9;
        for (int channel = 0; channel < channels; ++channel)
            samples[static_cast<size_t>(frame) * channels + channel] >>= shift;
    }
    return samples;
}

} // namespace

TEST(RateDesign, TheSearchFindsThePhasesAndStepsWorkedOutByHand) {
    const struct {
        int32_t input, target;
        uint16_t phases;
        int32_t step;
    } cases[] = {{44100, 8000, 39, 215}, {8000, 44100, 11, 2}, {11025, 8000, 37, 51},
                 {44100, 11025, 1, 4},   {16000, 8000, 1, 2},  {22050, 8000, 37, 102},
                 {8000, 11025, 40, 29},  {8000, 16000, 2, 1},  {48000, 8000, 1, 6}};
    for (const auto& c : cases) {
        const LRateDesign design(c.input, c.target);
        EXPECT_EQ(design.Phases(), c.phases) << c.input << " -> " << c.target;
        EXPECT_EQ(design.Step(), c.step) << c.input << " -> " << c.target;
        EXPECT_TRUE(design.IsServed());
    }
}

TEST(RateDesign, HalvingTheRateUsesOnePhaseAndACutoffOf0_453125) {
    const LRateDesign design(16000, 8000);
    EXPECT_DOUBLE_EQ(static_cast<double>(design.Cutoff()), 0.453125);
    EXPECT_DOUBLE_EQ(static_cast<double>(design.Beta()), 4.538);
    // Centre: truncate(32768 x 0.453125 + 0.5); the rest by the windowed sinc, symmetric about the centre.
    const int32_t expected[] = {-3088, 1502, 10297, 14848, 10297, 1502, -3088};
    for (int tap = 28; tap <= 34; ++tap)
        EXPECT_EQ(design.Coefficient(0, tap), expected[tap - 28]) << tap;
    EXPECT_EQ(design.Coefficient(0, 0), 4);
    EXPECT_EQ(design.Coefficient(0, 62), 4);
}

TEST(RateDesign, EveryPhaseShiftsTheSincByItsFraction) {
    const LRateDesign down(44100, 8000);
    EXPECT_NEAR(static_cast<double>(down.Cutoff()), 8000.0 / 44100 - 0.046875, 1e-15);
    const int32_t phase1[] = {3858, 4263, 4408, 4277, 3885};
    const int32_t phase38[] = {3278, 3885, 4277, 4408, 4263};
    for (int tap = 29; tap <= 33; ++tap) {
        EXPECT_EQ(down.Coefficient(0, tap), (tap == 31 ? 4408 : tap == 30 || tap == 32 ? 4270 : 3871));
        EXPECT_EQ(down.Coefficient(1, tap), phase1[tap - 29]);
        EXPECT_EQ(down.Coefficient(38, tap), phase38[tap - 29]);
    }
    // Upsampling: cutoff 0.975, beta 2.12; phase 20 of 40 lies half-way between two input frames.
    const LRateDesign up(8000, 11025);
    const int32_t phase20[] = {4073, -6894, 20841, 20841, -6894};
    for (int tap = 29; tap <= 33; ++tap)
        EXPECT_EQ(up.Coefficient(20, tap), phase20[tap - 29]);
    EXPECT_EQ(up.Coefficient(0, 31), 31949);
}

TEST(RateDesign, TheBesselSeriesHasSixTerms) {
    EXPECT_EQ(LRateDesign::BesselI0(0), 1.0L);
    // 1 + 1 + 1/4 + 1/36 + 1/576 + 1/14400 + 1/518400 for y = 2.
    EXPECT_NEAR(static_cast<double>(LRateDesign::BesselI0(2)),
                1 + 1 + 0.25 + 1 / 36.0 + 1 / 576.0 + 1 / 14400.0 + 1 / 518400.0, 1e-15);
}

TEST(RateDesign, RatesItCannotServeAreRefusedWithAReason) {
    EXPECT_EQ(LRateDesign(0, 8000).GetVerdict(), LRateDesign::Verdict::RateOutOfRange);
    EXPECT_EQ(LRateDesign(8000, -1).GetVerdict(), LRateDesign::Verdict::RateOutOfRange);
    EXPECT_EQ(LRateDesign(8000, 1000001).GetVerdict(), LRateDesign::Verdict::RateOutOfRange);
    // 1 -> 1000: even L = 255 rounds M to 0, a step that would never move through the input.
    EXPECT_EQ(LRateDesign(1, 1000).GetVerdict(), LRateDesign::Verdict::ZeroStep);
    // 1000 -> 192000: the search stops at L = 162, M = 1, which would play 162000 frames per second.
    EXPECT_EQ(LRateDesign(1000, 192000).GetVerdict(), LRateDesign::Verdict::RateMissed);
    // 160000 -> 8000: the cutoff is 0.003, far too narrow for 63 taps.
    EXPECT_EQ(LRateDesign(160000, 8000).GetVerdict(), LRateDesign::Verdict::FilterTooNarrow);
    EXPECT_STRNE(LRateDesign(160000, 8000).Problem(), "");
    EXPECT_TRUE(LRateDesign(96000, 8000).IsServed());
    for (const RatePair& pair : CommonPairs())
        EXPECT_TRUE(LRateDesign(pair.input, pair.target).LanesFitInt32()) << pair.input << " -> " << pair.target;
}

TEST(RateConverter, TheFirstOutputFrameIsCentredOnInputFrameZero) {
    std::vector<int32_t> impulse(1000, 0);
    impulse[0] = kFullScale16;
    LSRCConvertRate converter(Memory(impulse, 44100), 8000);
    std::vector<int32_t> out(4);
    converter.Read(out.data(), 4);
    // s = 4 (0x7fff0 >> 4 = 0x7fff), scaled sample (524272 + 8) >> 4 = 32767; only the centre tap (4408) meets
    // it: (4408 x 32767 + 1024) >> 11 = 70526.
    EXPECT_EQ(converter.DownShift(), 4);
    EXPECT_EQ(out[0], 70526);
    // Frame 1 lies 215/39 = 5 + 20/39 input frames on: window start 5, phase 20; input frame 0 sits in tap 26.
    EXPECT_EQ(out[1], (converter.Design().Coefficient(20, 26) * 32767 + 1024) >> 11);
}

TEST(RateConverter, MatchesTheLiteralArithmeticSampleForSample) {
    for (const RatePair& pair : CommonPairs()) {
        for (int channels : {1, 2}) {
            const int32_t inputFrames = 3 * 8129 + 500;
            const std::vector<int32_t> input = VaryingNoise(inputFrames, channels);
            const LRateDesign design(pair.input, pair.target);
            RateReference reference(input, channels, design);
            LSRCConvertRate converter(Memory(input, pair.input, static_cast<uint8_t>(channels)), pair.target);
            const int32_t frames = static_cast<int32_t>(int64_t{inputFrames} * design.Phases() / design.Step());
            const std::vector<int32_t> expected = reference.Read(frames);
            const std::vector<int32_t> actual = ReadInBlocks(converter, frames, {1, 333, 8192, 77});
            ASSERT_EQ(actual, expected) << pair.input << " -> " << pair.target << ", " << channels << " channels";
        }
    }
}

TEST(RateConverter, ABufferWhoseRoundingReaches0x8000StillMatches) {
    // Peak 0xffff: s = 1 and (0xffff + 1) >> 1 = 0x8000, beyond 16 bits: such a buffer takes the 32-bit path.
    std::vector<int32_t> input = Sine(44100, 440, 20000, 60000);
    input[100] = 0xffff;
    const LRateDesign design(44100, 8000);
    RateReference reference(input, 1, design);
    LSRCConvertRate converter(Memory(input, 44100), 8000);
    EXPECT_EQ(ReadAll(converter, 3000), reference.Read(3000));
}

TEST(RateConverter, OneLongReadAndManyShortReadsGiveTheSameSamples) {
    const std::vector<int32_t> input = Sine(8000, 700, 40000, 300000, 2);
    LSRCConvertRate whole(Memory(input, 8000, 2), 11025);
    LSRCConvertRate pieces(Memory(input, 8000, 2), 11025);
    const int32_t frames = 50000;
    std::vector<int32_t> expected(frames * 2);
    whole.Read(expected.data(), frames);
    EXPECT_EQ(ReadInBlocks(pieces, frames, {1, 2, 3, 8191, 8192, 8193, 17}), expected);
}

TEST(RateConverter, PositionCountsOutputFramesAcrossRefills) {
    LSRCConvertRate converter(Memory(Sine(44100, 440, 50000, 300000), 44100), 8000);
    EXPECT_EQ(converter.GetPosition(), 0);
    std::vector<int32_t> out(8192);
    int32_t read = 0;
    // A refill comes every 8129 input frames, about every 1474.6 output frames.
    for (int32_t step : {1, 1472, 1, 1, 1, 1, 3000, 8192}) {
        converter.Read(out.data(), step);
        read += step;
        EXPECT_EQ(converter.GetPosition(), read);
    }
    // The upstream length in output frames, rounded down: 50000 x 39 / 215 = 9069.77.
    EXPECT_EQ(converter.GetLength(), 9069);
}

TEST(RateConverter, SeekingLandsOnTheSameSamplesAsReadingThrough) {
    // A steady tone keeps the down-shift at 4 in every buffer, so any alignment gives the same samples.
    const std::vector<int32_t> input = Sine(44100, 440, 60000, 393204);
    LSRCConvertRate through(Memory(input, 44100), 8000);
    const std::vector<int32_t> expected = ReadAll(through, 10000);

    auto upstream = MakeHandle<MemorySource>(input, 44100, 1);
    LSRCConvertRate converter(upstream, 8000);
    for (int32_t frame : {0, 1, 38, 39, 40, 1473, 1474, 1475, 1476, 2949, 5000, 9000}) {
        converter.Seek(frame);
        EXPECT_EQ(converter.GetPosition(), frame);
        // The upstream sits 31 frames before the matching input frame, plus the 8192 buffered.
        EXPECT_EQ(upstream->GetPosition(), int64_t{frame} * 215 / 39 - 31 + 8192) << frame;
        std::vector<int32_t> out(600);
        converter.Read(out.data(), 600);
        EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin() + frame)) << "after Seek(" << frame << ")";
        EXPECT_EQ(converter.GetPosition(), frame + 600);
    }
}

TEST(RateConverter, SeekingBeforeTheStartKeepsThePhaseInRange) {
    const std::vector<int32_t> input = Sine(44100, 440, 20000, 393204);
    LSRCConvertRate through(Memory(input, 44100), 8000);
    const std::vector<int32_t> expected = ReadAll(through, 100);

    auto upstream = MakeHandle<MemorySource>(input, 44100, 1);
    LSRCConvertRate converter(upstream, 8000);
    converter.Seek(-5);
    EXPECT_EQ(converter.GetPosition(), -5);
    // floor(-5 x 215 / 39) = -28 is the centre; the upstream starts 31 frames before it.
    EXPECT_EQ(upstream->GetPosition(), -28 - 31 + 8192);
    std::vector<int32_t> out(105);
    converter.Read(out.data(), 105);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin() + 5));
    EXPECT_EQ(converter.GetPosition(), 100);
}

TEST(RateConverter, AToneInThePassBandKeepsItsLevel) {
    struct Case {
        int32_t input, target;
    };
    for (const Case& c : {Case{44100, 8000}, Case{11025, 8000}, Case{22050, 8000}, Case{8000, 11025}}) {
        const double amplitude = 300000;
        LSRCConvertRate converter(Memory(Sine(c.input, 1000, c.input, amplitude), c.input), c.target);
        const std::vector<int32_t> out = ReadAll(converter, c.target / 2);
        const double level = Rms(out, 1, 0, c.target / 10, c.target / 4) / (amplitude / std::sqrt(2.0));
        EXPECT_NEAR(Decibels(level), 0.0, 0.5) << c.input << " -> " << c.target;
    }
}

TEST(RateConverter, AToneAboveTheTargetNyquistFrequencyIsRejected) {
    struct Case {
        int32_t input, target;
        double frequency;
    };
    for (const Case& c : {Case{44100, 8000, 4500}, Case{44100, 8000, 9000}, Case{11025, 8000, 4700},
                          Case{22050, 8000, 4500}, Case{22050, 8000, 7000}}) {
        const double amplitude = 300000;
        LSRCConvertRate converter(Memory(Sine(c.input, c.frequency, c.input, amplitude), c.input), c.target);
        const std::vector<int32_t> out = ReadAll(converter, c.target / 2);
        const double level = Rms(out, 1, 0, c.target / 10, c.target / 4) / (amplitude / std::sqrt(2.0));
        EXPECT_LT(Decibels(level), -40.0) << c.input << " -> " << c.target << " at " << c.frequency << " Hz";
    }
}

TEST(RateConverter, UpstreamReadsStayWithin8192Frames) {
    auto upstream = MakeHandle<MemorySource>(Sine(8000, 300, 100000, 1000), 8000, 1);
    LSRCConvertRate converter(upstream, 44100);
    std::vector<int32_t> out(200000);
    converter.Read(out.data(), 200000);
    EXPECT_LE(upstream->LargestRead(), 8192);
    EXPECT_EQ(converter.GetPosition(), 200000);
}

TEST(RateConverter, SamplesBeyondAnyFullScaleAreClampedNotWrapped) {
    std::vector<int32_t> input(30000);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = (i / 5000) % 2 ? INT32_MIN : INT32_MAX;
    LSRCConvertRate converter(Memory(input, 22050), 8000);
    const std::vector<int32_t> out = ReadAll(converter, 10000);
    // In the middle of each constant stretch the output has the input's sign and nearly its size.
    for (int32_t frame : {1000, 1500, 2814 + 500, 4536 + 300}) {
        const bool negative = (static_cast<int64_t>(frame) * 102 / 37 / 5000) % 2;
        EXPECT_GT(std::abs(static_cast<double>(out[frame])), 2.0e9) << frame;
        EXPECT_EQ(out[frame] < 0, negative) << frame;
    }
}

TEST(RateConverterApply, BuildsAConverterOnlyWhenTheRateDiffersAndCanBeServed) {
    LSoundSourceHandle source = Memory(Sine(44100, 440, 1000, 1000), 44100, 2);
    LSoundSourceHandle result;
    LSPConvertRate(8000).Apply(result, source);
    ASSERT_NE(result, source);
    EXPECT_EQ(result->Rate(), 8000);
    EXPECT_EQ(result->Channels(), 2);
    EXPECT_EQ(result->FullScale(), 2 * kFullScale16); // room for the filter's overshoot
    EXPECT_NE(dynamic_cast<LSRCConvertRate*>(result.Get()), nullptr);

    for (int32_t target : {44100, 0, -8000, 160, 2000000}) {
        LSPConvertRate(target).Apply(result, source);
        EXPECT_EQ(result, source) << target;
    }
    LSoundSourceHandle empty;
    LSPConvertRate(8000).Apply(result, empty);
    EXPECT_FALSE(result);
    LSoundSourceHandle invalid = InvalidSource();
    LSPConvertRate(8000).Apply(result, invalid);
    EXPECT_EQ(result, invalid);

    LSoundSourceHandle unknown = Memory(std::vector<int32_t>(100), 16000, 1, kFullScaleUnknown);
    LSPConvertRate(8000).Apply(result, unknown);
    EXPECT_EQ(result->FullScale(), kFullScaleUnknown); // above 0x100000: not doubled
}

TEST(RateConverter, BuiltDirectlyForRatesItCannotServeItIsInvalidAndSilent) {
    for (int32_t target : {0, 100, 5000000}) {
        LSRCConvertRate converter(Memory(Sine(44100, 440, 1000, 1000), 44100), target);
        EXPECT_TRUE(converter.IsInvalid()) << target;
        std::vector<int32_t> out(64, 0x5555);
        converter.Read(out.data(), 64);
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int32_t v) { return v == 0; }));
    }
    EXPECT_EQ(LSRCConvertRate(Memory({}, 44100), 0).Rate(), 44100);
}
