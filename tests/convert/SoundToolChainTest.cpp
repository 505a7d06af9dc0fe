// The tallowin-sound tool's conversion chain (convert --rate/--channels/--gain/--speed/--limit/--repeat/--highpass)
// and its tone command, run as a child process on real files.
#include "ConvertTestSupport.h"

#include <ChildProcess.h>
#include <TempFolder.h>
#include <WaveFile.h>
#include <gtest/gtest.h>

using namespace convert_test;

namespace {

class SoundToolChain : public testing::Test {
protected:
    int Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "tallowin-sound");
        ChildProcess child(TALLOWIN_SOUND_TOOL, {arguments, {}, {}, m_folder / "tool-output.txt"});
        return child.Wait(std::chrono::seconds(60)).value_or(-1);
    }
    std::string Output() const { return m_folder.Read("tool-output.txt"); }

    // A 16-bit wave file of `samples` (pipeline units) at `rate`.
    std::string Write(const std::string& name, const std::vector<int32_t>& samples, int32_t rate, uint16_t channels) {
        const std::string path = m_folder / name;
        LSoundSinkHandle sink = CreateFileSinkForFormat(path, WaveFormatRecord::Pcm(rate, channels, 16));
        for (size_t done = 0; done < samples.size();) {
            const size_t step = std::min<size_t>(samples.size() - done, 8192 * channels);
            sink->Write(samples.data() + done, static_cast<int32_t>(step / channels));
            done += step;
        }
        EXPECT_TRUE(FinishFileSink(*sink));
        return path;
    }

    // The whole of a wave file, or nothing when it cannot be opened.
    std::vector<int32_t> ReadBack(const std::string& name, int32_t* rate = nullptr, int* channels = nullptr) {
        LSoundSourceHandle source = OpenWaveFile(m_folder / name);
        if (!source)
            return {};
        if (rate)
            *rate = source->Rate();
        if (channels)
            *channels = source->Channels();
        return ReadAll(*source, source->GetLength());
    }

    TempFolder m_folder;
};

} // namespace

TEST_F(SoundToolChain, ConvertsRateAndChannelsAndKeepsTheTone) {
    const std::string in = Write("in.wav", Sine(44100, 1000, 44100, 0x7fff0 / 2, 2), 44100, 2);
    ASSERT_EQ(Run({"convert", in, m_folder / "out.wav", "--rate", "8000", "--channels", "1", "--limit"}), 0)
        << Output();
    int32_t rate = 0;
    int channels = 0;
    const std::vector<int32_t> out = ReadBack("out.wav", &rate, &channels);
    EXPECT_EQ(rate, 8000);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(out.size(), 7999u); // 44100 x 39 / 215, rounded down
    EXPECT_NEAR(Decibels(Rms(out, 1, 0, 1000, 6000) / (0x7fff0 / 2 / std::sqrt(2.0))), 0.0, 0.5);
}

TEST_F(SoundToolChain, AGainThatWouldClipIsHeldToFullScaleByTheLimiter) {
    const std::string in = Write("in.wav", Sine(8000, 440, 8000, 0x7fff0 / 2), 8000, 1);
    ASSERT_EQ(Run({"convert", in, m_folder / "loud.wav", "--gain", "12", "--limit"}), 0) << Output();
    const std::vector<int32_t> out = ReadBack("loud.wav");
    ASSERT_EQ(out.size(), 8000u);
    const auto [low, high] = std::minmax_element(out.begin(), out.end());
    EXPECT_GE(*low, -0x7fff0);
    EXPECT_LE(*high, 0x7fff0);
    EXPECT_GT(*high, 0x7fff0 * 9 / 10); // limited, not merely turned down
}

TEST_F(SoundToolChain, RepeatPlaysTheLoopTheAskedNumberOfTimesAndEnds) {
    std::vector<int32_t> ramp(10000);
    for (int32_t i = 0; i < 10000; ++i)
        ramp[i] = i * 16;
    const std::string in = Write("in.wav", ramp, 10000, 1);
    // Up to 0.5 s (5000 frames), then 0.2 .. 0.5 s three more times: 5000 + 3 x 3000 frames.
    ASSERT_EQ(Run({"convert", in, m_folder / "loop.wav", "--repeat", "0.2,0.5,3"}), 0) << Output();
    const std::vector<int32_t> out = ReadBack("loop.wav");
    ASSERT_EQ(out.size(), 14000u);
    for (int32_t f = 0; f < 14000; ++f)
        ASSERT_EQ(out[f] / 16, f < 5000 ? f : 2000 + (f - 5000) % 3000) << f;
    EXPECT_EQ(Run({"convert", in, m_folder / "x.wav", "--repeat", "0.2,0.5"}), 2);
    EXPECT_EQ(Run({"convert", in, m_folder / "x.wav", "--repeat", "1,2,3", "--speed", "-1"}), 2);
}

TEST_F(SoundToolChain, HighPassTakesOutAConstantOffset) {
    std::vector<int32_t> input = Sine(8000, 500, 16000, 100000);
    for (int32_t& sample : input)
        sample += 200000;
    const std::string in = Write("in.wav", input, 8000, 1);
    ASSERT_EQ(Run({"convert", in, m_folder / "hp.wav", "--highpass", "50"}), 0) << Output();
    const std::vector<int32_t> out = ReadBack("hp.wav");
    ASSERT_EQ(out.size(), 16000u);
    double mean = 0;
    for (int32_t f = 8000; f < 16000; ++f)
        mean += out[f] / 8000.0;
    EXPECT_LT(std::abs(mean), 2000);
}

TEST_F(SoundToolChain, SpeedChangesTheLengthInBothDirections) {
    const std::string in = Write("in.wav", Noise(16000, 100000), 8000, 1);
    ASSERT_EQ(Run({"convert", in, m_folder / "fast.wav", "--speed", "2"}), 0) << Output();
    EXPECT_EQ(ReadBack("fast.wav").size(), 8000u);
    ASSERT_EQ(Run({"convert", in, m_folder / "back.wav", "--speed", "-0.5"}), 0) << Output();
    EXPECT_EQ(ReadBack("back.wav").size(), 32000u);
    EXPECT_EQ(Run({"convert", in, m_folder / "x.wav", "--speed", "0"}), 2);
}

TEST_F(SoundToolChain, ARateTheConverterCannotServeIsRefusedAndWritesNothing) {
    const std::string in = Write("in.wav", Noise(4410, 1000), 44100, 1);
    EXPECT_EQ(Run({"convert", in, m_folder / "x.wav", "--rate", "1000"}), 2);
    EXPECT_NE(Output().find("cannot lower the rate by that much"), std::string::npos) << Output();
    EXPECT_EQ(m_folder.Read("x.wav"), "<missing>");
    EXPECT_EQ(Run({"convert", in, m_folder / "x.wav", "--channels", "0"}), 2);
    EXPECT_EQ(Run({"convert", in, m_folder / "x.wav", "--limit=yes"}), 2);
}

TEST_F(SoundToolChain, ToneWritesTheGeneratorsWave) {
    ASSERT_EQ(Run({"tone", m_folder / "tone.wav", "--rate", "16000", "--freq", "1000", "--seconds", "0.5"}), 0)
        << Output();
    int32_t rate = 0;
    const std::vector<int32_t> out = ReadBack("tone.wav", &rate);
    EXPECT_EQ(rate, 16000);
    ASSERT_EQ(out.size(), 8000u);
    // At 0 dB the sine peaks at 131070 pipeline units: 8192 in 16 bits, a quarter of full scale.
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 8192 * 16);
    // A loud triangle is limited to full scale; a frequency above half the rate is refused.
    ASSERT_EQ(Run({"tone", m_folder / "loud.wav", "--wave", "2", "--level", "20"}), 0) << Output();
    const std::vector<int32_t> loud = ReadBack("loud.wav");
    EXPECT_LE(*std::max_element(loud.begin(), loud.end()), 0x7fff0);
    EXPECT_EQ(Run({"tone", m_folder / "x.wav", "--freq", "5000"}), 2);
    EXPECT_EQ(Run({"tone", m_folder / "x.wav", "--wave", "6"}), 2);
    EXPECT_EQ(Run({"tone", "--help"}), 0);
}
