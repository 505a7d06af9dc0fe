// Tests of the decibel tables and the test-tone generator.
#include "ConvertTestSupport.h"
#include "LDecibelTable.h"
#include "LSSTone.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace convert_test;

TEST(DecibelTable, AmplitudeEntriesAreQ24GainsRoundedToNearest) {
    EXPECT_EQ(LDecibelTable::Amplitude(0), 0x1000000u);
    EXPECT_EQ(LDecibelTable::Amplitude(-6), 8408526u);
    EXPECT_EQ(LDecibelTable::Amplitude(6), 33474947u);
    EXPECT_EQ(LDecibelTable::Amplitude(20), 167772160u);
    EXPECT_EQ(LDecibelTable::Amplitude(-126), 8u);
    EXPECT_EQ(LDecibelTable::Amplitude(42), 2112126356u);
    EXPECT_EQ(LDecibelTable::Amplitude(43), 0x7fffffffu); // from +43 dB the sum reaches 2^31 - 1
    EXPECT_EQ(LDecibelTable::Amplitude(127), 0x7fffffffu);
    EXPECT_EQ(LDecibelTable::Amplitude(-127), 0u);
    EXPECT_EQ(LDecibelTable::Amplitude(-128), 0u);
}

TEST(DecibelTable, PowerEntriesUseTenthsOfTheDecibelValue) {
    EXPECT_EQ(LDecibelTable::Power(0), 0x1000000u);
    EXPECT_EQ(LDecibelTable::Power(-6), 4214246u);
    EXPECT_EQ(LDecibelTable::Power(10), 167772160u);
    EXPECT_EQ(LDecibelTable::Power(21), 2112126356u);
    EXPECT_EQ(LDecibelTable::Power(22), 0x7fffffffu);
    EXPECT_EQ(LDecibelTable::Power(-127), 0u);
}

TEST(Tone, ASineAtZeroDecibelsFollowsItsTableExactlyWhenThePhaseFallsOnEntries) {
    LSSTone tone(8000, 1000, LSSTone::kSine, 0, 20000);
    // A = 2^24 x 0.0055242777 = 92682; full scale 1.8 A; 1000 / 8000 of a cycle is 2^24 of the 27-bit phase.
    EXPECT_EQ(tone.Amplitude(), 92682);
    EXPECT_EQ(tone.FullScale(), 166827);
    EXPECT_EQ(tone.PhaseStep(), 1u << 24);
    EXPECT_EQ(tone.GetLength(), 16000);
    EXPECT_EQ(tone.Channels(), 1);
    std::vector<int32_t> out(8);
    tone.Read(out.data(), 8);
    EXPECT_EQ(out, (std::vector<int32_t>{0, 92681, 131070, 92681, 0, -92681, -131070, -92681}));
    EXPECT_EQ(tone.GetPosition(), 8);
}

TEST(Tone, AnOddFrequencyInterpolatesAndKeepsItsPitch) {
    LSSTone tone(8000, 1001, LSSTone::kSine, -6, 10000);
    EXPECT_EQ(tone.PhaseStep(), 16793993u);
    const std::vector<int32_t> out = ReadAll(tone, 8000);
    int crossings = 0;
    for (size_t i = 1; i < out.size(); ++i)
        crossings += (out[i - 1] < 0) != (out[i] < 0);
    EXPECT_NEAR(crossings, 2002, 2);
    const int32_t peak = *std::max_element(out.begin(), out.end());
    EXPECT_LE(peak, static_cast<int32_t>(46451 * 1.4142));
    EXPECT_GE(peak, static_cast<int32_t>(46451 * 1.4142 * 0.99));
}

TEST(Tone, TheOtherWaveformsHaveTheirShapes) {
    LSSTone square(8000, 1000, LSSTone::kSquare, 0, 10000);
    std::vector<int32_t> out(8);
    square.Read(out.data(), 8);
    EXPECT_EQ(out, (std::vector<int32_t>{92682, 92682, 92682, 92682, -92682, -92682, -92682, -92682}));

    LSSTone triangle(8000, 1000, LSSTone::kTriangle, 0, 10000);
    const auto& t = triangle.Table();
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[1024], 165794); // A x 1.78885
    EXPECT_EQ(t[2048], 0);
    EXPECT_EQ(t[3072], -165794);
    EXPECT_EQ(t[512], -t[2048 + 512]);

    LSSTone saw(8000, 1000, LSSTone::kSawtooth, 0, 10000);
    EXPECT_EQ(saw.Table()[0], 0);
    EXPECT_EQ(saw.Table()[2047], 165713);
    EXPECT_EQ(saw.Table()[4095], -165713);

    LSSTone impulse(8000, 1000, LSSTone::kImpulse, 0, 10000);
    const auto& i = impulse.Table();
    EXPECT_EQ(i[0], 2 * 92682);
    EXPECT_EQ(i[2048], -2 * 92682);
    EXPECT_EQ(std::count(i.begin(), i.end(), 0), 4094);
}

TEST(Tone, NoiseIsCentredOnZeroWithTheLevelsRms) {
    LSSTone noise(8000, 1000, LSSTone::kNoise, 0, 10000, 42);
    EXPECT_EQ(noise.PhaseStep(), 32768u); // one entry per frame
    const auto& table = noise.Table();
    const double mean = std::accumulate(table.begin(), table.end(), 0.0) / table.size();
    EXPECT_LT(std::abs(mean), 0.05 * 92682);
    const double rms = Rms(table, 1, 0, 0, static_cast<int64_t>(table.size()));
    EXPECT_NEAR(rms / 92682, 1.0328, 0.05); // uniform over +-1.78885 A
    EXPECT_LE(*std::max_element(table.begin(), table.end()), 165795);
    EXPECT_GE(*std::min_element(table.begin(), table.end()), -165795);
    EXPECT_EQ(LSSTone(8000, 1000, LSSTone::kNoise, 0, 10000, 42).Table(), table);
    std::vector<int32_t> out(4097);
    noise.Read(out.data(), 4097);
    EXPECT_EQ(out[4096], out[0]);
}

TEST(Tone, SeekingGivesTheSamplesOfPlayingThrough) {
    LSSTone through(11025, 440.5, LSSTone::kTriangle, -10, 50000);
    const std::vector<int32_t> expected = ReadAll(through, 5000);
    LSSTone tone(11025, 440.5, LSSTone::kTriangle, -10, 50000);
    tone.Seek(3210);
    EXPECT_EQ(tone.GetPosition(), 3210);
    std::vector<int32_t> out(100);
    tone.Read(out.data(), 100);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin() + 3210));
}

TEST(Tone, SilenceAndUnusableSettingsGiveSilence) {
    LSSTone silent(8000, 1000, LSSTone::kSine, -127, 10000);
    EXPECT_EQ(silent.FullScale(), 0);
    std::vector<int32_t> out(16, 0x5555);
    silent.Read(out.data(), 16);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int32_t v) { return v == 0; }));

    LSSTone badWave(8000, 1000, 6, 0, 10000);
    LSSTone badRate(0, 1000, LSSTone::kSine, 0, 10000);
    LSSTone badFrequency(8000, std::nan(""), LSSTone::kSine, 0, 10000);
    LSSTone endlessStep(8000, 1e308, LSSTone::kSine, 0, 10000); // the phase step itself overflows
    for (LSSTone* tone : {&badWave, &badRate, &badFrequency, &endlessStep}) {
        EXPECT_TRUE(tone->IsInvalid());
        std::fill(out.begin(), out.end(), 0x5555);
        tone->Read(out.data(), 16);
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int32_t v) { return v == 0; }));
    }
}
