#include "FileOps.h"
#include "ReadOnlyView.h"
#include "Settings.h"
#include "TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>

TEST(Settings, AWritableProgramFolderHoldsTheData) {
    TempFolder folder;
    const Settings settings = Settings::ForProgramFolder(folder.Path(), "/elsewhere/");
    EXPECT_EQ(settings.programFolder, folder.Path());
    EXPECT_EQ(settings.dataFolder, folder.Path());
    EXPECT_EQ(settings.settingsFile, folder / "settings.ini");
    EXPECT_EQ(settings.currentFolder, folder / "Current Files/");
    EXPECT_EQ(settings.sentFolder, folder / "Sent Files/");
}

TEST(Settings, AProgramFolderThatCannotBeWrittenKeepsTheDataInTheUsersFolder) {
    TempFolder folder;
    ASSERT_TRUE(MakeFolders(folder / "program") && MakeFolders(folder / "installed"));
    const ReadOnlyView installed(folder / "program", folder / "installed");
    if (!installed.Mounted())
        GTEST_SKIP() << "read-only bind mounts are not permitted here";
    const Settings settings = Settings::ForProgramFolder(folder / "installed", folder / "data");
    EXPECT_EQ(settings.programFolder, folder / "installed/");
    EXPECT_EQ(settings.dataFolder, folder / "data/");
    EXPECT_EQ(settings.currentFolder, folder / "data/Current Files/");
    ASSERT_TRUE(settings.CreateFolders());
    EXPECT_TRUE(IsFolder(folder / "data/Current Files"));
    EXPECT_TRUE(IsFolder(folder / "data/Sent Files"));
}

TEST(Settings, TheUsersDataFolderFollowsXdgDataHome) {
    ::setenv("XDG_DATA_HOME", "/home/someone/data", 1);
    EXPECT_EQ(Settings::UserDataFolder(), "/home/someone/data/Orrindale/Tallowin/");
    ::setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(Settings::UserDataFolder(), "/home/someone/.local/share/Orrindale/Tallowin/");
    ::unsetenv("XDG_DATA_HOME");
}
