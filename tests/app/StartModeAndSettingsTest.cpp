// What start-up decides before any window: the mode from the program's file name, and the data paths (beside a
// writable program, else in the user's data folder; always there for a system-wide program).
#include "ReadOnlyView.h"
#include "TempFolder.h"
#include "app/ProgramLocation.h"
#include "app/Settings.h"
#include "app/StartMode.h"
#include "platform/FileOps.h"

#include <cstdlib>
#include <gtest/gtest.h>

TEST(StartMode, TheFileNameChoosesTheModeAndSetupWinsOverUninst) {
    const std::pair<StartMode, std::vector<const char*>> cases[] = {
        {StartMode::Install, {"setup", "Setup32", "mysetup", "SetupUninst", "tallowin-setup", "SETUP.EXE"}},
        {StartMode::Uninstall, {"uninst", "UNINSTALL", "tallowin-Uninst"}},
        {StartMode::Normal, {"tallowin", "setu", "unins", ""}}};
    for (const auto& [mode, names] : cases)
        for (const char* name : names)
            EXPECT_EQ(ChooseStartMode(name), mode) << name;
}

TEST(Settings, AWritableProgramFolderHoldsTheDataButAReadOnlyOrSystemWideOneNeverAndXdgDataHomeIsFollowed) {
    TempFolder folder;
    ::setenv("XDG_DATA_HOME", (folder / "xdg").c_str(), 1);
    const Settings settings = SettingsForProgram(folder.Path());
    EXPECT_EQ(settings.programFolder + "|" + settings.dataFolder + "|" + settings.settingsFile,
              folder.Path() + "|" + folder.Path() + "|" + folder / "settings.ini");
    const Settings systemWide = SettingsForProgram("/usr/lib/tallowin"); // writable by root, all the same
    EXPECT_EQ(systemWide.programFolder + "|" + systemWide.sentFolder,
              "/usr/lib/tallowin/|" + folder / "xdg/Orrindale/Tallowin/Sent Files/");

    const std::string home = std::getenv("HOME");
    ::setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(Settings::UserDataFolder(), "/home/someone/.local/share/Orrindale/Tallowin/");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", home.c_str(), 1);

    ASSERT_TRUE(MakeFolders(folder / "program") && MakeFolders(folder / "installed"));
    const ReadOnlyView installed(folder / "program", folder / "installed");
    if (!installed.Mounted())
        GTEST_SKIP() << "read-only bind mounts are not permitted here";
    const Settings readOnly = Settings::ForProgramFolder(folder / "installed", folder / "data");
    EXPECT_EQ(readOnly.programFolder + "|" + readOnly.dataFolder, folder / "installed/|" + folder / "data/");
    ASSERT_TRUE(readOnly.CreateFolders());
    EXPECT_TRUE(IsFolder(folder / "data/Current Files") && IsFolder(folder / "data/Sent Files"));
}
