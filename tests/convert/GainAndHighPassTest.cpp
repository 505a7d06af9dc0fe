// Tests of the fixed gain and the one-pole high-pass filter.
#include "ConvertTestSupport.h"
#include "LDecibelTable.h"
#include "LSRCGain.h"
#include "LSRCHighPass.h"

#include <gtest/gtest.h>

using namespace convert_test;

TEST(Gain, ScalesEverySampleByTheTablesFactor) {
    LSRCGain gain(Memory({1000, -1000, 4096, 0}, 8000), -6);
    EXPECT_EQ(gain.Factor(), LDecibelTable::Amplitude(-6));
    const std::vector<int32_t> out = ReadAll(gain, 4);
    // (1000 x (8408526 >> 12)) >> 12 = 2052000 >> 12 = 500; the negative sample's high part is -1.
    EXPECT_EQ(out[0], 500);
    EXPECT_EQ(out[1], Q24Product(-1000, 8408526));
    EXPECT_EQ(out[2], 2052);
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(gain.FullScale(), kFullScale16); // a cut leaves the full scale alone
}

TEST(Gain, ABoostRaisesTheFullScaleAndHoldsSamplesTo32Bits) {
    LSRCGain gain(Memory({kFullScale16, 400000000, -400000000}, 8000), 20);
    EXPECT_EQ(gain.FullScale(), kFullScale16 * 10);
    const std::vector<int32_t> out = ReadAll(gain, 3);
    EXPECT_EQ(out[0], kFullScale16 * 10);
    EXPECT_EQ(out[1], INT32_MAX); // ten times would wrap to a negative number
    EXPECT_EQ(out[2], INT32_MIN);
    EXPECT_EQ(LSRCGain(Memory({0}, 8000), 6).FullScale(), 1046060); // 0x7fff0 x 33474947 >> 24
}

TEST(HighPass, TheCoefficientFollowsTheCornerFrequency) {
    EXPECT_EQ(LSRCHighPass(Memory({0}, 8000), 100).Coefficient(), 19); // (1 - e^(-2 pi 100 / 8000)) x 256
    EXPECT_EQ(LSRCHighPass(Memory({0}, 8000), 0).Coefficient(), 0);
    EXPECT_EQ(LSRCHighPass(Memory({0}, 8000), -5).Coefficient(), 0);
    EXPECT_EQ(LSRCHighPass(Memory({0}, 8000), 1e9).Coefficient(), 256);
    EXPECT_EQ(LSRCHighPass(Memory({0}, 8000), 100).FullScale(), 2 * kFullScale16);
    EXPECT_EQ(LSRCHighPass(Memory({0}, 8000, 1, kFullScaleUnknown), 100).FullScale(), kFullScaleUnknown);
}

TEST(HighPass, WithACoefficientOfZeroSamplesPassUntouched) {
    const std::vector<int32_t> input = Noise(3000, 1 << 30, 2);
    LSRCHighPass filter(Memory(input, 8000), 0);
    EXPECT_EQ(ReadAll(filter, 3000), input);
}

TEST(HighPass, AConstantInputDecaysToZeroAndATonePasses) {
    LSRCHighPass constant(Memory(std::vector<int32_t>(2 * 4000, 100000), 8000, 2), 100);
    const std::vector<int32_t> out = ReadAll(constant, 4000);
    EXPECT_EQ(out[0], 100000);
    EXPECT_EQ(out[1], 100000);
    EXPECT_LT(out[200], out[100]);
    EXPECT_LE(std::abs(out[2 * 3999]), 1);
    EXPECT_LE(std::abs(out[2 * 3999 + 1]), 1);

    LSRCHighPass tone(Memory(Sine(8000, 1000, 8000, 300000), 8000), 100);
    const std::vector<int32_t> passed = ReadAll(tone, 8000);
    EXPECT_NEAR(Decibels(Rms(passed, 1, 0, 1000, 6000) / (300000 / std::sqrt(2.0))), 0.0, 0.5);
}

TEST(HighPass, SeekClearsTheIntegrators) {
    LSRCHighPass filter(Memory(std::vector<int32_t>(1000, 100000), 8000), 100);
    std::vector<int32_t> out(500);
    filter.Read(out.data(), 500);
    filter.Seek(0);
    filter.Read(out.data(), 1);
    EXPECT_EQ(out[0], 100000);
}

TEST(HighPass, ExtremeSamplesCannotOverflowTheIntegrators) {
    std::vector<int32_t> input(8000);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = (i / 400) % 2 ? INT32_MIN : INT32_MAX;
    LSRCHighPass filter(Memory(input, 8000), 50);
    const std::vector<int32_t> out = ReadAll(filter, 8000);
    // Each jump is twice the 32-bit range: the output is held at the limit in the jump's direction, then decays.
    for (size_t i = 400; i < out.size(); i += 400) {
        EXPECT_EQ(out[i], input[i]) << i;
        EXPECT_LE(std::abs(static_cast<int64_t>(out[i + 399])), 1 << 20) << i;
    }
}
