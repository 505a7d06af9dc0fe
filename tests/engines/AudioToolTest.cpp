// The tallowin-audio tool run as a separate process on the file device.
#include "ChildProcess.h"
#include "EngineTestSupport.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

class AudioTool : public ::testing::Test {
protected:
    // Runs the tool with `arguments` on the file device that `file` (a variable and its wave file) sets up.
    std::optional<int> Run(std::vector<std::string> arguments, std::pair<std::string, std::string> file) {
        ChildProcess::Options options{.arguments = std::move(arguments),
                                      .environment = {std::move(file), {"TALLOWIN_AUDIO_FILE_PACE", "fast"}},
                                      .workingFolder = {},
                                      .outputFile = m_folder / "tool.log"};
        options.arguments.insert(options.arguments.begin(), "tallowin-audio");
        return ChildProcess(TALLOWIN_AUDIO_TOOL, std::move(options)).Wait(std::chrono::seconds(60));
    }

    std::pair<std::string, std::string> In() const { return {"TALLOWIN_AUDIO_FILE_IN", m_in}; }
    std::pair<std::string, std::string> Out() const { return {"TALLOWIN_AUDIO_FILE_OUT", m_out}; }

    TempFolder m_folder;
    const std::string m_in = m_folder / "in.wav", m_out = m_folder / "out.wav";
};

TEST_F(AudioTool, DevicesListsTheDefaultDeviceFirstAndRecordCutsTheSilenceAfterTheSound) {
    ASSERT_TRUE(WriteWave(m_in, Joined({Tone(4000, 8000), Silence(8000)}), 8000, 1));
    EXPECT_EQ(Run({"devices"}, In()), 0);
    EXPECT_NE(m_folder.Read("tool.log").find("Default device"), std::string::npos) << m_folder.Read("tool.log");
    ASSERT_EQ(Run({"record", m_out, "--seconds", "2"}, In()), 0) << m_folder.Read("tool.log");
    const Samples recorded = ReadWave(m_out);
    EXPECT_GE(recorded.size(), 4000u);
    EXPECT_LE(recorded.size(), 4000u + 800u + 400u) << "the trim keeps 0.05 s after the last sounding block";
}

TEST_F(AudioTool, PlayWritesWhatItPlaysFromTheGivenTimeAndAMissingFileIsAFailure) {
    ASSERT_TRUE(WriteWave(m_in, Tone(8000, 8000), 8000, 1));
    ASSERT_EQ(Run({"play", m_in, "--from", "0.5"}, Out()), 0) << m_folder.Read("tool.log");
    EXPECT_EQ(ReadWave(m_out).size(), 4000u);
    EXPECT_EQ(Run({"play", m_folder / "none.wav"}, Out()), 1);
}

} // namespace
