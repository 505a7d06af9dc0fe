// Tests of the conversion chain that the send queue and the tool build.
#include "ConversionChain.h"

#include "ConvertTestSupport.h"
#include "LSRCConvertRate.h"
#include "LSRCGain.h"
#include "LSRCPeakLimit.h"
#include "LSRCRepeat.h"
#include "LSRCSpeed.h"

#include <gtest/gtest.h>
#include <limits>

using namespace convert_test;

TEST(ConversionChain, AStereoRecordingBecomesTelephoneRateMonoBehindALimiter) {
    const std::vector<int32_t> input = Sine(44100, 1000, 44100, 400000, 2);
    ConversionTarget target;
    target.rate = 8000;
    target.channels = 1;
    const ConversionChain chain = BuildConversionChain(Memory(input, 44100, 2), target);
    ASSERT_EQ(chain.problem, "");
    ASSERT_TRUE(chain.head);
    EXPECT_EQ(chain.head->Rate(), 8000);
    EXPECT_EQ(chain.head->Channels(), 1);
    // The converter doubles the full scale for its overshoot: a limiter at the 16-bit full scale closes the chain.
    EXPECT_NE(dynamic_cast<LSRCPeakLimit*>(chain.head.Get()), nullptr);
    EXPECT_EQ(chain.head->FullScale(), kFullScale16);
    const std::vector<int32_t> out = ReadAll(*chain.head, 8000);
    EXPECT_NEAR(Decibels(Rms(out, 1, 0, 2000, 4000) / (400000 / std::sqrt(2.0))), 0.0, 0.5);
}

TEST(ConversionChain, WithoutTheLimitFlagTheConverterIsTheHead) {
    ConversionTarget target;
    target.rate = 8000;
    target.limit = false;
    const ConversionChain chain = BuildConversionChain(Memory(std::vector<int32_t>(1000), 16000), target);
    EXPECT_NE(dynamic_cast<LSRCConvertRate*>(chain.head.Get()), nullptr);
    EXPECT_EQ(chain.head->FullScale(), 2 * kFullScale16);
}

TEST(ConversionChain, NothingToDoHandsBackTheSource) {
    LSoundSourceHandle source = Memory(std::vector<int32_t>(1000), 8000);
    ConversionTarget target;
    target.rate = 8000;
    target.channels = 1;
    EXPECT_EQ(BuildConversionChain(source, target).head, source);
    target = ConversionTarget();
    EXPECT_EQ(BuildConversionChain(source, target).head, source);
}

TEST(ConversionChain, AGainAboveUnityIsFollowedByTheLimiter) {
    ConversionTarget target;
    target.gainDb = 12;
    const ConversionChain chain = BuildConversionChain(Memory(Noise(20000, kFullScale16, 3), 8000), target);
    ASSERT_NE(dynamic_cast<LSRCPeakLimit*>(chain.head.Get()), nullptr);
    const std::vector<int32_t> out = ReadAll(*chain.head, 20000);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int32_t v) { return std::abs(v) <= kFullScale16; }));
}

TEST(ConversionChain, AnEightBitWriterIsLimitedToItsOwnFullScale) {
    ConversionTarget target;
    target.bits = 8;
    const ConversionChain chain = BuildConversionChain(Memory(std::vector<int32_t>(1000), 8000), target);
    EXPECT_EQ(chain.head->FullScale(), kFullScale8);
}

TEST(ConversionChain, SpeedRepeatAndHighPassAreBuiltWhenAskedFor) {
    ConversionTarget target;
    target.speed = 2.0;
    target.repeat = std::make_pair(10000, 20000);
    target.highPassHz = 80;
    target.limit = false;
    const ConversionChain chain = BuildConversionChain(Memory(Noise(40000, 1000, 4), 8000), target);
    ASSERT_EQ(chain.problem, "");
    EXPECT_NE(dynamic_cast<LSRCSpeed*>(chain.head.Get()), nullptr);
    const std::vector<int32_t> out = ReadAll(*chain.head, 30000);
    // The loop keeps the upstream between its ends (1 s .. 2 s at 8000 frames per second).
    EXPECT_GE(chain.head->GetPosition(), 0);
    EXPECT_LE(chain.head->GetPosition(), 16000 + 400);
}

TEST(ConversionChain, StepsThatCannotBeBuiltFailTheChainWithAReason) {
    LSoundSourceHandle source = Memory(std::vector<int32_t>(1000), 44100);
    ConversionTarget target;
    target.rate = 1000; // 44.1 times lower: beyond what the 63-tap filter can do
    ConversionChain chain = BuildConversionChain(source, target);
    EXPECT_FALSE(chain.head);
    EXPECT_NE(chain.problem.find("44100"), std::string::npos);

    target = ConversionTarget();
    target.speed = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(BuildConversionChain(source, target).problem, "");
    target = ConversionTarget();
    target.channels = 300;
    EXPECT_NE(BuildConversionChain(source, target).problem, "");
    EXPECT_NE(BuildConversionChain(InvalidSource(), ConversionTarget()).problem, "");
    EXPECT_NE(BuildConversionChain(LSoundSourceHandle(), ConversionTarget()).problem, "");
}
