// The tallowin-audio tool run as a separate process on the file device.
#include "ChildProcess.h"
#include "EngineTestSupport.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

ChildProcess::Options ToolOptions(std::vector<std::string> arguments, const TempFolder& folder,
                                  std::vector<std::pair<std::string, std::string>> environment) {
    ChildProcess::Options options;
    options.arguments = std::move(arguments);
    options.arguments.insert(options.arguments.begin(), "tallowin-audio");
    options.environment = std::move(environment);
    options.environment.emplace_back("TALLOWIN_AUDIO_FILE_PACE", "fast");
    options.outputFile = folder / "tool.log";
    return options;
}

} // namespace

TEST(AudioTool, DevicesListsTheDefaultDeviceFirst) {
    TempFolder folder;
    const std::string input = folder / "in.wav";
    ASSERT_TRUE(WriteWave(input, Tone(800, 8000), 8000, 1));
    ChildProcess tool(TALLOWIN_AUDIO_TOOL, ToolOptions({"devices"}, folder, {{"TALLOWIN_AUDIO_FILE_IN", input}}));
    EXPECT_EQ(tool.Wait(30s), 0);
    EXPECT_NE(folder.Read("tool.log").find("Default device"), std::string::npos) << folder.Read("tool.log");
}

TEST(AudioTool, RecordKeepsTheSoundAndCutsTheSilenceAfterIt) {
    TempFolder folder;
    const std::string input = folder / "in.wav";
    Samples sound = Tone(4000, 8000);
    sound.resize(sound.size() + 8000, 0);
    ASSERT_TRUE(WriteWave(input, sound, 8000, 1));
    ChildProcess tool(TALLOWIN_AUDIO_TOOL, ToolOptions({"record", folder / "out.wav", "--seconds", "2"}, folder,
                                                       {{"TALLOWIN_AUDIO_FILE_IN", input}}));
    ASSERT_EQ(tool.Wait(60s), 0) << folder.Read("tool.log");
    const Samples recorded = ReadWave(folder / "out.wav");
    EXPECT_GE(recorded.size(), 4000u);
    EXPECT_LE(recorded.size(), 4000u + 800u + 400u); // the trim keeps 0.05 s after the last sounding block
}

TEST(AudioTool, PlayWritesWhatItPlaysFromTheGivenTime) {
    TempFolder folder;
    const std::string input = folder / "in.wav";
    ASSERT_TRUE(WriteWave(input, Tone(8000, 8000), 8000, 1));
    ChildProcess tool(TALLOWIN_AUDIO_TOOL, ToolOptions({"play", input, "--from", "0.5"}, folder,
                                                       {{"TALLOWIN_AUDIO_FILE_OUT", folder / "out.wav"}}));
    ASSERT_EQ(tool.Wait(60s), 0) << folder.Read("tool.log");
    EXPECT_EQ(ReadWave(folder / "out.wav").size(), 4000u);
}

TEST(AudioTool, AMissingFileIsAFailure) {
    TempFolder folder;
    ChildProcess tool(TALLOWIN_AUDIO_TOOL, ToolOptions({"play", folder / "none.wav"}, folder,
                                                       {{"TALLOWIN_AUDIO_FILE_OUT", folder / "o.wav"}}));
    EXPECT_EQ(tool.Wait(30s), 1);
}
