// The tallowin-sound tool run on real files: each command line's exit code, output and written file.
#include "SoundTestKit.h"
#include "platform/CodecCatalog.h"
#include "sound/WaveFile.h"

#include <ChildProcess.h>
#include <TempFolder.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <numeric>
#include <sstream>

using namespace sound_test;

TEST(SoundTool, EveryCommandLineGivesItsExitCodeOutputAndFile) {
    struct ToolRun {
        std::string arguments; // split at spaces; "@name": that file in the test folder
        int exitCode;
        std::string printed = "";                                      // a part of stdout and stderr
        int32_t frames = -1;                                           // of @out.wav; -1: there is no such file
        std::function<void(const std::vector<int32_t>&)> samples = {}; // checks on @out.wav's samples
    };
    TempFolder folder;
    const auto write = [&](const char* name, const std::vector<int32_t>& samples, const WaveFormatRecord& format) {
        EXPECT_TRUE(WriteThrough(*CreateFileSinkForFormat(folder / name, format), samples)) << name;
    };
    const std::vector<int32_t> ramp = Pipeline16(Ramp(10000)), sine8k = Sine(8000, 440, 8000, 0x7fff0 / 2);
    std::vector<int32_t> offset = Sine(8000, 500, 16000, 100000);
    for (int32_t& sample : offset)
        sample += 200000;
    write("sine44k.wav", Sine(44100, 1000, 44100, 0x7fff0 / 2, 2), WaveFormatRecord::Pcm(44100, 2, 16));
    write("sine8k.wav", sine8k, WaveFormatRecord::Pcm(8000, 1, 16));
    write("gsm.wav", sine8k, CodecCatalog::MakeFormat("gsm", 8000, 1).value());
    write("ramp.wav", ramp, WaveFormatRecord::Pcm(10000, 1, 16));
    write("offset.wav", offset, WaveFormatRecord::Pcm(8000, 1, 16));
    write("noise.wav", Noise(16000, 100000), WaveFormatRecord::Pcm(8000, 1, 16));
    folder.Write("stereo.wav", Pcm16File(Ramp(16000), 2, 8000));
    folder.Write("good.wav", Pcm16File(Ramp(100)));
    folder.Write("cut.wav", Pcm16File(Ramp(1000)).substr(0, 44 + 2 * 600));
    folder.Write("grown.wav", OurHeader(20) + Samples16(Ramp(30)));
    folder.Write("broken.wav", Pcm16File(Ramp(100)).substr(0, 30));
    folder.Write("in8.wav", Wave(FormatBody(1, 1, 8000, 8), std::string("\xff\x80\x00", 3)));
    folder.Write("kept.wav", "an earlier file");
    std::map<std::string, std::string> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        inputs[entry.path().filename()] = folder.Read(entry.path().filename().string());
    using Samples = const std::vector<int32_t>&;
    const auto within = [](int32_t level) {
        return [level](Samples out) {
            EXPECT_TRUE(std::all_of(out.begin(), out.end(), [level](int32_t v) { return std::abs(v) <= level; }));
            EXPECT_GT(*std::max_element(out.begin(), out.end()), level * 9 / 10); // limited, not merely turned down
        };
    };
    // 8-bit in, 16-bit out: full scale up stays full scale, full scale down saturates at the 16-bit limit.
    const auto scaledUp = [](Samples out) { EXPECT_EQ(out, (std::vector<int32_t>{0x7fff * 16, 0, -0x8000 * 16})); };
    const auto rampStart = [&](Samples out) { EXPECT_TRUE(std::equal(out.begin(), out.end(), ramp.begin())); };
    const auto levelKept = [](Samples out) { EXPECT_NEAR(LevelDb(out, 1, 1000, 6000, 0x7fff0 / 2), 0.0, 0.5); };
    const auto looped = [&](Samples out) { // up to 0.5 s (5000 frames), then 0.2 .. 0.5 s three more times
        for (int32_t f = 0; f < 14000; ++f)
            ASSERT_EQ(out[f], ramp[f < 5000 ? f : 2000 + (f - 5000) % 3000]) << f;
    };
    const auto noOffset = [](Samples out) {
        EXPECT_LT(std::abs(std::accumulate(out.begin() + 8000, out.end(), 0.0) / 8000), 2000);
        EXPECT_NEAR(LevelDb(out, 1, 8000, 8000, 100000), 0.0, 0.5);
    };
    // At 0 dB the sine peaks at 131070 pipeline units: 8192 in 16 bits, a quarter of full scale.
    const auto quarterScale = [](Samples out) { EXPECT_EQ(*std::max_element(out.begin(), out.end()), 8192 * 16); };
    const std::vector<ToolRun> runs = {
        {"info @stereo.wav", 0,
         "format:    PCM 16-bit (tag 0x0001)\nrate:      8000 frames per second\n"
         "channels:  2\nbits:      16\nframes:    8000\nduration:  0:00:01.000\n"
         "data:      32000 bytes at offset 44\n"},
        {"info @cut.wav", 3, "1200 are in the file (cut off)"},
        {"info @grown.wav", 3, "60 follow it (a header not brought up to date)"},
        {"info @broken.wav", 1, "damaged or not a wave file: The file ends inside its format chunk."},
        {"info @missing.wav", 1, "cannot read"},
        {"info", 2, "info takes one FILE"},
        {"info --help", 0, "usage: tallowin-sound info"},
        {"--help", 0, "usage: tallowin-sound COMMAND"},
        {"", 2, "usage: tallowin-sound COMMAND"},
        {"play", 2, "unknown command \"play\""},
        {"formats", 0,
         "pcm8       PCM 8-bit        rates 8000,11025,22050,44100; channels 1,2\n"
         "pcm16      PCM 16-bit       rates 8000,11025,22050,44100; channels 1,2\n"},
        {"convert @in8.wav @out.wav", 0, ": 3 frames, PCM 16-bit, 8000 frames per second, 1 channel(s)", 3, scaledUp},
        {"convert @sine8k.wav @out.wav --format gsm", 0, "8000 frames, GSM 6.10", 8000},
        {"convert @gsm.wav @out.wav --format=pcm16", 0, "8000 frames, PCM 16-bit", 8000},
        {"convert @sine44k.wav @out.wav --format gsm", 1, "GSM 6.10 cannot be written at 44100"},
        {"convert @good.wav", 2, "convert takes IN and OUT"},
        {"convert @good.wav @kept.wav --format nonesuch", 2, "unknown format \"nonesuch\""},
        {"convert @good.wav @kept.wav --tempo 2", 2, "unknown option \"--tempo\""},
        {"convert @good.wav @good.wav", 2, "OUT is the same file as IN"}, // it would cut IN before reading
        {"convert @broken.wav @kept.wav", 1, "damaged or not a wave file"},
        {"convert @good.wav @no/folder/out.wav", 1, "cannot be written"},
        {"convert @cut.wav @out.wav", 3, "(cut off)", 600, rampStart},
        {"convert @sine44k.wav @out.wav --rate 8000 --channels 1 --limit", 0,
         "7999 frames, PCM 16-bit, 8000 frames per second, 1 channel(s)", 7999,
         levelKept}, // 44100 x 39 / 215, rounded down
        {"convert @sine8k.wav @out.wav --gain 12 --limit", 0, "", 8000, within(0x7fff0)},
        {"convert @ramp.wav @out.wav --repeat 0.2,0.5,3", 0, "", 14000, looped},
        {"convert @ramp.wav @out.wav --repeat 1,2,3 --speed -1", 2, "cannot be combined"},
        {"convert @offset.wav @out.wav --highpass 50", 0, "", 16000, noOffset},
        {"convert @noise.wav @out.wav --speed 2", 0, "", 8000},
        {"convert @noise.wav @out.wav --speed -0.5", 0, "", 32000},
        {"convert @sine44k.wav @out.wav --rate 1000", 2, "cannot lower the rate by that much"},
        {"convert @noise.wav @out.wav --gain 200", 2, "--gain takes a whole number from -127 to 127"},
        {"tone @out.wav --rate 16000 --freq 1000 --seconds 0.5", 0,
         ": 8000 frames, sine of 1000 Hz at 0 dB, 16000 frames per second", 8000, quarterScale},
        {"tone @out.wav --wave 2 --level 20", 0, "triangle of 1000 Hz at 20 dB", 8000, within(0x7fff0)},
        {"tone @out.wav --wave=5 --seconds 0.1", 0, "800 frames, noise at 0 dB", 800},
        {"tone @out.wav --freq 5000", 2, "--freq must be at most half the rate (4000)"},
        {"tone @out.wav --freq x", 2, "--freq takes a number"},
        {"tone @out.wav --rate", 2, "--rate needs a value"},
        // Every command's help and each option's refusal.
        {"formats -h", 0, "usage: tallowin-sound formats"},
        {"convert --help", 0, "usage: tallowin-sound convert"},
        {"tone --help", 0, "usage: tallowin-sound tone"},
        {"formats extra", 2, "formats takes no arguments"},
        {"convert @good.wav @kept.wav --format", 2, "--format needs a value"},
        {"convert @ramp.wav @out.wav --repeat 0.2,0.5", 2, "--repeat takes FROM,TO,TIMES"},
        {"convert @noise.wav @out.wav --speed 0", 2, "--speed takes a number"},
        {"convert @noise.wav @out.wav --channels 0", 2, "--channels takes a whole number from 1 to 255"},
        {"convert @noise.wav @out.wav --highpass 0", 2, "--highpass takes a frequency above 0"},
        {"convert @noise.wav @out.wav --limit=yes", 2, "--limit takes no value"},
        {"tone @out.wav --wave 6", 2, "--wave takes 0 (sine)"},
        {"tone @out.wav --rate 0", 2, "--rate takes a whole number from 1 to 192000"},
        {"tone @out.wav --level=200", 2, "--level takes a whole number"},
        {"tone @out.wav --seconds -1", 2, "--seconds takes a length"},
        {"tone @out.wav --colour red", 2, "unknown option \"--colour\""},
        {"tone", 2, "tone takes OUT"},
    };
    for (const ToolRun& run : runs) {
        SCOPED_TRACE(run.arguments);
        std::vector<std::string> arguments{"tallowin-sound"};
        std::istringstream words(run.arguments);
        for (std::string word; words >> word;)
            arguments.push_back(word.starts_with('@') ? folder / word.substr(1) : word);
        ::unlink((folder / "out.wav").c_str());
        ChildProcess child(TALLOWIN_SOUND_TOOL, {arguments, {}, {}, folder / "output.txt"});
        EXPECT_EQ(child.Wait(std::chrono::seconds(60)), run.exitCode);
        const std::string printed = folder.Read("output.txt");
        EXPECT_NE(printed.find(run.printed), std::string::npos) << printed;
        for (const auto& [name, bytes] : inputs)
            EXPECT_TRUE(folder.Read(name) == bytes) << name << " changed";
        LSoundSourceHandle out = OpenWaveFile(folder / "out.wav");
        EXPECT_EQ(out ? out->GetLength() : -1, run.frames);
        if (out && run.samples)
            run.samples(ReadInBlocks(*out, out->GetLength()));
    }
}
