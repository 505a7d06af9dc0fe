// What the build puts beside the program and how the program finds it: the help page (opened at an anchor, or what
// the user is told), the texts the five introduction recordings are made from, and the screenshot tool's pictures.
#include "ChildProcess.h"
#include "TempFolder.h"
#include "app/HelpViewer.h"
#include "platform/FileOps.h"

#include <gmock/gmock.h>

using namespace std::chrono_literals;
using namespace ::testing;

TEST(HelpViewer, OpensThePageOfTheFirstFolderHoldingItAtTheAnchorOrSaysWhyNotAndTheBuiltPageHasEveryAnchor) {
    TempFolder program, data;
    std::vector<QUrl> opened;
    bool browserAnswers = true;
    const auto viewer = [&](std::vector<std::string> folders) {
        return HelpViewer(std::move(folders), [&](const QUrl& url) {
            opened.push_back(url);
            return browserAnswers;
        });
    };
    program.Write("tallowin.html/nested", "a folder of that name is not the page");
    const HelpViewer missing = viewer({program.Path(), data.Path()});
    EXPECT_EQ(missing.Open("contents"), HelpResult::Missing);
    EXPECT_TRUE(opened.empty());
    EXPECT_THAT(missing.FailureText(HelpResult::Missing).toStdString(),
                AllOf(HasSubstr("\"tallowin.html\" cannot be found"), HasSubstr(program.Path())));

    const std::string beside = program.Write("with space/tallowin.html", "<html></html>");
    data.Write("tallowin.html", "<html></html>");
    EXPECT_EQ(viewer({program / "with space", data.Path()}).Open("hardware-settings"), HelpResult::Opened);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile().toStdString() + "#" + opened[0].fragment().toStdString(),
              beside + "#hardware-settings");
    EXPECT_EQ(viewer({program.Path(), data.Path()}).UrlFor("").toLocalFile().toStdString(), data / "tallowin.html");

    browserAnswers = false;
    const HelpViewer unanswered = viewer({data.Path()});
    EXPECT_EQ(unanswered.Open("contents"), HelpResult::NotOpened);
    EXPECT_THAT(unanswered.FailureText(HelpResult::NotOpened).toStdString(), HasSubstr(data / "tallowin.html"));

    // The page the build puts beside the program has every anchor the dialogs open.
    const std::string built = ReadFileBytes(HelpViewer({TALLOWIN_PROGRAM_FOLDER}, {}).PagePath()).value_or("");
    for (const char* anchor : {"contents", "hardware-settings", "recipient-settings", "recipient-properties",
                               "user-settings", "mail-settings", "work-progress", "keyboard", "dock"})
        EXPECT_THAT(built, HasSubstr(std::string("id=\"") + anchor + "\""));
}

TEST(IntroTexts, SpeakKeyNamesInFullAndRefuseAnyOtherPage) {
    TempFolder folder;
    ASSERT_EQ(RunProgram({TALLOWIN_INTRO_TEXT_TOOL, "5", folder / "page5.txt"}, {}, 10s), 0);
    EXPECT_THAT(folder.Read("page5.txt"), AllOf(StartsWith("Basic Operation (Summary)\n"),
                                                HasSubstr("Control N: new dictation."), Not(HasSubstr("Ctrl+"))));
    for (const char* page : {"0", "6", "x", "5x"})
        EXPECT_EQ(RunProgram({TALLOWIN_INTRO_TEXT_TOOL, page, folder / "wrong.txt"}, folder / "usage.txt", 10s), 2)
            << page;
    EXPECT_EQ(folder.Read("wrong.txt"), "<missing>");
}

TEST(ScreenshotTool, DrawsEveryWindowAndAgainAtScaleFactorTwo) {
    TempFolder folder;
    EXPECT_EQ(RunProgram({TALLOWIN_SCREENSHOT_TOOL, folder.Path()}, folder / "output.txt", 60s), 0)
        << folder.Read("output.txt");
    for (const char* name :
         {"wizard-1.png", "wizard-5.png", "splash.png", "main-window.png", "scale-2/main-window.png"})
        EXPECT_EQ(folder.Read(name).substr(0, 8), "\x89PNG\r\n\x1a\n") << name;
}
