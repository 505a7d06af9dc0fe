// The tallowin-sound tool: what each command prints and the exit codes it gives for good, damaged and bad input.
#include "WaveBytes.h"

#include <ChildProcess.h>
#include <CodecCatalog.h>
#include <TempFolder.h>
#include <WaveFile.h>
#include <gtest/gtest.h>

using namespace wave_bytes;

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string output; // stdout and stderr together
};

class SoundTool : public testing::Test {
protected:
    ToolRun RunTool(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "tallowin-sound");
        const std::string outputFile = m_folder / "tool-output.txt";
        ChildProcess child(TALLOWIN_SOUND_TOOL, {arguments, {}, {}, outputFile});
        ToolRun run;
        run.exitCode = child.Wait(std::chrono::seconds(30)).value_or(-1);
        run.output = m_folder.Read("tool-output.txt");
        return run;
    }

    TempFolder m_folder;
};

} // namespace

TEST_F(SoundTool, InfoDescribesAFile) {
    const std::string path = m_folder.Write("a.wav", Pcm16File(Ramp(16000), 2, 8000));
    const ToolRun run = RunTool({"info", path});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const char* line :
         {"format:    PCM", "(tag 0x0001)", "rate:      8000 frames per second\n", "channels:  2\n", "bits:      16\n",
          "frames:    8000\n", "duration:  0:00:01.000\n", "data:      32000 bytes at offset 44\n"})
        EXPECT_NE(run.output.find(line), std::string::npos) << line << " in\n" << run.output;
}

TEST_F(SoundTool, InfoExitCodesTellGoodDamagedAndBadInputApart) {
    const std::string good = m_folder.Write("good.wav", Pcm16File(Ramp(100)));
    const std::string cut = m_folder.Write("cut.wav", Pcm16File(Ramp(100)).substr(0, 100));
    const std::string broken = m_folder.Write("broken.wav", Pcm16File(Ramp(100)).substr(0, 30));
    EXPECT_EQ(RunTool({"info", good}).exitCode, 0);
    const ToolRun damaged = RunTool({"info", cut});
    EXPECT_EQ(damaged.exitCode, 3);
    EXPECT_NE(damaged.output.find("cut off"), std::string::npos) << damaged.output;
    const ToolRun refused = RunTool({"info", broken});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find("damaged or not a wave file: The file ends inside its format chunk."),
              std::string::npos)
        << refused.output;
    EXPECT_EQ(RunTool({"info", m_folder / "missing.wav"}).exitCode, 1);
    EXPECT_EQ(RunTool({"info"}).exitCode, 2);
    EXPECT_EQ(RunTool({"info", good, good}).exitCode, 2);
}

TEST_F(SoundTool, EveryCommandHasHelpAndUnknownOnesAreRefused) {
    for (const char* command : {"info", "formats", "convert"}) {
        const ToolRun run = RunTool({command, "--help"});
        EXPECT_EQ(run.exitCode, 0) << command;
        EXPECT_NE(run.output.find(std::string("usage: tallowin-sound ") + command), std::string::npos) << command;
    }
    EXPECT_EQ(RunTool({"--help"}).exitCode, 0);
    EXPECT_EQ(RunTool({}).exitCode, 2);
    EXPECT_EQ(RunTool({"play"}).exitCode, 2);
}

TEST_F(SoundTool, FormatsListsTheCatalogOneALine) {
    const ToolRun run = RunTool({"formats"});
    EXPECT_EQ(run.exitCode, 0);
    size_t lines = 0;
    for (const CodecCatalogEntry& entry : CodecCatalog::Entries()) {
        EXPECT_NE(run.output.find(entry.id), std::string::npos) << entry.id;
        EXPECT_NE(run.output.find(entry.name), std::string::npos) << entry.name;
        ++lines;
    }
    EXPECT_EQ(static_cast<size_t>(std::count(run.output.begin(), run.output.end(), '\n')), lines);
    EXPECT_EQ(RunTool({"formats", "extra"}).exitCode, 2);
}

TEST_F(SoundTool, ConvertWritesTheSamplesInTheChosenFormat) {
    // 8-bit in, 16-bit out: the samples keep their level.
    const std::string in = m_folder.Write(
        "in8.wav", Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8)) + Chunk("data", std::string("\xff\x80\x00", 3))));
    const std::string out = m_folder / "out16.wav";
    const ToolRun run = RunTool({"convert", in, out});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    LSoundSourceHandle source = OpenWaveFile(out);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->FullScale(), 0x7fff0);
    std::vector<int32_t> samples(3);
    source->Read(samples.data(), 3);
    // Full scale up stays full scale; full scale down saturates at the 16-bit limit.
    EXPECT_EQ(samples, (std::vector<int32_t>{0x7fff * 16, 0, -0x8000 * 16}));
}

TEST_F(SoundTool, ConvertToACodecFormatAndBack) {
    const CodecCatalogEntry* entry = nullptr;
    for (const CodecCatalogEntry& candidate : CodecCatalog::Entries())
        if (candidate.formatTag != WaveFormatRecord::kTagPcm && candidate.Offers(8000, 1) && !entry)
            entry = &candidate;
    if (!entry)
        GTEST_SKIP() << "no codec encodes 8000 frames per second mono here";
    const std::string in = m_folder.Write("in.wav", Pcm16File(std::vector<int16_t>(8000, 1000)));
    const std::string coded = m_folder / "coded.wav";
    const ToolRun run = RunTool({"convert", in, coded, "--format", entry->id});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const WaveOpenResult opened = OpenWaveFileWithReason(coded);
    ASSERT_TRUE(opened.source) << opened.error.text;
    EXPECT_EQ(opened.layout.format.formatTag, entry->formatTag);
    const std::string back = m_folder / "back.wav";
    EXPECT_EQ(RunTool({"convert", coded, back, "--format=pcm16"}).exitCode, 0);
    EXPECT_NEAR(OpenWaveFile(back)->GetLength(), 8000, 1200);
}

TEST_F(SoundTool, ConvertRefusesBadCommandLinesAndLosesNothing) {
    const std::string in = m_folder.Write("in.wav", Pcm16File(Ramp(100)));
    const std::string kept = m_folder.Write("kept.wav", "an earlier file");
    EXPECT_EQ(RunTool({"convert", in}).exitCode, 2);
    EXPECT_EQ(RunTool({"convert", in, kept, "--format", "nonesuch"}).exitCode, 2);
    EXPECT_EQ(RunTool({"convert", in, kept, "--format"}).exitCode, 2);
    EXPECT_EQ(RunTool({"convert", in, kept, "--tempo", "2"}).exitCode, 2);
    // Writing a file over itself would cut it before it is read.
    EXPECT_EQ(RunTool({"convert", in, in}).exitCode, 2);
    EXPECT_EQ(m_folder.Read("in.wav"), Pcm16File(Ramp(100)));
    // A damaged input fails and leaves the output as it was; so does an output that cannot be written.
    const std::string broken = m_folder.Write("broken.wav", "RIFF....WAVEfmt ");
    EXPECT_EQ(RunTool({"convert", broken, kept}).exitCode, 1);
    EXPECT_EQ(RunTool({"convert", in, m_folder / "no/folder/out.wav"}).exitCode, 1);
    EXPECT_EQ(m_folder.Read("kept.wav"), "an earlier file");
}

TEST_F(SoundTool, ConvertOfACutOffInputWritesWhatIsThereAndSaysItIsDamaged) {
    const std::string in = m_folder.Write("cut.wav", Pcm16File(Ramp(1000)).substr(0, 44 + 2 * 600));
    const std::string out = m_folder / "out.wav";
    const ToolRun run = RunTool({"convert", in, out});
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_EQ(OpenWaveFile(out)->GetLength(), 600);
    EXPECT_EQ(m_folder.Read("out.wav").substr(46), Samples16(Ramp(600)));
}
