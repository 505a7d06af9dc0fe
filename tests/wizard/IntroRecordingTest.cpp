#include "WelcomeWizard.h"

#include <ChildProcess.h>
#include <TempFolder.h>
#include <WaveFile.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(IntroRecordings, AreBesideTheProgramInTheDictationFormat) {
    for (int page = 1; page <= 5; ++page) {
        SCOPED_TRACE(page);
        const WaveOpenResult opened =
            OpenWaveFileWithReason(std::string(TALLOWIN_PROGRAM_FOLDER) + "/" + WelcomeWizard::RecordingName(page));
        ASSERT_TRUE(opened.source) << opened.error.text;
        EXPECT_EQ(opened.layout.format.formatTag, WaveFormatRecord::kTagPcm);
        EXPECT_EQ(opened.layout.format.samplesPerSec, 8000u);
        EXPECT_EQ(opened.layout.format.channels, 1u);
        EXPECT_EQ(opened.layout.format.bitsPerSample, 16u);
        // Speech of a few sentences: some seconds long, with sound in it.
        EXPECT_GT(opened.source->GetLength(), 8000 * 3);
        EXPECT_LT(opened.source->GetLength(), 8000 * 120);
    }
}

TEST(Screenshots, TheToolWritesAPictureOfEveryWindow) {
    TempFolder folder;
    ChildProcess tool(
        TALLOWIN_SCREENSHOT_TOOL,
        {{TALLOWIN_SCREENSHOT_TOOL, folder.Path()}, {{"QT_QPA_PLATFORM", "offscreen"}}, {}, folder / "output.txt"});
    ASSERT_TRUE(tool.Started());
    EXPECT_EQ(tool.Wait(std::chrono::seconds(60)), 0) << folder.Read("output.txt");
    for (const char* name : {"wizard-1.png", "wizard-2.png", "wizard-3.png", "wizard-4.png", "wizard-5.png",
                             "splash.png", "main-window.png"}) {
        const std::string png = folder.Read(name);
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n") << name;
    }
}

TEST(IntroRecordings, SpeakThePageTextWithKeyNamesReadInFull) {
    TempFolder folder;
    ChildProcess tool(TALLOWIN_INTRO_TEXT_TOOL, {{TALLOWIN_INTRO_TEXT_TOOL, "5", folder / "page5.txt"}, {}, {}, {}});
    ASSERT_EQ(tool.Wait(std::chrono::seconds(10)), 0);
    const std::string spoken = folder.Read("page5.txt");
    EXPECT_EQ(spoken.rfind("Basic Operation (Summary)\n", 0), 0u);
    EXPECT_NE(spoken.find("Control N: new dictation."), std::string::npos);
    EXPECT_EQ(spoken.find("Ctrl+"), std::string::npos);

    for (const char* page : {"0", "6", "x", "5x"}) {
        ChildProcess wrong(TALLOWIN_INTRO_TEXT_TOOL,
                           {{TALLOWIN_INTRO_TEXT_TOOL, page, folder / "wrong.txt"}, {}, {}, folder / "usage.txt"});
        EXPECT_EQ(wrong.Wait(std::chrono::seconds(10)), 2) << page;
    }
    EXPECT_EQ(folder.Read("wrong.txt"), "<missing>");
}
