// What the build puts beside the program and how the program finds it: the help page (opened at an anchor, or what
// the user is told), the five introduction recordings made from the page texts, and the screenshot tool's pictures.
#include "ChildProcess.h"
#include "TempFolder.h"
#include "app/HelpViewer.h"
#include "platform/FileOps.h"

#include <gtest/gtest.h>

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
    const QString missingText = missing.FailureText(HelpResult::Missing);
    EXPECT_TRUE(missingText.contains("\"tallowin.html\" cannot be found") &&
                missingText.contains(QString::fromStdString(program.Path())))
        << missingText.toStdString();

    const std::string beside = program.Write("with space/tallowin.html", "<html></html>");
    data.Write("tallowin.html", "<html></html>");
    EXPECT_EQ(viewer({program / "with space", data.Path()}).Open("hardware-settings"), HelpResult::Opened);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile().toStdString() + "#" + opened[0].fragment().toStdString(),
              beside + "#hardware-settings");
    EXPECT_TRUE(opened[0].toEncoded().startsWith("file:///") && opened[0].toEncoded().contains("with%20space"));
    EXPECT_EQ(viewer({program.Path(), data.Path()}).UrlFor("").toLocalFile().toStdString(), data / "tallowin.html");

    browserAnswers = false;
    const HelpViewer unanswered = viewer({data.Path()});
    EXPECT_EQ(unanswered.Open("contents"), HelpResult::NotOpened);
    EXPECT_TRUE(unanswered.FailureText(HelpResult::NotOpened).contains(QString::fromStdString(data / "tallowin.html")));

    // The page the build puts beside the program has every anchor the dialogs open.
    const std::string built = ReadFileBytes(HelpViewer({TALLOWIN_PROGRAM_FOLDER}, {}).PagePath()).value_or("");
    for (const char* anchor : {"contents", "hardware-settings", "recipient-settings", "recipient-properties",
                               "user-settings", "mail-settings", "work-progress", "keyboard", "dock"})
        EXPECT_NE(built.find(std::string("id=\"") + anchor + "\""), std::string::npos) << anchor;
}

TEST(BuildTools, TheIntroTextsSpeakKeyNamesInFullAndRefuseAnyOtherPageAndTheScreenshotsShowEveryWindow) {
    TempFolder folder;
    ChildProcess tool(TALLOWIN_INTRO_TEXT_TOOL, {{TALLOWIN_INTRO_TEXT_TOOL, "5", folder / "page5.txt"}, {}, {}, {}});
    ASSERT_EQ(tool.Wait(std::chrono::seconds(10)), 0);
    const std::string spoken = folder.Read("page5.txt");
    EXPECT_TRUE(spoken.starts_with("Basic Operation (Summary)\n") &&
                spoken.find("Control N: new dictation.") != std::string::npos &&
                spoken.find("Ctrl+") == std::string::npos)
        << spoken;
    for (const char* page : {"0", "6", "x", "5x"}) {
        ChildProcess wrong(TALLOWIN_INTRO_TEXT_TOOL,
                           {{TALLOWIN_INTRO_TEXT_TOOL, page, folder / "wrong.txt"}, {}, {}, folder / "usage.txt"});
        EXPECT_EQ(wrong.Wait(std::chrono::seconds(10)), 2) << page;
    }
    EXPECT_EQ(folder.Read("wrong.txt"), "<missing>");

    // The screenshot tool draws every window.
    ChildProcess screenshots(
        TALLOWIN_SCREENSHOT_TOOL,
        {{TALLOWIN_SCREENSHOT_TOOL, folder.Path()}, {{"QT_QPA_PLATFORM", "offscreen"}}, {}, folder / "output.txt"});
    EXPECT_EQ(screenshots.Wait(std::chrono::seconds(60)), 0) << folder.Read("output.txt");
    for (const char* name : {"wizard-1.png", "wizard-2.png", "wizard-3.png", "wizard-4.png", "wizard-5.png",
                             "splash.png", "main-window.png", "scale-2/main-window.png"})
        EXPECT_EQ(folder.Read(name).substr(0, 8), "\x89PNG\r\n\x1a\n") << name;
}
